// The serial layer against real pseudo-terminals: the test holds the master side and plays the scale,
// the layer opens the slave side through an override link, as it would a USB adapter.

#include "link/sio.h"
#include "support/pseudoterminal.h"
#include "support/temporaryprofile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <asm/termbits.h>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fcntl.h>
#include <future>
#include <mutex>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int port = 1;

// No read or wait of these tests may take this long; it only turns a hang into a failure.
constexpr int HangGuardMs = 10000;
// A timeout that must not be what ends a call: far beyond the guard, so a call that ends within it
// was ended by something else.
constexpr int NeverMs = 60000;

// A process of its own that opens the device and holds it the way another program would, until the
// object goes away.
class OtherProgram
{
public:
    enum Hold { Lock, Exclusive };

    OtherProgram(const QString& path, Hold hold)
    {
        int ready[2];
        if (pipe(ready) != 0 || pipe(m_release) != 0)
            return;
        const QByteArray device = QFile::encodeName(path);
        m_pid = fork();
        if (m_pid == 0) {
            // Only the parent may keep the release pipe's writing end, or the wait below never ends.
            ::close(m_release[1]);
            const int fd = ::open(device.constData(), O_RDWR | O_NOCTTY);
            const bool held = fd >= 0 && (hold == Lock ? flock(fd, LOCK_EX | LOCK_NB) : ioctl(fd, TIOCEXCL)) == 0;
            const char answer = held ? '1' : '0';
            (void)!::write(ready[1], &answer, 1);
            char ignored;
            (void)!::read(m_release[0], &ignored, 1);
            if (hold == Exclusive && fd >= 0)
                ioctl(fd, TIOCNXCL);
            _exit(0);
        }
        ::close(ready[1]);
        char answer = '0';
        m_holding = ::read(ready[0], &answer, 1) == 1 && answer == '1';
        ::close(ready[0]);
    }
    ~OtherProgram()
    {
        ::close(m_release[0]);
        ::close(m_release[1]);
        if (m_pid > 0)
            waitpid(m_pid, nullptr, 0);
    }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

    bool isHolding() const { return m_holding; }

private:
    pid_t m_pid = -1;
    int m_release[2] = {-1, -1};
    bool m_holding = false;
};

struct Write
{
    int atMs;
    QByteArray bytes;
};
using Schedule = QList<Write>;

} // namespace

Q_DECLARE_METATYPE(Schedule)

class TestSio : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void openFailures_data();
    void openFailures();
    void openAndCloseThroughALink();
    void heldElsewhere_data();
    void heldElsewhere();
    void speeds_data();
    void speeds();
    void rejectedLineSettings_data();
    void rejectedLineSettings();
    void lineModes_data();
    void lineModes();
    void flushDiscardsWhatWaits();
    void flowControlAndModemLines_data();
    void flowControlAndModemLines();
    void readTimeouts_data();
    void readTimeouts();
    void bytesSentArriveUnchanged();
    void farEndGone_data();
    void farEndGone();
    void waitReadableFromAnotherThread_data();
    void waitReadableFromAnotherThread();
    void callsOnAPortNotOpen();

private:
    std::unique_ptr<TemporaryProfile> m_profile;
    std::unique_ptr<NoMachineSerialPorts> m_noDevices;
    std::unique_ptr<PseudoTerminal> m_pty;
};

void TestSio::init()
{
    m_profile = std::make_unique<TemporaryProfile>();
    // The numbers the test does not link map to nothing on any machine.
    m_noDevices = std::make_unique<NoMachineSerialPorts>();
    m_pty = std::make_unique<PseudoTerminal>();
    QVERIFY(m_pty->isValid());
    QVERIFY(linkPort(*m_profile, port, m_pty->slavePath()));
}

void TestSio::cleanup()
{
    for (int number = 1; number <= 3; ++number)
        sio_close(number);
    m_pty.reset();
    m_noDevices.reset();
    m_profile.reset();
}

void TestSio::openFailures_data()
{
    QTest::addColumn<QString>("target"); // empty: leave the number unlinked; "*": a plain file
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("systemError");

    QTest::newRow("link to a missing device") << "/dev/ttyKweltaMissing0" << 2 << Sio::NoDevice << 0;
    QTest::newRow("number mapped to nothing") << QString() << 2 << Sio::NoDevice << 0;
    QTest::newRow("number zero") << QString() << 0 << Sio::NoDevice << 0;
    QTest::newRow("negative number") << QString() << -3 << Sio::NoDevice << 0;
    QTest::newRow("not a terminal") << "/dev/null" << 2 << Sio::SystemError << ENOTTY;
    QTest::newRow("a plain file") << "*" << 2 << Sio::SystemError << ENOTTY;
}

