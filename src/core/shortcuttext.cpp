#include "core/shortcuttext.h"

namespace {

struct KeyName
{
    Qt::Key key;
    const char* name;
};

// The names stored files use for keys that are not a single character or a function key.
constexpr KeyName keyNames[] = {
    {Qt::Key_Escape, "Esc"},  {Qt::Key_Backspace, "BkSp"}, {Qt::Key_Return, "Enter"}, {Qt::Key_Space, "Space"},
    {Qt::Key_PageUp, "PgUp"}, {Qt::Key_PageDown, "PgDn"},  {Qt::Key_Insert, "Ins"},   {Qt::Key_Delete, "Del"},
    {Qt::Key_Tab, "Tab"},     {Qt::Key_Home, "Home"},      {Qt::Key_End, "End"},      {Qt::Key_Left, "Left"},
    {Qt::Key_Up, "Up"},       {Qt::Key_Right, "Right"},    {Qt::Key_Down, "Down"},
};

constexpr int FunctionKeyCount = 24;

// Qt gives printable ASCII keys their upper-case character code, so a single character names its key.
bool isCharacterKey(int key)
{
    return key > 0x20 && key < 0x7f && !(key >= 'a' && key <= 'z');
}

QString keyToName(Qt::Key key)
{
    for (const KeyName& entry : keyNames) {
        if (entry.key == key)
            return QString::fromLatin1(entry.name);
    }
    if (key >= Qt::Key_F1 && key < Qt::Key_F1 + FunctionKeyCount)
        return QStringLiteral("F%1").arg(key - Qt::Key_F1 + 1);
    if (isCharacterKey(key))
        return QString(QChar(key));
    return {};
}

std::optional<Qt::Key> nameToKey(const QString& name)
{
    for (const KeyName& entry : keyNames) {
        if (name.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return entry.key;
    }
    if (name.size() == 1) {
        const int key = name.at(0).toUpper().unicode();
        if (isCharacterKey(key))
            return Qt::Key(key);
        return std::nullopt;
    }
    if (name.size() > 1 && name.at(0).toUpper() == u'F') {
        bool isNumber = false;
        const int number = name.mid(1).toInt(&isNumber);
        if (isNumber && number >= 1 && number <= FunctionKeyCount && !name.mid(1).startsWith(u'0'))
            return Qt::Key(Qt::Key_F1 + number - 1);
    }
    return std::nullopt;
}

} // namespace

QString shortCutToText(std::optional<QKeyCombination> combination)
{
    if (!combination)
        return {};
    const QString name = keyToName(combination->key());
    if (name.isEmpty())
        return {};
    QString text;
    if (combination->keyboardModifiers() & Qt::ShiftModifier)
        text += QStringLiteral("Shift+");
    if (combination->keyboardModifiers() & Qt::ControlModifier)
        text += QStringLiteral("Ctrl+");
    if (combination->keyboardModifiers() & Qt::AltModifier)
        text += QStringLiteral("Alt+");
    return text + name;
}

std::optional<QKeyCombination> textToShortCut(const QString& text)
{
    QString rest = text;
    Qt::KeyboardModifiers modifiers;
    const std::pair<QLatin1String, Qt::KeyboardModifier> prefixes[] = {
        {QLatin1String("Shift+"), Qt::ShiftModifier},
        {QLatin1String("Ctrl+"), Qt::ControlModifier},
        {QLatin1String("Alt+"), Qt::AltModifier},
    };
    for (const auto& [prefix, modifier] : prefixes) {
        if (rest.startsWith(prefix, Qt::CaseInsensitive) && rest.size() > prefix.size()) {
            modifiers |= modifier;
            rest = rest.mid(prefix.size());
        }
    }
    const std::optional<Qt::Key> key = nameToKey(rest);
    if (!key)
        return std::nullopt;
    return QKeyCombination(modifiers, *key);
}
