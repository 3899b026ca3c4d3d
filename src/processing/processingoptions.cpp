#include "processing/processingoptions.h"

#include "core/usersettings.h"

ProcessingOptions ProcessingOptions::fromSettings(const UserSettings& settings, const QByteArray& script,
                                                  const QString& composedScript)
{
    ProcessingOptions options;
    options.readMode = readModeFromIndex(settings.readMode);
    options.typeIntoFocusedWindow = settings.typesIntoFocus();
    options.appendToFile = settings.appendsToFile();
    options.outputFile = settings.outputFile;
    options.advancedScript = settings.advancedScript;
    options.script = script;
    options.composedScript = composedScript;
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
