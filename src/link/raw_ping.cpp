#include "link/raw_ping.h"

#include "link/linklog.h"

#include <QHostAddress>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

constexpr quint8 icmpEchoReply = 0;
constexpr quint8 icmpEchoRequest = 8;
constexpr int ipv4HeaderMinimum = 20;
constexpr quint8 ipProtocolIcmp = 1;
// Enough for any IPv4 header with options and the ICMP header of an echo reply without data; longer
// packets (errors quoting other datagrams) are cut, which only loses what is never looked at.
constexpr int replyArea = 128;

quint16 readBigEndian16(const QByteArray& bytes, qsizetype at)
{
    return quint16((quint8(bytes[at]) << 8) | quint8(bytes[at + 1]));
}

// Raw sockets see every reply the host receives, to this process's earlier checks and to other
// programs' pings too: the identifier tells this process's from the others', the sequence one check
// from the next, so that a reply arriving after its check gave up never answers a later one.
RawPing::EchoId nextEchoId()
{
    static std::atomic<quint16> sequence{0};
    return {quint16(::getpid()), ++sequence};
}

class Socket
{
public:
    explicit Socket(int fd)
        : m_fd(fd)
    {}
    ~Socket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

int openEchoSocket(RawPing::SocketKind kind)
{
    const int type = kind == RawPing::SocketKind::Datagram ? SOCK_DGRAM : SOCK_RAW;
    return ::socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP);
}

// Reads one packet if one is there; false when none is, or on an error.
bool readPacket(int fd, QByteArray& packet, quint32& source, int flags)
{
    packet.resize(replyArea);
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t got =
        ::recvfrom(fd, packet.data(), packet.size(), flags, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (got < 0)
        return false;
    packet.resize(got);
    source = fromLength >= sizeof from && from.sin_family == AF_INET ? ntohl(from.sin_addr.s_addr) : 0;
    return true;
}

RawPing::EchoResult awaitReply(int fd, RawPing::SocketKind kind, quint32 address, RawPing::EchoId id)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(RawPing::ReplyTimeoutMs);
    QByteArray packet;
    quint32 source = 0;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return RawPing::EchoResult::Silent;
        pollfd readable{fd, POLLIN, 0};
        const int ready = ::poll(&readable, 1, int(left));
        if (ready < 0 && errno != EINTR)
            return RawPing::EchoResult::Silent;
        if (ready <= 0)
            continue;
        // Whatever else comes (other programs' pings, errors, our own request seen on loopback) is
        // read and passed over, and the wait goes on until the deadline.
        while (readPacket(fd, packet, source, MSG_DONTWAIT)) {
            if (RawPing::isEchoReply(packet, kind, source, address, id))
                return RawPing::EchoResult::Answered;
        }
    }
}

} // namespace

quint32 ResolveHost(const QString& host)
{
    const QByteArray name = host.trimmed().toUtf8();
    if (name.isEmpty())
        return 0;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    // One socket type, or the lookup lists each address once per type.
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.constData(), nullptr, &hints, &found) != 0 || found == nullptr)
        return 0;
    quint32 address = 0;
    if (found->ai_family == AF_INET && found->ai_addrlen >= sizeof(sockaddr_in))
        address = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(found);
    return address;
}

bool PingHost(const QString& host)
{
    return askHost(host).reachable;
}

HostAnswer askHost(const QString& host)
{
    if (host.trimmed().isEmpty())
        return {false, QStringLiteral("no host is given")};
    if (QHostAddress(host.trimmed()).protocol() == QAbstractSocket::IPv6Protocol)
        return {false, QStringLiteral("it is an IPv6 address, and the scale is asked for echo replies over IPv4 only")};
    const quint32 address = ResolveHost(host);
    // Linux takes 0.0.0.0 for this host and answers it, so a name that does not resolve must stop here.
    if (address == 0)
        return {false, QStringLiteral("the name does not resolve to an IPv4 address")};
    const auto silent = [] {
        return HostAnswer{false, QStringLiteral("it does not answer echo requests (ping); a scale or network that "
                                                "blocks them is never connected")};
    };

    const RawPing::EchoResult viaDatagram = RawPing::sendEcho(address, RawPing::SocketKind::Datagram);
    if (viaDatagram != RawPing::EchoResult::CannotAsk)
        return viaDatagram == RawPing::EchoResult::Answered ? HostAnswer(true) : silent();
    const int datagramError = errno;
    const RawPing::EchoResult viaRaw = RawPing::sendEcho(address, RawPing::SocketKind::Raw);
    if (viaRaw != RawPing::EchoResult::CannotAsk)
        return viaRaw == RawPing::EchoResult::Answered ? HostAnswer(true) : silent();
    const int rawError = errno;

    // Reporting every host as silent would keep the Ethernet link closed for good on a machine that
    // merely forbids pings; taking it as answered lets the connection attempt itself decide.
    static std::atomic<bool> told{false};
    if (!told.exchange(true)) {
        qCWarning(linkLog).nospace()
            << "No ICMP socket may be opened (datagram: " << std::strerror(datagramError)
            << "; raw: " << std::strerror(rawError)
            << "), so hosts are taken as reachable without asking. Allow ping sockets with the sysctl "
               "net.ipv4.ping_group_range (a range that includes one of the user's groups).";
    }
    return true;
}

