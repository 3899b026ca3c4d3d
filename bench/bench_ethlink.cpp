// The Ethernet link of the real program, end to end, over TCP and over UDP on loopback. Kwelta runs as
// a process of its own from a profile that opens the link at start, so what is measured is what a user
// has: its window's event loop, the link, the supervision's echo requests, the processing and the XTest
// typing, with nothing of the benchmark in its process. The scale is a stand-in of the benchmark's own,
// so that the moment each line's LF is written is known exactly.
//  - Latency from the stand-in writing a line's LF to the first key of that line reaching the focused
//    receiver window (as the receiver reports it on its pipe), lines far enough apart not to queue.
//  - The program's CPU over a stretch with the link open and idle, the echo request every 3 s included.
// UDP needs the program's fixed local port 1001: root, or cap_net_bind_service on the program.
// Prints figures; fails only when it cannot run.
#include "core/settingsstore.h"
#include "support/processfigures.h"
#include "support/receiver/receiverprocess.h"
#include "support/temporaryprofile.h"
#include "support/xvfbserver.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QMap>
#include <QNetworkDatagram>
#include <QProcess>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int warmUpLines = 5;
constexpr int warmUpAttempts = 20;
constexpr int warmUpTimeoutMs = 250;
constexpr int measuredLines = 300;
// Far above the latencies looked for, so that a line is typed before the next one is written.
constexpr auto lineSpacing = std::chrono::milliseconds(50);
constexpr int idleSeconds = 20;
constexpr int linkTimeoutMs = 15000;
constexpr int keyTimeoutMs = 2000;
constexpr double latencyTargetMs = 10.0;
constexpr double idleCpuTargetPercent = 1.0;

double millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Runs the event loop until the condition holds or the time is up, without spinning: the stand-ins'
// sockets and the program's process need the loop, the benchmark's CPU must not take the program's.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (condition() || deadline.hasExpired())
            loop.quit();
    });
    tick.start(5);
    if (!condition())
        loop.exec();
    return condition();
}

// The scale's side of the link.
class ScaleStandIn
{
public:
    virtual ~ScaleStandIn() = default;
    virtual bool listen() = 0;
    virtual quint16 port() const = 0;
    // Whether the program has reached the stand-in: a TCP connection, or the UDP listener's greeting.
    virtual bool linked() = 0;
    // Writes the line in one go and returns the moment of that write, LF included.
    virtual Clock::time_point send(const QByteArray& line) = 0;
};

class TcpScale : public ScaleStandIn
{
public:
    bool listen() override { return m_server.listen(QHostAddress::LocalHost, 0); }
    quint16 port() const override { return m_server.serverPort(); }
    bool linked() override
    {
        if (!m_client && m_server.hasPendingConnections())
            m_client = m_server.nextPendingConnection();
        return m_client && m_client->state() == QAbstractSocket::ConnectedState;
    }
    Clock::time_point send(const QByteArray& line) override
    {
        m_client->write(line);
        // flush() is the system call that hands the bytes to the connection; write() only buffers them.
        const Clock::time_point written = Clock::now();
        m_client->flush();
        return written;
    }

private:
    QTcpServer m_server;
    QTcpSocket* m_client = nullptr;
};

class UdpScale : public ScaleStandIn
{
public:
    // On 127.0.0.1 itself, the address the program is told and the only one it takes datagrams from.
    bool listen() override { return m_socket.bind(QHostAddress::LocalHost, 0); }
    quint16 port() const override { return m_socket.localPort(); }
    bool linked() override
    {
        while (m_socket.hasPendingDatagrams()) {
            const QNetworkDatagram greeting = m_socket.receiveDatagram();
            m_listener = greeting.senderAddress();
            m_listenerPort = quint16(greeting.senderPort());
        }
        return m_listenerPort != 0;
    }
    Clock::time_point send(const QByteArray& line) override
    {
        const Clock::time_point written = Clock::now();
        m_socket.writeDatagram(line, m_listener, m_listenerPort);
        return written;
    }

private:
    QUdpSocket m_socket;
    QHostAddress m_listener;
    quint16 m_listenerPort = 0;
};

