#include "processing/processdata.h"
#include "processing/statistics.h"
#include "support/fixedclock.h"
#include "support/recordingkeyboard.h"
#include "ui/statisticspanel.h"

#include <QChartView>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QLabel>
#include <QRegularExpression>
#include <QScatterSeries>
#include <QTest>
#include <QToolButton>
#include <QTranslator>
#include <QValueAxis>

#include <cmath>

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

QValueAxis* axis(const StatisticsPanel& panel, Qt::Orientation orientation)
{
    const QList<QAbstractAxis*> axes = panel.series()->attachedAxes();
    const auto found = std::find_if(axes.begin(), axes.end(),
                                    [orientation](QAbstractAxis* a) { return a->orientation() == orientation; });
    return found == axes.end() ? nullptr : qobject_cast<QValueAxis*>(*found);
}

// The labels as QtCharts makes them from the axis: from the first tick above the minimum, the interval
// added up to the maximum, each printed with the label format.
QStringList tickLabels(const QValueAxis& scale)
{
    QStringList labels;
    if (scale.tickType() != QValueAxis::TicksDynamic || scale.tickInterval() <= 0)
        return {QStringLiteral("<ticks not dynamic>")};
    const double interval = scale.tickInterval();
    double value = scale.tickAnchor() - std::floor((scale.tickAnchor() - scale.min()) / interval) * interval;
    const QByteArray format = scale.labelFormat().toLatin1();
    for (; value <= scale.max() && labels.size() < 100; value += interval)
        labels.append(QString::asprintf(format.constData(), value));
    return labels;
}

// The texts the chart shows, read from its scene: axis labels and titles as drawn.
QStringList drawnTexts(const StatisticsPanel& panel)
{
    QStringList texts;
    for (const QGraphicsItem* item : panel.chartView()->scene()->items()) {
        const auto* text = dynamic_cast<const QGraphicsTextItem*>(item);
        if (text && text->isVisible())
            texts.append(text->toPlainText());
    }
    return texts;
}

// What is wrong with an axis's labels: not numbers, out of order, short of the values, cut by the chart
// to "...", or left out for want of room.
QStringList labelProblems(const StatisticsPanel& panel, Qt::Orientation orientation, double lowest, double highest)
{
    QStringList problems;
    const QValueAxis* scale = axis(panel, orientation);
    if (!scale)
        return {QStringLiteral("no axis")};
    const QStringList labels = tickLabels(*scale);
    const QStringList drawn = drawnTexts(panel);
    for (const QString& text : drawn) {
        if (text.contains(QStringLiteral("...")) || text.contains(QChar(0x2026)))
            problems.append(QStringLiteral("cut: ") + text);
    }
    double previous = -qInf();
    for (const QString& label : labels) {
        bool isNumber = false;
        const double value = label.toDouble(&isNumber);
        if (!isNumber || (value == 0 && label.startsWith(u'-')))
            problems.append(QStringLiteral("no number: ") + label);
        if (value <= previous)
            problems.append(QStringLiteral("out of order: ") + labels.join(u' '));
        previous = value;
        if (!drawn.contains(label))
            problems.append(QStringLiteral("not drawn: ") + label);
    }
    if (orientation == Qt::Vertical &&
        (labels.isEmpty() || labels.constFirst().toDouble() > lowest || labels.constLast().toDouble() < highest))
        problems.append(QStringLiteral("short of %1..%2: %3").arg(lowest).arg(highest).arg(labels.join(u' ')));
    if (orientation == Qt::Horizontal && labels.isEmpty())
        problems.append(QStringLiteral("no result numbers"));
    if (labels.size() > 6)
        problems.append(QStringLiteral("crowded: ") + labels.join(u' '));
    return problems;
}

// Stands in for a language module: every text of the panel's own comes out marked.
class MarkingTranslator : public QTranslator
{
public:
    QString translate(const char* context, const char* sourceText, const char*, int) const override
    {
        return QLatin1String(context) == QLatin1String("StatisticsPanel")
                   ? QStringLiteral("[%1]").arg(QString::fromUtf8(sourceText))
                   : QString();
    }
    bool isEmpty() const override { return false; }
};

} // namespace

