#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThread>

// The Ethernet link's UDP side: a socket bound to a fixed local port on every IPv4 address, read on a
// thread of its own, through which the scale's datagrams arrive and the commands go out to the scale.
//
// Only datagrams from the scale's address count: anyone else on the network could otherwise type into
// the focused window of this PC. A datagram's text is its bytes up to the first zero byte, whole (up to
// DatagramLimit); an empty text is no text.
class UdpListener : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 DefaultLocalPort = 1001;
    static constexpr qint64 DatagramLimit = 8192;

    explicit UdpListener(QObject* parent = nullptr);
    // Closes the socket and ends the thread; nothing is emitted afterwards.
    ~UdpListener() override;

    // Binds localPort on every IPv4 address without sharing it, and returns at once: empty when bound,
    // else why not. The scale's host is then resolved on the listener's thread (a name may take the
    // resolver seconds); once it has an address, a single zero byte greets the scale, and datagrams from
    // that address are taken.
    QString open(const QString& host, quint16 port, quint16 localPort = DefaultLocalPort);
    bool isActive() const { return m_active; }
    // The port actually bound (localPort, or the one the system chose for 0); 0 while not active.
    quint16 localPort() const { return m_localPort; }

    // One datagram to the scale; dropped while its address is not known yet.
    void send(const QByteArray& datagram);

signals:
    // Emitted on the listener's thread for every datagram with text from the scale's address.
    void received(const QByteArray& text);

private:
    class Worker;

    QThread m_thread;
    Worker* m_worker = nullptr;
    bool m_active = false;
    quint16 m_localPort = 0;
};
