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

// The numeric keypad's keys that differ from their main-keyboard twins; Qt tells them apart by
// Qt::KeypadModifier.
constexpr KeyName keypadNames[] = {
    {Qt::Key_0, "Num 0"},     {Qt::Key_1, "Num 1"},      {Qt::Key_2, "Num 2"},        {Qt::Key_3, "Num 3"},
    {Qt::Key_4, "Num 4"},     {Qt::Key_5, "Num 5"},      {Qt::Key_6, "Num 6"},        {Qt::Key_7, "Num 7"},
    {Qt::Key_8, "Num 8"},     {Qt::Key_9, "Num 9"},      {Qt::Key_Asterisk, "Num *"}, {Qt::Key_Plus, "Num +"},
    {Qt::Key_Minus, "Num -"}, {Qt::Key_Period, "Num ."}, {Qt::Key_Slash, "Num /"},
};

constexpr int FunctionKeyCount = 24;

struct VirtualKey
{
    Qt::Key key;
    quint8 code;
};

// Windows virtual-key codes of the keys that are neither letters, digits nor function keys.
constexpr VirtualKey namedVirtualKeys[] = {
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},    {Qt::Key_Return, 0x0D},   {Qt::Key_Escape, 0x1B},
    {Qt::Key_Space, 0x20},     {Qt::Key_PageUp, 0x21}, {Qt::Key_PageDown, 0x22}, {Qt::Key_End, 0x23},
    {Qt::Key_Home, 0x24},      {Qt::Key_Left, 0x25},   {Qt::Key_Up, 0x26},       {Qt::Key_Right, 0x27},
    {Qt::Key_Down, 0x28},      {Qt::Key_Insert, 0x2D}, {Qt::Key_Delete, 0x2E},
};

constexpr VirtualKey keypadVirtualKeys[] = {
    {Qt::Key_Asterisk, 0x6A}, {Qt::Key_Plus, 0x6B},  {Qt::Key_Minus, 0x6D},
    {Qt::Key_Period, 0x6E},   {Qt::Key_Slash, 0x6F},
};

bool isKeypadKey(QKeyCombination combination)
{
    if (!(combination.keyboardModifiers() & Qt::KeypadModifier))
        return false;
    for (const KeyName& entry : keypadNames) {
        if (entry.key == combination.key())
            return true;
    }
    return false;
}

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

std::optional<QKeyCombination> nameToKey(const QString& name)
{
    for (const KeyName& entry : keypadNames) {
        if (name.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return QKeyCombination(Qt::KeypadModifier, entry.key);
    }
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
    QString name;
    if (isKeypadKey(*combination)) {
        for (const KeyName& entry : keypadNames) {
            if (entry.key == combination->key())
                name = QString::fromLatin1(entry.name);
        }
    } else {
        name = keyToName(combination->key());
    }
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
    const std::optional<QKeyCombination> key = nameToKey(rest);
    if (!key)
        return std::nullopt;
    return QKeyCombination(modifiers | key->keyboardModifiers(), key->key());
}

std::optional<HotKey> ShortCutToHotKey(std::optional<QKeyCombination> combination)
{
    if (!combination)
        return std::nullopt;
    const Qt::KeyboardModifiers modifiers = combination->keyboardModifiers();
    HotKey hotKey;
    if (modifiers & Qt::AltModifier)
        hotKey.modifiers |= HotKey::Alt;
    if (modifiers & Qt::ControlModifier)
        hotKey.modifiers |= HotKey::Ctrl;
    if (modifiers & Qt::ShiftModifier)
        hotKey.modifiers |= HotKey::Shift;

    const int key = combination->key();
    if (isKeypadKey(*combination)) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            hotKey.key = quint8(0x60 + key - Qt::Key_0);
        for (const VirtualKey& entry : keypadVirtualKeys) {
            if (entry.key == key)
                hotKey.key = entry.code;
        }
        return hotKey;
    }
    // Qt and Windows share the codes of letters and digits.
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) {
        hotKey.key = quint8(key);
        return hotKey;
    }
    if (key >= Qt::Key_F1 && key < Qt::Key_F1 + FunctionKeyCount) {
        hotKey.key = quint8(0x70 + key - Qt::Key_F1);
        return hotKey;
    }
    for (const VirtualKey& entry : namedVirtualKeys) {
        if (entry.key == key) {
            hotKey.key = entry.code;
            return hotKey;
        }
    }
    return std::nullopt;
}
