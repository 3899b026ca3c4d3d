// The Ethernet link under its supervision, against the simulated scale in a network namespace of the
// test's own, with real echo requests every three seconds: a TCP connection survives three checks the
// scale leaves unanswered, is dropped at the fourth and opened again once the scale answers; a UDP
// listener stays open and reads as waiting for its scale meanwhile, hears no one but the scale, and hears
// it without asking a name server about its address; closing by the user ends the checks, even with one
// still out. The link's side lives in a namespace of its own too. Needs root and the ip tool.

#include "link/ethconnection.h"
#include "link/ethlinkstatus.h"
#include "link/ethsupervision.h"
#include "link/raw_ping.h"
#include "link/udplistener.h"

#include "support/requiredskip.h"
#include "support/scalelog.h"
#include "support/scratchhost.h"
#include "support/simscaleprocess.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <memory>
#include <utility>
#include <vector>

namespace {

// Checks come three seconds after the answer to the one before: four unanswered ones and the answered
// one after them take about fifteen seconds.
constexpr int CheckRunTimeoutMs = 40000;
constexpr int ArrivalTimeoutMs = 10000;
// A lookup held up by name servers that never answer ends when the resolver gives up on them all.
constexpr int ResolverGiveUpTimeoutMs = 90000;
const QByteArray DefaultLine = "     12.345 kg\r\n";
const QByteArray LighterLine = "      3.500 kg\r\n";
const QString Connected = QStringLiteral("Połączono");
const QString Connecting = QStringLiteral("Łączenie...");
const QString Disconnected = QStringLiteral("Rozłączono");

QString stateName(EthLinkState state)
{
    switch (state) {
    case EthLinkState::Disconnecting:
        return QStringLiteral("Disconnecting");
    case EthLinkState::Disconnected:
        return QStringLiteral("Disconnected");
    case EthLinkState::Connecting:
        return QStringLiteral("Connecting");
    case EthLinkState::Connected:
        return QStringLiteral("Connected");
    }
    return QString::number(int(state));
}

// The states reported, each run of repeats as one: the passage the status line went through.
QStringList passage(const QSignalSpy& reports)
{
    QStringList names;
    for (const QList<QVariant>& report : reports) {
        const QString name = stateName(report.constFirst().value<EthLinkState>());
        if (names.isEmpty() || names.constLast() != name)
            names.append(name);
    }
    return names;
}

// The link as the supervision had left it after dealing with one check's answer.
struct CheckSeen
{
    bool answered = false;
    qint32 failures = 0;
    EthLinkState shown = EthLinkState::Disconnected;
    bool reconnectPending = false;
    bool open = false;
};

QString describe(bool answered, qint32 failures, EthLinkState shown, bool reconnectPending, bool open)
{
    return QStringLiteral("%1, failures %2, shown %3%4%5")
        .arg(answered ? QStringLiteral("answered") : QStringLiteral("unanswered"))
        .arg(failures)
        .arg(stateName(shown), reconnectPending ? QStringLiteral(", reconnect pending") : QString(),
             open ? QStringLiteral(", open") : QStringLiteral(", closed"));
}

// The first `count` checks from the first one the scale left unanswered, described.
QStringList silentRun(const QList<CheckSeen>& checks, qsizetype count)
{
    QStringList run;
    for (const CheckSeen& check : checks) {
        if (run.isEmpty() && check.answered)
            continue;
        if (run.size() == count)
            break;
        run.append(describe(check.answered, check.failures, check.shown, check.reconnectPending, check.open));
    }
    return run;
}

// A network namespace the calling thread moves into for the object's life, with its loopback up. The
// threads and processes started from that thread meanwhile (the link's checks and listener, the ip tool
// and through it the scratch host's near end, the scale) start inside it. The link's side of the test
// lives there, so that local port 1001 is the test's alone, whatever else on this machine binds it.
class HomeNamespace
{
public:
    HomeNamespace()
        : m_name(QStringLiteral("kwhome%1").arg(QCoreApplication::applicationPid()))
    {}
    ~HomeNamespace()
    {
        if (m_original >= 0) {
            ::setns(m_original, CLONE_NEWNET);
            ::close(m_original);
        }
        if (m_created)
            QProcess::execute(ipTool(), {QStringLiteral("netns"), QStringLiteral("del"), m_name});
    }
    HomeNamespace(const HomeNamespace&) = delete;
    HomeNamespace& operator=(const HomeNamespace&) = delete;

