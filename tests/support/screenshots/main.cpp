// Writes a PNG of each of the main window's six panels, and of the port search dialog that a first
// start shows, as a user would see them, under an X server of its own and in a temporary profile in
// which no serial device of this machine is searched or opened: kwelta_screenshots <output folder>.
// QT_SCALE_FACTOR takes effect as for the program.
#include "support/pseudoterminal.h"
#include "support/temporaryprofile.h"
#include "support/xvfbserver.h"
#include "ui/mainwindow.h"
#include "ui/settingskeeper.h"

#include "processing/processdata.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

bool save(QWidget& widget, const QString& folder, const QString& name)
{
    const QString file = QDir(folder).filePath(name + QStringLiteral(".png"));
    if (!widget.grab().save(file)) {
        std::fprintf(stderr, "kwelta_screenshots: cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

// The search at a first start ends in a few seconds when no port opens; the dialog then waits for
// the user, whose part this plays.
constexpr int SearchTimeoutMs = 20000;

} // namespace

int main(int argc, char** argv)
{
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    TemporaryProfile profile;
    NoMachineSerialPorts noMachinePorts;
    XvfbServer server;
    if (!server.startForApplication("kwelta_screenshots"))
        return 1;
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Ostrel"));
    QApplication::setApplicationName(QStringLiteral("Kwelta"));
    SettingsKeeper::setProgramFolderForTests(profile.path());
    QDir().mkpath(folder);

    MainWindow form;
    form.show();
    // Nothing activates a window without a window manager; the first activation loads the settings.
    form.activateWindow();

    // The dialog runs its own event loop, so it is answered from a timer rather than after show().
    bool searchShown = false;
    bool searchSaved = false;
    QTimer searchWatch;
    searchWatch.setInterval(50);
    QObject::connect(&searchWatch, &QTimer::timeout, [&] {
        auto* dialog = form.findChild<QDialog*>(QStringLiteral("PortSearchDialog"));
        if (!dialog || !dialog->isVisible())
            return;
        searchShown = true;
        auto* retry = dialog->findChild<QAbstractButton*>(QStringLiteral("searchButton"));
        if (!retry || !retry->isEnabled())
            return;
        searchSaved = save(*dialog, folder, QStringLiteral("PortSearchDialog"));
        dialog->close();
        searchWatch.stop();
    });
    searchWatch.start();
    // The search opens from the start-up's timer; the window's title is set by the same step.
    if (!QTest::qWaitFor([&] { return searchShown && !searchWatch.isActive(); }, SearchTimeoutMs) || !searchSaved) {
        std::fprintf(stderr, "kwelta_screenshots: the port search of a first start did not end\n");
        return 1;
    }

    // A few results, so that the statistics page shows what a user at the scale sees; typed nowhere.
    form.findChild<QCheckBox*>(QStringLiteral("typeIntoFocusBox"))->setChecked(false);
    for (const char* line :
         {"  12.300 kg\r\n", "  14.200 kg\r\n", "   0.000 kg\r\n", "   3.141 kg\r\n", "  12.345 kg\r\n"})
        form.processData().takeScaleText(line);

    // Every page in the language of the start (Polish, nothing being stored), then in English.
    const char* buttons[] = {"statisticsButton", "communicationButton",  "formatOptionsButton",
                             "aboutButton",      "programOptionsButton", "helpButton"};
    for (const char* language : {"pl", "en"}) {
        if (QByteArrayView(language) == "en") {
            form.findChild<QAbstractButton*>(QStringLiteral("englishButton"))->click();
            QTest::qWait(50);
        }
        const QString pages = folder + u'/' + QString::fromLatin1(language);
        QDir().mkpath(pages);
        for (const char* name : buttons) {
            auto* button = form.findChild<QAbstractButton*>(QString::fromLatin1(name));
            button->click();
            QTest::qWait(50);
            if (!save(form, pages, QString::fromLatin1(name)))
                return 1;
        }
    }
    return 0;
}
