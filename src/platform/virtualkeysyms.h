#pragma once

#include <QtGlobal>

// The XKB keysym that stands for a Windows virtual-key code, as scripts name keys; 0 (NoSymbol) for
// codes not known. Shared by every backend that types from an XKB keymap, so that a script's key means
// the same key under X11 and Wayland.
quint32 keysymForVirtualKey(quint8 virtualKey);
