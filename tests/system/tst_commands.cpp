// The scale commands and the cyclic reading end to end: the main window's buttons, over the serial port
// to the simulated scale on a pseudo-terminal and over Ethernet to scales on loopback sockets, with the
// answers typed by the real keyboard backend into another program's window under an X server of the
// test's own.
#include "core/global.h"
#include "core/programinfo.h"
#include "link/ethconnection.h"
#include "processing/processdata.h"
#include "support/configuredsettings.h"
#include "support/filecontents.h"
#include "support/pseudoterminal.h"
#include "support/receiver/receiverprocess.h"
#include "support/scaleinput.h"
#include "support/scalelog.h"
#include "support/scriptedmessages.h"
#include "support/simscaleprocess.h"
#include "support/temporaryprofile.h"
#include "support/udpport.h"
#include "support/xkeyclient.h"
#include "support/xvfbserver.h"
#include "ui/mainwindow.h"
#include "ui/namedcontrol.h"
#include "ui/radiogroup.h"
#include "ui/settingskeeper.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <xkbcommon/xkbcommon-keysyms.h>

namespace {

constexpr int startTimeoutMs = 10000;
constexpr int lineTimeoutMs = 5000;
// A program of its own starting or closing on a busy machine.
constexpr int programTimeoutMs = 30000;
// Long enough for the connect check, and for several periods of the cyclic reading on a busy machine.
constexpr int linkTimeoutMs = 15000;
constexpr quint16 listenerPort = 1001;

const QString loopback = QStringLiteral("127.0.0.1");
const QString openText = QStringLiteral("Otwarty port COM.");
const QString closedText = QStringLiteral("Zamknięty port COM.");
const QString connectedText = QStringLiteral("Połączono");
const QByteArray weighingFileLine = "12.345\tkg\t\r\n";
// What the scale prints once a tare or a zero has taken the load off its reading.
const QByteArray zeroFileLine = "0.000\tkg\t\r\n";

// The keys the receiver reports for lines of the output file: the same text, typed.
QStringList keysOf(const QByteArray& written)
{
    QStringList keys;
    for (qsizetype i = 0; i < written.size(); ++i) {
        const char c = written.at(i);
        if (c == '\t')
            keys << QStringLiteral("Tab");
        else if (c == '\r' && written.mid(i + 1, 1) == "\n") {
            keys << QStringLiteral("Return");
            ++i;
        } else
            keys << QString(QLatin1Char(c));
    }
    return keys;
}

// The commands in what the scale read, each without its CR LF; whatever follows the last CR LF
// stands at the end as it is.
QByteArrayList commandsIn(const QByteArray& stream)
{
    QByteArrayList commands = stream.split('\n');
    if (commands.constLast().isEmpty())
        commands.removeLast();
    for (QByteArray& command : commands) {
        if (command.endsWith('\r'))
            command.chop(1);
    }
    return commands;
}

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void serialButtonsSendTheirCommands_data();
    void serialButtonsSendTheirCommands();
    void closedPortTakesNoCommands_data();
    void closedPortTakesNoCommands();
    void cyclicReadingAsksUntilStopped_data();
    void cyclicReadingAsksUntilStopped();
    void ethernetButtonsSendWholeFrames_data();
    void ethernetButtonsSendWholeFrames();
    void simulatedScaleTakesCommandsOverTcp();
    void programTaresOnItsHotKey_data();
    void programTaresOnItsHotKey();

private:
    // The window after a start-up with configured settings, active as the program makes itself at
    // start: results go to the file, and are typed once another window has the focus.
    void startWindow();
    // The receiver window, with the focus taken from ours.
    bool startReceiver(ReceiverProcess& receiver);
    bool startScaleOnPort();
    void openPort();
    void chooseEthernet(EthProtocol protocol, quint16 port);
    void click(const char* button) { control<QPushButton>(button)->click(); }
    int counted() const { return control<QLabel>("countLabel")->text().toInt(); }
    QString status() const { return control<QLabel>("linkStatusLabel")->text(); }
    template <typename T>
    T* control(const char* name) const
    {
        return namedControl<T>(m_form.get(), name);
    }

