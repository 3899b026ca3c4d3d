#include "ui/mainform.h"

#include "core/clock.h"
#include "core/global.h"
#include "core/languagemodule.h"
#include "core/messagepresenter.h"
#include "core/programinfo.h"
#include "link/ethlinkstatus.h"
#include "link/ethsupervision.h"
#include "link/portmap.h"
#include "link/scalecommands.h"
#include "platform/autostartentry.h"
#include "platform/hotkeyregistrar.h"
#include "platform/keyboardinjector.h"
#include "platform/notificationareawatcher.h"
#include "platform/windowactivation.h"
#include "processing/processdata.h"
#include "processing/statistics.h"
#include "ui/artwork.h"
#include "ui/compactstyle.h"
#include "ui/dialogpresenter.h"
#include "ui/formatoptionspanel.h"
#include "ui/formsettings.h"
#include "ui/languageswitch.h"
#include "ui/namedcontrol.h"
#include "ui/portsearchdialog.h"
#include "ui/programoptionspanel.h"
#include "ui/radiogroup.h"
#include "ui/scalehotkeys.h"
#include "ui/settingsbinding.h"
#include "ui/statisticspanel.h"
#include "ui/trayicon.h"
#include "ui/typingstatus.h"

#include "ui_mainform.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <QWindowStateChangeEvent>

namespace {

constexpr int englishLanguage = LanguageModule::English;
constexpr int polishLanguage = LanguageModule::Polish;

const QColor stateRed(255, 0, 0);
const QColor stateYellow(255, 255, 0);
const QColor stateGreen(0, 128, 0);

QTimer* makeTimer(QObject* parent, const char* name, int interval)
{
    auto* timer = new QTimer(parent);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(interval);
    return timer;
}

} // namespace

