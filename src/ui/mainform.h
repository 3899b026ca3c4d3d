#pragma once

#include "core/global.h"
#include "core/languagemodule.h"
#include "core/scaleorder.h"
#include "link/ethconnection.h"
#include "link/serialconnection.h"

#include <QWidget>

#include <memory>

class AutoStartEntry;
class EthSupervision;
struct EthLinkStatus;
class FormSettings;
class LinkOrderTransport;
class FormatOptionsPanel;
class KeyboardInjector;
class ProcessData;
struct ProcessingOptions;
class ProgramOptionsPanel;
class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QTimer;
class RadioGroup;
class ScaleHotKeys;
class StatisticsPanel;
class PortSearchDialog;
class TrayIcon;

namespace Ui {
class TMainForm;
}

// The program's one ordinary window: six panels beside a column of navigation buttons, the banner
// and the status line. It holds every setting control, runs the start-up and closing sequences,
// receives the messages the rest of the program posts to it, and tells the processing the options its
// controls hold whenever one of them changes.
class TMainForm : public QWidget
{
    Q_OBJECT

public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    ProcessData& processData() { return *m_processData; }
    FormSettings& settings() { return *m_settings; }
    TrayIcon& trayIcon() { return *m_tray; }
    // The language modules are looked for beside this program; tests name another.
    void setProgramPath(const QString& path);

    // Applies the language (any identifier but English meaning Polish), the other one when its module
    // is missing or unreadable, and ends the program, with its settings written, when neither can be
    // loaded.
    void FindLanguage(qint32 language);
    // Retranslates every window into the language, leaving every value as it was; unless the answer is
    // Loaded, nothing changed: the module is missing or cannot be read.
    LanguageModules::Found ChangeLanguage(qint32 language);
    void NoLanguageMessage(qint32 language, LanguageModules::Found found);

    // Whether a window of ours (this one, a message box, a dialog) is active: nothing is typed then.
    bool isMainWindowActive() const;

public slots:
    void ChangePanel(QAbstractButton* sender);
    void rgConnectionClick();
    // Shows beside the port number the device that number stands for now.
    void showPortDevice();
    void Label17Click();
    void Label19Click();
    void sbOpenCommClick();
    void sbDetectClick();
    void ShowSerialState(SerialState state);
    // The Ethernet link's reported state, received queued as a posted message.
    void EthLinkStateChanged(int state);
    void SetLinkSettingsEnabled(bool enabled);
    void TimerActivationTimer();
    void TimerMinimiseTimer();
    // The start-up entry follows the tick at once.
    void cbSystemStartupClick();
    void Button2Click();
    void sbLanguageClick();
    // A second start of the program asked for this window: restore it and bring it to the front.
    void StartMessage();
    // A later start asked for a scale command (kwelta --command): the command's button is clicked as
    // the user would, so exactly what the button sends goes out, and only while the link is open.
    OrderOutcome ScaleOrderReceived(ScaleOrder order);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    void FormActivate();
    void FormHide();
    void FormCloseQuery();
    void paintBanner();
    // The version and where the documentation lies; nothing the program cannot vouch for.
    void showAbout();
    void serialStateChanged(SerialState state);
    void showLinkStatus(const QString& text, const QColor& colour);
    // The state of the chosen link again, in the status line and on sbOpenComm.
    void showLinkState();
    void showEthStatus(const EthLinkStatus& status);
    ScaleLink connectionKind() const;
    EthTarget ethTarget() const;
    // Whether an order sent now would go out on the chosen link.
    bool scaleLinkOpen() const;
    // The scale-command buttons' system-wide hot keys, switched by their check boxes.
    void setUpHotKeys();
    // The options the processing works with, as the controls hold them.
    ProcessingOptions processingOptions() const;
    // Tells the processing, and the statistics page its share, what the controls hold now.
    void pushProcessingOptions();
    void watchProcessingOptions();
    void bindSettings();
    // A result that could not be written to the output file stops the cyclic reading and tells the user.
    void outputFileFailed();

    std::unique_ptr<Ui::TMainForm> m_ui;
    std::unique_ptr<KeyboardInjector> m_keyboard;
    std::unique_ptr<ProcessData> m_processData;
    std::unique_ptr<FormSettings> m_settings;
    std::unique_ptr<SerialConnection> m_serial;
    std::unique_ptr<EthConnection> m_eth;
    std::unique_ptr<ScaleHotKeys> m_hotKeys;
    std::unique_ptr<LanguageModules> m_languages;
    EthSupervision* m_supervision = nullptr;
    AutoStartEntry* m_autoRun = nullptr;
    std::unique_ptr<LinkOrderTransport> m_orders;
    // Orders handed to the link so far, so that a click can tell whether its button sent one.
    quint64 m_ordersGiven = 0;
    PortSearchDialog* m_portSearch = nullptr;
    TrayIcon* m_tray = nullptr;
    QList<QAbstractButton*> m_navigation;
    StatisticsPanel* m_statistics = nullptr;
    FormatOptionsPanel* m_formatOptions = nullptr;
    ProgramOptionsPanel* m_programOptions = nullptr;

    // The controls the processing options are built from, looked up once.
    RadioGroup* m_readMode = nullptr;
    RadioGroup* m_decimalSeparator = nullptr;
    QCheckBox* m_destinationCursor = nullptr;
    QCheckBox* m_destinationFile = nullptr;
    QCheckBox* m_advanced = nullptr;
    QCheckBox* m_cutScannerFrame = nullptr;
    QCheckBox* m_dateBeforeReport = nullptr;
    QCheckBox* m_cycleRead = nullptr;
    QCheckBox* m_makerFormats = nullptr;
    QCheckBox* m_readOnlyStable = nullptr;
    QLineEdit* m_portEdit = nullptr;
    RadioGroup* m_connection = nullptr;

    QList<QMetaObject::Connection> m_optionWatches;

    QTimer* m_timerActivation = nullptr;
    QTimer* m_timerMinimise = nullptr;

    bool FirstActivation = true;
    bool m_settingsLoaded = false;
    int CurrentPanel = 0;
    bool m_closing = false;
};