void TestSio::openFailures()
{
    QFETCH(QString, target);
    QFETCH(int, number);
    QFETCH(int, expected);
    QFETCH(int, systemError);

    if (target == QStringLiteral("*")) {
        target = m_profile->filePath(QStringLiteral("not-a-port"));
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    if (!target.isEmpty())
        QVERIFY(linkPort(*m_profile, number, target));
    QCOMPARE(sio_open(number), expected);
    if (systemError != 0)
        QCOMPARE(sio_lastSystemMessage(), qt_error_string(systemError));
    QCOMPARE(sio_close(number), Sio::NotOpen);
}

void TestSio::openAndCloseThroughALink()
{
    int exclusive = -1;
    QCOMPARE(sio_open(port), Sio::Ok);
    QCOMPARE(ioctl(m_pty->slave(), TIOCGEXCL, &exclusive), 0);
    QCOMPARE(exclusive, 1);
    // A terminal left in line mode with echo would hand back nothing until a line end.
    const termios2 settings = m_pty->slaveSettings();
    QCOMPARE(settings.c_lflag & (ICANON | ECHO), tcflag_t(0));

    QCOMPARE(sio_open(port), Sio::Busy);
    QCOMPARE(sio_close(port), Sio::Ok);
    QCOMPARE(ioctl(m_pty->slave(), TIOCGEXCL, &exclusive), 0);
    QCOMPARE(exclusive, 0);
    QCOMPARE(sio_close(port), Sio::NotOpen);
    QCOMPARE(sio_open(port), Sio::Ok);
}

void TestSio::heldElsewhere_data()
{
    QTest::addColumn<int>("holder"); // -1: this process under a second number

    QTest::newRow("locked by another program") << int(OtherProgram::Lock);
    QTest::newRow("made exclusive by another program") << int(OtherProgram::Exclusive);
    QTest::newRow("this program under another number") << -1;
}

void TestSio::heldElsewhere()
{
    QFETCH(int, holder);

    if (holder == -1) {
        QVERIFY(linkPort(*m_profile, 2, m_pty->slavePath()));
        QCOMPARE(sio_open(2), Sio::Ok);
        QCOMPARE(sio_open(port), Sio::Busy);
        QCOMPARE(sio_close(2), Sio::Ok);
        QCOMPARE(sio_open(port), Sio::Ok);
        return;
    }
    if (holder == OtherProgram::Exclusive && geteuid() == 0)
        QSKIP("the kernel lets root open a terminal another program made exclusive");
    {
        OtherProgram other(m_pty->slavePath(), OtherProgram::Hold(holder));
        QVERIFY(other.isHolding());
        QCOMPARE(sio_open(port), Sio::Busy);
    }
    QCOMPARE(sio_open(port), Sio::Ok);
}

void TestSio::speeds_data()
{
    QTest::addColumn<int>("baudCode");
    QTest::addColumn<uint>("speedBits");
    QTest::addColumn<uint>("rate");

    const struct
    {
        const char* name;
        tcflag_t bits;
        speed_t rate;
    } rows[] = {
        {"50", B50, 50},
        {"75", B75, 75},
        {"110", B110, 110},
        {"134.5", B134, 134},
        {"150", B150, 150},
        {"300", B300, 300},
        {"600", B600, 600},
        {"1200", B1200, 1200},
        {"1800", B1800, 1800},
        {"2400", B2400, 2400},
        {"4800", B4800, 4800},
        {"7200", BOTHER, 7200},
        {"9600", B9600, 9600},
        {"19200", B19200, 19200},
        {"38400", B38400, 38400},
        {"57600", B57600, 57600},
        {"115200", B115200, 115200},
        {"230400", B230400, 230400},
        {"460800", B460800, 460800},
        {"921600", B921600, 921600},
    };
    int code = 0;
    for (const auto& row : rows)
        QTest::newRow(row.name) << code++ << uint(row.bits) << uint(row.rate);
}

void TestSio::speeds()
{
    QFETCH(int, baudCode);
    QFETCH(uint, speedBits);
    QFETCH(uint, rate);

    QCOMPARE(sio_open(port), Sio::Ok);
    // Start from a different speed, so a row cannot pass by finding the one it wants already set.
    QCOMPARE(sio_ioctl(port, baudCode == 12 ? 16 : 12, Sio::LineMode8N1), Sio::Ok);
    QCOMPARE(sio_ioctl(port, baudCode, Sio::LineMode8N1), Sio::Ok);

    const termios2 settings = m_pty->slaveSettings();
    QCOMPARE(uint(settings.c_cflag & CBAUD), speedBits);
    QCOMPARE(uint(settings.c_ospeed), rate);
    QCOMPARE(uint(settings.c_ispeed), rate);
    QCOMPARE(settings.c_cflag & (CSIZE | PARENB | CSTOPB), tcflag_t(CS8));
    QCOMPARE(settings.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
    QCOMPARE(settings.c_oflag & OPOST, tcflag_t(0));
}

void TestSio::rejectedLineSettings_data()
{
    QTest::addColumn<int>("baudCode");
    QTest::addColumn<int>("mode");

    QTest::newRow("baud code below the table") << -1 << Sio::LineMode8N1;
    QTest::newRow("baud code above the table") << 20 << Sio::LineMode8N1;
    QTest::newRow("baud code far out") << 1 << 0 + 1000000;
    QTest::newRow("mark parity") << 12 << 3 + 0x28;
    QTest::newRow("space parity") << 12 << 3 + 0x38;
    QTest::newRow("bits beyond the mode") << 12 << 3 + 0x40;
    QTest::newRow("negative mode") << 12 << -1;
}

void TestSio::lineModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<uint>("stopAndOdd");
    QTest::addColumn<uint>("inputFlags");

    // Linux keeps a pseudo-terminal at 8 bits without parity whatever is asked; the stop bits, the odd
    // flag and the input flags that go with the frame stay, and they are what a reader of the far end
    // (the simulated scale) can see.
    QTest::newRow("8N1") << (Sio::DataBits8 + Sio::ParityNone + Sio::StopBits1) << 0u << 0u;
    QTest::newRow("7E1") << (Sio::DataBits7 + Sio::ParityEven + Sio::StopBits1) << 0u << uint(ISTRIP | INPCK);
    QTest::newRow("7O2") << (Sio::DataBits7 + Sio::ParityOdd + Sio::StopBits2) << uint(CSTOPB | PARODD)
                         << uint(ISTRIP | INPCK);
    QTest::newRow("8E1") << (Sio::DataBits8 + Sio::ParityEven + Sio::StopBits1) << 0u << uint(INPCK);
    QTest::newRow("7N2") << (Sio::DataBits7 + Sio::ParityNone + Sio::StopBits2) << uint(CSTOPB) << uint(ISTRIP);
}

void TestSio::lineModes()
{
    QFETCH(int, mode);
    QFETCH(uint, stopAndOdd);
    QFETCH(uint, inputFlags);

    QCOMPARE(sio_open(port), Sio::Ok);
    // From the opposite frame, so a row cannot pass on what an earlier setting left.
    QCOMPARE(sio_ioctl(port, 10, Sio::DataBits7 + Sio::ParityOdd + Sio::StopBits2), Sio::Ok);
    QCOMPARE(sio_ioctl(port, 10, Sio::LineMode8N1), Sio::Ok);
    QCOMPARE(m_pty->slaveSettings().c_iflag & (ISTRIP | INPCK), tcflag_t(0));
    QCOMPARE(sio_ioctl(port, 12, mode), Sio::Ok);

    const termios2 settings = m_pty->slaveSettings();
    QCOMPARE(uint(settings.c_ospeed), 9600u);
    QCOMPARE(uint(settings.c_cflag & (CSTOPB | PARODD)), stopAndOdd);
    QCOMPARE(uint(settings.c_iflag & (ISTRIP | INPCK)), inputFlags);
    QCOMPARE(settings.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
}

void TestSio::flushDiscardsWhatWaits()
{
    QCOMPARE(sio_open(port), Sio::Ok);
    QCOMPARE(sio_ioctl(port, 12, Sio::LineMode8N1), Sio::Ok);
    QVERIFY(m_pty->write("     12.345 kg\r\n"));
    QTRY_COMPARE(sio_iqueue(port), 16);
    QCOMPARE(sio_flush(port, 0), Sio::Ok);
    QCOMPARE(sio_iqueue(port), 0);
    QVERIFY(m_pty->write("OK\r\n"));
    QCOMPARE(sio_SetReadTimeouts(port, 2000, 50), Sio::Ok);
    char buffer[8] = {};
    QCOMPARE(sio_read(port, buffer, 4), 4);
    QCOMPARE(QByteArray(buffer, 4), QByteArray("OK\r\n"));
    QCOMPARE(sio_flush(port, 3), Sio::BadParameter);
    QCOMPARE(sio_flush(2, 0), Sio::NotOpen);
}

void TestSio::rejectedLineSettings()
{
    QFETCH(int, baudCode);
    QFETCH(int, mode);

    QCOMPARE(sio_open(port), Sio::Ok);
    QCOMPARE(sio_ioctl(port, 10, Sio::LineMode8N1), Sio::Ok);
    QCOMPARE(sio_ioctl(port, baudCode, mode), Sio::BadParameter);
    QCOMPARE(uint(m_pty->slaveSettings().c_ospeed), 4800u);
}

void TestSio::flowControlAndModemLines_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("hardware");
    QTest::addColumn<bool>("software");

    QTest::newRow("none") << 0 << Sio::Ok << false << false;
    QTest::newRow("CTS/RTS") << 3 << Sio::Ok << true << false;
    QTest::newRow("XON/XOFF") << 12 << Sio::Ok << false << true;
    QTest::newRow("both") << 15 << Sio::Ok << true << true;
    QTest::newRow("half of the hardware bits") << 1 << Sio::BadParameter << false << false;
    QTest::newRow("unknown bits") << 16 << Sio::BadParameter << false << false;
    QTest::newRow("negative") << -1 << Sio::BadParameter << false << false;
}

void TestSio::flowControlAndModemLines()
{
    QFETCH(int, mode);
    QFETCH(int, expected);
    QFETCH(bool, hardware);
    QFETCH(bool, software);

    QCOMPARE(sio_open(port), Sio::Ok);
    QCOMPARE(sio_flowctrl(port, mode), expected);
    const termios2 settings = m_pty->slaveSettings();
    QCOMPARE((settings.c_cflag & CRTSCTS) != 0, hardware);
    QCOMPARE((settings.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF), software);
    QCOMPARE((settings.c_iflag & (IXON | IXOFF)) == 0, !software);

    // A pseudo-terminal has no modem lines; the requests still count as applied.
    QCOMPARE(sio_DTR(port, 1), Sio::Ok);
    QCOMPARE(sio_RTS(port, 0), Sio::Ok);
    QCOMPARE(sio_DTR(port, 0), Sio::Ok);
    QCOMPARE(sio_RTS(port, 1), Sio::Ok);
}

void TestSio::readTimeouts_data()
{
    QTest::addColumn<int>("totalMs");
    QTest::addColumn<int>("intervalMs");
    QTest::addColumn<Schedule>("writes"); // atMs < 0: written before the read starts
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("minBytes");
    QTest::addColumn<int>("maxBytes");
    QTest::addColumn<int>("notBeforeMs"); // counted from the schedule's start, which the read follows

    // Only what the timeouts guarantee is checked: the earliest the read may end. A busy machine can
    // only make it later, up to the hang guard. The pauses between writes are a fifth of the interval
    // or less, so a writer held back by the load does not let the interval end a read early.
    QTest::newRow("nothing arrives: the total timeout ends it") << 300 << 50 << Schedule{} << 25 << 0 << 0 << 300;
    QTest::newRow("count reached ends it at once")
        << NeverMs << NeverMs << Schedule{{-1, "abcdef"}} << 4 << 4 << 4 << 0;
    QTest::newRow("count reached by bytes arriving later")
        << NeverMs << NeverMs << Schedule{{100, "ab"}, {200, "cd"}} << 4 << 4 << 4 << 200;
    QTest::newRow("silence after the last byte ends it")
        << NeverMs << 1000 << Schedule{{50, "ab"}, {150, "cd"}} << 1000 << 4 << 4 << 150 + 1000;
    // A byte every 100 ms for three seconds: the total ends the read after about ten of them, where a
    // read that let the interval alone decide would take all 31.
    Schedule steady;
    for (int atMs = 0; atMs <= 3000; atMs += 100)
        steady.append({atMs, QByteArray(1, char('a' + atMs / 100 % 26))});
    QTest::newRow("bytes within the interval keep it going until the total")
        << 1000 << 500 << steady << 1000 << 1 << 20 << 1000;
    QTest::newRow("total zero returns what is there at once")
        << 0 << 0 << Schedule{{-1, "xyz"}, {2000, "late"}} << 25 << 3 << 3 << 0;
    QTest::newRow("interval zero: only the total counts")
        << 1500 << 0 << Schedule{{50, "a"}, {100, "b"}} << 25 << 2 << 2 << 1500;
    QTest::newRow("no more than count bytes")
        << 300 << 100 << Schedule{{-1, QByteArray(100, 'q')}} << 25 << 25 << 25 << 0;
}

void TestSio::readTimeouts()
{
    QFETCH(int, totalMs);
    QFETCH(int, intervalMs);
    QFETCH(Schedule, writes);
    QFETCH(int, count);
    QFETCH(int, minBytes);
    QFETCH(int, maxBytes);
    QFETCH(int, notBeforeMs);

    QCOMPARE(sio_open(port), Sio::Ok);
    QCOMPARE(sio_ioctl(port, 16, Sio::LineMode8N1), Sio::Ok);
    QCOMPARE(sio_SetReadTimeouts(port, totalMs, intervalMs), Sio::Ok);

    QByteArray everything;
    qsizetype early = 0;
    for (const Write& write : writes) {
        everything += write.bytes;
        if (write.atMs < 0) {
            QVERIFY(m_pty->write(write.bytes));
            early += write.bytes.size();
        }
    }
    // The pty hands written bytes to the reader through a kernel worker; the early ones must have landed.
    QTRY_COMPARE(sio_iqueue(port), int(early));

    const PseudoTerminal& pty = *m_pty;
    // Writes still due when the read has ended would only keep the test waiting.
    std::mutex readEndedMutex;
    std::condition_variable readEndedChanged;
    bool readEnded = false;
    const auto start = std::chrono::steady_clock::now();
    std::thread writer([&] {
        for (const Write& write : writes) {
            if (write.atMs < 0)
                continue;
            std::unique_lock lock(readEndedMutex);
            if (readEndedChanged.wait_until(lock, start + std::chrono::milliseconds(write.atMs),
                                            [&] { return readEnded; }))
                return;
            pty.write(write.bytes);
        }
    });
    QByteArray buffer(count + 16, '\0');
    const int received = sio_read(port, buffer.data(), count);
    const qint64 elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    {
        const std::lock_guard lock(readEndedMutex);
        readEnded = true;
    }
    readEndedChanged.notify_all();
    writer.join();

    QVERIFY2(received >= minBytes && received <= maxBytes, qPrintable(QString::number(received)));
    QCOMPARE(buffer.left(received), everything.left(received));
    QCOMPARE_GE(elapsed, qint64(notBeforeMs));
    QCOMPARE_LT(elapsed, qint64(HangGuardMs));
    QCOMPARE(buffer.mid(count), QByteArray(16, '\0'));
}

void TestSio::bytesSentArriveUnchanged()
{
    QCOMPARE(sio_open(port), Sio::Ok);
    QCOMPARE(sio_ioctl(port, 12, Sio::LineMode8N1), Sio::Ok);
    // The probe's question, then bytes a cooked terminal would change or swallow, then a value that
    // does not fit in a byte.
    for (const int byte : {int('S'), int('I'), 13, 10, 0, 0x03, 0x11, 0x7f, 0xff, 0x100 + 'A'})
        QCOMPARE(sio_putch(port, byte), Sio::Ok);
    QCOMPARE(m_pty->readAll(), QByteArray("SI\r\n\0\x03\x11\x7f\xff"
                                          "A",
                                          10));
}

void TestSio::farEndGone_data()
{
    QTest::addColumn<int>("closeAfterMs"); // -1: before the read starts

    QTest::newRow("gone before the read") << -1;
    QTest::newRow("gone while a read waits") << 100;
}

void TestSio::farEndGone()
{
    QFETCH(int, closeAfterMs);

    QCOMPARE(sio_open(port), Sio::Ok);
    QCOMPARE(sio_SetReadTimeouts(port, NeverMs, NeverMs), Sio::Ok);
    if (closeAfterMs < 0)
        m_pty->closeMaster();
    PseudoTerminal& pty = *m_pty;
    QElapsedTimer timer;
    timer.start();
    std::thread closer([&pty, closeAfterMs] {
        if (closeAfterMs >= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(closeAfterMs));
            pty.closeMaster();
        }
    });

    char buffer[1000];
    const int received = sio_read(port, buffer, int(sizeof buffer));
    const qint64 readMs = timer.elapsed();
    closer.join();
    QCOMPARE(received, Sio::DeviceGone);
    // The hang-up is noticed, not waited out: the timeouts lie far beyond the guard.
    QCOMPARE_GE(readMs, qint64(closeAfterMs));
    QCOMPARE_LT(readMs, qint64(HangGuardMs));
    QCOMPARE(sio_read(port, buffer, int(sizeof buffer)), Sio::DeviceGone);
    QCOMPARE(sio_wait_readable(port, NeverMs), Sio::DeviceGone);
    QCOMPARE(sio_putch(port, 'x'), Sio::DeviceGone);
    QCOMPARE_LT(timer.elapsed(), qint64(HangGuardMs));
    QCOMPARE(sio_close(port), Sio::Ok);
}

