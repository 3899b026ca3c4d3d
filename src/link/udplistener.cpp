#include "link/udplistener.h"

#include "link/linklog.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QUdpSocket>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A bounded share of reads between two looks at the wake-up, so that a flood never keeps the close
// waiting.
constexpr int DatagramsPerTurn = 256;
constexpr auto DropReportInterval = std::chrono::seconds(1);

} // namespace

UdpListener::UdpListener(QObject* parent)
    : QObject(parent)
{}

UdpListener::~UdpListener()
{
    if (m_receiver.joinable()) {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof one);
        m_receiver.join();
    }
    if (m_wake >= 0)
        ::close(m_wake);
    if (m_socket >= 0)
        ::close(m_socket);
}

QString UdpListener::open(const QString& host, quint16 port, quint16 localPort)
{
    if (isActive())
        return {};
    {
        // Bound through Qt for its own words on a port that cannot be had; the socket is then ours alone,
        // so that no notifier of Qt's ever watches it.
        QUdpSocket binder;
        // Without SO_REUSEADDR, so that a port another program holds is reported instead of shared.
        if (!binder.bind(QHostAddress::AnyIPv4, localPort, QAbstractSocket::DontShareAddress))
            return binder.errorString();
        m_localPort = binder.localPort();
        m_socket = ::fcntl(int(binder.socketDescriptor()), F_DUPFD_CLOEXEC, 0);
        if (m_socket < 0) {
            m_localPort = 0;
            return QString::fromLocal8Bit(std::strerror(errno));
        }
    }
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wake < 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        ::close(m_socket);
        m_socket = -1;
        m_localPort = 0;
        return why;
    }
    m_scalePort = port;
    m_receiver = std::thread([this] { receive(); });

    // Given an address, QHostInfo asks the name servers for its name, and a scale network cut off from
    // them would leave the scale unheard until the resolver gave up.
    const QHostAddress given(host);
    if (given.protocol() == QAbstractSocket::IPv4Protocol) {
        scaleFound(given);
        return {};
    }
    // On Qt's resolver threads; the answer comes back here, and never after the listener is gone.
    QHostInfo::lookupHost(host, this, [this, host](const QHostInfo& info) {
        for (const QHostAddress& address : info.addresses()) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol) {
                scaleFound(address);
                return;
            }
        }
        qCWarning(linkLog) << "The scale's host" << host
                           << "has no IPv4 address; datagrams cannot be told from others' and are ignored.";
    });
    return {};
}

void UdpListener::scaleFound(const QHostAddress& scale)
{
    m_scale = scale.toIPv4Address();
    // The scale learns from it where to send; the byte's value carries nothing.
    send(QByteArray(1, '\0'));
}

void UdpListener::send(const QByteArray& datagram)
{
    const quint32 scale = m_scale;
    if (m_socket < 0 || scale == 0)
        return;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(m_scalePort);
    to.sin_addr.s_addr = htonl(scale);
    if (::sendto(m_socket, datagram.constData(), size_t(datagram.size()), MSG_DONTWAIT,
                 reinterpret_cast<const sockaddr*>(&to), sizeof to) != datagram.size())
        qCInfo(linkLog) << "A datagram to the scale was not sent:" << std::strerror(errno);
}

