#include "link/portaccess.h"

#include "link/portmap.h"
#include "link/sio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString environmentPath(const char* name, const QString& fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

QString processName(const QString& procDirectory, qint64 pid)
{
    QFile comm(procDirectory + QStringLiteral("/%1/comm").arg(pid));
    const QString name = comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll().trimmed()) : QString();
    return QStringLiteral("%1 (%2)").arg(name.isEmpty() ? QStringLiteral("?") : name).arg(pid);
}

// UUCP-style lock files, as minicom and friends leave them: LCK..ttyUSB0 holding the pid, as text (or,
// from very old programs, as a binary int).
qint64 lockFilePid(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray content = file.read(64);
    bool ok = false;
    const qint64 pid = content.trimmed().toLongLong(&ok);
    if (ok)
        return pid;
    if (content.size() == sizeof(int)) {
        int binary = 0;
        std::memcpy(&binary, content.constData(), sizeof binary);
        return binary;
    }
    return 0;
}

} // namespace

PortAccess PortAccess::explain(int port, int code, int systemError)
{
    PortAccess access;
    access.port = port;
    access.device = PortMap::devicePath(port);
    if (code == Sio::Ok)
        return access;
    if (code == Sio::NoDevice) {
        access.problem = Problem::NoDevice;
    } else if (code == Sio::Busy) {
        access.problem = Problem::Busy;
        access.holder = deviceHolder(access.device);
    } else if (code == Sio::SystemError && (systemError == EACCES || systemError == EPERM)) {
        access.problem = Problem::PermissionDenied;
        access.group = deviceGroup(access.device);
    } else {
        access.problem = Problem::Failed;
        access.message = code == Sio::SystemError ? sio_lastSystemMessage() : QString();
    }
    return access;
}

QString PortAccess::deviceGroup(const QString& path)
{
    struct stat status = {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    // The reentrant form: the search asks on its own thread while the window may ask on its.
    struct group entry = {};
    struct group* owner = nullptr;
    char buffer[4096];
    if (::getgrgid_r(status.st_gid, &entry, buffer, sizeof buffer, &owner) != 0 || owner == nullptr)
        return QString::number(status.st_gid);
    return QString::fromLocal8Bit(owner->gr_name);
}

QString PortAccess::deviceHolder(const QString& path)
{
    if (path.isEmpty())
        return {};
    const QString device = QFileInfo(path).canonicalFilePath();
    if (device.isEmpty())
        return {};
    // Best effort: /proc shows only our own processes' descriptors unless we are root, and lock files are
    // kept only by some programs.
    const QString proc = environmentPath("KWELTA_PROC_DIR", QStringLiteral("/proc"));
    const qint64 self = qint64(::getpid());
    QStringList holders;
    const QStringList pids = QDir(proc).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : pids) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok || pid == self)
            continue;
        const QDir descriptors(proc + u'/' + entry + QStringLiteral("/fd"));
        const QStringList fds = descriptors.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        for (const QString& fd : fds) {
            if (QFileInfo(descriptors.filePath(fd)).symLinkTarget() == device) {
                holders.append(processName(proc, pid));
                break;
            }
        }
    }
    const QString name = QFileInfo(device).fileName();
    for (const QString& folder : {QStringLiteral("/run/lock"), QStringLiteral("/var/lock")}) {
        const qint64 pid = lockFilePid(folder + QStringLiteral("/LCK..") + name);
        const QString holder = pid > 0 && pid != self ? processName(proc, pid) : QString();
        if (!holder.isEmpty() && !holders.contains(holder))
            holders.append(holder);
    }
    return holders.join(QStringLiteral(", "));
}
