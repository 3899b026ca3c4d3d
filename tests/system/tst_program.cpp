// The real program, as separate processes on an X server of the test's own: whether a second start
// runs, and what it does to the first copy when it may not; what it answers on the command line; and
// that it runs from a folder of any name.
#include "support/bytenamedfiles.h"
#include "support/configuredsettings.h"
#include "support/filecontents.h"
#include "support/pseudoterminal.h"
#include "support/temporaryprofile.h"
#include "support/xscreen.h"
#include "support/xvfbserver.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTest>

#include <cstdio>

#include <unistd.h>

namespace {

constexpr int startTimeoutMs = 30000;

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void secondStart_data();
    void secondStart();
    void commandLine_data();
    void commandLine();
    void runsFromAFolderOfAnyName_data();
    void runsFromAFolderOfAnyName();

private:
    void storeSettings(const QByteArray& settings);
    std::unique_ptr<QProcess> startProgram();

    std::unique_ptr<TemporaryProfile> m_profile;
    std::vector<std::unique_ptr<QProcess>> m_programs;
};

void TestProgram::init()
{
    m_profile = std::make_unique<TemporaryProfile>();
}

void TestProgram::cleanup()
{
    for (const auto& program : m_programs) {
        program->terminate();
        if (!program->waitForFinished(5000))
            program->kill();
        program->waitForFinished(5000);
    }
    m_programs.clear();
    m_profile.reset();
}

void TestProgram::storeSettings(const QByteArray& settings)
{
    if (settings.isEmpty())
        return;
    const QString folder = m_profile->filePath(QStringLiteral("config/Ostrel"));
    QDir().mkpath(folder);
    QFile file(folder + QStringLiteral("/Kwelta.conf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(settings);
}

std::unique_ptr<QProcess> TestProgram::startProgram()
{
    auto program = std::make_unique<QProcess>();
    program->setProgram(QStringLiteral(KWELTA_PROGRAM_PATH));
    program->setProcessChannelMode(QProcess::ForwardedChannels);
    program->start();
    return program;
}

void TestProgram::secondStart_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<bool>("secondRuns");

    QTest::newRow("no settings file") << QByteArray() << true;
    QTest::newRow("one instance stored") << QByteArray("[General]\nOnlyOneInstance=1\n") << false;
    QTest::newRow("any number stored") << QByteArray("[General]\nOnlyOneInstance=0\n") << true;
    QTest::newRow("file without the value") << QByteArray("[General]\nComPort=3\n") << false;
}

void TestProgram::secondStart()
{
    QFETCH(QByteArray, settings);
    QFETCH(bool, secondRuns);

    storeSettings(settings);
    XScreen screen;

    m_programs.push_back(startProgram());
    QTRY_COMPARE_WITH_TIMEOUT(screen.windowsTitled("Kwelta").size(), 1, startTimeoutMs);
    const quint32 first = screen.windowsTitled("Kwelta").constFirst();
    screen.focusRoot();

    m_programs.push_back(startProgram());
    QProcess& second = *m_programs.back();
    if (secondRuns) {
        QTRY_COMPARE_WITH_TIMEOUT(screen.windowsTitled("Kwelta").size(), 2, startTimeoutMs);
        QCOMPARE(second.state(), QProcess::Running);
        return;
    }
    QVERIFY(second.waitForFinished(startTimeoutMs));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(screen.windowsTitled("Kwelta"), QList<quint32>{first});
    // The running copy came to the front and took the focus. A window of its own that holds it has the
    // focus instead: the message that stored settings could not be read (a file without every value),
    // which comes first, or at a start without stored settings the port search.
    const auto expected = [&screen, first] {
        for (const char* title : {"Ustawienia", "Autokonfiguracja portu"}) {
            const QList<quint32> shown = screen.windowsTitled(title);
            if (!shown.isEmpty())
                return shown.constFirst();
        }
        return first;
    };
    QTRY_COMPARE_WITH_TIMEOUT(screen.inputFocus(), expected(), startTimeoutMs);
}

void TestProgram::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("errors");

    const QByteArray english("[General]\nLanguage=2057\n");
    QTest::newRow("help, no settings") << QStringList{"--help"} << QByteArray() << 0 << "Użycie: kwelta"
                                       << "";
    QTest::newRow("help, English stored") << QStringList{"-h"} << english << 0 << "Usage: kwelta"
                                          << "";
    QTest::newRow("version") << QStringList{"--version"} << QByteArray() << 0 << "Kwelta 1."
                             << "";
    QTest::newRow("version behind Qt's options")
        << QStringList{"-platform", "xcb", "--style=fusion", "-reverse", "-v"} << english << 0 << "Kwelta 1."
        << "";
    QTest::newRow("unknown option") << QStringList{"--typo"} << english << 2 << ""
                                    << "kwelta: unknown option '--typo'\nSee: kwelta --help";
    QTest::newRow("unknown option after help") << QStringList{"--help", "--typo"} << english << 2 << ""
                                               << "unknown option '--typo'";
    QTest::newRow("argument") << QStringList{"COM2"} << QByteArray() << 2 << ""
                              << "nieoczekiwany argument „COM2”";
    QTest::newRow("Qt's option without its value") << QStringList{"-platform"} << english << 2 << ""
                                                   << "option '-platform' needs a value";
}

