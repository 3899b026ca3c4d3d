#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

void x11ActivateOnUserRequest(quint64 windowId);
std::optional<bool> x11InputFocusIn(const QList<quint64>& windowIds);
std::optional<QString> x11FocusedWindowTitle();
