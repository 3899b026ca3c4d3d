#include "platform/portal/remotedesktopkeyboard.h"

#include "platform/x11/xkbcharactermap.h"

#include "platform/virtualkeysyms.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QLoggingCategory>

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

Q_LOGGING_CATEGORY(lcRemoteDesktop, "kwelta.platform.keyboard", QtWarningMsg)

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString remoteDesktopInterface = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString sessionInterface = QStringLiteral("org.freedesktop.portal.Session");

constexpr uint keyboardDevice = 1;
// Kept by the desktop until the user revokes it, not only for the portal's own life.
constexpr uint persistUntilRevoked = 2;
constexpr uint responseSuccess = 0;
constexpr uint responseCancelled = 1;
// The desktop's dialog waits for the user; a burst asked for meanwhile is kept, but not without end.
constexpr qsizetype waitingEventLimit = 100000;

// The portal names a Request object after the caller's unique bus name and the handle token, so its
// Response can be listened for before the call that makes it.
QString requestPathFor(const QDBusConnection& bus, const QString& token)
{
    QString sender = bus.baseService();
    if (sender.startsWith(u':'))
        sender.remove(0, 1);
    sender.replace(u'.', u'_');
    return portalPath + QStringLiteral("/request/") + sender + u'/' + token;
}

QDBusMessage portalCall(const QString& method, const QList<QVariant>& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(portalService, portalPath, remoteDesktopInterface, method);
    message.setArguments(arguments);
    return message;
}

const char* nameOf(KeyboardGrant::Refusal why)
{
    switch (why) {
    case KeyboardGrant::Refusal::Refused:
        return "Refused";
    case KeyboardGrant::Refusal::Revoked:
        return "Revoked";
    case KeyboardGrant::Refusal::Failed:
        break;
    }
    return "Failed";
}

} // namespace

RemoteDesktopKeyboard::RemoteDesktopKeyboard(QDBusConnection bus, uint interfaceVersion)
    : m_bus(std::move(bus))
    , m_version(interfaceVersion)
{}

RemoteDesktopKeyboard::~RemoteDesktopKeyboard()
{
    // Nothing may stay pressed behind us; the desktop drops the session with our connection anyway,
    // but says so sooner when asked.
    if (m_state == State::Started && !m_down.isEmpty()) {
        QList<KeyEvent> releases;
        for (const quint32 keysym : std::as_const(m_down))
            releases.append({keysym, false});
        send(releases);
    }
    closeSession();
}

std::optional<uint> RemoteDesktopKeyboard::portalVersion(const QDBusConnection& bus)
{
    if (!bus.isConnected())
        return std::nullopt;
    QDBusMessage get = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get.setArguments({remoteDesktopInterface, QStringLiteral("version")});
    // The portal may have to be started by the bus first.
    const QDBusMessage reply = bus.call(get, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        qCInfo(lcRemoteDesktop) << "No RemoteDesktop portal on the session bus:" << reply.errorMessage();
        return std::nullopt;
    }
    bool ok = false;
    const uint version = reply.arguments().constFirst().value<QDBusVariant>().variant().toUInt(&ok);
    return ok ? std::optional<uint>(version) : std::nullopt;
}

bool RemoteDesktopKeyboard::isAvailable() const
{
    return m_state != State::Off && m_bus.isConnected();
}

void RemoteDesktopKeyboard::beginBurst()
{
    m_burst.clear();
    if (m_state == State::Idle)
        beginSession();
}

void RemoteDesktopKeyboard::sendKey(quint32 key, bool down)
{
    if (key == 0)
        return;
    m_burst.append({key, down});
    if (down)
        m_down.insert(key);
    else
        m_down.remove(key);
}

