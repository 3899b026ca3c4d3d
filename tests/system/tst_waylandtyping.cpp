// The real program as a native Wayland client of a headless sway with a Polish layout, typing a
// simulated scale's results through the virtual keyboard protocol into another native client.

#include "support/configuredsettings.h"
#include "support/pseudoterminal.h"
#include "support/receiver/receiverprocess.h"
#include "support/simscaleprocess.h"
#include "support/swaysession.h"
#include "support/temporaryprofile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTest>

#include <cstdio>
#include <memory>

namespace {

constexpr int stepTimeoutMs = 10000;
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
    void cleanupTestCase();

    void typesIntoTheFocusedNativeWindow();
    void typesNothingWhileItsOwnWindowHasTheFocus();

private:
    // The key events the program reports having sent so far, from its log.
    int burstsLogged();
    QString programLog();
    bool focusAndWait(qint64 pid);

    SwaySession m_sway;
    std::unique_ptr<SimScaleProcess> m_scale;
    QProcess m_program;
    QByteArray m_programLog;
    ReceiverProcess m_receiver;
    QString m_outputFile;
};

void TestWaylandTyping::initTestCase()
{
    if (const QString reason = SwaySession::unavailableReason(); !reason.isEmpty()) {
        std::fprintf(stderr, "tst_waylandtyping SKIPPED: %s\n", qPrintable(reason));
        QSKIP(qPrintable(QStringLiteral("no headless sway here: %1").arg(reason)));
    }
    // A layout on which the script's letters need AltGr, and "z" and "y" swap with German: typing must
    // not depend on it.
    QVERIFY2(m_sway.start({QStringLiteral("input * xkb_layout pl")}), qPrintable(m_sway.errorString()));
    const QProcessEnvironment environment = m_sway.environment();
    const QString configHome = environment.value(QStringLiteral("XDG_CONFIG_HOME"));

    // A portable copy of the program, so that its script.txt lies beside it in a folder of the test's.
    const QString programDir = m_sway.folder() + QStringLiteral("/program");
    QVERIFY(QDir().mkpath(programDir));
    const QFileInfo built(QStringLiteral(KWELTA_PROGRAM_PATH));
    for (const QString& name : {built.fileName(), QStringLiteral("kwelta.PLK"), QStringLiteral("kwelta.ENG")})
        QVERIFY2(QFile::copy(built.dir().filePath(name), programDir + u'/' + name), qPrintable(name));
    QFile scriptFile(programDir + QStringLiteral("/script.txt"));
    QVERIFY(scriptFile.open(QIODevice::WriteOnly));
    scriptFile.write(script);
    scriptFile.close();

    m_outputFile = m_sway.folder() + QStringLiteral("/home/results.txt");
    const QString portsDir = configHome + QStringLiteral("/Ostrel/Kwelta/ports");
    QVERIFY(QDir().mkpath(portsDir));
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

    // The scale runs as the session's user too, so that the program may open its terminal.
    m_scale = std::make_unique<SimScaleProcess>(QStringLiteral(KWELTA_SIMSCALE_PATH), m_sway.wrapper());
    QVERIFY(m_scale->start(portsDir + QStringLiteral("/COM1"), {QStringLiteral("--baud"), QStringLiteral("9600")}));

    QProcessEnvironment programEnvironment = environment;
    programEnvironment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("kwelta.platform.keyboard=true"));
    m_program.setProcessEnvironment(programEnvironment);
    m_program.setProcessChannelMode(QProcess::SeparateChannels);
    connect(&m_program, &QProcess::readyReadStandardError, this,
            [this] { m_programLog += m_program.readAllStandardError(); });
    const QStringList command = m_sway.wrapper() + QStringList{programDir + u'/' + built.fileName()};
    m_program.start(command.constFirst(), command.mid(1));
    QVERIFY2(m_program.waitForStarted(stepTimeoutMs), qPrintable(m_program.errorString()));
    QTRY_VERIFY2_WITH_TIMEOUT(programLog().contains(u"Keystrokes through the Wayland virtual keyboard protocol"),
                              qPrintable(programLog()), stepTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_sway.focusedPid(), m_program.processId(), stepTimeoutMs);

    // Started after the program, so the seat already has its keyboard: the new window takes the focus.
    m_receiver.setLauncher(m_sway.wrapper(), environment);
    QVERIFY2(m_receiver.start(QStringLiteral(KWELTA_RECEIVER_PATH), stepTimeoutMs),
             qPrintable(m_receiver.errorString()));
    QTRY_COMPARE_WITH_TIMEOUT(m_sway.focusedPid(), m_receiver.processId(), stepTimeoutMs);
}

void TestWaylandTyping::cleanupTestCase()
{
    m_receiver.stop();
    if (m_program.state() != QProcess::NotRunning) {
        m_program.terminate();
        if (!m_program.waitForFinished(stepTimeoutMs))
            m_program.kill();
        m_program.waitForFinished(stepTimeoutMs);
    }
    if (m_scale)
        m_scale->stopWith(QByteArray("quit"));
    m_scale.reset();
    m_sway.stop();
}

QString TestWaylandTyping::programLog()
{
    m_programLog += m_program.readAllStandardError();
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

// Every character a native client receives is the one the script composed, although the seat's layout
// is Polish and half of them are not on it without AltGr; the keymap changes mid-burst for each new one.
void TestWaylandTyping::typesIntoTheFocusedNativeWindow()
{
    m_receiver.clearKeys();
    m_scale->command("print\n");
    const QString expected = typedResult + QStringLiteral("[Return]");
    m_receiver.waitFor([&] { return typedText(m_receiver.keys()) == expected; }, stepTimeoutMs);
    QCOMPARE(typedText(m_receiver.keys()), expected);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_outputFile), stepTimeoutMs);
}

// With the program's own window focused, a result is still processed (it reaches the output file) but
// no key goes out; once the focus is back on the other window, the next result is typed there and
// nothing of the held-back one follows it.
void TestWaylandTyping::typesNothingWhileItsOwnWindowHasTheFocus()
{
    QVERIFY(focusAndWait(m_program.processId()));
    QVERIFY(m_receiver.waitFor([&] { return !m_receiver.isActive(); }, stepTimeoutMs));
    // Qt's plugin takes the focus after a round trip of its own.
    QTest::qWait(200);
    const int bursts = burstsLogged();
    const QByteArray before = [&] {
        QFile file(m_outputFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    m_receiver.clearKeys();

    m_scale->command("weight 7.5\nprint\n");
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            QFile file(m_outputFile);
            return file.open(QIODevice::ReadOnly) && file.size() > before.size();
        }(),
        stepTimeoutMs);
    // The program logs a burst as it sends it, in the same step as the file's record; a moment more
    // lets a line written just after the record arrive.
    QTest::qWait(300);
    QCOMPARE(burstsLogged(), bursts);

    QVERIFY(focusAndWait(m_receiver.processId()));
    QVERIFY(m_receiver.waitFor([&] { return m_receiver.isActive(); }, stepTimeoutMs));
    m_scale->command("weight 3.25\nprint\n");
    const QString expected = QStringLiteral("Zażółć gęślą jaźń ŻÓŁĆ3.250 µg[Return]");
    m_receiver.waitFor([&] { return typedText(m_receiver.keys()) == expected; }, stepTimeoutMs);
    QCOMPARE(typedText(m_receiver.keys()), expected);
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