// Counts the program's echo requests to 127.0.0.1 from its creation on, as a raw ICMP socket sees them
// arrive on loopback, to show the supervision at work while the link is idle. Other programs may ping
// the same address; the program's requests carry its process id as their identifier when it sends them
// through a raw socket, as it does where datagram ICMP sockets are not allowed (root's usual case; with
// datagram sockets the kernel chooses the identifier, and none is counted). Needs root or CAP_NET_RAW.
class EchoRequestCount
{
public:
    explicit EchoRequestCount(qint64 pid)
        : m_fd(::socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP))
        , m_identifier(quint16(pid))
    {}
    ~EchoRequestCount()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    EchoRequestCount(const EchoRequestCount&) = delete;
    EchoRequestCount& operator=(const EchoRequestCount&) = delete;

    // -1 when the socket could not be opened.
    int take()
    {
        if (m_fd < 0)
            return -1;
        unsigned char packet[256];
        ssize_t got = 0;
        while ((got = ::recv(m_fd, packet, sizeof packet, 0)) > 0) {
            const int headerLength = (packet[0] & 0x0f) * 4;
            // The IPv4 destination is at bytes 16 to 19; the ICMP header follows the IP header, its type
            // first and the identifier at bytes 4 and 5.
            if (got < headerLength + 8 || packet[headerLength] != 8)
                continue;
            const bool toLoopback = packet[16] == 127 && packet[17] == 0 && packet[18] == 0 && packet[19] == 1;
            const auto identifier = quint16((packet[headerLength + 4] << 8) | packet[headerLength + 5]);
            if (toLoopback && identifier == m_identifier)
                ++m_requests;
        }
        return m_requests;
    }

private:
    int m_fd;
    quint16 m_identifier;
    int m_requests = 0;
};

// Every stored value, so that the program loads these rather than falling back to its defaults; the
// format options are the defaults.
bool writeProfile(int protocol, quint16 scalePort)
{
    const QMap<QString, QString> values = {
        {QStringLiteral("Connection"), QStringLiteral("1")},
        {QStringLiteral("ComPort"), QStringLiteral("1")},
        {QStringLiteral("Baud"), QStringLiteral("12")},
        {QStringLiteral("EthIP"), QStringLiteral("127.0.0.1")},
        {QStringLiteral("EthPort"), QString::number(scalePort)},
        {QStringLiteral("EthProtocol"), QString::number(protocol)},
        {QStringLiteral("DecimalSeparator"), QStringLiteral("0")},
        {QStringLiteral("ComOpenOnStart"), QStringLiteral("1")},
        {QStringLiteral("AutoRun"), QStringLiteral("0")},
        {QStringLiteral("MinimizeOnStart"), QStringLiteral("0")},
        {QStringLiteral("OnlyOneInstance"), QStringLiteral("0")},
        {QStringLiteral("ReadFromScale"), QStringLiteral("0")},
        {QStringLiteral("SendFields"), QStringLiteral("0001100")},
        {QStringLiteral("InsBetweenFields"), QStringLiteral("2")},
        {QStringLiteral("InsAfterFields"), QStringLiteral("3")},
        {QStringLiteral("AdvancedOptions"), QStringLiteral("0")},
        {QStringLiteral("PortConfigured"), QStringLiteral("1")},
        {QStringLiteral("Language"), QStringLiteral("1045")},
        {QStringLiteral("RepeatTime"), QStringLiteral("1")},
        {QStringLiteral("RepeatUnit"), QStringLiteral("1")},
        {QStringLiteral("BufferSize"), QStringLiteral("4096")},
        {QStringLiteral("Destination"), QStringLiteral("1")},
        {QStringLiteral("OutputFile"), QString()},
        {QStringLiteral("SpecialShortCut"), QString()},
        {QStringLiteral("TareShortCut"), QString()},
        {QStringLiteral("ZeroShortCut"), QString()},
        {QStringLiteral("PrintShortCut"), QString()},
        {QStringLiteral("SpecialCheck"), QStringLiteral("0")},
        {QStringLiteral("TareCheck"), QStringLiteral("0")},
        {QStringLiteral("ZeroCheck"), QStringLiteral("0")},
        {QStringLiteral("PrintCheck"), QStringLiteral("0")},
        {QStringLiteral("ReadOnlyStable"), QStringLiteral("0")},
        {QStringLiteral("SpecialOrder"), QString()},
        {QStringLiteral("ResultFormat"), QStringLiteral("0.####")},
        {QStringLiteral("SetResultFormat"), QStringLiteral("0")},
        {QStringLiteral("ReportTime"), QStringLiteral("0")},
        {QStringLiteral("RemoveScanerFrame"), QStringLiteral("0")},
        {QStringLiteral("ReportDataDelay"), QStringLiteral("0")},
        {QStringLiteral("RepeatRead"), QStringLiteral("0")},
    };
    // A value added to the program later would otherwise make it load its defaults, serial port and all.
    for (const SettingDefinition& definition : SettingsTable) {
        if (!values.contains(QString(definition.name))) {
            std::fprintf(stderr, "bench_ethlink: the profile has no value for %s\n",
                         QString(definition.name).toUtf8().constData());
            return false;
        }
    }
    QSettings settings(SettingsStore::defaultFilePath(), QSettings::IniFormat);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        settings.setValue(it.key(), it.value());
    settings.sync();
    return settings.status() == QSettings::NoError;
}

