#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QHostAddress;

#include <atomic>
#include <deque>
#include <mutex>
#include <thread>

// The Ethernet link's UDP side: a socket bound to a fixed local port on every IPv4 address, read on a
// thread of its own, through which the scale's datagrams arrive and the commands go out to the scale.
// The thread waits on the socket itself rather than through a socket notifier of an event loop: under a
// flood, Qt's notifier for a UDP socket was seen to stop firing for good with datagrams still waiting.
//
// Only datagrams from the scale's address count: anyone else on the network could otherwise type into
// the focused window of this PC. A datagram's text is its bytes up to the first zero byte, whole (up to
// DatagramLimit); an empty text is no text.
//
// The texts wait in an inbox until the main thread takes them. The inbox is bounded: a scale (or
// anyone sending from its address) can send far faster than the results can be typed, and an unbounded
// hand-over would take all memory and leave the window answering nothing for minutes. Beyond the bound
// the oldest datagrams are dropped and counted, and the count is logged once a second while it grows.
class UdpListener : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 DefaultLocalPort = 1001;
    static constexpr qint64 DatagramLimit = 8192;
    // The inbox holds about a second of results at the rate a loaded machine types them, and a few
    // datagrams of the longest kind, whichever is reached first.
    static constexpr qsizetype InboxLines = 300;
    static constexpr qsizetype InboxBytes = 64 * 1024;

    explicit UdpListener(QObject* parent = nullptr);
    // Closes the socket and ends the thread; nothing is emitted afterwards.
    ~UdpListener() override;

    // Binds localPort on every IPv4 address without sharing it, and returns at once: empty when bound,
    // else why not. The scale's host is then resolved in the background (a name may take the resolver
    // seconds); once it has an address, a single zero byte greets the scale, and datagrams from that
    // address are taken.
    QString open(const QString& host, quint16 port, quint16 localPort = DefaultLocalPort);
    bool isActive() const { return m_socket >= 0; }
    // The port actually bound (localPort, or the one the system chose for 0); 0 while not active.
    quint16 localPort() const { return m_localPort; }

    // One datagram to the scale; dropped while its address is not known yet.
    void send(const QByteArray& datagram);

    // Removes and returns the oldest texts of the inbox, until they hold maxLines lines or more. Any
    // thread.
    QList<QByteArray> takeReceived(qsizetype maxLines);
    bool hasReceived() const;
    // Datagrams from the scale dropped for newer ones because the inbox was full, since the listener was
    // made.
    quint64 droppedDatagrams() const;

signals:
    // Emitted, queued to the listener's own thread, when a text arrives in an empty inbox. The taker
    // empties the inbox or comes back by itself: while the inbox holds anything, no further signal comes.
    void receivedReady();

private:
    void scaleFound(const QHostAddress& scale);
    // The receiving thread's loop: waits on the socket, reads, files what the scale sent.
    void receive();
    void putReceived(QByteArray text, bool& wasEmpty);
    void reportDrops();

    int m_socket = -1;
    // Written once the receiving thread should end.
    int m_wake = -1;
    quint16 m_localPort = 0;
    quint16 m_scalePort = 0;
    // The scale's IPv4 address in host byte order; 0 until known.
    std::atomic<quint32> m_scale{0};
    std::thread m_receiver;

    // A text and its lines, counted once when it is filed.
    struct Filed
    {
        QByteArray text;
        qsizetype lines = 0;
    };
    mutable std::mutex m_inboxMutex;
    std::deque<Filed> m_inbox;
    qsizetype m_inboxBytes = 0;
    qsizetype m_inboxLines = 0;
    quint64 m_dropped = 0;
    quint64 m_droppedReported = 0;
};
