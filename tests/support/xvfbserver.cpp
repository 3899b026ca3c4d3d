#include "support/xvfbserver.h"

#include <QDeadlineTimer>
#include <QFile>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sys/prctl.h>

XvfbServer::XvfbServer()
    : m_hadDisplay(qEnvironmentVariableIsSet("DISPLAY"))
    , m_savedDisplay(qgetenv("DISPLAY"))
{}

XvfbServer::~XvfbServer()
{
    stop();
}

bool XvfbServer::start(const QStringList& extraArguments, int timeoutMs)
{
    // -displayfd makes the server pick a free display itself and print its number, so parallel runs
    // and the developer's own servers never collide over a guessed number.
    m_process.setProgram(QStringLiteral("Xvfb"));
    const QStringList arguments = {
        QStringLiteral("-displayfd"),  QStringLiteral("1"),         QStringLiteral("-screen"), QStringLiteral("0"),
        QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")};
    m_process.setArguments(arguments + extraArguments);
    // The keymap compiler's warnings land here; nobody reads the pipe while the test runs, so a
    // file keeps the server from blocking on a full one.
    if (m_logDir.isValid())
        m_process.setStandardErrorFile(m_logDir.filePath(QStringLiteral("xvfb.log")));
    // A test that crashes must not leave its server behind.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });

    m_process.start();
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("Xvfb could not be started (%1); install the Debian package xvfb")
                      .arg(m_process.errorString());
        return false;
    }

    const QDeadlineTimer deadline(timeoutMs);
    QByteArray output;
    while (!output.contains('\n')) {
        if (m_process.state() != QProcess::Running || deadline.hasExpired()) {
            m_error = QStringLiteral("Xvfb did not report its display: %1").arg(serverLog());
            stop();
            return false;
        }
        m_process.waitForReadyRead(int(std::clamp<qint64>(deadline.remainingTime(), 1, 100)));
        output += m_process.readAllStandardOutput();
    }

    bool ok = false;
    const int number = output.trimmed().toInt(&ok);
    if (!ok) {
        m_error = QStringLiteral("Xvfb reported no display number but \"%1\"").arg(QString::fromLocal8Bit(output));
        stop();
        return false;
    }
    m_display = u':' + QString::number(number);
    qputenv("DISPLAY", m_display.toLocal8Bit());
    return true;
}

bool XvfbServer::startForApplication(const char* programName)
{
    if (!start()) {
        std::fprintf(stderr, "%s: %s\n", programName, qPrintable(m_error));
        return false;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    // An X11 session as the program sees it, whatever the developer's desktop is: run from a Wayland
    // session, the keyboard chooser would otherwise go to the virtual keyboard or the portal and type into
    // the developer's desktop rather than the test's X server, and so would child programs.
    qputenv("XDG_SESSION_TYPE", "x11");
    qunsetenv("WAYLAND_DISPLAY");
    return true;
}

void XvfbServer::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    if (!m_display.isEmpty()) {
        if (m_hadDisplay)
            qputenv("DISPLAY", m_savedDisplay);
        else
            qunsetenv("DISPLAY");
        m_display.clear();
    }
}

QString XvfbServer::serverLog() const
{
    QFile log(m_logDir.filePath(QStringLiteral("xvfb.log")));
    if (!log.open(QIODevice::ReadOnly))
        return QStringLiteral("(no server output)");
    return QString::fromLocal8Bit(log.readAll()).trimmed();
}