    std::unique_ptr<TemporaryProfile> m_profile;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<ScaleLog> m_log;
    std::unique_ptr<ScaleInput> m_input;
    std::unique_ptr<SimScaleProcess> m_scale;
    std::unique_ptr<MainWindow> m_form;
    QString m_outputFile;
};

void TestCommands::init()
{
    m_profile = std::make_unique<TemporaryProfile>();
    SettingsKeeper::setProgramFolderForTests(m_profile->path());
    m_messages = std::make_unique<ScriptedMessages>();
    m_log = std::make_unique<ScaleLog>(m_profile->filePath(QStringLiteral("scale.log")));
    m_input = std::make_unique<ScaleInput>(*m_log);
    m_outputFile = m_profile->filePath(QStringLiteral("results.txt"));
}

void TestCommands::cleanup()
{
    m_form.reset();
    m_scale.reset();
    m_input.reset();
    m_log.reset();
    m_messages.reset();
    m_profile.reset();
}

void TestCommands::startWindow()
{
    QCOMPARE(writeConfiguredSettings(*m_profile, m_outputFile), QSettings::NoError);
    m_form = std::make_unique<MainWindow>();
    m_form->show();
    m_form->activateWindow();
    // The title comes with the loading of the settings; the two start-up timers follow it.
    QTRY_COMPARE_WITH_TIMEOUT(m_form->windowTitle(), ProgramInfo::title(), startTimeoutMs);
    QTRY_VERIFY(!m_form->findChild<QTimer*>(QStringLiteral("startUpTimer"))->isActive() &&
                !m_form->findChild<QTimer*>(QStringLiteral("minimiseTimer"))->isActive());
    QVERIFY2(m_messages->shown.isEmpty(), qPrintable(m_messages->shown.value(0).text));
    QCOMPARE(m_form->processData().options().outputFile, m_outputFile);
}

bool TestCommands::startReceiver(ReceiverProcess& receiver)
{
    if (!receiver.start(QStringLiteral(KWELTA_RECEIVER_PATH))) {
        qWarning("%s", qPrintable(receiver.errorString()));
        return false;
    }
    // Typing waits until the window has seen the focus go, which Qt learns a moment after the server.
    return QTest::qWaitFor([this] { return !m_form->isMainWindowActive(); }, lineTimeoutMs);
}

bool TestCommands::startScaleOnPort()
{
    m_scale = std::make_unique<SimScaleProcess>(QStringLiteral(KWELTA_SIMSCALE_PATH));
    // Forwarding would win over the file.
    m_scale->process().setProcessChannelMode(QProcess::SeparateChannels);
    m_scale->process().setStandardErrorFile(m_log->path());
    return m_scale->start(portsFolder(*m_profile) + QStringLiteral("/COM1"), {QStringLiteral("--verbose")});
}

void TestCommands::openPort()
{
    control<QSpinBox>("portBox")->setValue(1);
    control<QComboBox>("baudRateBox")->setCurrentIndex(12);
    click("openPortButton");
    QCOMPARE(status(), openText);
}

void TestCommands::chooseEthernet(EthProtocol protocol, quint16 port)
{
    control<QAbstractButton>("communicationButton")->click();
    control<RadioGroup>("connectionGroup")->setItemIndex(int(ScaleLink::Ethernet));
    control<QLineEdit>("hostEdit")->setText(loopback);
    control<QLineEdit>("ethPortEdit")->setText(QString::number(port));
    control<RadioGroup>("ethProtocolGroup")->setItemIndex(int(protocol));
}

