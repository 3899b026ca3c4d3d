#pragma once

#include <QObject>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

class NotificationAreaWatcher;
class QTimer;
class QWidget;

// The main window's notification-area icon (abfTrayIcon1): the link picture of its image index (0 the
// serial port closed, 1 open; 1 at start), hiding the window into the notification area and bringing it back. A
// child of the window it serves.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    TrayIcon(QWidget& window, std::unique_ptr<NotificationAreaWatcher> watcher);
    ~TrayIcon() override;

    int imageIndex() const { return m_imageIndex; }
    void setImageIndex(int index);
    bool isVisible() const;
    void setVisible(bool visible);
    // Takes the icon out of the notification area for good: the window is closing.
    void remove();

    // Off the taskbar and out of sight; on X11 both are hiding the top-level window.
    void hideToTray();
    // Back in its normal state, visible and in front.
    void showFromTray();
    // The user minimised the window: into the notification area, where there is one.
    void windowMinimised();
    // Whether a notification area is there to hide the window in; tests answer for a desktop.
    bool trayAvailable() const { return m_trayAvailable(); }
    void setTrayAvailability(std::function<bool()> available) { m_trayAvailable = std::move(available); }

    QSystemTrayIcon& icon() { return *m_icon; }

private:
    void iconActivated(QSystemTrayIcon::ActivationReason reason);
    void notificationAreaAppeared();
    void notificationAreaVanished();
    void bringWindowForward();

    QWidget& m_window;
    QSystemTrayIcon* m_icon = nullptr;
    std::unique_ptr<NotificationAreaWatcher> m_watcher;
    std::function<bool()> m_trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable;
    // A single click waits this long for a double click before it counts alone.
    QTimer* m_singleClick = nullptr;
    int m_imageIndex = 0;
    bool m_hiddenInTray = false;
    bool m_removed = false;
};
