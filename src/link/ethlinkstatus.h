#pragma once

#include <QString>

#include <optional>

// What openPortButton and the status line show of the Ethernet link.
struct EthLinkStatus
{
    enum class Caption { Unchanged, Open, Close };
    enum class Colour { Red, Yellow, Green };

    Caption caption = Caption::Unchanged;
    QString text;
    Colour colour = Colour::Red;
    bool settingsEnabled = false;
};

// The display for a reported state (EthLinkState's value), given whether the user wants the link open
// (TimerPing's Tag): a link that is down while wanted reads as being connected. Empty for a value that
// is no state, which changes nothing.
std::optional<EthLinkStatus> ethLinkStatus(int state, bool wanted);

// A listener whose local port could not be opened.
EthLinkStatus ethListenerFailureStatus(quint16 localPort, const QString& why);
