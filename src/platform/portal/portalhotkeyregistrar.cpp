#include "platform/portal/portalhotkeyregistrar.h"

#include "platform/x11/xkbcharactermap.h"

#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QLoggingCategory>
#include <QTimer>

#include <xkbcommon/xkbcommon.h>

Q_DECLARE_LOGGING_CATEGORY(lcHotKeys)

namespace {

constexpr char PortalService[] = "org.freedesktop.portal.Desktop";
constexpr char PortalPath[] = "/org/freedesktop/portal/desktop";
constexpr char ShortcutsInterface[] = "org.freedesktop.portal.GlobalShortcuts";
constexpr char RequestInterface[] = "org.freedesktop.portal.Request";
constexpr char SessionInterface[] = "org.freedesktop.portal.Session";
// The first call may start the portal service itself.
constexpr int OfferTimeoutMs = 5000;

// One element of BindShortcuts' a(sa{sv}): the shortcut's id and its properties.
struct PortalShortcut
{
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

} // namespace

Q_DECLARE_METATYPE(PortalShortcut)

PortalHotKeyRegistrar::PortalHotKeyRegistrar(QDBusConnection bus, QObject* parent)
    : HotKeyRegistrar(parent)
    , m_bus(std::move(bus))
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    m_bus.connect(QString::fromLatin1(PortalService), QString::fromLatin1(PortalPath),
                  QString::fromLatin1(ShortcutsInterface), QStringLiteral("Activated"), this,
                  SLOT(shortcutActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

PortalHotKeyRegistrar::~PortalHotKeyRegistrar()
{
    closeSession();
}

bool PortalHotKeyRegistrar::isOffered(const QDBusConnection& bus)
{
    if (!bus.isConnected())
        return false;
    QDBusMessage get =
        QDBusMessage::createMethodCall(QString::fromLatin1(PortalService), QString::fromLatin1(PortalPath),
                                       QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QString::fromLatin1(ShortcutsInterface) << QStringLiteral("version");
    const QDBusMessage reply = bus.call(get, QDBus::Block, OfferTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

QString PortalHotKeyRegistrar::triggerText(quint8 virtualKey, quint8 modifiers)
{
    const xkb_keysym_t keysym = XkbCharacterMap::keysymForVirtualKey(virtualKey);
    char name[64];
    if (keysym == XKB_KEY_NoSymbol || xkb_keysym_get_name(keysym, name, sizeof name) <= 0)
        return {};
    QStringList words;
    if (modifiers & Ctrl)
        words << QStringLiteral("CTRL");
    if (modifiers & Alt)
        words << QStringLiteral("ALT");
    if (modifiers & Shift)
        words << QStringLiteral("SHIFT");
    words << QString::fromLatin1(name);
    return words.join(u'+');
}

quint32 PortalHotKeyRegistrar::idForName(const QString& name)
{
    for (auto it = m_shortcuts.cbegin(); it != m_shortcuts.cend(); ++it) {
        if (it->name == name)
            return it.key();
    }
    const quint32 id = quint32(m_shortcuts.size() + 1);
    m_shortcuts.insert(id, Shortcut{name, {}, {}, false});
    return id;
}

HotKeyRegistrar::Result PortalHotKeyRegistrar::registerHotKey(quint32 id, quint8 virtualKey, quint8 modifiers)
{
    const auto it = m_shortcuts.find(id);
    if (it == m_shortcuts.end())
        return Result::NoSuchKey;
    const QString trigger = triggerText(virtualKey, modifiers);
    if (trigger.isEmpty())
        return Result::NoSuchKey;
    it->trigger = trigger;
    it->registered = true;
    scheduleBinding();
    return Result::Registered;
}

void PortalHotKeyRegistrar::unregisterHotKey(quint32 id)
{
    const auto it = m_shortcuts.find(id);
    if (it == m_shortcuts.end() || !it->registered)
        return;
    it->registered = false;
    scheduleBinding();
}

void PortalHotKeyRegistrar::setDescription(quint32 id, const QString& description)
{
    const auto it = m_shortcuts.find(id);
    if (it == m_shortcuts.end() || it->description == description)
        return;
    it->description = description;
    if (it->registered)
        scheduleBinding();
}

void PortalHotKeyRegistrar::scheduleBinding()
{
    if (m_bindingScheduled)
        return;
    m_bindingScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_bindingScheduled = false;
        bind();
    });
}

void PortalHotKeyRegistrar::bind()
{
    closeSession();
    bool any = false;
    for (const Shortcut& shortcut : std::as_const(m_shortcuts))
        any = any || shortcut.registered;
    if (!any)
        return;
    const QString token = nextToken();
    if (!awaitResponse(token, SLOT(sessionCreated(uint, QVariantMap))))
        return;
    QDBusMessage create =
        QDBusMessage::createMethodCall(QString::fromLatin1(PortalService), QString::fromLatin1(PortalPath),
                                       QString::fromLatin1(ShortcutsInterface), QStringLiteral("CreateSession"));
    create << QVariantMap{{QStringLiteral("handle_token"), token},
                          {QStringLiteral("session_handle_token"), nextToken()}};
    m_bus.send(create);
}

void PortalHotKeyRegistrar::sessionCreated(uint response, const QVariantMap& results)
{
    stopAwaiting();
    // The handle comes as a string in some portals and as an object path in others.
    const QVariant handle = results.value(QStringLiteral("session_handle"));
    m_session = handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path() : handle.toString();
    if (response != 0 || m_session.isEmpty()) {
        qCWarning(lcHotKeys) << "The GlobalShortcuts portal made no session, response" << response;
        m_session.clear();
        return;
    }
    QList<PortalShortcut> shortcuts;
    for (const Shortcut& shortcut : std::as_const(m_shortcuts)) {
        if (!shortcut.registered)
            continue;
        shortcuts.append(
            {shortcut.name,
             {{QStringLiteral("description"), shortcut.description.isEmpty() ? shortcut.name : shortcut.description},
              {QStringLiteral("preferred_trigger"), shortcut.trigger}}});
    }
    const QString token = nextToken();
    if (!awaitResponse(token, SLOT(shortcutsBound(uint, QVariantMap))))
        return;
    QDBusMessage bindCall =
        QDBusMessage::createMethodCall(QString::fromLatin1(PortalService), QString::fromLatin1(PortalPath),
                                       QString::fromLatin1(ShortcutsInterface), QStringLiteral("BindShortcuts"));
    // No parent window: the program's window may be hidden in the notification area, and Qt 6.4 has no
    // exported Wayland handle to give.
    bindCall << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariant::fromValue(shortcuts) << QString()
             << QVariantMap{{QStringLiteral("handle_token"), token}};
    m_bus.send(bindCall);
}

void PortalHotKeyRegistrar::shortcutsBound(uint response, const QVariantMap&)
{
    stopAwaiting();
    // The user may have cancelled the portal's dialog: the keys then do nothing until the next change.
    if (response != 0)
        qCWarning(lcHotKeys) << "The GlobalShortcuts portal did not bind the shortcuts, response" << response;
}

void PortalHotKeyRegistrar::shortcutActivated(const QDBusObjectPath& session, const QString& shortcut, qulonglong,
                                              const QVariantMap&)
{
    if (session.path() != m_session)
        return;
    for (auto it = m_shortcuts.cbegin(); it != m_shortcuts.cend(); ++it) {
        if (it->registered && it->name == shortcut)
            emit activated(it.key());
    }
}

void PortalHotKeyRegistrar::closeSession()
{
    // A response still on its way belongs to a set that is being replaced.
    stopAwaiting();
    if (m_session.isEmpty())
        return;
    m_bus.send(QDBusMessage::createMethodCall(QString::fromLatin1(PortalService), m_session,
                                              QString::fromLatin1(SessionInterface), QStringLiteral("Close")));
    m_session.clear();
}

QString PortalHotKeyRegistrar::nextToken()
{
    return QStringLiteral("kwelta%1").arg(++m_tokens);
}

// The portal names a request after the caller's unique bus name (":1.42" as "1_42") and the token, so
// the answer can be listened for before the call is made and cannot be missed.
QString PortalHotKeyRegistrar::requestPath(const QString& token) const
{
    QString sender = m_bus.baseService();
    sender.remove(0, sender.startsWith(u':') ? 1 : 0).replace(u'.', u'_');
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

bool PortalHotKeyRegistrar::awaitResponse(const QString& token, const char* slot)
{
    stopAwaiting();
    if (m_bus.connect(QString::fromLatin1(PortalService), requestPath(token), QString::fromLatin1(RequestInterface),
                      QStringLiteral("Response"), this, slot)) {
        m_pendingRequest = requestPath(token);
        m_pendingSlot = slot;
        return true;
    }
    qCWarning(lcHotKeys) << "Cannot listen for the GlobalShortcuts portal's answer" << m_bus.lastError().message();
    return false;
}

void PortalHotKeyRegistrar::stopAwaiting()
{
    if (m_pendingRequest.isEmpty())
        return;
    m_bus.disconnect(QString::fromLatin1(PortalService), m_pendingRequest, QString::fromLatin1(RequestInterface),
                     QStringLiteral("Response"), this, m_pendingSlot);
    m_pendingRequest.clear();
    m_pendingSlot = nullptr;
}
