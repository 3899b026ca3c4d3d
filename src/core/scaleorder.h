#pragma once

#include <QLatin1StringView>
#include <QStringView>

#include <optional>

// The four scale commands as something other than a button can ask for them: the command line of
// a later start, and hot keys. The names are what users type after --command and keep their text.
enum class ScaleOrder { Tare, Zero, Print, Special };

// What the window made of an order handed to it.
enum class OrderOutcome {
    Sent,
    // Neither the serial port nor the Ethernet link is open, so nothing could reach the scale.
    LinkClosed,
    // The link is open, but the button sent nothing (the cyclic reading holds the scale, or the
    // special command's box was open for editing and the click closed it).
    NotSent,
};

std::optional<ScaleOrder> scaleOrderFromName(QStringView name);
QLatin1StringView scaleOrderName(ScaleOrder order);
