#include "core/clock.h"
#include "processing/delivery.h"
#include "processing/localeformats.h"
#include "processing/processingoptions.h"
#include "processing/report.h"
#include "support/fixedclock.h"
#include "support/recordingkeyboard.h"

#include <QTemporaryDir>
#include <QTest>

// Feeds chunks one by one and reads back what each one added to the output file.
class ReportFixture
{
public:
    explicit ReportFixture(ProcessingOptions& options, const Clock& clock)
        : m_options(options)
        , m_delivery(options, m_keyboard)
        , m_report(options, m_delivery, clock, m_formats)
    {
        options.outputFile = m_dir.filePath(QStringLiteral("report.txt"));
        options.typeIntoFocusedWindow = false;
        options.appendToFile = true;
    }

    QByteArray feed(const QByteArray& chunk)
    {
        m_report.processReport(chunk);
        QFile file(m_options.outputFile);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray all = file.readAll();
        const QByteArray added = all.mid(m_read);
        m_read = all.size();
        return added;
    }
    const ReportMode& report() const { return m_report; }
    ReportMode& report() { return m_report; }

private:
    const ProcessingOptions& m_options;
    QTemporaryDir m_dir;
    RecordingKeyboard m_keyboard;
    LocaleFormats m_formats = LocaleFormats::fromLocale(QLocale(QLocale::Polish, QLocale::Poland));
    Delivery m_delivery;
    ReportMode m_report;
    qsizetype m_read = 0;
};

class TestReport : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void cutsTheScannerFrame_data();
    void cutsTheScannerFrame();
    void datesEachReport_data();
    void datesEachReport();
    void noDateRightAfterTheLinkButton();
    void timeLeftOutAtMidnight();
    void typesWhenKeystrokesAreOn();

private:
    ProcessingOptions m_options;
    bool m_ownWindowActive = false;
    FixedClock m_clock;
};

void TestReport::init()
{
    m_options = ProcessingOptions();
    m_ownWindowActive = false;
    m_clock = FixedClock();
}

void TestReport::cutsTheScannerFrame_data()
{
    QTest::addColumn<bool>("cut");
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QByteArrayList>("outputs");
    QTest::addColumn<bool>("breakPending");
    QTest::addColumn<QByteArray>("tail");

    using L = QByteArrayList;
    QTest::newRow("whole frame") << true << L{"SCAN12345\r\n"} << L{"12345"} << false << QByteArray();
    QTest::newRow("break in the next chunk")
        << true << L{"ABCSCAN678", "9\r\nXYZ"} << L{"ABC678", "9XYZ"} << false << QByteArray();
    QTest::newRow("break still missing") << true << L{"ABCSCAN678"} << L{"ABC678"} << true << QByteArray();
    QTest::newRow("word split over chunks") << true << L{"12SC", "AN34\r\n"} << L{"12", "34"} << false << QByteArray();
    QTest::newRow("held start that is no frame")
        << true << L{"12SC", "ORE\r\n"} << L{"12", "SCORE\r\n"} << false << QByteArray();
    QTest::newRow("held S again") << true << L{"ABS", "omeS"} << L{"AB", "Some"} << false << QByteArray("S");
    QTest::newRow("one letter at a time")
        << true << L{"S", "C", "A", "N9\r\n"} << L{"", "", "", "9"} << false << QByteArray();
    QTest::newRow("break of the earlier frame before a new one")
        << true << L{"SCAN1", "\r\nSCAN2\r\n"} << L{"1", "2"} << false << QByteArray();
    QTest::newRow("frame cutting off") << false << L{"SCAN12345\r\n", "12SC", "AN"} << L{"SCAN12345\r\n", "12SC", "AN"}
                                       << false << QByteArray();
    QTest::newRow("binary chunk") << true << L{QByteArray("\0\xFFSCAN\x01\r\n", 9)} << L{QByteArray("\0\xFF\x01", 3)}
                                  << false << QByteArray();
}

