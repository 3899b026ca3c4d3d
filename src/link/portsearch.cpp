#include "link/portsearch.h"

#include "link/serialport.h"
#include "link/sio.h"

#include <QThread>

#include <algorithm>

namespace {

constexpr int AnswerBytes = 25;
constexpr int ReadIntervalMs = 500;
constexpr int PauseSliceMs = 10;
// A weighing result needs at least ten characters before its line end; anything shorter is noise or
// an echo of the request, and is not worth the parser's time.
constexpr qsizetype ShortestLineEndIndex = 10;

// A slow line needs longer for an answer; only below 134 bit/s does that exceed the half-second floor.
int readTotalMs(int baudCode)
{
    return std::max(50 * (13 - baudCode), 500);
}

// The serial layer keeps its table of open ports behind a lock, so the search's thread may open, read
// and close ports while the window's thread works on others.
class SerialPortSearchLink : public PortSearchLink
{
public:
    PortAccess openPort(const PortSettings& settings) override { return SerialPort::openPort(settings).access; }
    int flushInput(int port) override { return sio_flush(port, 0); }
    int setReadTimeouts(int port, int totalMs, int intervalMs) override
    {
        return sio_SetReadTimeouts(port, totalMs, intervalMs);
    }
    int putch(int port, int byte) override { return sio_putch(port, byte); }
    int read(int port, char* buffer, int count) override { return sio_read(port, buffer, count); }
    // Only the port: the serial connection's stop flag is none of the search's business, and the search
    // only runs while no connection is open.
    void closePort(const PortSettings& settings) override { sio_close(settings.Port); }
};

} // namespace

// One search, as its thread sees it: the parser and line rule it was started with, the request to stop,
// and the scale found. The result is written by the search's thread only and read after it ended.
struct PortSearch::Session
{
    AnswerParser parser;
    AnswerParser makerFormatsParser;
    LineFormat lineFormat;
    Timing timing;
    bool makerLines = false;
    std::atomic<bool> cancelled{false};
    Result result;
    QList<PortSearchOutcome> outcomes;

    bool over() const { return cancelled || result.has_value(); }
};

PortSearch::PortSearch(std::unique_ptr<PortSearchLink> link, QObject* parent)
    : QObject(parent)
    , m_link(link ? std::move(link) : std::make_unique<SerialPortSearchLink>())
{}

PortSearch::~PortSearch()
{
    cancel();
    joinWorker();
}

void PortSearch::setAnswerParser(AnswerParser parser)
{
    m_parser = std::move(parser);
}

void PortSearch::setMakerFormatsParser(AnswerParser parser)
{
    m_makerFormatsParser = std::move(parser);
}

bool PortSearch::start()
{
    if (m_session)
        return false;
    // The link serves one search at a time: a cancelled one lets go of its port first.
    joinWorker();
    auto session = std::make_shared<Session>();
    session->parser = m_parser;
    session->makerFormatsParser = m_makerFormatsParser;
    session->lineFormat = m_lineFormat;
    session->timing = m_timing;
    session->makerLines = m_makerLines;
    m_session = session;
    m_worker = std::thread([this, session] {
        search(session);
        finish(session);
    });
    return true;
}

void PortSearch::cancel()
{
    if (!m_session)
        return;
    m_session->cancelled = true;
    // From here on the session's reports are dropped; its thread is joined by the next start.
    m_session.reset();
    m_link->cancelled();
}

void PortSearch::joinWorker()
{
    if (m_worker.joinable())
        m_worker.join();
}

void PortSearch::report(const std::shared_ptr<Session>& session, int port, int baudCode, int attempt)
{
    QMetaObject::invokeMethod(
        this,
        [this, session, port, baudCode, attempt] {
            if (session == m_session)
                emit trying(port, baudCode, attempt);
        },
        Qt::QueuedConnection);
}

