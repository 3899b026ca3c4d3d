#include "platform/keyboardinjector.h"

#include "platform/portal/remotedesktopkeyboard.h"
#include "platform/wayland/waylandkeyboardinjector.h"
#include "platform/x11/x11keyboardinjector.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcKeyboard, "kwelta.platform.keyboard", QtWarningMsg)

namespace {

// Where no backend can reach the display (offscreen, or a platform we do not support yet).
class NullKeyboardInjector final : public KeyboardInjector
{
public:
    bool isAvailable() const override { return false; }
    void beginBurst() override {}
    void endBurst() override {}
    std::optional<KeyChord> chordForCharacter(char32_t) override { return std::nullopt; }
    std::optional<quint32> keyForVirtualKey(quint8) override { return std::nullopt; }
    std::optional<quint32> modifierKey(ModifierKey) override { return std::nullopt; }
    bool isCapsLockOn() override { return false; }
    void sendKey(quint32, bool) override {}
};

std::unique_ptr<KeyboardInjector> tryBackend(KeyboardBackend backend, const KeyboardSession& session)
{
    switch (backend) {
    case KeyboardBackend::VirtualKeyboard: {
        auto injector = std::make_unique<WaylandKeyboardInjector>();
        if (injector->isAvailable()) {
            qCInfo(lcKeyboard) << "Keystrokes through the Wayland virtual keyboard protocol on"
                               << qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
            return injector;
        }
        qCInfo(lcKeyboard) << "No Wayland virtual keyboard:" << injector->unavailableReason();
        return nullptr;
    }
    case KeyboardBackend::RemoteDesktopPortal: {
        const QDBusConnection bus = QDBusConnection::sessionBus();
        const std::optional<uint> version = RemoteDesktopKeyboard::portalVersion(bus);
        if (!version) {
            qCInfo(lcKeyboard) << "No RemoteDesktop portal on the session bus";
            return nullptr;
        }
        qCInfo(lcKeyboard) << "Keystrokes through the RemoteDesktop portal, version" << *version;
        return std::make_unique<RemoteDesktopKeyboard>(bus, *version);
    }
    case KeyboardBackend::XTest: {
        auto injector = std::make_unique<X11KeyboardInjector>();
        if (!injector->isAvailable())
            return nullptr;
        if (session.wayland) {
            qCInfo(lcKeyboard) << "Keystrokes through XTest into XWayland on" << qEnvironmentVariable("DISPLAY")
                               << "- in this Wayland session only X11 programs receive text";
            injector->setReach(KeyboardInjector::Reach::X11WindowsOnly);
        } else
            qCInfo(lcKeyboard) << "Keystrokes through XTest on" << qEnvironmentVariable("DISPLAY");
        return injector;
    }
    }
    return nullptr;
}

} // namespace

KeyboardSession KeyboardSession::current()
{
    KeyboardSession session;
    session.platformName = QGuiApplication::platformName();
    session.wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
                      qEnvironmentVariable("XDG_SESSION_TYPE").compare(u"wayland", Qt::CaseInsensitive) == 0;
    session.x11Display = !qEnvironmentVariableIsEmpty("DISPLAY");
    return session;
}

QList<KeyboardBackend> keyboardBackendsFor(const KeyboardSession& session)
{
    // Only a window on a desktop types into other windows: offscreen runs (tests) and the like never do,
    // even when the environment names a display.
    const bool onDesktop = session.platformName == u"xcb" || session.platformName.startsWith(u"wayland");
    if (!onDesktop)
        return {};
    QList<KeyboardBackend> backends;
    // In a Wayland session XTest reaches only XWayland's windows, whichever plugin shows our own, so it
    // comes last there; the desktops without the virtual keyboard (GNOME, KDE Plasma) have the portal.
    if (session.wayland)
        backends << KeyboardBackend::VirtualKeyboard << KeyboardBackend::RemoteDesktopPortal;
    if (session.x11Display || session.platformName == u"xcb")
        backends.append(KeyboardBackend::XTest);
    return backends;
}

std::unique_ptr<KeyboardInjector> createKeyboardInjector()
{
    const KeyboardSession session = KeyboardSession::current();
    for (const KeyboardBackend backend : keyboardBackendsFor(session)) {
        if (std::unique_ptr<KeyboardInjector> injector = tryBackend(backend, session))
            return injector;
    }
    qCInfo(lcKeyboard) << "No keystroke output on platform" << session.platformName;
    auto nothing = std::make_unique<NullKeyboardInjector>();
    nothing->setReach(KeyboardInjector::Reach::NoWindow);
    return nothing;
}