void RemoteDesktopKeyboard::endBurst()
{
    // Whatever the rules above did, a burst leaves no key held down.
    for (const quint32 keysym : std::as_const(m_down))
        m_burst.append({keysym, false});
    m_down.clear();
    QList<KeyEvent> burst = std::exchange(m_burst, {});
    if (burst.isEmpty())
        return;

    switch (m_state) {
    case State::Started:
        send(burst);
        break;
    case State::Idle:
    case State::CreatingSession:
    case State::SelectingDevices:
    case State::Starting:
        // The first result arrives before the desktop has answered (its dialog waits for the user).
        // Dropping it would lose exactly the weighing that made the user allow typing; it waits
        // instead and is typed into the window that has the focus once the dialog is answered, which
        // is where the user was when the result came. Refused, it is dropped and the refusal said.
        if (m_waiting.size() + burst.size() > waitingEventLimit) {
            qCWarning(lcRemoteDesktop) << "A result was not typed: too many wait for the desktop's answer";
            break;
        }
        m_waiting += burst;
        ++m_waitingBursts;
        break;
    case State::Off:
        break;
    }
}

std::optional<KeyChord> RemoteDesktopKeyboard::chordForCharacter(char32_t character)
{
    const quint32 keysym = keysymForCharacter(character);
    if (keysym == 0)
        return std::nullopt;
    return KeyChord{keysym, false, false};
}

std::optional<quint32> RemoteDesktopKeyboard::keyForVirtualKey(quint8 virtualKey)
{
    const xkb_keysym_t keysym = XkbCharacterMap::keysymForVirtualKey(virtualKey);
    if (keysym == XKB_KEY_NoSymbol)
        return std::nullopt;
    return quint32(keysym);
}

// A keysym carries its level itself, so the rules above never need to press a modifier for a
// character; and a Caps Lock the portal cannot read is better left alone than toggled blindly.
std::optional<quint32> RemoteDesktopKeyboard::modifierKey(ModifierKey)
{
    return std::nullopt;
}

bool RemoteDesktopKeyboard::isCapsLockOn()
{
    return false;
}

void RemoteDesktopKeyboard::askAgain()
{
    if (m_state != State::Off)
        return;
    m_state = State::Idle;
    beginSession();
}

void RemoteDesktopKeyboard::beginSession()
{
    m_state = State::CreatingSession;
    QVariantMap options;
    options.insert(QStringLiteral("session_handle_token"), QStringLiteral("kwelta_session%1").arg(++m_tokenCounter));
    callWithRequest(QStringLiteral("CreateSession"), {}, options);
}

void RemoteDesktopKeyboard::callWithRequest(const QString& method, const QList<QVariant>& arguments,
                                            QVariantMap options)
{
    const QString token = QStringLiteral("kwelta%1").arg(++m_tokenCounter);
    options.insert(QStringLiteral("handle_token"), token);
    const QString expectedPath = requestPathFor(m_bus, token);
    listenForResponse(expectedPath);

    QList<QVariant> all = arguments;
    all.append(options);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(portalCall(method, all)), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, method, watcher, expectedPath] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError()) {
            turnOff(Refusal::Failed, method + QStringLiteral(": ") + reply.error().message());
            return;
        }
        // Portals before the handle_token existed chose their own path; listen there instead, unless
        // the answer has come already (QtDBus may deliver the Response before this reply) and the
        // next call listens for its own.
        const QString path = reply.value().path();
        if (path != expectedPath && m_requestPath == expectedPath)
            listenForResponse(path);
    });
}

void RemoteDesktopKeyboard::listenForResponse(const QString& requestPath)
{
    stopListening();
    m_requestPath = requestPath;
    m_bus.connect(portalService, m_requestPath, requestInterface, QStringLiteral("Response"), this,
                  SLOT(requestAnswered(uint, QVariantMap)));
}

void RemoteDesktopKeyboard::stopListening()
{
    if (m_requestPath.isEmpty())
        return;
    m_bus.disconnect(portalService, m_requestPath, requestInterface, QStringLiteral("Response"), this,
                     SLOT(requestAnswered(uint, QVariantMap)));
    m_requestPath.clear();
}

