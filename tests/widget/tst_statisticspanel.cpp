#include "processing/processdata.h"
#include "support/fixedclock.h"
#include "support/recordingkeyboard.h"
#include "ui/statisticspanel.h"

#include <QChartView>
#include <QLabel>
#include <QScatterSeries>
#include <QTest>
#include <QToolButton>
#include <QValueAxis>

namespace {

const QString NoValue = QStringLiteral("- - -");

QString shown(const StatisticsPanel& panel, const char* label)
{
    const auto* widget = panel.findChild<QLabel*>(QLatin1String(label));
    return widget ? widget->text() : QStringLiteral("<no %1>").arg(QLatin1String(label));
}

QList<double> plotted(const StatisticsPanel& panel)
{
    QList<double> values;
    const QList<QPointF> points = panel.series()->points();
    for (const QPointF& point : points)
        values.append(point.y());
    return values;
}

} // namespace

class TestStatisticsPanel : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void emptyBeforeAnyResultAndAfterClearing();
    void refreshesOnceTheResultsStepIsDone();
    void showsAndPlotsTheResults_data();
    void showsAndPlotsTheResults();
    void unusableMaskStopsTheRefresh_data();
    void unusableMaskStopsTheRefresh();
    void chartKeepsTheLatestPointsWhileTheFiguresCoverAll();
    void pointsAreDrawnAsRedCircles();

private:
    // A panel showing the processor's statistics.
    std::unique_ptr<StatisticsPanel> makePanel(const QLocale& locale = QLocale::c());
    // Feeds each line through the parser and lets the panel's refresh for it run.
    void weigh(StatisticsPanel& panel, const QByteArrayList& lines);
    // The user's result format, as the window tells both the processing and the panel.
    void setResultFormat(StatisticsPanel& panel, bool use, const QString& format);

    ProcessingOptions m_options;
    RecordingKeyboard m_keyboard;
    FixedClock m_clock;
    std::unique_ptr<ProcessData> m_processor;
};

void TestStatisticsPanel::init()
{
    m_clock = FixedClock();
    m_options = ProcessingOptions();
    m_options.resultFormat = QStringLiteral("0.####");
    m_processor = std::make_unique<ProcessData>(m_keyboard, m_clock, QLocale::c());
    m_processor->setOptions(m_options);
}

std::unique_ptr<StatisticsPanel> TestStatisticsPanel::makePanel(const QLocale& locale)
{
    auto panel = std::make_unique<StatisticsPanel>();
    panel->setLocaleFormats(LocaleFormats::fromLocale(locale));
    panel->setStatistics(&m_processor->statistics());
    panel->setResultFormat(m_options.useResultFormat, m_options.resultFormat);
    return panel;
}

void TestStatisticsPanel::weigh(StatisticsPanel& panel, const QByteArrayList& lines)
{
    for (const QByteArray& line : lines) {
        m_processor->takeScaleText(line);
        QCoreApplication::sendPostedEvents(&panel, QEvent::MetaCall);
    }
}

void TestStatisticsPanel::setResultFormat(StatisticsPanel& panel, bool use, const QString& format)
{
    m_options.useResultFormat = use;
    m_options.resultFormat = format;
    m_processor->setOptions(m_options);
    panel.setResultFormat(use, format);
}

void TestStatisticsPanel::emptyBeforeAnyResultAndAfterClearing()
{
    const auto shownPanel = makePanel();
    StatisticsPanel& panel = *shownPanel;
    for (const char* label : {"lastValueLabel", "lastTimeLabel", "countLabel", "sumLabel", "averageLabel"})
        QCOMPARE(shown(panel, label), NoValue);
    QVERIFY(plotted(panel).isEmpty());

    weigh(panel, {"10.5 kg\r\n", "11.25 kg\r\n"});
    QCOMPARE(shown(panel, "countLabel"), QStringLiteral("2"));
    QCOMPARE(plotted(panel).size(), 2);

    panel.findChild<QToolButton*>(QStringLiteral("clearButton"))->click();
    for (const char* label : {"lastValueLabel", "lastTimeLabel", "countLabel", "sumLabel", "averageLabel"})
        QCOMPARE(shown(panel, label), NoValue);
    QVERIFY(plotted(panel).isEmpty());
    QCOMPARE(m_processor->statistics().count(), 0);

    // Counting and plotting start over.
    weigh(panel, {"7 kg\r\n"});
    QCOMPARE(shown(panel, "countLabel"), QStringLiteral("1"));
    QCOMPARE(shown(panel, "sumLabel"), QStringLiteral("7"));
    QCOMPARE(plotted(panel), QList<double>{7});
}