void TestCommands::serialButtonsSendTheirCommands_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("specialOrder");
    QTest::addColumn<QByteArray>("sent");
    // What the scale's answer to the button and to the print that follows it leave in the file.
    QTest::addColumn<QByteArray>("written");

    const QString standard = QStringLiteral("Sx1");
    QTest::newRow("tare") << QByteArray("tareButton") << standard << QByteArray("ST\r\n") << zeroFileLine;
    QTest::newRow("zero") << QByteArray("zeroButton") << standard << QByteArray("SZ\r\n") << zeroFileLine;
    QTest::newRow("print") << QByteArray("printButton") << standard << QByteArray("SI\r\n")
                           << weighingFileLine + weighingFileLine;
    QTest::newRow("special as it stands")
        << QByteArray("specialButton") << standard << QByteArray("Sx1\r\n") << weighingFileLine + weighingFileLine;
    QTest::newRow("special with an escape")
        << QByteArray("specialButton") << QStringLiteral("S$41") << QByteArray("SA\r\n") << weighingFileLine;
    QTest::newRow("special with a control byte")
        << QByteArray("specialButton") << QStringLiteral("$1BP$00") << QByteArray("\x1bP\r\n") << weighingFileLine;
}

// Each button's command reaches the scale whole, once, with CR LF; the scale acts on it, and what it
// answers is typed into the focused window and counted like any print.
void TestCommands::serialButtonsSendTheirCommands()
{
    QFETCH(QByteArray, button);
    QFETCH(QString, specialOrder);
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, written);

    QVERIFY(startScaleOnPort());
    startWindow();
    if (QTest::currentTestFailed())
        return;
    openPort();
    if (QTest::currentTestFailed())
        return;
    ReceiverProcess receiver;
    QVERIFY(startReceiver(receiver));
    control<QLineEdit>("specialCommandEdit")->setText(specialOrder);

    click(button.constData());
    // The print goes down the same line after it, so once its answer is in, the scale has read
    // everything the button sent.
    click("printButton");
    const QStringList typed = keysOf(written);
    QVERIFY(receiver.waitForKeys(typed.size(), lineTimeoutMs));
    QCOMPARE(receiver.keys(), typed);
    QTRY_COMPARE_WITH_TIMEOUT(fileContents(m_outputFile), written, lineTimeoutMs);
    QTRY_COMPARE(counted(), int(written.count('\n')));
    QCOMPARE(m_input->bytes(), sent + "SI\r\n");
    QVERIFY(m_messages->shown.isEmpty());
    QCOMPARE(status(), openText);
}

void TestCommands::closedPortTakesNoCommands_data()
{
    QTest::addColumn<bool>("openedBefore");

    QTest::newRow("never opened") << false;
    QTest::newRow("opened and closed again") << true;
}

// While the serial port is closed the buttons are dropped without a word, and nothing of them is left
// to reach the scale once the port opens.
void TestCommands::closedPortTakesNoCommands()
{
    QFETCH(bool, openedBefore);

    QVERIFY(startScaleOnPort());
    startWindow();
    if (QTest::currentTestFailed())
        return;
    if (openedBefore) {
        openPort();
        if (QTest::currentTestFailed())
            return;
        click("openPortButton");
        QCOMPARE(status(), closedText);
    }
    QVERIFY(Global::SerialStopped);
    const QString shown = status();

    for (const char* button : {"tareButton", "zeroButton", "printButton", "specialButton"})
        click(button);
    QVERIFY2(m_messages->shown.isEmpty(), qPrintable(m_messages->shown.value(0).text));
    QCOMPARE(status(), shown);

    openPort();
    if (QTest::currentTestFailed())
        return;
    click("printButton");
    QTRY_COMPARE_WITH_TIMEOUT(fileContents(m_outputFile), weighingFileLine, lineTimeoutMs);
    QCOMPARE(m_input->bytes(), QByteArray("SI\r\n"));
    QCOMPARE(counted(), 1);
}

