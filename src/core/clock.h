#pragma once

#include <QDateTime>

// Where "now" comes from, so that tests can set the time that report mode and the parser see.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;

    static const Clock& system();
};

// Date-times as a number of days since 1899-12-30 local time, the fraction being the time of day.
double dateTimeToDays(const QDateTime& dateTime);