namespace RawPing {

quint16 internetChecksum(const QByteArray& bytes)
{
    quint32 sum = 0;
    qsizetype at = 0;
    for (; at + 1 < bytes.size(); at += 2)
        sum += readBigEndian16(bytes, at);
    if (at < bytes.size())
        sum += quint32(quint8(bytes[at])) << 8;
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return quint16(~sum);
}

QByteArray buildEchoRequest(EchoId id)
{
    QByteArray packet(EchoHeaderSize, '\0');
    packet[0] = char(icmpEchoRequest);
    packet[4] = char(id.identifier >> 8);
    packet[5] = char(id.identifier & 0xff);
    packet[6] = char(id.sequence >> 8);
    packet[7] = char(id.sequence & 0xff);
    const quint16 checksum = internetChecksum(packet);
    packet[2] = char(checksum >> 8);
    packet[3] = char(checksum & 0xff);
    return packet;
}

bool isEchoReply(const QByteArray& packet, SocketKind kind, quint32 source, quint32 address, EchoId id)
{
    if (source != address)
        return false;
    QByteArray icmp = packet;
    if (kind == SocketKind::Raw) {
        if (packet.size() < ipv4HeaderMinimum)
            return false;
        const int version = quint8(packet[0]) >> 4;
        const int headerLength = (quint8(packet[0]) & 0x0f) * 4;
        if (version != 4 || headerLength < ipv4HeaderMinimum || headerLength > packet.size() ||
            quint8(packet[9]) != ipProtocolIcmp)
            return false;
        icmp = packet.mid(headerLength);
    }
    if (icmp.size() < EchoHeaderSize)
        return false;
    if (quint8(icmp[0]) != icmpEchoReply || quint8(icmp[1]) != 0)
        return false;
    if (internetChecksum(icmp) != 0)
        return false;
    if (kind == SocketKind::Raw && readBigEndian16(icmp, 4) != id.identifier)
        return false;
    return readBigEndian16(icmp, 6) == id.sequence;
}

EchoResult sendEcho(quint32 address, SocketKind kind)
{
    const Socket socket(openEchoSocket(kind));
    if (socket.fd() < 0)
        return EchoResult::CannotAsk;

    // A raw socket may already hold replies that arrived between its opening and now; none of them can
    // be ours, and reading them first keeps the wait below for what comes after the request.
    QByteArray stale;
    quint32 staleSource = 0;
    while (readPacket(socket.fd(), stale, staleSource, MSG_DONTWAIT)) {
    }

    const EchoId id = nextEchoId();
    const QByteArray request = buildEchoRequest(id);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(address);
    if (::sendto(socket.fd(), request.constData(), request.size(), 0, reinterpret_cast<const sockaddr*>(&to),
                 sizeof to) != request.size())
        return EchoResult::Silent;
    return awaitReply(socket.fd(), kind, address, id);
}

} // namespace RawPing

// What the worker shares with the object: the object may be gone by the time the worker finishes, so
// the worker reaches it only through here, and only while the object has not withdrawn.
struct ReachabilityCheck::Mailbox
{
    std::mutex mutex;
    ReachabilityCheck* owner = nullptr;
};

namespace {
std::atomic<int> workersRunning{0};
} // namespace

ReachabilityCheck::ReachabilityCheck(QObject* parent)
    : ReachabilityCheck(Probe(askHost), parent)
{}

ReachabilityCheck::ReachabilityCheck(Probe probe, QObject* parent)
    : QObject(parent)
    , m_probe(std::move(probe))
    , m_mailbox(std::make_shared<Mailbox>())
{
    m_mailbox->owner = this;
}

ReachabilityCheck::~ReachabilityCheck()
{
    // An answer posted before this point is still queued for this object, and QObject's destructor
    // discards it; after this point none is posted.
    const std::lock_guard lock(m_mailbox->mutex);
    m_mailbox->owner = nullptr;
}

bool ReachabilityCheck::start(const QString& host)
{
    if (m_checking)
        return false;
    m_checking = true;
    ++workersRunning;
    std::thread([probe = m_probe, mailbox = m_mailbox, host] {
        const HostAnswer answer = probe(host);
        {
            const std::lock_guard lock(mailbox->mutex);
            if (ReachabilityCheck* owner = mailbox->owner) {
                QMetaObject::invokeMethod(
                    owner,
                    [owner, reachable = answer.reachable, why = answer.why] {
                        owner->m_checking = false;
                        owner->m_lastFailure = reachable ? QString() : why;
                        emit owner->answered(reachable);
                    },
                    Qt::QueuedConnection);
            }
        }
        --workersRunning;
    }).detach();
    return true;
}

int ReachabilityCheck::workersOut()
{
    return workersRunning;
}