void PortSearch::finish(const std::shared_ptr<Session>& session)
{
    QMetaObject::invokeMethod(
        this,
        [this, session] {
            // A cancelled search has nothing more to say.
            if (session != m_session)
                return;
            joinWorker();
            m_session.reset();
            m_outcomes = session->outcomes;
            emit finished(session->result);
        },
        Qt::QueuedConnection);
}

void PortSearch::pause(const Session& session, int ms)
{
    for (int slept = 0; slept < ms && !session.over(); slept += PauseSliceMs)
        QThread::msleep(unsigned(std::min(PauseSliceMs, ms - slept)));
}

void PortSearch::search(const std::shared_ptr<Session>& session)
{
    for (int port = 1; port <= m_maxPort && !session->over(); ++port) {
        PortSearchOutcome outcome = searchPort(session, port);
        // A port cut short by a cancel has no outcome to tell.
        if (!session->cancelled)
            session->outcomes.append(std::move(outcome));
    }
}

PortSearchOutcome PortSearch::searchPort(const std::shared_ptr<Session>& session, int port)
{
    PortSearchOutcome outcome;
    outcome.port = port;
    bool opened = false;
    for (const int baudCode : BaudCodes) {
        if (session->over())
            break;
        PortSettings settings;
        settings.Port = port;
        settings.BaudCode = baudCode;
        SerialPort::resetLineSettings(settings);
        session->lineFormat.applyTo(settings);
        const PortAccess access = m_link->openPort(settings);
        if (!access.opened()) {
            if (!opened) {
                outcome.kind = PortSearchOutcome::Kind::NotOpened;
                outcome.access = access;
            }
            break;
        }
        opened = true;
        const int totalMs = session->timing.readTotalMs > 0 ? session->timing.readTotalMs : readTotalMs(baudCode);
        m_link->setReadTimeouts(port, totalMs, ReadIntervalMs);
        // What waits in the input came at another speed, or before anyone listened: a scale that sends
        // on its own fills a pseudo-terminal's queue while the port is closed.
        m_link->flushInput(port);
        report(session, port, baudCode, 0);
        pause(*session, session->timing.settleMs);
        m_link->flushInput(port);
        for (int attempt = 1; attempt <= AttemptsPerSpeed && !session->over(); ++attempt) {
            report(session, port, baudCode, attempt);
            if (attempt > 1)
                pause(*session, session->timing.attemptPauseMs);
            // Only what comes after this request counts as its answer.
            m_link->flushInput(port);
            for (const int byte : {int('S'), int('I'), 13, 10})
                m_link->putch(port, byte);
            char buffer[AnswerBytes];
            const int count = m_link->read(port, buffer, AnswerBytes);
            const QByteArray answer(buffer, std::max(count, 0));
            // A maker's result can be shorter ("1250LG"), and its parser knows an echo by its text.
            const qsizetype shortest = session->makerLines ? 1 : ShortestLineEndIndex;
            const bool ended =
                answer.indexOf('\n') >= shortest || (session->makerLines && answer.indexOf('\r') >= shortest);
            if (ended && session->parser && session->parser(answer)) {
                session->result = Found{port, baudCode};
                outcome.kind = PortSearchOutcome::Kind::Found;
                continue;
            }
            if (answer.isEmpty())
                continue;
            const bool makersRead = !outcome.makerFormatsRead && session->makerFormatsParser &&
                                    (answer.indexOf('\n') >= 1 || answer.indexOf('\r') >= 1) &&
                                    session->makerFormatsParser(answer);
            // The first answer shows what came, unless a later one shows what the makers' formats read.
            if (outcome.sample.isEmpty() || makersRead) {
                outcome.sample = answer;
                outcome.sampleBaudCode = baudCode;
                outcome.makerFormatsRead = makersRead;
            }
        }
        m_link->closePort(settings);
    }
    if (opened && outcome.kind != PortSearchOutcome::Kind::Found)
        outcome.kind =
            outcome.sample.isEmpty() ? PortSearchOutcome::Kind::Silent : PortSearchOutcome::Kind::NotWeighing;
    return outcome;
}
