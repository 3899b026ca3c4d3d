#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <utility>

// Whether the Ethernet scale is reachable: its host text resolved to an IPv4 address and one ICMP echo
// request sent to it. Addresses are 32-bit values in host byte order (127.0.0.1 is 0x7f000001); 0 stands
// for "no address".
//
// ResolveHost and PingHost block (the lookup can take seconds for a name the resolver cannot answer), so
// the window asks through ReachabilityCheck, which runs them on a thread of its own.

// The first IPv4 address of a host name or dotted address; 0 when there is none.
quint32 ResolveHost(const QString& host);

// Whether a host is reachable, and when not, why, in words for the log.
struct HostAnswer
{
    HostAnswer(bool answered, QString reason = {})
        : reachable(answered)
        , why(std::move(reason))
    {}
    bool reachable = false;
    QString why;
};

// True when one echo request to the host was answered within RawPing::ReplyTimeoutMs, and also when this
// process may open no ICMP socket at all (it cannot ask, so it does not claim the host is silent; the
// kwelta.link category says so once). A host that does not resolve is never reachable.
bool PingHost(const QString& host);
// The same, saying why a host is not reachable: no host, an IPv6 address, a name without an IPv4 address,
// or no answer to the echo request.
HostAnswer askHost(const QString& host);

namespace RawPing {

inline constexpr int ReplyTimeoutMs = 100;
inline constexpr int EchoHeaderSize = 8;

// The two ways of sending an echo request without a helper program. A datagram ICMP socket needs no
// privilege where net.ipv4.ping_group_range includes one of the user's groups; the kernel then writes
// its own identifier (the socket's port) into the request and hands back only the ICMP message. A raw
// socket needs root or CAP_NET_RAW and hands back every ICMP packet the host receives, IP header first.
enum class SocketKind { Datagram, Raw };

enum class EchoResult { Answered, Silent, CannotAsk };

struct EchoId
{
    quint16 identifier = 0;
    quint16 sequence = 0;
};

// The Internet checksum (RFC 1071) of the bytes, as it is to be stored big-endian in the header.
quint16 internetChecksum(const QByteArray& bytes);

// An echo request with no data: type 8, code 0, the checksum, the identifier and the sequence.
QByteArray buildEchoRequest(EchoId id);

// Whether a packet read from a socket of the given kind, from source, answers the echo request id that
// was sent to address. The identifier is compared only for a raw socket, since a datagram socket's
// request carries the kernel's instead.
bool isEchoReply(const QByteArray& packet, SocketKind kind, quint32 source, quint32 address, EchoId id);

// One echo request to address through a socket of the given kind, and the wait for its reply.
// CannotAsk when that socket cannot be opened; errno then tells why.
EchoResult sendEcho(quint32 address, SocketKind kind);

} // namespace RawPing

// Runs one reachability check at a time off the main thread and hands the answer back on the thread
// the object lives in. A check asked for while one is out is refused (start() returns false): the
// supervision asks again at its next tick anyway, and queueing would only deliver stale answers.
//
// The worker does not belong to the object: destroying the object while a check is out returns at
// once, even with the resolver hanging, and the answer is then dropped, never delivered.
class ReachabilityCheck : public QObject
{
    Q_OBJECT

public:
    // Called on the worker thread with the host text; askHost unless a test gives another.
    using Probe = std::function<HostAnswer(const QString&)>;

    explicit ReachabilityCheck(QObject* parent = nullptr);
    explicit ReachabilityCheck(Probe probe, QObject* parent = nullptr);
    ~ReachabilityCheck() override;

    // Starts a check of host; false, starting nothing, while an earlier check has not been answered.
    bool start(const QString& host);
    // From start() until answered() has been emitted.
    bool isChecking() const { return m_checking; }
    // Why the host of the latest answer was not reachable; empty when it was, or the probe did not say.
    QString lastFailure() const { return m_lastFailure; }

    // Workers of every ReachabilityCheck, destroyed ones included, that have not finished yet.
    static int workersOut();

signals:
    void answered(bool reachable);

private:
    struct Mailbox;

    Probe m_probe;
    std::shared_ptr<Mailbox> m_mailbox;
    bool m_checking = false;
    QString m_lastFailure;
};
