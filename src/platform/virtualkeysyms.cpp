#include "platform/virtualkeysyms.h"

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

namespace {

struct VirtualKeyRange
{
    quint8 first;
    quint8 last;
    quint32 keysym; // of the first code; the rest follow in order
};

// Letters map to the lower-case keysym because a letter key's plain level carries that one.
constexpr VirtualKeyRange virtualKeys[] = {
    {0x08, 0x08, XKB_KEY_BackSpace},   {0x09, 0x09, XKB_KEY_Tab},        {0x0D, 0x0D, XKB_KEY_Return},
    {0x1B, 0x1B, XKB_KEY_Escape},      {0x20, 0x20, XKB_KEY_space},      {0x21, 0x21, XKB_KEY_Page_Up},
    {0x22, 0x22, XKB_KEY_Page_Down},   {0x23, 0x23, XKB_KEY_End},        {0x24, 0x24, XKB_KEY_Home},
    {0x25, 0x25, XKB_KEY_Left},        {0x26, 0x26, XKB_KEY_Up},         {0x27, 0x27, XKB_KEY_Right},
    {0x28, 0x28, XKB_KEY_Down},        {0x2D, 0x2D, XKB_KEY_Insert},     {0x2E, 0x2E, XKB_KEY_Delete},
    {0x30, 0x39, XKB_KEY_0},           {0x41, 0x5A, XKB_KEY_a},          {0x60, 0x69, XKB_KEY_KP_0},
    {0x6A, 0x6A, XKB_KEY_KP_Multiply}, {0x6B, 0x6B, XKB_KEY_KP_Add},     {0x6C, 0x6C, XKB_KEY_KP_Separator},
    {0x6D, 0x6D, XKB_KEY_KP_Subtract}, {0x6E, 0x6E, XKB_KEY_KP_Decimal}, {0x6F, 0x6F, XKB_KEY_KP_Divide},
    {0x70, 0x87, XKB_KEY_F1},
};

} // namespace

quint32 keysymForVirtualKey(quint8 virtualKey)
{
    for (const VirtualKeyRange& range : virtualKeys) {
        if (virtualKey >= range.first && virtualKey <= range.last)
            return range.keysym + (virtualKey - range.first);
    }
    return XKB_KEY_NoSymbol;
}

quint32 keysymForCharacter(char32_t character)
{
    switch (character) {
    case U'\t':
        return XKB_KEY_Tab;
    case U'\r':
        return XKB_KEY_Return;
    case U'\b':
        return XKB_KEY_BackSpace;
    case 0x1B:
        return XKB_KEY_Escape;
    default:
        break;
    }
    if (character < 0x20 || (character >= 0x7F && character < 0xA0) || character > 0x10FFFF)
        return XKB_KEY_NoSymbol;
    return xkb_utf32_to_keysym(quint32(character));
}
