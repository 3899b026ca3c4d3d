#include "link/portmap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <map>

namespace {

QString environmentPath(const char* name, const QString& fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

QString deviceDirectory()
{
    return environmentPath("KWELTA_DEVICE_DIR", QStringLiteral("/dev"));
}

QString sysTtyDirectory()
{
    return environmentPath("KWELTA_SYS_TTY_DIR", QStringLiteral("/sys/class/tty"));
}

// The number at the end of a name such as ttyUSB12, or -1 when the rest is not plain digits.
int trailingNumber(const QString& name, const QString& prefix)
{
    if (!name.startsWith(prefix) || name.size() == prefix.size())
        return -1;
    const QStringView digits = QStringView(name).mid(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return -1;
    bool ok = false;
    const int number = digits.toInt(&ok);
    return ok ? number : -1;
}

// The kernel creates ttyS0..ttyS3 whether or not a UART sits behind them, and opening one just to ask
// would raise its modem lines; the serial core's sysfs attributes answer without opening: a port with
// no device behind it, or whose type is 0 (no UART found), is not there.
bool hasRealUart(const QString& name)
{
    const QString base = sysTtyDirectory() + u'/' + name;
    if (!QFileInfo::exists(base + QStringLiteral("/device")))
        return false;
    QFile type(base + QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly))
        return true;
    return type.readAll().trimmed() != "0";
}

QStringList group(const QStringList& names, const QString& prefix, bool needsUart)
{
    std::vector<std::pair<int, QString>> found;
    for (const QString& name : names) {
        const int number = trailingNumber(name, prefix);
        if (number >= 0 && (!needsUart || hasRealUart(name)))
            found.emplace_back(number, name);
    }
    std::sort(found.begin(), found.end());
    QStringList result;
    for (const auto& entry : found)
        result.append(entry.second);
    return result;
}

// Links are compared by the file they lead to, so /dev/serial/by-id names match the ttyUSB they are.
QString canonical(const QString& path)
{
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? QDir::cleanPath(path) : resolved;
}

} // namespace

namespace PortMap {

QString overrideDirectory()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/Ostrel/Kwelta/ports");
}

QStringList automaticDevices()
{
    const QString directory = deviceDirectory();
    const QStringList names = QDir(directory).entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    QStringList devices;
    devices += group(names, QStringLiteral("ttyUSB"), false);
    devices += group(names, QStringLiteral("ttyACM"), false);
    devices += group(names, QStringLiteral("ttyS"), true);
    devices += group(names, QStringLiteral("rfcomm"), false);
    for (QString& device : devices)
        device = directory + u'/' + device;
    return devices;
}

QList<Entry> table()
{
    std::map<int, Entry> byPort;
    const QDir links(overrideDirectory());
    const QFileInfoList candidates = links.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo& info : candidates) {
        const int port = trailingNumber(info.fileName(), QStringLiteral("COM"));
        if (port >= 1 && info.isSymLink())
            byPort[port] = Entry{port, info.symLinkTarget(), true};
    }

    QStringList claimed;
    for (const auto& [port, entry] : byPort)
        claimed.append(canonical(entry.device));

    int next = 1;
    for (const QString& device : automaticDevices()) {
        if (claimed.contains(canonical(device)))
            continue;
        while (byPort.count(next) != 0)
            ++next;
        byPort[next] = Entry{next, device, false};
    }

    QList<Entry> result;
    for (const auto& [port, entry] : byPort)
        result.append(entry);
    return result;
}

QString devicePath(int port)
{
    if (port < 1)
        return {};
    for (const Entry& entry : table()) {
        if (entry.port == port)
            return entry.device;
    }
    return {};
}

QString byIdName(const QString& device)
{
    if (device.isEmpty())
        return {};
    const QString target = canonical(device);
    const QDir byId(deviceDirectory() + QStringLiteral("/serial/by-id"));
    const QFileInfoList links = byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& link : links) {
        if (link.isSymLink() && canonical(link.absoluteFilePath()) == target)
            return link.fileName();
    }
    return {};
}

PortDevice portDevice(int port)
{
    const QString device = devicePath(port);
    return PortDevice{port, device, byIdName(device)};
}

QList<PortDevice> presentDevices()
{
    QList<PortDevice> present;
    for (const Entry& entry : table()) {
        if (QFileInfo::exists(entry.device))
            present.append(PortDevice{entry.port, entry.device, byIdName(entry.device)});
    }
    return present;
}

} // namespace PortMap
