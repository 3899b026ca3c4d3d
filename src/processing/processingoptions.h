#pragma once

#include "core/global.h"

struct UserSettings;

#include <QByteArray>
#include <QString>

// What the processing is told about the user's choices. The window hands a new value whenever one of
// them changes; the processing never looks at a control. The defaults are those of a first start.
struct ProcessingOptions
{
    ReadMode readMode = ReadMode::Indication;
    // Type the output into the focused window.
    bool typeIntoFocusedWindow = true;
    // Append the output to outputFile; nothing is appended while the path is empty.
    bool appendToFile = false;
    QString outputFile;
    // Run script (the hand-written one) instead of composedScript (the one the field options stand for).
    bool advancedScript = false;
    // The hand-written script as bytes: the script file's own bytes while the memo shows it unchanged.
    QByteArray script = QByteArrayLiteral(":m");
    QString composedScript = QStringLiteral(":m:#09:u:#09:#0D:#0A");
    // 0 the system's, 1 ',', 2 '.'.
    int decimalSeparatorChoice = 0;
    // Results are shown and written with resultFormat instead of the mask the scale's decimals give.
    bool useResultFormat = false;
    QString resultFormat;
    // Cut the scanner frame word out of reports.
    bool removeScannerFrame = false;
    // Put the date and time in front of a report.
    bool dateBeforeReport = false;
    // Chunks closer together than this many seconds form one report; -1 dates every chunk.
    int reportDataDelay = 0;
    // Recognise the weighing lines of common scale makers before the plain parser.
    bool makerFormats = false;
    // Results a scale marks as unsettled are skipped.
    bool readOnlyStable = false;

    // The options the user's settings stand for, with the script as it runs: the hand-written one's
    // bytes and the one the field options compose.
    static ProcessingOptions fromSettings(const UserSettings& settings, const QByteArray& script,
                                          const QString& composedScript);
    // The script a result's output runs: the hand-written one, or the one the field options compose.
    QByteArray scriptToRun() const { return advancedScript ? script : composedScript.toUtf8(); }

    bool operator==(const ProcessingOptions&) const = default;
};
