// The real kwelta-simscale process on loopback sockets, as the Ethernet link would reach a scale: a TCP
// client, or a UDP partner. Every wait is bounded and every copy of the tool is stopped.

#include "support/scalelog.h"
#include "support/simscaleprocess.h"
#include "support/temporaryprofile.h"

#include <QDeadlineTimer>
#include <QNetworkDatagram>
#include <QProcess>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>

#include <memory>

namespace {

constexpr int AnswerTimeoutMs = 5000;
const QByteArray DefaultLine = "     12.345 kg\r\n";
const QHostAddress Loopback(QStringLiteral("127.0.0.1"));

// Reads until `count` bytes have come, the connection has ended or the time is up.
QByteArray readFrom(QTcpSocket& socket, qsizetype count)
{
    QByteArray bytes;
    QDeadlineTimer deadline(AnswerTimeoutMs);
    while (bytes.size() < count && !deadline.hasExpired()) {
        bytes += socket.read(count - bytes.size());
        if (bytes.size() < count && !socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            break;
    }
    return bytes;
}

// A client that has connected and been served once, so the scale has taken it as its client.
bool connectServed(QTcpSocket& socket, quint16 port)
{
    socket.connectToHost(Loopback, port);
    return socket.waitForConnected(AnswerTimeoutMs) && socket.write("SI\r\n") == 4 &&
           readFrom(socket, DefaultLine.size()) == DefaultLine;
}

// The next datagram, or a null array when none came in time.
QByteArray nextDatagram(QUdpSocket& socket)
{
    if (!socket.hasPendingDatagrams() && !socket.waitForReadyRead(AnswerTimeoutMs))
        return {};
    return socket.receiveDatagram().data();
}

} // namespace

class TestSimScaleNet : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void refusesUnclearTransports_data();
    void refusesUnclearTransports();

    void answersTcpClients_data();
    void answersTcpClients();
    void sendsOperatorOutputToTheTcpClient();
    void dropsOutputWhileNoClientIsConnected();
    void servesOneTcpClientAtATime();

    void answersUdpDatagrams_data();
    void answersUdpDatagrams();
    void sendsEachOutputBurstAsOneDatagram_data();
    void sendsEachOutputBurstAsOneDatagram();
    void ignoresDatagramsFromOthers_data();
    void ignoresDatagramsFromOthers();

private:
    // Starts the scale on the network with its log going to m_log.
    quint16 startLogged(SimScaleProcess& scale, const QString& kind, const QStringList& options = {});

    std::unique_ptr<TemporaryProfile> m_profile;
    std::unique_ptr<ScaleLog> m_log;
};

void TestSimScaleNet::init()
{
    m_profile = std::make_unique<TemporaryProfile>();
    m_log = std::make_unique<ScaleLog>(m_profile->filePath(QStringLiteral("scale.log")));
}

void TestSimScaleNet::cleanup()
{
    m_log.reset();
    m_profile.reset();
}

quint16 TestSimScaleNet::startLogged(SimScaleProcess& scale, const QString& kind, const QStringList& options)
{
    // Forwarding would win over the file.
    scale.process().setProcessChannelMode(QProcess::SeparateChannels);
    scale.process().setStandardErrorFile(m_log->path());
    return scale.startOnNetwork(kind, options + QStringList{QStringLiteral("--verbose")});
}

void TestSimScaleNet::refusesUnclearTransports_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("no transport") << QStringList();
    // LINK stands for a path in the test's profile, which does not exist yet while the rows are made.
    QTest::newRow("link and tcp") << QStringList{QStringLiteral("--link"), QStringLiteral("LINK"),
                                                 QStringLiteral("--tcp"), QStringLiteral("0")};
    QTest::newRow("tcp and udp") << QStringList{QStringLiteral("--tcp"),  QStringLiteral("0"),
                                                QStringLiteral("--udp"),  QStringLiteral("0"),
                                                QStringLiteral("--peer"), QStringLiteral("127.0.0.1:9")};
    QTest::newRow("udp without a peer") << QStringList{QStringLiteral("--udp"), QStringLiteral("0")};
    QTest::newRow("peer without udp") << QStringList{QStringLiteral("--tcp"), QStringLiteral("0"),
                                                     QStringLiteral("--peer"), QStringLiteral("127.0.0.1:9")};
    QTest::newRow("peer without a port") << QStringList{QStringLiteral("--udp"), QStringLiteral("0"),
                                                        QStringLiteral("--peer"), QStringLiteral("127.0.0.1")};
    QTest::newRow("port out of range") << QStringList{QStringLiteral("--tcp"), QStringLiteral("65536")};
    QTest::newRow("address not an IP address") << QStringList{QStringLiteral("--tcp"), QStringLiteral("0"),
                                                              QStringLiteral("--address"), QStringLiteral("loopback")};
}

