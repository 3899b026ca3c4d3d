#pragma once

#include "support/temporaryprofile.h"

#include <QList>
#include <QSettings>
#include <QString>

#include <utility>

using SettingValues = QList<std::pair<QString, QString>>;

// A whole settings file, as a close writes it: the default format options, a serial port that was
// configured once and is not opened at start, cursor and file as destinations. A missing value would
// make the start fall back to the defaults, a serial port search among them.
inline SettingValues configuredSettings(const QString& outputFile)
{
    return {
        {"Connection", "0"},        {"ComPort", "1"},           {"Baud", "10"},
        {"EthIP", "192.168.1.100"}, {"EthPort", "1001"},        {"EthProtocol", "0"},
        {"DecimalSeparator", "0"},  {"ComOpenOnStart", "0"},    {"AutoRun", "0"},
        {"MinimizeOnStart", "0"},   {"OnlyOneInstance", "0"},   {"ReadFromScale", "0"},
        {"SendFields", "0001100"},  {"InsBetweenFields", "2"},  {"InsAfterFields", "3"},
        {"AdvancedOptions", "0"},   {"PortConfigured", "1"},    {"Language", "1045"},
        {"RepeatTime", "1"},        {"RepeatUnit", "1"},        {"BufferSize", "4096"},
        {"Destination", "3"},       {"OutputFile", outputFile}, {"SpecialShortCut", ""},
        {"TareShortCut", ""},       {"ZeroShortCut", ""},       {"PrintShortCut", ""},
        {"SpecialCheck", "0"},      {"TareCheck", "0"},         {"ZeroCheck", "0"},
        {"PrintCheck", "0"},        {"ReadOnlyStable", "0"},    {"SpecialOrder", "Sx1"},
        {"ResultFormat", "0.####"}, {"SetResultFormat", "0"},   {"ReportTime", "0"},
        {"RemoveScanerFrame", "0"}, {"ReportDataDelay", "0"},   {"RepeatRead", "0"},
    };
}

// The configured settings with the changes over them, as the profile's settings file; the file's
// status, QSettings::NoError when all went in.
inline QSettings::Status writeConfiguredSettings(const TemporaryProfile& profile, const QString& outputFile,
                                                 const SettingValues& changes = {})
{
    QSettings file(profile.filePath(QStringLiteral("config/Ostrel/Kwelta.conf")), QSettings::IniFormat);
    for (const auto& [key, value] : configuredSettings(outputFile) + changes)
        file.setValue(key, value);
    file.sync();
    return file.status();
}
