#include "ui/statisticspanel.h"

#include "processing/numbermask.h"
#include "processing/statistics.h"
#include "ui_statisticspanel.h"

#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QPainter>
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

} // namespace

StatisticsPanel::StatisticsPanel(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::StatisticsPanel>())
    , m_formats(LocaleFormats::fromLocale(QLocale::system()))
{
    m_ui->setupUi(this);

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

    // The points are in the order of the results; a horizontal scale would only number them.
    m_axisX = new QValueAxis(chart);
    m_axisX->setVisible(false);
    chart->addAxis(m_axisX, Qt::AlignBottom);
    m_series->attachAxis(m_axisX);

    m_axisY = new QValueAxis(chart);
    m_axisY->setLabelFormat(QStringLiteral("%g"));
    m_axisY->setLabelsFont(font());
    chart->addAxis(m_axisY, Qt::AlignLeft);
    m_series->attachAxis(m_axisY);
    clearChart();

    connect(m_ui->clearButton, &QAbstractButton::clicked, this, &StatisticsPanel::clearClicked);
}

StatisticsPanel::~StatisticsPanel() = default;

void StatisticsPanel::setLocaleFormats(const LocaleFormats& formats)
{
    m_formats = formats;
}

void StatisticsPanel::setStatistics(Statistics* statistics)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = statistics;
    // Queued, so that a result's processing finishes its step before the panel shows it; a burst of
    // results refreshes once for each, each showing the latest.
    if (m_source)
        connect(m_source, &Statistics::changed, this, &StatisticsPanel::refresh, Qt::QueuedConnection);
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
        clearChart();
        return;
    }

    const Statistics& statistics = *m_source;
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
    const std::optional<MaskedNumber> sum = format(statistics.sum(), mask);
    if (!sum)
        return;
    m_ui->sumLabel->setText(sum->text);
    const std::optional<MaskedNumber> average = format(statistics.sum() / statistics.count(), averageMask);
    if (!average)
        return;
    m_ui->averageLabel->setText(average->text);
    m_ui->lastTimeLabel->setText(statistics.timeText());
    plot(shownValue(m_ui->lastValueLabel->text(), m_formats.decimalSeparator));
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
    const double low = lowest->y();
    const double high = highest->y();
    m_axisX->setRange(points.constFirst().x() - 1, double(m_plotted) + 1);
    // A margin keeps the extreme points off the plot's edges; equal values still need a span.
    const double span = high - low;
    const double margin = span > 0 ? span * 0.1 : std::max(1.0, std::abs(high) * 0.1);
    m_axisY->setRange(low - margin, high + margin);
    m_axisY->applyNiceNumbers();
}

void StatisticsPanel::clearChart()
{
    m_series->clear();
    m_waitingPoints.clear();
    m_plotted = 0;
    m_axisX->setRange(0, 1);
    m_axisY->setRange(0, 1);
}

// The values are set from code and not part of the form's texts, so they survive retranslateUi.
void StatisticsPanel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        m_ui->retranslateUi(this);
    QWidget::changeEvent(event);
}