// The panel follows the statistics it is given, after the result's own step, as the window's posted
// refresh did: nothing in the middle of the processing, once for each result afterwards.
void TestStatisticsPanel::refreshesOnceTheResultsStepIsDone()
{
    const auto shownPanel = makePanel();
    StatisticsPanel& panel = *shownPanel;
    m_processor->takeScaleText("10.5 kg\r\n");
    QCOMPARE(shown(panel, "countLabel"), NoValue);
    QCoreApplication::processEvents();
    QCOMPARE(shown(panel, "countLabel"), QStringLiteral("1"));
    QCOMPARE(shown(panel, "lastValueLabel"), QStringLiteral("10.5"));

    // Another source leaves the old one's results unseen.
    ProcessData other(m_keyboard, m_clock, QLocale::c());
    panel.setStatistics(&other.statistics());
    m_processor->takeScaleText("11 kg\r\n");
    QCoreApplication::processEvents();
    QCOMPARE(shown(panel, "lastValueLabel"), QStringLiteral("10.5"));
    other.takeScaleText("7 kg\r\n");
    QCoreApplication::processEvents();
    QCOMPARE(shown(panel, "countLabel"), QStringLiteral("1"));
    QCOMPARE(shown(panel, "lastValueLabel"), QStringLiteral("7"));
}

void TestStatisticsPanel::showsAndPlotsTheResults_data()
{
    QTest::addColumn<QLocale>("systemLocale");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QString>("resultFormat");
    QTest::addColumn<QString>("count");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("sum");
    QTest::addColumn<QString>("average");
    QTest::addColumn<QList<double>>("points");

    const QByteArrayList twoResults = {"10.5 kg\r\n", "11.25 kg\r\n"};
    const QLocale polish(QLocale::Polish, QLocale::Poland);
    // An empty result format stands for SetResultFormat off.
    QTest::newRow("masks of the results") << QLocale::c() << twoResults << QString() << "2"
                                          << "11.25"
                                          << "21.75"
                                          << "10.875" << QList<double>{10.5, 11.25};
    QTest::newRow("result format rounds value and sum, not the average") << QLocale::c() << twoResults << "0.0"
                                                                         << "2"
                                                                         << "11.3"
                                                                         << "21.8"
                                                                         << "10.875" << QList<double>{10.5, 11.3};
    QTest::newRow("system comma, plotted as the number") << polish << twoResults << QString() << "2"
                                                         << "11,25"
                                                         << "21,75"
                                                         << "10,875" << QList<double>{10.5, 11.25};
    QTest::newRow("whole numbers average with one decimal")
        << QLocale::c() << QByteArrayList{"7 kg\r\n", "8 kg\r\n"} << QString() << "2"
        << "8"
        << "15"
        << "7.5" << QList<double>{7, 8};
    QTest::newRow("negative") << QLocale::c() << QByteArrayList{"- 3.10 kg\r\n"} << QString() << "1"
                              << "-3.10"
                              << "-3.10"
                              << "-3.100" << QList<double>{-3.1};
    QTest::newRow("quoted dot is no separator in a comma locale")
        << polish << QByteArrayList{"11.25 kg\r\n"} << "0\".\"00"
        << "1"
        << "0.11"
        << "0.11"
        << "11,250" << QList<double>{0};
    QTest::newRow("grouped text is no number and plots 0")
        << QLocale::c() << QByteArrayList{"1234.5 kg\r\n"} << "#,##0.0"
        << "1"
        << "1,234.5"
        << "1,234.5"
        << "1234.50" << QList<double>{0};
}

void TestStatisticsPanel::showsAndPlotsTheResults()
{
    QFETCH(QLocale, systemLocale);
    QFETCH(QByteArrayList, lines);
    QFETCH(QString, resultFormat);
    QFETCH(QList<double>, points);

    const auto shownPanel = makePanel(systemLocale);
    StatisticsPanel& panel = *shownPanel;
    setResultFormat(panel, !resultFormat.isEmpty(), resultFormat);
    weigh(panel, lines);

    QTEST(shown(panel, "countLabel"), "count");
    QTEST(shown(panel, "lastValueLabel"), "value");
    QTEST(shown(panel, "sumLabel"), "sum");
    QTEST(shown(panel, "averageLabel"), "average");
    QCOMPARE(shown(panel, "lastTimeLabel"), QStringLiteral("09:26:53"));
    QCOMPARE(plotted(panel), points);

    const QList<QAbstractAxis*> verticalAxes = panel.series()->attachedAxes();
    const auto vertical = std::find_if(verticalAxes.begin(), verticalAxes.end(),
                                       [](QAbstractAxis* axis) { return axis->orientation() == Qt::Vertical; });
    QVERIFY(vertical != verticalAxes.end());
    const auto* scale = qobject_cast<QValueAxis*>(*vertical);
    QVERIFY(scale);
    for (const double point : points)
        QVERIFY2(scale->min() < point && point < scale->max(), qPrintable(QString::number(point)));
}

