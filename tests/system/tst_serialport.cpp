// Opening, configuring and closing a serial port record on a real pseudo-terminal, and what the user is
// to be told when a port does not open; the link itself shows nothing.
#include "core/global.h"
#include "link/porterror.h"
#include "link/serialport.h"
#include "link/sio.h"
#include "support/pseudoterminal.h"
#include "support/scriptedmessages.h"
#include "support/temporaryprofile.h"

#include "link/portmap.h"
#include "support/requiredskip.h"

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>

namespace {

const QString notThere = QStringLiteral(
    "Port nie istnieje lub jest zajęty przez inny program.\rZamknij wszystkie programy i spróbuj jeszcze raz.\r");
const QString generalError =
    QStringLiteral("Błąd. Jeśli problem będzie się powtarzał, skontaktuj się z dostawcą systemu.");

} // namespace

class TestSerialPort : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void portErrorTexts_data();
    void portErrorTexts();
    void systemErrorShowsTheSystemsMessage();
    void opensAndConfiguresAPort();
    void missingPortSaysWhy_data();
    void missingPortSaysWhy();
    void busyPortNamesItsHolder();
    void deniedPortNamesGroupAndCommand_data();
    void deniedPortNamesGroupAndCommand();
    void failedConfigurationNamesItsStep();

private:
    std::unique_ptr<TemporaryProfile> m_profile;
    std::unique_ptr<ScriptedMessages> m_messages;
    PortSettings m_settings;
};

void TestSerialPort::init()
{
    m_profile = std::make_unique<TemporaryProfile>();
    m_messages = std::make_unique<ScriptedMessages>();
    Global::SerialStopped = false;
    m_settings = PortSettings{};
    m_settings.Port = 2;
    m_settings.BaudCode = 12;
    SerialPort::resetLineSettings(m_settings);
}

void TestSerialPort::cleanup()
{
    sio_close(m_settings.Port);
    // Telling the user is the window's business.
    QVERIFY(m_messages->shown.isEmpty());
    m_messages.reset();
    m_profile.reset();
}

void TestSerialPort::portErrorTexts_data()
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

void TestSerialPort::portErrorTexts()
{
    QFETCH(int, code);
    QFETCH(QString, text);

    const PortError error = PortError::fromCode(QStringLiteral("Niepowodzenie"), code);
    QCOMPARE(error.text, text);
    QCOMPARE(PortError::codeText(code), text);
    QCOMPARE(error.caption, QStringLiteral("Niepowodzenie"));
    QCOMPARE(error.icon, PortError::Icon::None);
}

void TestSerialPort::systemErrorShowsTheSystemsMessage()
{
    // A regular file is no serial device: the system's own reason is what the user sees.
    QFile file(m_profile->filePath(QStringLiteral("not-a-tty")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(linkPort(*m_profile, 2, file.fileName()));

    const SerialPort::Opening opening = SerialPort::openPort(m_settings);
    QVERIFY(!opening.open);
    QVERIFY(opening.error);
    const PortError& shown = *opening.error;
    QCOMPARE(shown.icon, PortError::Icon::Error);
    QCOMPARE(shown.caption, QStringLiteral("Niepowodzenie"));
    QVERIFY(!shown.text.isEmpty());
    QVERIFY(shown.text.size() <= 80);
    QCOMPARE(shown.text, qt_error_string(ENOTTY));
}

void TestSerialPort::opensAndConfiguresAPort()
{
    PseudoTerminal line;
    QVERIFY(line.isValid());
    QVERIFY(linkPort(*m_profile, 2, line.slavePath()));

    const SerialPort::Opening opening = SerialPort::openPort(m_settings);
    QVERIFY(opening.open);
    QVERIFY(!opening.error);
    const termios2 settings = line.slaveSettings();
    QCOMPARE(settings.c_ospeed, 9600u);
    QCOMPARE(settings.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));

    SerialPort::closePort(m_settings);
    QVERIFY(Global::SerialStopped.load());
    // Closed means free again.
    QVERIFY(SerialPort::openPort(m_settings).open);
}

void TestSerialPort::missingPortSaysWhy_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("text");

    const QString present = QStringLiteral("Porty szeregowe w systemie:\r"
                                           "COM1: %1/ttyUSB0 (usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0)\r"
                                           "COM2: %1/ttyACM0");
    QTest::newRow("a number beyond the devices")
        << 5 << QString() << QStringLiteral("Port COM5 nie odpowiada żadnemu urządzeniu.\r") + present;
    QTest::newRow("no number at all") << 0 << QString() << QStringLiteral("Nie podano numeru portu.\r") + present;
    // The user's own link, to an adapter unplugged since.
    QTest::newRow("a link to an unplugged adapter")
        << 3 << QStringLiteral("/nonexistent/ttyUSB7")
        << QStringLiteral("Port COM3 to urządzenie /nonexistent/ttyUSB7, którego nie ma (odłączone?).\r") + present;
}

