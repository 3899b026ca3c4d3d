#include "ui/mainwindow.h"

#include "core/clock.h"
#include "core/messagepresenter.h"
#include "core/programinfo.h"
#include "link/scalelinks.h"
#include "platform/autostartentry.h"
#include "platform/hotkeyregistrar.h"
#include "platform/keyboardinjector.h"
#include "platform/notificationareawatcher.h"
#include "processing/processdata.h"
#include "ui/aboutpanel.h"
#include "ui/arrivalmonitor.h"
#include "ui/artwork.h"
#include "ui/communicationpanel.h"
#include "ui/compactstyle.h"
#include "ui/dialogpresenter.h"
#include "ui/formatoptionspanel.h"
#include "ui/languageswitch.h"
#include "ui/linkcontrol.h"
#include "ui/ownwindows.h"
#include "ui/programoptionspanel.h"
#include "ui/scalehotkeys.h"
#include "ui/settingskeeper.h"
#include "ui/statisticspanel.h"
#include "ui/trayicon.h"
#include "ui/typingstatus.h"

#include "ui_mainwindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QWindowStateChangeEvent>

#include <utility>

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::MainWindow>())
{
    useDialogsForMessages();
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("MainWindow"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    m_statistics = m_ui->statisticsPage;
    m_communication = m_ui->communicationPage;
    m_formatOptions = m_ui->formatOptionsPage;
    m_programOptions = m_ui->programOptionsPage;
    for (QWidget* page : {static_cast<QWidget*>(m_ui->aboutPage), static_cast<QWidget*>(m_ui->helpPage)})
        applyCompactStyle(page);

    m_startUpTimer = new QTimer(this);
    m_startUpTimer->setObjectName(QStringLiteral("startUpTimer"));
    m_minimiseTimer = new QTimer(this);
    m_minimiseTimer->setObjectName(QStringLiteral("minimiseTimer"));
    m_minimiseTimer->setInterval(100);
    for (QTimer* timer : {m_startUpTimer, m_minimiseTimer})
        timer->setSingleShot(true);
    connect(m_startUpTimer, &QTimer::timeout, this, &MainWindow::startUp);
    connect(m_minimiseTimer, &QTimer::timeout, this, &MainWindow::minimiseAfterStart);

    // In the order of the pages of the content area, which each one shows.
    m_navigation = {m_ui->statisticsButton, m_ui->communicationButton,  m_ui->formatOptionsButton,
                    m_ui->aboutButton,      m_ui->programOptionsButton, m_ui->helpButton};
    for (QAbstractButton* button : std::as_const(m_navigation))
        connect(button, &QAbstractButton::clicked, this, [this, button] { showPage(button); });
    m_ui->bannerImage->installEventFilter(this);
    for (QLabel* label : {m_ui->bannerShadow, m_ui->bannerTitle})
        label->setText(ProgramInfo::title());
    paintBanner(*m_ui->bannerImage, *m_ui->bannerShadow, *m_ui->bannerTitle);

    // German is not offered.
    m_ui->germanButton->setEnabled(false);
    m_ui->germanButton->setVisible(false);
    m_ui->englishButton->setIcon(britishFlag(m_ui->englishButton->iconSize()));
    m_ui->polishButton->setIcon(polishFlag(m_ui->polishButton->iconSize()));
    connect(m_ui->englishButton, &QAbstractButton::clicked, this,
            [this] { languageButtonClicked(LanguageModule::English); });
    connect(m_ui->polishButton, &QAbstractButton::clicked, this,
            [this] { languageButtonClicked(LanguageModule::Polish); });
    m_languages = std::make_unique<LanguageChooser>(
        *this, *m_programOptions, [this](qint32 language) { m_settings->binding().set(Setting::Language, language); });

    m_keyboard = createKeyboardInjector();
    m_ui->aboutPage->setTypingReach(m_keyboard->reach());
    m_processData = std::make_unique<ProcessData>(*m_keyboard, Clock::system());
    m_processData->setOwnWindowActive([this] { return isMainWindowActive(); });
    connect(&m_processData->delivery(), &Delivery::outputFileFailed, this, &MainWindow::outputFileFailed);
    m_statistics->setStatistics(&m_processData->statistics());
    m_formatOptions->setStatistics(&m_processData->statistics());
    m_settings = std::make_unique<SettingsKeeper>(*this, m_formatOptions->scriptMemo());
    // Where the desktop must allow typing, a row under the status line says when it does not.
    if (KeyboardGrant* grant = m_keyboard->grant()) {
        m_settings->setKeyboardGrant(grant);
        layout()->addWidget(new TypingStatus(*grant, this));
    }
    // Its switch starts off, so the entry a previous run left goes until the settings are read.
    m_autoRun = new AutoStartEntry(QCoreApplication::applicationFilePath(), AutoStartEntry::userFolder(), this);
    m_autoRun->addAutoRunEntry();
    // Before the settings are bound: ticking a hot key's box from them registers the key.
    m_hotKeys = std::make_unique<ScaleHotKeys>(*m_programOptions, createHotKeyRegistrar());
    buildLinks();
    bindSettings();
    watchProcessingOptions();
    pushProcessingOptions();

    m_tray = new TrayIcon(*this, createNotificationAreaWatcher());
    m_tray->follow(*m_linkControl, *m_communication, *m_statistics);
    connect(m_tray, &TrayIcon::orderChosen, this, &MainWindow::scaleOrderReceived);
    m_tray->setVisible(true);
    setWindowIcon(linkPicture(LinkPicture::Open));
    Global::SerialStopped = true;

    // Fixed size from the contents, centred on the screen the window opens on.
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

MainWindow::~MainWindow()
{
    // The links hand text to the processing, so they end before anything else goes.
    m_programOptions->setOrderSender({});
    // The controls outlive the processing and the settings, which the options are gathered from.
    for (const QMetaObject::Connection& watch : std::as_const(m_optionWatches))
        disconnect(watch);
    delete m_linkControl;
}

void MainWindow::buildLinks()
{
    m_linkControl = new LinkControl(*m_communication, *m_processData, *m_settings, *this);
    m_programOptions->setOrderSender([this](const QByteArray& command) { m_linkControl->send(command); });
    connect(m_ui->monitorButton, &QAbstractButton::clicked, this,
            [this] { showArrivalMonitor(m_linkControl->arrivals(), *this); });
    connect(m_communication, &CommunicationPanel::linkStatusChanged, this,
            [this](const QString& text, const QColor& colour) {
                m_ui->linkStatusLabel->setText(text);
                m_ui->linkStatusLabel->setStyleSheet(QStringLiteral("color: %1;").arg(colour.name()));
            });
    // The window is held by the dialog, so it is not hidden and shown for the change as a flag of its own
    // would have it.
    connect(m_linkControl, &LinkControl::languageChosen, this, [this](qint32 language) {
        if (m_languages->useLanguage(language))
            QApplication::setApplicationDisplayName(ProgramInfo::title());
    });
}

bool MainWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        firstActivation();
    return QWidget::event(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->bannerImage && event->type() == QEvent::MouseButtonRelease)
        AboutPanel::openDocumentation();
    // The picture spans the window, whose width follows the widest panel.
    if (watched == m_ui->bannerImage && event->type() == QEvent::Resize)
        paintBanner(*m_ui->bannerImage, *m_ui->bannerShadow, *m_ui->bannerTitle);
    return QWidget::eventFilter(watched, event);
}

// Restoring from a minimised state is not a show of the window; only the program's own showing is.
void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        restoreOnShow();
}

void MainWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        m_settings->takeSnapshot();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!std::exchange(m_closing, true))
        closeDown();
    event->accept();
}

void MainWindow::restoreOnShow()
{
    m_settings->restoreSnapshot();
    // The script file was read again, and its bytes are what runs, whether or not the memo changed.
    pushProcessingOptions();
    QAbstractButton* page = m_navigation.value(m_currentPage, m_ui->statisticsButton);
    m_linkControl->showLinkState();
    m_formatOptions->followControls();
    showPage(page);
}

void MainWindow::firstActivation()
{
    if (!m_startingUp || m_settingsLoaded)
        return;
    m_settingsLoaded = true;

    m_startUpTimer->start(1);
    m_settings->load();
    m_settings->takeSnapshot();
    pushProcessingOptions();
    m_formatOptions->followControls();
    m_linkControl->connectionKindChanged();
    // With the time and unit loaded, whatever order the values came in.
    m_programOptions->cyclicReadToggled();
    QAbstractButton* page = m_settings->values().portConfigured ? m_ui->statisticsButton : m_ui->communicationButton;
    showPage(page);
    m_autoRun->setAutoRun(m_settings->values().startAtLogon);
    QDir().mkpath(SettingsKeeper::logFolder());
    setWindowTitle(ProgramInfo::title());
    QApplication::setApplicationDisplayName(ProgramInfo::title());
}

void MainWindow::startUp()
{
    m_startUpTimer->stop();
    // Before the port search or the opening, which would otherwise come up behind the message.
    m_settings->reportLoadProblem();
    useLanguage(m_settings->values().language);
    if (m_closing)
        return;
    const UserSettings& settings = m_settings->values();
    if (!settings.portConfigured && m_communication->connectionKind() == ScaleLink::Serial)
        m_linkControl->startPortSearch();
    if (settings.portConfigured && settings.openOnStart)
        m_linkControl->openOrCloseLink();
    m_minimiseTimer->start();
}

void MainWindow::minimiseAfterStart()
{
    m_minimiseTimer->stop();
    // Only an open serial port counts; an Ethernet link does not.
    if (!Global::SerialStopped && m_startingUp && m_settings->values().startMinimised) {
        // Without a notification area the window could not be brought back, so it goes to the taskbar.
        if (m_tray->trayAvailable())
            m_tray->hideToTray();
        else
            showMinimized();
    }
    m_startingUp = false;
}

