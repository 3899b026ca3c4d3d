#include "ui/statisticspanel.h"

#include "core/clock.h"
#include "processing/chartscale.h"
#include "processing/numbermask.h"
#include "processing/statistics.h"
#include "ui_statisticspanel.h"

#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QPainter>
#include <QResizeEvent>
#include <QValueAxis>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <utility>

namespace {

const QString NoValue = QStringLiteral("- - -");

// The chart shows the value as the user read it, so the label text is converted back, accepting only
// the system's decimal separator: a grouped or otherwise decorated text is no number and plots as 0.
double shownValue(const QString& text, const QString& decimalSeparator)
{
    QString number = text.trimmed();
    if (decimalSeparator != u"." && number.contains(u'.'))
        return 0;
    number.replace(decimalSeparator, QStringLiteral("."));
    if (number.startsWith(u'+'))
        number.remove(0, 1);
    const QByteArray ascii = number.toLatin1();
    double value = 0;
    const char* end = ascii.constData() + ascii.size();
    const auto [stop, error] = std::from_chars(ascii.constData(), end, value, std::chars_format::general);
    if (ascii.isEmpty() || error != std::errc() || stop != end || !std::isfinite(value))
        return 0;
    return value;
}

// The picture each point is drawn with; the line between the points stays invisible.
QImage redCircle(int diameter)
{
    QImage circle(diameter, diameter, QImage::Format_ARGB32_Premultiplied);
    circle.fill(Qt::transparent);
    QPainter painter(&circle);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::red);
    painter.drawEllipse(0, 0, diameter, diameter);
    painter.end();
    return circle;
}

// The font scaled by factor, whether it is sized in points or in pixels.
QFont scaledFont(QFont font, double factor)
{
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * factor);
    else
        font.setPixelSize(std::max(1, int(std::lround(font.pixelSize() * factor))));
    return font;
}

// QtCharts' room around an axis label, above and below it on the vertical axis, left and right on the
// horizontal one: a label whose share of the axis, less this twice, is smaller than the text turns into
// "...", and one that would touch its neighbour is left out.
constexpr qreal AxisLabelPadding = 4;

// How many ticks an axis of the given length can label in full with labels of the given extent.
int ticksThatFit(qreal length, qreal labelExtent)
{
    return int(length / (labelExtent + 2 * AxisLabelPadding + 2));
}

// A new range makes QtCharts create a graphics item for every tick at once, counted with the interval the
// axis has then, while a new interval only waits for the next layout. So the interval goes first: the
// range of a heavy load with the interval of a tiny one before it took millions of items and hung the
// program.
void setScale(QValueAxis& axis, double min, double max, double interval, double anchor)
{
    axis.setTickInterval(interval);
    axis.setTickAnchor(anchor);
    axis.setRange(min, max);
}

} // namespace

StatisticsPanel::StatisticsPanel(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::StatisticsPanel>())
    , m_formats(LocaleFormats::fromLocale(QLocale::system()))
{
    m_ui->setupUi(this);
    m_clock = &Clock::system();

    QChart* chart = m_ui->chartView->chart();
    chart->legend()->hide();
    chart->setTitle(QString());
    chart->setBackgroundRoundness(0);
    // Room for the half of the top axis label that stands above the plot, and for the last point.
    chart->setMargins(QMargins(0, 6, 4, 0));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    m_ui->chartView->setRenderHint(QPainter::Antialiasing);

    // Points without a line between them. A scatter series would do the same with one graphics item per
    // point, which every move of the scale repositions: with a thousand points that alone took ten
    // milliseconds a result. A line series paints all its points in one go.
    m_series = new QLineSeries(chart);
    m_series->setObjectName(QStringLiteral("Series1"));
    m_series->setColor(Qt::red);
    m_series->setPen(QPen(Qt::transparent));
    m_series->setPointsVisible(true);
    m_series->setMarkerSize(6);
    m_series->setLightMarker(redCircle(6));
    m_series->setPointLabelsVisible(false);
    chart->addSeries(m_series);

    // The results numbered as the count above counts them: times would need three times the width per
    // label, and a burst of results would crowd into one spot.
    m_axisX = new QValueAxis(chart);
    m_axisX->setObjectName(QStringLiteral("resultNumberAxis"));
    m_axisX->setLabelFormat(QStringLiteral("%.0f"));
    m_axisX->setTickType(QValueAxis::TicksDynamic);
    chart->addAxis(m_axisX, Qt::AlignBottom);
    m_series->attachAxis(m_axisX);

    m_axisY = new QValueAxis(chart);
    m_axisY->setObjectName(QStringLiteral("valueAxis"));
    m_axisY->setTickType(QValueAxis::TicksDynamic);
    chart->addAxis(m_axisY, Qt::AlignLeft);
    m_series->attachAxis(m_axisY);

    // Over the empty plot, in the same cell of the layout as the chart.
    m_ui->chartWaitingLabel->raise();
    m_ui->chartWaitingLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    applyFonts();
    retranslate();
    localiseAxisLabels();
    clearChart();

    connect(m_ui->clearButton, &QAbstractButton::clicked, this, &StatisticsPanel::clearClicked);
}

