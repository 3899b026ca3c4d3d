// A scale that streams without pause, through the real reader, intake, typing and output file, on a
// pseudo-terminal paced at the line speed:
//  - at 9600 bit/s into keystrokes (the receiver window) and the file, and at 115200 bit/s into the file
//    alone: lines sent, lines handed to the intake, records in the file, and the largest lag from a
//    line's LF leaving the scale to its record being in the file;
//  - with BENCH_STREAM_SOAK_SECONDS set (600 or more for a soak run; not part of `make bench`), 20 lines
//    a second into keystrokes and the file for that long: lost, duplicated or reordered lines, and the
//    CPU and resident memory of every minute.
// BENCH_STREAM_SECONDS shortens the two streams (60). Prints figures; fails only when it cannot run.
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
#include <QFile>
#include <QGuiApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using SteadyClock = PacedScale::Clock;
constexpr int port = 1;

struct StreamResult
{
    qint64 keysExpected = 0;
    qint64 keysReceived = 0;
    int sent = 0;
    int handed = 0;
    int recorded = 0;
    int inPlace = 0;
    double largestLagMs = 0;
    double cpuPercent = 0;
};

// One line per index, the index as the weight, so that the file's records can be checked in order.
QByteArray scaleLine(int index)
{
    return QByteArray::number(index).rightJustified(10, ' ') + " kg\r\n";
}

// The keys of lines 1..count: the digits, Tab, k, g, Tab and Enter.
qint64 expectedKeys(int count)
{
    qint64 keys = 0;
    for (int index = 1; index <= count; ++index)
        keys += QByteArray::number(index).size() + 5;
    return keys;
}

// Streams lines 1, 2, ... for the given time, each starting linesPerSecond apart (0: back to back at the
// line speed), and runs the reader and the intake on this thread meanwhile. Minute figures go to
// progress when it is set.
StreamResult stream(const PseudoTerminal& line, ProcessData& processData, ReceiverProcess* receiver, int baudCode,
                    int seconds, int linesPerSecond, const QString& outputFile,
                    const std::function<void(int minute, double cpu, qint64 kib)>& progress = {})
{
    QFile::remove(outputFile);
    ProcessingOptions options = processData.options();
    options.outputFile = outputFile;
    processData.setOptions(options);
    Global::SerialStopped = false;
    if (sio_open(port) != Sio::Ok || sio_ioctl(port, baudCode, Sio::LineMode8N1) != Sio::Ok) {
        std::fprintf(stderr, "bench_stream: cannot open the port\n");
        std::exit(EXIT_FAILURE);
    }
    sio_SetReadTimeouts(port, std::max(50 * (13 - baudCode), 50), 50);

    std::mutex sentMutex;
    std::vector<SteadyClock::time_point> lineFeeds(1, SteadyClock::time_point());
    std::atomic<bool> done = false;
    std::atomic<int> sent = 0;
    StreamResult result;
    auto reader = std::make_unique<ComThread>(
        port, 4096, [] { return ReadMode::Indication; },
        [&](const QByteArray& text) {
            ++result.handed;
            processData.takeScaleText(text);
            const int index = text.trimmed().split(' ').value(0).toInt();
            const std::lock_guard lock(sentMutex);
            if (index > 0 && index < int(lineFeeds.size()))
                result.largestLagMs =
                    std::max(result.largestLagMs,
                             std::chrono::duration<double, std::milli>(SteadyClock::now() - lineFeeds[index]).count());
        });
    reader->start();

    const PacedScale scale(line, Sio::bitRate(baudCode));
    const auto end = SteadyClock::now() + std::chrono::seconds(seconds);
    std::thread writer([&] {
        auto next = SteadyClock::now();
        for (int index = 1; SteadyClock::now() < end; ++index) {
            const SteadyClock::time_point lineFeed = scale.send(scaleLine(index), next);
            {
                const std::lock_guard lock(sentMutex);
                lineFeeds.push_back(lineFeed);
            }
            sent = index;
            next = linesPerSecond > 0 ? next + std::chrono::microseconds(1'000'000 / linesPerSecond)
                                      : lineFeed + scale.byteTime();
        }
        done = true;
    });

    const double cpuBefore = processCpuSeconds();
    double cpuMinute = cpuBefore;
    int minute = 0;
    QElapsedTimer elapsed;
    elapsed.start();
    QEventLoop loop;
    QTimer check;
    if (receiver)
        receiver->clearKeys();
    QObject::connect(&check, &QTimer::timeout, [&] {
        // Counted and let go, or the list of keys alone would grow through a long run.
        if (receiver) {
            result.keysReceived += receiver->keys().size();
            receiver->clearKeys();
        }
        if (progress && elapsed.elapsed() >= (minute + 1) * 60'000LL) {
            ++minute;
            const double cpu = processCpuSeconds();
            progress(minute, 100.0 * (cpu - cpuMinute) / 60.0, residentKiB());
            cpuMinute = cpu;
        }
        // Done once the last line sent has been handed on and its keys are in, or nothing more comes.
        if (done && result.handed >= sent && (!receiver || result.keysReceived >= expectedKeys(sent)))
            loop.quit();
    });
    check.start(20);
    QTimer::singleShot((seconds + 20) * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    writer.join();
    result.cpuPercent = 100.0 * (processCpuSeconds() - cpuBefore) / (double(elapsed.elapsed()) / 1000.0);
    Global::SerialStopped = true;
    reader.reset();
    sio_close(port);

    result.sent = sent;
    if (receiver)
        result.keysExpected = expectedKeys(sent);
    QFile file(outputFile);
    if (file.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> records = file.readAll().split('\n');
        for (const QByteArray& record : records) {
            if (record.isEmpty())
                continue;
            ++result.recorded;
            if (record.split('\t').value(0) == QByteArray::number(result.recorded))
                ++result.inPlace;
        }
    }
    return result;
}

void report(const char* what, const StreamResult& result)
{
    std::printf("  %s: %d lines sent, %d handed on, %d records in the file, %d of them in their place; "
                "largest lag from LF to record %.1f ms; CPU %.1f %% of a core\n",
                what, result.sent, result.handed, result.recorded, result.inPlace, result.largestLagMs,
                result.cpuPercent);
    if (result.keysExpected > 0)
        std::printf("    keys in the receiver window: %lld of %lld\n", static_cast<long long>(result.keysReceived),
                    static_cast<long long>(result.keysExpected));
}

} // namespace

