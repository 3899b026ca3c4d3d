#include "link/ethlinkstatus.h"

#include "link/ethconnection.h"

#include <QCoreApplication>

namespace {

// A declared context, so that lupdate finds the texts as the language modules need them.
struct StatusText
{
    Q_DECLARE_TR_FUNCTIONS(EthLinkStatus)
};

} // namespace

std::optional<EthLinkStatus> ethLinkStatus(int state, bool wanted)
{
    using Caption = EthLinkStatus::Caption;
    using Colour = EthLinkStatus::Colour;
    switch (EthLinkState(state)) {
    case EthLinkState::Disconnecting:
        return EthLinkStatus{Caption::Unchanged, StatusText::tr("Rozłączanie..."), Colour::Yellow, false};
    case EthLinkState::Disconnected:
        if (wanted)
            return EthLinkStatus{Caption::Close, StatusText::tr("Łączenie..."), Colour::Yellow, false};
        return EthLinkStatus{Caption::Open, StatusText::tr("Rozłączono"), Colour::Red, true};
    case EthLinkState::Connecting:
        return EthLinkStatus{Caption::Close, StatusText::tr("Łączenie..."), Colour::Yellow, false};
    case EthLinkState::Connected:
        return EthLinkStatus{Caption::Close, StatusText::tr("Połączono"), Colour::Green, false};
    }
    return std::nullopt;
}

EthLinkStatus ethListenerFailureStatus(quint16 localPort, const QString& why)
{
    return {EthLinkStatus::Caption::Open,
            QCoreApplication::translate("EthLinkStatus", "Nie można otworzyć lokalnego portu UDP %1: %2")
                .arg(localPort)
                .arg(why),
            EthLinkStatus::Colour::Red, true};
}