StatisticsPanel::~StatisticsPanel() = default;

void StatisticsPanel::setLocaleFormats(const LocaleFormats& formats)
{
    m_formats = formats;
    localiseAxisLabels();
}

// The scales' labels take the decimal separator of the figures above them. QtCharts localises numbers
// only through a QLocale, so one with that separator stands in, without group separators, which the
// labels never had.
void StatisticsPanel::localiseAxisLabels()
{
    QLocale locale = m_formats.decimalSeparator == QStringLiteral(",") ? QLocale(QLocale::Polish) : QLocale::c();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QChart* chart = m_ui->chartView->chart();
    chart->setLocale(locale);
    chart->setLocalizeNumbers(true);
}

void StatisticsPanel::setClock(const Clock& clock)
{
    m_clock = &clock;
}

void StatisticsPanel::setStatistics(Statistics* statistics)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = statistics;
    // Queued, so that a result's processing finishes its step before the panel shows it; a burst of
    // results refreshes once for each, each showing the latest. Each result's own value is taken as it
    // comes, so that each refresh of a burst plots its own result rather than the last one again.
    m_arrivedValues.clear();
    if (m_source) {
        connect(m_source, &Statistics::changed, this, [this] { m_arrivedValues.append(m_source->lastValue()); });
        connect(m_source, &Statistics::changed, this, &StatisticsPanel::refresh, Qt::QueuedConnection);
    }
}

void StatisticsPanel::setResultFormat(bool use, const QString& format)
{
    m_useResultFormat = use;
    m_resultFormat = format;
}

QChartView* StatisticsPanel::chartView() const
{
    const_cast<StatisticsPanel*>(this)->plotWaitingPoints();
    return m_ui->chartView;
}

QXYSeries* StatisticsPanel::series() const
{
    const_cast<StatisticsPanel*>(this)->plotWaitingPoints();
    return m_series;
}

