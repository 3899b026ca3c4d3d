#pragma once

#include "platform/hotkeyregistrar.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QHash>
#include <QString>
#include <QVariantMap>

// Hot keys through the desktop's GlobalShortcuts portal (org.freedesktop.portal.GlobalShortcuts on the
// session bus), where a Wayland compositor gives no client the keyboard of other programs. The program
// only proposes: the portal binds the shortcuts to a session, shows the user its own dialog, and may
// give each another trigger or none; it reports presses with Activated. So registerHotKey answers
// Registered as soon as the key is proposed.
//
// The portal binds a session's shortcuts once, as a set, so every change (the settings loading ticks
// all four boxes in a row) is gathered and proposed once, in a fresh session that replaces the last.
class PortalHotKeyRegistrar final : public HotKeyRegistrar
{
    Q_OBJECT

public:
    explicit PortalHotKeyRegistrar(QDBusConnection bus, QObject* parent = nullptr);
    ~PortalHotKeyRegistrar() override;

    // Whether the bus has a portal that offers GlobalShortcuts; waits for the bus's answer.
    static bool isOffered(const QDBusConnection& bus);
    // The portal's trigger text for a Windows virtual-key code and modifiers ("CTRL+SHIFT+F5": the
    // modifier names and the XKB keysym name joined by "+"); empty for a key the table does not know.
    static QString triggerText(quint8 virtualKey, quint8 modifiers);

    quint32 idForName(const QString& name) override;
    Result registerHotKey(quint32 id, quint8 virtualKey, quint8 modifiers) override;
    void unregisterHotKey(quint32 id) override;
    void setDescription(quint32 id, const QString& description) override;

private slots:
    void sessionCreated(uint response, const QVariantMap& results);
    void shortcutsBound(uint response, const QVariantMap& results);
    void shortcutActivated(const QDBusObjectPath& session, const QString& shortcut, qulonglong timestamp,
                           const QVariantMap& options);

private:
    struct Shortcut
    {
        QString name;
        QString trigger;
        QString description;
        bool registered = false;
    };

    void scheduleBinding();
    void bind();
    void closeSession();
    // A token for a request or session, and the request object path the portal derives from it.
    QString nextToken();
    QString requestPath(const QString& token) const;
    bool awaitResponse(const QString& token, const char* slot);
    void stopAwaiting();

    QDBusConnection m_bus;
    QHash<quint32, Shortcut> m_shortcuts;
    QString m_session;
    QString m_pendingRequest;
    const char* m_pendingSlot = nullptr;
    bool m_bindingScheduled = false;
    quint32 m_tokens = 0;
};