TMainForm::TMainForm(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::TMainForm>())
{
    useDialogsForMessages();
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("TMainForm"));
    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    m_statistics = m_ui->PanelStats;
    m_formatOptions = m_ui->PanelOptions;
    m_programOptions = m_ui->PanelOptions2;
    for (QWidget* page : {m_ui->PanelComm, m_ui->Panel6, m_ui->Panel9})
        applyCompactStyle(page);
    m_connection = namedControl<RadioGroup>(this, "rgConnection");
    connect(m_connection, &RadioGroup::itemIndexChanged, this, &TMainForm::rgConnectionClick);
    connect(m_ui->UpDown1, &QSpinBox::valueChanged, this, &TMainForm::showPortDevice);
    connect(m_ui->sbOpenComm, &QAbstractButton::clicked, this, &TMainForm::sbOpenCommClick);
    connect(m_ui->sbDetect, &QAbstractButton::clicked, this, &TMainForm::sbDetectClick);
    rgConnectionClick();
    // The port number's edit box and its up-down arrows are one control here; both names reach it.
    m_portEdit = m_ui->UpDown1->findChild<QLineEdit*>();
    m_portEdit->setObjectName(QStringLiteral("Edit1"));

    m_readMode = namedControl<RadioGroup>(this, "rgOptReadFromScale");
    m_decimalSeparator = namedControl<RadioGroup>(this, "rgOptDecimalSeparator");
    m_destinationCursor = namedControl<QCheckBox>(this, "chbDestinationCursor");
    m_destinationFile = namedControl<QCheckBox>(this, "chbDestinationFile");
    m_advanced = namedControl<QCheckBox>(this, "chkbOptAdvanced");
    m_cutScannerFrame = namedControl<QCheckBox>(this, "chbWytnijRamkeSkanera");
    m_dateBeforeReport = namedControl<QCheckBox>(this, "chbCzasPrzedRaportem");
    m_cycleRead = namedControl<QCheckBox>(this, "chkbCycleRead");
    m_makerFormats = namedControl<QCheckBox>(this, "chbMakerFormats");
    m_readOnlyStable = namedControl<QCheckBox>(this, "chbReadOnlyStable");

    m_timerActivation = makeTimer(this, "TimerActivation", 1);
    m_timerMinimise = makeTimer(this, "TimerMinimise", 100);
    m_timerActivation->setSingleShot(true);
    m_timerMinimise->setSingleShot(true);
    connect(m_timerActivation, &QTimer::timeout, this, &TMainForm::TimerActivationTimer);
    connect(m_timerMinimise, &QTimer::timeout, this, &TMainForm::TimerMinimiseTimer);

    // In the order of the pages of the content area, which each one shows.
    m_navigation = {m_ui->sbStatistics, m_ui->sbCommunication, m_ui->sbOptions,
                    m_ui->sbAbout,      m_ui->sbOptions2,      m_ui->sbHelp};
    for (QAbstractButton* button : std::as_const(m_navigation))
        connect(button, &QAbstractButton::clicked, this, [this, button] { ChangePanel(button); });
    connect(m_ui->Label17, &QLabel::linkActivated, this, &TMainForm::Label17Click);
    connect(m_ui->Label19, &QLabel::linkActivated, this, &TMainForm::Label19Click);
    m_ui->Image2->installEventFilter(this);
    for (QLabel* label : {m_ui->Label3, m_ui->Label4})
        label->setText(ProgramInfo::title());
    paintBanner();

    // German is not offered; the identifiers are the locale numbers the language switch uses.
    m_ui->sbEnglish->setProperty("Tag", englishLanguage);
    m_ui->sbPolish->setProperty("Tag", polishLanguage);
    m_ui->sbGerman->setEnabled(false);
    m_ui->sbGerman->setVisible(false);
    m_ui->sbEnglish->setIcon(britishFlag(m_ui->sbEnglish->iconSize()));
    m_ui->sbPolish->setIcon(polishFlag(m_ui->sbPolish->iconSize()));
    for (QAbstractButton* button : {m_ui->sbEnglish, m_ui->sbPolish})
        connect(button, &QAbstractButton::clicked, this, &TMainForm::sbLanguageClick);
    m_languages = std::make_unique<LanguageModules>(ProgramInfo::executablePath());

    m_keyboard = createKeyboardInjector();
    showAbout();
    m_processData = std::make_unique<ProcessData>(*m_keyboard, Clock::system());
    m_processData->setOwnWindowActive([this] { return isMainWindowActive(); });
    connect(&m_processData->delivery(), &Delivery::outputFileFailed, this, &TMainForm::outputFileFailed);
    m_statistics->setStatistics(&m_processData->statistics());
    m_settings = std::make_unique<FormSettings>(*this, m_formatOptions->scriptMemo());
    bindSettings();
    watchProcessingOptions();
    pushProcessingOptions();
    // Where the desktop must allow typing, a row under the status line says when it does not.
    if (KeyboardGrant* grant = m_keyboard->grant()) {
        m_settings->setKeyboardGrant(grant);
        layout()->addWidget(new TypingStatus(*grant, this));
    }
    // Its switch starts off, so the entry a previous run left goes until the settings are read.
    m_autoRun = new AutoStartEntry(QCoreApplication::applicationFilePath(), AutoStartEntry::userFolder(), this);
    m_autoRun->AddAutoRunEntry();
    connect(m_ui->cbSystemStartup, &QCheckBox::toggled, this, &TMainForm::cbSystemStartupClick);
    setUpHotKeys();
    m_serial =
        std::make_unique<SerialConnection>([this] { return readModeFromIndex(m_readMode->itemIndex()); },
                                           [this](const QByteArray& text) { m_processData->TakeScaleText(text); });
    connect(m_serial.get(), &SerialConnection::stateChanged, this, &TMainForm::serialStateChanged);
    connect(m_serial.get(), &SerialConnection::portError, this, [this](const PortError& error) {
        MessagePresenter::current().show(this, error.text, error.caption,
                                         error.icon == PortError::Icon::Error ? MessagePresenter::Icon::Error
                                                                              : MessagePresenter::Icon::None,
                                         MessagePresenter::Buttons::Ok);
    });
    m_eth = std::make_unique<EthConnection>([this] { return readModeFromIndex(m_readMode->itemIndex()); },
                                            [this](const QByteArray& text) { m_processData->TakeScaleText(text); });
    // Queued, as the posted message it stands for: the link's own steps finish before the display follows.
    connect(
        m_eth.get(), &EthConnection::stateChanged, this,
        [this](EthLinkState state) { EthLinkStateChanged(int(state)); }, Qt::QueuedConnection);
    connect(m_eth.get(), &EthConnection::connectionStarted, this,
            [this] { m_processData->report().startConnection(); });
    connect(
        m_eth.get(), &EthConnection::listenerFailed, this,
        [this](quint16 localPort, const QString& why) { showEthStatus(ethListenerFailureStatus(localPort, why)); },
        Qt::QueuedConnection);
    m_orders = std::make_unique<LinkOrderTransport>(*m_serial, *m_eth);
    m_programOptions->setOrderSender([this](const QByteArray& command) {
        ++m_ordersGiven;
        SendOrder(command, connectionKind(), EthProtocol(ethTarget().protocol), *m_orders);
    });
    // A child of the window, so that TimerPing is found among the window's timers.
    m_supervision = new EthSupervision(
        *m_eth, [this] { return ethTarget(); }, this);

    m_portSearch = new PortSearchDialog(this);
    connect(m_portSearch, &PortSearchDialog::portFound, this, [this](int port, int baudCode) {
        m_settings->binding().set(Setting::ComPort, port);
        m_settings->binding().set(Setting::Baud, baudCode);
        m_settings->binding().set(Setting::PortConfigured, true);
    });
    // A search that finds nothing leaves the start searching again.
    connect(m_portSearch, &PortSearchDialog::searchStarted, this,
            [this] { m_settings->binding().set(Setting::PortConfigured, false); });
    // Scales of some makers end their lines with CR alone, and print results shorter than the links'
    // rules for status lines; with their formats chosen, the links cut for them.
    connect(m_makerFormats, &QCheckBox::toggled, this, [this](bool on) {
        m_serial->setMakerLines(on);
        m_eth->setMakerLines(on);
        m_portSearch->setMakerLines(on);
    });

    m_tray = new TrayIcon(*this, createNotificationAreaWatcher());
    m_tray->setVisible(true);
    setWindowIcon(linkPicture(LinkPicture::Open));

    FirstActivation = true;
    Global::SerialStopped = true;

    // Fixed size from the contents, centred on the screen the window opens on.
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TMainForm::~TMainForm()
{
    // The links hand text to the processing, so they end before anything else goes.
    m_programOptions->setOrderSender({});
    // The controls outlive the processing and the settings, which the options are gathered from.
    for (const QMetaObject::Connection& watch : std::as_const(m_optionWatches))
        disconnect(watch);
    delete m_supervision;
    m_eth.reset();
    m_serial.reset();
}

