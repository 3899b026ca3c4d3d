#include "support/swaysession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QThread>

#include <pwd.h>
#include <unistd.h>

namespace {

// An unprivileged user every Debian system has; the test's files are handed to it only for the test.
constexpr const char* sessionUser = "nobody";
constexpr int stopTimeoutMs = 5000;

bool isRoot()
{
    return ::geteuid() == 0;
}

// The pid of the focused node in sway's tree, searched depth first; 0 when none is focused.
qint64 focusedPid(const QJsonObject& node)
{
    if (node.value(QStringLiteral("focused")).toBool())
        return node.value(QStringLiteral("pid")).toInteger();
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue child : node.value(QLatin1String(children)).toArray()) {
            if (const qint64 pid = focusedPid(child.toObject()))
                return pid;
        }
    }
    return 0;
}

} // namespace

SwaySession::SwaySession()
{
    // Folders under it are the session user's; it has to be able to reach them.
    QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                            QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    m_uid = ::geteuid();
    m_gid = ::getegid();
    if (isRoot()) {
        if (const passwd* user = ::getpwnam(sessionUser)) {
            m_uid = user->pw_uid;
            m_gid = user->pw_gid;
            m_wrapper = {QStringLiteral("setpriv"), QStringLiteral("--reuid=%1").arg(m_uid),
                         QStringLiteral("--regid=%1").arg(m_gid), QStringLiteral("--init-groups"),
                         // A test that dies leaves no compositor or client behind.
                         QStringLiteral("--pdeathsig=TERM"), QStringLiteral("--")};
        }
    }
}

SwaySession::~SwaySession()
{
    stop();
}

QString SwaySession::unavailableReason()
{
    for (const char* program : {"sway", "swaymsg"}) {
        if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
            return QStringLiteral("%1 is not installed (scripts/install-deps.sh installs it)")
                .arg(QLatin1String(program));
    }
    if (isRoot()) {
        if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            return QStringLiteral("sway refuses to run as root, and setpriv (util-linux) is missing to run it as %1")
                .arg(QLatin1String(sessionUser));
        if (!::getpwnam(sessionUser))
            return QStringLiteral("sway refuses to run as root, and there is no user %1 to run it as")
                .arg(QLatin1String(sessionUser));
    }
    return {};
}

bool SwaySession::grant(const QString& path) const
{
    if (!isRoot())
        return true;
    QProcess chown;
    chown.start(QStringLiteral("chown"), {QStringLiteral("-R"), QStringLiteral("%1:%2").arg(m_uid).arg(m_gid), path});
    return chown.waitForFinished(stopTimeoutMs) && chown.exitStatus() == QProcess::NormalExit && chown.exitCode() == 0;
}

