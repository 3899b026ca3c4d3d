// Several copies of the real program entry as separate processes, each test in a profile of its own
// (settings, runtime folder) that the copies inherit.

#include "app/singleinstance.h"
#include "core/settingsstore.h"
#include "support/temporaryprofile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int ShowTimeoutMs = 10000;
// A refused start may wait the answer time for each copy that never answers.
constexpr int RefusedExitTimeoutMs = 10000 + 2 * SingleInstance::AnswerTimeoutMs;
constexpr int QuitTimeoutMs = 5000;

void writeSettings(const QByteArray& ini)
{
    if (ini.isNull()) {
        QFile::remove(SettingsStore::defaultFilePath());
        return;
    }
    const QString path = SettingsStore::defaultFilePath();
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(ini), ini.size());
}

// One copy of the program (tests/support/instancehost) and the lines it reported.
class HostProcess
{
public:
    HostProcess()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process.setProcessEnvironment(environment);
        m_process.setProgram(QStringLiteral(KWELTA_INSTANCEHOST_PATH));
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Should the test itself die, no copy outlives it to disturb the next run.
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] { collect(); });
    }

    ~HostProcess()
    {
        if (m_process.state() != QProcess::NotRunning && !quit())
            kill();
    }

    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    bool start()
    {
        m_process.start();
        if (!m_process.waitForStarted(ShowTimeoutMs))
            return false;
        m_pid = m_process.processId();
        return true;
    }

    // Its pid while it ran, still known after it has ended.
    qint64 pid() const { return m_pid; }
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    bool hasReported(const QString& line) const { return m_lines.contains(line); }
    bool hasReportedPrefix(const QString& prefix) const { return !lineStarting(prefix).isNull(); }

    // The first line starting with prefix, once it has come; a null string when it did not in time.
    QString waitForLineStarting(const QString& prefix, int timeoutMs = ShowTimeoutMs)
    {
        // A copy that ends will never report the line; its last output still counts.
        if (!QTest::qWaitFor([&] { return hasReportedPrefix(prefix) || !isRunning(); }, timeoutMs))
            return QString();
        collect();
        return lineStarting(prefix);
    }

    bool waitForShown() { return waitForLineStarting(QStringLiteral("shown")) == u"shown"; }

    bool waitForExit(int timeoutMs)
    {
        const bool ended = QTest::qWaitFor([&] { return !isRunning(); }, timeoutMs);
        collect();
        return ended;
    }

    // Ended by itself, normally, with exit code 0.
    bool endedCleanly() const
    {
        return !isRunning() && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }

    void send(const QByteArray& command) { m_process.write(command + '\n'); }

    bool quit()
    {
        send("quit");
        return waitForExit(QuitTimeoutMs) && endedCleanly();
    }

    void kill()
    {
        m_process.kill();
        m_process.waitForFinished(QuitTimeoutMs);
    }

private:
    void collect()
    {
        m_partial += m_process.readAllStandardOutput();
        qsizetype end = 0;
        while ((end = m_partial.indexOf('\n')) >= 0) {
            m_lines.append(QString::fromUtf8(m_partial.left(end)));
            m_partial.remove(0, end + 1);
        }
    }

    QString lineStarting(const QString& prefix) const
    {
        for (const QString& line : m_lines) {
            if (line.startsWith(prefix))
                return line;
        }
        return QString();
    }

    QProcess m_process;
    qint64 m_pid = 0;
    QByteArray m_partial;
    QStringList m_lines;
};

// A copy that was refused: it ended by itself with 0 and never showed a window.
bool endedWithoutWindow(HostProcess& copy)
{
    return copy.waitForExit(RefusedExitTimeoutMs) && copy.endedCleanly() && !copy.hasReported(QStringLiteral("shown"));
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void secondStart_data();
    void secondStart();
    void unusableLockFile_data();
    void unusableLockFile();
    void runtimeFolder_data();
    void runtimeFolder();
    void unreachableCopiesDoNotStopARefusedStart();
    void refusedStartReachesEveryRunningCopy();
    void simultaneousStartsLetOneRun();
};

