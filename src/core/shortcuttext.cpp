#include "core/shortcuttext.h"

#include <QHash>

namespace {

struct KeyName
{
    Qt::Key key;
    const char* name;
};

// The names stored files use for keys whose Qt name differs.
constexpr KeyName keyNames[] = {
    {Qt::Key_Escape, "Esc"},  {Qt::Key_Backspace, "BkSp"}, {Qt::Key_Return, "Enter"}, {Qt::Key_Space, "Space"},
    {Qt::Key_PageUp, "PgUp"}, {Qt::Key_PageDown, "PgDn"},  {Qt::Key_Insert, "Ins"},   {Qt::Key_Delete, "Del"},
    {Qt::Key_Tab, "Tab"},     {Qt::Key_Home, "Home"},      {Qt::Key_End, "End"},      {Qt::Key_Left, "Left"},
    {Qt::Key_Up, "Up"},       {Qt::Key_Right, "Right"},    {Qt::Key_Down, "Down"},
};

QString keyToName(Qt::Key key)
{
    for (const KeyName& entry : keyNames) {
        if (entry.key == key)
            return QString::fromLatin1(entry.name);
    }
    return QKeySequence(key).toString(QKeySequence::PortableText);
}

std::optional<Qt::Key> nameToKey(const QString& name)
{
    for (const KeyName& entry : keyNames) {
        if (name.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return entry.key;
    }
    const QKeySequence parsed = QKeySequence::fromString(name, QKeySequence::PortableText);
    if (parsed.count() != 1 || parsed[0].keyboardModifiers() != Qt::NoModifier || parsed[0].key() == Qt::Key_unknown)
        return std::nullopt;
    return parsed[0].key();
}

} // namespace

QString shortCutToText(const QKeySequence& sequence)
{
    if (sequence.isEmpty())
        return {};
    const QKeyCombination combination = sequence[0];
    QString text;
    if (combination.keyboardModifiers() & Qt::ShiftModifier)
        text += QStringLiteral("Shift+");
    if (combination.keyboardModifiers() & Qt::ControlModifier)
        text += QStringLiteral("Ctrl+");
    if (combination.keyboardModifiers() & Qt::AltModifier)
        text += QStringLiteral("Alt+");
    return text + keyToName(combination.key());
}

QKeySequence textToShortCut(const QString& text)
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
        return {};
    return QKeySequence(QKeyCombination(modifiers, *key));
}
