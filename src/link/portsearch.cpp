#include "link/portsearch.h"

#include "link/serialport.h"
#include "link/sio.h"

#include <QThread>

#include <algorithm>

namespace {

constexpr int AnswerBytes = 25;
constexpr int AttemptPauseMs = 50;
constexpr int ReadIntervalMs = 500;
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
    bool openPort(const PortSettings& settings) override { return SerialPort::openPort(settings).open; }
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
    bool makerLines = false;
    std::atomic<bool> cancelled{false};
    Result result;

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

bool PortSearch::start()
{
    if (m_session)
        return false;
    // The link serves one search at a time: a cancelled one lets go of its port first.
    joinWorker();
    auto session = std::make_shared<Session>();
    session->parser = m_parser;
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
            emit finished(session->result);
        },
        Qt::QueuedConnection);
}

void PortSearch::search(const std::shared_ptr<Session>& session)
{
    for (int port = 1; port <= m_maxPort && !session->over(); ++port) {
        for (const int baudCode : BaudCodes) {
            if (session->over())
                break;
            PortSettings settings;
            settings.Port = port;
            settings.BaudCode = baudCode;
            SerialPort::resetLineSettings(settings);
            if (!m_link->openPort(settings))
                break;
            m_link->setReadTimeouts(port, readTotalMs(baudCode), ReadIntervalMs);
            report(session, port, baudCode, 0);
            for (int attempt = 1; attempt <= AttemptsPerSpeed && !session->over(); ++attempt) {
                report(session, port, baudCode, attempt);
                // The scale may still be busy with the previous request.
                if (attempt > 1)
                    QThread::msleep(AttemptPauseMs);
                for (const int byte : {int('S'), int('I'), 13, 10})
                    m_link->putch(port, byte);
                char buffer[AnswerBytes];
                const int count = m_link->read(port, buffer, AnswerBytes);
                const QByteArray answer(buffer, std::max(count, 0));
                // A maker's result can be shorter ("1250LG"), and its parser knows an echo by its text.
                const qsizetype shortest = session->makerLines ? 1 : ShortestLineEndIndex;
                const bool ended =
                    answer.indexOf('\n') >= shortest || (session->makerLines && answer.indexOf('\r') >= shortest);
                if (ended && session->parser && session->parser(answer))
                    session->result = Found{port, baudCode};
            }
            m_link->closePort(settings);
        }
    }
}
