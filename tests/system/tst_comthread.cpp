// The polling reader on a real pseudo-terminal: what the scale writes reaches the intake on the main
// thread, cut by the read mode, and a device that goes away is reported once.
#include "core/global.h"
#include "link/comthread.h"
#include "link/sio.h"
#include "support/pseudoterminal.h"
#include "support/temporaryprofile.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

class TestComThread : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void linesReachTheIntakeOnePerPoll();
    void shortLinesGoToTheirObserverInTurn();
    void readModeChangeAppliesToPendingText_data();
    void readModeChangeAppliesToPendingText();
    void bufferSizeBoundsWhatOnePollReads_data();
    void bufferSizeBoundsWhatOnePollReads();
    void goneDeviceIsReportedOnce();
    void linesThatArriveTogetherGoOnWithoutWaiting();
    void linesReceivedBeforeTheDeviceWentAreHandedOn();
    void stopEndsTheWorker();
    void intakeMayEndTheReader();

private:
    std::unique_ptr<ComThread> makeReader(ReadMode mode);

    std::unique_ptr<TemporaryProfile> m_profile;
    std::unique_ptr<PseudoTerminal> m_line;
    // Read by the reader at each poll, as it reads the window's choice.
    ReadMode m_mode = ReadMode::Indication;
    int m_bufferSize = 4096;
    QList<QByteArray> m_received;
    QList<bool> m_onMainThread;
};

void TestComThread::init()
{
    m_profile = std::make_unique<TemporaryProfile>();
    m_line = std::make_unique<PseudoTerminal>();
    QVERIFY(m_line->isValid());
    QVERIFY(linkPort(*m_profile, 1, m_line->slavePath()));
    QCOMPARE(sio_open(1), 0);
    QCOMPARE(sio_ioctl(1, 12, Sio::LineMode8N1), 0);
    QCOMPARE(sio_SetReadTimeouts(1, 50, 50), 0);
    Global::SerialStopped = false;
    m_bufferSize = 4096;
    m_received.clear();
    m_onMainThread.clear();
}

void TestComThread::cleanup()
{
    Global::SerialStopped = true;
    sio_close(1);
    m_line.reset();
    m_profile.reset();
}

std::unique_ptr<ComThread> TestComThread::makeReader(ReadMode mode)
{
    m_mode = mode;
    return std::make_unique<ComThread>(
        1, m_bufferSize, [this] { return m_mode; },
        [this](const QByteArray& text) {
            m_received.append(text);
            m_onMainThread.append(QThread::currentThread() == QCoreApplication::instance()->thread());
        });
}

void TestComThread::linesReachTheIntakeOnePerPoll()
{
    auto reader = makeReader(ReadMode::Indication);
    reader->start();
    const QByteArray lines("     12.345 kg\r\nOK\r\n      1.000 kg\r\n      2.000 kg\r\n");
    QVERIFY(m_line->write(lines));
    QTRY_COMPARE(m_received.size(), 3);
    QCOMPARE(m_received, (QList<QByteArray>{"     12.345 kg\r\n", "      1.000 kg\r\n", "      2.000 kg\r\n"}));
    QCOMPARE(m_onMainThread, (QList<bool>{true, true, true}));

    // Half a line waits for its end: read, but not handed on.
    QVERIFY(m_line->write("      3.0"));
    QTRY_COMPARE(reader->pending().text(), QByteArray("      3.0"));
    QCOMPARE(m_received.size(), 3);
    QVERIFY(m_line->write("00 kg\r\n"));
    QTRY_COMPARE(m_received.size(), 4);
    QCOMPARE(m_received.last(), QByteArray("      3.000 kg\r\n"));
}

// The monitor of received lines hears of the lines the cut dropped, in their place among the others.
void TestComThread::shortLinesGoToTheirObserverInTurn()
{
    auto reader = makeReader(ReadMode::Indication);
    reader->setShortLineObserver([this](const QByteArray& line) { m_received.append("short " + line); });
    reader->start();
    QVERIFY(m_line->write("     12.345 kg\r\nOK\r\n\x06\r\n      1.000 kg\r\n"));
    QTRY_COMPARE(m_received.size(), 4);
    QCOMPARE(m_received,
             (QList<QByteArray>{"     12.345 kg\r\n", "short OK\r\n", "short \x06\r\n", "      1.000 kg\r\n"}));
}

void TestComThread::readModeChangeAppliesToPendingText_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("half a line, then Report")
        << int(ReadMode::Indication) << int(ReadMode::Report) << QByteArray("      3.0");
    QTest::newRow("a short line, then Recognize")
        << int(ReadMode::Indication) << int(ReadMode::Recognize) << QByteArray("OK\r\n");
}

// The user may change the read mode while the reader holds text that the old mode did not hand on; the
// new mode applies to it without the scale having to send anything more.
void TestComThread::readModeChangeAppliesToPendingText()
{
    QFETCH(int, before);
    QFETCH(int, after);
    QFETCH(QByteArray, text);

    auto reader = makeReader(ReadMode(before));
    reader->start();
    QVERIFY(m_line->write(text));
    QTRY_COMPARE(reader->pending().text(), text);
    QVERIFY(m_received.isEmpty());

    m_mode = ReadMode(after);
    QTRY_COMPARE(m_received, QList<QByteArray>{text});
    QVERIFY(reader->pending().isEmpty());
    QCOMPARE(sio_iqueue(1), 0);
}

void TestComThread::bufferSizeBoundsWhatOnePollReads_data()
{
    QTest::addColumn<int>("bufferSize");
    QTest::addColumn<int>("firstHandOn");
    QTest::newRow("4096: all of it") << 4096 << 3000;
    QTest::newRow("0: one read") << 0 << ComThread::ReadChunk;
    QTest::newRow("1500: two reads") << 1500 << 2 * ComThread::ReadChunk;
}

