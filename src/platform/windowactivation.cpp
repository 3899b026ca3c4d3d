#include "platform/windowactivation.h"

#include "platform/x11/x11windowactivation.h"

#include <QGuiApplication>

void activateOnUserRequest(quint64 windowId)
{
    if (QGuiApplication::platformName() == u"xcb")
        x11ActivateOnUserRequest(windowId);
}
