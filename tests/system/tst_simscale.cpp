// The real kwelta-simscale process, spoken to through the pseudo-terminal it links, as Kwelta would open a
// serial port: plain termios, raw mode. Every wait is bounded and every copy of the tool is stopped.

#include "linesettings.h"
#include "support/scalelog.h"
#include "support/simscaleprocess.h"
#include "support/temporaryprofile.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Every wait for the scale ends on what it waits for; only a hang reaches this.
constexpr int AnswerTimeoutMs = 10000;
// Long enough that a scale that was going to answer would have started to.
constexpr int SilenceMs = 600;
// Longer than the scale's receive timeout of 500 ms, after which a half-received command is dropped.
constexpr int PastReceiveTimeoutMs = 600;
const QByteArray DefaultLine = "     12.345 kg\r\n";

// The other end of the line, opened and set up the way a program opens a serial port.
class Port
{
public:
    Port() = default;
    ~Port() { close(); }
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    bool open(const QString& path, const LineSettings& settings)
    {
        close();
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        return m_fd >= 0 && configure(settings);
    }

    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    bool configure(const LineSettings& settings)
    {
        const speed_t code = standardSpeed(settings.baud);
        // Only speeds without a Bxxx constant need termios2.
        if (code == 0)
            return applyLineSettings(m_fd, settings);
        termios tio{};
        if (::tcgetattr(m_fd, &tio) != 0)
            return false;
        ::cfmakeraw(&tio);
        // Data bits and parity are left at 8N1: Linux forces them on a pseudo-terminal anyway.
        tio.c_cflag |= CREAD | CLOCAL;
        tio.c_cflag &= ~CSTOPB;
        if (settings.stopBits == 2)
            tio.c_cflag |= CSTOPB;
        ::cfsetspeed(&tio, code);
        return ::tcsetattr(m_fd, TCSANOW, &tio) == 0;
    }

    // Writes everything, waiting while the line's buffer is full.
    bool write(const QByteArray& bytes)
    {
        qsizetype done = 0;
        QDeadlineTimer deadline(AnswerTimeoutMs);
        while (done < bytes.size() && !deadline.hasExpired()) {
            const ssize_t written = ::write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
            if (written > 0) {
                done += written;
                continue;
            }
            pollfd fd{m_fd, POLLOUT, 0};
            ::poll(&fd, 1, int(qMax<qint64>(1, deadline.remainingTime())));
        }
        return done == bytes.size();
    }

    // Reads until `count` bytes have come or the time is up; the size of each read goes to `reads`.
    QByteArray read(qsizetype count, int timeoutMs, QList<qsizetype>* reads = nullptr)
    {
        QByteArray bytes;
        QDeadlineTimer deadline(timeoutMs);
        while (bytes.size() < count && !deadline.hasExpired()) {
            pollfd fd{m_fd, POLLIN, 0};
            if (::poll(&fd, 1, int(qMax<qint64>(1, deadline.remainingTime()))) <= 0)
                continue;
            char buffer[4096];
            const ssize_t got = ::read(m_fd, buffer, size_t(qMin<qsizetype>(count - bytes.size(), sizeof buffer)));
            if (got > 0) {
                bytes.append(buffer, got);
                if (reads)
                    reads->append(got);
            }
        }
        return bytes;
    }

    // Everything that arrives during the given time.
    QByteArray readFor(int ms) { return read(std::numeric_limits<qsizetype>::max(), ms); }

    // Reads until what has come ends with `end` or the time is up.
    QByteArray readUntil(const QByteArray& end, int timeoutMs)
    {
        QByteArray bytes;
        QDeadlineTimer deadline(timeoutMs);
        while (!bytes.endsWith(end) && !deadline.hasExpired())
            bytes += read(1, int(qMax<qint64>(1, deadline.remainingTime())));
        return bytes;
    }

private:
    static speed_t standardSpeed(int baud)
    {
        switch (baud) {
        case 134:
            return B134;
        case 1200:
            return B1200;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        default:
            return 0;
        }
    }