// The title text twice, white over a dark copy 3 pixels right and 2 down, on a picture of our own.
void TMainForm::paintBanner()
{
    const QSize size(std::max(356, m_ui->Image2->width()), 56);
    const QPixmap picture = bannerPicture(size);
    m_ui->Image2->setPixmap(picture);

    QFont title(QStringLiteral("Lucida Sans Unicode"));
    title.setPixelSize(16);
    title.setBold(true);
    for (QLabel* label : {m_ui->Label3, m_ui->Label4}) {
        label->setFont(title);
        label->adjustSize();
    }
    QPalette shadow = m_ui->Label3->palette();
    shadow.setColor(QPalette::WindowText, palette().color(QPalette::WindowText));
    m_ui->Label3->setPalette(shadow);
    QPalette front = m_ui->Label4->palette();
    front.setColor(QPalette::WindowText, Qt::white);
    m_ui->Label4->setPalette(front);
    const QPoint shadowAt(size.width() - m_ui->Label3->width() - 14, (size.height() - m_ui->Label3->height()) / 2 + 2);
    m_ui->Label3->move(shadowAt);
    m_ui->Label4->move(shadowAt - QPoint(3, 2));
    m_ui->Label4->raise();
}

bool TMainForm::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowActivate:
        FormActivate();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->Image2 && event->type() == QEvent::MouseButtonRelease)
        Label19Click();
    // The picture spans the window, whose width follows the widest panel.
    if (watched == m_ui->Image2 && event->type() == QEvent::Resize)
        paintBanner();
    return QWidget::eventFilter(watched, event);
}