bool SwaySession::start(const QStringList& configLines, int timeoutMs)
{
    if (const QString reason = unavailableReason(); !reason.isEmpty()) {
        m_error = reason;
        return false;
    }
    m_runtimeDir = m_dir.filePath(QStringLiteral("runtime"));
    m_home = m_dir.filePath(QStringLiteral("home"));
    const QString config = m_dir.filePath(QStringLiteral("sway.config"));
    QFile configFile(config);
    if (!QDir().mkpath(m_runtimeDir) || !QDir().mkpath(m_home) || !configFile.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("Cannot make the session's folders in %1").arg(m_dir.path());
        return false;
    }
    // Wayland's runtime folder must be the user's alone.
    QFile::setPermissions(m_runtimeDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // sway puts XWayland's display into its own environment, which only its children see.
    const QString displayFile = m_home + QStringLiteral("/x11-display");
    const bool xwayland = !QStandardPaths::findExecutable(QStringLiteral("Xwayland")).isEmpty();
    const QStringList lines = QStringList{xwayland ? QStringLiteral("exec echo \"$DISPLAY\" > %1").arg(displayFile)
                                                   : QStringLiteral("xwayland disable"),
                                          QStringLiteral("output HEADLESS-1 resolution 1024x768")} +
                              configLines;
    configFile.write(lines.join(u'\n').toUtf8() + '\n');
    configFile.close();
    if (!grant(m_runtimeDir) || !grant(m_home)) {
        m_error = QStringLiteral("Cannot give the session's folders to the user %1").arg(m_uid);
        return false;
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SWAYSOCK", "I3SOCK", "XDG_CONFIG_HOME"})
        environment.remove(QLatin1String(name));
    environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
    environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDir);
    environment.insert(QStringLiteral("HOME"), m_home);
    m_process.setProcessEnvironment(environment);
    m_process.setStandardOutputFile(m_dir.filePath(QStringLiteral("sway.log")));
    m_process.setStandardErrorFile(m_dir.filePath(QStringLiteral("sway.log")), QIODevice::Append);
    const QStringList command = m_wrapper + QStringList{QStringLiteral("sway"), QStringLiteral("-c"), config};
    m_process.start(command.constFirst(), command.mid(1));
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("sway did not start: %1").arg(m_process.errorString());
        return false;
    }

    // The sockets appear once the compositor is up; the folder is the session's own, so whatever socket
    // shows up there is sway's.
    const QDeadlineTimer deadline(timeoutMs);
    const QDir runtime(m_runtimeDir);
    while (m_socket.isEmpty() || m_ipcSocket.isEmpty()) {
        if (m_process.state() != QProcess::Running || deadline.hasExpired()) {
            m_error = QStringLiteral("sway did not come up:\n%1").arg(log());
            stop();
            return false;
        }
        QThread::msleep(20);
        for (const QString& name : runtime.entryList(QDir::System | QDir::Files)) {
            if (name.startsWith(u"wayland-") && !name.endsWith(u".lock"))
                m_socket = runtime.filePath(name);
            else if (name.startsWith(u"sway-ipc."))
                m_ipcSocket = runtime.filePath(name);
        }
    }
    while (xwayland && m_x11Display.isEmpty()) {
        if (m_process.state() != QProcess::Running || deadline.hasExpired()) {
            m_error = QStringLiteral("sway did not say where XWayland is:\n%1").arg(log());
            stop();
            return false;
        }
        QThread::msleep(20);
        QFile display(displayFile);
        if (display.open(QIODevice::ReadOnly))
            m_x11Display = QString::fromLocal8Bit(display.readAll()).trimmed();
    }
    // The IPC socket can exist a moment before sway answers on it.
    while (message({QStringLiteral("-t"), QStringLiteral("get_outputs")}).isEmpty()) {
        if (m_process.state() != QProcess::Running || deadline.hasExpired()) {
            m_error = QStringLiteral("sway does not answer on its IPC socket:\n%1").arg(log());
            stop();
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

void SwaySession::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(stopTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(stopTimeoutMs);
    }
}

QProcessEnvironment SwaySession::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (m_x11Display.isEmpty())
        environment.remove(QStringLiteral("DISPLAY"));
    else
        environment.insert(QStringLiteral("DISPLAY"), m_x11Display);
    // An absolute path: libwayland takes it as it is, whoever's runtime folder it lies in.
    environment.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
    environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtimeDir);
    environment.insert(QStringLiteral("HOME"), m_home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_home + QStringLiteral("/.local/share"));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), m_home + QStringLiteral("/.cache"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    // No session bus: nothing waits for a tray host or a portal that is not there.
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
    return environment;
}

QByteArray SwaySession::message(const QStringList& arguments) const
{
    QProcess swaymsg;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SWAYSOCK"), m_ipcSocket);
    swaymsg.setProcessEnvironment(environment);
    swaymsg.start(QStringLiteral("swaymsg"), arguments);
    if (!swaymsg.waitForFinished(stopTimeoutMs) || swaymsg.exitStatus() != QProcess::NormalExit ||
        swaymsg.exitCode() != 0)
        return {};
    return swaymsg.readAllStandardOutput();
}

qint64 SwaySession::focusedPid() const
{
    const QJsonDocument tree = QJsonDocument::fromJson(message({QStringLiteral("-t"), QStringLiteral("get_tree")}));
    return ::focusedPid(tree.object());
}

bool SwaySession::focus(qint64 pid) const
{
    return !message({QStringLiteral("[pid=%1] focus").arg(pid)}).isEmpty();
}

QString SwaySession::log() const
{
    QFile file(m_dir.filePath(QStringLiteral("sway.log")));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("(no sway output)");
    return QString::fromLocal8Bit(file.readAll().right(4000));
}
