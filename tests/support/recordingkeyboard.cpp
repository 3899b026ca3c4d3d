#include "support/recordingkeyboard.h"

RecordingKeyboard::RecordingKeyboard()
{
    keyNamed(QStringLiteral("Shift"));
    keyNamed(QStringLiteral("AltGr"));
    keyNamed(QStringLiteral("Caps"));
    for (char32_t c = U'a'; c <= U'z'; ++c) {
        setChord(c, QString(QChar(c)));
        setChord(c - U'a' + U'A', QString(QChar(c)), true);
    }
    for (char32_t c = U'0'; c <= U'9'; ++c)
        setChord(c, QString(QChar(c)));
    const QString shifted = QStringLiteral(")!@#$%^&*(");
    for (int digit = 0; digit < 10; ++digit)
        setChord(shifted[digit].unicode(), QString::number(digit), true);
    for (const char c : {'.', ',', ';', '-', '=', '/', '\\', '[', ']', ' '})
        setChord(char32_t(c), QString(QChar(c)));
    setChord(U'_', QStringLiteral("-"), true);
    setChord(U':', QStringLiteral(";"), true);
    setChord(U'\t', QStringLiteral("Tab"));
    setChord(U'\r', QStringLiteral("Return"));
    setChord(U'\b', QStringLiteral("BackSpace"));
    setChord(0x1B, QStringLiteral("Escape"));
}

quint32 RecordingKeyboard::keyNamed(const QString& name)
{
    qsizetype index = m_keyNames.indexOf(name);
    if (index < 0) {
        m_keyNames.append(name);
        index = m_keyNames.size() - 1;
    }
    return quint32(index) + 8; // X keycodes start at 8
}

void RecordingKeyboard::setChord(char32_t character, const QString& keyName, bool shift, bool altGr)
{
    m_chords.insert(character, KeyChord{keyNamed(keyName), shift, altGr});
}

std::optional<KeyChord> RecordingKeyboard::chordForCharacter(char32_t character)
{
    const auto it = m_chords.constFind(character);
    if (it == m_chords.constEnd())
        return std::nullopt;
    return *it;
}

std::optional<quint32> RecordingKeyboard::keyForVirtualKey(quint8 virtualKey)
{
    // Only a few codes are known, so tests can see an unknown one send nothing.
    if (virtualKey == 0x0D || virtualKey == 0x09 || virtualKey == 0x70 || (virtualKey >= 0x41 && virtualKey <= 0x5A))
        return keyNamed(QStringLiteral("VK:0x%1").arg(virtualKey, 2, 16, QLatin1Char('0')));
    return std::nullopt;
}

std::optional<quint32> RecordingKeyboard::modifierKey(ModifierKey modifier)
{
    switch (modifier) {
    case ModifierKey::Shift:
        return keyNamed(QStringLiteral("Shift"));
    case ModifierKey::AltGr:
        return keyNamed(QStringLiteral("AltGr"));
    case ModifierKey::CapsLock:
        return keyNamed(QStringLiteral("Caps"));
    }
    return std::nullopt;
}

void RecordingKeyboard::sendKey(quint32 key, bool down)
{
    const QString name = m_keyNames.value(qsizetype(key) - 8, QStringLiteral("?"));
    if (name == u"Caps" && down)
        capsLock = !capsLock;
    events.append((down ? u'+' : u'-') + name);
}

QString RecordingKeyboard::typedText() const
{
    // Each press of Caps Lock toggled it on the way to its state now; replaying them from the state
    // before the first event gives the state at every key.
    bool caps = capsLock;
    for (const QString& event : events)
        caps = event == u"+Caps" ? !caps : caps;

    QString text;
    bool shift = false;
    for (const QString& event : events) {
        const bool down = event.startsWith(u'+');
        const QString name = event.mid(1);
        if (name == u"Shift") {
            shift = down;
        } else if (name == u"Caps") {
            caps = down ? !caps : caps;
        } else if (down && name.size() == 1) {
            // As X does: Caps Lock turns a letter to the other case, and Shift turns it back.
            const bool upper = name.at(0).isLetter() ? shift != caps : shift;
            text += upper ? name.toUpper() : name;
        } else if (down && name == u"Tab") {
            text += u'\t';
        } else if (down && name == u"Return") {
            text += u'\r';
        }
    }
    return text;
}
