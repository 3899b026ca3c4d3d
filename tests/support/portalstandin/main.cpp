// A stand-in for the desktop's GlobalShortcuts portal (org.freedesktop.portal.Desktop on the session
// bus), for tests on a private bus: the desktops' own portal services need a running compositor and
// their own sessions, which cannot run here. It speaks the portal's wire protocol as documented
// (requests answered through org.freedesktop.portal.Request::Response on the path derived from the
// caller's name and token, sessions under .../session/, Activated on the desktop object) and checks
// the argument signatures it is given.
//
// stdout: "ready" once the name is owned; "bound SESSION ID<TAB>DESCRIPTION<TAB>TRIGGER" for each
// shortcut of a BindShortcuts, then "bound SESSION ." after the last; "closed SESSION"; "refused WHY"
// for a call it could not take.
// stdin: "activate ID" emits Activated for that shortcut in the latest bound session.
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDateTime>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr char Service[] = "org.freedesktop.portal.Desktop";
constexpr char DesktopPath[] = "/org/freedesktop/portal/desktop";
constexpr char Interface[] = "org.freedesktop.portal.GlobalShortcuts";

void say(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

class StandInPortal : public QDBusVirtualObject
{
public:
    explicit StandInPortal(QDBusConnection bus)
        : m_bus(std::move(bus))
    {}

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override
    {
        if (message.type() != QDBusMessage::MethodCallMessage)
            return false;
        const QString member = message.member();
        if (message.interface() == u"org.freedesktop.DBus.Properties" && member == u"Get") {
            if (message.arguments().value(0).toString() != QLatin1StringView(Interface))
                return refuse(message, QStringLiteral("Get of another interface"));
            m_bus.send(message.createReply(QVariant::fromValue(QDBusVariant(uint(1)))));
            return true;
        }
        if (message.interface() == u"org.freedesktop.portal.Session" && member == u"Close") {
            say(QStringLiteral("closed %1").arg(message.path()));
            m_bus.send(message.createReply());
            return true;
        }
        if (message.interface() != QLatin1StringView(Interface))
            return refuse(message, QStringLiteral("interface %1").arg(message.interface()));
        if (member == u"CreateSession")
            return createSession(message);
        if (member == u"BindShortcuts")
            return bindShortcuts(message);
        return refuse(message, QStringLiteral("method %1").arg(member));
    }

    void activate(const QString& id)
    {
        QDBusMessage signal = QDBusMessage::createSignal(QLatin1StringView(DesktopPath), QLatin1StringView(Interface),
                                                         QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(m_boundSession)) << id
               << qulonglong(QDateTime::currentMSecsSinceEpoch()) << QVariantMap();
        m_bus.send(signal);
    }

private:
    bool refuse(const QDBusMessage& message, const QString& why)
    {
        say(QStringLiteral("refused %1").arg(why));
        m_bus.send(message.createErrorReply(QDBusError::InvalidArgs, why));
        return true;
    }

    // ":1.42" as the portal writes it into object paths.
    static QString senderElement(const QDBusMessage& message)
    {
        QString sender = message.service();
        return sender.remove(0, 1).replace(u'.', u'_');
    }

    // Replies with the request's path, then answers on it, as the portal does once the user has chosen.
    void answer(const QDBusMessage& message, const QString& token, const QVariantMap& results)
    {
        const QString request =
            QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(senderElement(message), token);
        m_bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QDBusMessage response = QDBusMessage::createSignal(request, QStringLiteral("org.freedesktop.portal.Request"),
                                                           QStringLiteral("Response"));
        response << uint(0) << results;
        m_bus.send(response);
    }

    bool createSession(const QDBusMessage& message)
    {
        if (message.signature() != u"a{sv}")
            return refuse(message, QStringLiteral("CreateSession(%1)").arg(message.signature()));
        const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().at(0));
        const QString token = options.value(QStringLiteral("handle_token")).toString();
        const QString sessionToken = options.value(QStringLiteral("session_handle_token")).toString();
        if (token.isEmpty() || sessionToken.isEmpty())
            return refuse(message, QStringLiteral("CreateSession without tokens"));
        const QString session =
            QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2").arg(senderElement(message), sessionToken);
        answer(message, token, {{QStringLiteral("session_handle"), session}});
        return true;
    }

    bool bindShortcuts(const QDBusMessage& message)
    {
        if (message.signature() != u"oa(sa{sv})sa{sv}")
            return refuse(message, QStringLiteral("BindShortcuts(%1)").arg(message.signature()));
        const QList<QVariant> arguments = message.arguments();
        const QString session = arguments.at(0).value<QDBusObjectPath>().path();
        const QDBusArgument shortcuts = arguments.at(1).value<QDBusArgument>();
        shortcuts.beginArray();
        while (!shortcuts.atEnd()) {
            QString id;
            QVariantMap properties;
            shortcuts.beginStructure();
            shortcuts >> id >> properties;
            shortcuts.endStructure();
            say(QStringLiteral("bound %1 %2\t%3\t%4")
                    .arg(session, id, properties.value(QStringLiteral("description")).toString(),
                         properties.value(QStringLiteral("preferred_trigger")).toString()));
        }
        shortcuts.endArray();
        say(QStringLiteral("bound %1 .").arg(session));
        m_boundSession = session;
        const QVariantMap options = qdbus_cast<QVariantMap>(arguments.at(3));
        answer(message, options.value(QStringLiteral("handle_token")).toString(), {});
        return true;
    }

    QDBusConnection m_bus;
    QString m_boundSession;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    StandInPortal portal(bus);
    if (!bus.registerVirtualObject(QLatin1StringView(DesktopPath), &portal, QDBusConnection::SubPath)) {
        std::fprintf(stderr, "portal stand-in: the object: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    if (!bus.registerService(QLatin1StringView(Service))) {
        std::fprintf(stderr, "portal stand-in: the name %s is taken\n", Service);
        return 1;
    }
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&portal] {
        char buffer[256];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer - 1);
        if (count <= 0) {
            QCoreApplication::quit();
            return;
        }
        for (const QByteArray& line : QByteArray(buffer, count).split('\n')) {
            if (line.startsWith("activate "))
                portal.activate(QString::fromUtf8(line.mid(9).trimmed()));
        }
    });
    say(QStringLiteral("ready"));
    return QCoreApplication::exec();
}
