#include "support/receiver/receiverprocess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <csignal>
#include <sys/prctl.h>

ReceiverProcess::ReceiverProcess(QObject* parent)
    : QObject(parent)
{
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &ReceiverProcess::readLines);
}

ReceiverProcess::~ReceiverProcess()
{
    stop();
}

void ReceiverProcess::setLauncher(const QStringList& wrapper, const QProcessEnvironment& environment)
{
    m_wrapper = wrapper;
    m_process.setProcessEnvironment(environment);
}

bool ReceiverProcess::start(const QString& program, int timeoutMs)
{
    if (m_wrapper.isEmpty()) {
        m_process.setProgram(program);
    } else {
        m_process.setProgram(m_wrapper.constFirst());
        m_process.setArguments(m_wrapper.mid(1) + QStringList{program});
    }
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start();
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("The receiver %1 did not start: %2").arg(program, m_process.errorString());
        return false;
    }
    if (!waitFor([this] { return m_active; }, timeoutMs)) {
        m_error = QStringLiteral("The receiver window did not become active");
        return false;
    }
    return true;
}

bool ReceiverProcess::activate(int timeoutMs)
{
    m_active = false;
    m_process.write("activate\n");
    if (!waitFor([this] { return m_active; }, timeoutMs)) {
        m_error = QStringLiteral("The receiver window did not become active again");
        return false;
    }
    return true;
}

void ReceiverProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.write("quit\n");
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

bool ReceiverProcess::waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired() || m_process.state() != QProcess::Running)
            return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        m_process.waitForReadyRead(5);
    }
    return true;
}

void ReceiverProcess::readLines()
{
    m_partial += m_process.readAllStandardOutput();
    qsizetype end = 0;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(m_partial.left(end));
        m_partial.remove(0, end + 1);
        if (line.startsWith(u"key "))
            m_keys.append(line.mid(4));
        else if (line == u"ready")
            m_active = true;
        else if (line == u"inactive")
            m_active = false;
    }
}
