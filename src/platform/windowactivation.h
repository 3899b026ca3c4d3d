#pragma once

#include <QtGlobal>

// Gives a top-level window of this program the focus because the user asked for it from elsewhere
// (a second start of the program), where an ordinary activation request could be refused as stale.
// Does nothing on platforms without a backend for it.
void activateOnUserRequest(quint64 windowId);
