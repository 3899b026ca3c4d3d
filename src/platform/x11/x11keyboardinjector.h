#pragma once

#include "platform/keyboardinjector.h"

#include <memory>

// Key events through XTest on a connection of its own to $DISPLAY, so that a burst neither waits for
// nor disturbs Qt's connection. The layout questions are answered from the server's current XKB keymap
// and group, reread when the server announces a new keymap.
class X11KeyboardInjector final : public KeyboardInjector
{
public:
    X11KeyboardInjector();
    ~X11KeyboardInjector() override;
    X11KeyboardInjector(const X11KeyboardInjector&) = delete;
    X11KeyboardInjector& operator=(const X11KeyboardInjector&) = delete;

    bool isAvailable() const override;
    void beginBurst() override;
    void endBurst() override;
    std::optional<KeyChord> chordForCharacter(char32_t character) override;
    std::optional<quint32> keyForVirtualKey(quint8 virtualKey) override;
    std::optional<quint32> modifierKey(ModifierKey modifier) override;
    bool isCapsLockOn() override;
    void sendKey(quint32 key, bool down) override;

private:
    // Keeps the X and XKB types out of everything that includes this header.
    struct Connection;
    std::unique_ptr<Connection> m_x;
};