class TestStatisticsPanel : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void emptyBeforeAnyResultAndAfterClearing();
    void refreshesOnceTheResultsStepIsDone();
    void aBurstPlotsEachResult();
    void showsAndPlotsTheResults_data();
    void showsAndPlotsTheResults();
    void unusableMaskStopsTheRefresh_data();
    void unusableMaskStopsTheRefresh();
    void chartKeepsTheLatestPointsWhileTheFiguresCoverAll();
    void pointsAreDrawnAsRedCircles();
    void scaleLabelsUseTheFiguresSeparator();
    void scalesReadInFullAtThePagesSize_data();
    void scalesReadInFullAtThePagesSize();
    void scaleFollowsValuesOfEveryMagnitude();
    void valueScaleIsTitledWithTheUnit_data();
    void valueScaleIsTitledWithTheUnit();
    void emptyChartSaysItWaitsForResults();
    void latestValueIsLargeAndFits_data();
    void latestValueIsLargeAndFits();
    void resultOfAnotherDayShowsItsDate_data();
    void resultOfAnotherDayShowsItsDate();

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
    panel->setClock(m_clock);
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

// A scale that prints faster than the window refreshes: each of the burst's refreshes plots its own
// result, not the last one again, and the figures show the latest.
void TestStatisticsPanel::aBurstPlotsEachResult()
{
    const auto shownPanel = makePanel();
    StatisticsPanel& panel = *shownPanel;
    for (const char* line : {"12.3 kg\r\n", "14.2 kg\r\n", "0 kg\r\n", "3.141 kg\r\n"})
        m_processor->takeScaleText(line);
    QTRY_COMPARE(plotted(panel), (QList<double>{12.3, 14.2, 0, 3.141}));
    QCOMPARE(shown(panel, "countLabel"), QStringLiteral("4"));
    QCOMPARE(shown(panel, "lastValueLabel"), QStringLiteral("3.141"));
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

// The scale's labels take the decimal separator of the figures above them.
void TestStatisticsPanel::scaleLabelsUseTheFiguresSeparator()
{
    const auto shownPanel = makePanel(QLocale(QLocale::Polish, QLocale::Poland));
    StatisticsPanel& panel = *shownPanel;
    panel.resize(252, 212);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    weigh(panel, {"7.25 kg\r\n"});
    const QRegularExpression comma(QStringLiteral("^-?[0-9]+,[0-9]+$"));
    const QRegularExpression point(QStringLiteral("[0-9][.][0-9]"));
    QTRY_VERIFY2(!drawnTexts(panel).filter(comma).isEmpty(), qPrintable(drawnTexts(panel).join(u' ')));
    QVERIFY2(drawnTexts(panel).filter(point).isEmpty(), qPrintable(drawnTexts(panel).join(u' ')));
}

void TestStatisticsPanel::scalesReadInFullAtThePagesSize_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<double>("lowest");
    QTest::addColumn<double>("highest");

    QTest::newRow("one result") << QByteArrayList{"7.25 kg\r\n"} << 7.25 << 7.25;
    QTest::newRow("equal results") << QByteArrayList{"12.5 kg\r\n", "12.5 kg\r\n", "12.5 kg\r\n"} << 12.5 << 12.5;
    QTest::newRow("zero and negatives") << QByteArrayList{"- 3.1 kg\r\n", "0 kg\r\n", "2.4 kg\r\n"} << -3.1 << 2.4;
    QTest::newRow("a tenth either side of zero") << QByteArrayList{"- 0.3 kg\r\n", "0.3 kg\r\n"} << -0.3 << 0.3;
    QTest::newRow("large") << QByteArrayList{"99999 kg\r\n"} << 99999.0 << 99999.0;
    QTest::newRow("tiny") << QByteArrayList{"0.0001 kg\r\n"} << 0.0001 << 0.0001;
    QTest::newRow("mixed") << QByteArrayList{"12.3 kg\r\n", "14.2 kg\r\n", "0 kg\r\n", "3.141 kg\r\n"} << 0.0 << 14.2;
}