    int m_fd = -1;
};

LineSettings settingsOf(int baud, const QString& frame)
{
    return LineSettings::withFrame(baud, frame).value_or(LineSettings{});
}

// The bytes a "received: " line of the log stands for: the count it gives for a chunk too long to show
// whole, else the chunk as shown, each escape (\r, \n, \xHH) being one byte. Only for bytes that hold
// no backslash of their own.
qsizetype loggedSize(const QByteArray& shown)
{
    static const QRegularExpression longChunk(QStringLiteral(R"(\.\.\. \((\d+) bytes\)$)"));
    const QRegularExpressionMatch match = longChunk.match(QString::fromLatin1(shown));
    if (match.hasMatch())
        return match.captured(1).toLongLong();
    qsizetype size = 0;
    for (qsizetype i = 0; i < shown.size(); ++i, ++size) {
        if (shown.at(i) == '\\')
            i += shown.mid(i + 1, 1) == "x" ? 3 : 1;
    }
    return size;
}

} // namespace

class TestSimScale : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void answersOnlyAtItsOwnSettings_data();
    void answersOnlyAtItsOwnSettings();
    void otherFramesReadSpoilt_data();
    void otherFramesReadSpoilt();
    void framesOnThePseudoTerminal_data();
    void framesOnThePseudoTerminal();
    void sendsAtTheLineSpeed_data();
    void sendsAtTheLineSpeed();
    void takesOperatorCommands_data();
    void takesOperatorCommands();
    void changesItsSpeedOnCommand();
    void streams_data();
    void streams();
    void survivesGarbageAndReopening();
    void replacesAndRemovesItsLink_data();
    void replacesAndRemovesItsLink();
    void leavesOtherFilesAlone();

private:
    // Starts the scale on m_link with its log going to `log`.
    bool startLogged(SimScaleProcess& scale, const ScaleLog& log, const QStringList& options = {});

    std::unique_ptr<TemporaryProfile> m_profile;
    QString m_link;
};

void TestSimScale::init()
{
    m_profile = std::make_unique<TemporaryProfile>();
    m_link = m_profile->filePath(QStringLiteral("ports/COM2"));
}

void TestSimScale::cleanup()
{
    m_profile.reset();
}

bool TestSimScale::startLogged(SimScaleProcess& scale, const ScaleLog& log, const QStringList& options)
{
    // Forwarding would win over the file.
    scale.process().setProcessChannelMode(QProcess::SeparateChannels);
    scale.process().setStandardErrorFile(log.path());
    return scale.start(m_link, options + QStringList{QStringLiteral("--verbose")});
}

void TestSimScale::answersOnlyAtItsOwnSettings_data()
{
    QTest::addColumn<int>("scaleBaud");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("portBaud");
    QTest::addColumn<QString>("portFrame");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("expected");

    const QString n81 = QStringLiteral("8N1");
    QTest::newRow("SI at 9600 8N1") << 9600 << QStringList() << 9600 << n81 << QByteArray("SI\r\n") << DefaultLine;
    QTest::newRow("Sx1 at 9600 8N1") << 9600 << QStringList() << 9600 << n81 << QByteArray("Sx1\r\n") << DefaultLine;
    QTest::newRow("port at 4800") << 9600 << QStringList() << 4800 << n81 << QByteArray("SI\r\n") << QByteArray();
    QTest::newRow("port at 8N2") << 9600 << QStringList() << 9600 << QStringLiteral("8N2") << QByteArray("SI\r\n")
                                 << QByteArray();
    QTest::newRow("scale and port at 4800")
        << 4800 << QStringList() << 4800 << n81 << QByteArray("SI\r\n") << DefaultLine;
    QTest::newRow("custom 7200 on both") << 7200 << QStringList() << 7200 << n81 << QByteArray("SI\r\n") << DefaultLine;
    QTest::newRow("scale at 7200, port at 9600")
        << 7200 << QStringList() << 9600 << n81 << QByteArray("SI\r\n") << QByteArray();
    QTest::newRow("weight and format options")
        << 9600
        << QStringList{QStringLiteral("--weight"), QStringLiteral("-1.5"), QStringLiteral("--format"),
                       QStringLiteral("%.2f lb\\r\\n")}
        << 9600 << n81 << QByteArray("SI\r\n") << QByteArray("-1.50 lb\r\n");
    QTest::newRow("tare acknowledged when asked to")
        << 9600 << QStringList{QStringLiteral("--ack-tare"), QStringLiteral("OK\\r\\n")} << 9600 << n81
        << QByteArray("ST\r\n") << QByteArray("OK\r\n");
}

