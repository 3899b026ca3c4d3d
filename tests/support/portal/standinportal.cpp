// A stand-in for the desktop's RemoteDesktop portal, for tests on a private session bus: the desktop's
// own service (xdg-desktop-portal with the GNOME or KDE backend) needs a running compositor and a user
// to answer its dialog, neither of which a test machine has. It speaks the portal's protocol as the
// real one does: the service name and object path, Request objects named after the caller and its
// handle token that answer through their Response signal after the call has returned, and Session
// objects with Close and Closed. What the program under test does is written to stdout, a line each:
//
//   ready
//   CreateSession session_handle_token=<t>
//   SelectDevices types=<n> persist_mode=<n|-> restore_token=<t|->
//   Start
//   Keysym 0x<hex> <1 pressed|0 released>
//   Close       (the program closed the session)
//   Closed      (the session was closed from the desktop's side)
//
// Arguments: --version <n> (the interface's version, 2 by default), --answer <n> (the Response code
// Start answers with: 0 granted, 1 cancelled by the user, 2 other), --token <t> (the restore token a
// grant hands out). A line "close" on stdin closes the session from the desktop's side.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QSocketNotifier>
#include <QTimer>
#include <QVariantMap>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");

void report(const QString& line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

QString senderPart(QString sender)
{
    if (sender.startsWith(u':'))
        sender.remove(0, 1);
    return sender.replace(u'.', u'_');
}

// A Request object: exists from the call until it has answered, and can be closed by the caller.
class Request : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")

public:
    using QObject::QObject;

public slots:
    void Close() { deleteLater(); }
};

class Session : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Session")
    Q_PROPERTY(uint version READ version)

public:
    using QObject::QObject;
    uint version() const { return 1; }

public slots:
    void Close()
    {
        report(QStringLiteral("Close"));
        emit closedByCaller();
    }

signals:
    void Closed(const QVariantMap& details);
    void closedByCaller();
};

class RemoteDesktop : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.RemoteDesktop")
    Q_PROPERTY(uint version READ version)
    Q_PROPERTY(uint AvailableDeviceTypes READ availableDeviceTypes)

public:
    RemoteDesktop(QDBusConnection bus, uint version, uint startAnswer, QString token)
        : m_bus(std::move(bus))
        , m_version(version)
        , m_startAnswer(startAnswer)
        , m_token(std::move(token))
    {}

    uint version() const { return m_version; }
    uint availableDeviceTypes() const { return 7; }

    void closeFromDesktop()
    {
        if (!m_session)
            return;
        QDBusMessage closed = QDBusMessage::createSignal(
            m_sessionPath, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Closed"));
        closed << QVariantMap();
        m_bus.send(closed);
        report(QStringLiteral("Closed"));
        dropSession();
    }

public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options)
    {
        const QString sessionToken = options.value(QStringLiteral("session_handle_token")).toString();
        report(QStringLiteral("CreateSession session_handle_token=%1").arg(sessionToken));
        dropSession();
        m_sessionPath =
            portalPath + QStringLiteral("/session/") + senderPart(message().service()) + u'/' + sessionToken;
        m_session = std::make_unique<Session>();
        connect(m_session.get(), &Session::closedByCaller, this,
                [this] { QTimer::singleShot(0, this, [this] { dropSession(); }); });
        m_bus.registerObject(m_sessionPath, m_session.get(), QDBusConnection::ExportAllContents);
        return answerLater(options, 0, {{QStringLiteral("session_handle"), m_sessionPath}});
    }

    QDBusObjectPath SelectDevices(const QDBusObjectPath& session, const QVariantMap& options)
    {
        const auto valueOr = [&options](const char* key) {
            const QVariant value = options.value(QString::fromLatin1(key));
            return value.isValid() ? value.toString() : QStringLiteral("-");
        };
        report(QStringLiteral("SelectDevices types=%1 persist_mode=%2 restore_token=%3")
                   .arg(valueOr("types"), valueOr("persist_mode"), valueOr("restore_token")));
        if (!isOurSession(session))
            return {};
        m_devices = options.value(QStringLiteral("types"), 7).toUInt();
        return answerLater(options, 0, {});
    }

    QDBusObjectPath Start(const QDBusObjectPath& session, const QString& parentWindow, const QVariantMap& options)
    {
        Q_UNUSED(parentWindow)
        report(QStringLiteral("Start"));
        if (!isOurSession(session))
            return {};
        QVariantMap results;
        if (m_startAnswer == 0) {
            m_started = true;
            results.insert(QStringLiteral("devices"), m_devices);
            if (m_version >= 2 && !m_token.isEmpty())
                results.insert(QStringLiteral("restore_token"), m_token);
        }
        return answerLater(options, m_startAnswer, results);
    }

    void NotifyKeyboardKeysym(const QDBusObjectPath& session, const QVariantMap& options, int keysym, uint state)
    {
        Q_UNUSED(options)
        // The real portal refuses input on a session that has not been started with a keyboard.
        if (!isOurSession(session) || !m_started || !(m_devices & 1)) {
            sendErrorReply(QDBusError::AccessDenied, QStringLiteral("Session is not started with a keyboard"));
            return;
        }
        report(QStringLiteral("Keysym 0x%1 %2").arg(uint(keysym), 0, 16).arg(state));
    }