// Answered on the terminal without a display: had the program gone on to start, it could not have
// reached one and would have ended with Qt's failure instead.
void TestProgram::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, settings);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QString, errors);

    storeSettings(settings);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(KWELTA_PROGRAM_PATH), arguments);
    QVERIFY(program.waitForFinished(startTimeoutMs));
    const QString standardOutput = QString::fromUtf8(program.readAllStandardOutput());
    const QString standardError = QString::fromUtf8(program.readAllStandardError());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY2(program.exitCode() == exitCode, qPrintable(standardError));
    QVERIFY2(standardOutput.contains(output), qPrintable(standardOutput));
    QVERIFY2(standardError.contains(errors), qPrintable(standardError));
    if (exitCode != 0)
        QVERIFY(standardOutput.isEmpty());
    // Nothing of a run: no settings written where there were none.
    if (settings.isEmpty())
        QVERIFY(!QFile::exists(m_profile->filePath(QStringLiteral("config/Ostrel/Kwelta.conf"))));
}

void TestProgram::runsFromAFolderOfAnyName_data()
{
    QTest::addColumn<QByteArray>("folderName");
    QTest::addColumn<int>("language");
    QTest::addColumn<QByteArray>("failureCaption");
    QTest::addColumn<QByteArray>("otherCaption");
    // Named under a Latin-1 locale ("é" as the one byte 0xE9), seen from the test's UTF-8 one, where the
    // name decodes to no character; and a name in UTF-8, which always worked, for comparison.
    QTest::newRow("Latin-1 name, English")
        << QByteArray("Wagi \xe9t\xe9") << 2057 << QByteArray("Failure") << QByteArray("Niepowodzenie");
    QTest::newRow("Latin-1 name, Polish") << QByteArray("Wagi \xb3\xf3"
                                                        "d\xbc")
                                          << 1045 << QByteArray("Niepowodzenie") << QByteArray("Failure");
    QTest::newRow("UTF-8 name, Polish") << QByteArray("Wagi łódź") << 1045 << QByteArray("Niepowodzenie")
                                        << QByteArray("Failure");
}

