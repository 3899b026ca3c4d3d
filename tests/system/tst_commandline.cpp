// `kwelta --command NAME` against the real program: a copy started as a user starts it, on the test's
// own X server, with the simulated scale on a pseudo-terminal; the command given from an environment
// with no display at all, as a Wayland desktop's key binding or a shell over ssh would give it.
#include "support/configuredsettings.h"
#include "support/filecontents.h"
#include "support/pseudoterminal.h"
#include "support/requiredskip.h"
#include "support/scaleinput.h"
#include "support/scalelog.h"
#include "support/simscaleprocess.h"
#include "support/temporaryprofile.h"
#include "support/xvfbserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <csignal>
#include <cstring>
#include <grp.h>
#include <memory>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int startTimeoutMs = 10000;
// A program of its own starting or closing on a busy machine.
constexpr int programTimeoutMs = 30000;
const QByteArray weighingFileLine = "12.345\tkg\t\r\n";
// The user nobody, for a process that is not the copy's user.
constexpr uid_t strangerId = 65534;

const SettingValues english = {{"Language", "2057"}};

// What a raw client of the channel got: whether it connected, and the line that came back (empty
// when the copy hung up without one).
struct RawAnswer
{
    bool connected = false;
    QByteArray reply;
};

// The channel's line sent from a process of its own running as uid (and group) `id`, with nothing but
// system calls between the fork and the end, as a forked child of a threaded program must.
RawAnswer sendAs(uid_t id, const QString& socketPath, const QByteArray& line)
{
    const QByteArray path = QFile::encodeName(socketPath);
    int results[2];
    if (::pipe(results) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(results[0]);
        if (id != ::getuid() &&
            (::setgroups(0, nullptr) != 0 || ::setresgid(id, id, id) != 0 || ::setresuid(id, id, id) != 0))
            ::_exit(3);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        if (fd < 0 || size_t(path.size()) >= sizeof address.sun_path)
            ::_exit(2);
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            ::_exit(2);
        char reply[64];
        ssize_t got = 0;
        // The copy may hang up before the line is out: that is a refusal, not a failure to connect.
        if (::send(fd, line.constData(), size_t(line.size()), MSG_NOSIGNAL) != line.size())
            ::_exit(::write(results[1], reply, 0) == 0 ? 0 : 1);
        pollfd wait = {fd, POLLIN, 0};
        // Until the copy answers or hangs up; the bound only keeps a broken copy from hanging the test.
        while (::poll(&wait, 1, programTimeoutMs) == 1) {
            const ssize_t n = ::read(fd, reply + got, sizeof reply - size_t(got));
            if (n <= 0)
                break;
            got += n;
            if (std::memchr(reply, '\n', size_t(got)) || got == sizeof reply)
                break;
        }
        if (::write(results[1], reply, size_t(got)) != got)
            ::_exit(1);
        ::_exit(0);
    }
    ::close(results[1]);
    RawAnswer answer;
    QFile pipe;
    if (child > 0 && pipe.open(results[0], QIODevice::ReadOnly, QFile::AutoCloseHandle)) {
        answer.reply = pipe.readAll().trimmed();
        int status = 0;
        ::waitpid(child, &status, 0);
        answer.connected = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (WIFEXITED(status) && WEXITSTATUS(status) == 3)
            qWarning("the child could not become uid %u", unsigned(id));
    } else {
        ::close(results[0]);
    }
    return answer;
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void commandReachesTheRunningCopy_data();
    void commandReachesTheRunningCopy();
    void commandThatCannotBeSentFails_data();
    void commandThatCannotBeSentFails();
    void anotherUsersCopyCannotBeCommanded();

private:
    bool startScaleOnPort();
    // The program as a user starts it, with the configured settings and the changes over them.
    void startProgram(const SettingValues& changes);
    // Until a print of the scale has come through the open port into the output file: the copy has
    // loaded its settings, opened the port and listens for commands.
    void waitForOpenPort();
    QString socketPath() const;
    // `kwelta --command NAME` with no display; its exit status, with what it wrote on stderr.
    int command(const QStringList& arguments, QString* errors, const QStringList& wrapper = {});

    std::unique_ptr<TemporaryProfile> m_profile;
    std::unique_ptr<ScaleLog> m_log;
    std::unique_ptr<ScaleInput> m_input;
    std::unique_ptr<SimScaleProcess> m_scale;
    std::unique_ptr<QProcess> m_program;
    QString m_outputFile;
};

