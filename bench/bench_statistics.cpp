// The cost of one result over a long run: results go through the intake into the real window, whose
// statistics panel is showing, under an X server of the benchmark's own. Prints the time per result for
// the first and the last thousand and the resident memory as the run goes on. The program must keep up
// for days, so the cost of a result may not grow with the number of results before it.
// BENCH_STATISTICS_RESULTS changes the number of results (100000).
#include "core/global.h"
#include "processing/processdata.h"
#include "support/processfigures.h"
#include "support/pseudoterminal.h"
#include "support/temporaryprofile.h"
#include "support/xvfbserver.h"
#include "ui/mainwindow.h"
#include "ui/settingskeeper.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    const int results = qEnvironmentVariableIsSet("BENCH_STATISTICS_RESULTS")
                            ? qEnvironmentVariableIntValue("BENCH_STATISTICS_RESULTS")
                            : 100000;
    TemporaryProfile profile;
    NoMachineSerialPorts noDevices;
    XvfbServer server;
    if (!server.startForApplication("bench_statistics"))
        return EXIT_FAILURE;
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Ostrel"));
    QApplication::setApplicationName(QStringLiteral("Kwelta"));
    SettingsKeeper::setProgramFolderForTests(profile.path());

    MainWindow form;
    form.show();
    form.activateWindow();
    if (!QTest::qWaitForWindowActive(&form))
        return EXIT_FAILURE;
    // The start-up's port search and opening are not what is measured.
    form.findChild<QTimer*>(QStringLiteral("startUpTimer"))->stop();
    form.findChild<QCheckBox*>(QStringLiteral("typeIntoFocusBox"))->setChecked(false);
    form.findChild<QCheckBox*>(QStringLiteral("appendToFileBox"))->setChecked(false);
    form.findChild<QAbstractButton*>(QStringLiteral("statisticsButton"))->click();
    QApplication::processEvents();

    // A long run: each line as it comes, also into a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("bench_statistics: %d results into the window with the statistics panel showing\n", results);
    const qint64 startKiB = residentKiB();
    QElapsedTimer clock;
    double firstThousandMs = 0;
    double lastThousandMs = 0;
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < results; ++i) {
        // Weights that wander, so that the chart's scale keeps moving as on a real scale.
        const QByteArray line =
            QByteArray::number(10.0 + (i % 997) * 0.013, 'f', 3).rightJustified(11, ' ') + " kg\r\n";
        clock.start();
        form.processData().takeScaleText(line);
        // The refresh is queued; it and the repaint it asks for run here as in the event loop.
        QApplication::processEvents();
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (i < 1000)
            firstThousandMs += ms;
        if (i >= results - 1000)
            lastThousandMs += ms;
        if ((i + 1) % (results / 10 > 0 ? results / 10 : 1) == 0)
            std::printf("  after %6d results: %.3f ms per result so far, resident %lld KiB (+%lld)\n", i + 1,
                        double(total.nsecsElapsed()) / 1e6 / (i + 1), residentKiB(), residentKiB() - startKiB);
    }
    std::printf("first 1000: %.3f ms per result\n", firstThousandMs / 1000);
    std::printf("last 1000:  %.3f ms per result (%.2fx the first; target 1.5x at most)\n", lastThousandMs / 1000,
                lastThousandMs / firstThousandMs);
    const qint32 counted = form.processData().statistics().count();
    std::printf("count %d, resident memory growth %lld KiB\n", counted, residentKiB() - startKiB);
    return counted == results ? EXIT_SUCCESS : EXIT_FAILURE;
}
