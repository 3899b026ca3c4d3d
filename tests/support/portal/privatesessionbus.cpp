#include "support/portal/privatesessionbus.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTest>

namespace {

// A session bus that activates nothing: the real portal must never be started behind a test's back.
const char busConfiguration[] = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

} // namespace

PrivateSessionBus::~PrivateSessionBus()
{
    stop();
}

bool PrivateSessionBus::start(int timeoutMs)
{
    if (!m_folder.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    const QString configPath = m_folder.filePath(QStringLiteral("bus.conf"));
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly) ||
        config.write(QString::fromLatin1(busConfiguration).arg(m_folder.path()).toUtf8()) < 0) {
        m_error = QStringLiteral("cannot write %1").arg(configPath);
        return false;
    }
    config.close();

    m_process.setProgram(QStringLiteral("dbus-daemon"));
    m_process.setArguments(
        {QStringLiteral("--config-file=") + configPath, QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    // Its complaints (it may not raise its file limit without root) matter only when it fails.
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start();
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("dbus-daemon did not start (is Debian's dbus-daemon installed?): ") +
                  m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(timeoutMs);
    QByteArray output;
    while (!output.contains('\n') && !deadline.hasExpired() && m_process.state() == QProcess::Running) {
        m_process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        output += m_process.readAllStandardOutput();
    }
    m_address = QString::fromUtf8(output.trimmed());
    if (m_address.isEmpty()) {
        m_error =
            QStringLiteral("dbus-daemon gave no address: ") + QString::fromLocal8Bit(m_process.readAllStandardError());
        stop();
        return false;
    }
    m_hadAddress = qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS");
    m_savedAddress = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
    return true;
}

void PrivateSessionBus::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    if (!m_address.isEmpty()) {
        if (m_hadAddress)
            qputenv("DBUS_SESSION_BUS_ADDRESS", m_savedAddress);
        else
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        m_address.clear();
    }
}

StandInPortal::StandInPortal()
{
    QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process, [this] { readLines(); });
    // Should it go before the test ends it, the test's failure would otherwise make no sense.
    QObject::connect(&m_process, &QProcess::finished, &m_process, [this](int code, QProcess::ExitStatus status) {
        if (!m_stopping)
            qWarning("The stand-in portal ended on its own: %s %d",
                     status == QProcess::CrashExit ? "crashed" : "exit code", code);
    });
}

StandInPortal::~StandInPortal()
{
    stop();
}

bool StandInPortal::start(const QString& program, const Options& options, int timeoutMs)
{
    m_lines.clear();
    m_partial.clear();
    QStringList arguments{QStringLiteral("--version"), QString::number(options.version), QStringLiteral("--answer"),
                          QString::number(options.startAnswer)};
    if (!options.token.isEmpty())
        arguments << QStringLiteral("--token") << options.token;
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_stopping = false;
    m_process.start(program, arguments);
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = m_process.errorString();
        return false;
    }
    if (!waitForLine(QStringLiteral("ready"), timeoutMs)) {
        m_error = QStringLiteral("the stand-in portal did not take the portal's name");
        return false;
    }
    m_lines.clear();
    return true;
}

void StandInPortal::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_stopping = true;
    // Its end of stdin closing is its signal to end.
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

void StandInPortal::closeSession()
{
    m_process.write("close\n");
    m_process.waitForBytesWritten(5000);
}

void StandInPortal::readLines()
{
    m_partial += m_process.readAllStandardOutput();
    qsizetype end = 0;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        m_lines.append(QString::fromUtf8(m_partial.left(end)));
        m_partial.remove(0, end + 1);
    }
}

QStringList StandInPortal::lines()
{
    // What it wrote before answering a call is in the pipe by the time the answer has come.
    while (m_process.waitForReadyRead(0)) {
    }
    readLines();
    return m_lines;
}

QStringList StandInPortal::lines(const QString& prefix)
{
    QStringList matching;
    for (const QString& line : lines()) {
        if (line.startsWith(prefix))
            matching.append(line);
    }
    return matching;
}

bool StandInPortal::waitForLine(const QString& prefix, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (lines(prefix).isEmpty()) {
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return false;
        QTest::qWait(10);
    }
    return true;
}
