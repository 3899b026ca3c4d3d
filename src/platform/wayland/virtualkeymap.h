#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QtGlobal>

#include <array>
#include <optional>

// The keymap the virtual keyboard types with: every keysym it needs on a key of its own, on the plain
// level, so that no modifier is ever pressed and the user's layout plays no part. Keys are handed out
// as characters come; when all are taken, the key used longest ago gets the new keysym. The keymap has
// to be sent again after any change, before the key event that needs it.
class VirtualKeymap
{
public:
    // XKB keycodes; a Wayland key event carries the keycode less 8. 8 itself would be evdev's reserved
    // key 0, and XWayland cannot take keycodes above 255.
    static constexpr quint32 firstKeycode = 9;
    static constexpr quint32 lastKeycode = 255;
    static constexpr int keyCount = int(lastKeycode - firstKeycode + 1);

    // Starts with Tab, Return, BackSpace, Escape and printable ASCII, which covers nearly everything a
    // scale sends, so that most results are typed without a new keymap.
    VirtualKeymap();

    // The key that carries the keysym, given one when none does; nullopt for NoSymbol, or when every
    // key is held down.
    std::optional<quint32> keyFor(quint32 keysym);
    // Held keys keep their keysym: a release has to reach the key that went down.
    void setHeld(quint32 key, bool down);

    bool isChanged() const { return m_changed; }
    // The keymap in XKB's text format, NUL-terminated as compositors read it; clears isChanged().
    QByteArray takeText();

private:
    quint32 assign(quint32 keysym);

    std::array<quint32, keyCount> m_keysyms{}; // by keycode - firstKeycode; 0 for a free key
    std::array<quint64, keyCount> m_lastUse{}; // a counter, not a time: only the order matters
    QHash<quint32, quint32> m_keys;            // keysym to keycode
    QSet<quint32> m_held;
    quint64 m_uses = 0;
    bool m_changed = true;
};
