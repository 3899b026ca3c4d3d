#include "support/simscaleprocess.h"

#include <QDeadlineTimer>
#include <QFile>

#include <csignal>
#include <sys/prctl.h>

SimScaleProcess::SimScaleProcess(const QString& program)
{
    m_process.setProgram(program);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Should the test die, no scale outlives it.
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

SimScaleProcess::~SimScaleProcess()
{
    if (m_process.state() != QProcess::NotRunning && !stopWith(QByteArray("quit")))
        m_process.kill();
    m_process.waitForFinished(StopTimeoutMs);
}

bool SimScaleProcess::start(const QString& link, const QStringList& options)
{
    m_process.setArguments(QStringList{QStringLiteral("--link"), link} + options);
    m_process.start();
    if (!m_process.waitForStarted(StartTimeoutMs))
        return false;
    const QByteArray expected = "ready " + QFile::encodeName(link) + "\n";
    QDeadlineTimer deadline(StartTimeoutMs);
    while (!m_process.canReadLine() && m_process.state() == QProcess::Running && !deadline.hasExpired())
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    return m_process.readLine() == expected;
}

void SimScaleProcess::command(const QByteArray& lines)
{
    m_process.write(lines);
    m_process.waitForBytesWritten(CommandTimeoutMs);
}

bool SimScaleProcess::stopWith(const QVariant& how)
{
    if (how.typeId() == QMetaType::Int)
        ::kill(pid_t(m_process.processId()), how.toInt());
    else
        command(how.toByteArray() + "\n");
    return m_process.waitForFinished(StopTimeoutMs) && m_process.exitStatus() == QProcess::NormalExit &&
           m_process.exitCode() == 0;
}
