#pragma once

#include "processing/localeformats.h"

#include <QWidget>

#include <QPointer>

#include <memory>

class Clock;
class Statistics;
class QChartView;
class QXYSeries;
class QLineSeries;
class QValueAxis;

namespace Ui {
class StatisticsPanel;
}

// The page statisticsPage of the main window: the latest result in large print with its unit and time, count,
// sum and average of the statistics it is given, and a point chart with one point per refresh, numbered
// along the bottom and scaled in round numbers with the unit up the side.
class StatisticsPanel : public QWidget
{
    Q_OBJECT

public:
    // The chart shows the latest this many results; the numbers above it cover every result.
    static constexpr int ChartPoints = 1000;

    explicit StatisticsPanel(QWidget* parent = nullptr);
    ~StatisticsPanel() override;

    // The separators the numbers are shown with; the user's locale unless a test sets others.
    const LocaleFormats& localeFormats() const { return m_formats; }
    void setLocaleFormats(const LocaleFormats& formats);
    // What the panel shows and clears; it refreshes whenever they change. Without any it shows none.
    void setStatistics(Statistics* statistics);
    // The user's result format, when chosen, shows the latest value and the sum instead of the mask the
    // scale's decimals give.
    void setResultFormat(bool use, const QString& format);
    // Where today comes from: a result of another day shows its date with the time. The system clock
    // unless a test sets another; the clock must outlive the panel.
    void setClock(const Clock& clock);

    // The chart as it is to be shown: points still waiting to be drawn go in first.
    QChartView* chartView() const;
    QXYSeries* series() const;

signals:
    // The latest result as the page shows it, value and unit; empty once the results are cleared.
    void latestResultShown(const QString& result);

public slots:
    // Redraws the panel from the statistics and plots the latest value as it is shown.
    void refresh();
    void clearClicked();

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void localiseAxisLabels();
    // Each refresh plots a point; the chart takes the points of a burst together at the next turn of the
    // event loop, since QtCharts recomputes the whole series' geometry for every change, and one result
    // at a time it fell far behind a fast scale.
    void plot(double value);
    void plotWaitingPoints();
    void clearChart();
    // Both scales, from the points on the chart and the room it has; cheap enough for every batch.
    void rescale();
    // The latest value and its unit in the largest print, up to twice the page's font, that fits their labels.
    void fitLastValue();
    void applyFonts();
    void retranslate();

    std::unique_ptr<Ui::StatisticsPanel> m_ui;
    LocaleFormats m_formats;
    QPointer<Statistics> m_source;
    bool m_useResultFormat = false;
    QString m_resultFormat;
    const Clock* m_clock = nullptr;
    // Owned by the chart, which the chart view owns.
    QLineSeries* m_series = nullptr;
    QValueAxis* m_axisX = nullptr;
    QValueAxis* m_axisY = nullptr;
    // Results plotted since the chart was last cleared, those waiting included.
    qint64 m_plotted = 0;
    QList<QPointF> m_waitingPoints;
    // The values of results announced whose refresh has not run yet, oldest first.
    QList<double> m_arrivedValues;
    // The vertical extent of the points on the chart, kept for rescaling on a resize.
    double m_lowest = 0;
    double m_highest = 0;
};
