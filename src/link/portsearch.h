#pragma once

#include "link/lineformat.h"
#include "link/portaccess.h"
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

    // Opens and configures the port of the record; why not, when it did not open.
    virtual PortAccess openPort(const PortSettings& settings) = 0;
    // Discards the input received and not yet read.
    virtual int flushInput(int port) = 0;
    virtual int setReadTimeouts(int port, int totalMs, int intervalMs) = 0;
    virtual int putch(int port, int byte) = 0;
    // The number of bytes placed in buffer, or a negative Sio code.
    virtual int read(int port, char* buffer, int count) = 0;
    virtual void closePort(const PortSettings& settings) = 0;
    // The search was cancelled; called on the thread that cancelled it, possibly during a read, which
    // a link that can may end early. The serial layer's reads end by their timeouts.
    virtual void cancelled() {}
};

// What the search came to on one port, so that a search that found nothing can say why.
struct PortSearchOutcome
{
    enum class Kind {
        NotOpened,   // see access: no device, no permission, busy, another failure
        Silent,      // opened, and nothing came at any speed
        NotWeighing, // something came, but no answer the parser took for a weighing line
        Found,
    };

    int port = 0;
    Kind kind = Kind::Silent;
    PortAccess access;
    // NotWeighing: one answer that came, to show the user, and the speed it came at.
    QByteArray sample;
    int sampleBaudCode = -1;
    // NotWeighing: the makers' formats would have read the sample (see setMakerFormatsParser).
    bool makerFormatsRead = false;
};

// Finds the serial port and speed at which a scale answers: ports 1 up to a maximum, at 4800 and then
// 9600 bit/s, three requests for a result at each, in the line format set. A port that does not open is
// skipped at both speeds. Each answer that may be a weighing line goes to the parser; the first it
// accepts ends the search with that port and speed.
//
// Only an answer to a request at the speed under way counts: the input is discarded after each change
// of speed, again after the line has settled, and before each request, so a line that a scale sent on
// its own at another speed (and a pseudo-terminal kept whole) cannot confirm the wrong one.
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

    // The search's waits. The defaults suit real scales; tests shorten them.
    struct Timing
    {
        // After a port is configured: bytes already on their way at the earlier speed arrive meanwhile
        // and are discarded.
        int settleMs = 100;
        // How long a read waits for an answer; 0: by the speed, half a second or more.
        int readTotalMs = 0;
        // Between requests: the scale may still be busy with the previous one.
        int attemptPauseMs = 50;
    };

    // Without a link the search goes to the real serial ports.
    explicit PortSearch(std::unique_ptr<PortSearchLink> link = nullptr, QObject* parent = nullptr);
    // Cancels a search still running and waits for its thread, which closes the port it held first.
    ~PortSearch() override;

    // Both are taken when a search starts.
    void setAnswerParser(AnswerParser parser);
    // Answers as scales of many makers send them: a CR alone ends one too, and a short one counts
    // (PendingText::setMakerLines).
    void setMakerLines(bool on) { m_makerLines = on; }
    // The frame and flow control the ports are opened with.
    void setLineFormat(const LineFormat& format) { m_lineFormat = format; }
    void setTiming(const Timing& timing) { m_timing = timing; }
    // A second question for answers the parser refused: would the makers' formats have read it? The
    // window asks ProcessData::acceptsAnswer(answer, true, onlyStable) while the makers' formats are off,
    // so a failed search can say that turning them on would help. Same rules as the parser.
    void setMakerFormatsParser(AnswerParser parser);
    // The last port to try; read before each port, so the user may change it while the search runs.
    void setMaxPort(int maxPort) { m_maxPort = maxPort; }

    // Starts a search; false while one is running. A cancelled one still winding down is waited for
    // first (a read's timeout at most).
    bool start();
    // The search stops after the step under way and closes its port; nothing more is reported of it.
    void cancel();
    // From start() until finished has been emitted or the search was cancelled.
    bool isRunning() const { return m_session != nullptr; }
    // What the last finished search came to on each port it tried, in order; set before finished.
    const QList<PortSearchOutcome>& outcomes() const { return m_outcomes; }

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
    // One port at every speed.
    PortSearchOutcome searchPort(const std::shared_ptr<Session>& session, int port);
    // Sleeps, waking early when the search is cancelled.
    static void pause(const Session& session, int ms);
    // Queues a report to this object's thread, where it is emitted unless the session is over.
    void report(const std::shared_ptr<Session>& session, int port, int baudCode, int attempt);
    void finish(const std::shared_ptr<Session>& session);
    void joinWorker();

    std::unique_ptr<PortSearchLink> m_link;
    AnswerParser m_parser;
    AnswerParser m_makerFormatsParser;
    LineFormat m_lineFormat;
    Timing m_timing;
    bool m_makerLines = false;
    QList<PortSearchOutcome> m_outcomes;
    std::atomic<int> m_maxPort{1};
    // The search under way, shared with its thread; null when none is, or it was cancelled.
    std::shared_ptr<Session> m_session;
    std::thread m_worker;
};

Q_DECLARE_METATYPE(PortSearch::Result)
Q_DECLARE_METATYPE(PortSearchOutcome)
