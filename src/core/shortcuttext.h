#pragma once

#include <QString>

#include <optional>

// Key combinations as the settings store keeps them: "Shift+", "Ctrl+" and "Alt+" in that order,
// then the key's name ("F7", "Esc", "BkSp", "A", ...). Text that does not parse is no key.
QString shortCutToText(std::optional<QKeyCombination> combination);
std::optional<QKeyCombination> textToShortCut(const QString& text);