void TestSingleInstance::secondStart_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("minimiseFirst");
    QTest::addColumn<bool>("secondRuns");

    const QByteArray storedTrue("[General]\nOnlyOneInstance=1\n");
    QTest::newRow("stored true") << storedTrue << false << false;
    QTest::newRow("stored true, first minimised") << storedTrue << true << false;
    QTest::newRow("stored false") << QByteArray("[General]\nOnlyOneInstance=0\n") << false << true;
    QTest::newRow("no settings file") << QByteArray() << false << true;
    QTest::newRow("settings without the flag") << QByteArray("[General]\nConnection=0\n") << false << false;
    QTest::newRow("flag not a number") << QByteArray("[General]\nOnlyOneInstance=false\n") << false << false;
}

void TestSingleInstance::secondStart()
{
    QFETCH(QByteArray, ini);
    QFETCH(bool, minimiseFirst);
    QFETCH(bool, secondRuns);

    const TemporaryProfile profile;
    writeSettings(ini);

    HostProcess first;
    QVERIFY(first.start());
    QVERIFY(first.waitForShown());
    if (minimiseFirst) {
        first.send("minimise");
        QCOMPARE(first.waitForLineStarting(QStringLiteral("minimised")), QStringLiteral("minimised"));
    }

    HostProcess second;
    QVERIFY(second.start());
    if (secondRuns) {
        QVERIFY(second.waitForShown());
        QVERIFY(first.isRunning());
        QVERIFY(!first.hasReportedPrefix(QStringLiteral("front")));
    } else {
        QVERIFY(endedWithoutWindow(second));
        // "front minimised" would mean the start message left the window minimised.
        QCOMPARE(first.waitForLineStarting(QStringLiteral("front")), QStringLiteral("front"));
    }

    // Neither start writes the settings, and reading them does not create the file.
    QCOMPARE(QFileInfo::exists(SettingsStore::defaultFilePath()), !ini.isNull());

    const QString firstSocket = SingleInstance::socketPath(first.pid());
    QVERIFY(QFileInfo::exists(firstSocket));
    QVERIFY(first.quit());
    QVERIFY2(!QFileInfo::exists(firstSocket), "an orderly end leaves its socket file behind");
}

void TestSingleInstance::unusableLockFile_data()
{
    QTest::addColumn<QByteArray>("ini");

    QTest::newRow("stored true") << QByteArray("[General]\nOnlyOneInstance=1\n");
    QTest::newRow("stored false") << QByteArray("[General]\nOnlyOneInstance=0\n");
}

// A copy that cannot tell whether it is alone runs: ending without a word would leave the user with
// no program and no reason.
void TestSingleInstance::unusableLockFile()
{
    QFETCH(QByteArray, ini);

    const TemporaryProfile profile;
    writeSettings(ini);
    // A folder where the lock file belongs: it can be neither opened nor created.
    QVERIFY(QDir().mkpath(SingleInstance::lockFilePath()));

    HostProcess first;
    QVERIFY(first.start());
    QVERIFY(first.waitForShown());
    HostProcess second;
    QVERIFY(second.start());
    QVERIFY(second.waitForShown());
}

void TestSingleInstance::runtimeFolder_data()
{
    QTest::addColumn<QString>("runtimeFolder");
    QTest::addColumn<QString>("ownFolderIs");
    QTest::addColumn<bool>("ruleHolds");

    QTest::newRow("runtime folder unusable") << "a file"
                                             << "" << false;
    QTest::newRow("no runtime folder: one of our own") << ""
                                                       << "" << true;
    QTest::newRow("no runtime folder, own folder a planted link") << ""
                                                                  << "link" << false;
    QTest::newRow("no runtime folder, own folder open to others") << ""
                                                                  << "open" << false;
}