void TestSio::waitReadableFromAnotherThread_data()
{
    QTest::addColumn<QByteArray>("bytes"); // written by the main thread after 100 ms; empty: nothing
    QTest::addColumn<bool>("hangUp");
    QTest::addColumn<int>("expected");

    QTest::newRow("data arrive") << QByteArray("W") << false << Sio::Readable;
    QTest::newRow("nothing arrives") << QByteArray() << false << Sio::TimedOut;
    QTest::newRow("the far end closes") << QByteArray() << true << Sio::DeviceGone;
}

void TestSio::waitReadableFromAnotherThread()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, hangUp);
    QFETCH(int, expected);

    QCOMPARE(sio_open(port), Sio::Ok);
    constexpr int eventAfterMs = 100;
    const int timeoutMs = expected == Sio::TimedOut ? 300 : NeverMs;
    QElapsedTimer timer;
    timer.start();
    auto waited = std::async(std::launch::async, [timeoutMs] { return sio_wait_readable(port, timeoutMs); });
    // Mostly the wait is under way by then; a wait that starts later must give the same answer.
    QTest::qWait(eventAfterMs);
    if (!bytes.isEmpty())
        QVERIFY(m_pty->write(bytes));
    if (hangUp)
        m_pty->closeMaster();
    QCOMPARE(waited.get(), expected);
    const qint64 elapsed = timer.elapsed();
    // Neither the timeout nor the event can end the wait before it happens; only a hang reaches the guard.
    QCOMPARE_GE(elapsed, qint64(expected == Sio::TimedOut ? timeoutMs : eventAfterMs));
    QCOMPARE_LT(elapsed, qint64(HangGuardMs));

    if (!bytes.isEmpty()) {
        char buffer[25];
        QCOMPARE(sio_read(port, buffer, int(sizeof buffer)), int(bytes.size()));
    }
}

