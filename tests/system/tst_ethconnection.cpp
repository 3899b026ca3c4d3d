// The Ethernet link on loopback sockets: a TCP scale of the test's own (a QTcpServer), a UDP scale (a
// QUdpSocket), and a scripted answer to the reachability check, so that every state is reached on
// purpose. The supervision's ticks are run by hand; TimerPing's own timing is the namespace test's.
#include "link/ethconnection.h"
#include "link/ethlinkstatus.h"
#include "link/ethsupervision.h"
#include "link/udplistener.h"

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <QScopeGuard>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>

Q_DECLARE_METATYPE(EthLinkState)

namespace {

constexpr int waitMs = 10000;
const QByteArray weight("     12.345 kg\r\n");
const QString loopback = QStringLiteral("127.0.0.1");

QList<EthLinkState> states(const QSignalSpy& spy)
{
    QList<EthLinkState> seen;
    for (const QList<QVariant>& call : spy)
        seen << call.at(0).value<EthLinkState>();
    return seen;
}

} // namespace

class TestEthConnection : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void tcpConnectsCutsAndSends();
    void shortLinesGoToTheirObserverInTurn();
    void reportModeHandsOnEveryArrival();
    void silentHostGetsNoSocket();
    void aLinkThatStaysDownSaysWhyOnce_data();
    void aLinkThatStaysDownSaysWhyOnce();
    void refusedConnectionIsTriedAgainUntilCancelled();
    void userCancelsAnAttempt();
    void scaleClosingTheConnectionAsksForAReconnect();
    void endlessTextWithoutLineFeedIsBounded();
    void supervisionDropsAtTheFourthSilenceAndReopens();
    void closingStopsTheSupervision();
    void everyLineGoesOnOnceWhenItArrives_data();
    void everyLineGoesOnOnceWhenItArrives();
    void udpTakesTheScalesDatagramsOnly();
    void udpCommandsGoOutWhole();
    void udpSilenceIsShownWhileTheListenerStays();
    void listenerPortHeldIsReported();

private:
    // A link whose check answers m_reachable, listening for UDP on a port the system chooses.
    void makeLink();
    // The TCP link connected to m_server; the scale's end of it.
    QTcpSocket* connectTcp();
    // Runs one supervision tick and waits for its answer.
    void tick();
    QByteArray readFromScale(QTcpSocket* scale, qsizetype size);
    // The scale's end of the link's latest connection; null when none came.
    QTcpSocket* acceptScale();

    std::atomic<bool> m_reachable{true};
    std::atomic<int> m_checks{0};
    ReadMode m_mode = ReadMode::Indication;
    QList<QByteArray> m_handed;
    std::unique_ptr<EthConnection> m_link;
    std::unique_ptr<EthSupervision> m_supervision;
    std::unique_ptr<QTcpServer> m_server;
};

void TestEthConnection::init()
{
    m_reachable = true;
    m_checks = 0;
    m_mode = ReadMode::Indication;
    m_handed.clear();
    m_server = std::make_unique<QTcpServer>();
    QVERIFY(m_server->listen(QHostAddress::LocalHost));
    makeLink();
}

void TestEthConnection::cleanup()
{
    m_supervision.reset();
    m_link.reset();
    m_server.reset();
    QTRY_COMPARE_WITH_TIMEOUT(ReachabilityCheck::workersOut(), 0, waitMs);
}

void TestEthConnection::makeLink()
{
    m_link =
        std::make_unique<EthConnection>([this] { return m_mode; }, [this](const QByteArray& text) { m_handed << text; },
                                        [this](const QString&) {
                                            ++m_checks;
                                            return m_reachable.load();
                                        },
                                        quint16(0));
    m_supervision = std::make_unique<EthSupervision>(*m_link, [this] {
        return EthTarget{quint8(EthProtocol::Tcp), loopback, qint32(m_server->serverPort())};
    });
}

QTcpSocket* TestEthConnection::connectTcp()
{
    QSignalSpy spy(m_link.get(), &EthConnection::stateChanged);
    m_link->toggleConnection(0, loopback, m_server->serverPort());
    if (!QTest::qWaitFor([&] { return m_link->linkState() == EthLinkState::Connected; }, waitMs))
        return nullptr;
    QTcpSocket* scale = acceptScale();
    // Reported at once: the state as it stood while the host was asked, then the attempt, then the
    // connection.
    const QList<EthLinkState> expected{EthLinkState::Disconnected, EthLinkState::Connecting, EthLinkState::Connected};
    return states(spy) == expected ? scale : nullptr;
}

