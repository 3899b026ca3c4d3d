#pragma once

#include "platform/keyboardinjector.h"

#include <QHash>
#include <QString>
#include <QStringList>

// A keyboard with a small US-like layout that records every event as text: "+a" for a key going
// down, "-a" for it coming up, with modifier keys named "Shift", "AltGr" and "Caps", and
// "VK:0x.." for keys sent by virtual-key code.
class RecordingKeyboard : public KeyboardInjector
{
public:
    RecordingKeyboard();

    QStringList events;
    bool capsLock = false;
    int bursts = 0;

    // Adds or replaces the chord of a character; a chord's key is recorded under the given name.
    void setChord(char32_t character, const QString& keyName, bool shift = false, bool altGr = false);
    // The characters typed, read back from the recorded events with Shift and Caps Lock applied, so
    // that a letter typed while Caps Lock is on reads back in the case the user would see.
    QString typedText() const;

    bool isAvailable() const override { return true; }
    void beginBurst() override { ++bursts; }
    void endBurst() override {}
    std::optional<KeyChord> chordForCharacter(char32_t character) override;
    std::optional<quint32> keyForVirtualKey(quint8 virtualKey) override;
    std::optional<quint32> modifierKey(ModifierKey modifier) override;
    bool isCapsLockOn() override { return capsLock; }
    void sendKey(quint32 key, bool down) override;

private:
    quint32 keyNamed(const QString& name);

    QHash<char32_t, KeyChord> m_chords;
    QStringList m_keyNames;
};
