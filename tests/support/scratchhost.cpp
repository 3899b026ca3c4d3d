#include "support/scratchhost.h"

#include <QCoreApplication>
#include <QList>
#include <QProcess>
#include <QStandardPaths>

QString ipTool()
{
    return QStandardPaths::findExecutable(QStringLiteral("ip"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                                                 QStringLiteral("/usr/bin"), QStringLiteral("/bin")});
}

QString dottedAddress(quint32 address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xff)
        .arg((address >> 8) & 0xff)
        .arg(address & 0xff);
}

ScratchHost::ScratchHost()
    : m_ip(ipTool())
{
    const qint64 pid = QCoreApplication::applicationPid();
    m_namespace = QStringLiteral("kwscratch%1").arg(pid);
    m_nearLink = QStringLiteral("kwv%1h").arg(pid);
    m_farLink = QStringLiteral("kwv%1s").arg(pid);
    // A /30 of 10.200.0.0/16 chosen by the process, so that two runs side by side do not collide.
    const quint32 subnet = 0x0ac80000 | ((quint32(pid) & 0x3fff) << 2);
    m_near = subnet | 1;
    m_far = subnet | 2;
}

ScratchHost::~ScratchHost()
{
    // Deleting the namespace takes its veth end away only later, in the kernel's own time; deleting our
    // end takes the pair away at once.
    QProcess::execute(m_ip, {QStringLiteral("link"), QStringLiteral("del"), m_nearLink});
    QProcess::execute(m_ip, {QStringLiteral("netns"), QStringLiteral("del"), m_namespace});
}

QString ScratchHost::create()
{
    const QString nearAddress = near() + QStringLiteral("/30");
    const QString farAddress = far() + QStringLiteral("/30");
    const QList<QStringList> steps = {
        {QStringLiteral("netns"), QStringLiteral("add"), m_namespace},
        {QStringLiteral("link"), QStringLiteral("add"), m_nearLink, QStringLiteral("type"), QStringLiteral("veth"),
         QStringLiteral("peer"), QStringLiteral("name"), m_farLink, QStringLiteral("netns"), m_namespace},
        {QStringLiteral("addr"), QStringLiteral("add"), nearAddress, QStringLiteral("dev"), m_nearLink},
        {QStringLiteral("link"), QStringLiteral("set"), m_nearLink, QStringLiteral("up")},
        {QStringLiteral("-n"), m_namespace, QStringLiteral("addr"), QStringLiteral("add"), farAddress,
         QStringLiteral("dev"), m_farLink},
        {QStringLiteral("-n"), m_namespace, QStringLiteral("link"), QStringLiteral("set"), m_farLink,
         QStringLiteral("up")},
        {QStringLiteral("-n"), m_namespace, QStringLiteral("link"), QStringLiteral("set"), QStringLiteral("lo"),
         QStringLiteral("up")},
    };
    for (const QStringList& step : steps) {
        QProcess ip;
        ip.start(m_ip, step);
        if (!ip.waitForFinished(30000) || ip.exitStatus() != QProcess::NormalExit || ip.exitCode() != 0)
            return QStringLiteral("ip %1: %2").arg(step.join(u' '), QString::fromLocal8Bit(ip.readAllStandardError()));
    }
    return {};
}

bool ScratchHost::setSysctl(const QString& assignment) const
{
    return QProcess::execute(m_ip, execPrefix().mid(1) +
                                       QStringList{QStringLiteral("sysctl"), QStringLiteral("-qw"), assignment}) == 0;
}

bool ScratchHost::ignorePings() const
{
    return setSysctl(QStringLiteral("net.ipv4.icmp_echo_ignore_all=1"));
}

bool ScratchHost::answerPings() const
{
    return setSysctl(QStringLiteral("net.ipv4.icmp_echo_ignore_all=0"));
}

QStringList ScratchHost::execPrefix() const
{
    return {m_ip, QStringLiteral("netns"), QStringLiteral("exec"), m_namespace};
}
