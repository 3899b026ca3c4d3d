#pragma once

#include "link/portsettings.h"

#include <QByteArray>
#include <QMetaType>
#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

// The serial calls the port search makes, in the order it makes them, so that a test can record the
// combinations tried and script a scale's answers without devices; the real one goes to SerialPort and
// the serial layer. Called on the search's own thread, one search at a time.
class PortSearchLink
{
public:
    virtual ~PortSearchLink() = default;

    // Opens and configures the port of the record; false when it did not open.
    virtual bool openPort(const PortSettings& settings) = 0;
    virtual int setReadTimeouts(int port, int totalMs, int intervalMs) = 0;
    virtual int putch(int port, int byte) = 0;
    // The number of bytes placed in buffer, or a negative Sio code.
    virtual int read(int port, char* buffer, int count) = 0;
    virtual void closePort(const PortSettings& settings) = 0;
    // The search was cancelled; called on the thread that cancelled it, possibly during a read, which
    // a link that can may end early. The serial layer's reads end by their timeouts.
    virtual void cancelled() {}
};

// Finds the serial port and speed at which a scale answers: ports 1 up to a maximum, at 4800 and then
// 9600 bit/s, three requests for a result at each. A port that does not open is skipped at both speeds.
// Each answer that may be a weighing line goes to the parser; the first it accepts ends the search with
// that port and speed.
//
// The search sleeps and waits on reads for seconds, so it runs on a thread of its own; the object lives
// on the thread that starts it, and its signals are emitted there, queued from the search in order.
class PortSearch : public QObject
{
    Q_OBJECT

public:
    // Whether an answer gives a weighing result. Called on the search's thread, so it must be a pure
    // function of the answer and of what it captured.
    using AnswerParser = std::function<bool(const QByteArray& answer)>;

    struct Found
    {
        int port = 0;
        int baudCode = 0;

        bool operator==(const Found&) const = default;
    };
    using Result = std::optional<Found>;

    static constexpr int BaudCodes[] = {10, 12};
    static constexpr int AttemptsPerSpeed = 3;

    // Without a link the search goes to the real serial ports.
    explicit PortSearch(std::unique_ptr<PortSearchLink> link = nullptr, QObject* parent = nullptr);
    // Cancels a search still running and waits for its thread, which closes the port it held first.
    ~PortSearch() override;

    // Both are taken when a search starts.
    void setAnswerParser(AnswerParser parser);
    // Answers as scales of many makers send them: a CR alone ends one too, and a short one counts
    // (PendingText::setMakerLines).
    void setMakerLines(bool on) { m_makerLines = on; }
    // The last port to try; read before each port, so the user may change it while the search runs.
    void setMaxPort(int maxPort) { m_maxPort = maxPort; }

    // Starts a search; false while one is running. A cancelled one still winding down is waited for
    // first (a read's timeout at most).
    bool start();
    // The search stops after the step under way and closes its port; nothing more is reported of it.
    void cancel();
    // From start() until finished has been emitted or the search was cancelled.
    bool isRunning() const { return m_session != nullptr; }

signals:
    // The search holds this port open at this speed and is about to send request number attempt
    // (0 right after the port opened).
    void trying(int port, int baudCode, int attempt);
    // The port and speed at which a scale answered; none when no scale did.
    void finished(PortSearch::Result result);

private:
    struct Session;

    // The search's thread.
    void search(const std::shared_ptr<Session>& session);
    // Queues a report to this object's thread, where it is emitted unless the session is over.
    void report(const std::shared_ptr<Session>& session, int port, int baudCode, int attempt);
    void finish(const std::shared_ptr<Session>& session);
    void joinWorker();

    std::unique_ptr<PortSearchLink> m_link;
    AnswerParser m_parser;
    bool m_makerLines = false;
    std::atomic<int> m_maxPort{1};
    // The search under way, shared with its thread; null when none is, or it was cancelled.
    std::shared_ptr<Session> m_session;
    std::thread m_worker;
};

Q_DECLARE_METATYPE(PortSearch::Result)