void TestSimScaleNet::refusesUnclearTransports()
{
    QFETCH(QStringList, arguments);

    arguments.replaceInStrings(QStringLiteral("LINK"), m_profile->filePath(QStringLiteral("COM2")));
    QProcess scale;
    scale.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    scale.start(QStringLiteral(KWELTA_SIMSCALE_PATH), arguments);
    QVERIFY(scale.waitForStarted(SimScaleProcess::StartTimeoutMs));
    scale.closeWriteChannel();
    if (!scale.waitForFinished(SimScaleProcess::StopTimeoutMs)) {
        scale.kill();
        scale.waitForFinished(SimScaleProcess::StopTimeoutMs);
        QFAIL("the scale started with options it should have refused");
    }
    QCOMPARE(scale.exitStatus(), QProcess::NormalExit);
    QCOMPARE(scale.exitCode(), 2);
    QCOMPARE(scale.readAllStandardOutput(), QByteArray());
}

void TestSimScaleNet::answersTcpClients_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("SI") << QStringList() << QByteArray("SI\r\n") << DefaultLine;
    QTest::newRow("Sx1, LF alone") << QStringList() << QByteArray("Sx1\n") << DefaultLine;
    QTest::newRow("two commands at once") << QStringList() << QByteArray("SI\r\nSI\r\n") << DefaultLine + DefaultLine;
    QTest::newRow("tare acknowledged") << QStringList{QStringLiteral("--ack-tare"), QStringLiteral("OK\\r\\n")}
                                       << QByteArray("ST\r\nSI\r\n") << QByteArray("OK\r\n      0.000 kg\r\n");
}

void TestSimScaleNet::answersTcpClients()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, expected);

    SimScaleProcess scale(QStringLiteral(KWELTA_SIMSCALE_PATH));
    const quint16 port = scale.startOnNetwork(QStringLiteral("tcp"), options);
    QVERIFY(port != 0);
    QTcpSocket client;
    client.connectToHost(Loopback, port);
    QVERIFY(client.waitForConnected(AnswerTimeoutMs));
    QCOMPARE(client.write(command), command.size());
    QCOMPARE(readFrom(client, expected.size()), expected);
}

void TestSimScaleNet::sendsOperatorOutputToTheTcpClient()
{
    SimScaleProcess scale(QStringLiteral(KWELTA_SIMSCALE_PATH));
    const quint16 port = scale.startOnNetwork(QStringLiteral("tcp"));
    QVERIFY(port != 0);
    QTcpSocket client;
    QVERIFY(connectServed(client, port));
    scale.command("weight 3.5\nprint\n");
    QCOMPARE(readFrom(client, DefaultLine.size()), QByteArray("      3.500 kg\r\n"));
}

void TestSimScaleNet::dropsOutputWhileNoClientIsConnected()
{
    SimScaleProcess scale(QStringLiteral(KWELTA_SIMSCALE_PATH));
    const quint16 port = startLogged(scale, QStringLiteral("tcp"));
    QVERIFY(port != 0);
    scale.command("weight 7\nprint\nweight 2\n");
    QVERIFY(m_log->waitForLineStarting("not sent "));
    QVERIFY(m_log->waitForLineStarting("operator: weight 2"));
    QTcpSocket client;
    client.connectToHost(Loopback, port);
    QVERIFY(client.waitForConnected(AnswerTimeoutMs));
    QCOMPARE(client.write("SI\r\n"), 4);
    // A print kept for later would come before the answer.
    QCOMPARE(readFrom(client, DefaultLine.size()), QByteArray("      2.000 kg\r\n"));
}

void TestSimScaleNet::servesOneTcpClientAtATime()
{
    SimScaleProcess scale(QStringLiteral(KWELTA_SIMSCALE_PATH));
    const quint16 port = startLogged(scale, QStringLiteral("tcp"));
    QVERIFY(port != 0);
    QTcpSocket first;
    QVERIFY(connectServed(first, port));

    QTcpSocket second;
    second.connectToHost(Loopback, port);
    // The kernel completes the handshake before the scale sees the client, so the refusal is a close.
    if (second.waitForConnected(AnswerTimeoutMs))
        second.write("SI\r\n");
    QDeadlineTimer deadline(AnswerTimeoutMs);
    while (second.state() != QAbstractSocket::UnconnectedState && !deadline.hasExpired())
        second.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    QCOMPARE(second.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(second.readAll(), QByteArray());
    QVERIFY(m_log->waitForLineStarting("refused from 127.0.0.1:"));

    // The first client keeps the scale, and the second one's command went nowhere.
    scale.command("weight 4\n");
    QCOMPARE(first.write("SI\r\n"), 4);
    QCOMPARE(readFrom(first, DefaultLine.size()), QByteArray("      4.000 kg\r\n"));
    QCOMPARE(first.state(), QAbstractSocket::ConnectedState);

    // Once it has gone, the next client is served.
    first.disconnectFromHost();
    QVERIFY(m_log->waitForLineStarting("now serving no client"));
    QTcpSocket third;
    third.connectToHost(Loopback, port);
    QVERIFY(third.waitForConnected(AnswerTimeoutMs));
    QCOMPARE(third.write("SI\r\n"), 4);
    QCOMPARE(readFrom(third, DefaultLine.size()), QByteArray("      4.000 kg\r\n"));
}

void TestSimScaleNet::answersUdpDatagrams_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("SI, CR LF and a zero byte") << QByteArray("SI\r\n\0", 5) << DefaultLine;
    QTest::newRow("SI and a zero byte") << QByteArray("SI\0", 3) << DefaultLine;
    QTest::newRow("SI without an end") << QByteArray("SI") << DefaultLine;
    QTest::newRow("Sx1, CR LF") << QByteArray("Sx1\r\n") << DefaultLine;
    // The answers to one datagram are one burst.
    QTest::newRow("two commands, one datagram back") << QByteArray("SI\r\nSI\r\n\0", 9) << DefaultLine + DefaultLine;
}

