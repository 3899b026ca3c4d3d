// The serial reader's figures on pseudo-terminals, with the bench playing the scale at the real pace of
// each line speed (ten bit times a byte):
//  - how long the event loop is held up at a time while a port is open and idle, at every speed;
//  - the time from the scale writing a line's LF to the first key arriving in another program's
//    window, at 4800 and 9600 bit/s, through the real reader, intake and X11 backend;
//  - a scale streaming 20 lines a second for a minute: lines lost or reordered, the largest pending text;
//  - the CPU used with a port open and idle.
// Prints figures only; it fails only when it cannot run. BENCH_SERIAL_STREAM_SECONDS shortens the stream.
#include "core/clock.h"
#include "core/global.h"
#include "link/comthread.h"
#include "link/sio.h"
#include "platform/keyboardinjector.h"
#include "processing/processdata.h"
#include "support/pacedscale.h"
#include "support/processfigures.h"
#include "support/pseudoterminal.h"
#include "support/receiver/receiverprocess.h"
#include "support/temporaryprofile.h"
#include "support/xvfbserver.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

namespace {

using SteadyClock = PacedScale::Clock;

constexpr int port = 1;

bool openPort(int baudCode)
{
    Global::SerialStopped = false;
    if (sio_open(port) != Sio::Ok || sio_ioctl(port, baudCode, Sio::LineMode8N1) != Sio::Ok)
        return false;
    sio_SetReadTimeouts(port, std::max(50 * (13 - baudCode), 50), 50);
    return true;
}

void closePort(std::unique_ptr<ComThread>& reader)
{
    Global::SerialStopped = true;
    reader.reset();
    sio_close(port);
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(fraction * double(values.size() - 1) + 0.5))];
}

// The longest stretch beyond 1 ms between the ticks of a 1 ms timer: how long the loop was held up.
double longestBlockMs(int durationMs)
{
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last != 0)
            longest = std::max(longest, now - last);
        last = now;
    });
    clock.start();
    ticker.start();
    QEventLoop loop;
    QTimer::singleShot(durationMs, &loop, &QEventLoop::quit);
    loop.exec();
    return std::max(0.0, double(longest) / 1e6 - 1.0);
}

void idleLoopBlocking()
{
    std::printf("\nEvent loop held up with an open, idle port (longest gap of a 1 ms timer, less 1 ms), 1 s each:\n");
    double worst = 0;
    const double baseline = longestBlockMs(1000);
    for (int code = 0; code < Sio::BaudCodeCount; ++code) {
        if (!openPort(code)) {
            std::printf("  %6d bit/s: cannot open the port\n", Sio::bitRate(code));
            continue;
        }
        auto reader = std::make_unique<ComThread>(
            port, 4096, [] { return ReadMode::Indication; }, [](const QByteArray&) {});
        reader->start();
        const double blocked = longestBlockMs(1000);
        closePort(reader);
        worst = std::max(worst, blocked);
        std::printf("  %6d bit/s: %.2f ms\n", Sio::bitRate(code), blocked);
    }
    std::printf("  worst %.2f ms (target at most 5 ms); the same loop with no port open: %.2f ms\n", worst, baseline);
}

void cpuWhileIdle()
{
    constexpr int seconds = 10;
    openPort(12);
    auto reader = std::make_unique<ComThread>(
        port, 4096, [] { return ReadMode::Indication; }, [](const QByteArray&) {});
    reader->start();
    const double before = processCpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double after = processCpuSeconds();
    closePort(reader);
    const double used = after - before;
    std::printf("\nCPU with an open idle port at 9600 bit/s over %d s: %.3f %% of a core (target under 1 %%)\n",
                seconds, 100.0 * used / seconds);
}

