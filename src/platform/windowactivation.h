#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

// Gives a top-level window of this program the focus because the user asked for it from elsewhere
// (a second start of the program), where an ordinary activation request could be refused as stale.
// Does nothing on platforms without a backend for it.
void activateOnUserRequest(quint64 windowId);

// Whether the input focus is now in one of these top-level windows (or in a window inside one), as the
// display server has it: where keys typed now would go. Toolkits learn of a change of focus later (Qt
// keeps a window active for a moment after the focus has left it). Nothing where the platform has no
// backend for the question.
std::optional<bool> inputFocusIn(const QList<quint64>& windowIds);

// The title of the window that has the input focus, where the display server tells (X11); nothing where
// it does not (a Wayland client cannot ask), or when the focus is on no named window.
std::optional<QString> focusedWindowTitle();
