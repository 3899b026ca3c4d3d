#include "ui/trayicon.h"

#include "core/programinfo.h"
#include "link/scalelinks.h"
#include "platform/notificationareawatcher.h"
#include "platform/windowactivation.h"
#include "ui/artwork.h"
#include "ui/communicationpanel.h"
#include "ui/linkcontrol.h"
#include "ui/statisticspanel.h"

#include <QApplication>
#include <QMenu>
#include <QStyleHints>
#include <QTimer>
#include <QWidget>

TrayIcon::TrayIcon(QWidget& window, std::unique_ptr<NotificationAreaWatcher> watcher)
    : QObject(&window)
    , m_window(window)
    , m_menu(std::make_unique<QMenu>())
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
    // Red from the start: nothing is open before the settings are read and the start-up opens the link.
    setImageIndex(0);
    buildMenu();
    showToolTip();
    connect(m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::iconActivated);
    if (m_watcher) {
        connect(m_watcher.get(), &NotificationAreaWatcher::appeared, this, &TrayIcon::notificationAreaAppeared);
        connect(m_watcher.get(), &NotificationAreaWatcher::vanished, this, &TrayIcon::notificationAreaVanished);
    }
}

// A panel may still hold the menu through the icon, so the icon goes first.
TrayIcon::~TrayIcon()
{
    delete m_icon;
}

void TrayIcon::follow(LinkControl& links, CommunicationPanel& communication, StatisticsPanel& statisticsPage)
{
    connect(&links, &LinkControl::linkInUseUpChanged, this, [this, &links, &communication](bool up) {
        setLinkUp(up, up ? links.links().linkName(communication.connectionKind()) : QString());
    });
    setLinkUp(links.linkInUseUp());
    connect(&communication, &CommunicationPanel::linkStatusChanged, this, &TrayIcon::showLinkStatus);
    connect(&statisticsPage, &StatisticsPanel::latestResultShown, this, &TrayIcon::showLatestResult);
}

void TrayIcon::setImageIndex(int index)
{
    index = index == 0 ? 0 : 1;
    // Each picture is drawn at every size a panel may ask for; the same one again is not worth that.
    if (index == m_imageIndex && !m_icon->icon().isNull())
        return;
    m_imageIndex = index;
    m_icon->setIcon(linkPicture(m_imageIndex == 0 ? LinkPicture::Closed : LinkPicture::Open));
}

void TrayIcon::setLinkUp(bool up, const QString& linkName)
{
    setImageIndex(up ? 1 : 0);
    m_linkName = up ? linkName : QString();
    for (QAction* order : m_orders)
        order->setEnabled(up);
    showToolTip();
}

void TrayIcon::showLinkStatus(const QString& status)
{
    m_linkStatus = status;
    showToolTip();
}

void TrayIcon::showLatestResult(const QString& result)
{
    m_latestResult = result.trimmed();
    showToolTip();
}

void TrayIcon::showToolTip()
{
    QStringList lines{ProgramInfo::title()};
    if (!m_linkStatus.isEmpty())
        lines.append(m_linkName.isEmpty() ? m_linkStatus : QStringLiteral("%1 (%2)").arg(m_linkStatus, m_linkName));
    if (!m_latestResult.isEmpty())
        lines.append(m_latestResult);
    m_icon->setToolTip(lines.join(QLatin1Char('\n')));
}

void TrayIcon::buildMenu()
{
    m_menu->setObjectName(QStringLiteral("trayMenu"));
    m_showOrHide = m_menu->addAction(QString(), this, &TrayIcon::showOrHideChosen);
    m_showOrHide->setObjectName(QStringLiteral("showOrHideAction"));
    m_menu->addSeparator();
    const ScaleOrder orders[] = {ScaleOrder::Tare, ScaleOrder::Zero, ScaleOrder::Print};
    const char* names[] = {"tareAction", "zeroAction", "printAction"};
    for (int i = 0; i < 3; ++i) {
        const ScaleOrder order = orders[i];
        m_orders[i] = m_menu->addAction(QString(), this, [this, order] { emit orderChosen(order); });
        m_orders[i]->setObjectName(QLatin1String(names[i]));
        m_orders[i]->setEnabled(false);
    }
    m_menu->addSeparator();
    m_quit = m_menu->addAction(QString(), this, &TrayIcon::quitChosen);
    m_quit->setObjectName(QStringLiteral("quitAction"));
    retranslate();
    // A menu is a window of its own, so a change of language reaches it and not the main window's.
    m_menu->installEventFilter(this);
    m_window.installEventFilter(this);
    // Whatever the window went through meanwhile, the menu offers what it is not as it opens.
    connect(m_menu.get(), &QMenu::aboutToShow, this, &TrayIcon::showWindowChoice);
    m_icon->setContextMenu(m_menu.get());
}

void TrayIcon::retranslate()
{
    showWindowChoice();
    m_orders[0]->setText(tr("Tara"));
    m_orders[1]->setText(tr("Zero"));
    m_orders[2]->setText(tr("Drukuj"));
    m_quit->setText(tr("Zakończ"));
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_menu.get() && event->type() == QEvent::LanguageChange)
        retranslate();
    // After the change has run its course: a minimising window is still visible while it changes state.
    if (watched == &m_window &&
        (event->type() == QEvent::Show || event->type() == QEvent::Hide || event->type() == QEvent::WindowStateChange))
        QMetaObject::invokeMethod(this, &TrayIcon::showWindowChoice, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

// A minimised window counts as hidden: the choice then brings it back.
void TrayIcon::showWindowChoice()
{
    const bool shown = m_window.isVisible() && !m_window.isMinimized();
    m_showOrHide->setText(shown ? tr("Ukryj") : tr("Pokaż"));
}

void TrayIcon::showOrHideChosen()
{
    if (m_window.isVisible() && !m_window.isMinimized())
        hideToTray();
    else
        showFromTray();
    showWindowChoice();
}

// The window's own close, which writes the settings. A window hidden here is not the last visible window
// closing, so the program is told to end as well; before the event loop runs, that does nothing.
void TrayIcon::quitChosen()
{
    m_window.close();
    QCoreApplication::quit();
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
