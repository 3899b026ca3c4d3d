#include "link/porterror.h"

#include "link/portmap.h"
#include "link/sio.h"

QString PortError::codeText(int code)
{
    switch (code) {
    case -1:
    case -5:
        return tr("Port nie istnieje lub jest zajęty przez inny program.\rZamknij wszystkie programy i spróbuj "
                  "jeszcze raz.\r");
    case -2:
    case -4:
    case -6:
    case -7:
    case -9:
    case -10:
        return tr("Błąd. Jeśli problem będzie się powtarzał, skontaktuj się z dostawcą systemu.");
    case -8:
        return QString();
    case -11:
        return tr("Write has blocked, and user abort write");
    case -12:
        return tr("Write timeout has happened");
    default:
        return tr("Nieznany błąd: ") + QString::number(code);
    }
}

PortError PortError::fromCode(const QString& caption, int code)
{
    if (code == Sio::SystemError)
        return systemError(caption);
    return PortError{caption, codeText(code), Icon::None};
}

PortError PortError::systemError(const QString& caption)
{
    return PortError{caption, sio_lastSystemMessage().left(80), Icon::Error};
}

PortError PortError::noSpeed(const QString& caption)
{
    return PortError{caption, tr("Nie wybrano prędkości transmisji. Wybierz ją w ustawieniach portu."), Icon::Error};
}

QString PortError::presentDevicesText()
{
    const QList<PortMap::PortDevice> present = PortMap::presentDevices();
    if (present.isEmpty())
        return tr("Nie znaleziono żadnego portu szeregowego.");
    QString text = tr("Porty szeregowe w systemie:");
    for (const PortMap::PortDevice& device : present) {
        text += QStringLiteral("\rCOM%1: %2").arg(device.port).arg(device.device);
        if (!device.byId.isEmpty())
            text += QStringLiteral(" (%1)").arg(device.byId);
    }
    return text;
}

PortError PortError::openingFailed(const PortAccess& access, int code)
{
    const QString caption = failureCaption();
    const QString port = QStringLiteral("COM%1").arg(access.port);
    switch (access.problem) {
    case PortAccess::Problem::NoDevice: {
        // An empty number field comes as port 0.
        const QString missing =
            access.port < 1 ? tr("Nie podano numeru portu.")
            : access.device.isEmpty()
                ? tr("Port %1 nie odpowiada żadnemu urządzeniu.").arg(port)
                : tr("Port %1 to urządzenie %2, którego nie ma (odłączone?).").arg(port, access.device);
        return PortError{caption, missing + u'\r' + presentDevicesText(), Icon::None};
    }
    case PortAccess::Problem::PermissionDenied: {
        QString text = tr("Brak uprawnień do otwarcia portu %1 (%2).").arg(port, access.device);
        if (!access.group.isEmpty() && access.group != QLatin1String("root")) {
            text +=
                u'\r' + tr("Urządzenie należy do grupy %1. Dodaj do niej swoje konto poleceniem:").arg(access.group);
            text += u'\r' + PortAccess::joinGroupCommand(access.group) + u'\r';
            text += tr("i zaloguj się ponownie: nowa grupa działa od następnego logowania.");
        }
        return PortError{caption, text, Icon::Error};
    }
    case PortAccess::Problem::Busy: {
        QString text = codeText(code);
        if (!access.holder.isEmpty())
            text += tr("Port trzyma: %1").arg(access.holder);
        return PortError{caption, text, Icon::None};
    }
    case PortAccess::Problem::Failed:
    case PortAccess::Problem::None:
        break;
    }
    return fromCode(caption, code);
}