void TestCommandLine::init()
{
    m_profile = std::make_unique<TemporaryProfile>();
    m_log = std::make_unique<ScaleLog>(m_profile->filePath(QStringLiteral("scale.log")));
    m_input = std::make_unique<ScaleInput>(*m_log);
    m_outputFile = m_profile->filePath(QStringLiteral("results.txt"));
}

void TestCommandLine::cleanup()
{
    if (m_program) {
        m_program->terminate();
        if (!m_program->waitForFinished(programTimeoutMs)) {
            m_program->kill();
            m_program->waitForFinished(programTimeoutMs);
        }
        m_program.reset();
    }
    m_scale.reset();
    m_input.reset();
    m_log.reset();
    m_profile.reset();
}

bool TestCommandLine::startScaleOnPort()
{
    m_scale = std::make_unique<SimScaleProcess>(QStringLiteral(KWELTA_SIMSCALE_PATH));
    m_scale->process().setProcessChannelMode(QProcess::SeparateChannels);
    m_scale->process().setStandardErrorFile(m_log->path());
    return m_scale->start(portsFolder(*m_profile) + QStringLiteral("/COM1"), {QStringLiteral("--verbose")});
}

void TestCommandLine::startProgram(const SettingValues& changes)
{
    QCOMPARE(writeConfiguredSettings(*m_profile, m_outputFile, SettingValues{{"Baud", "12"}} + changes),
             QSettings::NoError);
    m_program = std::make_unique<QProcess>();
    m_program->setProgram(QStringLiteral(KWELTA_PROGRAM_PATH));
    m_program->setProcessChannelMode(QProcess::ForwardedChannels);
    m_program->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_program->start();
    QVERIFY(m_program->waitForStarted(startTimeoutMs));
    // Listening comes before the window shows; the settings, and the port, a little later.
    QVERIFY(QTest::qWaitFor([this] { return QFile::exists(socketPath()); }, programTimeoutMs));
}

void TestCommandLine::waitForOpenPort()
{
    // Asking for prints until one comes, since whatever reached the line before the port opened is
    // not read.
    QElapsedTimer sincePrint;
    QVERIFY(QTest::qWaitFor(
        [&] {
            if (fileContents(m_outputFile).startsWith(weighingFileLine))
                return true;
            if (!sincePrint.isValid() || sincePrint.hasExpired(500)) {
                m_scale->command("print\n");
                sincePrint.start();
            }
            return false;
        },
        programTimeoutMs));
}

QString TestCommandLine::socketPath() const
{
    return QDir(qEnvironmentVariable("XDG_RUNTIME_DIR"))
        .filePath(QStringLiteral("Kwelta_Application_Start_Message.%1").arg(m_program->processId()));
}

int TestCommandLine::command(const QStringList& arguments, QString* errors, const QStringList& wrapper)
{
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    program.setProcessEnvironment(environment);
    const QStringList all = wrapper + QStringList{QStringLiteral(KWELTA_PROGRAM_PATH)} + arguments;
    program.start(all.constFirst(), all.mid(1));
    if (!program.waitForFinished(programTimeoutMs)) {
        program.kill();
        program.waitForFinished(programTimeoutMs);
        return -1;
    }
    *errors = QString::fromUtf8(program.readAllStandardError());
    if (!program.readAllStandardOutput().isEmpty())
        *errors += QStringLiteral("(and it wrote on stdout)");
    return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
}

