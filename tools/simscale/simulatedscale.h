#pragma once

#include "scalemodel.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>

class ScaleTransport;
class QSocketNotifier;

// Joins the scale model to a transport and to its operator, who speaks one command a line on stdin.
class SimulatedScale : public QObject
{
    Q_OBJECT

public:
    // An operator line longer than this is no command; it is dropped rather than kept growing.
    static constexpr qsizetype MaxControlLine = 4096;
    // A pause this long on the line ends a half-received command, as a scale's receive timeout does, so
    // garbage left by a program that closed the port cannot swallow the next program's first command.
    static constexpr std::chrono::milliseconds ReceiveTimeout{500};

    SimulatedScale(ScaleModel model, ScaleTransport* transport, bool verbose, QObject* parent = nullptr);
    ~SimulatedScale() override;

    void listenOnStdin();
    // Lines per second; 0 stops the stream.
    bool setStreamRate(double linesPerSecond);

signals:
    void quitRequested();

private:
    void onReceived(const QByteArray& bytes);
    void readControl();
    void runControl(const QByteArray& line);
    void send(const QByteArray& bytes);
    void log(const QString& text) const;

    ScaleModel m_model;
    ScaleTransport* m_transport;
    bool m_verbose;
    std::unique_ptr<QSocketNotifier> m_stdinNotifier;
    QByteArray m_control;
    bool m_controlOverlong = false;
    QTimer m_streamTimer;
    std::chrono::steady_clock::time_point m_lastReceived;
};