// The vertical scale once printed "..." for every label after a single result: more ticks than the small
// chart could label, in a format longer than the room beside it.
void TestStatisticsPanel::scalesReadInFullAtThePagesSize()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(double, lowest);
    QFETCH(double, highest);

    const auto shownPanel = makePanel();
    StatisticsPanel& panel = *shownPanel;
    panel.resize(252, 212);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    weigh(panel, lines);
    QTRY_VERIFY2(labelProblems(panel, Qt::Vertical, lowest, highest).isEmpty(),
                 qPrintable(labelProblems(panel, Qt::Vertical, lowest, highest).join(u'\n')));
    QTRY_VERIFY2(labelProblems(panel, Qt::Horizontal, 1, lines.size()).isEmpty(),
                 qPrintable(labelProblems(panel, Qt::Horizontal, 1, lines.size()).join(u'\n')));
    const QValueAxis* vertical = axis(panel, Qt::Vertical);
    QVERIFY(vertical->min() < lowest && highest < vertical->max());
    // The results are numbered as they are counted: whole numbers within the points.
    const QStringList numbers = tickLabels(*axis(panel, Qt::Horizontal));
    for (const QString& number : numbers) {
        bool whole = false;
        const int n = number.toInt(&whole);
        QVERIFY2(whole && n >= 1 && n <= lines.size(), qPrintable(numbers.join(u' ')));
    }

    // A page grown in another language gives the labels other room; they still read in full.
    panel.resize(300, 260);
    QTRY_VERIFY2(labelProblems(panel, Qt::Vertical, lowest, highest).isEmpty(),
                 qPrintable(labelProblems(panel, Qt::Vertical, lowest, highest).join(u'\n')));
}

// Each batch of points moves both the range and the interval of the scale; done in the wrong order, the
// range of a heavy load met the interval of a tiny one and QtCharts made a tick for every step between.
void TestStatisticsPanel::scaleFollowsValuesOfEveryMagnitude()
{
    const auto shownPanel = makePanel();
    StatisticsPanel& panel = *shownPanel;
    panel.resize(252, 212);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    const QByteArrayList lines = {"0.0001 kg\r\n", "99999 kg\r\n", "clear", "99999 kg\r\n", "0.0001 kg\r\n"};
    for (const QByteArray& line : lines) {
        if (line == "clear")
            panel.findChild<QToolButton*>(QStringLiteral("clearButton"))->click();
        else
            weigh(panel, {line});
        // As in a running program, the chart has laid out its plot before the next result comes.
        QTRY_VERIFY(!panel.chartView()->chart()->plotArea().isEmpty());
        QCoreApplication::processEvents();
        const QStringList labels = tickLabels(*axis(panel, Qt::Vertical));
        QVERIFY2(labels.size() <= 6, qPrintable(labels.join(u' ')));
        QVERIFY2(tickLabels(*axis(panel, Qt::Horizontal)).size() <= 6, line.constData());
    }
}

void TestStatisticsPanel::valueScaleIsTitledWithTheUnit_data()
{
    QTest::addColumn<QByteArrayList>("units");
    QTest::addColumn<QString>("title");

    QTest::newRow("kilograms") << QByteArrayList{"kg"} << "kg";
    QTest::newRow("the latest unit") << QByteArrayList{"kg", "lb"} << "lb";
    QTest::newRow("no unit") << QByteArrayList{"kg", ""} << "";
    QTest::newRow("blanks around") << QByteArrayList{" g "} << "g";
}

// Results of any unit the scale sends, as the statistics keep it.
void TestStatisticsPanel::valueScaleIsTitledWithTheUnit()
{
    QFETCH(QByteArrayList, units);
    QFETCH(QString, title);

    StatisticsPanel panel;
    Statistics statistics;
    panel.setStatistics(&statistics);
    for (const QByteArray& unit : units) {
        statistics.add(7.5, QStringLiteral("0.0"), unit, QStringLiteral("14.03.2026"), QStringLiteral("09:26:53"));
        statistics.announce();
        QCoreApplication::sendPostedEvents(&panel, QEvent::MetaCall);
    }
    QCOMPARE(axis(panel, Qt::Vertical)->titleText(), title);
    QCOMPARE(shown(panel, "lastUnitLabel"), title);

    panel.findChild<QToolButton*>(QStringLiteral("clearButton"))->click();
    QCOMPARE(axis(panel, Qt::Vertical)->titleText(), QString());
    QCOMPARE(shown(panel, "lastUnitLabel"), QString());
}