void TestCommandLine::commandReachesTheRunningCopy_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("specialOrder");
    QTest::addColumn<QString>("onlyOneInstance");
    QTest::addColumn<QByteArray>("sent");

    // What the buttons send (tst_commands' serialButtonsSendTheirCommands), whether or not only one
    // copy may run.
    const QString standard = QStringLiteral("Sx1");
    QTest::newRow("tare") << "tare" << standard << "0" << QByteArray("ST\r\n");
    QTest::newRow("tare, only one copy") << "tare" << standard << "1" << QByteArray("ST\r\n");
    QTest::newRow("zero") << "zero" << standard << "0" << QByteArray("SZ\r\n");
    QTest::newRow("print, only one copy") << "--command=print" << standard << "1" << QByteArray("SI\r\n");
    QTest::newRow("special as it stands") << "special" << standard << "0" << QByteArray("Sx1\r\n");
    QTest::newRow("special with an escape") << "special" << QStringLiteral("S$41") << "1" << QByteArray("SA\r\n");
    QTest::newRow("special with a control byte")
        << "special" << QStringLiteral("$1BP$00") << "0" << QByteArray("\x1bP\r\n");
}

// The running copy sends exactly the button's frame, once; the start that asked ends with status 0 and
// says nothing.
void TestCommandLine::commandReachesTheRunningCopy()
{
    QFETCH(QString, name);
    QFETCH(QString, specialOrder);
    QFETCH(QString, onlyOneInstance);
    QFETCH(QByteArray, sent);

    QVERIFY(startScaleOnPort());
    startProgram({{"ComOpenOnStart", "1"},
                  {"Destination", "2"},
                  {"SpecialOrder", specialOrder},
                  {"OnlyOneInstance", onlyOneInstance}});
    if (QTest::currentTestFailed())
        return;
    waitForOpenPort();
    if (QTest::currentTestFailed())
        return;

    const qsizetype before = m_input->bytes().size();
    QString errors;
    const QStringList arguments =
        name.startsWith(u'-') ? QStringList{name} : QStringList{QStringLiteral("--command"), name};
    QCOMPARE(command(arguments, &errors), 0);
    QCOMPARE(errors, QString());
    QVERIFY(m_input->waitForSize(before + sent.size()));
    QCOMPARE(m_input->bytes().mid(before), sent);
    // The copy goes on running, and the scale's answer is handled as any.
    QCOMPARE(m_program->state(), QProcess::Running);
}

void TestCommandLine::commandThatCannotBeSentFails_data()
{
    QTest::addColumn<bool>("copyRuns");
    QTest::addColumn<SettingValues>("settings");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("errors");

    const QStringList tare{QStringLiteral("--command"), QStringLiteral("tare")};
    QTest::newRow("no copy runs") << false << english << tare << 1
                                  << "kwelta: no running copy of the program to take the command\n";
    QTest::newRow("no copy runs, Polish") << false << SettingValues() << tare << 1
                                          << "kwelta: nie działa żadna kopia programu, która przyjęłaby "
                                             "polecenie\n";
    QTest::newRow("port closed") << true << english << tare << 1
                                 << "kwelta: the link to the scale is closed; the command was not sent\n";
    QTest::newRow("unknown command") << true << english << QStringList{QStringLiteral("--command=lift")} << 2
                                     << "kwelta: unknown command 'lift' (known: tare, zero, print, special)\n";
    QTest::newRow("no command named") << false << english << QStringList{QStringLiteral("--command")} << 2
                                      << "kwelta: option '--command' needs a value\nSee: kwelta --help\n";
}

