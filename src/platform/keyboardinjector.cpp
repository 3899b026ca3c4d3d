#include "platform/keyboardinjector.h"

#include "platform/portal/remotedesktopkeyboard.h"
#include "platform/x11/x11keyboardinjector.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <QLoggingCategory>

#include <functional>

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

struct Backend
{
    const char* name;
    // nullptr when the backend cannot work in this session.
    std::function<std::unique_ptr<KeyboardInjector>()> make;
};

bool isWaylandSession()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland";
}

std::unique_ptr<KeyboardInjector> xTest()
{
    auto injector = std::make_unique<X11KeyboardInjector>();
    return injector->isAvailable() ? std::move(injector) : nullptr;
}

std::unique_ptr<KeyboardInjector> remoteDesktopPortal()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    const std::optional<uint> version = RemoteDesktopKeyboard::portalVersion(bus);
    return version ? std::make_unique<RemoteDesktopKeyboard>(bus, *version) : nullptr;
}

// The first backend that works, in the order of preference for the session.
QList<Backend> backendsForSession()
{
    const QString platform = QGuiApplication::platformName();
    // Nothing of ours is on a display there, and tests run there: typing would go to the developer's.
    if (platform == u"offscreen" || platform == u"minimal")
        return {};
    if (isWaylandSession()) {
        return {
            // The compositor's virtual-keyboard protocol (wlroots) comes first where it is offered.
            {"RemoteDesktop portal", remoteDesktopPortal},
            // XWayland's windows only; better than nothing where the portal is missing.
            {"XTest (XWayland)", xTest},
        };
    }
    if (platform == u"xcb")
        return {{"XTest", xTest}};
    return {};
}

} // namespace

std::unique_ptr<KeyboardInjector> createKeyboardInjector()
{
    for (const Backend& backend : backendsForSession()) {
        if (std::unique_ptr<KeyboardInjector> injector = backend.make()) {
            qCInfo(lcKeyboard) << "Keystrokes through" << backend.name;
            return injector;
        }
        qCInfo(lcKeyboard) << backend.name << "is not available";
    }
    qCInfo(lcKeyboard) << "No keystroke output on platform" << QGuiApplication::platformName();
    return std::make_unique<NullKeyboardInjector>();
}
