#include "platform/windowactivation.h"

#include "platform/x11/x11windowactivation.h"

#include <QGuiApplication>

void activateOnUserRequest(quint64 windowId)
{
    if (QGuiApplication::platformName() == u"xcb")
        x11ActivateOnUserRequest(windowId);
}

std::optional<bool> inputFocusIn(const QList<quint64>& windowIds)
{
    if (QGuiApplication::platformName() == u"xcb")
        return x11InputFocusIn(windowIds);
    return std::nullopt;
}
