// The real program as a native Wayland client of a headless sway with a Polish layout, typing a
// simulated scale's results through the virtual keyboard protocol into another native client.

#include "support/configuredsettings.h"
#include "support/pseudoterminal.h"
#include "support/receiver/receiverprocess.h"
#include "support/requiredskip.h"
#include "support/simscaleprocess.h"
#include "support/swaysession.h"
#include "support/temporaryprofile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTest>

#include <memory>

namespace {

constexpr int stepTimeoutMs = 10000;
// A first start in a fresh profile builds the user's font cache, which takes a while on a busy machine.
constexpr int startTimeoutMs = 30000;
// The script the advanced options run for each result: Polish letters of both cases and the micro
// sign, which the US layout lacks and the Polish one reaches only through AltGr, around the weight.
const QByteArray script = "Zażółć gęślą jaźń ŻÓŁĆ:m µg:$0D";
const QString typedResult = QStringLiteral("Zażółć gęślą jaźń ŻÓŁĆ12.345 µg");

// The receiver's tokens back into text; keys without text (Return) as their names in brackets.
QString typedText(const QStringList& keys)
{
    QString text;
    for (const QString& key : keys) {
        if (key == u"Space")
            text += u' ';
        else if (key.size() <= 2)
            text += key;
        else
            text += u'[' + key + u']';
    }
    return text;
}

} // namespace

class TestWaylandTyping : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void typesIntoOtherWindowsButNotItsOwn_data();
    void typesIntoOtherWindowsButNotItsOwn();

private:
    // Runs the real program with its window on the platform plugin, and waits until sway has its window.
    void startProgram(const QString& platform);
    // How many bursts of keys the program says it has sent, from its log.
    int burstsLogged();
    QString programLog();
    bool focusAndWait(qint64 pid);
    QByteArray outputFile() const;

    SwaySession m_sway;
    QString m_programPath;
    QString m_portsDir;
    QString m_outputFile;
    std::unique_ptr<SimScaleProcess> m_scale;
    std::unique_ptr<QProcess> m_program;
    QByteArray m_programLog;
    std::unique_ptr<ReceiverProcess> m_receiver;
};

void TestWaylandTyping::initTestCase()
{
    if (const QString reason = SwaySession::unavailableReason(); !reason.isEmpty())
        SKIP_UNLESS_REQUIRED(qPrintable(QStringLiteral("no headless sway here: %1").arg(reason)));
    // A layout on which the script's letters need AltGr: typing must not depend on it.
    QVERIFY2(m_sway.start({QStringLiteral("input * xkb_layout pl")}), qPrintable(m_sway.errorString()));
    const QString configHome = m_sway.environment().value(QStringLiteral("XDG_CONFIG_HOME"));

    // A portable copy of the program, so that its script.txt lies beside it in a folder of the test's.
    const QString programDir = m_sway.folder() + QStringLiteral("/program");
    QVERIFY(QDir().mkpath(programDir));
    const QFileInfo built(QStringLiteral(KWELTA_PROGRAM_PATH));
    for (const QString& name : {built.fileName(), QStringLiteral("kwelta.PLK"), QStringLiteral("kwelta.ENG")})
        QVERIFY2(QFile::copy(built.dir().filePath(name), programDir + u'/' + name), qPrintable(name));
    m_programPath = programDir + u'/' + built.fileName();
    QFile scriptFile(programDir + QStringLiteral("/script.txt"));
    QVERIFY(scriptFile.open(QIODevice::WriteOnly));
    scriptFile.write(script);
    scriptFile.close();

    m_outputFile = m_sway.folder() + QStringLiteral("/home/results.txt");
    m_portsDir = configHome + QStringLiteral("/Ostrel/Kwelta/ports");
    QVERIFY(QDir().mkpath(m_portsDir));
    {
        QSettings settings(configHome + QStringLiteral("/Ostrel/Kwelta.conf"), QSettings::IniFormat);
        const SettingValues changes{
            {"ComOpenOnStart", "1"}, {"Baud", "12"}, {"Destination", "3"}, {"AdvancedOptions", "1"}};
        for (const auto& [key, value] : configuredSettings(m_outputFile) + changes)
            settings.setValue(key, value);
        settings.sync();
        QCOMPARE(settings.status(), QSettings::NoError);
    }
    QVERIFY(m_sway.grant(programDir));
    QVERIFY(m_sway.grant(m_sway.folder() + QStringLiteral("/home")));
}

void TestWaylandTyping::cleanup()
{
    m_receiver.reset();
    if (m_program && m_program->state() != QProcess::NotRunning) {
        m_program->terminate();
        if (!m_program->waitForFinished(stepTimeoutMs))
            m_program->kill();
        m_program->waitForFinished(stepTimeoutMs);
    }
    m_program.reset();
    m_programLog.clear();
    if (m_scale)
        m_scale->stopWith(QByteArray("quit"));
    m_scale.reset();
}

void TestWaylandTyping::cleanupTestCase()
{
    m_sway.stop();
}

void TestWaylandTyping::startProgram(const QString& platform)
{
    QProcessEnvironment environment = m_sway.environment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("kwelta.platform.keyboard=true"));
    m_program = std::make_unique<QProcess>();
    m_program->setProcessEnvironment(environment);
    connect(m_program.get(), &QProcess::readyReadStandardError, this,
            [this] { m_programLog += m_program->readAllStandardError(); });
    const QStringList command = m_sway.wrapper() + QStringList{m_programPath};
    m_program->start(command.constFirst(), command.mid(1));
    QVERIFY2(m_program->waitForStarted(stepTimeoutMs), qPrintable(m_program->errorString()));
    // Whichever plugin shows its window, the session is Wayland's: the virtual keyboard types.
    QTRY_VERIFY2_WITH_TIMEOUT(programLog().contains(u"Keystrokes through the Wayland virtual keyboard protocol"),
                              qPrintable(programLog()), startTimeoutMs);
    // A new window normally takes the focus; under XWayland on a loaded machine it was seen to come up
    // without it, so the focus is given once the window is there.
    const qint64 pid = m_program->processId();
    QVERIFY2(
        QTest::qWaitFor([&] { return m_sway.focusedPid() == pid || (m_sway.focus(pid) && m_sway.focusedPid() == pid); },
                        startTimeoutMs),
        qPrintable(programLog()));
}

