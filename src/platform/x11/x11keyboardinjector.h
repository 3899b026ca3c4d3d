#pragma once

#include "platform/keyboardinjector.h"

// Placeholder until the XTest backend lands.
class X11KeyboardInjector final : public KeyboardInjector
{
public:
    X11KeyboardInjector();
    ~X11KeyboardInjector() override;

    bool isAvailable() const override { return false; }
    void beginBurst() override {}
    void endBurst() override {}
    std::optional<KeyChord> chordForCharacter(char32_t) override { return std::nullopt; }
    std::optional<quint32> keyForVirtualKey(quint8) override { return std::nullopt; }
    std::optional<quint32> modifierKey(ModifierKey) override { return std::nullopt; }
    bool isCapsLockOn() override { return false; }
    void sendKey(quint32, bool) override {}
};
