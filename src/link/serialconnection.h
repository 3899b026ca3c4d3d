#pragma once

#include "link/comthread.h"

#include <QObject>

#include <memory>

// What the status line and sbOpenComm show of the serial connection.
enum class SerialState { Closed = 0, Open = 1, Failed = 2 };

// The serial connection to the scale on the one port record, Global::PortSettings: opens and
// configures the port, owns its reader for as long as it is open, closes it on request or when the
// device goes away, and reports each change of state. Global::SerialStopped is raised exactly while
// no connection is open. Main thread only.
class SerialConnection : public QObject
{
    Q_OBJECT

public:
    SerialConnection(ComThread::ReadModeSource readMode, ComThread::Intake intake, QObject* parent = nullptr);
    // Closes an open connection without reporting it: a pseudo-terminal's device would otherwise stay
    // reserved for us after we are gone.
    ~SerialConnection() override;

    bool isOpen() const { return !Global::SerialStopped; }

    // Opens the port and speed that Global::PortSettings hold, with the line settings reset; Open when
    // it opened (and the reader runs), Failed when it did not.
    void StartSerial();
    // Ends the reader, then closes the port; Closed.
    void StopSerial();
    // For the open reader and every later one: lines as scales of many makers send them
    // (PendingText::setMakerLines).
    void setMakerLines(bool on);

signals:
    // Open also means a new connection: what the processing held of the previous one no longer counts.
    void stateChanged(SerialState state);

private:
    // The reader, then the port; nothing reported.
    void endConnection();
    // The reader found the device gone: closed as by the user, then Failed says why.
    void deviceGone();

    ComThread::ReadModeSource m_readMode;
    ComThread::Intake m_intake;
    std::unique_ptr<ComThread> m_reader;
    bool m_makerLines = false;
};