QTcpSocket* TestEthConnection::acceptScale()
{
    if (!m_server->hasPendingConnections() && !m_server->waitForNewConnection(waitMs))
        return nullptr;
    return m_server->nextPendingConnection();
}

void TestEthConnection::tick()
{
    QSignalSpy answered(m_link.get(), &EthConnection::reachabilityChecked);
    m_supervision->pingTimerFired();
    QVERIFY(answered.wait(waitMs));
}

QByteArray TestEthConnection::readFromScale(QTcpSocket* scale, qsizetype size)
{
    QByteArray read;
    while (read.size() < size && (scale->bytesAvailable() > 0 || scale->waitForReadyRead(waitMs)))
        read += scale->readAll();
    return read;
}

void TestEthConnection::tcpConnectsCutsAndSends()
{
    QTcpSocket* scale = connectTcp();
    QVERIFY(scale);
    QVERIFY(!m_link->ReconnectPending());

    scale->write(weight);
    scale->flush();
    QTRY_COMPARE_WITH_TIMEOUT(m_handed, QList<QByteArray>{weight}, waitMs);

    m_link->sendTcp("ST\r\n");
    QCOMPARE(readFromScale(scale, 4), QByteArray("ST\r\n"));

    QSignalSpy spy(m_link.get(), &EthConnection::stateChanged);
    m_link->toggleConnection(0, loopback, m_server->serverPort());
    QCOMPARE(states(spy), (QList<EthLinkState>{EthLinkState::Disconnected, EthLinkState::Disconnected}));
    QVERIFY(!m_link->isOpen());
    QVERIFY(m_link->connectedHost().isEmpty());
    QCOMPARE(m_link->connectedPort(), 0);
    QVERIFY(scale->state() == QAbstractSocket::UnconnectedState || scale->waitForDisconnected(waitMs));
    // Nothing goes out on a closed link.
    m_link->sendTcp("ST\r\n");
}

// The monitor of received lines hears of what the cut dropped, in turn with what went to the intake,
// and names the link as the user opened it.
void TestEthConnection::shortLinesGoToTheirObserverInTurn()
{
    QList<QByteArray> seen;
    m_link->setShortLineObserver([&seen](const QByteArray& line) { seen << "short " + line; });
    QTcpSocket* scale = connectTcp();
    QVERIFY(scale);
    QCOMPARE(m_link->linkName(), QStringLiteral("TCP %1:%2").arg(loopback).arg(m_server->serverPort()));

    scale->write("OK\r\n" + weight);
    scale->flush();
    QTRY_COMPARE_WITH_TIMEOUT(m_handed, QList<QByteArray>{weight}, waitMs);
    QCOMPARE(seen, QList<QByteArray>{"short OK\r\n"});

    m_link->setShortLineObserver({});
    scale->write("ACK\r\n" + weight);
    scale->flush();
    QTRY_COMPARE_WITH_TIMEOUT(m_handed.size(), 2, waitMs);
    QCOMPARE(seen.size(), 1);
}

void TestEthConnection::reportModeHandsOnEveryArrival()
{
    m_mode = ReadMode::Report;
    QTcpSocket* scale = connectTcp();
    QVERIFY(scale);
    for (const QByteArray& piece : {QByteArray("SCAN\r\nNetto"), QByteArray(" 1.5 kg\r\n")}) {
        const qsizetype before = m_handed.size();
        scale->write(piece);
        scale->flush();
        QTRY_COMPARE_WITH_TIMEOUT(m_handed.size(), before + 1, waitMs);
        QCOMPARE(m_handed.last(), piece);
    }
}

