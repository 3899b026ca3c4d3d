#include "core/settingsstore.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <charconv>

namespace {

constexpr bool tableFollowsTheEnum()
{
    for (std::size_t i = 0; i < SettingsTable.size(); ++i) {
        if (static_cast<std::size_t>(SettingsTable[i].setting) != i)
            return false;
    }
    return true;
}
static_assert(tableFollowsTheEnum(), "settingDefinition() indexes the table by the enum value");

QString keyOf(Setting setting)
{
    return QString(settingDefinition(setting).name);
}

// Strict on purpose: QString::toInt would also take "+5" and surrounding spaces, which the values the
// program writes never hold, so such a text means the file was edited into something else.
std::optional<qint32> parseInteger(const QString& text)
{
    const QByteArray digits = text.toUtf8();
    const char* begin = digits.constData();
    const char* end = begin + digits.size();
    if (begin == end)
        return std::nullopt;
    qint32 value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value, 10);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

} // namespace

SettingsStore::SettingsStore()
    : SettingsStore(defaultFilePath())
{}

SettingsStore::SettingsStore(const QString& filePath)
    : m_filePath(filePath)
    , m_settings(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::defaultFilePath()
{
    // QSettings works out its own default folder once per process and keeps it, so a profile chosen
    // later (a test's, for one) would be ignored; the folder is therefore looked up on every call.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' + OrganisationName + u'/' +
           ApplicationName + QLatin1StringView(".conf");
}

bool SettingsStore::opens() const
{
    const QFileInfo info(m_filePath);
    return info.isFile() && info.isReadable();
}

std::optional<qint32> SettingsStore::readInteger(Setting setting) const
{
    const QVariant value = m_settings->value(keyOf(setting));
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return parseInteger(value.toString());
}

std::optional<bool> SettingsStore::readBoolean(Setting setting) const
{
    const std::optional<qint32> number = readInteger(setting);
    if (!number)
        return std::nullopt;
    return *number != 0;
}

std::optional<QString> SettingsStore::readString(Setting setting) const
{
    const QString key = keyOf(setting);
    if (!m_settings->contains(key))
        return QString();
    const QVariant value = m_settings->value(key);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

void SettingsStore::writeInteger(Setting setting, qint32 value)
{
    // Stored as text, not as an int QVariant: QSettings shares one cache per file within the process,
    // and a later read through it must see the same type as a read from the file does.
    m_settings->setValue(keyOf(setting), QString::number(value));
}

void SettingsStore::writeBoolean(Setting setting, bool value)
{
    // QSettings would write a bool as "true"/"false", which the integer reading rejects.
    writeInteger(setting, value ? 1 : 0);
}

void SettingsStore::writeString(Setting setting, const QString& value)
{
    m_settings->setValue(keyOf(setting), value);
}

bool SettingsStore::commit()
{
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

bool readOnlyOneInstance(const SettingsStore& store)
{
    if (!store.opens())
        return false;
    return store.readBoolean(Setting::OnlyOneInstance).value_or(true);
}
