#include "processing/statistics.h"

Statistics::Statistics(QObject* parent)
    : QObject(parent)
    , m_valueMask(QStringLiteral("0"))
{}

void Statistics::add(double value, const QString& valueMask, const QByteArray& unit, const QString& dateText,
                     const QString& timeText, QDate date)
{
    m_lastValue = value;
    m_valueMask = valueMask;
    m_unit = unit;
    m_sum += value;
    ++m_count;
    m_dateText = dateText;
    m_timeText = timeText;
    m_date = date;
}

void Statistics::announce()
{
    emit changed();
}

void Statistics::reset()
{
    m_lastValue = 0;
    m_unit.clear();
    m_valueMask = QStringLiteral("0");
    m_count = 0;
    m_sum = 0;
    m_dateText.clear();
    m_timeText.clear();
    m_date = QDate();
}
