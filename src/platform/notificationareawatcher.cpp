#include "platform/notificationareawatcher.h"

#include "platform/x11/x11notificationareawatcher.h"

#include <QGuiApplication>

namespace {

class NullNotificationAreaWatcher final : public NotificationAreaWatcher
{
public:
    bool isPresent() const override { return false; }
};

} // namespace

std::unique_ptr<NotificationAreaWatcher> createNotificationAreaWatcher()
{
    if (QGuiApplication::platformName() == u"xcb") {
        auto watcher = std::make_unique<X11NotificationAreaWatcher>();
        if (watcher->isAvailable())
            return watcher;
    }
    return std::make_unique<NullNotificationAreaWatcher>();
}
