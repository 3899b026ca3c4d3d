#include "link/mxtool.h"

#include "core/global.h"
#include "core/messagepresenter.h"
#include "link/sio.h"

QString MxTool::PortErrorText(int code)
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

void MxTool::ShowPortError(const QString& caption, int code)
{
    if (code == Sio::SystemError) {
        ShowSystemError(caption);
        return;
    }
    MessagePresenter::current().show(Global::MainWindowHandle.data(), PortErrorText(code), caption,
                                     MessagePresenter::Icon::None, MessagePresenter::Buttons::Ok);
}

void MxTool::ShowSystemError(const QString& caption)
{
    MessagePresenter::current().show(Global::MainWindowHandle.data(), sio_lastSystemMessage().left(80), caption,
                                     MessagePresenter::Icon::Error, MessagePresenter::Buttons::Ok);
}

void MxTool::ShowSpeedError(const QString& caption)
{
    MessagePresenter::current().show(Global::MainWindowHandle.data(),
                                     tr("Nie wybrano prędkości transmisji. Wybierz ją w ustawieniach portu."), caption,
                                     MessagePresenter::Icon::Error, MessagePresenter::Buttons::Ok);
}
