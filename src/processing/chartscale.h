#pragma once

#include <QString>

#include <algorithm>

// The ticks of a chart's value scale: round numbers a step of 1, 2 or 5 times a power of ten apart, few
// enough for a small chart to print every label in full.
class ChartScale
{
public:
    // The scale from 0 to 1 in one step.
    ChartScale() = default;
    // Ticks at first, first + 1, ... last times mantissa × 10^exponent.
    ChartScale(double first, double last, int mantissa, int exponent);

    // The lowest and the highest tick (with no tick, the value the ticks would start from).
    double low() const { return tick(0); }
    double high() const { return tick(std::max(m_count - 1, 0)); }
    double step() const;
    // None when the ticks must lie within values closer together than the step.
    int tickCount() const { return m_count; }
    // Digits after the decimal point that tell the ticks apart, and no more.
    int decimals() const { return m_exponent < 0 ? -m_exponent : 0; }

    // The i-th tick from the bottom. Made of whole numbers with one rounding, so that 0.3 is the double
    // nearest to 0.3, not 0.1 added up three times.
    double tick(int i) const;
    // The tick as a label shows it: a plain number with the scale's decimals.
    QString label(int i) const;
    // The printf format of the labels, for charts that print them themselves.
    QString labelFormat() const;

private:
    double m_first = 0;
    int m_count = 2;
    int m_mantissa = 1;
    int m_exponent = 0;
};

// Where the ticks go for values from lowest to highest: one at or beyond each end, so that every value lies
// between two labels; or only between the ends, for an axis that runs from the first value to the last.
enum class TickSpan { Around, Within };

// The scale for values from lowest to highest with at most maxTicks ticks (3 at the least: a range across
// zero needs one below, zero and one above) and the most that fit. Equal values get a span around them.
// minimumStep keeps the ticks apart, 1 for values that are counts. Values that are not finite give the
// scale from 0 to 1.
ChartScale niceScale(double lowest, double highest, int maxTicks = 6, double minimumStep = 0,
                     TickSpan span = TickSpan::Around);
