#pragma once

// Makes message boxes real QMessageBox dialogs, shown modally over the given window (or the active
// one). The main window sets this up when it is created.
void useDialogsForMessages();