QString TestWaylandTyping::programLog()
{
    m_programLog += m_program->readAllStandardError();
    return QString::fromUtf8(m_programLog);
}

int TestWaylandTyping::burstsLogged()
{
    return int(programLog().count(QStringLiteral("key events sent")));
}

bool TestWaylandTyping::focusAndWait(qint64 pid)
{
    return m_sway.focus(pid) && QTest::qWaitFor([&] { return m_sway.focusedPid() == pid; }, stepTimeoutMs);
}

QByteArray TestWaylandTyping::outputFile() const
{
    QFile file(m_outputFile);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestWaylandTyping::typesIntoOtherWindowsButNotItsOwn_data()
{
    QTest::addColumn<QString>("programPlatform");
    QTest::addColumn<QString>("receiverPlatform");

    QTest::newRow("both native") << "wayland"
                                 << "wayland";
    // Our window's focus then comes from the X server, and the typing still from the virtual keyboard.
    QTest::newRow("program under XWayland") << "xcb"
                                            << "wayland";
    // XWayland compiles the keymap with its own compiler and hands the keys to an X11 program.
    QTest::newRow("receiver under XWayland") << "wayland"
                                             << "xcb";
}

// Every character the other window receives is the one the script composed, although the seat's layout
// is Polish and half of them need AltGr there: the keymap changes in the middle of the first burst for
// each of them. With the program's own window focused, a result is still processed (it reaches the
// output file) but no key goes out; once the focus is back on the other window, the next result is typed
// there and nothing of the held-back one follows it.
void TestWaylandTyping::typesIntoOtherWindowsButNotItsOwn()
{
    QFETCH(QString, programPlatform);
    QFETCH(QString, receiverPlatform);

    const QString x11 = QStringLiteral("xcb");
    if ((programPlatform == x11 || receiverPlatform == x11) && m_sway.x11Display().isEmpty())
        SKIP_UNLESS_REQUIRED("sway started no XWayland (package xwayland), so no window here is an X11 one");
    QFile::remove(m_outputFile);
    // The scale runs as the session's user too, so that the program may open its terminal.
    m_scale = std::make_unique<SimScaleProcess>(QStringLiteral(KWELTA_SIMSCALE_PATH), m_sway.wrapper());
    QVERIFY(m_scale->start(m_portsDir + QStringLiteral("/COM1"), {QStringLiteral("--baud"), QStringLiteral("9600")}));
    startProgram(programPlatform);
    if (QTest::currentTestFailed())
        return;
    // Started after the program, so the seat already has its keyboard; the new window takes the focus.
    QProcessEnvironment environment = m_sway.environment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), receiverPlatform);
    m_receiver = std::make_unique<ReceiverProcess>();
    m_receiver->setLauncher(m_sway.wrapper(), environment);
    QVERIFY2(m_receiver->start(QStringLiteral(KWELTA_RECEIVER_PATH), startTimeoutMs),
             qPrintable(m_receiver->errorString()));
    QTRY_COMPARE_WITH_TIMEOUT(m_sway.focusedPid(), m_receiver->processId(), stepTimeoutMs);

    m_scale->command("print\n");
    const QString first = typedResult + QStringLiteral("[Return]");
    m_receiver->waitFor([&] { return typedText(m_receiver->keys()) == first; }, stepTimeoutMs);
    QCOMPARE(typedText(m_receiver->keys()), first);
    QTRY_VERIFY_WITH_TIMEOUT(!outputFile().isEmpty(), stepTimeoutMs);

    QVERIFY(focusAndWait(m_program->processId()));
    QVERIFY(m_receiver->waitFor([&] { return !m_receiver->isActive(); }, stepTimeoutMs));
    // Qt's Wayland plugin takes the focus after a round trip of its own.
    QTest::qWait(200);
    const int bursts = burstsLogged();
    const QByteArray before = outputFile();
    m_receiver->clearKeys();
    m_scale->command("weight 7.5\nprint\n");
    QTRY_VERIFY_WITH_TIMEOUT(outputFile().size() > before.size(), stepTimeoutMs);
    // The program logs a burst as it sends it, in the same step as the file's record; a moment more
    // lets a line written just after the record arrive.
    QTest::qWait(300);
    QCOMPARE(burstsLogged(), bursts);

    QVERIFY(focusAndWait(m_receiver->processId()));
    QVERIFY(m_receiver->waitFor([&] { return m_receiver->isActive(); }, stepTimeoutMs));
    m_scale->command("weight 3.25\nprint\n");
    const QString third = QStringLiteral("Zażółć gęślą jaźń ŻÓŁĆ3.250 µg[Return]");
    m_receiver->waitFor([&] { return typedText(m_receiver->keys()) == third; }, stepTimeoutMs);
    QCOMPARE(typedText(m_receiver->keys()), third);
}

int main(int argc, char** argv)
{
    TemporaryProfile profile;
    NoMachineSerialPorts noDevices;
    QCoreApplication application(argc, argv);
    TestWaylandTyping test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_waylandtyping.moc"
