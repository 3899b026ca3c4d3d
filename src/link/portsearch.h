#pragma once

#include "core/global.h"

#include <QByteArray>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>

// The serial calls the port search makes, in the order it makes them, so that a test can record the
// combinations tried and script a scale's answers without devices; the real one goes to ObsPort and the
// serial layer.
class PortSearchLink
{
public:
    virtual ~PortSearchLink() = default;

    // Opens and configures the port of the record; false when it did not open.
    virtual bool openPort(const TPortSettings& settings) = 0;
    virtual int setReadTimeouts(int port, int totalMs, int intervalMs) = 0;
    virtual int putch(int port, int byte) = 0;
    // The number of bytes placed in buffer, or a negative Sio code.
    virtual int read(int port, char* buffer, int count) = 0;
    virtual void closePort(const TPortSettings& settings) = 0;
};

// Finds the serial port and speed at which a scale answers: ports 1 up to a maximum, at 4800 and then
// 9600 bit/s, three requests for a result at each. A port that does not open is skipped at both speeds.
// Each answer that may be a weighing line goes to the parser, which sets Global::PortConfigured when it
// accepts one; the search runs with Global::PortProbing raised. Main thread only; the search runs in
// one call and reports each step, so that a window can repaint in between.
class PortSearch : public QObject
{
    Q_OBJECT

public:
    using AnswerParser = std::function<void(const QByteArray& answer)>;

    struct Found
    {
        int port = 0;
        int baudCode = 0;
    };

    static constexpr int BaudCodes[] = {10, 12};
    static constexpr int AttemptsPerSpeed = 3;

    // Without a link the search goes to the real serial ports.
    explicit PortSearch(std::unique_ptr<PortSearchLink> link = nullptr, QObject* parent = nullptr);
    // A search ended by the destruction (from a handler of its own signal) closes the port it held.
    ~PortSearch() override;

    void setAnswerParser(AnswerParser parser);
    // Answers as scales of many makers send them: a CR alone ends one too, and a short one counts
    // (PendingText::setMakerLines).
    void setMakerLines(bool on) { m_makerLines = on; }
    bool isRunning() const { return m_running; }

    // Searches ports from 1 up to what maxPort says, asked before each port since the user may change
    // it meanwhile; nothing when no scale answered. Returns at once, touching nothing, when the search
    // was destroyed by a handler of trying().
    std::optional<Found> run(const std::function<int()>& maxPort);

signals:
    // The search holds this port open at this speed and is about to send request number attempt
    // (0 right after the port opened).
    void trying(int port, int baudCode, int attempt);

private:
    void closeOpenPort();

    std::unique_ptr<PortSearchLink> m_link;
    AnswerParser m_parser;
    bool m_makerLines = false;
    bool m_running = false;
    // The port the search holds open, so that it is closed even if the search is destroyed meanwhile.
    int m_openPort = 0;
};