void TestStatisticsPanel::unusableMaskStopsTheRefresh_data()
{
    QTest::addColumn<int>("maskLength");
    QTest::addColumn<bool>("usable");

    QTest::newRow("224 characters") << 224 << true;
    QTest::newRow("225 characters") << 225 << false;
}

void TestStatisticsPanel::unusableMaskStopsTheRefresh()
{
    QFETCH(int, maskLength);
    QFETCH(bool, usable);

    const auto shownPanel = makePanel();
    StatisticsPanel& panel = *shownPanel;
    weigh(panel, {"10.5 kg\r\n"});
    // The panel's mask only: the processing abandons a result it cannot format before announcing it.
    panel.setResultFormat(true, QString(maskLength, u'0'));
    m_clock.advance(1000);
    weigh(panel, {"11.25 kg\r\n"});

    // The count needs no mask and is shown either way.
    QCOMPARE(shown(panel, "countLabel"), QStringLiteral("2"));
    if (usable) {
        QCOMPARE(shown(panel, "lastValueLabel"), QString(maskLength - 2, u'0') + QStringLiteral("11"));
        QCOMPARE(shown(panel, "lastTimeLabel"), QStringLiteral("09:26:54"));
        QCOMPARE(plotted(panel), (QList<double>{10.5, 11}));
    } else {
        QCOMPARE(shown(panel, "lastValueLabel"), QStringLiteral("10.5"));
        QCOMPARE(shown(panel, "sumLabel"), QStringLiteral("10.5"));
        QCOMPARE(shown(panel, "averageLabel"), QStringLiteral("10.50"));
        QCOMPARE(shown(panel, "lastTimeLabel"), QStringLiteral("09:26:53"));
        QCOMPARE(plotted(panel), QList<double>{10.5});
    }
}

// A chart that grew with every result made each result cost more than the last, until the program
// could not keep up with the scale.
void TestStatisticsPanel::chartKeepsTheLatestPointsWhileTheFiguresCoverAll()
{
    const auto shownPanel = makePanel();
    StatisticsPanel& panel = *shownPanel;
    // Five results far above the rest, which have left the chart by the end.
    QByteArrayList lines(5, "100000 kg\r\n");
    for (int i = 1; i <= 1000; ++i)
        lines.append(QByteArray::number(i) + " kg\r\n");
    weigh(panel, lines);

    const QList<double> points = plotted(panel);
    QCOMPARE(points.size(), 1000);
    QCOMPARE(points.constFirst(), 1.0);
    QCOMPARE(points.constLast(), 1000.0);
    QCOMPARE(panel.series()->points().constLast().x(), 1005.0);
    QCOMPARE(shown(panel, "countLabel"), QStringLiteral("1005"));
    QCOMPARE(shown(panel, "sumLabel"), QStringLiteral("1000500"));
    QCOMPARE(shown(panel, "averageLabel"), QStringLiteral("995.5"));
    // The vertical scale follows the points shown, not the ones gone.
    const auto* vertical = qobject_cast<QValueAxis*>(panel.series()->attachedAxes().constLast());
    QVERIFY(vertical);
    QVERIFY2(vertical->max() < 10000, qPrintable(QString::number(vertical->max())));
}

// What the user sees, not only what the series holds: a series whose points are drawn with an invisible
// pen holds every value and shows none.
void TestStatisticsPanel::pointsAreDrawnAsRedCircles()
{
    const auto shownPanel = makePanel();
    StatisticsPanel& panel = *shownPanel;
    panel.resize(252, 212);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    const auto redPixels = [&panel] {
        const QImage picture = panel.chartView()->grab().toImage();
        int red = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const QColor colour = picture.pixelColor(x, y);
                red += colour.red() > 200 && colour.green() < 80 && colour.blue() < 80 ? 1 : 0;
            }
        }
        return red;
    };
    QCOMPARE(redPixels(), 0);
    weigh(panel, {"10.5 kg\r\n", "11.25 kg\r\n", "9 kg\r\n"});
    QTRY_VERIFY(redPixels() > 3 * 12);
}

QTEST_MAIN(TestStatisticsPanel)
#include "tst_statisticspanel.moc"
