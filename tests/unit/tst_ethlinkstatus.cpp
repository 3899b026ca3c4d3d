// The Ethernet controls of the communication panel: the port its text stands for, and what openPortButton
// and the status line show for each state the link reports.
#include "link/ethconnection.h"
#include "link/ethlinkstatus.h"

#include <QTest>

Q_DECLARE_METATYPE(EthLinkStatus::Caption)
Q_DECLARE_METATYPE(EthLinkStatus::Colour)

class TestEthLinkStatus : public QObject
{
    Q_OBJECT

private slots:
    void eachState_data();
    void eachState();
    void otherValuesAndTheListenerFailure();
    void portFromText_data();
    void portFromText();
};

void TestEthLinkStatus::eachState_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("wanted");
    QTest::addColumn<EthLinkStatus::Caption>("caption");
    QTest::addColumn<QString>("text");
    QTest::addColumn<EthLinkStatus::Colour>("colour");
    QTest::addColumn<bool>("settingsEnabled");

    using Caption = EthLinkStatus::Caption;
    using Colour = EthLinkStatus::Colour;
    QTest::newRow("disconnecting") << int(EthLinkState::Disconnecting) << true << Caption::Unchanged
                                   << QStringLiteral("Rozłączanie...") << Colour::Yellow << false;
    QTest::newRow("down while wanted") << int(EthLinkState::Disconnected) << true << Caption::Close
                                       << QStringLiteral("Łączenie...") << Colour::Yellow << false;
    QTest::newRow("closed by the user") << int(EthLinkState::Disconnected) << false << Caption::Open
                                        << QStringLiteral("Rozłączono") << Colour::Red << true;
    QTest::newRow("connecting") << int(EthLinkState::Connecting) << false << Caption::Close
                                << QStringLiteral("Łączenie...") << Colour::Yellow << false;
    QTest::newRow("connected") << int(EthLinkState::Connected) << true << Caption::Close << QStringLiteral("Połączono")
                               << Colour::Green << false;
}

void TestEthLinkStatus::eachState()
{
    QFETCH(int, state);
    QFETCH(bool, wanted);
    QFETCH(EthLinkStatus::Caption, caption);
    QFETCH(QString, text);
    QFETCH(EthLinkStatus::Colour, colour);
    QFETCH(bool, settingsEnabled);

    const std::optional<EthLinkStatus> status = ethLinkStatus(state, wanted);
    QVERIFY(status);
    QCOMPARE(status->caption, caption);
    QCOMPARE(status->text, text);
    QCOMPARE(status->colour, colour);
    QCOMPARE(status->settingsEnabled, settingsEnabled);
}

void TestEthLinkStatus::otherValuesAndTheListenerFailure()
{
    QVERIFY(!ethLinkStatus(3, true));
    QVERIFY(!ethLinkStatus(-2, false));
    const EthLinkStatus failure = ethListenerFailureStatus(1001, QStringLiteral("The address is protected"));
    QCOMPARE(failure.caption, EthLinkStatus::Caption::Open);
    QCOMPARE(failure.colour, EthLinkStatus::Colour::Red);
    QVERIFY(failure.settingsEnabled);
    QVERIFY(failure.text.contains(QStringLiteral("1001")));
    QVERIFY(failure.text.contains(QStringLiteral("The address is protected")));
}

void TestEthLinkStatus::portFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("port");

    QTest::newRow("a port") << "4001" << 4001;
    QTest::newRow("the design text is port 0") << "00000" << 0;
    QTest::newRow("the highest port") << "65535" << 65535;
    QTest::newRow("not a number") << "abc" << 1001;
    QTest::newRow("empty") << "" << 1001;
    QTest::newRow("beyond the ports") << "99999" << 1001;
    QTest::newRow("negative") << "-1" << 1001;
}

void TestEthLinkStatus::portFromText()
{
    QFETCH(QString, text);
    QFETCH(int, port);
    QCOMPARE(ethPortFromText(text), port);
}

QTEST_GUILESS_MAIN(TestEthLinkStatus)
#include "tst_ethlinkstatus.moc"
