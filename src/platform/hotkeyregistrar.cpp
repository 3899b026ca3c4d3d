#include "platform/hotkeyregistrar.h"

#include "platform/portal/portalhotkeyregistrar.h"
#include "platform/x11/x11hotkeyregistrar.h"

#include <QDBusConnection>

#include <QGuiApplication>
#include <QHash>
#include <QLoggingCategory>

#include <utility>

Q_LOGGING_CATEGORY(lcHotKeys, "kwelta.platform.hotkeys", QtWarningMsg)

namespace {

// Where no backend can reach the whole display (offscreen, or Wayland without XWayland).
class NullHotKeyRegistrar final : public HotKeyRegistrar
{
public:
    quint32 idForName(const QString& name) override
    {
        // Ids stay distinct, so that a press could never be mistaken for another key's.
        return m_ids.contains(name) ? m_ids.value(name) : m_ids.insert(name, quint32(m_ids.size() + 1)).value();
    }
    Result registerHotKey(quint32, quint8, quint8) override { return Result::Unsupported; }
    void unregisterHotKey(quint32) override {}
    bool isSupported() const override { return false; }

private:
    QHash<QString, quint32> m_ids;
};

bool isWaylandSession()
{
    return QGuiApplication::platformName() == u"wayland" || qEnvironmentVariable("XDG_SESSION_TYPE") == u"wayland" ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

std::unique_ptr<HotKeyRegistrar> createHotKeyRegistrar()
{
    if (isWaylandSession() && PortalHotKeyRegistrar::isOffered(QDBusConnection::sessionBus()))
        return std::make_unique<PortalHotKeyRegistrar>(QDBusConnection::sessionBus());
    if (QGuiApplication::platformName() == u"xcb") {
        auto registrar = std::make_unique<X11HotKeyRegistrar>();
        if (registrar->isAvailable())
            return registrar;
    }
    // Once a run: a window made again (the tests make many) has nothing new to say.
    static bool told = false;
    if (!std::exchange(told, true))
        qCWarning(lcHotKeys) << "No system-wide hot keys on platform" << QGuiApplication::platformName();
    return std::make_unique<NullHotKeyRegistrar>();
}
