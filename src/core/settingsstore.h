#pragma once

#include "core/languagemodule.h"

#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QVariant>

#include <array>
#include <cstddef>
#include <memory>
#include <optional>

class QSettings;

enum class SettingKind { Integer, Boolean, String };

// Every stored value, in the order in which they are read. The loader relies on that order: the four
// key combinations come before the four check values, because ticking a check registers the key
// combination its control shows at that moment.
enum class Setting {
    Connection,
    ComPort,
    Baud,
    EthIP,
    EthPort,
    EthProtocol,
    DecimalSeparator,
    ComOpenOnStart,
    AutoRun,
    MinimizeOnStart,
    OnlyOneInstance,
    ReadFromScale,
    SendFields,
    InsBetweenFields,
    InsAfterFields,
    AdvancedOptions,
    PortConfigured,
    Language,
    RepeatTime,
    RepeatUnit,
    BufferSize,
    Destination,
    OutputFile,
    SpecialShortCut,
    TareShortCut,
    ZeroShortCut,
    PrintShortCut,
    SpecialCheck,
    TareCheck,
    ZeroCheck,
    PrintCheck,
    ReadOnlyStable,
    SpecialOrder,
    ResultFormat,
    SetResultFormat,
    ReportTime,
    RemoveScanerFrame,
    ReportDataDelay,
    RepeatRead,
    // Added later; see LaterSettingsTable.
    MakerFormats,
    RemoteDesktopToken,
    DataBits,
    Parity,
    StopBits,
    FlowControl,
};

// A value's default: the one of its kind counts.
struct SettingDefault
{
    qint32 integer = 0;
    bool boolean = false;
    QLatin1StringView text;

    constexpr SettingDefault(qint32 value)
        : integer(value)
    {}
    constexpr SettingDefault(bool value)
        : boolean(value)
    {}
    constexpr SettingDefault(const char* value)
        : text(value)
    {}
};

struct SettingDefinition
{
    Setting setting;
    QLatin1StringView name;
    SettingKind kind;
    SettingDefault defaultValue;
};

inline constexpr std::size_t SettingCount = 39;

// The one place where the stored names and the defaults live; entry i describes Setting(i).
inline constexpr std::array<SettingDefinition, SettingCount> SettingsTable{{
    {Setting::Connection, QLatin1StringView("Connection"), SettingKind::Integer, 0},
    {Setting::ComPort, QLatin1StringView("ComPort"), SettingKind::Integer, 1},
    {Setting::Baud, QLatin1StringView("Baud"), SettingKind::Integer, 10},
    {Setting::EthIP, QLatin1StringView("EthIP"), SettingKind::String, "192.168.1.100"},
    {Setting::EthPort, QLatin1StringView("EthPort"), SettingKind::Integer, 1001},
    {Setting::EthProtocol, QLatin1StringView("EthProtocol"), SettingKind::Integer, 0},
    {Setting::DecimalSeparator, QLatin1StringView("DecimalSeparator"), SettingKind::Integer, 0},
    {Setting::ComOpenOnStart, QLatin1StringView("ComOpenOnStart"), SettingKind::Boolean, true},
    {Setting::AutoRun, QLatin1StringView("AutoRun"), SettingKind::Boolean, false},
    {Setting::MinimizeOnStart, QLatin1StringView("MinimizeOnStart"), SettingKind::Boolean, false},
    {Setting::OnlyOneInstance, QLatin1StringView("OnlyOneInstance"), SettingKind::Boolean, true},
    {Setting::ReadFromScale, QLatin1StringView("ReadFromScale"), SettingKind::Integer, 0},
    {Setting::SendFields, QLatin1StringView("SendFields"), SettingKind::String, "0001100"},
    {Setting::InsBetweenFields, QLatin1StringView("InsBetweenFields"), SettingKind::Integer, 2},
    {Setting::InsAfterFields, QLatin1StringView("InsAfterFields"), SettingKind::Integer, 3},
    {Setting::AdvancedOptions, QLatin1StringView("AdvancedOptions"), SettingKind::Boolean, false},
    {Setting::PortConfigured, QLatin1StringView("PortConfigured"), SettingKind::Boolean, false},
    {Setting::Language, QLatin1StringView("Language"), SettingKind::Integer, LanguageModule::Polish},
    {Setting::RepeatTime, QLatin1StringView("RepeatTime"), SettingKind::Integer, 1},
    {Setting::RepeatUnit, QLatin1StringView("RepeatUnit"), SettingKind::Integer, 1},
    {Setting::BufferSize, QLatin1StringView("BufferSize"), SettingKind::Integer, 4096},
    {Setting::Destination, QLatin1StringView("Destination"), SettingKind::Integer, 1},
    {Setting::OutputFile, QLatin1StringView("OutputFile"), SettingKind::String, ""},
    {Setting::SpecialShortCut, QLatin1StringView("SpecialShortCut"), SettingKind::String, "F7"},
    {Setting::TareShortCut, QLatin1StringView("TareShortCut"), SettingKind::String, "F8"},
    {Setting::ZeroShortCut, QLatin1StringView("ZeroShortCut"), SettingKind::String, "F9"},
    {Setting::PrintShortCut, QLatin1StringView("PrintShortCut"), SettingKind::String, "F10"},
    {Setting::SpecialCheck, QLatin1StringView("SpecialCheck"), SettingKind::Boolean, false},
    {Setting::TareCheck, QLatin1StringView("TareCheck"), SettingKind::Boolean, false},
    {Setting::ZeroCheck, QLatin1StringView("ZeroCheck"), SettingKind::Boolean, false},
    {Setting::PrintCheck, QLatin1StringView("PrintCheck"), SettingKind::Boolean, false},
    {Setting::ReadOnlyStable, QLatin1StringView("ReadOnlyStable"), SettingKind::Boolean, false},
    {Setting::SpecialOrder, QLatin1StringView("SpecialOrder"), SettingKind::String, "Sx1"},
    {Setting::ResultFormat, QLatin1StringView("ResultFormat"), SettingKind::String, "0.####"},
    {Setting::SetResultFormat, QLatin1StringView("SetResultFormat"), SettingKind::Boolean, false},
    {Setting::ReportTime, QLatin1StringView("ReportTime"), SettingKind::Boolean, false},
    {Setting::RemoveScanerFrame, QLatin1StringView("RemoveScanerFrame"), SettingKind::Boolean, false},
    {Setting::ReportDataDelay, QLatin1StringView("ReportDataDelay"), SettingKind::Integer, 0},
    {Setting::RepeatRead, QLatin1StringView("RepeatRead"), SettingKind::Boolean, false},
}};

