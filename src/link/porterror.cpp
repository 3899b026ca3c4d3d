#include "link/porterror.h"

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