void TestReport::cutsTheScannerFrame()
{
    QFETCH(bool, cut);
    QFETCH(QByteArrayList, chunks);
    QFETCH(QByteArrayList, outputs);
    QFETCH(bool, breakPending);
    QFETCH(QByteArray, tail);

    m_options.removeScannerFrame = cut;
    ReportFixture report(m_options, m_clock);
    QByteArrayList seen;
    for (const QByteArray& chunk : chunks)
        seen.append(report.feed(chunk));

    QCOMPARE(seen, outputs);
    QCOMPARE(report.report().breakPending(), breakPending);
    QCOMPARE(report.report().frameTail(), tail);
}

void TestReport::datesEachReport_data()
{
    QTest::addColumn<int>("delay");
    QTest::addColumn<int>("stepMs");
    QTest::addColumn<QList<int>>("datedChunks");

    // Thirteen chunks; a date goes in front when strictly more than the delay has passed since the last one.
    QTest::newRow("5 s, chunks 1 s apart") << 5 << 1000 << QList<int>{0, 6, 12};
    QTest::newRow("0 s, chunks 1 s apart") << 0 << 1000 << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    QTest::newRow("0 s, same instant") << 0 << 0 << QList<int>{0};
    QTest::newRow("no item chosen") << -1 << 0 << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    QTest::newRow("10 s, chunks 5 s apart") << 10 << 5000 << QList<int>{0, 3, 6, 9, 12};
}

void TestReport::datesEachReport()
{
    QFETCH(int, delay);
    QFETCH(int, stepMs);
    QFETCH(QList<int>, datedChunks);

    m_options.dateBeforeReport = true;
    m_options.reportDataDelay = delay;
    ReportFixture report(m_options, m_clock);
    QList<int> dated;
    for (int chunk = 0; chunk < 13; ++chunk) {
        const QByteArray output = report.feed("data\r\n");
        if (output != "data\r\n") {
            QCOMPARE(output, QByteArray(m_clock.now().toString(u"dd.MM.yyyy HH:mm:ss").toUtf8() + "\tdata\r\n"));
            dated.append(chunk);
        }
        m_clock.advance(stepMs);
    }
    QCOMPARE(dated, datedChunks);
}

void TestReport::noDateRightAfterTheLinkButton()
{
    m_options.dateBeforeReport = true;
    m_options.reportDataDelay = 3;
    ReportFixture report(m_options, m_clock);
    report.report().setLastReportTime(m_clock.now());

    m_clock.advance(3000);
    QCOMPARE(report.feed("A"), QByteArray("A"));
    m_clock.advance(1);
    QVERIFY(report.feed("B").endsWith("\tB"));
}

void TestReport::timeLeftOutAtMidnight()
{
    m_options.dateBeforeReport = true;
    m_clock.set(QDateTime(QDate(2026, 12, 10), QTime(0, 0)));
    ReportFixture report(m_options, m_clock);
    QCOMPARE(report.feed("A"), QByteArray("10.12.2026\tA"));
    m_clock.advance(1000);
    QCOMPARE(report.feed("B"), QByteArray("10.12.2026 00:00:01\tB"));
}

void TestReport::typesWhenKeystrokesAreOn()
{
    RecordingKeyboard keyboard;
    Delivery delivery(m_options, keyboard);
    delivery.setOwnWindowActive([this] { return m_ownWindowActive; });
    const LocaleFormats formats = LocaleFormats::fromLocale(QLocale::c());
    ReportMode report(m_options, delivery, m_clock, formats);
    m_options.removeScannerFrame = true;

    report.processReport("SCANab\r\n");
    QCOMPARE(keyboard.typedText(), QStringLiteral("ab"));

    keyboard.events.clear();
    m_ownWindowActive = true;
    report.processReport("cd");
    QVERIFY(keyboard.events.isEmpty());
}

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"