// Restoring from a minimised state is not a show of the window; only the program's own showing is.
void TMainForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TMainForm::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        FormHide();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (!m_closing) {
        m_closing = true;
        FormCloseQuery();
    }
    event->accept();
}

void TMainForm::FormShow()
{
    m_settings->RestoreSettings();
    // The script file was read again, and its bytes are what runs, whether or not the memo changed.
    pushProcessingOptions();
    QAbstractButton* panel = m_navigation.value(CurrentPanel, m_ui->sbStatistics);
    showLinkState();
    m_formatOptions->ChooseOptionClick();
    m_formatOptions->ChangeScriptClick();
    panel->setChecked(true);
    ChangePanel(panel);
}

void TMainForm::showLinkState()
{
    if (connectionKind() != ScaleLink::Ethernet) {
        ShowSerialState(Global::SerialStopped ? SerialState::Closed : SerialState::Open);
    } else {
        const int state = int(m_eth->shownState());
        QMetaObject::invokeMethod(
            this, [this, state] { EthLinkStateChanged(state); }, Qt::QueuedConnection);
    }
}

void TMainForm::FormActivate()
{
    if (!FirstActivation || m_settingsLoaded)
        return;
    m_settingsLoaded = true;

    m_timerActivation->start(1);
    m_settings->LoadSettings();
    m_settings->StoreSettings();
    pushProcessingOptions();
    m_formatOptions->ChooseOptionClick();
    m_formatOptions->ChangeScriptClick();
    rgConnectionClick();
    // With the time and unit loaded, whatever order the values came in.
    m_programOptions->chkbCycleReadClick();
    QAbstractButton* panel = m_settings->values().portConfigured ? m_ui->sbStatistics : m_ui->sbCommunication;
    panel->setChecked(true);
    ChangePanel(panel);
    m_autoRun->setAutoRun(m_ui->cbSystemStartup->isChecked());
    QDir().mkpath(FormSettings::logFolder());
    setWindowTitle(ProgramInfo::title());
    QApplication::setApplicationDisplayName(ProgramInfo::title());
}

void TMainForm::TimerActivationTimer()
{
    m_timerActivation->stop();
    // Before the port search or the opening, which would otherwise come up behind the message.
    m_settings->reportLoadProblem();
    FindLanguage(m_settings->values().language);
    if (m_closing)
        return;
    m_ui->Label3->setText(ProgramInfo::title());
    m_ui->Label4->setText(ProgramInfo::title());
    if (!m_settings->values().portConfigured && connectionKind() == ScaleLink::Serial)
        sbDetectClick();
    if (m_settings->values().portConfigured && m_ui->cbStartComm->isChecked())
        sbOpenCommClick();
    m_timerMinimise->start();
}

void TMainForm::TimerMinimiseTimer()
{
    m_timerMinimise->stop();
    // Only an open serial port counts; an Ethernet link does not.
    if (!Global::SerialStopped && FirstActivation && m_ui->cbRunMinimased->isChecked()) {
        // Without a notification area the window could not be brought back, so it goes to the taskbar.
        if (m_tray->trayAvailable())
            m_tray->HideToTray();
        else
            showMinimized();
    }
    FirstActivation = false;
}

void TMainForm::cbSystemStartupClick()
{
    m_autoRun->setAutoRun(m_ui->cbSystemStartup->isChecked());
}

void TMainForm::FormHide()
{
    m_settings->StoreSettings();
}

void TMainForm::FormCloseQuery()
{
    m_supervision->stop();
    m_eth->release();
    m_settings->StoreSettings();
    Button2Click();
    // The window is not shown again for the close: on X11 there is nothing to give back to the taskbar,
    // and it would only flash.
    m_tray->remove();
}

void TMainForm::Button2Click()
{
    m_settings->Button2Click();
}

void TMainForm::setProgramPath(const QString& path)
{
    m_languages = std::make_unique<LanguageModules>(path);
}

void TMainForm::sbLanguageClick()
{
    const auto* button = qobject_cast<QAbstractButton*>(sender());
    if (!button)
        return;
    hide();
    FindLanguage(button->property("Tag").toInt());
    if (m_closing)
        return;
    m_ui->Label3->setText(ProgramInfo::title());
    m_ui->Label4->setText(ProgramInfo::title());
    show();
}