void TestSimScale::answersOnlyAtItsOwnSettings()
{
    QFETCH(int, scaleBaud);
    QFETCH(QStringList, options);
    QFETCH(int, portBaud);
    QFETCH(QString, portFrame);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, expected);

    SimScaleProcess scale(QStringLiteral(KWELTA_SIMSCALE_PATH));
    ScaleLog log(m_profile->filePath(QStringLiteral("scale.log")));
    QVERIFY(startLogged(scale, log, QStringList{QStringLiteral("--baud"), QString::number(scaleBaud)} + options));
    Port port;
    QVERIFY(port.open(m_link, settingsOf(portBaud, portFrame)));
    QVERIFY(port.write(command));
    if (expected.isEmpty()) {
        // The scale says it let the command pass at settings not its own. Only then may the port's
        // settings change, since the scale reads them when the bytes arrive.
        QVERIFY(log.waitForLineStarting("ignored at "));
    } else {
        QCOMPARE(port.read(expected.size(), AnswerTimeoutMs), expected);
    }

    // The settings count when a command arrives, so the same scale answers once the port matches it.
    QVERIFY(port.configure(settingsOf(scaleBaud, QStringLiteral("8N1"))));
    QVERIFY(port.write("Sx1\r\n"));
    QVERIFY(!port.read(1, AnswerTimeoutMs).isEmpty());
}

void TestSimScale::otherFramesReadSpoilt_data()
{
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("read");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("expected");

    // '1' 0x31 and 'k' 0x6b have an odd count of ones, so even parity sets their parity bit; 'S' 0x53 and
    // '5' 0x35 an even count. An 8-bit reader takes the parity bit for the eighth data bit.
    QTest::newRow("same frame") << "7E1"
                                << "7E1" << QByteArray("1k\r\n") << QByteArray("1k\r\n");
    QTest::newRow("7E1 read at 8N1") << "7E1"
                                     << "8N1" << QByteArray("1kS5\r\n") << QByteArray("\xb1\xebS5\x8d\x0a");
    // The other way: the eighth bit (0 here) checked as parity; where it does not match, a NUL.
    QTest::newRow("8N1 read at 7E1") << "8N1"
                                     << "7E1" << QByteArray("SI\r\n") << QByteArray("S\0\0\n", 4);
    // Eight data bits read as seven: the eighth falls where the stop bit belongs, and a 0 there is a
    // framing error.
    QTest::newRow("8N1 read at 7N1") << "8N1"
                                     << "7N1" << QByteArray("\x41\xc1") << QByteArray("\0\x41", 2);
    QTest::newRow("7O1 read at 7E1") << "7O1"
                                     << "7E1" << QByteArray("SI") << QByteArray("\0\0", 2);
}

void TestSimScale::otherFramesReadSpoilt()
{
    QFETCH(QString, sent);
    QFETCH(QString, read);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, expected);

    QCOMPARE(settingsOf(9600, sent).asReceivedBy(settingsOf(9600, read), bytes), expected);
}

