#pragma once

#include <QByteArray>
#include <QDate>
#include <QObject>
#include <QString>

// The latest accepted weighing result and the running totals since the last reset. The unit keeps the
// scale's own bytes so that the output file receives them unchanged. Main thread only.
class Statistics : public QObject
{
    Q_OBJECT

public:
    explicit Statistics(QObject* parent = nullptr);

    double lastValue() const { return m_lastValue; }
    const QByteArray& unit() const { return m_unit; }
    // The mask that shows the latest value with the decimals the scale sent.
    const QString& valueMask() const { return m_valueMask; }
    qint32 count() const { return m_count; }
    double sum() const { return m_sum; }
    const QString& dateText() const { return m_dateText; }
    const QString& timeText() const { return m_timeText; }
    // The day of the latest result, for whoever must tell today's results from older ones; invalid when the
    // result came without one.
    QDate date() const { return m_date; }

    // Counts a result in without a word: the script reads it at once, but whoever shows it is told by
    // announce(), once the result's output has gone out.
    void add(double value, const QString& valueMask, const QByteArray& unit, const QString& dateText,
             const QString& timeText, QDate date = QDate());
    void announce();
    // Back to no result at all, without a word: whoever clears the figures shows them cleared at once, and
    // a refresh that came later could meet the next result already counted.
    void reset();

signals:
    // A result was counted and its output has gone out.
    void changed();

private:
    double m_lastValue = 0;
    QByteArray m_unit;
    QString m_valueMask;
    qint32 m_count = 0;
    double m_sum = 0;
    QString m_dateText;
    QString m_timeText;
    QDate m_date;
};