void TestEthConnection::silentHostGetsNoSocket()
{
    m_reachable = false;
    QSignalSpy spy(m_link.get(), &EthConnection::stateChanged);
    m_link->toggleConnection(0, loopback, m_server->serverPort());
    QTRY_COMPARE_WITH_TIMEOUT(m_checks.load(), 1, waitMs);
    QTRY_COMPARE_WITH_TIMEOUT(ReachabilityCheck::workersOut(), 0, waitMs);
    // Delivers the answer, which was posted before the worker ended.
    QCoreApplication::processEvents();

    QCOMPARE(states(spy), QList<EthLinkState>{EthLinkState::Disconnected});
    QCOMPARE(m_link->linkState(), EthLinkState::Disconnected);
    QVERIFY(m_link->ReconnectPending());
    QVERIFY(m_link->findChildren<QTcpSocket*>().isEmpty());
    QVERIFY(!m_server->hasPendingConnections());
}

namespace {

QStringList linkLogLines;
QtMessageHandler previousHandler = nullptr;

void recordLinkLog(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (context.category && QByteArrayView(context.category) == "kwelta.link")
        linkLogLines << message;
    previousHandler(type, context, message);
}

} // namespace

void TestEthConnection::aLinkThatStaysDownSaysWhyOnce_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("realCheck");
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<bool>("listening");
    QTest::addColumn<QString>("why");

    QTest::newRow("an IPv6 address") << "::1" << true << false << true << "IPv6";
    QTest::newRow("a host that does not answer echo requests")
        << loopback << false << false << true << "the host does not answer";
    QTest::newRow("a host that refuses the connection")
        << loopback << false << true << false << "the connection was not made (Connection refused)";
}

// Round after round of the supervision, the log says once why the link is down, and once that it came.
void TestEthConnection::aLinkThatStaysDownSaysWhyOnce()
{
    QFETCH(QString, host);
    QFETCH(bool, realCheck);
    QFETCH(bool, reachable);
    QFETCH(bool, listening);
    QFETCH(QString, why);

    // Bound and never listening: every connection to it is refused until it listens.
    QTcpServer scale;
    QTcpSocket nobody;
    quint16 port = m_server->serverPort();
    if (!listening) {
        QVERIFY(nobody.bind(QHostAddress::LocalHost, 0));
        port = nobody.localPort();
    }
    if (realCheck) {
        m_link = std::make_unique<EthConnection>([] { return ReadMode::Indication; }, [](const QByteArray&) {},
                                                 ReachabilityCheck::Probe(askHost), quint16(0));
    }
    m_supervision = std::make_unique<EthSupervision>(*m_link, [host, port] {
        return EthTarget{quint8(EthProtocol::Tcp), host, qint32(port)};
    });
    m_reachable = reachable;
    linkLogLines.clear();
    previousHandler = qInstallMessageHandler(recordLinkLog);
    const auto restore = qScopeGuard([] { qInstallMessageHandler(previousHandler); });
    const auto waits = [] { return linkLogLines.filter(QStringLiteral(" waits: ")); };

    m_supervision->openOrCloseLink(false);
    QTRY_COMPARE_WITH_TIMEOUT(waits().size(), 1, waitMs);
    for (int round = 0; round < 3; ++round) {
        tick();
        QTest::qWait(50);
    }
    QCOMPARE(waits().size(), 1);
    QVERIFY2(waits().constFirst().contains(why), qPrintable(waits().constFirst()));
    QVERIFY2(waits().constFirst().contains(QStringLiteral("The TCP link to %1:%2").arg(host).arg(port)),
             qPrintable(waits().constFirst()));
    if (listening)
        return;
    // The scale's service comes: the next round connects, and says so once.
    nobody.close();
    QVERIFY(scale.listen(QHostAddress::LocalHost, port));
    tick();
    QTRY_COMPARE_WITH_TIMEOUT(m_link->linkState(), EthLinkState::Connected, waitMs);
    QCOMPARE(linkLogLines.filter(QStringLiteral(" is connected.")).size(), 1);
}

