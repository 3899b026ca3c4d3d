#pragma once

#include "core/settingsstore.h"

#include <QString>
#include <QVariant>

#include <optional>
#include <span>

// Everything the user sets, as one value: what the settings file holds, what the window's controls
// show, and what the links and the processing are given. Each member stands for one stored value of
// the table in settingsstore.h, whose defaults a default-constructed value holds.
struct UserSettings
{
    UserSettings();

    qint32 connection;
    qint32 comPort;
    qint32 baudCode;
    QString ethernetAddress;
    qint32 ethernetPort;
    qint32 ethernetProtocol;
    qint32 decimalSeparator;
    bool openOnStart;
    bool startAtLogon;
    bool startMinimised;
    bool oneInstance;
    qint32 readMode;
    QString sendFields;
    qint32 betweenFields;
    qint32 afterFields;
    bool advancedScript;
    // A scale has answered on the stored port: the start opens it instead of searching.
    bool portConfigured;
    qint32 language;
    qint32 repeatTime;
    qint32 repeatUnit;
    qint32 bufferSize;
    // Bit 0: type into the focused window; bit 1: append to outputFile.
    qint32 destination;
    QString outputFile;
    QString specialKeys;
    QString tareKeys;
    QString zeroKeys;
    QString printKeys;
    bool specialKeysOn;
    bool tareKeysOn;
    bool zeroKeysOn;
    bool printKeysOn;
    bool onlyStable;
    QString specialCommand;
    QString resultFormat;
    bool resultFormatOn;
    bool reportTime;
    bool removeScannerFrame;
    qint32 reportDataDelay;
    bool repeatRead;
    bool makerFormats;
    QString remoteDesktopToken;
    // The serial line's frame and flow control, as stored (see LineFormat::fromSettings).
    qint32 dataBits;
    qint32 parity;
    qint32 stopBits;
    qint32 flowControl;

    // The value of one setting, of its kind (qint32, bool or QString).
    QVariant value(Setting setting) const;
    void setValue(Setting setting, const QVariant& value);
    // Those settings back to their defaults, the rest as they are.
    void restoreDefaults(std::span<const Setting> settings);

    bool typesIntoFocus() const { return destination & 1; }
    bool appendsToFile() const { return destination & 2; }

    friend bool operator==(const UserSettings&, const UserSettings&) = default;
};

// What the communication page's default button sets back.
inline constexpr Setting CommunicationDefaults[] = {
    Setting::ComPort,         Setting::Baud,       Setting::ComOpenOnStart,
    Setting::OnlyOneInstance, Setting::AutoRun,    Setting::MinimizeOnStart,
    Setting::EthIP,           Setting::EthPort,    Setting::EthProtocol,
    Setting::RepeatTime,      Setting::RepeatUnit, Setting::BufferSize,
    Setting::SpecialOrder,
};

// What the format page's default button sets back.
inline constexpr Setting FormatDefaults[] = {
    Setting::ReadFromScale,  Setting::SendFields,       Setting::InsBetweenFields,
    Setting::InsAfterFields, Setting::DecimalSeparator, Setting::AdvancedOptions,
    Setting::MakerFormats,   Setting::ResultFormat,     Setting::SetResultFormat,
};

// What a file that cannot be read in full falls back to, beside the two pages' defaults. The other
// values keep what was read before the failure: the key combinations, the language and the like.
inline constexpr Setting LoadingDefaults[] = {
    Setting::PortConfigured, Setting::OutputFile, Setting::Destination, Setting::RepeatUnit, Setting::RepeatTime,
};

struct LoadedSettings
{
    UserSettings values;
    // The file exists (readable or not).
    bool fileFound = false;
    // Set when the file could not be used in full: empty when it could not be read at all, otherwise
    // the name of the first value that was missing or unreadable.
    std::optional<QString> failedAt;
};

// The settings as the file holds them. The values are read in the table's order and the first one that
// cannot be read ends the reading: the defaults then cover what they cover. The values added later are
// read on their own, their defaults where missing.
LoadedSettings loadUserSettings(const SettingsStore& store);
// Every value of both tables into the store (not yet committed).
void writeUserSettings(SettingsStore& store, const UserSettings& settings);
