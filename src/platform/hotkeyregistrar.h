#pragma once

#include <QObject>
#include <QString>

#include <memory>

// Keys that act whichever program has the keyboard focus. A hot key is known by an id that stands for
// its name; a press of it is reported through activated() on the thread the registrar lives on, once
// per press however long the key is held.
class HotKeyRegistrar : public QObject
{
    Q_OBJECT

public:
    // The modifier bits of registerHotKey(), as Windows' RegisterHotKey takes them.
    static constexpr quint8 Alt = 1;
    static constexpr quint8 Ctrl = 2;
    static constexpr quint8 Shift = 4;

    enum class Result {
        Registered,
        // Another program holds the key with these modifiers; the hot key is inert until it is let go.
        Taken,
        // The current keymap has no key for it.
        NoSuchKey,
        // Nothing on this platform can register system-wide keys.
        Unsupported,
    };

    using QObject::QObject;

    // The id that stands for the name for the rest of the session (on X11 the atom of that name), so
    // the same name always gives the same id; 0 when none can be had.
    virtual quint32 idForName(const QString& name) = 0;
    // Makes the key (a Windows virtual-key code) with exactly these modifiers a hot key with that id,
    // replacing what the id stood for before. A key that cannot be had now stays the id's: it is tried
    // again when the keymap changes and, while another program holds it, every few seconds, and
    // reregistered() tells what came of that.
    virtual Result registerHotKey(quint32 id, quint8 virtualKey, quint8 modifiers) = 0;
    // Releases what the id holds; an id that holds nothing is ignored.
    virtual void unregisterHotKey(quint32 id) = 0;
    // What the hot key does, in the user's language, for backends where the desktop shows it.
    virtual void setDescription(quint32, const QString&) {}
    // False where nothing can register system-wide keys at all.
    virtual bool isSupported() const { return true; }

signals:
    void activated(quint32 id);
    // A hot key was registered again without being asked, with what that came to: after the keyboard
    // changed (a new keymap or layout) the same key may now be held by another program, or be on no key
    // at all; a key another program held may have been let go.
    void reregistered(quint32 id, HotKeyRegistrar::Result result);
};

// The backend for the session the application runs in: the desktop's GlobalShortcuts portal in a
// Wayland session that offers it (X11 grabs reach only XWayland windows there), X grabs where Qt's
// platform is xcb, and one that registers nothing where neither is available, which says so once in
// the log.
std::unique_ptr<HotKeyRegistrar> createHotKeyRegistrar();
