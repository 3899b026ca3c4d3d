#pragma once

#include "scaletransport.h"

#include <QHostAddress>
#include <QPointer>

class QTcpServer;
class QTcpSocket;
class QUdpSocket;

// "127.0.0.1:4001", "[::1]:4001"
QString hostAndPort(const QHostAddress& address, quint16 port);

// A scale with an Ethernet module that serves one TCP client at a time, its serial protocol unchanged.
class TcpTransport : public ScaleTransport
{
    Q_OBJECT

public:
    // Output a client leaves unread; beyond it a stream would eat all memory.
    static constexpr qsizetype MaxPendingBytes = 1 << 20;

    explicit TcpTransport(QObject* parent = nullptr);
    ~TcpTransport() override;

    // Port 0 lets the system choose a free port; location() names the one it chose.
    bool listen(const QHostAddress& address, quint16 port, QString* error);
    QString location() const override;
    // With no client, output is dropped, as a scale's output is with nobody listening.
    bool send(const QByteArray& bytes) override;

private:
    void takeConnections();
    void readClient();
    void clientGone();

    QTcpServer* m_server;
    QPointer<QTcpSocket> m_client;
};

// A scale that speaks in datagrams with one partner: each datagram it gets is a command, each burst of
// output leaves as one datagram to the partner.
class UdpTransport : public ScaleTransport
{
    Q_OBJECT

public:
    UdpTransport(const QHostAddress& peer, quint16 peerPort, QObject* parent = nullptr);
    ~UdpTransport() override;

    bool bind(const QHostAddress& address, quint16 port, QString* error);
    QString location() const override;
    bool send(const QByteArray& bytes) override;

    // The command a datagram holds, ended as the model expects: a datagram is one message, so its end
    // ends the command, and the zero byte the other side puts after each command is no part of it.
    static QByteArray commandOf(QByteArray datagram);

private:
    void readDatagrams();

    QUdpSocket* m_socket;
    QHostAddress m_peer;
    quint16 m_peerPort;
};