// A refused attempt reads "Łączenie..." while the link is wanted, is tried again at each answered check
// until the scale takes it, and ends when the user closes the link.
void TestEthConnection::refusedConnectionIsTriedAgainUntilCancelled()
{
    QTcpServer later;
    QVERIFY(later.listen(QHostAddress::LocalHost));
    const quint16 port = later.serverPort();
    later.close();
    m_supervision = std::make_unique<EthSupervision>(*m_link, [port] {
        return EthTarget{quint8(EthProtocol::Tcp), loopback, qint32(port)};
    });

    QSignalSpy spy(m_link.get(), &EthConnection::stateChanged);
    m_supervision->openOrCloseLink(false);
    QTRY_VERIFY_WITH_TIMEOUT(states(spy).contains(EthLinkState::Connecting), waitMs);
    QTRY_VERIFY_WITH_TIMEOUT(m_link->ReconnectPending(), waitMs);
    QCOMPARE(m_link->linkState(), EthLinkState::Disconnected);
    QCOMPARE(ethLinkStatus(int(m_link->shownState()), m_supervision->isWanted())->text, QStringLiteral("Łączenie..."));

    // Refused again, then taken once the scale listens.
    for (const bool listening : {false, true}) {
        if (listening)
            QVERIFY(later.listen(QHostAddress::LocalHost, port));
        spy.clear();
        tick();
        QTRY_VERIFY_WITH_TIMEOUT(!spy.isEmpty() && spy.last().at(0).value<EthLinkState>() != EthLinkState::Connecting,
                                 waitMs);
        QCOMPARE(m_link->linkState(), listening ? EthLinkState::Connected : EthLinkState::Disconnected);
    }
    QVERIFY(later.hasPendingConnections() || later.waitForNewConnection(waitMs));
}

void TestEthConnection::userCancelsAnAttempt()
{
    // A scale that leaves the attempt waiting: its queue of connections not yet taken is full, so the
    // kernel drops the link's SYN and the attempt goes on until it is cancelled.
    const int scale = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    QVERIFY(scale >= 0);
    const auto closeScale = qScopeGuard([scale] { ::close(scale); });
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    QVERIFY(::bind(scale, reinterpret_cast<sockaddr*>(&address), length) == 0);
    QVERIFY(::getsockname(scale, reinterpret_cast<sockaddr*>(&address), &length) == 0);
    QVERIFY(::listen(scale, 0) == 0);
    QTcpSocket filler;
    filler.connectToHost(QHostAddress::LocalHost, ntohs(address.sin_port));
    QVERIFY(filler.waitForConnected(waitMs));
    m_supervision = std::make_unique<EthSupervision>(*m_link, [&address] {
        return EthTarget{quint8(EthProtocol::Tcp), loopback, qint32(ntohs(address.sin_port))};
    });

    QSignalSpy spy(m_link.get(), &EthConnection::stateChanged);
    m_supervision->openOrCloseLink(false);
    QTRY_COMPARE_WITH_TIMEOUT(m_link->linkState(), EthLinkState::Connecting, waitMs);
    m_supervision->openOrCloseLink(true);
    QCOMPARE(m_link->linkState(), EthLinkState::Disconnected);
    QVERIFY(!m_link->isOpen());
    QVERIFY(!m_supervision->timer().isActive());
    QCOMPARE(states(spy),
             (QList<EthLinkState>{EthLinkState::Disconnected, EthLinkState::Connecting, EthLinkState::Disconnected}));
    QCOMPARE(ethLinkStatus(int(m_link->linkState()), m_supervision->isWanted())->text, QStringLiteral("Rozłączono"));
}

void TestEthConnection::scaleClosingTheConnectionAsksForAReconnect()
{
    QTcpSocket* scale = connectTcp();
    QVERIFY(scale);
    scale->close();
    QTRY_COMPARE_WITH_TIMEOUT(m_link->linkState(), EthLinkState::Disconnected, waitMs);
    QVERIFY(m_link->ReconnectPending());

    // The next answered check opens it again.
    tick();
    QTRY_COMPARE_WITH_TIMEOUT(m_link->linkState(), EthLinkState::Connected, waitMs);
    QVERIFY(acceptScale());
}

void TestEthConnection::endlessTextWithoutLineFeedIsBounded()
{
    QTcpSocket* scale = connectTcp();
    QVERIFY(scale);
    const QByteArray endless(4 * PendingText::Limit, 'x');
    scale->write(endless);
    scale->flush();
    QTRY_VERIFY_WITH_TIMEOUT(m_link->received().isEmpty(), waitMs);
    // The overlong line's end is dropped with it; the next line goes on as it is.
    scale->write("xxx\r\n" + weight);
    scale->flush();
    QTRY_COMPARE_WITH_TIMEOUT(m_handed, QList<QByteArray>{weight}, waitMs);
    QVERIFY(m_link->received().size() <= PendingText::Limit);
}

