#pragma once

#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <thread>

// The ip tool (iproute2), wherever the system keeps it; empty when it is missing.
QString ipTool();

// An IPv4 address in host byte order as dotted text.
QString dottedAddress(quint32 address);

// Runs work on a thread of its own that has entered the namespace, so that the sockets it opens live
// there; the test's other threads stay where they are.
template <typename Result>
std::optional<Result> inNamespace(const QString& name, const std::function<Result()>& work)
{
    std::optional<Result> result;
    std::thread([&] {
        const int fd = ::open(qPrintable(QStringLiteral("/run/netns/") + name), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return;
        const bool entered = ::setns(fd, CLONE_NEWNET) == 0;
        ::close(fd);
        if (entered)
            result = work();
    }).join();
    return result;
}

// A network namespace with one end of a veth pair, and the other end in this one: a host of the test's
// own, on addresses nothing else uses. Both ends go when the object goes, whatever the test did.
// Needs root and the ip tool.
class ScratchHost
{
public:
    ScratchHost();
    ~ScratchHost();
    ScratchHost(const ScratchHost&) = delete;
    ScratchHost& operator=(const ScratchHost&) = delete;

    // Empty when the host is up, else what failed.
    QString create();

    // A sysctl assignment ("name=value") inside the namespace.
    bool setSysctl(const QString& assignment) const;
    // The host stops answering echo requests, and starts again; nothing else changes.
    bool ignorePings() const;
    bool answerPings() const;

    // The words that run a program inside the namespace when put before it.
    QStringList execPrefix() const;

    QString name() const { return m_namespace; }
    quint32 farAddress() const { return m_far; }
    // The namespace's address, and ours on the link to it.
    QString far() const { return dottedAddress(m_far); }
    QString near() const { return dottedAddress(m_near); }

private:
    QString m_ip;
    QString m_namespace;
    QString m_nearLink;
    QString m_farLink;
    quint32 m_near = 0;
    quint32 m_far = 0;
};
