#pragma once

#include <QtGlobal>

// The XKB keysym that stands for a Windows virtual-key code, as scripts name keys; 0 (NoSymbol) for
// codes not known. Shared by every backend that types from an XKB keymap, so that a script's key means
// the same key under X11 and Wayland.
quint32 keysymForVirtualKey(quint8 virtualKey);

// The keysym that types the character from a keymap holding it: Tab, Return, BackSpace and Escape for
// their control characters, the legacy keysym where there is one (aogonek, mu), which older X clients
// under XWayland know better than the Unicode keysym, else the Unicode one; 0 (NoSymbol) for other
// control characters, which the typing rules turn into keys of their own first.
quint32 keysymForCharacter(char32_t character);