// A copy of the program with its language modules in a folder of its own starts in the stored language,
// keeps script.txt and its log folder beside itself (the folder is writable) and closes cleanly. Opening
// the configured port fails at the start with a box whose caption only the language module translates,
// so the box shows which module is in use; a module not found or not read would show its own box first.
void TestProgram::runsFromAFolderOfAnyName()
{
    QFETCH(QByteArray, folderName);
    QFETCH(int, language);
    QFETCH(QByteArray, failureCaption);
    QFETCH(QByteArray, otherCaption);

    const ByteNamedFolder programFolder(folderName);
    QVERIFY(programFolder.isMade());
    const QByteArray folder = programFolder.path();
    QVERIFY(writeFileBytes(folder + "/kwelta", fileContents(QStringLiteral(KWELTA_PROGRAM_PATH)), 0755));
    QVERIFY(writeFileBytes(folder + "/kwelta.ENG", fileContents(QStringLiteral(KWELTA_PROGRAM_PATH ".ENG"))));
    QVERIFY(writeFileBytes(folder + "/kwelta.PLK", fileContents(QStringLiteral(KWELTA_PROGRAM_PATH ".PLK"))));
    // QProcess takes a program's name as text, which cannot hold the folder's name; a link whose name it
    // can hold leads there, and the program finds itself where the link resolves, as an installed one does.
    const QString link = programFolder.place() + QStringLiteral("/kwelta");
    QCOMPARE(symlink((folder + "/kwelta").constData(), QFile::encodeName(link).constData()), 0);

    const QString ports = m_profile->filePath(QStringLiteral("config/Ostrel/Kwelta/ports"));
    QVERIFY(QDir().mkpath(ports));
    QVERIFY(QFile::link(m_profile->filePath(QStringLiteral("no-such-device")), ports + QStringLiteral("/COM7")));
    QCOMPARE(
        writeConfiguredSettings(*m_profile, m_profile->filePath(QStringLiteral("output.txt")),
                                {{"ComPort", "7"}, {"ComOpenOnStart", "1"}, {"Language", QString::number(language)}}),
        QSettings::NoError);
    const QString settingsFile = m_profile->filePath(QStringLiteral("config/Ostrel/Kwelta.conf"));
    {
        // An hour old, so that the close's write shows.
        QFile written(settingsFile);
        QVERIFY(written.open(QIODevice::ReadWrite));
        QVERIFY(written.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    }

    XScreen screen;
    auto program = std::make_unique<QProcess>();
    program->setProgram(link);
    program->setProcessChannelMode(QProcess::ForwardedChannels);
    program->start();
    QVERIFY(program->waitForStarted(startTimeoutMs));
    QProcess& running = *program;
    m_programs.push_back(std::move(program));

    QTRY_COMPARE_WITH_TIMEOUT(screen.windowsTitled(failureCaption).size(), 1, startTimeoutMs);
    for (const QByteArray& caption : {QByteArray("Language file"), QByteArray("Brak pliku języka"),
                                      QByteArray("Nie można odczytać pliku języka"), otherCaption})
        QVERIFY2(screen.windowsTitled(caption).isEmpty(), caption.constData());
    QCOMPARE(screen.windowsTitled("Kwelta").size(), 1);
    QCOMPARE(running.state(), QProcess::Running);

    running.terminate();
    QVERIFY(running.waitForFinished(startTimeoutMs));
    QCOMPARE(running.exitStatus(), QProcess::NormalExit);
    QCOMPARE(running.exitCode(), 0);

    QVERIFY(QFileInfo(settingsFile).lastModified() > QDateTime::currentDateTime().addSecs(-600));
    QSettings written(settingsFile, QSettings::IniFormat);
    QCOMPARE(written.value(QStringLiteral("Language")).toString(), QString::number(language));
    // Beside the program, not in the user's data folder, which is for a program in a folder not its user's.
    QVERIFY(isFolderAt(folder + "/log"));
    QVERIFY(isFileAt(folder + "/script.txt"));
    QVERIFY(!QFileInfo::exists(m_profile->filePath(QStringLiteral("data/Ostrel/Kwelta/script.txt"))));
}

int main(int argc, char** argv)
{
    TemporaryProfile profile;
    // The program searches the serial ports at a first start; it must find only the test's.
    NoMachineSerialPorts noDevices;
    XvfbServer server;
    if (!server.startForApplication("tst_program"))
        return EXIT_FAILURE;
    QCoreApplication application(argc, argv);
    TestProgram test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_program.moc"
