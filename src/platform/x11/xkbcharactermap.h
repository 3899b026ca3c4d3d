#pragma once

#include "platform/keyboardinjector.h"

#include <QHash>

#include <xkbcommon/xkbcommon.h>

#include <optional>

// Where each keysym sits in one layout group of an XKB keymap: the key and the modifiers that reach
// it. Only the levels that Shift and AltGr reach count, because those are the only modifiers the
// typing rules press; a level behind Ctrl, Alt or Num Lock would arrive as something else.
class XkbCharacterMap
{
public:
    XkbCharacterMap(xkb_keymap* keymap, xkb_layout_index_t layout);

    xkb_layout_index_t layout() const { return m_layout; }

    // TAB, CR, backspace and escape answer the keys of their keysyms; other control characters and
    // characters the group cannot produce answer nullopt.
    std::optional<KeyChord> chordForCharacter(char32_t character) const;
    // The key that carries the keysym on any level, the one with the fewest modifiers first.
    std::optional<quint32> keyForKeysym(xkb_keysym_t keysym) const;
    // The key of the code's keysym; for F1-F24 that no key carries, the key in the function key's place.
    std::optional<quint32> keyForVirtualKey(quint8 virtualKey) const;

    std::optional<quint32> shiftKey() const { return m_shiftKey; }
    std::optional<quint32> altGrKey() const { return m_altGrKey; }
    std::optional<quint32> capsLockKey() const { return m_capsLockKey; }

    // The keysym that stands for a Windows virtual-key code; XKB_KEY_NoSymbol for codes not known.
    static xkb_keysym_t keysymForVirtualKey(quint8 virtualKey);

private:
    void findModifierKeys(xkb_keymap* keymap);
    void readLevels(xkb_keymap* keymap);
    void readOtherLevels(xkb_keymap* keymap);
    void findFunctionKeysByName(xkb_keymap* keymap);

    xkb_layout_index_t m_layout;
    std::optional<quint32> m_shiftKey;
    std::optional<quint32> m_altGrKey;
    std::optional<quint32> m_capsLockKey;
    QHash<xkb_keysym_t, KeyChord> m_chords;
    // Keysyms found only on levels that the typing rules cannot reach; a virtual key still taps them.
    QHash<xkb_keysym_t, quint32> m_otherLevels;
    QHash<xkb_keysym_t, quint32> m_functionKeysByName;
};