void TestCommands::cyclicReadingAsksUntilStopped_data()
{
    QTest::addColumn<QString>("time");
    QTest::addColumn<bool>("onlyStable");
    QTest::addColumn<QString>("shownTime");
    QTest::addColumn<QByteArray>("command");

    QTest::newRow("any result") << QStringLiteral("300") << false << QStringLiteral("300") << QByteArray("Sx1");
    QTest::newRow("only stable results") << QStringLiteral("300") << true << QStringLiteral("300") << QByteArray("SI");
    QTest::newRow("too short a period runs at the shortest")
        << QStringLiteral("50") << false << QStringLiteral("200") << QByteArray("Sx1");
}

// Ticked, the reading asks the scale period after period and the answers are typed and counted;
// while it runs the special command waits but the tare goes out; unticked, nothing more is asked
// while the scale's own prints still come in.
void TestCommands::cyclicReadingAsksUntilStopped()
{
    QFETCH(QString, time);
    QFETCH(bool, onlyStable);
    QFETCH(QString, shownTime);
    QFETCH(QByteArray, command);
    const QByteArray frame = command + "\r\n";

    QVERIFY(startScaleOnPort());
    startWindow();
    if (QTest::currentTestFailed())
        return;
    openPort();
    if (QTest::currentTestFailed())
        return;
    ReceiverProcess receiver;
    QVERIFY(startReceiver(receiver));
    // Unlike the standard one, this command cannot pass for one of the reading's.
    control<QLineEdit>("specialCommandEdit")->setText(QStringLiteral("S$41"));
    control<QLineEdit>("repeatTimeEdit")->setText(time);
    control<QComboBox>("repeatUnitBox")->setCurrentIndex(0);
    control<QCheckBox>("onlyStableBox")->setChecked(onlyStable);
    auto* timerRepeat = m_form->findChild<QTimer*>(QStringLiteral("repeatTimer"));
    QVERIFY(timerRepeat);
    QSignalSpy asked(timerRepeat, &QTimer::timeout);

    control<QCheckBox>("cyclicReadBox")->click();
    QVERIFY(timerRepeat->isActive());
    QCOMPARE(control<QLineEdit>("repeatTimeEdit")->text(), shownTime);
    QVERIFY(!control<QLineEdit>("repeatTimeEdit")->isEnabled());

    QVERIFY(m_input->waitForSize(3 * frame.size(), linkTimeoutMs));
    QCOMPARE(m_input->bytes().left(3 * frame.size()), frame.repeated(3));
    const QStringList threeResults = keysOf(weighingFileLine.repeated(3));
    QVERIFY(receiver.waitForKeys(threeResults.size(), linkTimeoutMs));
    QCOMPARE(receiver.keys().mid(0, threeResults.size()), threeResults);
    QTRY_VERIFY_WITH_TIMEOUT(counted() >= 3, lineTimeoutMs);

    click("specialButton");
    click("tareButton");
    control<QCheckBox>("cyclicReadBox")->click();
    QVERIFY(!timerRepeat->isActive());
    QVERIFY(control<QLineEdit>("repeatTimeEdit")->isEnabled());
    const int commands = int(asked.count());

    // The reading's commands in flight arrive, the tare among them, and each of them is answered.
    QVERIFY(m_input->waitForSize(commands * frame.size() + 4));
    QByteArrayList received = commandsIn(m_input->bytes());
    QCOMPARE(received.count("ST"), 1);
    received.removeOne("ST");
    QCOMPARE(received, QByteArrayList(commands, command));
    QTRY_COMPARE_WITH_TIMEOUT(counted(), commands, lineTimeoutMs);

    // The scale prints by itself twice, half a second apart, longer than a period: a reading still
    // running would have asked in between.
    m_scale->command("stream 2\n");
    QTRY_VERIFY_WITH_TIMEOUT(counted() >= commands + 2, linkTimeoutMs);
    m_scale->command("stream 0\n");
    QCOMPARE(commandsIn(m_input->bytes()).size(), commands + 1);
    QCOMPARE(asked.count(), commands);
    QVERIFY(m_messages->shown.isEmpty());
}