// The program as a process of its own; it ends with the benchmark whatever happens.
class Program
{
public:
    ~Program()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    bool start()
    {
        m_process.setProgram(QStringLiteral(KWELTA_PROGRAM_PATH));
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_process.start();
        return m_process.waitForStarted(10000);
    }
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    qint64 pid() const { return m_process.processId(); }

private:
    QProcess m_process;
};

// Weights of the same width, so that every line is typed with the same keys: 15 bytes before the LF,
// the shortest line the link hands on.
QByteArray scaleLine(int index)
{
    return QByteArray::number(12.345 + 0.001 * (index % 500), 'f', 3).rightJustified(11, ' ') + " kg\r\n";
}

struct LineResult
{
    bool typed = false;
    double latencyMs = 0;
    qsizetype keys = 0;
};

// Sends one line and waits for its first key; the rest of its keys are counted until the next line's
// time has come.
LineResult sendLine(ScaleStandIn& scale, ReceiverProcess& receiver, int index, int timeoutMs = keyTimeoutMs)
{
    receiver.clearKeys();
    LineResult result;
    const Clock::time_point written = scale.send(scaleLine(index));
    Clock::time_point firstKey;
    result.typed = receiver.waitFor(
        [&] {
            if (receiver.keys().isEmpty())
                return false;
            firstKey = Clock::now();
            return true;
        },
        timeoutMs);
    if (result.typed)
        result.latencyMs = millisecondsBetween(written, firstKey);
    const Clock::time_point next = written + lineSpacing;
    receiver.waitFor([&] { return Clock::now() >= next; }, keyTimeoutMs);
    result.keys = receiver.keys().size();
    return result;
}

