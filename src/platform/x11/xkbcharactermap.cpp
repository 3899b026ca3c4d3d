#include "platform/x11/xkbcharactermap.h"

#include "platform/virtualkeysyms.h"
#include "platform/x11/xhandles.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

// The state the server is in with that group selected and nothing held. Clients have no call to lock a
// group, so the mask is set directly; key presses on top of it still run the keymap's own actions,
// which is what tells us the real modifiers behind Shift and AltGr instead of assuming Mod5.
XkbStatePtr lockedGroupState(xkb_keymap* keymap, xkb_layout_index_t layout)
{
    XkbStatePtr state(xkb_state_new(keymap));
    if (state)
        xkb_state_update_mask(state.get(), 0, 0, 0, 0, 0, layout);
    return state;
}

// X keycodes travel in one byte. A keymap compiled from evdev names has keys above that (one of them
// carries EuroSign on its own) which no X client can press.
constexpr xkb_keycode_t lastXKeycode = 255;

template <typename Function>
void forEachKeycode(xkb_keymap* keymap, Function function)
{
    const xkb_keycode_t last = std::min(xkb_keymap_max_keycode(keymap), lastXKeycode);
    for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap); key <= last; ++key)
        function(key);
}

int modifierCount(const KeyChord& chord)
{
    return (chord.shift ? 1 : 0) + (chord.altGr ? 1 : 0);
}

bool isBetter(const KeyChord& candidate, const KeyChord& current)
{
    const int candidateCount = modifierCount(candidate);
    const int currentCount = modifierCount(current);
    return candidateCount < currentCount || (candidateCount == currentCount && candidate.key < current.key);
}

} // namespace

XkbCharacterMap::XkbCharacterMap(xkb_keymap* keymap, xkb_layout_index_t layout)
    : m_layout(layout < xkb_keymap_num_layouts(keymap) ? layout : 0)
{
    findModifierKeys(keymap);
    readLevels(keymap);
    readOtherLevels(keymap);
    findFunctionKeysByName(keymap);
}

void XkbCharacterMap::findModifierKeys(xkb_keymap* keymap)
{
    const XkbStatePtr plain = lockedGroupState(keymap, m_layout);
    if (!plain)
        return;

    // A key can carry a modifier's keysym without the keymap binding an action to it (a stray
    // keysym, or a key missing from the modifier map); pressing that one would change nothing.
    const auto acts = [&](xkb_keycode_t key) {
        const XkbStatePtr state = lockedGroupState(keymap, m_layout);
        const int changed = state ? xkb_state_update_key(state.get(), key, XKB_KEY_DOWN) : 0;
        return (changed & (XKB_STATE_MODS_EFFECTIVE | XKB_STATE_LAYOUT_EFFECTIVE)) != 0;
    };

    std::optional<quint32> shiftRight;
    std::optional<quint32> modeSwitch;
    forEachKeycode(keymap, [&](xkb_keycode_t key) {
        std::optional<quint32>* slot = nullptr;
        switch (xkb_state_key_get_one_sym(plain.get(), key)) {
        case XKB_KEY_Shift_L:
            slot = &m_shiftKey;
            break;
        case XKB_KEY_Shift_R:
            slot = &shiftRight;
            break;
        case XKB_KEY_ISO_Level3_Shift:
            slot = &m_altGrKey;
            break;
        case XKB_KEY_Mode_switch:
            slot = &modeSwitch;
            break;
        case XKB_KEY_Caps_Lock:
            slot = &m_capsLockKey;
            break;
        default:
            return;
        }
        if (!*slot && acts(key))
            *slot = key;
    });
    if (!m_shiftKey)
        m_shiftKey = shiftRight;
    // Mode_switch selects the next group rather than a level; the scratch states below follow
    // whichever it does, so the chords stay right either way.
    if (!m_altGrKey)
        m_altGrKey = modeSwitch;
}

void XkbCharacterMap::readLevels(xkb_keymap* keymap)
{
    for (const bool altGr : {false, true}) {
        for (const bool shift : {false, true}) {
            if ((shift && !m_shiftKey) || (altGr && !m_altGrKey))
                continue;
            const XkbStatePtr state = lockedGroupState(keymap, m_layout);
            if (!state)
                return;
            if (shift)
                xkb_state_update_key(state.get(), *m_shiftKey, XKB_KEY_DOWN);
            if (altGr)
                xkb_state_update_key(state.get(), *m_altGrKey, XKB_KEY_DOWN);

            forEachKeycode(keymap, [&](xkb_keycode_t key) {
                const xkb_keysym_t keysym = xkb_state_key_get_one_sym(state.get(), key);
                if (keysym == XKB_KEY_NoSymbol)
                    return;
                const KeyChord chord{key, shift, altGr};
                const auto it = m_chords.find(keysym);
                if (it == m_chords.end())
                    m_chords.insert(keysym, chord);
                else if (isBetter(chord, *it))
                    *it = chord;
            });
        }
    }
}

