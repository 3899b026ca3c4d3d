#pragma once

#include <QtGlobal>

void x11ActivateOnUserRequest(quint64 windowId);
