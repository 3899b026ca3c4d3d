#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>

class KeyboardGrant;

// One key of the current keyboard layout and the modifiers that its level needs.
struct KeyChord
{
    quint32 key = 0; // the backend's key code (an X keycode on X11)
    bool shift = false;
    bool altGr = false; // the third level: ISO_Level3_Shift, or Mode_switch where that is all there is

    friend bool operator==(const KeyChord&, const KeyChord&) = default;
};

// Synthesises key events for whatever window has the keyboard focus. The typing rules (which
// modifiers go down in which order, Caps Lock neutralised for the burst) live with the caller;
// a backend only answers layout questions and injects single key events.
class KeyboardInjector
{
public:
    enum class ModifierKey { Shift, AltGr, CapsLock };

    virtual ~KeyboardInjector() = default;

    // False when the backend could not reach the display; every other call then does nothing.
    virtual bool isAvailable() const = 0;

    // Starts a burst of events: picks up a changed keymap or layout group before the lookups.
    virtual void beginBurst() = 0;
    // Sends everything queued since beginBurst().
    virtual void endBurst() = 0;

    // The key and level that produce the character in the current keymap and group; nullopt when the
    // layout cannot produce it. TAB, CR, backspace and escape answer their keys.
    virtual std::optional<KeyChord> chordForCharacter(char32_t character) = 0;
    // The key that carries a Windows virtual-key code; nullopt for codes the backend does not know.
    virtual std::optional<quint32> keyForVirtualKey(quint8 virtualKey) = 0;
    // The key that acts as the given modifier; nullopt when the keymap has none.
    virtual std::optional<quint32> modifierKey(ModifierKey modifier) = 0;
    virtual bool isCapsLockOn() = 0;

    virtual void sendKey(quint32 key, bool down) = 0;

    // Where the desktop must allow typing first, what became of that; nullptr where nobody is asked.
    virtual KeyboardGrant* grant() { return nullptr; }

    // Which windows the keys reach, for the user to be told where that is not every window.
    enum class Reach { EveryWindow, X11WindowsOnly, NoWindow };
    Reach reach() const { return m_reach; }
    void setReach(Reach reach) { m_reach = reach; }

private:
    Reach m_reach = Reach::EveryWindow;
};

// What the choice of a keyboard backend depends on.
struct KeyboardSession
{
    QString platformName;    // Qt's platform plugin, which shows our own window
    bool wayland = false;    // a Wayland session: WAYLAND_DISPLAY set, or XDG_SESSION_TYPE=wayland
    bool x11Display = false; // DISPLAY set: an X server, or XWayland beside a compositor

    // From the environment and the running QGuiApplication.
    static KeyboardSession current();
};

enum class KeyboardBackend {
    VirtualKeyboard,     // zwp_virtual_keyboard_v1: every native Wayland window, on wlroots compositors
    RemoteDesktopPortal, // the desktop's RemoteDesktop portal (GNOME, KDE Plasma), once the user allows it
    XTest,               // an X server's XTest: every window there; under XWayland only X11 programs' windows
};

// The backends worth trying in the session, best first; the first that reaches its display types.
// Empty where Kwelta's window is on no desktop (offscreen, minimal), so that nothing is typed there.
QList<KeyboardBackend> keyboardBackendsFor(const KeyboardSession& session);

// The first backend of keyboardBackendsFor(KeyboardSession::current()) that is available, named in the
// log category kwelta.platform.keyboard; one that does nothing where none is.
std::unique_ptr<KeyboardInjector> createKeyboardInjector();
