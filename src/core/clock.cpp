#include "core/clock.h"

namespace {

class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

} // namespace

const Clock& Clock::system()
{
    static const SystemClock clock;
    return clock;
}

double dateTimeToDays(const QDateTime& dateTime)
{
    static const QDate epoch(1899, 12, 30);
    const QDateTime local = dateTime.toLocalTime();
    return static_cast<double>(epoch.daysTo(local.date())) + local.time().msecsSinceStartOfDay() / 86'400'000.0;
}
