#pragma once

#include "platform/keyboardgrant.h"
#include "platform/keyboardinjector.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QList>
#include <QSet>
#include <QVariantMap>

#include <optional>

// Key events through the desktop's RemoteDesktop portal (org.freedesktop.portal.RemoteDesktop), the
// way in on GNOME and KDE Plasma Wayland sessions, whose compositors offer no virtual-keyboard protocol.
// One session with the keyboard alone, begun when typing is first needed and held for the life of the
// program: every session shows the desktop's consent dialog, unless a restore token from an earlier
// grant (version 2 of the interface, persist_mode 2) lets the desktop grant it again silently.
//
// Keys are keysyms: the compositor finds the key and level in its own keymap, so no chord needs Shift
// or AltGr here, and Caps Lock cannot be read (nor needs to be: a keysym names the character itself).
class RemoteDesktopKeyboard final : public KeyboardGrant, public KeyboardInjector
{
    Q_OBJECT

public:
    explicit RemoteDesktopKeyboard(QDBusConnection bus, uint interfaceVersion);
    ~RemoteDesktopKeyboard() override;

    // The interface's version when the portal answers on the bus with the RemoteDesktop interface
    // (a round trip, which may start the portal); nullopt when it does not.
    static std::optional<uint> portalVersion(const QDBusConnection& bus);

    // KeyboardInjector
    bool isAvailable() const override;
    void beginBurst() override;
    void endBurst() override;
    std::optional<KeyChord> chordForCharacter(char32_t character) override;
    std::optional<quint32> keyForVirtualKey(quint8 virtualKey) override;
    std::optional<quint32> modifierKey(ModifierKey modifier) override;
    bool isCapsLockOn() override;
    void sendKey(quint32 key, bool down) override;
    KeyboardGrant* grant() override { return this; }

    // KeyboardGrant
    QString restoreToken() const override { return m_restoreToken; }
    void setRestoreToken(const QString& token) override { m_restoreToken = token; }
    void askAgain() override;

private slots:
    void requestAnswered(uint response, const QVariantMap& results);
    void sessionClosed(const QVariantMap& details);

private:
    enum class State { Idle, CreatingSession, SelectingDevices, Starting, Started, Off };
    struct KeyEvent
    {
        quint32 keysym;
        bool down;
    };

    void beginSession();
    // Calls a method of the portal that answers through a Request object, listening for the answer
    // before the call so that it cannot be missed.
    void callWithRequest(const QString& method, const QList<QVariant>& arguments, QVariantMap options);
    void listenForResponse(const QString& requestPath);
    void stopListening();
    void started(const QVariantMap& results);
    void turnOff(Refusal why, const QString& detail);
    void send(const QList<KeyEvent>& events);
    void closeSession();

    QDBusConnection m_bus;
    uint m_version;
    State m_state = State::Idle;
    QDBusObjectPath m_session;
    QString m_requestPath;
    QString m_restoreToken;
    int m_tokenCounter = 0;
    // The events of the burst being built, and the keys it holds down.
    QList<KeyEvent> m_burst;
    QSet<quint32> m_down;
    // Bursts asked for while the desktop's dialog is open, typed when it grants the session.
    QList<KeyEvent> m_waiting;
    int m_waitingBursts = 0;
};
