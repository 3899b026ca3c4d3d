// The Ethernet link end to end: the main window and the program as a process of its own, the simulated
// scale on loopback TCP and UDP, the real reachability check, and the real keyboard backend typing into
// another program's window, all under an X server of the test's own.
#include "core/global.h"
#include "core/programinfo.h"
#include "link/ethconnection.h"
#include "processing/processdata.h"
#include "support/configuredsettings.h"
#include "support/datagramflood.h"
#include "support/filecontents.h"
#include "support/processfigures.h"
#include "support/pseudoterminal.h"
#include "support/receiver/receiverprocess.h"
#include "support/scalelog.h"
#include "support/scriptedmessages.h"
#include "support/simscaleprocess.h"
#include "support/temporaryprofile.h"
#include "support/udpport.h"
#include "support/xvfbserver.h"
#include "ui/mainwindow.h"
#include "ui/namedcontrol.h"
#include "ui/radiogroup.h"
#include "ui/settingskeeper.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <QElapsedTimer>

#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>

namespace {

constexpr int startTimeoutMs = 10000;
constexpr int lineTimeoutMs = 5000;
// Long enough for the connect check and a few rounds of the supervision.
constexpr int linkTimeoutMs = 15000;
constexpr quint16 listenerPort = 1001;

const QString loopback = QStringLiteral("127.0.0.1");
const QString connectedText = QStringLiteral("Połączono");
const QString connectingText = QStringLiteral("Łączenie...");
const QString disconnectedText = QStringLiteral("Rozłączono");
const QString openCaption = QStringLiteral("Otwórz port");
const QString closeCaption = QStringLiteral("Zamknij port");
const QString red = QStringLiteral("#ff0000");
const QString yellow = QStringLiteral("#9a6700");
const QString green = QStringLiteral("#008000");
const QByteArray weighingFileLine = "12.345\tkg\t\r\n";
const QStringList weighingKeys{"1", "2", ".", "3", "4", "5", "Tab", "k", "g", "Tab", "Return"};
const char* const ethernetControls[] = {"connectionGroup", "ethernetGroup", "hostEdit", "ethPortEdit",
                                        "ethProtocolGroup"};

} // namespace

class TestEthLink : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowOpensTypesAndCloses_data();
    void windowOpensTypesAndCloses();
    void programOnItsOwnOpensTheLinkAtStart();
    void refusedConnectionWaitsUntilTheUserGivesUp();
    void heldListenerPortFails();
    void datagramFloodLeavesTheProgramAnswering();

private:
    void writeSettings(const SettingValues& changes);
    // The window after a start-up with the settings written, activated as the program activates it.
    void startWindow();
    // The scale on the network with its log going to m_log; the port it took.
    quint16 startScale(const QString& kind, const QStringList& options = {});
    void openEthernet(int protocol, quint16 port);
    QString status() const { return control<QLabel>("linkStatusLabel")->text(); }
    bool statusIn(const QString& colour) const
    {
        return control<QLabel>("linkStatusLabel")->styleSheet().contains(colour);
    }
    QString caption() const { return control<QPushButton>("openPortButton")->text(); }
    QTimer* timerPing() const { return m_form->findChild<QTimer*>(QStringLiteral("TimerPing")); }
    bool ethernetControlsEnabled(bool enabled) const;
    // openPortButton while the link is wanted: closed, red, the settings free again, no more checks.
    void closeByUser();
    template <typename T>
    T* control(const char* name) const
    {
        return namedControl<T>(m_form.get(), name);
    }

    std::unique_ptr<TemporaryProfile> m_profile;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<ScaleLog> m_log;
    std::unique_ptr<SimScaleProcess> m_scale;
    std::unique_ptr<MainWindow> m_form;
    QString m_outputFile;
};

void TestEthLink::init()
{
    m_profile = std::make_unique<TemporaryProfile>();
    SettingsKeeper::setProgramFolderForTests(m_profile->path());
    m_messages = std::make_unique<ScriptedMessages>();
    m_log = std::make_unique<ScaleLog>(m_profile->filePath(QStringLiteral("scale.log")));
    m_outputFile = m_profile->filePath(QStringLiteral("results.txt"));
}

