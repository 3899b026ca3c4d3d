// The Ethernet link under bursts: 10,000 weighing lines, 100 to a TCP write or a UDP datagram, from a
// scale of the benchmark's own on loopback to the link, whose intake records what it is handed. Reports
// whether every line went on once and in order, and the time from the scale's last byte to the last line
// handed on. TCP bursts go back to back (TCP holds the scale back while the link is behind); UDP bursts a
// few milliseconds apart, as a real scale's prints come, since datagrams beyond the listener's bound are
// dropped by design. Prints figures; fails only when it cannot run.
#include "link/ethconnection.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

constexpr int lineCount = 10000;
constexpr int linesPerBurst = 100;
constexpr int udpBurstSpacingMs = 3;
constexpr int timeoutMs = 30000;

QByteArray line(int i)
{
    return QByteArray::number(i).rightJustified(11, ' ') + " kg\r\n";
}

QList<QByteArray> bursts()
{
    QList<QByteArray> all;
    for (int first = 0; first < lineCount; first += linesPerBurst) {
        QByteArray burst;
        for (int i = first; i < first + linesPerBurst; ++i)
            burst += line(i);
        all << burst;
    }
    return all;
}

bool waitFor(const std::function<bool()>& condition)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return condition();
}

// What the link handed on, and when, on the clock the scale's writes are timed by.
struct Recorder
{
    Recorder() { clock.start(); }
    void take(const QByteArray& text)
    {
        if (text != line(int(handed)))
            inOrder = false;
        ++handed;
        lastHandedNs = clock.nsecsElapsed();
    }

    QElapsedTimer clock;
    qint64 handed = 0;
    bool inOrder = true;
    qint64 lastHandedNs = 0;
    qint64 lastByteNs = 0;
};

void print(const char* link, const Recorder& recorder)
{
    std::printf("%s: %lld of %d lines handed on, %s; %.2f ms from the last byte to the last line, %.1f ms in all\n",
                link, static_cast<long long>(recorder.handed), lineCount,
                recorder.inOrder ? "in order, each once" : "NOT in order",
                double(recorder.lastHandedNs - recorder.lastByteNs) / 1e6, double(recorder.lastHandedNs) / 1e6);
}

bool runTcp()
{
    Recorder recorder;
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost))
        return false;
    EthConnection link([] { return ReadMode::Indication; }, [&](const QByteArray& text) { recorder.take(text); },
                       [](const QString&) { return HostAnswer(true); }, quint16(0));
    link.toggleConnection(quint8(EthProtocol::Tcp), QStringLiteral("127.0.0.1"), server.serverPort());
    if (!waitFor([&] { return server.hasPendingConnections(); }))
        return false;
    QTcpSocket* scale = server.nextPendingConnection();
    recorder.clock.start();
    // Straight to the socket, each burst one write, so that the moment of the last byte is known.
    for (const QByteArray& burst : bursts()) {
        qsizetype written = 0;
        while (written < burst.size()) {
            const ssize_t n =
                ::write(int(scale->socketDescriptor()), burst.constData() + written, size_t(burst.size() - written));
            if (n > 0)
                written += n;
            else
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
    }
    recorder.lastByteNs = recorder.clock.nsecsElapsed();
    waitFor([&] { return recorder.handed >= lineCount; });
    print("TCP", recorder);
    return true;
}

bool runUdp()
{
    Recorder recorder;
    QUdpSocket scale;
    if (!scale.bind(QHostAddress::LocalHost, 0))
        return false;
    EthConnection link([] { return ReadMode::Indication; }, [&](const QByteArray& text) { recorder.take(text); },
                       [](const QString&) { return HostAnswer(true); }, quint16(0));
    link.toggleConnection(quint8(EthProtocol::Udp), QStringLiteral("127.0.0.1"), scale.localPort());
    // The greeting says that the listener knows the scale.
    if (!scale.waitForReadyRead(timeoutMs))
        return false;
    scale.receiveDatagram();
    const quint16 listener = link.udpLocalPort();
    recorder.clock.start();
    const QList<QByteArray> all = bursts();
    for (const QByteArray& burst : all) {
        if (&burst != &all.constFirst()) {
            const QDeadlineTimer spacing(udpBurstSpacingMs);
            while (!spacing.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        scale.writeDatagram(burst, QHostAddress::LocalHost, listener);
    }
    recorder.lastByteNs = recorder.clock.nsecsElapsed();
    waitFor([&] { return recorder.handed >= lineCount; });
    print("UDP", recorder);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    std::printf("bench_ethbursts: %d lines, %d to a TCP write or a UDP datagram (UDP bursts %d ms apart)\n", lineCount,
                linesPerBurst, udpBurstSpacingMs);
    if (!runTcp() || !runUdp()) {
        std::fprintf(stderr, "bench_ethbursts: the loopback link could not be set up\n");
        return 1;
    }
    return 0;
}