void TestCommands::ethernetButtonsSendWholeFrames_data()
{
    QTest::addColumn<int>("protocol");
    // One frame a button, for the tare, the zero and the print in turn.
    QTest::addColumn<QByteArrayList>("frames");

    QTest::newRow("TCP") << int(EthProtocol::Tcp) << QByteArrayList{"ST\r\n", "SZ\r\n", "SI\r\n"};
    QTest::newRow("UDP") << int(EthProtocol::Udp)
                         << QByteArrayList{QByteArray("ST\r\n\0", 5), QByteArray("SZ\r\n\0", 5),
                                           QByteArray("SI\r\n\0", 5)};
}

// A scale of the test's own on loopback reads exactly what each button sends: over TCP the frames in
// a stream, over UDP one datagram each, from the listener's port. A click before the link is open
// goes nowhere.
void TestCommands::ethernetButtonsSendWholeFrames()
{
    QFETCH(int, protocol);
    QFETCH(QByteArrayList, frames);
    const bool udp = protocol == int(EthProtocol::Udp);

    if (udp)
        SKIP_UNLESS_UDP_PORT_FREE(listenerPort);
    QTcpServer tcpScale;
    QUdpSocket udpScale;
    QVERIFY2(udp ? udpScale.bind(QHostAddress::LocalHost, 0) : tcpScale.listen(QHostAddress::LocalHost, 0),
             qPrintable(udp ? udpScale.errorString() : tcpScale.errorString()));
    startWindow();
    if (QTest::currentTestFailed())
        return;
    chooseEthernet(EthProtocol(protocol), udp ? udpScale.localPort() : tcpScale.serverPort());
    click("tareButton");

    click("openPortButton");
    QTRY_COMPARE_WITH_TIMEOUT(status(), connectedText, linkTimeoutMs);
    QTcpSocket* client = nullptr;
    if (udp) {
        // The listener's greeting tells the scale where to send; nothing else has come before it.
        QTRY_VERIFY_WITH_TIMEOUT(udpScale.hasPendingDatagrams(), linkTimeoutMs);
        const QNetworkDatagram greeting = udpScale.receiveDatagram();
        QCOMPARE(greeting.data(), QByteArray(1, '\0'));
        QCOMPARE(greeting.senderPort(), int(listenerPort));
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(tcpScale.hasPendingConnections(), linkTimeoutMs);
        client = tcpScale.nextPendingConnection();
    }

    for (const char* button : {"tareButton", "zeroButton", "printButton"})
        click(button);
    if (udp) {
        QByteArrayList datagrams;
        QVERIFY(QTest::qWaitFor(
            [&] {
                while (udpScale.hasPendingDatagrams())
                    datagrams << udpScale.receiveDatagram().data();
                return datagrams.size() >= frames.size();
            },
            lineTimeoutMs));
        QCOMPARE(datagrams, frames);
    } else {
        const QByteArray stream = frames.join();
        QByteArray read;
        QVERIFY(QTest::qWaitFor(
            [&] {
                read += client->readAll();
                return read.size() >= stream.size();
            },
            lineTimeoutMs));
        QCOMPARE(read, stream);
    }
    QVERIFY(m_messages->shown.isEmpty());
}

