#include "processing/numbermask.h"

// Placeholder until the mask engine lands.
std::optional<MaskedNumber> formatWithMask(double value, const QString& mask, const QString& decimalSeparator,
                                           const QString& groupSeparator)
{
    Q_UNUSED(groupSeparator);
    if (mask.size() >= 225)
        return std::nullopt;
    const int decimals = mask.contains(u'.') ? int(mask.size() - mask.indexOf(u'.') - 1) : 0;
    MaskedNumber result;
    result.text = QString::number(value, 'f', decimals);
    result.decimalSeparatorAt = result.text.indexOf(u'.');
    if (result.decimalSeparatorAt >= 0)
        result.text.replace(result.decimalSeparatorAt, 1, decimalSeparator);
    return result;
}
