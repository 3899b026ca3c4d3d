#include "core/settingsstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

constexpr bool tableFollowsTheEnum()
{
    for (std::size_t i = 0; i < SettingsTable.size(); ++i) {
        if (static_cast<std::size_t>(SettingsTable[i].setting) != i)
            return false;
    }
    for (std::size_t i = 0; i < LaterSettingsTable.size(); ++i) {
        if (static_cast<std::size_t>(LaterSettingsTable[i].setting) != SettingCount + i)
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

bool readsBackAs(const QString& path, const QVariantMap& values)
{
    const QString secondName = path + QLatin1StringView(".check");
    // A copy where the file system has no hard links.
    if (::link(QFile::encodeName(path).constData(), QFile::encodeName(secondName).constData()) != 0 &&
        !QFile::copy(path, secondName))
        return false;
    bool same = true;
    {
        const QSettings readBack(secondName, QSettings::IniFormat);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            same = same && readBack.value(it.key()) == it.value();
    }
    ::unlink(QFile::encodeName(secondName).constData());
    return same;
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
    // Stored as text, not as an int QVariant, so that reading the file back gives what was written.
    writeString(setting, QString::number(value));
}

void SettingsStore::writeBoolean(Setting setting, bool value)
{
    // QSettings would write a bool as "true"/"false", which the integer reading rejects.
    writeInteger(setting, value ? 1 : 0);
}

void SettingsStore::writeString(Setting setting, const QString& value)
{
    m_pending.insert(keyOf(setting), value);
}

bool SettingsStore::commit()
{
    const QFileInfo target(m_filePath);
    const QString folder = target.absolutePath();
    if (!QDir().mkpath(folder)) {
        m_error = QCoreApplication::translate("SettingsStore", "nie można utworzyć folderu %1")
                      .arg(QDir::toNativeSeparators(folder));
        return false;
    }
    QTemporaryFile temporary(folder + u'/' + target.fileName() + QLatin1StringView(".XXXXXX"));
    if (!temporary.open()) {
        m_error = temporary.errorString();
        return false;
    }
    temporary.close();

    QVariantMap values;
    for (const QString& key : m_settings->allKeys())
        values.insert(key, m_settings->value(key));
    values.insert(m_pending);
    {
        QSettings written(temporary.fileName(), QSettings::IniFormat);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            written.setValue(it.key(), it.value());
        written.sync();
        if (written.status() != QSettings::NoError) {
            m_error = QCoreApplication::translate("SettingsStore", "błąd zapisu pliku %1")
                          .arg(QDir::toNativeSeparators(temporary.fileName()));
            return false;
        }
    }
    // Qt may count a write that a full disk cut short as whole, so the new file is read back. Under its
    // own name QSettings would answer from the values it has just written, so it reads a second name.
    if (!readsBackAs(temporary.fileName(), values)) {
        m_error = QCoreApplication::translate("SettingsStore", "nie zapisano całości (brak miejsca na dysku?)");
        return false;
    }
    if (::rename(QFile::encodeName(temporary.fileName()).constData(), QFile::encodeName(m_filePath).constData()) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    temporary.setAutoRemove(false);
    return true;
}

std::optional<QString> SettingsStore::keepCopy() const
{
    if (!QFileInfo::exists(m_filePath))
        return std::nullopt;
    const QString base = m_filePath + QLatin1StringView(".unreadable");
    QString name = base;
    for (int n = 1; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = base + u'.' + QString::number(n);
    // A second name for the same file needs no read access and never replaces a file that appeared
    // meanwhile; the close puts a new file under the old name, so this one keeps what the user had.
    // Where the file system has no hard links, a copy, which does not overwrite either.
    if (::link(QFile::encodeName(m_filePath).constData(), QFile::encodeName(name).constData()) == 0 ||
        QFile::copy(m_filePath, name))
        return name;
    return std::nullopt;
}

bool readOnlyOneInstance(const SettingsStore& store)
{
    if (!store.opens())
        return false;
    return store.readBoolean(Setting::OnlyOneInstance).value_or(true);
}
