// The serial connection on a real pseudo-terminal, without a window: the states it reports, the text it
// hands on, and that the port is free again after every way a connection ends.
#include "core/global.h"
#include "link/serialconnection.h"
#include "link/sio.h"
#include "support/pseudoterminal.h"
#include "support/scriptedmessages.h"
#include "support/temporaryprofile.h"

#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(SerialState)

class TestSerialConnection : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensReadsAndCloses();
    void portThatDoesNotOpenFails();
    void speedOutsideTheListFailsWithoutOpening_data();
    void speedOutsideTheListFailsWithoutOpening();
    void vanishedDeviceClosesAndFails();
    void destroyingTheConnectionFreesThePort();

private:
    std::unique_ptr<SerialConnection> makeConnection(int port);
    QList<SerialState> states() const;
    // Whether the port can be had again, as by another program.
    static bool portIsFree(int port);

    NoMachineSerialPorts m_noMachinePorts;
    std::unique_ptr<TemporaryProfile> m_profile;
    std::unique_ptr<PseudoTerminal> m_line;
    std::unique_ptr<QSignalSpy> m_states;
    QList<QByteArray> m_received;
};

void TestSerialConnection::init()
{
    m_profile = std::make_unique<TemporaryProfile>();
    m_line = std::make_unique<PseudoTerminal>();
    QVERIFY(m_line->isValid());
    QVERIFY(linkPort(*m_profile, 1, m_line->slavePath()));
    Global::SerialStopped = true;
    Global::PortProbing = false;
    Global::BufferSize = 4096;
    m_received.clear();
}

void TestSerialConnection::cleanup()
{
    m_states.reset();
    QVERIFY(Global::SerialStopped);
    m_line.reset();
    m_profile.reset();
}

std::unique_ptr<SerialConnection> TestSerialConnection::makeConnection(int port)
{
    Global::PortSettings = TPortSettings{};
    Global::PortSettings.Port = port;
    Global::PortSettings.BaudCode = 12;
    auto connection = std::make_unique<SerialConnection>([] { return ReadMode::Indication; },
                                                         [this](const QByteArray& text) { m_received.append(text); });
    m_states = std::make_unique<QSignalSpy>(connection.get(), &SerialConnection::stateChanged);
    return connection;
}

QList<SerialState> TestSerialConnection::states() const
{
    QList<SerialState> seen;
    for (const QList<QVariant>& emitted : *m_states)
        seen.append(emitted.at(0).value<SerialState>());
    return seen;
}

bool TestSerialConnection::portIsFree(int port)
{
    if (sio_open(port) != 0)
        return false;
    sio_close(port);
    return true;
}

void TestSerialConnection::opensReadsAndCloses()
{
    auto connection = makeConnection(1);
    connection->StartSerial();
    QCOMPARE(states(), QList<SerialState>{SerialState::Open});
    QVERIFY(connection->isOpen());
    QVERIFY(!Global::SerialStopped);
    QVERIFY(!portIsFree(1));

    QVERIFY(m_line->write("     12.345 kg\r\n"));
    QTRY_COMPARE(m_received, QList<QByteArray>{"     12.345 kg\r\n"});

    connection->StopSerial();
    QCOMPARE(states(), (QList<SerialState>{SerialState::Open, SerialState::Closed}));
    QVERIFY(!connection->isOpen());
    QVERIFY(portIsFree(1));
}

void TestSerialConnection::portThatDoesNotOpenFails()
{
    ScriptedMessages messages;
    auto connection = makeConnection(9);
    connection->StartSerial();
    QCOMPARE(states(), QList<SerialState>{SerialState::Failed});
    QVERIFY(!connection->isOpen());
    QCOMPARE(messages.shown.size(), 1);
}

void TestSerialConnection::speedOutsideTheListFailsWithoutOpening_data()
{
    QTest::addColumn<int>("baudCode");
    // No item chosen in the speed box, and a stored code beyond the twenty speeds.
    QTest::newRow("none") << -1;
    QTest::newRow("beyond the list") << 20;
}

void TestSerialConnection::speedOutsideTheListFailsWithoutOpening()
{
    QFETCH(int, baudCode);
    ScriptedMessages messages;
    auto connection = makeConnection(1);
    Global::PortSettings.BaudCode = baudCode;
    connection->StartSerial();

    QCOMPARE(states(), QList<SerialState>{SerialState::Failed});
    QVERIFY(!connection->isOpen());
    QVERIFY(portIsFree(1));
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(messages.shown.first().text,
             QStringLiteral("Nie wybrano prędkości transmisji. Wybierz ją w ustawieniach portu."));
}

void TestSerialConnection::vanishedDeviceClosesAndFails()
{
    auto connection = makeConnection(1);
    connection->StartSerial();
    m_line->closeMaster();
    QTRY_COMPARE(states(), (QList<SerialState>{SerialState::Open, SerialState::Closed, SerialState::Failed}));
    QVERIFY(!connection->isOpen());
}

void TestSerialConnection::destroyingTheConnectionFreesThePort()
{
    auto connection = makeConnection(1);
    connection->StartSerial();
    QVERIFY(!portIsFree(1));
    connection.reset();
    QVERIFY(Global::SerialStopped);
    QVERIFY(portIsFree(1));
    // Ending with the object is not a change the user is shown.
    QCOMPARE(m_states->size(), 1);
}

QTEST_GUILESS_MAIN(TestSerialConnection)
#include "tst_serialconnection.moc"