// Report mode hands on whatever a poll read, so the size of the first hand-on shows how much it read.
void TestComThread::bufferSizeBoundsWhatOnePollReads()
{
    QFETCH(int, bufferSize);
    QFETCH(int, firstHandOn);
    m_bufferSize = bufferSize;
    const QByteArray burst(3000, 'x');
    QVERIFY(m_line->write(burst));
    QTRY_COMPARE(sio_iqueue(1), 3000);

    auto reader = makeReader(ReadMode::Report);
    reader->start();
    QTRY_COMPARE(m_received.join().size(), 3000);
    QCOMPARE(m_received.first().size(), firstHandOn);
    QCOMPARE(m_received.join(), burst);
}

void TestComThread::goneDeviceIsReportedOnce()
{
    auto reader = makeReader(ReadMode::Indication);
    QSignalSpy gone(reader.get(), &ComThread::deviceGone);
    reader->start();
    QVERIFY(m_line->write("     12.345 kg\r\n"));
    QTRY_COMPARE(m_received.size(), 1);

    m_line->closeMaster();
    QTRY_COMPARE(gone.size(), 1);
    QTRY_VERIFY(reader->isFinished());
    // The worker has ended, so whatever it posted is queued by now.
    QCoreApplication::sendPostedEvents();
    QCOMPARE(gone.size(), 1);
}

// A scale faster than one line per pause must not fall behind: lines read together go on together,
// each in a call of its own and in order, within one turn of the event loop.
void TestComThread::linesThatArriveTogetherGoOnWithoutWaiting()
{
    int turns = 0;
    QTimer turnCounter;
    turnCounter.setInterval(0);
    connect(&turnCounter, &QTimer::timeout, this, [&turns] { ++turns; });
    turnCounter.start();
    QList<int> turnOfEachLine;
    auto reader = std::make_unique<ComThread>(
        1, 4096, [] { return ReadMode::Indication; },
        [&](const QByteArray& text) {
            m_received.append(text);
            turnOfEachLine.append(turns);
        });
    reader->start();

    QByteArray burst;
    QList<QByteArray> lines;
    for (int i = 0; i < 20; ++i) {
        lines.append(QByteArray::number(10 + i) + ".000 kg   \r\n");
        burst += lines.last();
    }
    QVERIFY(m_line->write(burst));
    QTRY_COMPARE(m_received.size(), 20);
    QCOMPARE(m_received, lines);
    QCOMPARE(turnOfEachLine.count(turnOfEachLine.constFirst()), 20);
}

// The device going away must not take the complete lines already received with it; only a line cut
// off by the end is dropped.
void TestComThread::linesReceivedBeforeTheDeviceWentAreHandedOn()
{
    QList<QByteArray> events;
    auto reader = std::make_unique<ComThread>(
        1, 4096, [] { return ReadMode::Indication; }, [&events](const QByteArray& text) { events.append(text); });
    connect(reader.get(), &ComThread::deviceGone, this, [&events] { events.append("gone"); });
    reader->start();

    QByteArray burst;
    for (int i = 0; i < 100; ++i)
        burst += QByteArray::number(100 + i) + ".000 kg   \r\n";
    burst += "  99.0";
    QVERIFY(m_line->write(burst));
    // Once the first line is in, the reader has read everything written.
    QTRY_VERIFY(!events.isEmpty());
    m_line->closeMaster();
    QTRY_VERIFY(events.contains("gone"));
    QCOMPARE(events.size(), 101);
    QCOMPARE(events.at(99), QByteArray("199.000 kg   \r\n"));
    QCOMPARE(events.constLast(), QByteArray("gone"));
}

void TestComThread::stopEndsTheWorker()
{
    auto reader = makeReader(ReadMode::Indication);
    reader->start();
    // Mostly the worker is waiting on the idle port by then, which is the case that matters; a stop
    // that comes sooner must end it all the same, so a slow start cannot fail the test.
    QTest::qWait(100);
    reader->stop();
    QVERIFY(reader->isFinished());
    // Stopped for good: what arrives now stays in the port for the next reader. Only a poll already
    // queued could still read it, and the posted events run here.
    const QByteArray line("     12.345 kg\r\n");
    QVERIFY(m_line->write(line));
    QTRY_COMPARE(sio_iqueue(1), int(line.size()));
    QCoreApplication::sendPostedEvents();
    QCOMPARE(sio_iqueue(1), int(line.size()));
    QVERIFY(m_received.isEmpty());
}

// The intake can run a message box, in whose event loop the connection may be closed: the reader is
// destroyed while its poll is still on the stack.
void TestComThread::intakeMayEndTheReader()
{
    std::unique_ptr<ComThread> reader;
    reader = std::make_unique<ComThread>(
        1, 4096, [] { return ReadMode::Recognize; },
        [&reader, this](const QByteArray& text) {
            m_received.append(text);
            QEventLoop nested;
            QTimer::singleShot(0, &nested, [&reader] { reader.reset(); });
            QTimer::singleShot(50, &nested, &QEventLoop::quit);
            nested.exec();
        });
    reader->start();
    QVERIFY(m_line->write("a\r\nb\r\n"));
    QTRY_VERIFY(reader == nullptr);
    // The reader's destructor joined the worker; a poll it had queued would run here.
    QCoreApplication::sendPostedEvents();
    QCOMPARE(m_received, QList<QByteArray>{"a\r\n"});
}

QTEST_GUILESS_MAIN(TestComThread)
#include "tst_comthread.moc"
