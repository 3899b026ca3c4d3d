#include "support/simscaleprocess.h"

#include <QDeadlineTimer>
#include <QFile>

#include <csignal>
#include <sys/prctl.h>

SimScaleProcess::SimScaleProcess(const QString& program, const QStringList& wrapper)
    : m_program(program)
    , m_wrapper(wrapper)
{
    m_process.setProgram(m_wrapper.isEmpty() ? program : m_wrapper.constFirst());
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
    return launch(QStringList{QStringLiteral("--link"), link} + options) == "ready " + QFile::encodeName(link) + "\n";
}

quint16 SimScaleProcess::startOnNetwork(const QString& kind, const QStringList& options)
{
    const QByteArray line = launch(QStringList{QStringLiteral("--") + kind, QStringLiteral("0")} + options);
    const QByteArray prefix = "ready " + kind.toLatin1() + ' ';
    if (!line.startsWith(prefix) || !line.endsWith('\n'))
        return 0;
    const QByteArray where = line.mid(prefix.size()).chopped(1);
    bool ok = false;
    const uint port = where.mid(where.lastIndexOf(':') + 1).toUInt(&ok);
    return ok && port <= 65535 ? quint16(port) : 0;
}

QByteArray SimScaleProcess::launch(const QStringList& arguments)
{
    m_process.setArguments(m_wrapper.isEmpty() ? arguments : m_wrapper.mid(1) + QStringList{m_program} + arguments);
    m_process.start();
    if (!m_process.waitForStarted(StartTimeoutMs))
        return {};
    QDeadlineTimer deadline(StartTimeoutMs);
    while (!m_process.canReadLine() && m_process.state() == QProcess::Running && !deadline.hasExpired())
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    return m_process.readLine();
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
