#pragma once

#include "core/scaleorder.h"
#include "link/serialconnection.h"

#include <QWidget>

#include <memory>

class AutoStartEntry;
class FormatOptionsPanel;
class KeyboardInjector;
class LanguageChooser;
class LinkControl;
class ProcessData;
class ProgramOptionsPanel;
class QAbstractButton;
class QTimer;
class ScaleHotKeys;
class SettingsKeeper;
class StatisticsPanel;
class CommunicationPanel;
class TrayIcon;

namespace Ui {
class MainWindow;
}

// The program's one ordinary window: six pages beside a column of navigation buttons, the banner and
// the status line. It builds the parts, wires them together, runs the start-up and closing sequences,
// and tells the processing the options the settings hold whenever one of them changes.
class MainWindow : public QWidget
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    ProcessData& processData() { return *m_processData; }
    SettingsKeeper& settings() { return *m_settings; }
    TrayIcon& trayIcon() { return *m_tray; }
    // The language modules are looked for beside this program; tests name another.
    void setProgramPath(const QString& path);

    // Puts the language in place (the other one where its module cannot be loaded); ends the program,
    // with its settings written, when neither can be.
    void useLanguage(qint32 language);
    // Whether a window of ours (this one, a message box, a dialog) is active: nothing is typed then.
    bool isMainWindowActive() const;

public slots:
    // After the first activation: the language, the port search or the opening, then minimiseAfterStart.
    void startUp();
    void minimiseAfterStart();
    void showPage(QAbstractButton* button);
    // A second start of the program asked for this window: restore it and bring it to the front.
    void bringToFront();
    // A later start asked for a scale command (kwelta --command): its button is clicked as the user
    // would, and only while the link is open.
    OrderOutcome scaleOrderReceived(ScaleOrder order);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLinks();
    void firstActivation();
    void restoreOnShow();
    void closeDown();
    void languageButtonClicked(qint32 language);
    // Tells the processing, and the statistics page its share, what the settings hold now.
    void pushProcessingOptions();
    void watchProcessingOptions();
    void bindSettings();
    // A result that could not be written to the output file stops the cyclic reading and tells the user:
    // by a box the first time, on the status line while the failures go on.
    void outputFileFailed(const QString& path, const QString& reason, bool first);

    std::unique_ptr<Ui::MainWindow> m_ui;
    std::unique_ptr<KeyboardInjector> m_keyboard;
    std::unique_ptr<ProcessData> m_processData;
    std::unique_ptr<SettingsKeeper> m_settings;
    std::unique_ptr<ScaleHotKeys> m_hotKeys;
    std::unique_ptr<LanguageChooser> m_languages;
    LinkControl* m_linkControl = nullptr;
    AutoStartEntry* m_autoRun = nullptr;
    TrayIcon* m_tray = nullptr;
    QList<QAbstractButton*> m_navigation;
    StatisticsPanel* m_statistics = nullptr;
    CommunicationPanel* m_communication = nullptr;
    FormatOptionsPanel* m_formatOptions = nullptr;
    ProgramOptionsPanel* m_programOptions = nullptr;
    QList<QMetaObject::Connection> m_optionWatches;
    QTimer* m_startUpTimer = nullptr;
    QTimer* m_minimiseTimer = nullptr;

    bool m_startingUp = true;
    bool m_settingsLoaded = false;
    int m_currentPage = 0;
    bool m_closing = false;
};
