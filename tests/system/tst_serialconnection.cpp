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
    // What the connection reported, in order: each error as "error: caption", each state by name.
    QStringList m_reports;
    QList<PortError> m_errors;
};

void TestSerialConnection::init()
{
    m_profile = std::make_unique<TemporaryProfile>();
    m_line = std::make_unique<PseudoTerminal>();
    QVERIFY(m_line->isValid());
    QVERIFY(linkPort(*m_profile, 1, m_line->slavePath()));
    Global::SerialStopped = true;
    m_received.clear();
    m_reports.clear();
    m_errors.clear();
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
    PortSettings settings;
    settings.Port = port;
    settings.BaudCode = 12;
    auto connection = std::make_unique<SerialConnection>([] { return ReadMode::Indication; },
                                                         [this](const QByteArray& text) { m_received.append(text); });
    connection->setPortSettings(settings);
    connection->setBufferSize(4096);
    m_states = std::make_unique<QSignalSpy>(connection.get(), &SerialConnection::stateChanged);
    connect(connection.get(), &SerialConnection::portError, this, [this](const PortError& error) {
        m_errors.append(error);
        m_reports.append(QStringLiteral("error: ") + error.caption);
    });
    connect(connection.get(), &SerialConnection::stateChanged, this, [this](SerialState state) {
        static const char* const names[] = {"Closed", "Open", "Failed"};
        m_reports.append(QString::fromLatin1(names[int(state)]));
    });
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
    connection->startSerial();
    QCOMPARE(states(), QList<SerialState>{SerialState::Open});
    QCOMPARE(m_reports, QStringList{"Open"});
    QVERIFY(connection->isOpen());
    QVERIFY(!Global::SerialStopped);
    QVERIFY(!portIsFree(1));

    QVERIFY(m_line->write("     12.345 kg\r\n"));
    QTRY_COMPARE(m_received, QList<QByteArray>{"     12.345 kg\r\n"});

    connection->stopSerial();
    QCOMPARE(states(), (QList<SerialState>{SerialState::Open, SerialState::Closed}));
    QVERIFY(!connection->isOpen());
    QVERIFY(portIsFree(1));
}

// The connection says why, before the state, and leaves showing it to the window.
void TestSerialConnection::portThatDoesNotOpenFails()
{
    ScriptedMessages messages;
    auto connection = makeConnection(9);
    connection->startSerial();
    QCOMPARE(states(), QList<SerialState>{SerialState::Failed});
    QVERIFY(!connection->isOpen());
    QCOMPARE(m_reports, (QStringList{"error: Niepowodzenie", "Failed"}));
    // The number stands for no device: said so, with the devices there are.
    QCOMPARE(m_errors.first().text,
             QStringLiteral("Port COM9 nie odpowiada żadnemu urządzeniu.\r") + PortError::presentDevicesText());
    QVERIFY(messages.shown.isEmpty());
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
    PortSettings settings = connection->portSettings();
    settings.BaudCode = baudCode;
    connection->setPortSettings(settings);
    connection->startSerial();

    QCOMPARE(states(), QList<SerialState>{SerialState::Failed});
    QVERIFY(!connection->isOpen());
    QVERIFY(portIsFree(1));
    QCOMPARE(m_reports, (QStringList{"error: Niepowodzenie", "Failed"}));
    QCOMPARE(m_errors.first().text,
             QStringLiteral("Nie wybrano prędkości transmisji. Wybierz ją w ustawieniach portu."));
    QCOMPARE(m_errors.first().icon, PortError::Icon::Error);
    QVERIFY(messages.shown.isEmpty());
}

void TestSerialConnection::vanishedDeviceClosesAndFails()
{
    auto connection = makeConnection(1);
    connection->startSerial();
    m_line->closeMaster();
    QTRY_COMPARE(states(), (QList<SerialState>{SerialState::Open, SerialState::Closed, SerialState::Failed}));
    QVERIFY(!connection->isOpen());
}

void TestSerialConnection::destroyingTheConnectionFreesThePort()
{
    auto connection = makeConnection(1);
    connection->startSerial();
    QVERIFY(!portIsFree(1));
    connection.reset();
    QVERIFY(Global::SerialStopped);
    QVERIFY(portIsFree(1));
    // Ending with the object is not a change the user is shown.
    QCOMPARE(m_states->size(), 1);
}

QTEST_GUILESS_MAIN(TestSerialConnection)
#include "tst_serialconnection.moc"
