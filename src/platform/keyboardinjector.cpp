#include "platform/keyboardinjector.h"

#include "platform/x11/x11keyboardinjector.h"

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

} // namespace

std::unique_ptr<KeyboardInjector> createKeyboardInjector()
{
    if (QGuiApplication::platformName() == u"xcb") {
        auto injector = std::make_unique<X11KeyboardInjector>();
        if (injector->isAvailable())
            return injector;
    }
    qCInfo(lcKeyboard) << "No keystroke output on platform" << QGuiApplication::platformName();
    return std::make_unique<NullKeyboardInjector>();
}