void UdpListener::receive()
{
    QByteArray buffer(DatagramLimit, Qt::Uninitialized);
    auto lastReport = std::chrono::steady_clock::now();
    for (;;) {
        // While drops wait to be reported, the wait ends in time for the report.
        int timeoutMs = -1;
        if (droppedDatagrams() != m_droppedReported) {
            const auto due = lastReport + DropReportInterval - std::chrono::steady_clock::now();
            timeoutMs = int(std::max<qint64>(0, std::chrono::duration_cast<std::chrono::milliseconds>(due).count()));
        }
        pollfd waits[] = {{m_socket, POLLIN, 0}, {m_wake, POLLIN, 0}};
        if (::poll(waits, 2, timeoutMs) < 0 && errno != EINTR)
            return;
        if (waits[1].revents != 0)
            return;
        if (std::chrono::steady_clock::now() - lastReport >= DropReportInterval) {
            reportDrops();
            lastReport = std::chrono::steady_clock::now();
        }
        for (int n = 0; n < DatagramsPerTurn; ++n) {
            sockaddr_in from{};
            socklen_t fromSize = sizeof from;
            const ssize_t size = ::recvfrom(m_socket, buffer.data(), size_t(buffer.size()), MSG_DONTWAIT,
                                            reinterpret_cast<sockaddr*>(&from), &fromSize);
            if (size < 0)
                break;
            const quint32 scale = m_scale;
            if (scale == 0 || from.sin_family != AF_INET || ntohl(from.sin_addr.s_addr) != scale)
                continue;
            QByteArrayView text(buffer.constData(), size);
            if (const qsizetype zero = text.indexOf('\0'); zero >= 0)
                text = text.first(zero);
            if (text.isEmpty())
                continue;
            bool wasEmpty = false;
            putReceived(text.toByteArray(), wasEmpty);
            if (wasEmpty)
                QMetaObject::invokeMethod(this, &UdpListener::receivedReady, Qt::QueuedConnection);
        }
    }
}

void UdpListener::reportDrops()
{
    const quint64 dropped = droppedDatagrams();
    if (dropped == m_droppedReported)
        return;
    qCWarning(linkLog).nospace() << dropped - m_droppedReported
                                 << " datagrams from the scale were dropped in the last second, " << dropped
                                 << " in all: they came faster than the results could be taken.";
    m_droppedReported = dropped;
}

namespace {

// The lines a text holds, a CR alone counting as a line end (as the makers' lines have it), and a text
// without a line end as one.
qsizetype linesIn(const QByteArray& text)
{
    qsizetype lines = text.count('\n');
    for (qsizetype i = text.indexOf('\r'); i >= 0; i = text.indexOf('\r', i + 1)) {
        if (i + 1 == text.size() || text[i + 1] != '\n')
            ++lines;
    }
    return std::max<qsizetype>(lines, 1);
}

} // namespace

void UdpListener::putReceived(QByteArray text, bool& wasEmpty)
{
    const qsizetype lines = linesIn(text);
    const std::lock_guard lock(m_inboxMutex);
    wasEmpty = m_inbox.empty();
    // The oldest go: once the flood ends, what the scale sends next is what matters, and it must not
    // wait behind the flood. One datagram always goes in, whatever it holds.
    while (!m_inbox.empty() && (m_inboxLines + lines > InboxLines || m_inboxBytes + text.size() > InboxBytes)) {
        m_inboxBytes -= m_inbox.front().text.size();
        m_inboxLines -= m_inbox.front().lines;
        m_inbox.pop_front();
        ++m_dropped;
    }
    m_inboxBytes += text.size();
    m_inboxLines += lines;
    m_inbox.push_back({std::move(text), lines});
}

QList<QByteArray> UdpListener::takeReceived(qsizetype maxLines)
{
    QList<QByteArray> taken;
    qsizetype lines = 0;
    const std::lock_guard lock(m_inboxMutex);
    while (!m_inbox.empty() && lines < maxLines) {
        Filed& oldest = m_inbox.front();
        lines += oldest.lines;
        m_inboxBytes -= oldest.text.size();
        m_inboxLines -= oldest.lines;
        taken.append(std::move(oldest.text));
        m_inbox.pop_front();
    }
    return taken;
}

bool UdpListener::hasReceived() const
{
    const std::lock_guard lock(m_inboxMutex);
    return !m_inbox.empty();
}

quint64 UdpListener::droppedDatagrams() const
{
    const std::lock_guard lock(m_inboxMutex);
    return m_dropped;
}