// Values added after the file's first form, each read on its own after those above. A file written
// before a value existed lacks it, which means its default (off, zero, empty), never a reason to fall
// back to the defaults for everything; such a file loads exactly as it did before.
inline constexpr std::array<SettingDefinition, 6> LaterSettingsTable{{
    {Setting::MakerFormats, QLatin1StringView("MakerFormats"), SettingKind::Boolean, false},
    // The desktop's token for typing through its RemoteDesktop portal without asking again.
    {Setting::RemoteDesktopToken, QLatin1StringView("RemoteDesktopToken"), SettingKind::String, ""},
    // The serial line's character frame and flow control (link/lineformat.h): data bits 7 or 8, parity
    // 0 none, 1 even, 2 odd, stop bits 1 or 2, flow control 0 none, 1 RTS/CTS, 2 XON/XOFF. Files from
    // before they existed mean 8N1 without flow control, which is what every port ran at then.
    {Setting::DataBits, QLatin1StringView("DataBits"), SettingKind::Integer, 8},
    {Setting::Parity, QLatin1StringView("Parity"), SettingKind::Integer, 0},
    {Setting::StopBits, QLatin1StringView("StopBits"), SettingKind::Integer, 1},
    {Setting::FlowControl, QLatin1StringView("FlowControl"), SettingKind::Integer, 0},
}};

constexpr const SettingDefinition& settingDefinition(Setting setting)
{
    const auto index = static_cast<std::size_t>(setting);
    return index < SettingCount ? SettingsTable[index] : LaterSettingsTable[index - SettingCount];
}

// The user's settings: an INI file of typed values.
//
// Integers are written as decimal text and booleans as 1 and 0. An integer or boolean read accepts
// exactly an optional '-' followed by ASCII digits, within the 32-bit signed range; no '+', no hex, no
// spaces inside the value (QSettings itself trims the spaces around an unquoted value). Any non-zero
// number reads as true. A read fails when the value is missing or its text is not such a number;
// a string read gives "" for a missing value and fails when the file holds no single string there
// (an unquoted "a, b" is a list to QSettings).
class SettingsStore
{
public:
    static constexpr QLatin1StringView OrganisationName{"Ostrel"};
    static constexpr QLatin1StringView ApplicationName{"Kwelta"};

    // The user's store, in the profile the environment names at this moment.
    SettingsStore();
    explicit SettingsStore(const QString& filePath);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // $XDG_CONFIG_HOME/Ostrel/Kwelta.conf (default ~/.config), the file QSettings would choose for the
    // organisation and application in its native format.
    static QString defaultFilePath();
    QString filePath() const { return m_filePath; }

    // Whether settings are stored at all: the file exists and can be read. Reading never creates it.
    bool opens() const;

    std::optional<qint32> readInteger(Setting setting) const;
    std::optional<bool> readBoolean(Setting setting) const;
    std::optional<QString> readString(Setting setting) const;

    void writeInteger(Setting setting, qint32 value);
    void writeBoolean(Setting setting, bool value);
    void writeString(Setting setting, const QString& value);
    // Puts what was written, with every other value the file held, into the file, whole or not at all:
    // into a new file beside it, read back and compared, which then replaces the old one. False when
    // that could not be done, with errorString() saying why; the old file is then as it was.
    bool commit();
    QString errorString() const { return m_error; }

    // Keeps a file that could not be read under the first free name of "<file>.unreadable",
    // "<file>.unreadable.1", ..., so that nothing written later replaces what the user had; the file
    // itself stays where it is until the close writes a new one. The name kept under, or nothing when
    // the file could not be kept (or is not there).
    std::optional<QString> keepCopy() const;

private:
    QString m_filePath;
    std::unique_ptr<QSettings> m_settings;
    // Written values wait here: the file's own QSettings is never written, or it would write the file
    // in place when it goes.
    QVariantMap m_pending;
    QString m_error;
};

// The one-instance flag as the program entry sees it: false when no settings are stored, the stored
// boolean when it reads as one, and true when the file exists but the value is missing or unreadable.
bool readOnlyOneInstance(const SettingsStore& store = SettingsStore());
