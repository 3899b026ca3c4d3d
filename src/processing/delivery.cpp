#include "processing/delivery.h"

#include "core/global.h"
#include "core/mainwindowcontrols.h"
#include "core/scaletext.h"
#include "platform/keyboardinjector.h"

#include <QFile>

namespace {

// The key a character is typed with. Control characters other than TAB, CR, backspace and escape
// come out as the key of the printable character that Ctrl would combine with (code 1 is the 'a'
// key); the Ctrl itself is not sent. LF types nothing, so CR LF gives one Enter.
std::optional<KeyChord> chordFor(KeyboardInjector& keyboard, char32_t character)
{
    switch (character) {
    case U'\n':
        return std::nullopt;
    case U'\b':
    case U'\t':
    case U'\r':
    case 0x1B:
        return keyboard.chordForCharacter(character);
    case 0x7F:
        return keyboard.chordForCharacter(U'\b');
    case 0x00:
        return keyboard.chordForCharacter(U'@');
    case 0x1C:
        return keyboard.chordForCharacter(U'\\');
    case 0x1D:
        return keyboard.chordForCharacter(U']');
    case 0x1E:
        return keyboard.chordForCharacter(U'^');
    case 0x1F:
        return keyboard.chordForCharacter(U'_');
    default:
        break;
    }
    if (character >= 0x01 && character <= 0x1A) {
        auto chord = keyboard.chordForCharacter(U'a' + (character - 1));
        if (chord)
            chord->shift = chord->altGr = false;
        return chord;
    }
    return keyboard.chordForCharacter(character);
}

} // namespace

Delivery::Delivery(MainWindowControls& controls, KeyboardInjector& keyboard)
    : m_controls(controls)
    , m_keyboard(keyboard)
{}

void Delivery::tap(quint32 key)
{
    m_keyboard.sendKey(key, true);
    m_keyboard.sendKey(key, false);
}

void Delivery::TypeText(const QByteArray& text)
{
    if (text.isEmpty() || m_controls.isMainWindowActive() || !m_keyboard.isAvailable())
        return;

    m_keyboard.beginBurst();
    const std::optional<quint32> shiftKey = m_keyboard.modifierKey(KeyboardInjector::ModifierKey::Shift);
    const std::optional<quint32> altGrKey = m_keyboard.modifierKey(KeyboardInjector::ModifierKey::AltGr);
    const std::optional<quint32> capsKey = m_keyboard.modifierKey(KeyboardInjector::ModifierKey::CapsLock);

    // With Caps Lock on, letters would come out in the wrong case: switch it off for the burst.
    const bool capsWasOn = capsKey && m_keyboard.isCapsLockOn();
    if (capsWasOn)
        tap(*capsKey);

    for (const char32_t character : decodeScaleText(text).toStdU32String()) {
        const std::optional<KeyChord> chord = chordFor(m_keyboard, character);
        if (!chord || (chord->shift && !shiftKey) || (chord->altGr && !altGrKey))
            continue;
        if (chord->shift)
            m_keyboard.sendKey(*shiftKey, true);
        if (chord->altGr)
            m_keyboard.sendKey(*altGrKey, true);
        tap(chord->key);
        if (chord->altGr)
            m_keyboard.sendKey(*altGrKey, false);
        if (chord->shift)
            m_keyboard.sendKey(*shiftKey, false);
    }

    if (capsWasOn)
        tap(*capsKey);
    m_keyboard.endBurst();
}

void Delivery::SendKeyCode(quint8 code)
{
    if (m_controls.isMainWindowActive() || !m_keyboard.isAvailable())
        return;
    m_keyboard.beginBurst();
    if (const std::optional<quint32> key = m_keyboard.keyForVirtualKey(code))
        tap(*key);
    m_keyboard.endBurst();
}

void Delivery::AppendToOutputFile(const QByteArray& text)
{
    QFile file(Global::OutputFile);
    bool written =
        file.open(QIODevice::WriteOnly | QIODevice::Append) && file.write(text) == text.size() && file.flush();
    file.close();
    written = written && file.error() == QFileDevice::NoError;
    if (written)
        return;

    m_controls.uncheckCycleRead();
    m_controls.showMessageBox(tr("Błąd zapisu do pliku."), tr("Błąd"), MainWindowControls::MessageIcon::Error);
}
