#pragma once

#include "platform/keyboardinjector.h"

#include <memory>

// Key events through the virtual keyboard protocol (zwp_virtual_keyboard_v1, offered by wlroots
// compositors such as sway), on a Wayland connection of its own. It types with a keymap of its own
// (see VirtualKeymap), so every character is one plain key, whatever layout the user has.
class WaylandKeyboardInjector final : public KeyboardInjector
{
public:
    WaylandKeyboardInjector();
    ~WaylandKeyboardInjector() override;
    WaylandKeyboardInjector(const WaylandKeyboardInjector&) = delete;
    WaylandKeyboardInjector& operator=(const WaylandKeyboardInjector&) = delete;

    bool isAvailable() const override;
    void beginBurst() override;
    void endBurst() override;
    std::optional<KeyChord> chordForCharacter(char32_t character) override;
    std::optional<quint32> keyForVirtualKey(quint8 virtualKey) override;
    // None: no key of the keymap needs a modifier, and the virtual keyboard's modifier state is its
    // own, so the user's Caps Lock does not reach the keys it sends.
    std::optional<quint32> modifierKey(ModifierKey modifier) override;
    bool isCapsLockOn() override;
    void sendKey(quint32 key, bool down) override;

    // Why the backend is not available, for the log; empty when it is.
    QString unavailableReason() const;

private:
    // Keeps the Wayland types out of everything that includes this header.
    struct Connection;
    std::unique_ptr<Connection> m_wayland;
};