// An empty chart draws no scale of its own making; it says what it waits for, in the user's language.
void TestStatisticsPanel::emptyChartSaysItWaitsForResults()
{
    const auto shownPanel = makePanel();
    StatisticsPanel& panel = *shownPanel;
    panel.resize(252, 212);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    const auto* waiting = panel.findChild<QLabel*>(QStringLiteral("chartWaitingLabel"));
    QVERIFY(waiting);
    const auto waits = [&] {
        return waiting->isVisible() && !axis(panel, Qt::Vertical)->isVisible() &&
               !axis(panel, Qt::Horizontal)->isVisible();
    };
    QVERIFY(waits());
    QCOMPARE(waiting->text(), QStringLiteral("Czekam na wyniki z wagi"));
    // Over the chart, not beside it.
    QVERIFY(panel.chartView()->geometry().contains(waiting->geometry().center()));

    weigh(panel, {"10.5 kg\r\n"});
    panel.chartView();
    QVERIFY(!waiting->isVisible());
    QVERIFY(axis(panel, Qt::Vertical)->isVisible() && axis(panel, Qt::Horizontal)->isVisible());

    panel.findChild<QToolButton*>(QStringLiteral("clearButton"))->click();
    QVERIFY(waits());

    MarkingTranslator language;
    QCoreApplication::installTranslator(&language);
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&panel, &change);
    QCoreApplication::removeTranslator(&language);
    QCOMPARE(waiting->text(), QStringLiteral("[Czekam na wyniki z wagi]"));
}

void TestStatisticsPanel::latestValueIsLargeAndFits_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("doubleSize");

    QTest::newRow("short") << QByteArray("7.5 kg\r\n") << true;
    QTest::newRow("long") << QByteArray("123456.789 kg\r\n") << false;
}

// Readable from a step away at a weighing station, and whole on the small page however long the number.
void TestStatisticsPanel::latestValueIsLargeAndFits()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, doubleSize);

    const auto shownPanel = makePanel();
    StatisticsPanel& panel = *shownPanel;
    panel.resize(252, 212);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    weigh(panel, {line});
    QCoreApplication::processEvents();

    const auto* value = panel.findChild<QLabel*>(QStringLiteral("lastValueLabel"));
    const auto* unit = panel.findChild<QLabel*>(QStringLiteral("lastUnitLabel"));
    const QFontInfo page(panel.font());
    const QFontInfo big(value->font());
    QVERIFY(big.bold());
    QCOMPARE(unit->font(), value->font());
    QVERIFY2(big.pixelSize() >= page.pixelSize() * 0.75, qPrintable(QString::number(big.pixelSize())));
    if (doubleSize)
        QVERIFY2(big.pixelSize() >= page.pixelSize() * 1.75, qPrintable(QString::number(big.pixelSize())));
    QTRY_VERIFY(value->fontMetrics().horizontalAdvance(value->text()) <= value->width());
    QVERIFY(unit->fontMetrics().horizontalAdvance(unit->text()) <= unit->width());
    QVERIFY(panel.rect().contains(QRect(unit->mapTo(&panel, QPoint(0, 0)), unit->size())));
    // The number and its unit read as one.
    QVERIFY(unit->x() - (value->x() + value->width()) < value->fontMetrics().horizontalAdvance(u'0') * 2);
}

void TestStatisticsPanel::resultOfAnotherDayShowsItsDate_data()
{
    QTest::addColumn<QDateTime>("weighed");
    QTest::addColumn<QDateTime>("shownAt");
    QTest::addColumn<QString>("time");

    const QDateTime evening(QDate(2026, 3, 14), QTime(23, 59, 58));
    QTest::newRow("the same day") << evening << evening.addSecs(1) << "23:59:58";
    QTest::newRow("after midnight") << evening << evening.addSecs(3) << "14 Mar 2026 23:59:58";
    QTest::newRow("the clock put back") << evening << evening.addDays(-1) << "14 Mar 2026 23:59:58";
}

// The program runs for days: a result from before midnight must not pass for one of today.
void TestStatisticsPanel::resultOfAnotherDayShowsItsDate()
{
    QFETCH(QDateTime, weighed);
    QFETCH(QDateTime, shownAt);

    const auto shownPanel = makePanel();
    StatisticsPanel& panel = *shownPanel;
    FixedClock today(shownAt);
    panel.setClock(today);
    m_clock.set(weighed);
    weigh(panel, {"10.5 kg\r\n"});
    QTEST(shown(panel, "lastTimeLabel"), "time");
}

QTEST_MAIN(TestStatisticsPanel)
#include "tst_statisticspanel.moc"