void TestEthLink::cleanup()
{
    m_form.reset();
    m_scale.reset();
    m_log.reset();
    m_messages.reset();
    m_profile.reset();
}

void TestEthLink::writeSettings(const SettingValues& changes)
{
    QCOMPARE(writeConfiguredSettings(*m_profile, m_outputFile, changes), QSettings::NoError);
}

void TestEthLink::startWindow()
{
    writeSettings({});
    if (QTest::currentTestFailed())
        return;
    m_form = std::make_unique<MainWindow>();
    m_form->show();
    m_form->activateWindow();
    // The title comes with the loading of the settings; the two start-up timers follow it.
    QTRY_COMPARE_WITH_TIMEOUT(m_form->windowTitle(), ProgramInfo::title(), startTimeoutMs);
    QTRY_VERIFY(!m_form->findChild<QTimer*>(QStringLiteral("startUpTimer"))->isActive() &&
                !m_form->findChild<QTimer*>(QStringLiteral("minimiseTimer"))->isActive());
    QVERIFY2(m_messages->shown.isEmpty(), qPrintable(m_messages->shown.value(0).text));
    QVERIFY(control<QCheckBox>("typeIntoFocusBox")->isChecked());
    QVERIFY(control<QCheckBox>("appendToFileBox")->isChecked());
    QCOMPARE(m_form->processData().options().outputFile, m_outputFile);
}

quint16 TestEthLink::startScale(const QString& kind, const QStringList& options)
{
    m_scale = std::make_unique<SimScaleProcess>(QStringLiteral(KWELTA_SIMSCALE_PATH));
    // Forwarding would win over the file.
    m_scale->process().setProcessChannelMode(QProcess::SeparateChannels);
    m_scale->process().setStandardErrorFile(m_log->path());
    return m_scale->startOnNetwork(kind, options + QStringList{QStringLiteral("--verbose")});
}

// As the user does it: the communication panel, Ethernet, the scale's address, port and protocol, open.
void TestEthLink::openEthernet(int protocol, quint16 port)
{
    control<QAbstractButton>("communicationButton")->click();
    control<RadioGroup>("connectionGroup")->setItemIndex(int(ScaleLink::Ethernet));
    control<QLineEdit>("hostEdit")->setText(loopback);
    control<QLineEdit>("ethPortEdit")->setText(QString::number(port));
    control<RadioGroup>("ethProtocolGroup")->setItemIndex(protocol);
    control<QPushButton>("openPortButton")->click();
}

void TestEthLink::closeByUser()
{
    control<QPushButton>("openPortButton")->click();
    QTRY_COMPARE(status(), disconnectedText);
    QVERIFY(statusIn(red));
    QCOMPARE(caption(), openCaption);
    QVERIFY(ethernetControlsEnabled(true));
    QVERIFY(!timerPing()->isActive());
}

bool TestEthLink::ethernetControlsEnabled(bool enabled) const
{
    for (const char* name : ethernetControls) {
        if (control<QWidget>(name)->isEnabled() != enabled) {
            qWarning("%s is %s", name, enabled ? "disabled" : "enabled");
            return false;
        }
    }
    return true;
}

void TestEthLink::windowOpensTypesAndCloses_data()
{
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("scaleOptions");
    // The scale's log line that says the link has reached it: the client it serves, or the listener's
    // greeting, sent once the listener knows the scale's address and takes its datagrams.
    QTest::addColumn<QByteArray>("reached");

    QTest::newRow("TCP") << int(EthProtocol::Tcp) << QStringLiteral("tcp") << QStringList()
                         << QByteArray("now serving client 127.0.0.1:");
    QTest::newRow("UDP") << int(EthProtocol::Udp) << QStringLiteral("udp")
                         << QStringList{QStringLiteral("--peer"), QStringLiteral("127.0.0.1:%1").arg(listenerPort)}
                         << QByteArray("received: ");
}

