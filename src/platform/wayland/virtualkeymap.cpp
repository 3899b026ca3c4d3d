#include "platform/wayland/virtualkeymap.h"

#include "platform/virtualkeysyms.h"

#include <xkbcommon/xkbcommon.h>

namespace {

constexpr quint32 seededControlKeys[] = {XKB_KEY_Tab, XKB_KEY_Return, XKB_KEY_BackSpace, XKB_KEY_Escape};

} // namespace

VirtualKeymap::VirtualKeymap()
{
    for (const quint32 keysym : seededControlKeys)
        assign(keysym);
    for (char32_t character = 0x20; character < 0x7F; ++character)
        assign(keysymForCharacter(character));
}

std::optional<quint32> VirtualKeymap::keyFor(quint32 keysym)
{
    if (keysym == XKB_KEY_NoSymbol)
        return std::nullopt;
    quint32 key = m_keys.value(keysym);
    if (key == 0) {
        key = assign(keysym);
        if (key == 0)
            return std::nullopt;
    }
    m_lastUse[key - firstKeycode] = ++m_uses;
    return key;
}

quint32 VirtualKeymap::assign(quint32 keysym)
{
    int chosen = -1;
    for (int index = 0; index < keyCount; ++index) {
        if (m_keysyms[index] == XKB_KEY_NoSymbol) {
            chosen = index;
            break;
        }
        if (m_held.contains(firstKeycode + quint32(index)))
            continue;
        if (chosen < 0 || m_lastUse[index] < m_lastUse[chosen])
            chosen = index;
    }
    if (chosen < 0)
        return 0;
    if (m_keysyms[chosen] != XKB_KEY_NoSymbol)
        m_keys.remove(m_keysyms[chosen]);
    const quint32 key = firstKeycode + quint32(chosen);
    m_keysyms[chosen] = keysym;
    m_keys.insert(keysym, key);
    m_lastUse[chosen] = ++m_uses;
    m_changed = true;
    return key;
}

void VirtualKeymap::setHeld(quint32 key, bool down)
{
    if (down)
        m_held.insert(key);
    else
        m_held.remove(key);
}

QByteArray VirtualKeymap::takeText()
{
    // One level per key, so ONE_LEVEL is the only type any key uses; the types and the compatibility
    // map still come whole from the XKB data (which libxkbcommon depends on, so every compositor and
    // client has it): XWayland keeps its old keymap for X11 programs when a keymap lacks them.
    QByteArray text = "xkb_keymap {\nxkb_keycodes \"kwelta\" {\nminimum = 8;\nmaximum = 255;\n";
    for (quint32 key = firstKeycode; key <= lastKeycode; ++key)
        text += "<K" + QByteArray::number(key) + "> = " + QByteArray::number(key) + ";\n";
    text += "};\nxkb_types \"kwelta\" {\ninclude \"complete\"\n};\n"
            "xkb_compatibility \"kwelta\" {\ninclude \"complete\"\n};\nxkb_symbols \"kwelta\" {\n";
    for (int index = 0; index < keyCount; ++index) {
        if (m_keysyms[index] == XKB_KEY_NoSymbol)
            continue;
        char name[64];
        if (xkb_keysym_get_name(m_keysyms[index], name, sizeof name) <= 0)
            continue;
        text += "key <K" + QByteArray::number(firstKeycode + quint32(index)) + "> { type = \"ONE_LEVEL\", [ " +
                QByteArray(name) + " ] };\n";
    }
    text += "};\n};\n";
    text += '\0';
    m_changed = false;
    return text;
}
