#pragma once

#include <QKeySequence>
#include <QString>

// Key combinations as the settings store keeps them: "Shift+", "Ctrl+" and "Alt+" in that order,
// then the key's name ("F7", "Esc", "BkSp", "A", ...). Text that does not parse is no key.
QString shortCutToText(const QKeySequence& sequence);
QKeySequence textToShortCut(const QString& text);