void lineToKeyLatency(const PseudoTerminal& line, ReceiverProcess& receiver, ProcessData& processData, int baudCode)
{
    constexpr int lines = 100;
    openPort(baudCode);
    auto reader = std::make_unique<ComThread>(
        port, 4096, [] { return ReadMode::Indication; },
        [&processData](const QByteArray& text) { processData.takeScaleText(text); });
    reader->start();
    const PacedScale scale(line, Sio::bitRate(baudCode));

    std::vector<double> latencies;
    int missing = 0;
    quint32 seed = 2024;
    for (int index = 0; index < lines; ++index) {
        receiver.clearKeys();
        const QByteArray weight = QByteArray::number(10 + index % 10) + "." + QByteArray::number(100 + index);
        // Lines of different lengths end at every phase of the reader's 30 ms rhythm, which starts with
        // a line's first byte.
        seed = seed * 1103515245u + 12345u;
        const qsizetype width = 8 + qsizetype((seed >> 16) % 16);
        std::atomic<bool> sent = false;
        SteadyClock::time_point lineFeed;
        std::thread writer([&] {
            lineFeed = scale.send(weight.rightJustified(width, ' ') + " kg\r\n");
            sent = true;
        });
        const bool arrived = receiver.waitFor([&] { return sent && !receiver.keys().isEmpty(); }, 5000);
        const auto firstKey = SteadyClock::now();
        writer.join();
        if (arrived)
            latencies.push_back(std::chrono::duration<double, std::milli>(firstKey - lineFeed).count());
        else
            ++missing;
        // Let the rest of the line's keys arrive before the next one starts.
        receiver.waitFor([&] { return receiver.keys().size() >= 11; }, 2000);
        receiver.waitFor([] { return false; }, 50);
    }
    closePort(reader);
    std::printf("  %5d bit/s: %d lines, first key after the LF: median %.1f ms, 95th percentile %.1f ms, "
                "worst %.1f ms%s\n",
                Sio::bitRate(baudCode), lines, percentile(latencies, 0.5), percentile(latencies, 0.95),
                percentile(latencies, 1.0), missing ? " (some lines never arrived)" : "");
}

void streaming(const PseudoTerminal& line)
{
    const int seconds = qEnvironmentVariableIntValue("BENCH_SERIAL_STREAM_SECONDS") > 0
                            ? qEnvironmentVariableIntValue("BENCH_SERIAL_STREAM_SECONDS")
                            : 60;
    const int count = 20 * seconds;
    openPort(12);
    QList<QByteArray> received;
    auto reader = std::make_unique<ComThread>(
        port, 4096, [] { return ReadMode::Indication; },
        [&received](const QByteArray& text) { received.append(text); });
    reader->start();

    std::atomic<bool> done = false;
    std::thread writer([&] {
        const PacedScale scale(line, 9600);
        auto next = SteadyClock::now();
        for (int index = 1; index <= count; ++index) {
            std::this_thread::sleep_until(next);
            scale.send(QByteArray::number(index).rightJustified(11, ' ') + " kg\r\n");
            next += std::chrono::milliseconds(50);
        }
        done = true;
    });
    qsizetype largestPending = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout,
                     [&] { largestPending = std::max(largestPending, reader->pending().size()); });
    sampler.start(5);
    QEventLoop loop;
    QTimer finished;
    QObject::connect(&finished, &QTimer::timeout, [&] {
        if (done && received.size() >= count)
            loop.quit();
    });
    finished.start(50);
    QTimer::singleShot((seconds + 10) * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    writer.join();
    closePort(reader);

    int inOrder = 0;
    for (qsizetype index = 0; index < received.size(); ++index) {
        if (received[index].trimmed() == QByteArray::number(index + 1) + " kg")
            ++inOrder;
    }
    std::printf("\nStreaming 20 lines/s at 9600 bit/s for %d s: %lld of %d lines received, %d in their place, "
                "largest pending text %lld bytes\n",
                seconds, static_cast<long long>(received.size()), count, inOrder,
                static_cast<long long>(largestPending));
}

} // namespace

int main(int argc, char** argv)
{
    TemporaryProfile profile;
    XvfbServer server;
    if (!server.startForApplication("bench_serial"))
        return EXIT_FAILURE;
    QGuiApplication application(argc, argv);

    PseudoTerminal line;
    if (!line.isValid() || !linkPort(profile, port, line.slavePath())) {
        std::fprintf(stderr, "bench_serial cannot run: no pseudo-terminal\n");
        return EXIT_FAILURE;
    }
    ReceiverProcess receiver;
    if (!receiver.start(QStringLiteral(KWELTA_RECEIVER_PATH))) {
        std::fprintf(stderr, "bench_serial cannot run: %s\n", qPrintable(receiver.errorString()));
        return EXIT_FAILURE;
    }
    const std::unique_ptr<KeyboardInjector> keyboard = createKeyboardInjector();
    ProcessData processData(*keyboard, Clock::system());

    std::printf("bench_serial: the polling reader on a pseudo-terminal, keys into the receiver window on %s\n",
                qPrintable(server.display()));
    idleLoopBlocking();
    std::printf("\nFrom the LF leaving the scale to the first key in the focused window:\n");
    lineToKeyLatency(line, receiver, processData, 10);
    lineToKeyLatency(line, receiver, processData, 12);
    streaming(line);
    cpuWhileIdle();
    return EXIT_SUCCESS;
}
