#pragma once

#include <QList>
#include <QtGlobal>

#include <memory>

// Another X client, on a connection of its own to $DISPLAY: it presses keys through XTest as
// `xdotool key` does, holds key grabs as a program with its own hot keys does, reads the keyboard's
// lock state and changes the keymap, so that a test judges the program from outside it.
class XKeyClient
{
public:
    XKeyClient();
    ~XKeyClient();
    XKeyClient(const XKeyClient&) = delete;
    XKeyClient& operator=(const XKeyClient&) = delete;

    bool isUsable() const;

    // The first key code that carries the keysym in the server's current mapping; 0 for none.
    quint8 keycodeOf(quint32 keysym) const;

    // Each returns once the server has handled the event.
    void press(quint8 keycode);
    void release(quint8 keycode);
    void tap(quint8 keycode);
    // Taps the key that carries the keysym.
    void tapKeysym(quint32 keysym) { tap(keycodeOf(keysym)); }

    // A passive grab on the root window for exactly these modifiers; false when the server refused it
    // (another client holds it).
    bool grabKey(quint8 keycode, quint16 modifiers);
    void ungrabKey(quint8 keycode, quint16 modifiers);
    // The presses of grabbed keys this client has been sent, by key code.
    QList<quint8> grabbedPresses();

    // The modifiers the keyboard has locked (Caps Lock, Num Lock), as an X modifier mask.
    quint16 lockedModifiers() const;
    // The modifier Num Lock is bound to, from the modifier mapping.
    quint16 numLockMask() const;

    // Exchanges what two keys carry, in one request, as a user's xmodmap would.
    bool swapKeys(quint8 first, quint8 second);

private:
    struct Connection;
    std::unique_ptr<Connection> m_x;
};