void TMainForm::FindLanguage(qint32 language)
{
    hide();
    language = LanguageModule::offeredLanguage(language);
    if (const auto found = ChangeLanguage(language); found != LanguageModules::Found::Loaded) {
        NoLanguageMessage(language, found);
        const qint32 other = language == englishLanguage ? polishLanguage : englishLanguage;
        if (const auto otherFound = ChangeLanguage(other); otherFound != LanguageModules::Found::Loaded) {
            NoLanguageMessage(other, otherFound);
            // The normal close, so that the settings are written; quitting does nothing where no
            // event loop runs yet.
            close();
            QCoreApplication::quit();
            return;
        }
    }
    show();
    setWindowTitle(ProgramInfo::title());
    QApplication::setApplicationDisplayName(ProgramInfo::title());
}

LanguageModules::Found TMainForm::ChangeLanguage(qint32 language)
{
    if (const auto found = m_languages->LoadLanguageModule(language); found != LanguageModules::Found::Loaded)
        return found;
    m_settings->binding().set(Setting::Language, language);
    LanguageSwitchKeeper kept(*this, *m_programOptions);
    m_languages->UseResourceModule();
    // Now, before the values go back, rather than when the posted events come.
    ReloadAllForms();
    kept.restore();
    return LanguageModules::Found::Loaded;
}

// In both languages at once, whichever is in use: the module that would translate it is what is missing
// or broken. A file that is there but cannot be read says so, so that nobody looks for a missing file.
void TMainForm::NoLanguageMessage(qint32 language, LanguageModules::Found found)
{
    const bool english = language == englishLanguage;
    const bool unreadable = found == LanguageModules::Found::Unreadable;
    const QString reason =
        english
            ? (unreadable ? QStringLiteral("Language file cannot be read") : QStringLiteral("Language file not found"))
            : (unreadable ? QStringLiteral("Nie można odczytać pliku języka") : QStringLiteral("Brak pliku języka"));
    MessagePresenter::current().show(this,
                                     english ? QStringLiteral("Cannot load english language.")
                                             : QStringLiteral("Nie można załadować języka polskiego."),
                                     reason, MessagePresenter::Icon::Error, MessagePresenter::Buttons::Ok);
}

void TMainForm::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        const QString title = windowTitle();
        m_ui->retranslateUi(this);
        setWindowTitle(title);
        // The texts this window put into its controls itself.
        showAbout();
        showPortDevice();
        showLinkState();
    }
    // After the minimising has run its course, not inside the state change.
    if (event->type() == QEvent::WindowStateChange && isMinimized() &&
        !(static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized))
        QMetaObject::invokeMethod(m_tray, &TrayIcon::windowMinimised, Qt::QueuedConnection);
    QWidget::changeEvent(event);
}

void TMainForm::ChangePanel(QAbstractButton* sender)
{
    const int index = int(m_navigation.indexOf(sender));
    if (index < 0)
        return;
    m_ui->ContentArea->setCurrentIndex(index);
    CurrentPanel = index;
    // Devices come and go (USB adapters); look again whenever the user looks at the port.
    if (m_ui->ContentArea->currentWidget() == m_ui->PanelComm)
        showPortDevice();
    m_programOptions->chbDestinationClick();
}

void TMainForm::showPortDevice()
{
    const QString device = PortMap::devicePath(m_ui->UpDown1->value());
    m_ui->LabelPortDevice->setText(device.isEmpty() ? tr("(brak urządzenia)") : device);
    m_ui->LabelPortDevice->setToolTip(device);
}

EthTarget TMainForm::ethTarget() const
{
    return {quint8(namedControl<RadioGroup>(this, "rgEthProtocol")->itemIndex()), m_ui->EditIP->text(),
            ethPortFromText(m_ui->EditPort->text())};
}

ScaleLink TMainForm::connectionKind() const
{
    switch (m_connection->itemIndex()) {
    case int(ScaleLink::Serial):
        return ScaleLink::Serial;
    case int(ScaleLink::Ethernet):
        return ScaleLink::Ethernet;
    default:
        return ScaleLink::None;
    }
}

