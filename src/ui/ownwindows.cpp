#include "ui/ownwindows.h"

#include "platform/windowactivation.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>

bool ownWindowActive()
{
    // An open popup, such as the notification-area icon's menu, grabs the keyboard: keys typed now would
    // choose its items, whichever window has the focus.
    if (QApplication::activePopupWidget())
        return true;
    QList<quint64> ownWindows;
    for (const QWindow* window : QGuiApplication::topLevelWindows()) {
        if (window->handle())
            ownWindows.append(quint64(window->winId()));
    }
    if (const std::optional<bool> focused = inputFocusIn(ownWindows))
        return *focused;
    return QApplication::activeWindow() != nullptr;
}

void bringForward(QWidget& window)
{
    if (window.isMinimized())
        window.showNormal();
    if (!window.isVisible())
        window.show();
    window.raise();
    window.activateWindow();
    activateOnUserRequest(window.winId());
    if (QWidget* dialog = QApplication::activeModalWidget()) {
        dialog->raise();
        dialog->activateWindow();
        activateOnUserRequest(dialog->winId());
    }
}
