#pragma once

#include "platform/notificationareawatcher.h"

#include <QAbstractNativeEventFilter>

#include <cstdint>

struct xcb_connection_t;

// The system tray protocol's notification area is whoever owns the selection _NET_SYSTEM_TRAY_S<screen>.
// XFixes reports every change of that owner, its window's destruction and its client's end, so a panel
// that restarts or dies is seen as it happens, without polling.
class X11NotificationAreaWatcher final : public NotificationAreaWatcher, private QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    X11NotificationAreaWatcher();
    ~X11NotificationAreaWatcher() override;

    // False where Qt's X connection or the XFixes extension is missing; such a watcher reports nothing.
    bool isAvailable() const { return m_window != 0; }
    bool isPresent() const override;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    void ownerChanged(std::uint32_t owner);

    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_selection = 0;
    // Our own window for the XFixes subscription: subscriptions belong to a client and a window, so a
    // second watcher in the process (tests make many windows) neither shares nor cancels ours.
    std::uint32_t m_window = 0;
    std::uint8_t m_eventBase = 0;
    std::uint32_t m_owner = 0;
};