double percentile(const std::vector<double>& sorted, double fraction)
{
    const auto rank = std::size_t(std::ceil(fraction * double(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

bool measure(const char* name, int protocol, ScaleStandIn& scale)
{
    TemporaryProfile profile;
    if (!scale.listen() || !writeProfile(protocol, scale.port())) {
        std::fprintf(stderr, "bench_ethlink: %s: the stand-in or the profile could not be set up\n", name);
        return false;
    }
    Program program;
    if (!program.start()) {
        std::fprintf(stderr, "bench_ethlink: the program %s did not start\n", KWELTA_PROGRAM_PATH);
        return false;
    }
    QElapsedTimer linking;
    linking.start();
    if (!waitUntil([&] { return scale.linked() || !program.isRunning(); }, linkTimeoutMs) || !scale.linked()) {
        std::fprintf(stderr, "bench_ethlink: %s: the program did not reach the stand-in within %d s%s\n", name,
                     linkTimeoutMs / 1000,
                     protocol == 1 ? " (its UDP listener needs local port 1001: root or cap_net_bind_service, "
                                     "and no other program on the port)"
                                   : "");
        return false;
    }
    const qint64 linkedAfterMs = linking.elapsed();

    // Started after the program has opened the link, which comes after the program's window was
    // activated, so that the receiver keeps the focus from then on.
    ReceiverProcess receiver;
    if (!receiver.start(QStringLiteral(KWELTA_RECEIVER_PATH))) {
        std::fprintf(stderr, "bench_ethlink: %s\n", qPrintable(receiver.errorString()));
        return false;
    }

    // Qt's xcb plugin keeps the program's window active for a moment after it lost the X focus (it
    // waits for a focus-in to another window of its own), and nothing is typed into the program's own
    // window meanwhile; so lines go until one is typed. The first typed line also loads what a first
    // burst needs. These are shown, not counted.
    int index = 0;
    int untyped = 0;
    LineResult first;
    while (!first.typed && untyped < warmUpAttempts) {
        first = sendLine(scale, receiver, index++, warmUpTimeoutMs);
        untyped += first.typed ? 0 : 1;
    }
    if (!first.typed) {
        std::fprintf(stderr, "bench_ethlink: %s: none of %d lines was typed into the receiver window\n", name,
                     warmUpAttempts);
        return false;
    }
    for (int i = 1; i < warmUpLines; ++i)
        sendLine(scale, receiver, index++);

    std::vector<double> latencies;
    qsizetype fewestKeys = std::numeric_limits<qsizetype>::max();
    qsizetype mostKeys = 0;
    for (int i = 0; i < measuredLines; ++i) {
        const LineResult line = sendLine(scale, receiver, index++);
        if (!line.typed)
            continue;
        latencies.push_back(line.latencyMs);
        fewestKeys = std::min(fewestKeys, line.keys);
        mostKeys = std::max(mostKeys, line.keys);
    }
    std::sort(latencies.begin(), latencies.end());

    std::printf("  %s: linked %lld ms after the process started; %d line(s) not typed while the program's window "
                "counted as active, then the first typed in %.2f ms (not counted)\n",
                name, static_cast<long long>(linkedAfterMs), untyped, first.latencyMs);
    std::printf("    %zu of %d lines typed", latencies.size(), measuredLines);
    if (!latencies.empty())
        std::printf(", %lld to %lld keys each; LF written to first key in the window: median %.2f ms, p95 %.2f ms "
                    "(target <= %.0f ms), max %.2f ms",
                    static_cast<long long>(fewestKeys), static_cast<long long>(mostKeys), percentile(latencies, 0.5),
                    percentile(latencies, 0.95), latencyTargetMs, latencies.back());
    std::printf("\n");
    std::fflush(stdout);

    // The last line's keys settle first.
    waitUntil([] { return false; }, 1000);
    EchoRequestCount echoRequests(program.pid());
    const double cpuBefore = processCpuSeconds(program.pid());
    QElapsedTimer idle;
    idle.start();
    waitUntil([&] { return !program.isRunning(); }, idleSeconds * 1000);
    const double cpuAfter = processCpuSeconds(program.pid());
    const double idleTime = double(idle.nsecsElapsed()) / 1e9;
    const int echoes = echoRequests.take();
    const qint64 resident = residentKiB(program.pid());
    if (cpuBefore < 0 || cpuAfter < 0) {
        std::fprintf(stderr, "bench_ethlink: %s: the program's CPU time could not be read\n", name);
        return false;
    }
    // Whether the link survived its idle time: a line still arrives.
    const LineResult afterIdle = sendLine(scale, receiver, index++);
    std::printf("    idle link for %.1f s: CPU %.2f %% of a core (target < %.0f %%; %.0f ms, counted in steps of "
                "%.0f ms), %s echo requests, resident %.1f MB; a line after it %s\n",
                idleTime, 100.0 * (cpuAfter - cpuBefore) / idleTime, idleCpuTargetPercent,
                1000.0 * (cpuAfter - cpuBefore), 1000.0 / double(::sysconf(_SC_CLK_TCK)),
                echoes < 0 ? "uncounted" : qPrintable(QString::number(echoes)), double(resident) / 1024.0,
                afterIdle.typed ? qPrintable(QStringLiteral("typed in %1 ms").arg(afterIdle.latencyMs, 0, 'f', 2))
                                : "NOT typed");
    std::fflush(stdout);
    receiver.stop();
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    XvfbServer server;
    if (!server.startForApplication("bench_ethlink"))
        return EXIT_FAILURE;
    QCoreApplication application(argc, argv);

    std::printf("bench_ethlink: kwelta as a process, the scale a stand-in on 127.0.0.1, %d lines %lld ms apart, "
                "then %d s idle\n",
                measuredLines, static_cast<long long>(lineSpacing.count()), idleSeconds);
    std::fflush(stdout);
    bool ran = true;
    {
        TcpScale tcp;
        ran = measure("TCP", 0, tcp) && ran;
    }
    {
        UdpScale udp;
        ran = measure("UDP", 1, udp) && ran;
    }
    return ran ? EXIT_SUCCESS : EXIT_FAILURE;
}
