#pragma once

#include "core/clock.h"

// A clock that stands still until the test moves it.
class FixedClock : public Clock
{
public:
    explicit FixedClock(QDateTime start = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53)))
        : m_now(std::move(start))
    {}

    QDateTime now() const override { return m_now; }
    void set(const QDateTime& now) { m_now = now; }
    void advance(qint64 ms) { m_now = m_now.addMSecs(ms); }

private:
    QDateTime m_now;
};