void TestEthLink::windowOpensTypesAndCloses()
{
    QFETCH(int, protocol);
    QFETCH(QString, kind);
    QFETCH(QStringList, scaleOptions);
    QFETCH(QByteArray, reached);

    // The listener's port is fixed: it needs root or CAP_NET_BIND_SERVICE, and nobody else may hold it.
    if (protocol == int(EthProtocol::Udp))
        SKIP_UNLESS_UDP_PORT_FREE(listenerPort);
    const quint16 port = startScale(kind, scaleOptions);
    QVERIFY(port != 0);
    startWindow();
    if (QTest::currentTestFailed())
        return;

    openEthernet(protocol, port);
    QTRY_COMPARE_WITH_TIMEOUT(status(), connectedText, linkTimeoutMs);
    QVERIFY(statusIn(green));
    QCOMPARE(caption(), closeCaption);
    QVERIFY(ethernetControlsEnabled(false));
    QVERIFY(timerPing()->isActive());
    QVERIFY(m_log->waitForLineStarting(reached));

    ReceiverProcess receiver;
    QVERIFY2(receiver.start(QStringLiteral(KWELTA_RECEIVER_PATH)), qPrintable(receiver.errorString()));
    // Typing waits until the window has seen the focus go, which Qt learns a moment after the server.
    QTRY_VERIFY_WITH_TIMEOUT(!m_form->isMainWindowActive(), lineTimeoutMs);
    m_scale->command("print\n");
    QVERIFY(receiver.waitForKeys(weighingKeys.size(), lineTimeoutMs));
    QCOMPARE(receiver.keys(), weighingKeys);
    QTRY_COMPARE_WITH_TIMEOUT(fileContents(m_outputFile), weighingFileLine, lineTimeoutMs);
    QTRY_COMPARE(control<QLabel>("countLabel")->text(), QStringLiteral("1"));
    QCOMPARE(status(), connectedText);

    closeByUser();
    if (QTest::currentTestFailed())
        return;
    // Closed means let go of: the scale has no client any more, the listener's port is free again.
    if (protocol == int(EthProtocol::Tcp)) {
        QVERIFY(m_log->waitForLineStarting("now serving no client"));
    } else {
        QUdpSocket freed;
        QVERIFY2(freed.bind(QHostAddress::AnyIPv4, listenerPort, QAbstractSocket::DontShareAddress),
                 qPrintable(freed.errorString()));
    }
}

// The program started as a user starts it, with settings that open the Ethernet link at start.
void TestEthLink::programOnItsOwnOpensTheLinkAtStart()
{
    const quint16 port = startScale(QStringLiteral("tcp"));
    QVERIFY(port != 0);
    writeSettings({{"Connection", "1"},
                   {"EthIP", loopback},
                   {"EthPort", QString::number(port)},
                   {"EthProtocol", "0"},
                   {"ComOpenOnStart", "1"}});
    if (QTest::currentTestFailed())
        return;

    QProcess program;
    program.setProgram(QStringLiteral(KWELTA_PROGRAM_PATH));
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    program.start();
    QVERIFY(program.waitForStarted(startTimeoutMs));
    QVERIFY(m_log->waitFor([](const QByteArray& line) { return line.startsWith("now serving client 127.0.0.1:"); },
                           linkTimeoutMs));

    ReceiverProcess receiver;
    QVERIFY2(receiver.start(QStringLiteral(KWELTA_RECEIVER_PATH)), qPrintable(receiver.errorString()));
    // The program learns that its window lost the focus a moment after the server, and nothing outside
    // it can tell when; results until then go to the file only. So the scale prints on, and each
    // result is typed whole or not at all.
    m_scale->command("stream 4\n");
    QVERIFY(receiver.waitForKeys(weighingKeys.size(), linkTimeoutMs));
    m_scale->command("stream 0\n");
    QCOMPARE(receiver.keys().mid(0, weighingKeys.size()), weighingKeys);

    program.terminate();
    QVERIFY(program.waitForFinished(lineTimeoutMs));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    // Every result went to the file, typed or not.
    const QByteArray written = fileContents(m_outputFile);
    QVERIFY(!written.isEmpty());
    QCOMPARE(written, weighingFileLine.repeated(written.size() / weighingFileLine.size()));
    // The close kept the link's settings as they were.
    QSettings stored(m_profile->filePath(QStringLiteral("config/Ostrel/Kwelta.conf")), QSettings::IniFormat);
    QCOMPARE(stored.value(QStringLiteral("Connection")).toString(), QStringLiteral("1"));
    QCOMPARE(stored.value(QStringLiteral("EthIP")).toString(), loopback);
    QCOMPARE(stored.value(QStringLiteral("EthPort")).toString(), QString::number(port));
    QCOMPARE(stored.value(QStringLiteral("EthProtocol")).toString(), QStringLiteral("0"));
}