void TestEthConnection::supervisionDropsAtTheFourthSilenceAndReopens()
{
    m_supervision->openOrCloseLink(false);
    QTRY_COMPARE_WITH_TIMEOUT(m_link->linkState(), EthLinkState::Connected, waitMs);
    QTcpSocket* first = acceptScale();
    QVERIFY(first);

    // One answer between silences starts the count again.
    m_reachable = false;
    tick();
    tick();
    m_reachable = true;
    tick();
    QCOMPARE(m_link->pingFailures(), 0);

    m_reachable = false;
    for (int silent = 1; silent <= 3; ++silent) {
        tick();
        QCOMPARE(m_link->pingFailures(), silent);
        QCOMPARE(m_link->linkState(), EthLinkState::Connected);
    }
    QSignalSpy spy(m_link.get(), &EthConnection::stateChanged);
    tick();
    QCOMPARE(m_link->linkState(), EthLinkState::Disconnected);
    QVERIFY(m_link->ReconnectPending());
    QVERIFY(first->state() == QAbstractSocket::UnconnectedState || first->waitForDisconnected(waitMs));
    // Silences while the reconnect is pending are not counted.
    tick();
    QCOMPARE(m_link->pingFailures(), 4);

    m_reachable = true;
    tick();
    QTRY_COMPARE_WITH_TIMEOUT(m_link->linkState(), EthLinkState::Connected, waitMs);
    QCOMPARE(m_link->pingFailures(), 0);
    QVERIFY(!m_link->ReconnectPending());
    QVERIFY(states(spy).contains(EthLinkState::Connecting));
    QVERIFY(acceptScale());
    // Each tick restarts the timer while the link is wanted.
    QVERIFY(m_supervision->timer().isActive());
}

void TestEthConnection::closingStopsTheSupervision()
{
    // The host never answered: closing must not open the link when it does.
    m_reachable = false;
    m_supervision->openOrCloseLink(false);
    QVERIFY(m_supervision->isWanted());
    QVERIFY(m_supervision->timer().isActive());
    QTRY_COMPARE_WITH_TIMEOUT(m_checks.load(), 1, waitMs);
    QTRY_COMPARE_WITH_TIMEOUT(ReachabilityCheck::workersOut(), 0, waitMs);
    QCoreApplication::processEvents();
    QVERIFY(m_link->ReconnectPending());

    QSignalSpy spy(m_link.get(), &EthConnection::stateChanged);
    m_supervision->openOrCloseLink(true);
    QVERIFY(!m_supervision->isWanted());
    QVERIFY(!m_supervision->timer().isActive());
    QVERIFY(!m_link->ReconnectPending());
    QCOMPARE(states(spy), QList<EthLinkState>{EthLinkState::Disconnected});
    QCOMPARE(m_checks.load(), 1);
}

