// Port numbers to devices on a machine the test describes: a /dev-like folder, a sysfs-like folder
// for the on-board UARTs, and override links in the profile.

#include "link/portmap.h"
#include "support/temporaryprofile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Names of the form "name=value" split in two.
std::pair<QString, QString> split(const QString& pair)
{
    const qsizetype at = pair.indexOf(u'=');
    return {pair.left(at), pair.mid(at + 1)};
}

bool touch(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

class FakeMachine
{
public:
    FakeMachine()
    {
        QDir().mkpath(m_dev.path());
        qputenv("KWELTA_DEVICE_DIR", m_dev.path().toLocal8Bit());
        qputenv("KWELTA_SYS_TTY_DIR", m_sys.path().toLocal8Bit());
    }
    ~FakeMachine()
    {
        qunsetenv("KWELTA_DEVICE_DIR");
        qunsetenv("KWELTA_SYS_TTY_DIR");
    }
    FakeMachine(const FakeMachine&) = delete;
    FakeMachine& operator=(const FakeMachine&) = delete;

    QString device(const QString& name) const { return name.startsWith(u'/') ? name : m_dev.filePath(name); }

    void addDevices(const QStringList& names)
    {
        for (const QString& name : names)
            QVERIFY(touch(m_dev.filePath(name)));
    }

    // "ttyS0=4": a port with a device behind it and that UART type; "ttyS0=" leaves the type out.
    void addUarts(const QStringList& uarts)
    {
        for (const QString& uart : uarts) {
            const auto [name, type] = split(uart);
            QVERIFY(QDir().mkpath(m_sys.filePath(name + QStringLiteral("/device"))));
            if (type.isEmpty())
                continue;
            QFile file(m_sys.filePath(name + QStringLiteral("/type")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(type.toLatin1() + '\n');
        }
    }

    // "COM2=ttyACM0": a link to a device of the fake machine (or an absolute path); "COM4=@file" puts
    // a plain file there instead of a link.
    void addLinks(const QString& profileConfig, const QStringList& links)
    {
        const QString folder = profileConfig + QStringLiteral("/Ostrel/Kwelta/ports");
        QVERIFY(QDir().mkpath(folder));
        for (const QString& link : links) {
            const auto [name, target] = split(link);
            if (target == QStringLiteral("@file"))
                QVERIFY(touch(folder + u'/' + name));
            else
                QVERIFY(QFile::link(device(target), folder + u'/' + name));
        }
    }

private:
    QTemporaryDir m_dev;
    QTemporaryDir m_sys;
};

} // namespace

class TestPortMap : public QObject
{
    Q_OBJECT

private slots:
    void table_data();
    void table();
    void followsTheProfileAtEveryCall();
};

void TestPortMap::table_data()
{
    QTest::addColumn<QStringList>("devices");
    QTest::addColumn<QStringList>("uarts");
    QTest::addColumn<QStringList>("links");
    // "n=device", with a trailing * when a link gave the number.
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("groups in order, numbers in natural order")
        << QStringList{"ttyS1", "rfcomm0", "ttyACM0", "ttyUSB10", "ttyUSB2", "ttyUSB0", "rfcomm1"}
        << QStringList{"ttyS1=4"} << QStringList{}
        << QStringList{"1=ttyUSB0", "2=ttyUSB2", "3=ttyUSB10", "4=ttyACM0", "5=ttyS1", "6=rfcomm0", "7=rfcomm1"};
    QTest::newRow("on-board ports without a UART are left out")
        << QStringList{"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyS4"} << QStringList{"ttyS1=0", "ttyS3=4", "ttyS4="}
        << QStringList{} << QStringList{"1=ttyS3", "2=ttyS4"};
    QTest::newRow("names that are not numbered serial devices")
        << QStringList{"ttyUSB", "ttyUSBx", "ttyUSB1a", "tty0", "ttyAMA0", "console", "ttyUSB3"} << QStringList{}
        << QStringList{} << QStringList{"1=ttyUSB3"};
    QTest::newRow("nothing at all") << QStringList{} << QStringList{} << QStringList{} << QStringList{};
    QTest::newRow("links take their numbers, devices fill the gaps")
        << QStringList{"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyACM1"} << QStringList{}
        << QStringList{"COM2=ttyACM0", "COM3=ttyACM1"}
        << QStringList{"1=ttyUSB0", "2=ttyACM0*", "3=ttyACM1*", "4=ttyUSB1"};
    QTest::newRow("a linked device is not numbered twice")
        << QStringList{"ttyUSB0", "ttyUSB1"} << QStringList{} << QStringList{"COM1=ttyUSB1"}
        << QStringList{"1=ttyUSB1*", "2=ttyUSB0"};
    QTest::newRow("a dangling link keeps its number")
        << QStringList{"ttyUSB0"} << QStringList{} << QStringList{"COM3=/nonexistent/ttyX0"}
        << QStringList{"1=ttyUSB0", "3=/nonexistent/ttyX0*"};
    QTest::newRow("a high link number leaves the low ones to devices")
        << QStringList{"ttyUSB0"} << QStringList{} << QStringList{"COM32=ttyUSB0"} << QStringList{"32=ttyUSB0*"};
    QTest::newRow("badly named links and plain files are ignored")
        << QStringList{"ttyUSB0", "ttyACM0"} << QStringList{}
        << QStringList{"COM0=ttyACM0", "COM=ttyACM0", "COMx=ttyACM0", "com2=ttyACM0", "COM-1=ttyACM0", "COM4=@file"}
        << QStringList{"1=ttyUSB0", "2=ttyACM0"};
}

void TestPortMap::table()
{
    QFETCH(QStringList, devices);
    QFETCH(QStringList, uarts);
    QFETCH(QStringList, links);
    QFETCH(QStringList, expected);

    TemporaryProfile profile;
    FakeMachine machine;
    machine.addDevices(devices);
    machine.addUarts(uarts);
    machine.addLinks(profile.filePath(QStringLiteral("config")), links);

    QStringList actual;
    int highest = 0;
    for (const PortMap::Entry& entry : PortMap::table()) {
        actual.append(QString::number(entry.port) + u'=' + entry.device + (entry.override ? "*" : ""));
        QCOMPARE(PortMap::devicePath(entry.port), entry.device);
        highest = entry.port;
    }
    QStringList wanted;
    for (const QString& line : expected) {
        const auto [port, device] = split(line);
        const bool linked = device.endsWith(u'*');
        wanted.append(port + u'=' + machine.device(linked ? device.chopped(1) : device) + (linked ? "*" : ""));
    }
    QCOMPARE(actual, wanted);
    QCOMPARE(PortMap::devicePath(highest + 1), QString());
    QCOMPARE(PortMap::devicePath(0), QString());
    QCOMPARE(PortMap::devicePath(-1), QString());
}

void TestPortMap::followsTheProfileAtEveryCall()
{
    FakeMachine machine;
    machine.addDevices({"ttyUSB0", "ttyUSB1"});
    {
        TemporaryProfile profile;
        machine.addLinks(profile.filePath(QStringLiteral("config")), {"COM1=ttyUSB1"});
        QCOMPARE(PortMap::devicePath(1), machine.device("ttyUSB1"));
    }
    TemporaryProfile other;
    QCOMPARE(PortMap::devicePath(1), machine.device("ttyUSB0"));
    machine.addDevices({"ttyACM0"});
    QCOMPARE(PortMap::devicePath(3), machine.device("ttyACM0"));
}

QTEST_GUILESS_MAIN(TestPortMap)
#include "tst_portmap.moc"