// The host answers but nothing listens on the port: the window keeps waiting for the scale, through
// the supervision's rounds, until the user gives up.
void TestEthLink::refusedConnectionWaitsUntilTheUserGivesUp()
{
    // Bound and never listening: every connection to it is refused, and nobody else can take it meanwhile.
    QTcpSocket nobody;
    QVERIFY2(nobody.bind(QHostAddress::LocalHost, 0), qPrintable(nobody.errorString()));
    startWindow();
    if (QTest::currentTestFailed())
        return;
    QSignalSpy rounds(timerPing(), &QTimer::timeout);

    openEthernet(int(EthProtocol::Tcp), nobody.localPort());
    QTRY_COMPARE_WITH_TIMEOUT(status(), connectingText, linkTimeoutMs);
    // By the second round the refusal is long past and the first round's check has been answered.
    QTRY_VERIFY_WITH_TIMEOUT(rounds.count() >= 2, 4 * linkTimeoutMs);
    QCOMPARE(status(), connectingText);
    QVERIFY(statusIn(yellow));
    QCOMPARE(caption(), closeCaption);
    QVERIFY(ethernetControlsEnabled(false));

    closeByUser();
    if (QTest::currentTestFailed())
        return;
    QVERIFY(m_messages->shown.isEmpty());
}

// Another socket holds the listener's port: opening fails, says which port and why, and is over.
void TestEthLink::heldListenerPortFails()
{
    SKIP_UNLESS_UDP_PORT_FREE(listenerPort);
    auto holder = std::make_unique<QUdpSocket>();
    QVERIFY2(holder->bind(QHostAddress::AnyIPv4, listenerPort, QAbstractSocket::DontShareAddress),
             qPrintable(holder->errorString()));
    const quint16 port =
        startScale(QStringLiteral("udp"), {QStringLiteral("--peer"), QStringLiteral("127.0.0.1:%1").arg(listenerPort)});
    QVERIFY(port != 0);
    startWindow();
    if (QTest::currentTestFailed())
        return;
    // What the system says to the next one that asks for the port, in the language the window chose.
    QUdpSocket refused;
    QVERIFY(!refused.bind(QHostAddress::AnyIPv4, listenerPort, QAbstractSocket::DontShareAddress));
    const QString failure =
        QStringLiteral("Nie można otworzyć lokalnego portu UDP %1: %2").arg(listenerPort).arg(refused.errorString());

    openEthernet(int(EthProtocol::Udp), port);
    QTRY_COMPARE(status(), failure);
    QVERIFY(statusIn(red));
    QCOMPARE(caption(), openCaption);
    QVERIFY(ethernetControlsEnabled(true));
    QVERIFY(!timerPing()->isActive());
    QVERIFY(m_messages->shown.isEmpty());

    // Once the port is free, the button opens the listener.
    holder.reset();
    control<QPushButton>("openPortButton")->click();
    QTRY_COMPARE_WITH_TIMEOUT(status(), connectedText, linkTimeoutMs);
    QVERIFY(timerPing()->isActive());
    QVERIFY(m_log->waitForLineStarting("received: "));
}

