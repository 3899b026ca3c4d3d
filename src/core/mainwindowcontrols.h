#pragma once

#include <QByteArray>
#include <QString>

// The settings that the processing and link logic read from the main window's controls at the
// moment they need them, and the few things they ask of the window. The main window implements it;
// tests implement it with plain fields. Each member names the control it stands for.
class MainWindowControls
{
public:
    enum class MessageIcon { None, Information, Warning, Error };

    virtual ~MainWindowControls() = default;

    // rgOptReadFromScale item index (see readModeFromIndex).
    virtual int readMode() const = 0;
    // chbDestinationCursor: type the output into the focused window.
    virtual bool destinationCursor() const = 0;
    // chbDestinationFile: append the output to OutputFile.
    virtual bool destinationFile() const = 0;
    // chkbOptAdvanced: run MemoScript instead of the composed script.
    virtual bool advancedOptions() const = 0;
    // MemoScript's script as bytes (the script file's own bytes while the memo shows it unchanged).
    virtual QByteArray scriptText() const = 0;
    // ComposedScript, built from the field options.
    virtual QString composedScript() const = 0;
    // rgOptDecimalSeparator: 0 the system's, 1 ',', 2 '.'.
    virtual int decimalSeparatorChoice() const = 0;
    // chbWytnijRamkeSkanera: cut the scanner frame word out of reports.
    virtual bool removeScannerFrame() const = 0;
    // chbCzasPrzedRaportem: put the date and time in front of a report.
    virtual bool reportTime() const = 0;
    // cbOpoznienieDanych item index: chunks closer than this many seconds form one report; -1 when none.
    virtual int reportDataDelay() const = 0;

    // chbMakerFormats: recognise the weighing lines of common scale makers before the plain parser, and
    // let a CR alone end a line.
    virtual bool makerFormats() const = 0;
    // chbReadOnlyStable: results a scale marks as unsettled are skipped.
    virtual bool readOnlyStable() const = 0;

    // Whether the main window itself is the active window; nothing is typed into it.
    virtual bool isMainWindowActive() const = 0;
    // Unticks chkbCycleRead, which stops the cyclic read.
    virtual void uncheckCycleRead() = 0;
    // A modal message box with an OK button.
    virtual void showMessageBox(const QString& text, const QString& caption, MessageIcon icon) = 0;
};
