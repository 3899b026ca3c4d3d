#pragma once

#include <QString>

#include <optional>

// Key combinations as the settings store keeps them: "Shift+", "Ctrl+" and "Alt+" in that order,
// then the key's name ("F7", "Esc", "BkSp", "A", "Num 5", ...). Text that does not parse is no key.
// The numeric keypad's digits and operators carry Qt::KeypadModifier; on any other key it is dropped.
QString shortCutToText(std::optional<QKeyCombination> combination);
std::optional<QKeyCombination> textToShortCut(const QString& text);

// A system-wide hot key as the platform registers it: a Windows virtual-key code, the same codes the
// script's key token uses, and the modifiers as bits.
struct HotKey
{
    static constexpr quint8 Alt = 1;
    static constexpr quint8 Ctrl = 2;
    static constexpr quint8 Shift = 4;

    quint8 key = 0;
    quint8 modifiers = 0;

    friend bool operator==(const HotKey&, const HotKey&) = default;
};

// The hot key of a combination; nullopt for no combination and for keys that have no virtual-key
// code a hot key can use (punctuation, whose key differs from layout to layout).
std::optional<HotKey> ShortCutToHotKey(std::optional<QKeyCombination> combination);