// The devices there are, with the names that say which adapter each is, instead of a guess at the cause.
void TestSerialPort::missingPortSaysWhy()
{
    QFETCH(int, port);
    QFETCH(QString, link);
    QFETCH(QString, text);

    QTemporaryDir dev;
    QVERIFY(dev.isValid());
    qputenv("KWELTA_DEVICE_DIR", dev.path().toLocal8Bit());
    qputenv("KWELTA_SYS_TTY_DIR", dev.filePath(QStringLiteral("sys")).toLocal8Bit());
    const auto restore = qScopeGuard([] {
        qunsetenv("KWELTA_DEVICE_DIR");
        qunsetenv("KWELTA_SYS_TTY_DIR");
    });
    for (const QString& name : {QStringLiteral("ttyUSB0"), QStringLiteral("ttyACM0")}) {
        QFile device(dev.filePath(name));
        QVERIFY(device.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir().mkpath(dev.filePath(QStringLiteral("serial/by-id"))));
    QVERIFY(QFile::link(QStringLiteral("../../ttyUSB0"),
                        dev.filePath(QStringLiteral("serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"))));
    if (!link.isEmpty())
        QVERIFY(linkPort(*m_profile, port, link));
    m_settings.Port = port;

    const SerialPort::Opening opening = SerialPort::openPort(m_settings);
    QVERIFY(!opening.open);
    QVERIFY(opening.error);
    QCOMPARE(opening.access.problem, PortAccess::Problem::NoDevice);
    QCOMPARE(opening.error->caption, QStringLiteral("Niepowodzenie"));
    QCOMPARE(opening.error->text, text.arg(dev.path()));
    QCOMPARE(opening.error->icon, PortError::Icon::None);
    const PortMap::PortDevice adapter = PortMap::portDevice(1);
    QCOMPARE(adapter.device, dev.filePath(QStringLiteral("ttyUSB0")));
    QCOMPARE(adapter.byId, QStringLiteral("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"));
    QCOMPARE(PortMap::portDevice(2).byId, QString());
}

// Another program's lock: the text of old, then who holds the port, as /proc tells it.
void TestSerialPort::busyPortNamesItsHolder()
{
    PseudoTerminal line;
    QVERIFY(line.isValid());
    QVERIFY(linkPort(*m_profile, 2, line.slavePath()));
    QProcess holder;
    holder.setProgram(QStringLiteral("flock"));
    holder.setArguments({line.slavePath(), QStringLiteral("-c"), QStringLiteral("echo held; exec sleep 30")});
    holder.start();
    if (!holder.waitForStarted(5000))
        SKIP_UNLESS_REQUIRED("flock(1) is needed to hold a port from another process");
    const auto stop = qScopeGuard([&holder] {
        holder.kill();
        holder.waitForFinished(5000);
    });
    QVERIFY(holder.waitForReadyRead(5000));

    const SerialPort::Opening opening = SerialPort::openPort(m_settings);
    QVERIFY(!opening.open);
    QCOMPARE(opening.access.problem, PortAccess::Problem::Busy);
    QVERIFY2(opening.access.holder.startsWith(QStringLiteral("flock (")), qPrintable(opening.access.holder));
    QCOMPARE(opening.error->text, notThere + QStringLiteral("Port trzyma: ") + opening.access.holder);
}

// A configuration step that fails is told under its own name, and the port still counts as open.
void TestSerialPort::failedConfigurationNamesItsStep()
{
    PseudoTerminal line;
    QVERIFY(line.isValid());
    QVERIFY(linkPort(*m_profile, 2, line.slavePath()));
    m_settings.BaudCode = 25;

    const SerialPort::Opening opening = SerialPort::openPort(m_settings);
    QVERIFY(opening.open);
    QVERIFY(opening.error);
    QCOMPARE(opening.error->caption, QStringLiteral("sio_ioctl"));
    QCOMPARE(opening.error->text, generalError);
}

void TestSerialPort::deniedPortNamesGroupAndCommand_data()
{
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("text");

    const QString denied = QStringLiteral("Brak uprawnień do otwarcia portu COM1 (/dev/ttyUSB0).");
    QTest::newRow("dialout") << "dialout"
                             << denied + QStringLiteral("\rUrządzenie należy do grupy dialout. Dodaj do niej swoje "
                                                        "konto poleceniem:\rsudo usermod -aG dialout $USER\r"
                                                        "i zaloguj się ponownie: nowa grupa działa od następnego "
                                                        "logowania.");
    // No advice to join root, nor a command for a group that could not be read.
    QTest::newRow("root") << "root" << denied;
    QTest::newRow("unknown") << "" << denied;
}

// Tests run as root, whom the kernel never refuses, so the refusal is described rather than met; the
// group comes from the device's group id.
void TestSerialPort::deniedPortNamesGroupAndCommand()
{
    QFETCH(QString, group);
    QFETCH(QString, text);

    PortAccess access;
    access.problem = PortAccess::Problem::PermissionDenied;
    access.port = 1;
    access.device = QStringLiteral("/dev/ttyUSB0");
    access.group = group;
    const PortError error = PortError::openingFailed(access, Sio::SystemError);
    QCOMPARE(error.text, text);
    QCOMPARE(error.icon, PortError::Icon::Error);
    QCOMPARE(error.caption, QStringLiteral("Niepowodzenie"));

    QFile file(m_profile->filePath(QStringLiteral("device")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    struct stat status = {};
    QVERIFY(::stat(QFile::encodeName(file.fileName()).constData(), &status) == 0);
    const struct group* owner = ::getgrgid(status.st_gid);
    QVERIFY(owner);
    QCOMPARE(PortAccess::deviceGroup(file.fileName()), QString::fromLocal8Bit(owner->gr_name));
    QCOMPARE(PortAccess::deviceGroup(m_profile->filePath(QStringLiteral("missing"))), QString());
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serialport.moc"
