#include "link/portsearch.h"

#include "link/obsport.h"
#include "link/sio.h"

#include <QPointer>
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

class SerialPortSearchLink : public PortSearchLink
{
public:
    bool openPort(const TPortSettings& settings) override { return ObsPort::OpenPort(settings); }
    int setReadTimeouts(int port, int totalMs, int intervalMs) override
    {
        return sio_SetReadTimeouts(port, totalMs, intervalMs);
    }
    int putch(int port, int byte) override { return sio_putch(port, byte); }
    int read(int port, char* buffer, int count) override { return sio_read(port, buffer, count); }
    void closePort(const TPortSettings& settings) override { ObsPort::ClosePort(settings); }
};

} // namespace

PortSearch::PortSearch(std::unique_ptr<PortSearchLink> link, QObject* parent)
    : QObject(parent)
    , m_link(link ? std::move(link) : std::make_unique<SerialPortSearchLink>())
{}

PortSearch::~PortSearch()
{
    closeOpenPort();
    if (m_running)
        Global::PortProbing = false;
}

void PortSearch::setAnswerParser(AnswerParser parser)
{
    m_parser = std::move(parser);
}

std::optional<PortSearch::Found> PortSearch::run(const std::function<int()>& maxPort)
{
    if (m_running)
        return std::nullopt;
    m_running = true;
    Global::PortProbing = true;
    Global::PortConfigured = false;
    const QPointer<PortSearch> alive(this);

    std::optional<Found> found;
    for (int port = 1; port <= maxPort() && !Global::PortConfigured; ++port) {
        for (const int baudCode : BaudCodes) {
            if (Global::PortConfigured)
                break;
            TPortSettings& settings = Global::PortSettings;
            settings.Port = port;
            settings.BaudCode = baudCode;
            ObsPort::ResetPortSettings(settings);
            if (!m_link->openPort(settings))
                break;
            m_openPort = port;
            m_link->setReadTimeouts(port, readTotalMs(baudCode), ReadIntervalMs);
            emit trying(port, baudCode, 0);
            if (!alive)
                return std::nullopt;

            for (int attempt = 1; attempt <= AttemptsPerSpeed && !Global::PortConfigured; ++attempt) {
                emit trying(port, baudCode, attempt);
                if (!alive)
                    return std::nullopt;
                // The scale may still be busy with the previous request.
                if (attempt > 1)
                    QThread::msleep(AttemptPauseMs);
                for (const int byte : {int('S'), int('I'), 13, 10})
                    m_link->putch(port, byte);
                char buffer[AnswerBytes];
                const int count = m_link->read(port, buffer, AnswerBytes);
                const QByteArray answer(buffer, std::max(count, 0));
                // A maker's result can be shorter ("1250LG"), and its parser knows an echo by its text.
                const qsizetype shortest = m_makerLines ? 1 : ShortestLineEndIndex;
                const bool ended =
                    answer.indexOf('\n') >= shortest || (m_makerLines && answer.indexOf('\r') >= shortest);
                if (ended && m_parser)
                    m_parser(answer);
            }
            closeOpenPort();
            if (Global::PortConfigured)
                found = Found{port, baudCode};
        }
    }

    Global::PortProbing = false;
    m_running = false;
    return found;
}

void PortSearch::closeOpenPort()
{
    if (m_openPort == 0)
        return;
    TPortSettings settings = Global::PortSettings;
    settings.Port = m_openPort;
    m_openPort = 0;
    m_link->closePort(settings);
}
