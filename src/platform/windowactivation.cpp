#include "platform/windowactivation.h"

#include "platform/x11/x11windowactivation.h"

#include <QGuiApplication>
#include <QWindow>

void activateOnUserRequest(quint64 windowId)
{
    if (QGuiApplication::platformName() == u"xcb")
        x11ActivateOnUserRequest(windowId);
}

std::optional<bool> inputFocusIn(const QList<quint64>& windowIds)
{
    if (QGuiApplication::platformName() == u"xcb")
        return x11InputFocusIn(windowIds);
    // A Wayland client cannot ask where the focus is; the compositor tells it with wl_keyboard enter and
    // leave, from which Qt's plugin keeps the focus window; a native child window counts as the
    // top-level window it sits in.
    if (QGuiApplication::platformName().startsWith(u"wayland")) {
        const QWindow* focused = QGuiApplication::focusWindow();
        while (focused && focused->parent())
            focused = focused->parent();
        return focused && windowIds.contains(quint64(focused->winId()));
    }
    return std::nullopt;
}

std::optional<QString> focusedWindowTitle()
{
    if (QGuiApplication::platformName() == u"xcb")
        return x11FocusedWindowTitle();
    return std::nullopt;
}
