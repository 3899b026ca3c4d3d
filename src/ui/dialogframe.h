#pragma once

class QWidget;

// A dialog's title bar: the title and a close button, no minimise or maximise buttons, which a
// dialog that waits for an answer has no use for. Set before the dialog is shown.
void useDialogFrame(QWidget& dialog);

// The width a window needs for the whole of its title as the title bar shows it, with the program's
// name that Qt adds after it, beside the title bar's icon and close button. The window manager draws
// the title in a font of its own, so this reckons with a bold one a little larger than the window's.
int titleBarWidth(const QWidget& window);
