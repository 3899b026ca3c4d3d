#pragma once

#include "processing/localeformats.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class QPlainTextEdit;
class SettingsBinding;
class Statistics;
struct ProcessingOptions;

namespace Ui {
class FormatOptionsPanel;
}

// The page formatOptionsPage of the main window: how a weighing result becomes output (the read mode, the
// fields and separators from which ComposedScript is built, or the script written by hand), the
// decimal separator, the result format and the report options. The settings loader puts values into
// these controls from code; the handlers are connected to the value-change signals so that they run
// for loaded values just as for the user's clicks. A preview line shows what the latest result (an
// example one until a result arrives) would make the program type under the options as they stand.
class FormatOptionsPanel : public QWidget
{
    Q_OBJECT

public:
    explicit FormatOptionsPanel(QWidget* parent = nullptr);
    ~FormatOptionsPanel() override;

    // The memo holding the script that the advanced options run.
    QPlainTextEdit& scriptMemo();
    // Its controls into the settings binding.
    void bindSettings(SettingsBinding& binding);

    // ComposedScript: the script used while the advanced options are off.
    QString composedScript() const { return m_composedScript; }
    // fieldsList as one '1' or '0' per position; a text of another length than the list's is
    // ignored.
    QString sendFieldsText() const;
    void setSendFieldsText(const QString& text);

    // readModeGroup item index.
    int readMode() const;
    bool advancedOptions() const;
    // scriptEdit text.
    QString scriptText() const;
    // decimalSeparatorGroup item index.
    int decimalSeparatorChoice() const;
    bool removeScannerFrame() const;
    bool reportTime() const;
    // dataDelayBox item index: the seconds within which chunks form one report, -1 while the
    // typed text is none of the items.
    int reportDataDelay() const;
    void setReportDataDelay(int index);
    // resultFormatBox and resultFormatEdit: results shown and written with the user's own mask.
    bool useResultFormat() const;
    QString resultFormat() const;

    // The results whose latest the preview shows; it follows each one that went out. Without any, or
    // while they hold none, the preview shows an example result.
    void setStatistics(Statistics* statistics);
    // The separators and the date and time formats the preview writes with; the user's locale unless
    // a test sets others. The processing's are the same.
    void setLocaleFormats(const LocaleFormats& formats);
    // The options the page's controls stand for, as far as they shape a result's output.
    ProcessingOptions outputOptions() const;

signals:
    void composedScriptChanged();

public slots:
    void scriptChoiceChanged();
    void optionsChanged();
    void scriptWizardClicked();
    void scriptHelpClicked();
    void extendScriptClicked();
    void resultFormatToggled();
    void restoreFormatDefaults();
    // Every handler run again for what the controls hold, as after values were put in from code.
    void followControls();
    void showPreview();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void followTypedDelay(const QString& text);
    void showExtendState();
    void placeScriptGroup();

    std::unique_ptr<Ui::FormatOptionsPanel> m_ui;
    QString m_composedScript;
    bool m_scriptEnlarged = false;
    QPointer<Statistics> m_source;
    LocaleFormats m_formats;
};