int main(int argc, char** argv)
{
    TemporaryProfile profile;
    XvfbServer server;
    if (!server.startForApplication("bench_stream"))
        return EXIT_FAILURE;
    QGuiApplication application(argc, argv);

    PseudoTerminal line;
    if (!line.isValid() || !linkPort(profile, port, line.slavePath())) {
        std::fprintf(stderr, "bench_stream cannot run: no pseudo-terminal\n");
        return EXIT_FAILURE;
    }
    ReceiverProcess receiver;
    if (!receiver.start(QStringLiteral(KWELTA_RECEIVER_PATH))) {
        std::fprintf(stderr, "bench_stream cannot run: %s\n", qPrintable(receiver.errorString()));
        return EXIT_FAILURE;
    }
    const std::unique_ptr<KeyboardInjector> keyboard = createKeyboardInjector();
    ProcessingOptions options;
    options.appendToFile = true;
    ProcessData processData(*keyboard, Clock::system());
    const auto typeKeys = [&](bool on) {
        options.typeIntoFocusedWindow = on;
        processData.setOptions(options);
    };
    const QString output = profile.filePath(QStringLiteral("records.txt"));

    const int soakSeconds = qEnvironmentVariableIntValue("BENCH_STREAM_SOAK_SECONDS");
    if (soakSeconds > 0) {
        // BENCH_STREAM_SOAK_RATE and BENCH_STREAM_SOAK_KEYS=0 change the rate and leave the keys out, to
        // find where a change in the figures comes from.
        const int rate = qEnvironmentVariableIsSet("BENCH_STREAM_SOAK_RATE")
                             ? qEnvironmentVariableIntValue("BENCH_STREAM_SOAK_RATE")
                             : 20;
        typeKeys(qEnvironmentVariable("BENCH_STREAM_SOAK_KEYS") != u"0");
        std::printf("bench_stream: soak run, %d lines a second into %s for %d s\n", rate,
                    options.typeIntoFocusedWindow ? "keystrokes and the file" : "the file", soakSeconds);
        const StreamResult result = stream(line, processData, options.typeIntoFocusedWindow ? &receiver : nullptr, 12,
                                           soakSeconds, rate, output, [](int minute, double cpu, qint64 kib) {
                                               std::printf("  minute %3d: CPU %.1f %% of a core, resident %lld KiB\n",
                                                           minute, cpu, static_cast<long long>(kib));
                                               std::fflush(stdout);
                                           });
        report("soak", result);
        return EXIT_SUCCESS;
    }

    const int seconds = qEnvironmentVariableIntValue("BENCH_STREAM_SECONDS") > 0
                            ? qEnvironmentVariableIntValue("BENCH_STREAM_SECONDS")
                            : 60;
    std::printf("bench_stream: a scale streaming back to back for %d s (targets: nothing lost; lag under 100 ms "
                "at 9600 bit/s)\n",
                seconds);
    typeKeys(true);
    report("9600 bit/s, keystrokes and file", stream(line, processData, &receiver, 12, seconds, 0, output));
    typeKeys(false);
    report("115200 bit/s, file alone", stream(line, processData, nullptr, 16, seconds, 0, output));
    return EXIT_SUCCESS;
}