// The simulated scale on TCP takes the commands and answers the prints, and the answers are written and
// counted; the tare before the second print shows in its answer.
void TestCommands::simulatedScaleTakesCommandsOverTcp()
{
    m_scale = std::make_unique<SimScaleProcess>(QStringLiteral(KWELTA_SIMSCALE_PATH));
    m_scale->process().setProcessChannelMode(QProcess::SeparateChannels);
    m_scale->process().setStandardErrorFile(m_log->path());
    const quint16 port = m_scale->startOnNetwork(QStringLiteral("tcp"), {QStringLiteral("--verbose")});
    QVERIFY(port != 0);
    startWindow();
    if (QTest::currentTestFailed())
        return;
    chooseEthernet(EthProtocol::Tcp, port);
    click("openPortButton");
    QTRY_COMPARE_WITH_TIMEOUT(status(), connectedText, linkTimeoutMs);
    QVERIFY(m_log->waitForLineStarting("now serving client 127.0.0.1:"));

    click("printButton");
    QTRY_COMPARE_WITH_TIMEOUT(fileContents(m_outputFile), weighingFileLine, lineTimeoutMs);
    // Only now: the link hands on one result for each arrival, and two answers sent at once could
    // come as one.
    click("tareButton");
    click("printButton");
    QTRY_COMPARE_WITH_TIMEOUT(fileContents(m_outputFile), weighingFileLine + zeroFileLine, lineTimeoutMs);
    QCOMPARE(m_input->bytes(), QByteArray("SI\r\nST\r\nSI\r\n"));
    QTRY_COMPARE(counted(), 2);
    QVERIFY(m_messages->shown.isEmpty());
}

void TestCommands::programTaresOnItsHotKey_data()
{
    QTest::addColumn<bool>("numLock");
    QTest::newRow("plain") << false;
    QTest::newRow("with Num Lock on") << true;
}

// The program as a user starts it, its tare hot key stored, the port opened at start, and another
// program's window holding the focus: F8, pressed as `xdotool key F8` presses it, tares the scale.
void TestCommands::programTaresOnItsHotKey()
{
    QFETCH(bool, numLock);
    XKeyClient keys;
    QVERIFY(keys.isUsable());
    const quint8 f8 = keys.keycodeOf(XKB_KEY_F8);
    QVERIFY(f8 != 0);
    QVERIFY(startScaleOnPort());
    QCOMPARE(writeConfiguredSettings(*m_profile, m_outputFile,
                                     {{"ComOpenOnStart", "1"},
                                      {"Baud", "12"},
                                      {"TareCheck", "1"},
                                      {"TareShortCut", "F8"},
                                      {"Destination", "2"}}),
             QSettings::NoError);

    QProcess program;
    program.setProgram(QStringLiteral(KWELTA_PROGRAM_PATH));
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start();
    QVERIFY(program.waitForStarted(startTimeoutMs));
    const auto stopProgram = qScopeGuard([&program] {
        program.terminate();
        if (!program.waitForFinished(programTimeoutMs)) {
            program.kill();
            program.waitForFinished(programTimeoutMs);
        }
    });
    // The port is open once a print of the scale comes through; the hot keys were taken with the
    // settings, before the port opened. Asking for prints until one comes is needed because the
    // program may still be starting, and whatever reached the line before it opened is not read.
    // Grabbing the key to see whether it is taken would be no probe: a grab of ours at the moment the
    // program asks for the key would make the program's refused.
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
    QVERIFY(!keys.grabKey(f8, 0));
    ReceiverProcess receiver;
    QVERIFY2(receiver.start(QStringLiteral(KWELTA_RECEIVER_PATH)), qPrintable(receiver.errorString()));

    if (numLock)
        keys.tapKeysym(XKB_KEY_Num_Lock);
    const auto unlock = qScopeGuard([&] {
        if (numLock)
            keys.tapKeysym(XKB_KEY_Num_Lock);
    });
    QCOMPARE(bool(keys.lockedModifiers() & keys.numLockMask()), numLock);
    const qsizetype before = m_input->bytes().size();
    keys.tap(f8);
    QVERIFY(m_input->waitForSize(before + 4));
    QCOMPARE(m_input->bytes().mid(before), QByteArray("ST\r\n"));
}

int main(int argc, char** argv)
{
    TemporaryProfile profile;
    // The window must find only the test's serial ports.
    NoMachineSerialPorts noDevices;
    XvfbServer server;
    if (!server.startForApplication("tst_commands"))
        return EXIT_FAILURE;
    QApplication application(argc, argv);
    TestCommands test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_commands.moc"
