#pragma once

class QWidget;

// The program's own windows among the desktop's.

// Whether a window of ours (the main window, a message box, a dialog) has the keyboard focus. Asked of
// the display server where it can tell: Qt keeps a window active for a moment after the focus has gone
// to another program, and a result arriving then would not be typed where the user is.
bool ownWindowActive();

// The window restored and in front, with the focus, as the user asked for it from elsewhere (a second
// start); a dialog that holds it (the port search) in front of it, since that is what must be answered.
void bringForward(QWidget& window);
