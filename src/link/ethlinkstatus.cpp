#include "link/ethlinkstatus.h"

#include "link/ethconnection.h"

#include <QCoreApplication>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("EthLinkStatus", text);
}

} // namespace

std::optional<EthLinkStatus> ethLinkStatus(int state, bool wanted)
{
    using Caption = EthLinkStatus::Caption;
    using Colour = EthLinkStatus::Colour;
    switch (EthLinkState(state)) {
    case EthLinkState::Disconnecting:
        return EthLinkStatus{Caption::Unchanged, tr("Rozłączanie..."), Colour::Yellow, false};
    case EthLinkState::Disconnected:
        if (wanted)
            return EthLinkStatus{Caption::Close, tr("Łączenie..."), Colour::Yellow, false};
        return EthLinkStatus{Caption::Open, tr("Rozłączono"), Colour::Red, true};
    case EthLinkState::Connecting:
        return EthLinkStatus{Caption::Close, tr("Łączenie..."), Colour::Yellow, false};
    case EthLinkState::Connected:
        return EthLinkStatus{Caption::Close, tr("Połączono"), Colour::Green, false};
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