void TestSimScale::framesOnThePseudoTerminal_data()
{
    QTest::addColumn<QString>("scaleFrame");
    QTest::addColumn<QString>("portFrame");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("7E1 at 7E1") << "7E1"
                                << "7E1" << DefaultLine;
    QTest::newRow("7E1 at 8N1") << "7E1"
                                << "8N1" << settingsOf(9600, "7E1").asReceivedBy(settingsOf(9600, "8N1"), DefaultLine);
    QTest::newRow("8N1 at 8O1") << "8N1"
                                << "8O1" << settingsOf(9600, "8N1").asReceivedBy(settingsOf(9600, "8O1"), DefaultLine);
}

// The frame a port is set to reaches the scale through the input flags Linux leaves on a pseudo-terminal,
// and what it sends arrives as a receiver at that frame would read it.
void TestSimScale::framesOnThePseudoTerminal()
{
    QFETCH(QString, scaleFrame);
    QFETCH(QString, portFrame);
    QFETCH(QByteArray, expected);

    SimScaleProcess scale(QStringLiteral(KWELTA_SIMSCALE_PATH));
    QVERIFY(scale.start(m_link, {QStringLiteral("--line"), scaleFrame}));
    const int fd = ::open(QFile::encodeName(m_link).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    QVERIFY(fd >= 0);
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    QVERIFY(applyLineSettings(fd, settingsOf(9600, portFrame)));
    QCOMPARE(readLineSettings(fd), settingsOf(9600, portFrame));
    scale.command("print\n");
    QByteArray bytes;
    QDeadlineTimer deadline(AnswerTimeoutMs);
    while (bytes.size() < expected.size() && !deadline.hasExpired()) {
        pollfd waiter{fd, POLLIN, 0};
        if (::poll(&waiter, 1, int(qMax<qint64>(1, deadline.remainingTime()))) <= 0)
            continue;
        char buffer[64];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0)
            bytes.append(buffer, got);
    }
    QCOMPARE(bytes, expected);
}

void TestSimScale::sendsAtTheLineSpeed_data()
{
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("minimumMs");
    QTest::addColumn<bool>("lineOutlastsAStall");

    // 16 characters of 10 bits each; the bounds leave a quarter off the exact times. Only a line that
    // takes over a second is sure to be caught in the middle by the first read: on a busy machine the
    // reader may wake late enough to find a faster line whole.
    QTest::newRow("9600") << 9600 << 12 << false;
    QTest::newRow("1200") << 1200 << 100 << false;
    QTest::newRow("134") << 134 << 900 << true;
}

void TestSimScale::sendsAtTheLineSpeed()
{
    QFETCH(int, baud);
    QFETCH(int, minimumMs);
    QFETCH(bool, lineOutlastsAStall);

    SimScaleProcess scale(QStringLiteral(KWELTA_SIMSCALE_PATH));
    QVERIFY(scale.start(m_link, {QStringLiteral("--baud"), QString::number(baud)}));
    Port port;
    QVERIFY(port.open(m_link, settingsOf(baud, QStringLiteral("8N1"))));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(port.write("SI\r\n"));
    QList<qsizetype> reads;
    QCOMPARE(port.read(DefaultLine.size(), AnswerTimeoutMs, &reads), DefaultLine);
    QCOMPARE_GE(clock.elapsed(), minimumMs);
    // A reader that stops after its first read would hold part of the line, as with a real scale.
    if (lineOutlastsAStall)
        QCOMPARE_LT(reads.constFirst(), DefaultLine.size());
}