void MainWindow::closeDown()
{
    m_linkControl->release();
    m_settings->takeSnapshot();
    m_settings->writeSettings();
    // The window is not shown again for the close: on X11 there is nothing to give back to the taskbar,
    // and it would only flash.
    m_tray->remove();
}

void MainWindow::setProgramPath(const QString& path)
{
    m_languages->setProgramPath(path);
}

void MainWindow::languageButtonClicked(qint32 language)
{
    hide();
    useLanguage(language);
    if (!m_closing)
        show();
}

void MainWindow::useLanguage(qint32 language)
{
    hide();
    if (!m_languages->useLanguage(language)) {
        // The normal close, so that the settings are written; quitting does nothing where no event loop
        // runs yet.
        close();
        QCoreApplication::quit();
        return;
    }
    show();
    setWindowTitle(ProgramInfo::title());
    QApplication::setApplicationDisplayName(ProgramInfo::title());
}

void MainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        // The title and the banner are the program's name and version, which no language changes.
        m_ui->retranslateUi(this);
        m_linkControl->showLinkState();
    }
    // After the minimising has run its course, not inside the state change.
    if (event->type() == QEvent::WindowStateChange && isMinimized() &&
        !(static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized))
        QMetaObject::invokeMethod(m_tray, &TrayIcon::windowMinimised, Qt::QueuedConnection);
    QWidget::changeEvent(event);
}

void MainWindow::showPage(QAbstractButton* button)
{
    const int index = int(m_navigation.indexOf(button));
    if (index < 0)
        return;
    // The stack lays out only the page it shows: one hidden while the window grew would keep its old size.
    m_ui->pages->widget(index)->setGeometry(m_ui->pages->contentsRect());
    button->setChecked(true);
    m_ui->pages->setCurrentIndex(index);
    m_currentPage = index;
    m_programOptions->destinationsChanged();
}

void MainWindow::bringToFront()
{
    bringForward(*this);
}

OrderOutcome MainWindow::scaleOrderReceived(ScaleOrder order)
{
    if (!m_linkControl->chosenLinkOpen())
        return OrderOutcome::LinkClosed;
    return m_programOptions->clickOrderButton(order) ? OrderOutcome::Sent : OrderOutcome::NotSent;
}

void MainWindow::pushProcessingOptions()
{
    const ProcessingOptions options = ProcessingOptions::fromSettings(m_settings->values(), m_settings->scriptBytes(),
                                                                      m_formatOptions->composedScript());
    m_processData->setOptions(options);
    m_statistics->setResultFormat(options.useResultFormat, options.resultFormat);
    // Scales of some makers end their lines with CR alone; with their formats chosen, the links and the
    // search cut for them.
    m_linkControl->setMakerLines(options.makerFormats);
}

// The settings the options are made of, and what the script is besides: values the settings keeper puts
// in reach the processing just as the user's clicks do.
void MainWindow::watchProcessingOptions()
{
    const auto push = [this] { pushProcessingOptions(); };
    m_optionWatches.append(connect(&m_settings->binding(), &SettingsBinding::changed, this, push));
    m_optionWatches.append(connect(&m_formatOptions->scriptMemo(), &QPlainTextEdit::textChanged, this, push));
    m_optionWatches.append(connect(m_formatOptions, &FormatOptionsPanel::composedScriptChanged, this, push));
}

void MainWindow::bindSettings()
{
    SettingsBinding& binding = m_settings->binding();
    m_communication->bindSettings(binding);
    m_formatOptions->bindSettings(binding);
    m_programOptions->bindSettings(binding);
    connect(m_communication, &CommunicationPanel::defaultsClicked, this,
            [this] { m_settings->restoreCommunicationDefaults(); });
    // The start-up entry follows the tick at once.
    connect(&binding, &SettingsBinding::changed, this, [this](Setting setting) {
        if (setting == Setting::AutoRun)
            m_autoRun->setAutoRun(m_settings->values().startAtLogon);
    });
    // A result that went out proves the port: the next start opens it instead of searching.
    connect(&m_processData->statistics(), &Statistics::changed, this,
            [this] { m_settings->binding().set(Setting::PortConfigured, true); });
}

void MainWindow::outputFileFailed(const QString& path, const QString& reason, bool first)
{
    m_settings->binding().set(Setting::RepeatRead, false);
    const QString text =
        tr("Błąd zapisu do pliku.") + QStringLiteral("\n%1\n%2").arg(QDir::toNativeSeparators(path), reason);
    // One box for a run of failures; the rest show in the status line (and the monitor) until a write
    // succeeds again.
    if (first)
        MessagePresenter::current().show(this, text, tr("Błąd"), MessagePresenter::Icon::Error,
                                         MessagePresenter::Buttons::Ok);
    m_ui->linkStatusLabel->setText(tr("Błąd zapisu do pliku."));
    m_ui->linkStatusLabel->setToolTip(text);
    m_ui->linkStatusLabel->setStyleSheet(QStringLiteral("color: red;"));
}

bool MainWindow::isMainWindowActive() const
{
    return ownWindowActive();
}
