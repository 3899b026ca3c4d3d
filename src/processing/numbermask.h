#pragma once

#include <QString>

#include <optional>

struct MaskedNumber
{
    QString text;
    // Where the decimal separator stands in text, or -1 when the mask shows none.
    qsizetype decimalSeparatorAt = -1;
};

// Formats a value by a picture mask: '0' and '#' digit placeholders, the first '.' as the decimal
// point, ',' for grouping by thousands, E+/E-/e+/e- with '0's for scientific notation, quoted text,
// and up to three ';'-separated sections for positive, negative and zero values. Rounds half away
// from zero. A mask longer than LongestMask characters cannot be used: the result is nullopt.
inline constexpr qsizetype LongestMask = 224;

std::optional<MaskedNumber> formatWithMask(double value, const QString& mask, const QString& decimalSeparator,
                                           const QString& groupSeparator);
