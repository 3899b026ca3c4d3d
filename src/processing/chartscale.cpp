#include "processing/chartscale.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace {

// wholeNumber × 10^exponent with a single rounding: dividing by an exact power of ten instead of
// multiplying by an inexact 0.1.
double scaled(double wholeNumber, int exponent)
{
    return exponent >= 0 ? wholeNumber * std::pow(10.0, exponent) : wholeNumber / std::pow(10.0, -exponent);
}

} // namespace

ChartScale::ChartScale(double first, double last, int mantissa, int exponent)
    : m_first(first)
    , m_count(std::max(int(last - first) + 1, 0))
    , m_mantissa(mantissa)
    , m_exponent(exponent)
{}

double ChartScale::step() const
{
    return scaled(m_mantissa, m_exponent);
}

double ChartScale::tick(int i) const
{
    const double value = scaled((m_first + i) * m_mantissa, m_exponent);
    // Zero from a negative product is -0, which prints as "-0".
    return value == 0 ? 0.0 : value;
}

QString ChartScale::label(int i) const
{
    return QString::number(tick(i), 'f', decimals());
}

QString ChartScale::labelFormat() const
{
    return QStringLiteral("%.%1f").arg(decimals());
}

ChartScale niceScale(double lowest, double highest, int maxTicks, double minimumStep, TickSpan span)
{
    if (!std::isfinite(lowest) || !std::isfinite(highest))
        return ChartScale();
    if (lowest > highest)
        std::swap(lowest, highest);
    maxTicks = std::max(maxTicks, 3);
    if (highest - lowest <= std::max(std::abs(lowest), std::abs(highest)) * 1e-12) {
        // A single value, or several equal ones: a tenth of it either side, so that the scale shows its
        // size and the points lie between ticks.
        const double around = highest == 0 ? 1.0 : std::abs(highest) * 0.1;
        lowest -= around;
        highest += around;
    }
    const double rough = (highest - lowest) / (maxTicks - 1);
    int exponent = int(std::floor(std::log10(rough))) - 1;
    constexpr std::array<int, 3> mantissas = {1, 2, 5};
    // Upwards from below the rough step, so the first that fits has the most ticks. Any range reaches a
    // step wider than itself within three decades; the limit only guards against a mistake.
    for (int decade = 0; decade < 40; ++decade, ++exponent) {
        for (const int mantissa : mantissas) {
            const double step = scaled(mantissa, exponent);
            if (step < minimumStep)
                continue;
            const bool around = span == TickSpan::Around;
            const double first = around ? std::floor(lowest / step) : std::ceil(lowest / step);
            const double last = around ? std::ceil(highest / step) : std::floor(highest / step);
            if (last - first + 1 <= maxTicks)
                return ChartScale(first, last, mantissa, exponent);
        }
    }
    return ChartScale();
}