void TestSio::callsOnAPortNotOpen()
{
    char buffer[8];
    for (const int number : {port, 2, 0, -1, 1 << 30}) {
        QCOMPARE(sio_ioctl(number, 12, Sio::LineMode8N1), Sio::NotOpen);
        QCOMPARE(sio_flowctrl(number, 0), Sio::NotOpen);
        QCOMPARE(sio_DTR(number, 1), Sio::NotOpen);
        QCOMPARE(sio_RTS(number, 0), Sio::NotOpen);
        QCOMPARE(sio_SetReadTimeouts(number, 50, 50), Sio::NotOpen);
        QCOMPARE(sio_read(number, buffer, int(sizeof buffer)), Sio::NotOpen);
        QCOMPARE(sio_putch(number, 'x'), Sio::NotOpen);
        QCOMPARE(sio_wait_readable(number, 10), Sio::NotOpen);
        QCOMPARE(sio_close(number), Sio::NotOpen);
    }

    // Arguments no caller should pass, on an open port.
    QCOMPARE(sio_open(port), Sio::Ok);
    QCOMPARE(sio_read(port, nullptr, 25), Sio::BadParameter);
    QCOMPARE(sio_read(port, buffer, -1), Sio::BadParameter);
    QCOMPARE(sio_read(port, buffer, 0), 0);
    QCOMPARE(sio_SetReadTimeouts(port, -1, 50), Sio::BadParameter);
    QCOMPARE(sio_wait_readable(port, -5), Sio::BadParameter);
}

QTEST_GUILESS_MAIN(TestSio)
#include "tst_sio.moc"