void TestSimScaleNet::answersUdpDatagrams()
{
    QFETCH(QByteArray, datagram);
    QFETCH(QByteArray, expected);

    QUdpSocket peer;
    QVERIFY(peer.bind(Loopback, 0));
    SimScaleProcess scale(QStringLiteral(KWELTA_SIMSCALE_PATH));
    const quint16 port = scale.startOnNetwork(
        QStringLiteral("udp"), {QStringLiteral("--peer"), QStringLiteral("127.0.0.1:%1").arg(peer.localPort())});
    QVERIFY(port != 0);

    QCOMPARE(peer.writeDatagram(datagram, Loopback, port), datagram.size());
    QCOMPARE(nextDatagram(peer), expected);
}

void TestSimScaleNet::sendsEachOutputBurstAsOneDatagram_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("print") << QByteArray("weight 3.5\nprint\n") << QByteArray("      3.500 kg\r\n");
    QTest::newRow("report") << QByteArray("report\n")
                            << QByteArray("WEIGHING REPORT\r\n      1.250 kg\r\n      0.750 kg\r\n     12.345 kg\r\n"
                                          "TOTAL     14.345 kg\r\n");
}

void TestSimScaleNet::sendsEachOutputBurstAsOneDatagram()
{
    QFETCH(QByteArray, lines);
    QFETCH(QByteArray, expected);

    QUdpSocket peer;
    QVERIFY(peer.bind(Loopback, 0));
    SimScaleProcess scale(QStringLiteral(KWELTA_SIMSCALE_PATH));
    QVERIFY(scale.startOnNetwork(QStringLiteral("udp"), {QStringLiteral("--peer"),
                                                         QStringLiteral("127.0.0.1:%1").arg(peer.localPort())}) != 0);
    scale.command(lines);
    QCOMPARE(nextDatagram(peer), expected);
}

void TestSimScaleNet::ignoresDatagramsFromOthers_data()
{
    QTest::addColumn<QString>("otherAddress");

    // The whole of 127/8 is loopback on Linux, so a second address needs no set-up.
    QTest::newRow("another address") << QStringLiteral("127.0.0.2");
    QTest::newRow("the peer's address, another port") << QStringLiteral("127.0.0.1");
}

void TestSimScaleNet::ignoresDatagramsFromOthers()
{
    QFETCH(QString, otherAddress);

    QUdpSocket peer;
    QVERIFY(peer.bind(Loopback, 0));
    QUdpSocket other;
    QVERIFY(other.bind(QHostAddress(otherAddress), 0));
    SimScaleProcess scale(QStringLiteral(KWELTA_SIMSCALE_PATH));
    const quint16 port = startLogged(scale, QStringLiteral("udp"),
                                     {QStringLiteral("--peer"), QStringLiteral("127.0.0.1:%1").arg(peer.localPort())});
    QVERIFY(port != 0);

    // A command from the other socket, and the start of one that the peer finishes: the stranger's
    // bytes must neither be answered nor join the peer's command.
    QCOMPARE(other.writeDatagram(QByteArray("SI\r\n\0", 5), Loopback, port), 5);
    QVERIFY(m_log->waitForLineStarting("refused from " + otherAddress.toLatin1() + ':'));
    QCOMPARE(peer.writeDatagram(QByteArray("SI\r\n\0", 5), Loopback, port), 5);
    QCOMPARE(nextDatagram(peer), DefaultLine);
    // Loopback delivers in order, so an answer the stranger's command drew would be here by now.
    QVERIFY(!peer.hasPendingDatagrams());
    QVERIFY(!other.hasPendingDatagrams());
}

QTEST_GUILESS_MAIN(TestSimScaleNet)
#include "tst_simscalenet.moc"