// A million datagrams from the scale's own address: the program's memory stays bounded, a result sent
// after the flood still goes through (how soon is bench_udpflood's figure), and a SIGTERM in the middle
// of another flood closes the program as always, its settings written.
void TestEthLink::datagramFloodLeavesTheProgramAnswering()
{
    SKIP_UNLESS_UDP_PORT_FREE(listenerPort);
    QUdpSocket scale;
    QVERIFY(scale.bind(QHostAddress::LocalHost, 0));
    writeSettings({{"Connection", "1"},
                   {"EthIP", loopback},
                   {"EthPort", QString::number(scale.localPort())},
                   {"EthProtocol", "1"},
                   {"ComOpenOnStart", "1"}});
    if (QTest::currentTestFailed())
        return;
    ReceiverProcess receiver;
    QVERIFY2(receiver.start(QStringLiteral(KWELTA_RECEIVER_PATH)), qPrintable(receiver.errorString()));
    QProcess program;
    program.setProgram(QStringLiteral(KWELTA_PROGRAM_PATH));
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    program.start();
    QVERIFY(program.waitForStarted(startTimeoutMs));
    // The greeting: the listener is open and knows the scale's address.
    QVERIFY(scale.waitForReadyRead(linkTimeoutMs));
    scale.receiveDatagram();
    QVERIFY(receiver.activate());
    const qint64 before = residentKiB(program.processId());

    qint64 peak = before;
    {
        DatagramFlood flood(int(scale.socketDescriptor()), listenerPort, "     99.999 kg\r\n", 1000000);
        while (!flood.done()) {
            QTest::qWait(20);
            peak = std::max(peak, residentKiB(program.processId()));
        }
        QCOMPARE(flood.sent(), 1000000);
    }
    const QByteArray last("      7.250 kg\r\n");
    scale.writeDatagram(last, QHostAddress::LocalHost, listenerPort);
    const QByteArray lastFileLine("7.250\tkg\t\r\n");

    QTRY_VERIFY_WITH_TIMEOUT(fileContents(m_outputFile).endsWith(lastFileLine), 10000);
    qInfo("resident memory %lld KiB before the flood, %lld KiB at most during it", before, peak);
    // AddressSanitizer holds freed memory in quarantine (256 MB), so the bounds only mean something in a
    // normal build; there the figures are printed, and the result must come.
#if !defined(__SANITIZE_ADDRESS__)
    QVERIFY2(peak - before < 100 * 1024, qPrintable(QString::number(peak - before)));
    QVERIFY2(peak < 150 * 1024, qPrintable(QString::number(peak)));
#endif
    const QStringList lastKeys{"7", ".", "2", "5", "0", "Tab", "k", "g", "Tab", "Return"};
    QVERIFY(receiver.waitFor([&] { return receiver.keys().mid(receiver.keys().size() - lastKeys.size()) == lastKeys; },
                             linkTimeoutMs));

    {
        DatagramFlood flood(int(scale.socketDescriptor()), listenerPort, "     99.999 kg\r\n", 1000000);
        QTest::qWait(300);
        QElapsedTimer closing;
        closing.start();
        program.terminate();
        QVERIFY(program.waitForFinished(5000));
        qInfo("SIGTERM under the flood closed the program in %lld ms", closing.elapsed());
    }
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QSettings stored(m_profile->filePath(QStringLiteral("config/Ostrel/Kwelta.conf")), QSettings::IniFormat);
    QCOMPARE(stored.value(QStringLiteral("EthProtocol")).toString(), QStringLiteral("1"));
}

int main(int argc, char** argv)
{
    TemporaryProfile profile;
    // Should the settings fall back to the defaults, the port search must find only the test's ports.
    NoMachineSerialPorts noDevices;
    XvfbServer server;
    if (!server.startForApplication("tst_ethlink"))
        return EXIT_FAILURE;
    QApplication application(argc, argv);
    TestEthLink test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ethlink.moc"