void TestSimScale::takesOperatorCommands_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("print") << QByteArray("print\n") << DefaultLine;
    QTest::newRow("weight then print") << QByteArray("weight 3.5\nprint\n") << QByteArray("      3.500 kg\r\n");
    QTest::newRow("tare and a new load") << QByteArray("weight 5\ntare\nweight 7\nprint\n")
                                         << QByteArray("      2.000 kg\r\n");
    QTest::newRow("nonsense changes nothing")
        << QByteArray("jump\nweight x\nweight\nstream -1\nprint\n") << DefaultLine;
    QTest::newRow("report") << QByteArray("report\n")
                            << QByteArray("WEIGHING REPORT\r\n      1.250 kg\r\n      0.750 kg\r\n     12.345 kg\r\n"
                                          "TOTAL     14.345 kg\r\n");
    QTest::newRow("report scan") << QByteArray("weight 1\nreport scan\n")
                                 << QByteArray(
                                        "WEIGHING REPORT\r\nSCAN10001\r\n      1.250 kg\r\nSCAN10002\r\n"
                                        "      0.750 kg\r\nSCAN10003\r\n      1.000 kg\r\nTOTAL      3.000 kg\r\n");
}

void TestSimScale::takesOperatorCommands()
{
    QFETCH(QByteArray, lines);
    QFETCH(QByteArray, expected);

    SimScaleProcess scale(QStringLiteral(KWELTA_SIMSCALE_PATH));
    QVERIFY(scale.start(m_link));
    Port port;
    QVERIFY(port.open(m_link, LineSettings{}));
    scale.command(lines);
    QCOMPARE(port.read(expected.size(), AnswerTimeoutMs), expected);
    QCOMPARE(port.readFor(SilenceMs / 2), QByteArray());
}

void TestSimScale::changesItsSpeedOnCommand()
{
    SimScaleProcess scale(QStringLiteral(KWELTA_SIMSCALE_PATH));
    ScaleLog log(m_profile->filePath(QStringLiteral("scale.log")));
    QVERIFY(startLogged(scale, log));
    Port port;
    QVERIFY(port.open(m_link, LineSettings{}));
    scale.command("speed 4800\n");
    // Stdin and the port are separate channels: the print, which the scale keeps to itself at a speed
    // the port does not share, shows the speed command has been taken.
    scale.command("print\n");
    QVERIFY(log.waitForLineStarting("not sent "));
    QVERIFY(port.write("SI\r\n"));
    QVERIFY(log.waitForLineStarting("ignored at "));
    QVERIFY(port.configure(settingsOf(4800, QStringLiteral("8N1"))));
    QVERIFY(port.write("SI\r\n"));
    QCOMPARE(port.read(DefaultLine.size(), AnswerTimeoutMs), DefaultLine);
    // Neither the print nor the first request was kept for later.
    QCOMPARE(port.readFor(SilenceMs), QByteArray());
}

void TestSimScale::streams_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("command");

    QTest::newRow("from the command line")
        << QStringList{QStringLiteral("--stream"), QStringLiteral("20")} << QByteArray();
    QTest::newRow("from stdin") << QStringList() << QByteArray("stream 20\n");
}

void TestSimScale::streams()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, command);

    // Started before the stream can have, so that the lines' pace bounds the time from below.
    QElapsedTimer clock;
    clock.start();
    SimScaleProcess scale(QStringLiteral(KWELTA_SIMSCALE_PATH));
    QVERIFY(scale.start(m_link, options));
    Port port;
    QVERIFY(port.open(m_link, LineSettings{}));
    scale.command(command);
    // A scale streaming from its start may have been inside a line when the port opened; that line's
    // rest is not one of the lines to judge.
    const QByteArray first = port.readUntil("\r\n", AnswerTimeoutMs);
    QVERIFY2(first.endsWith("\r\n"), first.constData());
    const bool firstWhole = first == DefaultLine;
    if (!firstWhole)
        QVERIFY2(!options.isEmpty() && DefaultLine.endsWith(first), first.constData());
    // One second of the stream, nothing but whole lines.
    constexpr int lines = 20;
    const int more = lines - (firstWhole ? 1 : 0);
    QCOMPARE(port.read(more * DefaultLine.size(), AnswerTimeoutMs), DefaultLine.repeated(more));
    // The scale sends a line at each tick of its 50 ms timer, and a timer never fires early: 20 whole
    // lines cannot be in before 20 ticks. A stream at the line's own speed would take a third of that;
    // one far slower than asked for would run into the answer timeout. The margin is one tick, for the
    // rounding to milliseconds.
    QCOMPARE_GE(clock.elapsed(), qint64((lines - 1) * 50));

    // The print is sent after every line streamed before the stop; once it is in, the line stays quiet.
    const QByteArray last = "      1.000 kg\r\n";
    scale.command("stream 0\nweight 1\nprint\n");
    QVERIFY(port.readUntil(last, AnswerTimeoutMs).endsWith(last));
    QCOMPARE(port.readFor(SilenceMs), QByteArray());
}