    // Empty once inside, else what failed.
    QString enter()
    {
        m_original = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
        if (m_original < 0)
            return QStringLiteral("this thread's network namespace cannot be opened");
        m_created = QProcess::execute(ipTool(), {QStringLiteral("netns"), QStringLiteral("add"), m_name}) == 0;
        if (!m_created)
            return QStringLiteral("ip netns add %1 failed").arg(m_name);
        const int fd = ::open(qPrintable(QStringLiteral("/run/netns/") + m_name), O_RDONLY | O_CLOEXEC);
        const bool entered = fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
        if (fd >= 0)
            ::close(fd);
        if (!entered)
            return QStringLiteral("namespace %1 could not be entered").arg(m_name);
        if (QProcess::execute(ipTool(), {QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"),
                                         QStringLiteral("up")}) != 0)
            return QStringLiteral("the loopback of %1 did not come up").arg(m_name);
        return {};
    }

private:
    QString m_name;
    int m_original = -1;
    bool m_created = false;
};

// Stands in for every IPv4 name server /etc/resolv.conf names (127.0.0.1 where it names none) inside the
// namespace the calling thread is in: a socket that takes the queries in and never answers, as a name
// server out of reach does. Only a lookup through DNS reaches one.
QString silenceNameServers(std::vector<std::unique_ptr<QUdpSocket>>& servers)
{
    QList<QHostAddress> addresses;
    QFile conf(QStringLiteral("/etc/resolv.conf"));
    if (conf.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : conf.readAll().split('\n')) {
            const QList<QByteArray> words = line.simplified().split(' ');
            const QHostAddress address(QString::fromLatin1(words.value(1)));
            if (words.constFirst() == "nameserver" && address.protocol() == QAbstractSocket::IPv4Protocol)
                addresses.append(address);
        }
    }
    if (addresses.isEmpty())
        addresses.append(QHostAddress(QHostAddress::LocalHost));
    for (const QHostAddress& address : addresses) {
        if (!address.isLoopback() && QProcess::execute(ipTool(), {QStringLiteral("addr"), QStringLiteral("replace"),
                                                                  address.toString() + QStringLiteral("/32"),
                                                                  QStringLiteral("dev"), QStringLiteral("lo")}) != 0)
            return QStringLiteral("%1 could not be put on the loopback").arg(address.toString());
        auto server = std::make_unique<QUdpSocket>();
        if (!server->bind(address, 53))
            return QStringLiteral("%1:53: %2").arg(address.toString(), server->errorString());
        servers.push_back(std::move(server));
    }
    return {};
}

// The link and its supervision as the window holds them, with the real reachability check, what reached
// the intake, and what each check's answer left behind.
class SupervisedLink
{
public:
    explicit SupervisedLink(const EthTarget& target)
        : link([] { return ReadMode::Indication; }, [this](const QByteArray& piece) { pieces.append(piece); },
               ReachabilityCheck::Probe(PingHost), UdpListener::DefaultLocalPort)
        , supervision(link, [target] { return target; })
    {
        // Connected after the supervision's own handler, so each entry shows what that answer did.
        QObject::connect(&link, &EthConnection::reachabilityChecked, &link, [this](bool answered) {
            checks.append({answered, link.pingFailures(), link.shownState(), link.ReconnectPending(), link.isOpen()});
        });
    }

    QString status() const
    {
        const std::optional<EthLinkStatus> status = ethLinkStatus(int(link.shownState()), supervision.isWanted());
        return status ? status->text : QString();
    }

    QList<QByteArray> pieces;
    QList<CheckSeen> checks;
    EthConnection link;
    EthSupervision supervision;
};

} // namespace

class TestEthSupervision : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    // First of the cases that open a listener: Qt keeps the answer to a lookup for a minute, and an
    // answer kept from an earlier case would hide a lookup here.
    void udpListenerAsksNoNameServerAboutAnAddress();
    void tcpDroppedAtTheFourthSilentCheckAndReopened();
    void udpListenerWaitsOpenWhileTheScaleIsSilent();
    void udpListenerHearsOnlyTheScale_data();
    void udpListenerHearsOnlyTheScale();
    void closingEndsTheChecks_data();
    void closingEndsTheChecks();