// Writes over TCP, or datagrams over UDP, one after the other; after each, exactly the lines it
// completed have gone on, in order, and nothing waits.
void TestEthConnection::everyLineGoesOnOnceWhenItArrives_data()
{
    QTest::addColumn<bool>("udp");
    QTest::addColumn<bool>("makerLines");
    QTest::addColumn<QList<QByteArray>>("arrivals");
    QTest::addColumn<QList<QList<QByteArray>>>("linesPerArrival");

    const QByteArray first("     12.345 kg\r\n");
    const QByteArray second("      1.000 kg\r\n");
    const QByteArray third("     -0.500 kg\r\n");
    QByteArray burst;
    QList<QByteArray> burstLines;
    for (int i = 0; i < 10000; ++i) {
        burstLines << QByteArray::number(i).rightJustified(11, ' ') + " kg\r\n";
        burst += burstLines.constLast();
    }
    // As many as fit into one datagram.
    const QList<QByteArray> datagramLines = burstLines.first(UdpListener::DatagramLimit / burstLines.first().size());
    const QByteArray datagramBurst = datagramLines.join();

    for (const bool udp : {false, true}) {
        const char* link = udp ? "UDP: " : "TCP: ";
        const auto row = [link](const char* name) -> QTestData& {
            return QTest::newRow(qPrintable(QLatin1String(link) + QLatin1String(name)));
        };
        row("one line") << udp << false << QList<QByteArray>{first} << QList<QList<QByteArray>>{{first}};
        row("three lines at once, then one more") << udp << false << QList<QByteArray>{first + second + third, second}
                                                  << QList<QList<QByteArray>>{{first, second, third}, {second}};
        row("a line split across arrivals") << udp << false << QList<QByteArray>{"     12.3", "45 kg\r", "\n" + second}
                                            << QList<QList<QByteArray>>{{}, {}, {first, second}};
        row("lines and half a line") << udp << false << QList<QByteArray>{first + second + "     -0.5", "00 kg\r\n"}
                                     << QList<QList<QByteArray>>{{first, second}, {third}};
        row("a short answer among lines drops only itself")
            << udp << false << QList<QByteArray>{first + "OK\r\n" + second}
            << QList<QList<QByteArray>>{{first, second}};
        row("makers' lines ended by CR alone")
            << udp << true << QList<QByteArray>{"ST,+00123.45  g\r186.65g\r1.5g\r", "\nUS,+00001.00  g\r"}
            << QList<QList<QByteArray>>{{"ST,+00123.45  g\r\n", "186.65g\r\n", "1.5g\r\n"}, {"US,+00001.00  g\r\n"}};
        if (udp)
            row("a datagram full of lines")
                << udp << false << QList<QByteArray>{datagramBurst} << QList<QList<QByteArray>>{datagramLines};
        else
            row("10,000 lines in one write")
                << udp << false << QList<QByteArray>{burst} << QList<QList<QByteArray>>{burstLines};
    }
}

void TestEthConnection::everyLineGoesOnOnceWhenItArrives()
{
    QFETCH(bool, udp);
    QFETCH(bool, makerLines);
    QFETCH(QList<QByteArray>, arrivals);
    QFETCH(QList<QList<QByteArray>>, linesPerArrival);

    m_link->setMakerLines(makerLines);
    QUdpSocket udpScale;
    QTcpSocket* tcpScale = nullptr;
    quint16 listener = 0;
    if (udp) {
        QVERIFY(udpScale.bind(QHostAddress::LocalHost, 0));
        m_link->toggleConnection(1, loopback, udpScale.localPort());
        listener = m_link->udpLocalPort();
        // The greeting says the listener knows the scale's address.
        QVERIFY(udpScale.waitForReadyRead(waitMs));
        udpScale.receiveDatagram();
    } else {
        tcpScale = connectTcp();
        QVERIFY(tcpScale);
    }

    QList<QByteArray> expected;
    for (qsizetype i = 0; i < arrivals.size(); ++i) {
        if (udp) {
            QCOMPARE(udpScale.writeDatagram(arrivals[i], QHostAddress::LocalHost, listener), arrivals[i].size());
        } else {
            tcpScale->write(arrivals[i]);
            tcpScale->flush();
        }
        expected += linesPerArrival[i];
        QTRY_COMPARE_WITH_TIMEOUT(m_handed.size(), expected.size(), waitMs);
        // Give a late extra line the chance to show.
        QTest::qWait(20);
        QCOMPARE(m_handed, expected);
        QCOMPARE(m_link->linesWaiting(), 0);
    }
}

