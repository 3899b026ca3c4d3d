#pragma once

#include "core/scaleorder.h"

#include <QObject>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

class CommunicationPanel;
class LinkControl;
class NotificationAreaWatcher;
class QAction;
class QMenu;
class QTimer;
class QWidget;
class StatisticsPanel;

// The main window's notification-area icon (abfTrayIcon1): the link picture of its image index (0 the
// link in use down, 1 up; 0 at start), a tooltip with the program, the link's state and the latest
// result, a menu with the window, the scale commands and the quit, hiding the window into the
// notification area and bringing it back. A child of the window it serves.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    TrayIcon(QWidget& window, std::unique_ptr<NotificationAreaWatcher> watcher);
    ~TrayIcon() override;

    // What the icon tells and offers, kept in step with the window's parts: the link in use, the status
    // line's words, the latest result the statistics page shows.
    void follow(LinkControl& links, CommunicationPanel& communication, StatisticsPanel& statisticsPage);

    int imageIndex() const { return m_imageIndex; }
    void setImageIndex(int index);
    // The link in use is up (index 1) or down (0); the scale commands are offered only while it is up.
    // linkName says which link while it is up ("COM1", "TCP 10.0.0.5:4001").
    void setLinkUp(bool up, const QString& linkName = QString());
    // The status line's words about the link.
    void showLinkStatus(const QString& status);
    // The latest result as the statistics page shows it, with its unit; empty while there is none.
    void showLatestResult(const QString& result);
    QMenu& menu() { return *m_menu; }
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

signals:
    // A scale command chosen from the menu, to go the way of its button.
    void orderChosen(ScaleOrder order);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void retranslate();
    void showToolTip();
    // The first item offers what the window is not: shown, or hidden.
    void showWindowChoice();
    void showOrHideChosen();
    void quitChosen();
    void iconActivated(QSystemTrayIcon::ActivationReason reason);
    void notificationAreaAppeared();
    void notificationAreaVanished();
    void bringWindowForward();

    QWidget& m_window;
    // No parent: a menu is a window of its own. The icon lets go of it before it goes.
    std::unique_ptr<QMenu> m_menu;
    QAction* m_showOrHide = nullptr;
    QAction* m_orders[3] = {};
    QAction* m_quit = nullptr;
    QSystemTrayIcon* m_icon = nullptr;
    std::unique_ptr<NotificationAreaWatcher> m_watcher;
    std::function<bool()> m_trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable;
    // A single click waits this long for a double click before it counts alone.
    QTimer* m_singleClick = nullptr;
    int m_imageIndex = 0;
    QString m_linkStatus;
    QString m_linkName;
    QString m_latestResult;
    bool m_hiddenInTray = false;
    bool m_removed = false;
};