void TestSimScale::survivesGarbageAndReopening()
{
    SimScaleProcess scale(QStringLiteral(KWELTA_SIMSCALE_PATH));
    ScaleLog log(m_profile->filePath(QStringLiteral("scale.log")));
    QVERIFY(startLogged(scale, log));
    Port port;
    QVERIFY(port.open(m_link, LineSettings{}));
    // Every byte but LF, so that it is one unfinished line to the scale, and backslash, so that the
    // scale's log of it can be counted.
    QByteArray garbage;
    for (int i = 0; i < 40000; ++i) {
        const char byte = char((i * 7919) % 256);
        garbage += byte == '\n' || byte == '\\' ? '\0' : byte;
    }
    QVERIFY(port.write(garbage));
    port.close();
    qsizetype received = 0;
    QVERIFY(log.waitFor([&](const QByteArray& line) {
        if (line.startsWith("received: "))
            received += loggedSize(line.mid(10));
        return received >= garbage.size();
    }));
    QCOMPARE(received, garbage.size());

    QVERIFY(port.open(m_link, LineSettings{}));
    // Counted from after the last of the garbage arrived: a pause longer than the scale's receive
    // timeout, which ends the garbage's unfinished line.
    QThread::msleep(PastReceiveTimeoutMs);
    QVERIFY(port.write("SI\r\n"));
    QCOMPARE(port.read(DefaultLine.size(), AnswerTimeoutMs), DefaultLine);
    QCOMPARE(scale.process().state(), QProcess::Running);
}

void TestSimScale::replacesAndRemovesItsLink_data()
{
    QTest::addColumn<QVariant>("stop");

    QTest::newRow("quit on stdin") << QVariant(QByteArray("quit"));
    QTest::newRow("SIGTERM") << QVariant(int(SIGTERM));
    QTest::newRow("SIGINT") << QVariant(int(SIGINT));
}

void TestSimScale::replacesAndRemovesItsLink()
{
    QFETCH(QVariant, stop);

    QVERIFY(QDir().mkpath(QFileInfo(m_link).path()));
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/port"), m_link));
    SimScaleProcess scale(QStringLiteral(KWELTA_SIMSCALE_PATH));
    QVERIFY(scale.start(m_link));
    QVERIFY(QFileInfo(m_link).symLinkTarget().startsWith(QStringLiteral("/dev/pts/")));
    QVERIFY(scale.stopWith(stop));
    QVERIFY(!QFileInfo(m_link).isSymLink());
    QVERIFY(!QFileInfo::exists(m_link));
}

void TestSimScale::leavesOtherFilesAlone()
{
    QVERIFY(QDir().mkpath(QFileInfo(m_link).path()));
    QFile file(m_link);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write("keep"), 4);
    file.close();

    SimScaleProcess scale(QStringLiteral(KWELTA_SIMSCALE_PATH));
    QVERIFY(!scale.start(m_link));
    QVERIFY(scale.process().state() == QProcess::NotRunning ||
            scale.process().waitForFinished(SimScaleProcess::StopTimeoutMs));
    QCOMPARE(scale.process().exitCode(), 2);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("keep"));
}

QTEST_GUILESS_MAIN(TestSimScale)
#include "tst_simscale.moc"
