#include "core/scaleorder.h"

namespace {

constexpr struct
{
    ScaleOrder order;
    QLatin1StringView name;
} names[] = {
    {ScaleOrder::Tare, QLatin1StringView("tare")},
    {ScaleOrder::Zero, QLatin1StringView("zero")},
    {ScaleOrder::Print, QLatin1StringView("print")},
    {ScaleOrder::Special, QLatin1StringView("special")},
};

} // namespace

std::optional<ScaleOrder> scaleOrderFromName(QStringView name)
{
    for (const auto& entry : names) {
        if (name == entry.name)
            return entry.order;
    }
    return std::nullopt;
}

QLatin1StringView scaleOrderName(ScaleOrder order)
{
    for (const auto& entry : names) {
        if (entry.order == order)
            return entry.name;
    }
    return {};
}