void XkbCharacterMap::readOtherLevels(xkb_keymap* keymap)
{
    const XkbStatePtr plain = lockedGroupState(keymap, m_layout);
    if (!plain)
        return;

    QHash<xkb_keysym_t, std::pair<xkb_level_index_t, xkb_keycode_t>> found;
    forEachKeycode(keymap, [&](xkb_keycode_t key) {
        // Keys with fewer groups than the keymap wrap the group the way the server does.
        const xkb_layout_index_t layout = xkb_state_key_get_layout(plain.get(), key);
        if (layout == XKB_LAYOUT_INVALID)
            return;
        const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, key, layout);
        for (xkb_level_index_t level = 0; level < levels; ++level) {
            const xkb_keysym_t* keysyms = nullptr;
            const int count = xkb_keymap_key_get_syms_by_level(keymap, key, layout, level, &keysyms);
            for (int i = 0; i < count; ++i) {
                if (m_chords.contains(keysyms[i]))
                    continue;
                const std::pair placement{level, key};
                const auto it = found.find(keysyms[i]);
                if (it == found.end() || placement < *it)
                    found.insert(keysyms[i], placement);
            }
        }
    });
    for (auto it = found.cbegin(); it != found.cend(); ++it)
        m_otherLevels.insert(it.key(), it->second);
}

void XkbCharacterMap::findFunctionKeysByName(xkb_keymap* keymap)
{
    // Keymaps built from evdev rules give the F13-F24 keys multimedia keysyms, so no key carries F13
    // and up; the key that a physical F13 press sends is still there under its keycode name.
    for (int number = 1; number <= 24; ++number) {
        char name[8];
        std::snprintf(name, sizeof name, "FK%02d", number);
        const xkb_keycode_t key = xkb_keymap_key_by_name(keymap, name);
        if (key != XKB_KEYCODE_INVALID && key <= lastXKeycode)
            m_functionKeysByName.insert(XKB_KEY_F1 + xkb_keysym_t(number - 1), key);
    }
}

std::optional<KeyChord> XkbCharacterMap::chordForCharacter(char32_t character) const
{
    const auto chordFor = [this](xkb_keysym_t keysym) -> std::optional<KeyChord> {
        const auto it = m_chords.constFind(keysym);
        if (it == m_chords.cend())
            return std::nullopt;
        return *it;
    };

    switch (character) {
    case U'\t':
        return chordFor(XKB_KEY_Tab);
    case U'\r':
        return chordFor(XKB_KEY_Return);
    case U'\b':
        return chordFor(XKB_KEY_BackSpace);
    case 0x1B:
        return chordFor(XKB_KEY_Escape);
    default:
        break;
    }
    // Other control characters would land on function keys (0x0B is the Clear keysym); the caller maps
    // the ones it wants to printable characters first.
    if (character < 0x20 || (character >= 0x7F && character < 0xA0) || character > 0x10FFFF)
        return std::nullopt;

    // Layouts name a character either by its legacy keysym or by the Unicode keysym; either serves.
    std::optional<KeyChord> best = chordFor(xkb_utf32_to_keysym(character));
    if (const std::optional<KeyChord> unicode = chordFor(0x01000000 | character)) {
        if (!best || isBetter(*unicode, *best))
            best = unicode;
    }
    return best;
}

std::optional<quint32> XkbCharacterMap::keyForKeysym(xkb_keysym_t keysym) const
{
    if (keysym == XKB_KEY_NoSymbol)
        return std::nullopt;
    if (const auto it = m_chords.constFind(keysym); it != m_chords.cend())
        return it->key;
    if (const auto it = m_otherLevels.constFind(keysym); it != m_otherLevels.cend())
        return *it;
    return std::nullopt;
}

std::optional<quint32> XkbCharacterMap::keyForVirtualKey(quint8 virtualKey) const
{
    const xkb_keysym_t keysym = keysymForVirtualKey(virtualKey);
    if (const std::optional<quint32> key = keyForKeysym(keysym))
        return key;
    if (const auto it = m_functionKeysByName.constFind(keysym); it != m_functionKeysByName.cend())
        return *it;
    return std::nullopt;
}

xkb_keysym_t XkbCharacterMap::keysymForVirtualKey(quint8 virtualKey)
{
    return ::keysymForVirtualKey(virtualKey);
}