void TestEthConnection::udpTakesTheScalesDatagramsOnly()
{
    QUdpSocket scale;
    QVERIFY(scale.bind(QHostAddress::LocalHost, 0));
    QSignalSpy spy(m_link.get(), &EthConnection::stateChanged);
    m_link->toggleConnection(1, loopback, scale.localPort());
    // There is no connection to wait for.
    QCOMPARE(states(spy), QList<EthLinkState>{EthLinkState::Connected});
    const quint16 listener = m_link->udpLocalPort();
    QVERIFY(listener != 0);

    QVERIFY(scale.waitForReadyRead(waitMs));
    const QNetworkDatagram greeting = scale.receiveDatagram();
    QCOMPARE(greeting.data(), QByteArray(1, '\0'));
    QCOMPARE(greeting.senderPort(), int(listener));

    // Another host's datagram is ignored; 127.0.0.2 is a loopback address of its own.
    QUdpSocket stranger;
    QVERIFY(stranger.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0));
    stranger.writeDatagram("    99.999 kg\r\n", QHostAddress::LocalHost, listener);
    stranger.waitForBytesWritten(waitMs);
    const QByteArray longLine = QByteArray(150, ' ') + "12.345 kg\r\n";
    const QList<QByteArray> sent{QByteArray("\0    1.000 kg\r\n", 15), longLine + '\0' + "junk", weight};
    for (const QByteArray& datagram : sent)
        scale.writeDatagram(datagram, QHostAddress::LocalHost, listener);
    QTRY_COMPARE_WITH_TIMEOUT(m_handed, (QList<QByteArray>{longLine, weight}), waitMs);

    QSignalSpy closing(m_link.get(), &EthConnection::stateChanged);
    m_link->toggleConnection(1, loopback, scale.localPort());
    QCOMPARE(states(closing), QList<EthLinkState>{EthLinkState::Disconnected});
    QVERIFY(!m_link->isOpen());
}

void TestEthConnection::udpCommandsGoOutWhole()
{
    QUdpSocket scale;
    QVERIFY(scale.bind(QHostAddress::LocalHost, 0));
    m_link->toggleConnection(1, loopback, scale.localPort());
    QVERIFY(scale.waitForReadyRead(waitMs));
    scale.receiveDatagram();

    const QByteArray longCommand = QByteArray(180, 'C') + "\r\n";
    for (const QByteArray& command : {QByteArray("ST\r\n"), longCommand}) {
        m_link->sendUdp(command);
        QVERIFY(scale.hasPendingDatagrams() || scale.waitForReadyRead(waitMs));
        QCOMPARE(scale.receiveDatagram().data(), command + '\0');
    }
}

void TestEthConnection::udpSilenceIsShownWhileTheListenerStays()
{
    QUdpSocket scale;
    QVERIFY(scale.bind(QHostAddress::LocalHost, 0));
    m_link->toggleConnection(1, loopback, scale.localPort());
    const quint16 listener = m_link->udpLocalPort();
    // The greeting comes once the listener knows the scale's address, whose datagrams it then takes.
    QVERIFY(scale.waitForReadyRead(waitMs));
    scale.receiveDatagram();

    QSignalSpy spy(m_link.get(), &EthConnection::stateChanged);
    for (int silent = 1; silent <= 4; ++silent) {
        m_link->countPingFailure();
        m_link->dropIfUnreachable();
    }
    QCOMPARE(states(spy), QList<EthLinkState>{EthLinkState::Disconnected});
    QCOMPARE(m_link->shownState(), EthLinkState::Disconnected);
    QCOMPARE(m_link->linkState(), EthLinkState::Connected);
    QVERIFY(!m_link->ReconnectPending());
    QCOMPARE(m_link->udpLocalPort(), listener);

    scale.writeDatagram(weight, QHostAddress::LocalHost, listener);
    QTRY_COMPARE_WITH_TIMEOUT(m_handed, QList<QByteArray>{weight}, waitMs);

    m_link->resetPingFailures();
    QCOMPARE(states(spy), (QList<EthLinkState>{EthLinkState::Disconnected, EthLinkState::Connected}));
}

void TestEthConnection::listenerPortHeldIsReported()
{
    QUdpSocket holder;
    QVERIFY(holder.bind(QHostAddress::AnyIPv4, 0));
    m_link = std::make_unique<EthConnection>([] { return ReadMode::Indication; }, [](const QByteArray&) {},
                                             [](const QString&) { return true; }, holder.localPort());

    QSignalSpy spy(m_link.get(), &EthConnection::stateChanged);
    QSignalSpy failed(m_link.get(), &EthConnection::listenerFailed);
    m_link->toggleConnection(1, loopback, 1001);
    QCOMPARE(states(spy), QList<EthLinkState>{EthLinkState::Disconnected});
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.at(0).at(0).value<quint16>(), holder.localPort());
    QVERIFY(!failed.at(0).at(1).toString().isEmpty());
    QVERIFY(!m_link->isOpen());
}

QTEST_GUILESS_MAIN(TestEthConnection)
#include "tst_ethconnection.moc"