void StatisticsPanel::refresh()
{
    if (!m_source || m_source->count() == 0) {
        for (QLabel* label :
             {m_ui->lastValueLabel, m_ui->lastTimeLabel, m_ui->countLabel, m_ui->sumLabel, m_ui->averageLabel})
            label->setText(NoValue);
        m_ui->lastUnitLabel->clear();
        fitLastValue();
        clearChart();
        m_arrivedValues.clear();
        emit latestResultShown(QString());
        return;
    }

    const Statistics& statistics = *m_source;
    // The result this refresh is for: in a burst, its own value rather than the latest. Taken before
    // anything can end the refresh, so that a later refresh never plots a result that is not its own.
    const double resultValue = m_arrivedValues.isEmpty() ? statistics.lastValue() : m_arrivedValues.takeFirst();
    const QString mask = m_useResultFormat ? m_resultFormat : statistics.valueMask();
    // The average always shows one decimal more than the results, whatever the result format says.
    const QString averageMask =
        statistics.valueMask() == u"0" ? QStringLiteral("0.0") : statistics.valueMask() + QStringLiteral("0");
    const auto format = [this](double value, const QString& numberMask) {
        return formatWithMask(value, numberMask, m_formats.decimalSeparator, m_formats.groupSeparator);
    };

    // An unusable mask ends the refresh where it is first needed; what was set before it stays.
    m_ui->countLabel->setText(QString::number(statistics.count()));
    const std::optional<MaskedNumber> value = format(statistics.lastValue(), mask);
    if (!value)
        return;
    m_ui->lastValueLabel->setText(value->text);
    m_ui->lastUnitLabel->setText(QString::fromLatin1(statistics.unit()).trimmed());
    fitLastValue();
    emit latestResultShown((value->text + u' ' + m_ui->lastUnitLabel->text()).trimmed());
    const std::optional<MaskedNumber> sum = format(statistics.sum(), mask);
    if (!sum)
        return;
    m_ui->sumLabel->setText(sum->text);
    const std::optional<MaskedNumber> average = format(statistics.sum() / statistics.count(), averageMask);
    if (!average)
        return;
    m_ui->averageLabel->setText(average->text);
    // A result from before midnight (the program runs for days) says which day it was.
    const bool today = !statistics.date().isValid() || statistics.date() == m_clock->now().date();
    m_ui->lastTimeLabel->setText(today ? statistics.timeText() : statistics.dateText() + u' ' + statistics.timeText());
    // The value as the panel shows it, with the mask's rounding.
    if (const std::optional<MaskedNumber> plotted = format(resultValue, mask))
        plot(shownValue(plotted->text, m_formats.decimalSeparator));
}

void StatisticsPanel::clearClicked()
{
    if (m_source)
        m_source->reset();
    refresh();
}

void StatisticsPanel::plot(double value)
{
    ++m_plotted;
    m_waitingPoints.append(QPointF(double(m_plotted), value));
    if (m_waitingPoints.size() == 1)
        QMetaObject::invokeMethod(this, &StatisticsPanel::plotWaitingPoints, Qt::QueuedConnection);
}

void StatisticsPanel::plotWaitingPoints()
{
    if (m_waitingPoints.isEmpty())
        return;
    // Each result is numbered along the horizontal axis; the oldest points go once the chart is full,
    // so that a result costs the same after weeks as after minutes.
    if (m_waitingPoints.size() > ChartPoints)
        m_waitingPoints.remove(0, m_waitingPoints.size() - ChartPoints);
    const qsizetype excess = m_series->count() + m_waitingPoints.size() - ChartPoints;
    if (excess > 0)
        m_series->removePoints(0, int(excess));
    m_series->append(std::exchange(m_waitingPoints, {}));

    const QList<QPointF> points = m_series->points();
    const auto [lowest, highest] = std::minmax_element(
        points.cbegin(), points.cend(), [](const QPointF& a, const QPointF& b) { return a.y() < b.y(); });
    m_lowest = lowest->y();
    m_highest = highest->y();
    m_axisY->setTitleText(m_source ? QString::fromLatin1(m_source->unit()).trimmed() : QString());
    rescale();
}