// Before the settings are loaded: ticking a hot key's box from them registers the key.
void TMainForm::setUpHotKeys()
{
    m_hotKeys = std::make_unique<ScaleHotKeys>(*m_programOptions, createHotKeyRegistrar());
}

// Only the settings group of the chosen connection kind is shown; the port search is for serial ports.
void TMainForm::rgConnectionClick()
{
    const ScaleLink kind = connectionKind();
    const bool serial = kind == ScaleLink::Serial;
    // With no kind chosen (a stored value of neither) there is nothing to set up or search for.
    m_ui->gbSerialPort->setVisible(serial);
    m_ui->gbEthernet->setVisible(kind == ScaleLink::Ethernet);
    m_ui->sbDetect->setEnabled(serial);
    if (kind == ScaleLink::None)
        return;
    // The choice can change only while no link is open or wanted (the settings loaded at start, or the
    // user's click); the status line then speaks of the kind chosen, not of the other one.
    if (!m_eth || m_serial->isOpen() || m_eth->isOpen() || m_supervision->isWanted())
        return;
    if (serial)
        ShowSerialState(SerialState::Closed);
    else
        EthLinkStateChanged(int(m_eth->shownState()));
}

void TMainForm::sbOpenCommClick()
{
    m_processData->report().setLastReportTime(Clock::system().now());
    if (connectionKind() == ScaleLink::None)
        return;
    if (connectionKind() == ScaleLink::Ethernet) {
        m_supervision->sbOpenCommClick(m_ui->sbOpenComm->text() == tr("Zamknij port"));
        return;
    }
    if (m_serial->isOpen()) {
        m_serial->StopSerial();
        return;
    }

    bool isNumber = false;
    const int port = m_portEdit->text().toInt(&isNumber);
    PortSettings settings;
    settings.Port = isNumber ? port : 0;
    settings.BaudCode = m_ui->cbBaudRate->currentIndex();
    m_serial->setPortSettings(settings);
    m_serial->setBufferSize(m_settings->values().bufferSize);
    m_serial->StartSerial();
}

void TMainForm::serialStateChanged(SerialState state)
{
    if (state == SerialState::Open) {
        m_ui->sbDetect->setEnabled(false);
        m_processData->report().startConnection();
        m_tray->setImageIndex(int(LinkPicture::Open));
    } else if (state == SerialState::Closed) {
        m_tray->setImageIndex(int(LinkPicture::Closed));
        if (connectionKind() == ScaleLink::Serial)
            m_ui->sbDetect->setEnabled(true);
    }
    ShowSerialState(state);
}

void TMainForm::ShowSerialState(SerialState state)
{
    QString status;
    QColor colour = stateRed;
    switch (state) {
    case SerialState::Closed:
        m_ui->sbOpenComm->setText(tr("Otwórz port"));
        status = tr("Zamknięty port COM.");
        break;
    case SerialState::Open:
        m_ui->sbOpenComm->setText(tr("Zamknij port"));
        status = tr("Otwarty port COM.");
        colour = stateGreen;
        break;
    case SerialState::Failed:
        status = tr("Brak połączenia. Sprawdź ustawienia.");
        break;
    }
    showLinkStatus(status, colour);
    SetLinkSettingsEnabled(state != SerialState::Open);
}

void TMainForm::EthLinkStateChanged(int state)
{
    if (const std::optional<EthLinkStatus> status = ethLinkStatus(state, m_supervision->isWanted()))
        showEthStatus(*status);
}

void TMainForm::showEthStatus(const EthLinkStatus& status)
{
    switch (status.caption) {
    case EthLinkStatus::Caption::Unchanged:
        break;
    case EthLinkStatus::Caption::Open:
        m_ui->sbOpenComm->setText(tr("Otwórz port"));
        break;
    case EthLinkStatus::Caption::Close:
        m_ui->sbOpenComm->setText(tr("Zamknij port"));
        break;
    }
    const QColor colours[] = {stateRed, stateYellow, stateGreen};
    showLinkStatus(status.text, colours[int(status.colour)]);
    SetLinkSettingsEnabled(status.settingsEnabled);
}

