// The commands for the scale: the special command's escapes, the cyclic reading's period, and the
// framing and route of every command.
#include "link/scalecommands.h"

#include <QTest>

Q_DECLARE_METATYPE(ScaleLink)
Q_DECLARE_METATYPE(EthProtocol)

namespace {

class RecordingTransport : public OrderTransport
{
public:
    void sendSerial(const QByteArray& bytes) override { sent << "serial:" + bytes; }
    void sendTcp(const QByteArray& frame) override { sent << "tcp:" + frame; }
    void sendUdp(const QByteArray& frame) override { sent << "udp:" + frame; }
    QList<QByteArray> sent;
};

} // namespace

class TestScaleCommands : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Global::SerialStopped = true; }
    void specialCommandEscapes_data();
    void specialCommandEscapes();
    void repeatPeriod_data();
    void repeatPeriod();
    void framingAndRoute_data();
    void framingAndRoute();
};

void TestScaleCommands::specialCommandEscapes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("command");

    QTest::newRow("plain") << "Sx1" << QByteArray("Sx1");
    QTest::newRow("escape in the middle") << "A$1BZ" << QByteArray("A\x1bZ");
    QTest::newRow("lower-case digits") << "$0d$0a" << QByteArray("\r\n");
    QTest::newRow("zero vanishes, three characters in all") << "A$00Z" << QByteArray("AZ");
    QTest::newRow("no digits vanish") << "A$xyZ" << QByteArray("AZ");
    QTest::newRow("one digit and a letter is no number") << "A$1xZ" << QByteArray("AZ");
    QTest::newRow("dollar at the end") << "SI$" << QByteArray("SI");
    QTest::newRow("one digit before the end") << "SI$D" << QByteArray("SI\r");
    QTest::newRow("the highest byte") << "$FF" << QByteArray("\xff");
    QTest::newRow("escaped dollar") << "$24" << QByteArray("$");
    QTest::newRow("empty") << "" << QByteArray();
}

void TestScaleCommands::specialCommandEscapes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, command);
    QCOMPARE(ScaleCommand::specialCommand(text), command);
}

void TestScaleCommands::repeatPeriod_data()
{
    QTest::addColumn<QString>("time");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("milliseconds"); // 0: no cyclic reading
    QTest::addColumn<QString>("shown");    // empty: the box keeps its text

    QTest::newRow("50 ms is raised to 200") << "50" << 0 << 200 << "200";
    QTest::newRow("200 ms") << "200" << 0 << 200 << "";
    QTest::newRow("300 ms") << "300" << 0 << 300 << "";
    QTest::newRow("seconds") << "2" << 1 << 2000 << "";
    QTest::newRow("minutes") << "3" << 2 << 180000 << "";
    QTest::newRow("hours") << "4" << 3 << 14400000 << "";
    QTest::newRow("no unit chosen counts as ms") << "50" << -1 << 200 << "200";
    QTest::newRow("zero") << "0" << 1 << 0 << "";
    QTest::newRow("negative") << "-5" << 1 << 0 << "";
    QTest::newRow("not a number") << "abc" << 1 << 0 << "";
    QTest::newRow("empty") << "" << 1 << 0 << "";
    QTest::newRow("596 hours fit") << "596" << 3 << 596 * 3600000 << "";
    QTest::newRow("597 hours do not") << "597" << 3 << 596 * 3600000 << "596";
    QTest::newRow("seconds beyond a timer") << "9999999" << 1 << 2147483000 << "2147483";
}

void TestScaleCommands::repeatPeriod()
{
    QFETCH(QString, time);
    QFETCH(int, unit);
    QFETCH(int, milliseconds);
    QFETCH(QString, shown);

    const std::optional<ScaleCommand::RepeatPeriod> period = ScaleCommand::repeatPeriod(time, unit);
    QCOMPARE(period.has_value(), milliseconds > 0);
    if (!period)
        return;
    QCOMPARE(period->milliseconds, milliseconds);
    QCOMPARE(period->shownTime.value_or(QString()), shown);
}

void TestScaleCommands::framingAndRoute_data()
{
    QTest::addColumn<ScaleLink>("link");
    QTest::addColumn<EthProtocol>("protocol");
    QTest::addColumn<bool>("serialOpen");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QList<QByteArray>>("sent");

    QTest::newRow("serial open") << ScaleLink::Serial << EthProtocol::Tcp << true << QByteArray("Sx1")
                                 << QList<QByteArray>{"serial:Sx1\r\n"};
    QTest::newRow("serial closed: nothing")
        << ScaleLink::Serial << EthProtocol::Tcp << false << QByteArray("ST") << QList<QByteArray>{};
    QTest::newRow("tcp, whatever the serial state")
        << ScaleLink::Ethernet << EthProtocol::Tcp << false << QByteArray("ST") << QList<QByteArray>{"tcp:ST\r\n"};
    QTest::newRow("udp") << ScaleLink::Ethernet << EthProtocol::Udp << true << QByteArray("SZ")
                         << QList<QByteArray>{"udp:SZ\r\n"};
    QTest::newRow("an empty command is its line end")
        << ScaleLink::Serial << EthProtocol::Tcp << true << QByteArray() << QList<QByteArray>{"serial:\r\n"};
}

void TestScaleCommands::framingAndRoute()
{
    QFETCH(ScaleLink, link);
    QFETCH(EthProtocol, protocol);
    QFETCH(bool, serialOpen);
    QFETCH(QByteArray, command);
    QFETCH(QList<QByteArray>, sent);

    Global::SerialStopped = !serialOpen;
    RecordingTransport transport;
    SendOrder(command, link, protocol, transport);
    QCOMPARE(transport.sent, sent);
}

QTEST_GUILESS_MAIN(TestScaleCommands)
#include "tst_scalecommands.moc"
