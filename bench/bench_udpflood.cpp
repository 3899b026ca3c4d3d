// The real program's UDP listener under a flood: a million datagrams from the scale's own address,
// then one result, and how long that result takes to reach the output file after the flood ended;
// with the program's resident memory before and at its highest during the flood. The listener's inbox
// drops the oldest lines beyond its bound, so that figure is what a user waits after a scale gone wild.
// UDP needs the program's fixed local port 1001: root, or cap_net_bind_service on the program.
// Prints figures; fails only when it cannot run.
#include "support/configuredsettings.h"
#include "support/datagramflood.h"
#include "support/filecontents.h"
#include "support/processfigures.h"
#include "support/temporaryprofile.h"
#include "support/xvfbserver.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QProcess>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sys/prctl.h>

namespace {

constexpr quint16 listenerPort = 1001;
constexpr qint64 floodDatagrams = 1'000'000;
constexpr int linkTimeoutMs = 15000;
constexpr int resultTimeoutMs = 30000;
constexpr int rounds = 3;

// Runs the event loop until the condition holds or the time is up, looking every few milliseconds.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs, int stepMs = 5)
{
    const QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (condition() || deadline.hasExpired())
            loop.quit();
    });
    tick.start(stepMs);
    if (!condition())
        loop.exec();
    return condition();
}

} // namespace

int main(int argc, char** argv)
{
    XvfbServer server;
    if (!server.startForApplication("bench_udpflood"))
        return EXIT_FAILURE;
    QCoreApplication application(argc, argv);

    TemporaryProfile profile;
    const QString outputFile = profile.filePath(QStringLiteral("results.txt"));
    QUdpSocket scale;
    if (!scale.bind(QHostAddress::LocalHost, 0) ||
        writeConfiguredSettings(profile, outputFile,
                                {{"Connection", "1"},
                                 {"EthIP", "127.0.0.1"},
                                 {"EthPort", QString::number(scale.localPort())},
                                 {"EthProtocol", "1"},
                                 {"ComOpenOnStart", "1"}}) != QSettings::NoError) {
        std::fprintf(stderr, "bench_udpflood: the stand-in or the profile could not be set up\n");
        return EXIT_FAILURE;
    }

    QProcess program;
    program.setProgram(QStringLiteral(KWELTA_PROGRAM_PATH));
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    program.start();
    if (!program.waitForStarted(10000)) {
        std::fprintf(stderr, "bench_udpflood: the program %s did not start\n", KWELTA_PROGRAM_PATH);
        return EXIT_FAILURE;
    }
    // The listener greets the scale once it is open.
    if (!waitUntil([&] { return scale.hasPendingDatagrams(); }, linkTimeoutMs)) {
        std::fprintf(stderr,
                     "bench_udpflood: the program's listener did not greet the stand-in within %d s (it needs local "
                     "port %d: root or cap_net_bind_service, and no other program on the port)\n",
                     linkTimeoutMs / 1000, listenerPort);
        program.kill();
        program.waitForFinished(5000);
        return EXIT_FAILURE;
    }
    scale.receiveDatagram();

    std::printf("bench_udpflood: kwelta as a process, %lld datagrams from the scale's address on 127.0.0.1, then "
                "one result; %d rounds\n",
                static_cast<long long>(floodDatagrams), rounds);
    std::fflush(stdout);
    bool ran = true;
    for (int round = 1; round <= rounds && ran; ++round) {
        const qint64 before = residentKiB(program.processId());
        qint64 peak = before;
        QElapsedTimer flooding;
        flooding.start();
        {
            DatagramFlood flood(int(scale.socketDescriptor()), listenerPort, "     99.999 kg\r\n", floodDatagrams);
            waitUntil(
                [&] {
                    peak = std::max(peak, residentKiB(program.processId()));
                    return flood.done();
                },
                600000, 20);
        }
        const qint64 floodMs = flooding.elapsed();
        // A value of its own each round, so the file's end tells this round's result apart.
        const QByteArray last = QByteArray::number(7.25 + round, 'f', 3).rightJustified(12, ' ') + " kg\r\n";
        const QByteArray lastFileLine = QByteArray::number(7.25 + round, 'f', 3) + "\tkg\t\r\n";
        QElapsedTimer sinceFlood;
        sinceFlood.start();
        scale.writeDatagram(last, QHostAddress::LocalHost, listenerPort);
        const bool arrived =
            waitUntil([&] { return fileContents(outputFile).endsWith(lastFileLine); }, resultTimeoutMs, 1);
        const qint64 resultMs = sinceFlood.elapsed();
        if (arrived) {
            std::printf("  round %d: flood sent in %lld ms; the result after it in the file %lld ms later "
                        "(target < 2000 ms); resident memory %lld KiB before, %lld KiB at most during it\n",
                        round, static_cast<long long>(floodMs), static_cast<long long>(resultMs),
                        static_cast<long long>(before), static_cast<long long>(peak));
        } else {
            std::printf("  round %d: the result after the flood did NOT reach the file within %d s\n", round,
                        resultTimeoutMs / 1000);
            ran = false;
        }
        std::fflush(stdout);
    }
    program.terminate();
    program.waitForFinished(10000);
    return ran ? EXIT_SUCCESS : EXIT_FAILURE;
}