void RemoteDesktopKeyboard::requestAnswered(uint response, const QVariantMap& results)
{
    stopListening();
    if (response != responseSuccess) {
        // A refusal consumes the token it was offered with; the next grant must be asked for anew.
        m_restoreToken.clear();
        turnOff(response == responseCancelled ? Refusal::Refused : Refusal::Failed,
                QStringLiteral("the portal answered %1").arg(response));
        return;
    }

    switch (m_state) {
    case State::CreatingSession: {
        // A string here, though it names an object: the interface's first form said so.
        m_session = QDBusObjectPath(results.value(QStringLiteral("session_handle")).toString());
        if (m_session.path().isEmpty()) {
            turnOff(Refusal::Failed, QStringLiteral("CreateSession gave no session"));
            return;
        }
        m_bus.connect(portalService, m_session.path(), sessionInterface, QStringLiteral("Closed"), this,
                      SLOT(sessionClosed(QVariantMap)));
        m_state = State::SelectingDevices;
        QVariantMap options;
        options.insert(QStringLiteral("types"), keyboardDevice);
        if (m_version >= 2) {
            options.insert(QStringLiteral("persist_mode"), persistUntilRevoked);
            if (!m_restoreToken.isEmpty())
                options.insert(QStringLiteral("restore_token"), m_restoreToken);
        }
        callWithRequest(QStringLiteral("SelectDevices"), {QVariant::fromValue(m_session)}, options);
        break;
    }
    case State::SelectingDevices:
        m_state = State::Starting;
        // No parent window: a Wayland client would need an exported surface handle, which Qt 6.4 does
        // not give; the dialog is then the desktop's own.
        callWithRequest(QStringLiteral("Start"), {QVariant::fromValue(m_session), QString()}, {});
        break;
    case State::Starting:
        started(results);
        break;
    default:
        break;
    }
}

void RemoteDesktopKeyboard::started(const QVariantMap& results)
{
    // The desktop may grant less than asked for; without the keyboard there is nothing to do.
    if (!(results.value(QStringLiteral("devices")).toUInt() & keyboardDevice)) {
        turnOff(Refusal::Refused, QStringLiteral("the keyboard was not granted"));
        return;
    }
    // Each grant hands out a new token and the one offered is spent.
    m_restoreToken = results.value(QStringLiteral("restore_token")).toString();
    m_state = State::Started;
    qCInfo(lcRemoteDesktop) << "Typing through the RemoteDesktop portal, session" << m_session.path();
    send(std::exchange(m_waiting, {}));
    m_waitingBursts = 0;
    emit typingOn();
}

void RemoteDesktopKeyboard::sessionClosed(const QVariantMap& details)
{
    Q_UNUSED(details)
    if (m_state == State::Off)
        return;
    // Revoked by the user: the token would only grant again silently what the user just ended.
    m_restoreToken.clear();
    m_session = QDBusObjectPath();
    turnOff(Refusal::Revoked, QStringLiteral("the session was closed by the desktop"));
}

void RemoteDesktopKeyboard::turnOff(Refusal why, const QString& detail)
{
    if (m_state == State::Off)
        return;
    stopListening();
    closeSession();
    m_state = State::Off;
    if (m_waitingBursts > 0)
        qCWarning(lcRemoteDesktop) << m_waitingBursts << "result(s) waiting for the desktop's answer were not typed";
    m_waiting.clear();
    m_waitingBursts = 0;
    m_down.clear();
    qCWarning(lcRemoteDesktop).noquote() << "Typing is off:" << nameOf(why) << "-" << detail;
    emit typingOff(why);
}

void RemoteDesktopKeyboard::send(const QList<KeyEvent>& events)
{
    // One message per event; the bus keeps their order, and no answer is waited for, so a burst
    // never holds up the window.
    for (const KeyEvent& event : events) {
        m_bus.send(portalCall(QStringLiteral("NotifyKeyboardKeysym"),
                              {QVariant::fromValue(m_session), QVariantMap(), int(event.keysym), uint(event.down)}));
    }
}

void RemoteDesktopKeyboard::closeSession()
{
    if (m_session.path().isEmpty())
        return;
    m_bus.disconnect(portalService, m_session.path(), sessionInterface, QStringLiteral("Closed"), this,
                     SLOT(sessionClosed(QVariantMap)));
    m_bus.send(
        QDBusMessage::createMethodCall(portalService, m_session.path(), sessionInterface, QStringLiteral("Close")));
    m_session = QDBusObjectPath();
}