// Without XDG_RUNTIME_DIR the lock goes in a folder of the user's own; a name in the shared temporary
// folder would let any local user keep the program from starting.
void TestSingleInstance::runtimeFolder()
{
    QFETCH(QString, runtimeFolder);
    QFETCH(QString, ownFolderIs);
    QFETCH(bool, ruleHolds);

    const TemporaryProfile profile;
    writeSettings("[General]\nOnlyOneInstance=1\n");
    const QTemporaryDir temporary;
    const QByteArray savedTemporary = qgetenv("TMPDIR");
    qputenv("TMPDIR", temporary.path().toLocal8Bit());
    if (runtimeFolder.isEmpty()) {
        qunsetenv("XDG_RUNTIME_DIR");
    } else {
        // A file where the folder should be, which not even Qt's repair of a missing folder mends.
        QFile inTheWay(profile.filePath(runtimeFolder));
        QVERIFY(inTheWay.open(QIODevice::WriteOnly));
        qputenv("XDG_RUNTIME_DIR", inTheWay.fileName().toLocal8Bit());
    }
    const QString ownFolder = temporary.filePath(QStringLiteral("kwelta-%1").arg(::getuid()));
    if (ownFolderIs == u"link")
        QVERIFY(QFile::link(temporary.path(), ownFolder));
    if (ownFolderIs == u"open") {
        QVERIFY(QDir().mkpath(ownFolder));
        QVERIFY(::chmod(QFile::encodeName(ownFolder).constData(), 0777) == 0);
    }

    HostProcess first;
    const bool started = first.start() && first.waitForShown();
    HostProcess second;
    const bool secondStarted = second.start();
    const bool secondRefused = secondStarted && ruleHolds && endedWithoutWindow(second);
    const bool secondRuns = secondStarted && !ruleHolds && second.waitForShown();
    qputenv("TMPDIR", savedTemporary);
    if (savedTemporary.isNull())
        qunsetenv("TMPDIR");

    QVERIFY(started);
    QVERIFY(ruleHolds ? secondRefused : secondRuns);
    if (ruleHolds) {
        struct stat status = {};
        QCOMPARE(::lstat(QFile::encodeName(ownFolder).constData(), &status), 0);
        QCOMPARE(status.st_mode & 0777, mode_t(0700));
        QVERIFY(QFileInfo::exists(ownFolder + QStringLiteral("/Kwelta_Application_Mutex")));
    }
}

void TestSingleInstance::unreachableCopiesDoNotStopARefusedStart()
{
    const TemporaryProfile profile;
    writeSettings("[General]\nOnlyOneInstance=1\n");

    HostProcess killed;
    QVERIFY(killed.start());
    QVERIFY(killed.waitForShown());
    killed.kill();
    const QString staleSocket = SingleInstance::socketPath(killed.pid());
    QVERIFY2(QFileInfo::exists(staleSocket), "a killed copy is expected to leave its socket file");

    // The killed copy's lock died with it: this start is the first again.
    HostProcess running;
    QVERIFY(running.start());
    QVERIFY(running.waitForShown());

    // A socket that accepts but never answers, as a copy that hangs would.
    QLocalServer silent;
    QVERIFY(silent.listen(SingleInstance::socketPath(QCoreApplication::applicationPid())));

    HostProcess refused;
    QVERIFY(refused.start());
    QVERIFY(endedWithoutWindow(refused));
    QCOMPARE(running.waitForLineStarting(QStringLiteral("front")), QStringLiteral("front"));
    QVERIFY2(!QFileInfo::exists(staleSocket), "the dead copy's socket file was not removed");
    QVERIFY2(QFileInfo::exists(silent.fullServerName()), "a socket that is listened on was removed");
}

void TestSingleInstance::refusedStartReachesEveryRunningCopy()
{
    const TemporaryProfile profile;
    writeSettings("[General]\nOnlyOneInstance=0\n");

    std::vector<std::unique_ptr<HostProcess>> running;
    for (int i = 0; i < 3; ++i) {
        running.push_back(std::make_unique<HostProcess>());
        QVERIFY(running.back()->start());
        QVERIFY(running.back()->waitForShown());
    }

    writeSettings("[General]\nOnlyOneInstance=1\n");
    HostProcess refused;
    QVERIFY(refused.start());
    QVERIFY(endedWithoutWindow(refused));
    for (const auto& copy : running)
        QCOMPARE(copy->waitForLineStarting(QStringLiteral("front")), QStringLiteral("front"));
}

void TestSingleInstance::simultaneousStartsLetOneRun()
{
    const TemporaryProfile profile;
    writeSettings("[General]\nOnlyOneInstance=1\n");

    // Each round gives a lock check without an atomic step another chance to let both through.
    for (int round = 0; round < 5; ++round) {
        HostProcess a;
        HostProcess b;
        QVERIFY(a.start());
        QVERIFY(b.start());
        const auto settled = [](HostProcess& copy) {
            return !copy.waitForLineStarting(QStringLiteral("shown")).isNull() || copy.waitForExit(0);
        };
        QVERIFY(settled(a));
        QVERIFY(settled(b));
        HostProcess& runner = a.isRunning() ? a : b;
        HostProcess& other = a.isRunning() ? b : a;
        QVERIFY(runner.hasReported(QStringLiteral("shown")));
        QVERIFY2(endedWithoutWindow(other), qPrintable(QStringLiteral("round %1: both copies ran").arg(round)));
        QVERIFY(runner.quit());
    }
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