private:
    bool isOurSession(const QDBusObjectPath& session)
    {
        if (m_session && session.path() == m_sessionPath)
            return true;
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("No such session"));
        return false;
    }

    void dropSession()
    {
        if (!m_session)
            return;
        m_bus.unregisterObject(m_sessionPath);
        m_session.reset();
        m_started = false;
    }

    // The Request object answers after the method has returned, as the real portal's does once its
    // backend (and the user) have answered.
    QDBusObjectPath answerLater(const QVariantMap& options, uint response, const QVariantMap& results)
    {
        const QString token = options.value(QStringLiteral("handle_token")).toString();
        const QString path = portalPath + QStringLiteral("/request/") + senderPart(message().service()) + u'/' + token;
        auto* request = new Request(this);
        QDBusConnection bus = m_bus;
        bus.registerObject(path, request, QDBusConnection::ExportAllSlots);
        QTimer::singleShot(0, request, [bus, path, request, response, results]() mutable {
            QDBusMessage signal = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"),
                                                             QStringLiteral("Response"));
            signal << response << results;
            bus.send(signal);
            bus.unregisterObject(path);
            request->deleteLater();
        });
        return QDBusObjectPath(path);
    }

    // Not QDBusContext::connection(), which exists only while a call is being answered.
    QDBusConnection m_bus;
    uint m_version;
    uint m_startAnswer;
    QString m_token;
    QString m_sessionPath;
    std::unique_ptr<Session> m_session;
    uint m_devices = 0;
    bool m_started = false;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const auto option = [&arguments](const QString& name, const QString& fallback) {
        const qsizetype at = arguments.indexOf(name);
        return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : fallback;
    };
    QDBusConnection bus = QDBusConnection::sessionBus();
    RemoteDesktop portal(bus, option(QStringLiteral("--version"), QStringLiteral("2")).toUInt(),
                         option(QStringLiteral("--answer"), QStringLiteral("0")).toUInt(),
                         option(QStringLiteral("--token"), QString()));
    if (!bus.registerObject(portalPath, &portal, QDBusConnection::ExportAllContents) ||
        !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        std::fprintf(stderr, "standinportal: cannot take the portal's name: %s\n",
                     qPrintable(bus.lastError().message()));
        return 1;
    }

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &application, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            // The test went away.
            QCoreApplication::quit();
            return;
        }
        if (QByteArray(buffer, int(n)).contains("close"))
            portal.closeFromDesktop();
    });
    report(QStringLiteral("ready"));
    return application.exec();
}

#include "standinportal.moc"