void TMainForm::showLinkStatus(const QString& text, const QColor& colour)
{
    m_ui->LabelCommStatus->setText(text);
    m_ui->LabelCommStatus->setStyleSheet(QStringLiteral("color: %1;").arg(colour.name()));
}

void TMainForm::SetLinkSettingsEnabled(bool enabled)
{
    for (const char* name : {"rgConnection", "gbEthernet", "EditIP", "EditPort", "rgEthProtocol", "gbSerialPort",
                             "Edit1", "UpDown1", "cbBaudRate", "sbCommDefault"})
        namedControl<QWidget>(this, name)->setEnabled(enabled);
}

void TMainForm::sbDetectClick()
{
    if (!Global::SerialStopped || m_portSearch->isVisible())
        return;
    // The search asks on a thread of its own, so it gets the choices as they are now rather than the
    // controls.
    const bool makers = m_makerFormats->isChecked();
    const bool onlyStable = m_readOnlyStable->isChecked();
    m_portSearch->setAnswerParser([makers, onlyStable](const QByteArray& answer) {
        return ProcessData::acceptsAnswer(answer, makers, onlyStable);
    });
    m_portSearch->exec();
}

void TMainForm::showAbout()
{
    m_ui->LabelProduct->setText(ProgramInfo::title());
    m_ui->Label19->setText(tr("Wersja %1").arg(ProgramInfo::version()));
    // Said where typing does not reach every window: a user of such a desktop would otherwise only see
    // that nothing arrives.
    const KeyboardInjector::Reach reach = m_keyboard->reach();
    m_ui->typingReachLabel->setVisible(reach != KeyboardInjector::Reach::EveryWindow);
    m_ui->typingReachLabel->setText(reach == KeyboardInjector::Reach::X11WindowsOnly
                                        ? tr("Wyniki są wpisywane tylko do programów X11.")
                                        : tr("Wyniki nie są tu wpisywane, tylko zapisywane do pliku."));
    const QString documentation = ProgramInfo::documentationFolder();
    m_ui->Label17->setVisible(!documentation.isEmpty());
    m_ui->Label17->setText(
        tr("Dokumentacja: <a href=\"%1\">%2</a>")
            .arg(ProgramInfo::documentationUrl().toString(QUrl::FullyEncoded), documentation.toHtmlEscaped()));
}

void TMainForm::Label17Click()
{
    Label19Click();
}

// There is no web address to open; the banner and the About page lead to the documentation instead.
void TMainForm::Label19Click()
{
    const QUrl documentation = ProgramInfo::documentationUrl();
    if (!documentation.isEmpty())
        QDesktopServices::openUrl(documentation);
}

void TMainForm::StartMessage()
{
    if (isMinimized())
        showNormal();
    if (!isVisible())
        show();
    raise();
    activateWindow();
    activateOnUserRequest(winId());
    // A dialog that holds the window (the port search) is what the user must see and answer.
    if (QWidget* dialog = QApplication::activeModalWidget()) {
        dialog->raise();
        dialog->activateWindow();
        activateOnUserRequest(dialog->winId());
    }
}

OrderOutcome TMainForm::ScaleOrderReceived(ScaleOrder order)
{
    if (!scaleLinkOpen())
        return OrderOutcome::LinkClosed;
    const char* button = "sbPrint";
    switch (order) {
    case ScaleOrder::Tare:
        button = "sbTare";
        break;
    case ScaleOrder::Zero:
        button = "sbZero";
        break;
    case ScaleOrder::Print:
        break;
    case ScaleOrder::Special:
        button = "sbSpecial";
        break;
    }
    const quint64 before = m_ordersGiven;
    namedControl<QAbstractButton>(m_programOptions, button)->click();
    return m_ordersGiven != before ? OrderOutcome::Sent : OrderOutcome::NotSent;
}

bool TMainForm::scaleLinkOpen() const
{
    if (connectionKind() == ScaleLink::None)
        return false;
    if (connectionKind() == ScaleLink::Serial)
        return !Global::SerialStopped;
    if (EthProtocol(ethTarget().protocol) == EthProtocol::Udp)
        return m_eth->udpLocalPort() != 0;
    return m_eth->GetState() == EthLinkState::Connected;
}