void StatisticsPanel::rescale()
{
    const bool empty = m_series->count() == 0;
    m_ui->chartWaitingLabel->setVisible(empty);
    m_axisX->setVisible(!empty);
    m_axisY->setVisible(!empty);
    if (empty)
        return;

    // The room QtCharts shares among the labels: the vertical axis's the height of the whole chart, the
    // horizontal axis's the width of the plot.
    const QSizeF room = m_ui->chartView->size();
    const QFontMetricsF metrics(m_axisY->labelsFont());
    const ChartScale vertical =
        niceScale(m_lowest, m_highest, std::min(6, ticksThatFit(room.height(), metrics.height())));
    // A tenth of a step beyond the outer ticks keeps the extreme points off the plot's edges.
    const double margin = vertical.step() / 10;
    m_axisY->setLabelFormat(vertical.labelFormat());
    // QtCharts places the ticks by adding the interval up from the anchor. Lifted by a billionth of a step,
    // a tick at zero cannot come out a rounding error below it, which would print as "-0.0".
    setScale(*m_axisY, vertical.low() - margin, vertical.high() + margin, vertical.step(),
             vertical.low() + vertical.step() * 1e-9);

    const double first = m_series->at(0).x();
    const double last = double(m_plotted);
    // The vertical axis takes its widest label, the unit standing on its side and the padding around both.
    const qreal verticalAxisWidth = std::max(metrics.horizontalAdvance(vertical.label(0)),
                                             metrics.horizontalAdvance(vertical.label(vertical.tickCount() - 1))) +
                                    metrics.height() + 4 * AxisLabelPadding;
    const qreal widestNumber = metrics.horizontalAdvance(QString::number(last, 'f', 0));
    const ChartScale horizontal = niceScale(
        first, last, std::min(6, ticksThatFit(room.width() - verticalAxisWidth, widestNumber)), 1, TickSpan::Within);
    // Half a result beyond the ends, and a little more on a full chart, keeps the end points whole.
    const double ends = 0.5 + (last - first) / 50;
    setScale(*m_axisX, first - ends, last + ends, horizontal.step(), horizontal.low());
}

void StatisticsPanel::clearChart()
{
    m_series->clear();
    m_waitingPoints.clear();
    m_plotted = 0;
    m_axisY->setTitleText(QString());
    rescale();
}

// Readable from a step away at a weighing station: twice the page's font, bold, or as large as fits. The
// labels keep the width and height the layout gave them whatever they show, so a new result never moves
// the page around; the font adapts to them instead.
void StatisticsPanel::fitLastValue()
{
    const QString value = m_ui->lastValueLabel->text();
    const QString unit = m_ui->lastUnitLabel->text();
    // Before the first layout the labels have no width to go by.
    const bool laidOut = m_ui->lastValueLabel->width() > 1;
    QFont big;
    // Down to a little below the page's own size for a value longer than the row.
    for (double factor = 2; factor >= 0.75; factor -= 0.125) {
        big = scaledFont(font(), factor);
        big.setBold(true);
        const QFontMetrics metrics(big);
        // A label asks for the wider of its text's advance and its ink.
        const auto fits = [&metrics](const QString& text, const QLabel* label) {
            return std::max(metrics.horizontalAdvance(text), metrics.boundingRect(text).width()) < label->width();
        };
        if (!laidOut || (fits(value, m_ui->lastValueLabel) && fits(unit, m_ui->lastUnitLabel)))
            break;
    }
    m_ui->lastValueLabel->setFont(big);
    m_ui->lastUnitLabel->setFont(big);
}

void StatisticsPanel::applyFonts()
{
    // The labels a little smaller than the page's text leave the small plot more room.
    const QFont axisFont = scaledFont(font(), 0.85);
    // The row of the value is as tall as the largest print, so that a smaller one does not move the page.
    QFont largest = scaledFont(font(), 2);
    largest.setBold(true);
    const int tall = QFontMetrics(largest).height();
    m_ui->lastValueLabel->setMinimumHeight(tall);
    m_ui->lastUnitLabel->setMinimumHeight(tall);
    m_axisX->setLabelsFont(axisFont);
    m_axisY->setLabelsFont(axisFont);
    m_axisY->setTitleFont(axisFont);
    fitLastValue();
}

void StatisticsPanel::retranslate()
{
    m_ui->chartWaitingLabel->setText(tr("Czekam na wyniki z wagi"));
}

void StatisticsPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitLastValue();
    if (m_series->count() > 0)
        rescale();
}

// The values are set from code and not part of the form's texts, so they survive retranslateUi.
void StatisticsPanel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        retranslate();
    }
    // The value and the axes carry fonts of their own, made from the page's.
    if (event->type() == QEvent::FontChange && m_series) {
        applyFonts();
        rescale();
    }
    QWidget::changeEvent(event);
}
