#include "core/usersettings.h"

#include <QFileInfo>

#include <variant>

namespace {

using Member = std::variant<qint32 UserSettings::*, bool UserSettings::*, QString UserSettings::*>;

// Entry i is the member of Setting(i), in the order of the enum.
const Member Members[] = {
    &UserSettings::connection,
    &UserSettings::comPort,
    &UserSettings::baudCode,
    &UserSettings::ethernetAddress,
    &UserSettings::ethernetPort,
    &UserSettings::ethernetProtocol,
    &UserSettings::decimalSeparator,
    &UserSettings::openOnStart,
    &UserSettings::startAtLogon,
    &UserSettings::startMinimised,
    &UserSettings::oneInstance,
    &UserSettings::readMode,
    &UserSettings::sendFields,
    &UserSettings::betweenFields,
    &UserSettings::afterFields,
    &UserSettings::advancedScript,
    &UserSettings::portConfigured,
    &UserSettings::language,
    &UserSettings::repeatTime,
    &UserSettings::repeatUnit,
    &UserSettings::bufferSize,
    &UserSettings::destination,
    &UserSettings::outputFile,
    &UserSettings::specialKeys,
    &UserSettings::tareKeys,
    &UserSettings::zeroKeys,
    &UserSettings::printKeys,
    &UserSettings::specialKeysOn,
    &UserSettings::tareKeysOn,
    &UserSettings::zeroKeysOn,
    &UserSettings::printKeysOn,
    &UserSettings::onlyStable,
    &UserSettings::specialCommand,
    &UserSettings::resultFormat,
    &UserSettings::resultFormatOn,
    &UserSettings::reportTime,
    &UserSettings::removeScannerFrame,
    &UserSettings::reportDataDelay,
    &UserSettings::repeatRead,
    &UserSettings::makerFormats,
    &UserSettings::remoteDesktopToken,
    &UserSettings::dataBits,
    &UserSettings::parity,
    &UserSettings::stopBits,
    &UserSettings::flowControl,
};
static_assert(std::size(Members) == SettingCount + LaterSettingsTable.size(), "one member for every setting");

const Member& memberOf(Setting setting)
{
    return Members[static_cast<std::size_t>(setting)];
}

QVariant defaultOf(const SettingDefinition& definition)
{
    switch (definition.kind) {
    case SettingKind::Integer:
        return definition.defaultValue.integer;
    case SettingKind::Boolean:
        return definition.defaultValue.boolean;
    case SettingKind::String:
        return QString(definition.defaultValue.text);
    }
    return {};
}

std::optional<QVariant> readValue(const SettingsStore& store, Setting setting)
{
    switch (settingDefinition(setting).kind) {
    case SettingKind::Integer:
        if (const auto value = store.readInteger(setting))
            return *value;
        break;
    case SettingKind::Boolean:
        if (const auto value = store.readBoolean(setting))
            return *value;
        break;
    case SettingKind::String:
        if (const auto value = store.readString(setting))
            return *value;
        break;
    }
    return std::nullopt;
}

} // namespace

UserSettings::UserSettings()
{
    for (const SettingDefinition& definition : SettingsTable)
        setValue(definition.setting, defaultOf(definition));
    for (const SettingDefinition& definition : LaterSettingsTable)
        setValue(definition.setting, defaultOf(definition));
}

QVariant UserSettings::value(Setting setting) const
{
    return std::visit([this](auto member) { return QVariant::fromValue(this->*member); }, memberOf(setting));
}

void UserSettings::setValue(Setting setting, const QVariant& value)
{
    std::visit(
        [this, &value](auto member) {
            using Type = std::remove_reference_t<decltype(this->*member)>;
            this->*member = value.value<Type>();
        },
        memberOf(setting));
}

void UserSettings::restoreDefaults(std::span<const Setting> settings)
{
    for (const Setting setting : settings)
        setValue(setting, defaultOf(settingDefinition(setting)));
}

LoadedSettings loadUserSettings(const SettingsStore& store)
{
    LoadedSettings loaded;
    if (!store.opens()) {
        // A file that is there but cannot be read is the user's all the same.
        loaded.fileFound = QFileInfo::exists(store.filePath());
        if (loaded.fileFound)
            loaded.failedAt = QString();
        return loaded;
    }
    loaded.fileFound = true;
    UserSettings& values = loaded.values;
    for (const SettingDefinition& definition : SettingsTable) {
        const std::optional<QVariant> value = readValue(store, definition.setting);
        if (!value) {
            loaded.failedAt = QString(definition.name);
            values.restoreDefaults(FormatDefaults);
            values.restoreDefaults(CommunicationDefaults);
            values.restoreDefaults(LoadingDefaults);
            break;
        }
        values.setValue(definition.setting, *value);
    }
    // Missing from older files, or unreadable, where the default is what they meant; nothing is
    // reported.
    for (const SettingDefinition& definition : LaterSettingsTable)
        values.setValue(definition.setting, readValue(store, definition.setting).value_or(defaultOf(definition)));
    return loaded;
}

void writeUserSettings(SettingsStore& store, const UserSettings& settings)
{
    const auto write = [&](const SettingDefinition& definition) {
        const QVariant value = settings.value(definition.setting);
        switch (definition.kind) {
        case SettingKind::Integer:
            store.writeInteger(definition.setting, value.value<qint32>());
            break;
        case SettingKind::Boolean:
            store.writeBoolean(definition.setting, value.toBool());
            break;
        case SettingKind::String:
            store.writeString(definition.setting, value.toString());
            break;
        }
    };
    for (const SettingDefinition& definition : SettingsTable)
        write(definition);
    for (const SettingDefinition& definition : LaterSettingsTable)
        write(definition);
}
