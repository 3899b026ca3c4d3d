#pragma once

#include <QList>
#include <QtGlobal>

#include <optional>

void x11ActivateOnUserRequest(quint64 windowId);
std::optional<bool> x11InputFocusIn(const QList<quint64>& windowIds);