// The one place the options are gathered, so that another source of them can take its place.
ProcessingOptions TMainForm::processingOptions() const
{
    const UserSettings& settings = m_settings->values();
    ProcessingOptions options;
    options.readMode = readModeFromIndex(settings.readMode);
    options.typeIntoFocusedWindow = settings.typesIntoFocus();
    options.appendToFile = settings.appendsToFile();
    options.outputFile = settings.outputFile;
    options.advancedScript = settings.advancedScript;
    options.script = m_settings->scriptBytes();
    options.composedScript = m_formatOptions->composedScript();
    options.decimalSeparatorChoice = settings.decimalSeparator;
    options.useResultFormat = settings.resultFormatOn;
    options.resultFormat = settings.resultFormat;
    options.removeScannerFrame = settings.removeScannerFrame;
    options.dateBeforeReport = settings.reportTime;
    options.reportDataDelay = settings.reportDataDelay;
    options.makerFormats = settings.makerFormats;
    options.readOnlyStable = settings.onlyStable;
    return options;
}

void TMainForm::pushProcessingOptions()
{
    const ProcessingOptions options = processingOptions();
    m_processData->setOptions(options);
    m_statistics->setResultFormat(options.useResultFormat, options.resultFormat);
}

// Every control an option is read from, by its value-change signal: values the settings loader puts in
// reach the processing just as the user's clicks do.
// The settings the options are made of, and what the script is besides: values the settings loader puts
// in reach the processing just as the user's clicks do.
void TMainForm::watchProcessingOptions()
{
    const auto push = [this] { pushProcessingOptions(); };
    m_optionWatches.append(connect(&m_settings->binding(), &SettingsBinding::changed, this, push));
    m_optionWatches.append(connect(&m_formatOptions->scriptMemo(), &QPlainTextEdit::textChanged, this, push));
    m_optionWatches.append(connect(m_formatOptions, &FormatOptionsPanel::composedScriptChanged, this, push));
}

// The communication page's controls here, the others on their panels.
void TMainForm::bindSettings()
{
    SettingsBinding& binding = m_settings->binding();
    binding.bind(Setting::Connection, m_connection);
    binding.bind(Setting::ComPort, m_ui->UpDown1);
    binding.bind(Setting::Baud, m_ui->cbBaudRate);
    binding.bind(Setting::EthIP, m_ui->EditIP);
    binding.bind(Setting::EthPort, m_ui->EditPort);
    binding.bind(Setting::EthProtocol, m_ui->rgEthProtocol);
    binding.bind(Setting::ComOpenOnStart, m_ui->cbStartComm);
    binding.bind(Setting::AutoRun, m_ui->cbSystemStartup);
    binding.bind(Setting::MinimizeOnStart, m_ui->cbRunMinimased);
    binding.bind(Setting::OnlyOneInstance, m_ui->cbAllowOneInstance);
    m_formatOptions->bindSettings(binding);
    m_programOptions->bindSettings(binding);
    connect(m_ui->sbCommDefault, &QAbstractButton::clicked, this, [this] { m_settings->sbCommDefaultClick(); });
    // A result that went out proves the port: the next start opens it instead of searching.
    connect(&m_processData->statistics(), &Statistics::changed, this,
            [this] { m_settings->binding().set(Setting::PortConfigured, true); });
}

void TMainForm::outputFileFailed()
{
    m_cycleRead->setChecked(false);
    MessagePresenter::current().show(this, tr("Błąd zapisu do pliku."), tr("Błąd"), MessagePresenter::Icon::Error,
                                     MessagePresenter::Buttons::Ok);
}

// Asked of the display server where it can tell: Qt keeps a window active for a moment after the focus
// has gone to another program, and a result arriving then would not be typed where the user is.
bool TMainForm::isMainWindowActive() const
{
    QList<quint64> ownWindows;
    for (const QWindow* window : QGuiApplication::topLevelWindows()) {
        if (window->handle())
            ownWindows.append(quint64(window->winId()));
    }
    if (const std::optional<bool> focused = inputFocusIn(ownWindows))
        return *focused;
    return QApplication::activeWindow() != nullptr;
}