private:
    // The simulated scale inside the namespace on its address, its log going to m_log; the port it
    // took, 0 when it did not start.
    quint16 startScale(const QString& kind, const QStringList& options = {});
    // Starts the scale of the protocol, with UDP answers going to our end's port 1001.
    quint16 startScaleFor(EthProtocol protocol);
    EthTarget target(EthProtocol protocol, quint16 port) const { return {quint8(protocol), m_host->far(), port}; }

    std::unique_ptr<HomeNamespace> m_home;
    std::unique_ptr<ScratchHost> m_host;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScaleLog> m_log;
    std::unique_ptr<SimScaleProcess> m_scale;
};

void TestEthSupervision::initTestCase()
{
    if (::geteuid() != 0)
        SKIP_UNLESS_REQUIRED("a network namespace of the test's own needs root");
    if (ipTool().isEmpty())
        SKIP_UNLESS_REQUIRED("the ip tool (iproute2) is missing");
    m_home = std::make_unique<HomeNamespace>();
    const QString failure = m_home->enter();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

void TestEthSupervision::cleanupTestCase()
{
    m_home.reset();
}

void TestEthSupervision::init()
{
    m_host = std::make_unique<ScratchHost>();
    const QString failure = m_host->create();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    // The new link may take a moment to carry traffic, and the first check of every case is to be answered.
    QTRY_VERIFY_WITH_TIMEOUT(PingHost(m_host->far()), ArrivalTimeoutMs);
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_log = std::make_unique<ScaleLog>(m_dir->filePath(QStringLiteral("scale.log")));
}

void TestEthSupervision::cleanup()
{
    // The scale lives in the namespace, so it goes first.
    m_scale.reset();
    m_log.reset();
    m_dir.reset();
    m_host.reset();
}

quint16 TestEthSupervision::startScale(const QString& kind, const QStringList& options)
{
    m_scale = std::make_unique<SimScaleProcess>(QStringLiteral(KWELTA_SIMSCALE_PATH), m_host->execPrefix());
    // Forwarding would win over the file.
    m_scale->process().setProcessChannelMode(QProcess::SeparateChannels);
    m_scale->process().setStandardErrorFile(m_log->path());
    return m_scale->startOnNetwork(
        kind, QStringList{QStringLiteral("--address"), m_host->far(), QStringLiteral("--verbose")} + options);
}

quint16 TestEthSupervision::startScaleFor(EthProtocol protocol)
{
    if (protocol == EthProtocol::Tcp)
        return startScale(QStringLiteral("tcp"));
    return startScale(
        QStringLiteral("udp"),
        {QStringLiteral("--peer"), QStringLiteral("%1:%2").arg(m_host->near()).arg(UdpListener::DefaultLocalPort)});
}

void TestEthSupervision::udpListenerAsksNoNameServerAboutAnAddress()
{
    // Scale networks are often cut off from every name server, and a lookup waiting for one would leave
    // the scale unheard until the resolver gave up.
    std::vector<std::unique_ptr<QUdpSocket>> nameServers;
    const QString failure = silenceNameServers(nameServers);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    const quint16 port = startScaleFor(EthProtocol::Udp);
    QVERIFY(port != 0);
    SupervisedLink rig(target(EthProtocol::Udp, port));
    rig.supervision.openOrCloseLink(false);
    QCOMPARE(rig.link.udpLocalPort(), UdpListener::DefaultLocalPort);
    QVERIFY(
        m_log->waitFor([](const QByteArray& line) { return line.startsWith("received: "); }, ResolverGiveUpTimeoutMs));
    for (const auto& server : nameServers)
        QVERIFY2(!server->hasPendingDatagrams(),
                 qPrintable(QStringLiteral("the name server %1 was asked about the scale's address")
                                .arg(server->localAddress().toString())));
    m_scale->command("print\n");
    QTRY_COMPARE_WITH_TIMEOUT(rig.pieces, QList<QByteArray>{DefaultLine}, ArrivalTimeoutMs);
}

void TestEthSupervision::tcpDroppedAtTheFourthSilentCheckAndReopened()
{
    const quint16 port = startScaleFor(EthProtocol::Tcp);
    QVERIFY(port != 0);
    SupervisedLink rig(target(EthProtocol::Tcp, port));

    rig.supervision.openOrCloseLink(false);
    QTRY_COMPARE_WITH_TIMEOUT(rig.status(), Connected, ArrivalTimeoutMs);
    // A print before the scale has taken the client would go nowhere.
    QVERIFY(m_log->waitForLineStarting("now serving client"));
    m_scale->command("print\n");
    QTRY_COMPARE_WITH_TIMEOUT(rig.pieces, QList<QByteArray>{DefaultLine}, ArrivalTimeoutMs);

    QSignalSpy reports(&rig.link, &EthConnection::stateChanged);
    rig.checks.clear();
    QVERIFY(m_host->ignorePings());
    QTRY_COMPARE_WITH_TIMEOUT(silentRun(rig.checks, 4).size(), 4, CheckRunTimeoutMs);
    const QStringList expected = {
        describe(false, 1, EthLinkState::Connected, false, true),
        describe(false, 2, EthLinkState::Connected, false, true),
        describe(false, 3, EthLinkState::Connected, false, true),
        describe(false, 4, EthLinkState::Disconnected, true, false),
    };
    QCOMPARE(silentRun(rig.checks, 4), expected);
    // Still wanted, so the status line says the link is being connected rather than closed.
    QCOMPARE(rig.link.linkState(), EthLinkState::Disconnected);
    QCOMPARE(rig.status(), Connecting);
    QVERIFY(rig.link.ReconnectPending());
    QVERIFY(rig.supervision.isWanted());

    QVERIFY(m_host->answerPings());
    QTRY_COMPARE_WITH_TIMEOUT(rig.status(), Connected, CheckRunTimeoutMs);
    QCOMPARE(passage(reports),
             (QStringList{QStringLiteral("Disconnected"), QStringLiteral("Connecting"), QStringLiteral("Connected")}));
    QVERIFY(!rig.link.ReconnectPending());
    QCOMPARE(rig.link.pingFailures(), 0);
    QVERIFY(m_log->waitForLineStarting("now serving client"));
    m_scale->command("weight 3.5\nprint\n");
    QTRY_COMPARE_WITH_TIMEOUT(rig.pieces, (QList<QByteArray>{DefaultLine, LighterLine}), ArrivalTimeoutMs);
}

void TestEthSupervision::udpListenerWaitsOpenWhileTheScaleIsSilent()
{
    const quint16 port = startScaleFor(EthProtocol::Udp);
    QVERIFY(port != 0);
    SupervisedLink rig(target(EthProtocol::Udp, port));
    QSignalSpy listenerFailed(&rig.link, &EthConnection::listenerFailed);

    rig.supervision.openOrCloseLink(false);
    QVERIFY2(listenerFailed.isEmpty(), qPrintable(listenerFailed.value(0).value(1).toString()));
    QCOMPARE(rig.link.udpLocalPort(), UdpListener::DefaultLocalPort);
    QCOMPARE(rig.status(), Connected);
    // The listener greets the scale once it knows the scale's address; from then on the scale counts.
    QVERIFY(m_log->waitForLineStarting("received: "));
    m_scale->command("print\n");
    QTRY_COMPARE_WITH_TIMEOUT(rig.pieces, QList<QByteArray>{DefaultLine}, ArrivalTimeoutMs);

    QSignalSpy reports(&rig.link, &EthConnection::stateChanged);
    rig.checks.clear();
    QVERIFY(m_host->ignorePings());
    QTRY_COMPARE_WITH_TIMEOUT(silentRun(rig.checks, 4).size(), 4, CheckRunTimeoutMs);
    const QStringList expected = {
        describe(false, 1, EthLinkState::Connected, false, true),
        describe(false, 2, EthLinkState::Connected, false, true),
        describe(false, 3, EthLinkState::Connected, false, true),
        describe(false, 4, EthLinkState::Disconnected, false, true),
    };
    QCOMPARE(silentRun(rig.checks, 4), expected);
    QCOMPARE(rig.status(), Connecting);
    QCOMPARE(rig.link.udpLocalPort(), UdpListener::DefaultLocalPort);
    // Nothing was closed: what the scale prints meanwhile still arrives.
    m_scale->command("weight 3.5\nprint\n");
    QTRY_COMPARE_WITH_TIMEOUT(rig.pieces, (QList<QByteArray>{DefaultLine, LighterLine}), ArrivalTimeoutMs);

    QVERIFY(m_host->answerPings());
    QTRY_COMPARE_WITH_TIMEOUT(rig.status(), Connected, CheckRunTimeoutMs);
    QCOMPARE(passage(reports), (QStringList{QStringLiteral("Disconnected"), QStringLiteral("Connected")}));
    QCOMPARE(rig.link.pingFailures(), 0);
    QCOMPARE(rig.link.udpLocalPort(), UdpListener::DefaultLocalPort);
}

void TestEthSupervision::udpListenerHearsOnlyTheScale_data()
{
    QTest::addColumn<QString>("source");

    QTest::newRow("loopback") << QStringLiteral("127.0.0.1");
    // Our end of the link to the scale: the right network, the wrong host. The address is the scratch
    // host's, which does not exist yet while the rows are made.
    QTest::newRow("our end of the link") << QStringLiteral("NEAR");
}

void TestEthSupervision::udpListenerHearsOnlyTheScale()
{
    QFETCH(QString, source);

    const quint16 port = startScaleFor(EthProtocol::Udp);
    QVERIFY(port != 0);
    SupervisedLink rig(target(EthProtocol::Udp, port));
    rig.supervision.openOrCloseLink(false);
    QCOMPARE(rig.link.udpLocalPort(), UdpListener::DefaultLocalPort);
    QVERIFY(m_log->waitForLineStarting("received: "));

    const QHostAddress from(source == QStringLiteral("NEAR") ? m_host->near() : source);
    QUdpSocket other;
    QVERIFY(other.bind(from, 0));
    const QByteArray foreign = "     99.999 kg\r\n";
    QCOMPARE(other.writeDatagram(foreign, from, UdpListener::DefaultLocalPort), foreign.size());
    // The other sender's datagram is queued at the listener before the scale has even been told to print.
    m_scale->command("weight 3.5\nprint\n");
    QTRY_VERIFY_WITH_TIMEOUT(!rig.pieces.isEmpty(), ArrivalTimeoutMs);
    QCOMPARE(rig.pieces, QList<QByteArray>{LighterLine});
}

void TestEthSupervision::closingEndsTheChecks_data()
{
    QTest::addColumn<EthProtocol>("protocol");
    QTest::addColumn<bool>("checkOut");

    QTest::newRow("tcp, between checks") << EthProtocol::Tcp << false;
    QTest::newRow("tcp, a check out") << EthProtocol::Tcp << true;
    QTest::newRow("udp, between checks") << EthProtocol::Udp << false;
    QTest::newRow("udp, a check out") << EthProtocol::Udp << true;
}

void TestEthSupervision::closingEndsTheChecks()
{
    QFETCH(EthProtocol, protocol);
    QFETCH(bool, checkOut);

    const quint16 port = startScaleFor(protocol);
    QVERIFY(port != 0);
    SupervisedLink rig(target(protocol, port));
    rig.supervision.openOrCloseLink(false);
    QTRY_COMPARE_WITH_TIMEOUT(rig.status(), Connected, ArrivalTimeoutMs);
    QSignalSpy checked(&rig.link, &EthConnection::reachabilityChecked);

    if (checkOut) {
        // The check left out goes unanswered, so its answer would count a failure, and put the timer back
        // on, if it still counted.
        QVERIFY(m_host->ignorePings());
        bool closed = false;
        // After the supervision's own handler, which has sent the tick's check by then.
        connect(&rig.supervision.timer(), &QTimer::timeout, &rig.link, [&] {
            if (!std::exchange(closed, true))
                rig.supervision.openOrCloseLink(true);
        });
        QTRY_VERIFY_WITH_TIMEOUT(closed, CheckRunTimeoutMs);
        QVERIFY(checked.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 1, ArrivalTimeoutMs);
        QCOMPARE(checked.constFirst().constFirst().toBool(), false);
    } else {
        // The first answer puts the timer back on for the next tick.
        QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 1, CheckRunTimeoutMs);
        QVERIFY(rig.supervision.timer().isActive());
        rig.supervision.openOrCloseLink(true);
    }

    QVERIFY(!rig.supervision.timer().isActive());
    QVERIFY(!rig.supervision.isWanted());
    QCOMPARE(rig.link.pingFailures(), 0);
    QVERIFY(!rig.link.ReconnectPending());
    QVERIFY(!rig.link.isOpen());
    QCOMPARE(rig.status(), Disconnected);
}

QTEST_GUILESS_MAIN(TestEthSupervision)
#include "tst_ethsupervision.moc"