// Status 1 with one line saying why when nothing reached the scale, 2 for a command line the program
// cannot take; and nothing on the line.
void TestCommandLine::commandThatCannotBeSentFails()
{
    QFETCH(bool, copyRuns);
    QFETCH(SettingValues, settings);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, errors);

    QVERIFY(startScaleOnPort());
    if (copyRuns) {
        startProgram(settings);
        if (QTest::currentTestFailed())
            return;
    } else {
        QCOMPARE(writeConfiguredSettings(*m_profile, m_outputFile, settings), QSettings::NoError);
    }
    QString written;
    QCOMPARE(command(arguments, &written), exitCode);
    QCOMPARE(written, errors);
    // Whatever came out would be on the line by the time the scale answers a print of its own.
    m_scale->command("print\n");
    QVERIFY(m_log->waitFor(
        [](const QByteArray& line) { return line.startsWith("sent: ") || line.startsWith("not sent "); }));
    QCOMPARE(m_input->bytes(), QByteArray());
}

// The channel is the user's own. A process of another user is refused twice over: the command line
// does not even call a socket that is not its user's, and the copy hangs up on a peer whose uid the
// kernel reports as another (SO_PEERCRED), even with the folder and the socket opened to everyone.
// Only the copy's own user gets through, through the same raw channel.
void TestCommandLine::anotherUsersCopyCannotBeCommanded()
{
    if (::getuid() != 0)
        SKIP_UNLESS_REQUIRED("SKIPPED LOUDLY: only root can run a process as another user here; the refusal of another "
                             "user's commands is untested");
    QVERIFY(startScaleOnPort());
    startProgram({{"ComOpenOnStart", "1"}, {"Destination", "2"}, {"Language", "2057"}});
    if (QTest::currentTestFailed())
        return;
    waitForOpenPort();
    if (QTest::currentTestFailed())
        return;

    // What keeps others out in normal use is taken away, so that only the checks of the program stand.
    QCOMPARE(::chmod(QFile::encodeName(m_profile->path()).constData(), 0755), 0);
    QCOMPARE(::chmod(QFile::encodeName(qEnvironmentVariable("XDG_RUNTIME_DIR")).constData(), 0755), 0);
    QCOMPARE(::chmod(QFile::encodeName(socketPath()).constData(), 0777), 0);
    QFile::setPermissions(QStringLiteral(KWELTA_PROGRAM_PATH),
                          QFile::permissions(QStringLiteral(KWELTA_PROGRAM_PATH)) | QFile::ExeOther | QFile::ReadOther);
    const qsizetype before = m_input->bytes().size();

    QString errors;
    const QStringList asStranger{QStringLiteral("setpriv"), QStringLiteral("--reuid=%1").arg(strangerId),
                                 QStringLiteral("--regid=%1").arg(strangerId), QStringLiteral("--clear-groups")};
    QCOMPARE(command({QStringLiteral("--command"), QStringLiteral("tare")}, &errors, asStranger), 1);
    QCOMPARE(errors, QStringLiteral("kwelta: nie działa żadna kopia programu, która przyjęłaby polecenie\n"));

    const RawAnswer stranger = sendAs(strangerId, socketPath(), "Kwelta_Application_Command tare\n");
    QVERIFY2(stranger.connected, "the socket was opened to everyone, so the stranger's connect must succeed");
    QCOMPARE(stranger.reply, QByteArray());

    const RawAnswer own = sendAs(::getuid(), socketPath(), "Kwelta_Application_Command zero\n");
    QVERIFY(own.connected);
    QCOMPARE(own.reply, QByteArray("sent"));
    // The user's own zero is the first thing the scale got: nothing of the stranger's came before it.
    QVERIFY(m_input->waitForSize(before + 4));
    QCOMPARE(m_input->bytes().mid(before), QByteArray("SZ\r\n"));
}

int main(int argc, char** argv)
{
    TemporaryProfile profile;
    // The program must find only the test's serial ports.
    NoMachineSerialPorts noDevices;
    XvfbServer server;
    if (!server.startForApplication("tst_commandline"))
        return EXIT_FAILURE;
    QCoreApplication application(argc, argv);
    TestCommandLine test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_commandline.moc"
