#pragma once

#include <QByteArray>
#include <QCoreApplication>

class KeyboardInjector;
class MainWindowControls;

// Where composed output goes: keystrokes into the focused window, and appends to the output file.
class Delivery
{
    Q_DECLARE_TR_FUNCTIONS(Delivery)

public:
    Delivery(MainWindowControls& controls, KeyboardInjector& keyboard);

    // Types the text into the focused window in one burst; nothing while the main window is active.
    void TypeText(const QByteArray& text);
    // Presses and releases the key of a Windows virtual-key code; nothing while the main window is active.
    void SendKeyCode(quint8 code);
    // Appends the text to OutputFile as it is, whole or not at all; a failure (also: the output file is
    // not a regular file) stops the cyclic read and tells the user.
    void AppendToOutputFile(const QByteArray& text);

private:
    void tap(quint32 key);

    MainWindowControls& m_controls;
    KeyboardInjector& m_keyboard;
};
