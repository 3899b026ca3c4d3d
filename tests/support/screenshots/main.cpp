// Writes a PNG of each of the main window's six panels, as a user would see them, under an X server of
// its own and in a temporary profile: kwelta_screenshots <output folder>
#include "support/temporaryprofile.h"
#include "support/xvfbserver.h"
#include "ui/formsettings.h"
#include "ui/mainform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv)
{
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    TemporaryProfile profile;
    XvfbServer server;
    if (!server.startForApplication("kwelta_screenshots"))
        return 1;
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Ostrel"));
    QApplication::setApplicationName(QStringLiteral("Kwelta"));
    FormSettings::setProgramFolderForTests(profile.path());
    QDir().mkpath(folder);

    TMainForm form;
    form.show();
    // Nothing activates a window without a window manager; the first activation loads the settings.
    form.activateWindow();
    QTest::qWait(300);

    const char* buttons[] = {"sbStatistics", "sbCommunication", "sbOptions", "sbAbout", "sbOptions2", "sbHelp"};
    for (const char* name : buttons) {
        auto* button = form.findChild<QAbstractButton*>(QString::fromLatin1(name));
        button->click();
        QTest::qWait(50);
        const QString file = QDir(folder).filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
        if (!form.grab().save(file)) {
            std::fprintf(stderr, "kwelta_screenshots: cannot write %s\n", qPrintable(file));
            return 1;
        }
        std::printf("%s\n", qPrintable(file));
    }
    return 0;
}
