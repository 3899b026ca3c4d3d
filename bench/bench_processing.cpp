// Throughput of the processing core: lines per second through the intake and parser (with the
// composed script run for each result), the same lines with the makers' formats chosen, the makers'
// shapes themselves, through the interpreter alone, and through report mode; and the cost of the log
// of arrivals: the same lines observed into it with no view attached (how the program runs while the
// monitor is hidden) and with one attached, and what its texts cost when a view shows them.
#include "processing/arrivallog.h"
#include "processing/processdata.h"
#include "support/fixedclock.h"
#include "support/recordingkeyboard.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

void report(const char* what, qint64 lines, qint64 elapsedNs)
{
    const double seconds = double(elapsedNs) / 1e9;
    std::printf("%-52s %10lld lines in %7.3f s = %12.0f lines/s\n", what, static_cast<long long>(lines), seconds,
                double(lines) / seconds);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    constexpr int lines = 500'000;

    ProcessingOptions options;
    options.typeIntoFocusedWindow = false;
    options.resultFormat = QStringLiteral("0.####");
    RecordingKeyboard keyboard;
    FixedClock clock;
    ProcessData processor(keyboard, clock, QLocale::c());
    processor.setOptions(options);
    const auto tell = [&] { processor.setOptions(options); };

    const QByteArray samples[] = {"     12.345 kg\r\n", "ST,GS,+  0.250 kg\r\n", "-  1,5 g\r\n", "N 120 pcs N\r\n",
                                  "12.5.0 kg\r\n"};
    QElapsedTimer timer;

    timer.start();
    for (int i = 0; i < lines; ++i)
        processor.takeScaleText(samples[i % 5]);
    report("parser + default script, no destination", lines, timer.nsecsElapsed());

    // The makers' recogniser looks at every line first; the target is no less than half the rate above.
    options.makerFormats = true;
    tell();
    timer.start();
    for (int i = 0; i < lines; ++i)
        processor.takeScaleText(samples[i % 5]);
    report("  the same lines, makers' formats chosen", lines, timer.nsecsElapsed());
    const QByteArray makerSamples[] = {"ST,GS,+012.3456  kg\r\n", "S-  186.65g\r\n", "+0142.02 GN\r\n",
                                       "\x02+00012.345kg\r\n", "OL\r\n"};
    timer.start();
    for (int i = 0; i < lines; ++i)
        processor.takeScaleText(makerSamples[i % 5]);
    report("  makers' shapes, makers' formats chosen", lines, timer.nsecsElapsed());
    options.makerFormats = false;

    // The log on, as the window has it: each line observed into it, silently while no view is attached.
    // The same lines without it first, since the figures above drift as the statistics grow.
    timer.start();
    for (int i = 0; i < lines; ++i)
        processor.takeScaleText(samples[i % 5]);
    report("the first lines again, no arrival log", lines, timer.nsecsElapsed());
    {
        ArrivalLog log;
        log.setLink(QStringLiteral("COM1"));
        processor.setArrivalObserver([&log](const Arrival& arrival) { log.record(arrival); });
        timer.start();
        for (int i = 0; i < lines; ++i)
            processor.takeScaleText(samples[i % 5]);
        report("  the same, arrival log, no view", lines, timer.nsecsElapsed());

        log.setAttached(true);
        int rowsSeen = 0;
        QObject::connect(&log, &QAbstractItemModel::rowsInserted, [&rowsSeen] { ++rowsSeen; });
        timer.start();
        for (int i = 0; i < lines; ++i)
            processor.takeScaleText(samples[i % 5]);
        report("  the same, a view attached (row signals)", lines, timer.nsecsElapsed());

        // What a view pays to show every row once: the texts are composed only when asked.
        timer.start();
        qsizetype characters = 0;
        for (int row = 0; row < log.rowCount(); ++row) {
            for (int column = 0; column < ArrivalLog::ColumnCount; ++column)
                characters += log.data(log.index(row, column)).toString().size();
        }
        report("  composing the texts of every row held", log.rowCount(), timer.nsecsElapsed());
        std::printf("rows signalled: %d, characters shown: %lld\n", rowsSeen, static_cast<long long>(characters));
        processor.setArrivalObserver({});
    }

    options.typeIntoFocusedWindow = true;
    tell();
    timer.start();
    for (int i = 0; i < lines; ++i) {
        processor.takeScaleText(samples[i % 5]);
        keyboard.events.clear();
    }
    report("parser + default script + typing rules (fake keys)", lines, timer.nsecsElapsed());
    options.typeIntoFocusedWindow = false;
    tell();

    timer.start();
    for (int i = 0; i < lines; ++i)
        processor.script().runScript(":c;:d;:t;:m;:u;:s;:a:#0D:#0A");
    report("interpreter, every field", lines, timer.nsecsElapsed());

    options.removeScannerFrame = true;
    options.dateBeforeReport = true;
    tell();
    timer.start();
    for (int i = 0; i < lines; ++i)
        processor.report().processReport(i % 2 ? QByteArray("SCAN0123456789\r\n") : QByteArray("Line of a report\r\n"));
    report("report mode, frame cutting and dates", lines, timer.nsecsElapsed());

    std::printf("results counted: %d\n", processor.statistics().count());
    return 0;
}
