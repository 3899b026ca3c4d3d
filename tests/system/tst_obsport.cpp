// Opening, configuring and closing the serial port record on a real pseudo-terminal, and the boxes
// that tell the user why a port did not open.
#include "core/global.h"
#include "link/mxtool.h"
#include "link/obsport.h"
#include "link/sio.h"
#include "support/pseudoterminal.h"
#include "support/scriptedmessages.h"
#include "support/temporaryprofile.h"

#include <QTest>

#include <cerrno>

namespace {

const QString notThere = QStringLiteral(
    "Port nie istnieje lub jest zajęty przez inny program.\rZamknij wszystkie programy i spróbuj jeszcze raz.\r");
const QString generalError =
    QStringLiteral("Błąd. Jeśli problem będzie się powtarzał, skontaktuj się z dostawcą systemu.");

} // namespace

class TestObsPort : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void portErrorTexts_data();
    void portErrorTexts();
    void systemErrorShowsTheSystemsMessage();
    void opensAndConfiguresAPort();
    void missingPortTellsTheUser_data();
    void missingPortTellsTheUser();
    void failedConfigurationNamesItsStep();

private:
    std::unique_ptr<TemporaryProfile> m_profile;
    std::unique_ptr<ScriptedMessages> m_messages;
    TPortSettings m_settings;
};

void TestObsPort::init()
{
    m_profile = std::make_unique<TemporaryProfile>();
    m_messages = std::make_unique<ScriptedMessages>();
    Global::PortProbing = false;
    Global::SerialStopped = false;
    m_settings = TPortSettings{};
    m_settings.Port = 2;
    m_settings.BaudCode = 12;
    ObsPort::ResetPortSettings(m_settings);
}

void TestObsPort::cleanup()
{
    sio_close(m_settings.Port);
    m_messages.reset();
    m_profile.reset();
}

void TestObsPort::portErrorTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");

    for (const int code : {-1, -5})
        QTest::addRow("%d", code) << code << notThere;
    for (const int code : {-2, -4, -6, -7, -9, -10})
        QTest::addRow("%d", code) << code << generalError;
    QTest::newRow("-11") << -11 << "Write has blocked, and user abort write";
    QTest::newRow("-12") << -12 << "Write timeout has happened";
    QTest::newRow("-3") << -3 << "Nieznany błąd: -3";
    QTest::newRow("positive") << 7 << "Nieznany błąd: 7";
}

void TestObsPort::portErrorTexts()
{
    QFETCH(int, code);
    QFETCH(QString, text);

    MxTool::ShowPortError(QStringLiteral("Niepowodzenie"), code);
    QCOMPARE(m_messages->shown.size(), 1);
    QCOMPARE(m_messages->shown.first().text, text);
    QCOMPARE(m_messages->shown.first().caption, QStringLiteral("Niepowodzenie"));
    QCOMPARE(m_messages->shown.first().buttons, MessagePresenter::Buttons::Ok);
}

void TestObsPort::systemErrorShowsTheSystemsMessage()
{
    // A regular file is no serial device: the system's own reason is what the user sees.
    QFile file(m_profile->filePath(QStringLiteral("not-a-tty")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(linkPort(*m_profile, 2, file.fileName()));

    QVERIFY(!ObsPort::OpenPort(m_settings));
    QCOMPARE(m_messages->shown.size(), 1);
    const auto& shown = m_messages->shown.first();
    QCOMPARE(shown.icon, MessagePresenter::Icon::Error);
    QCOMPARE(shown.caption, QStringLiteral("Niepowodzenie"));
    QVERIFY(!shown.text.isEmpty());
    QVERIFY(shown.text.size() <= 80);
    QCOMPARE(shown.text, qt_error_string(ENOTTY));
}

void TestObsPort::opensAndConfiguresAPort()
{
    PseudoTerminal line;
    QVERIFY(line.isValid());
    QVERIFY(linkPort(*m_profile, 2, line.slavePath()));

    QVERIFY(ObsPort::OpenPort(m_settings));
    QVERIFY(m_messages->shown.isEmpty());
    const termios2 settings = line.slaveSettings();
    QCOMPARE(settings.c_ospeed, 9600u);
    QCOMPARE(settings.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));

    ObsPort::ClosePort(m_settings);
    QVERIFY(Global::SerialStopped.load());
    // Closed means free again.
    QVERIFY(ObsPort::OpenPort(m_settings));
}

void TestObsPort::missingPortTellsTheUser_data()
{
    QTest::addColumn<bool>("probing");
    QTest::newRow("user opening") << false;
    QTest::newRow("port search") << true;
}

void TestObsPort::missingPortTellsTheUser()
{
    QFETCH(bool, probing);
    Global::PortProbing = probing;
    m_settings.Port = 0;

    QVERIFY(!ObsPort::OpenPort(m_settings));
    if (probing) {
        QVERIFY(m_messages->shown.isEmpty());
        return;
    }
    QCOMPARE(m_messages->shown.size(), 1);
    QCOMPARE(m_messages->shown.first().caption, QStringLiteral("Niepowodzenie"));
    QCOMPARE(m_messages->shown.first().text, notThere);
}

// A configuration step that fails is shown under its own name, and the port still counts as open.
void TestObsPort::failedConfigurationNamesItsStep()
{
    PseudoTerminal line;
    QVERIFY(line.isValid());
    QVERIFY(linkPort(*m_profile, 2, line.slavePath()));
    m_settings.BaudCode = 25;

    QVERIFY(ObsPort::OpenPort(m_settings));
    QCOMPARE(m_messages->shown.size(), 1);
    QCOMPARE(m_messages->shown.first().caption, QStringLiteral("sio_ioctl"));
    QCOMPARE(m_messages->shown.first().text, generalError);
}

QTEST_GUILESS_MAIN(TestObsPort)
#include "tst_obsport.moc"
