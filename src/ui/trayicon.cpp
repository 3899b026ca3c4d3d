#include "ui/trayicon.h"

#include "platform/notificationareawatcher.h"
#include "platform/windowactivation.h"
#include "ui/artwork.h"

#include <QGuiApplication>
#include <QStyleHints>
#include <QTimer>
#include <QWidget>

TrayIcon::TrayIcon(QWidget& window, std::unique_ptr<NotificationAreaWatcher> watcher)
    : QObject(&window)
    , m_window(window)
    , m_icon(new QSystemTrayIcon(this))
    , m_watcher(std::move(watcher))
    , m_singleClick(new QTimer(this))
{
    setObjectName(QStringLiteral("TrayIcon"));
    m_icon->setObjectName(QStringLiteral("abfTrayIcon1"));
    m_singleClick->setObjectName(QStringLiteral("TimerSingleClick"));
    m_singleClick->setSingleShot(true);
    m_singleClick->setInterval(QGuiApplication::styleHints()->mouseDoubleClickInterval());
    connect(m_singleClick, &QTimer::timeout, this, [this] {
        if (!m_removed && !m_window.isVisible())
            showFromTray();
    });
    // Green from the start, though nothing is open yet; the serial link's opening and closing set it since.
    setImageIndex(1);
    connect(m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::iconActivated);
    if (m_watcher) {
        connect(m_watcher.get(), &NotificationAreaWatcher::appeared, this, &TrayIcon::notificationAreaAppeared);
        connect(m_watcher.get(), &NotificationAreaWatcher::vanished, this, &TrayIcon::notificationAreaVanished);
    }
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::setImageIndex(int index)
{
    index = index == 0 ? 0 : 1;
    // Each picture is drawn at every size a panel may ask for; the same one again is not worth that.
    if (index == m_imageIndex && !m_icon->icon().isNull())
        return;
    m_imageIndex = index;
    m_icon->setIcon(linkPicture(m_imageIndex == 0 ? LinkPicture::Closed : LinkPicture::Open));
}

bool TrayIcon::isVisible() const
{
    return m_icon->isVisible();
}

void TrayIcon::setVisible(bool visible)
{
    if (!m_removed)
        m_icon->setVisible(visible);
}

void TrayIcon::remove()
{
    m_removed = true;
    m_singleClick->stop();
    m_icon->hide();
}

void TrayIcon::hideToTray()
{
    m_hiddenInTray = true;
    m_window.hide();
}

void TrayIcon::showFromTray()
{
    m_hiddenInTray = false;
    m_window.showNormal();
    bringWindowForward();
}

void TrayIcon::bringWindowForward()
{
    m_window.raise();
    m_window.activateWindow();
    // The click was on the panel, so our own last event time may already be too old for the server.
    activateOnUserRequest(m_window.winId());
}

// Hiding where there is no notification area would leave the user nothing to bring the window back
// with, so there it stays minimised on the taskbar.
void TrayIcon::windowMinimised()
{
    if (m_removed || !m_window.isMinimized() || !trayAvailable())
        return;
    if (!m_icon->isVisible())
        m_icon->show();
    hideToTray();
}

// Qt's X11 notification-area icon reports a double click as a press (Trigger) and then the double
// click. The StatusNotifier hosts of KDE Plasma and GNOME's extension report no double click at all,
// only a click; a window hidden there would have no way back. So a click on the icon of a hidden window
// shows it too, once the double-click time has passed without the double click that would do the same.
void TrayIcon::iconActivated(QSystemTrayIcon::ActivationReason reason)
{
    // A click already on its way when the close removed the icon must not show the closing window.
    if (m_removed)
        return;
    if (reason == QSystemTrayIcon::DoubleClick) {
        m_singleClick->stop();
        if (m_window.isVisible())
            hideToTray();
        else
            showFromTray();
        return;
    }
    if (m_window.isVisible())
        bringWindowForward();
    else if (reason == QSystemTrayIcon::Trigger)
        m_singleClick->start();
}

// The new panel knows nothing of the icons the old one held. Qt's own X11 icon embeds itself again when
// it hears of the new panel, but the program also comes back, so that whatever the new panel does with
// the icon the user is never left without a way to the window.
void TrayIcon::notificationAreaAppeared()
{
    if (m_removed || !m_icon->isVisible())
        return;
    m_icon->hide();
    showFromTray();
    m_icon->show();
}

// With the notification area gone, a window hidden in it could not be reached at all.
void TrayIcon::notificationAreaVanished()
{
    if (!m_removed && m_hiddenInTray && !m_window.isVisible())
        showFromTray();
}
