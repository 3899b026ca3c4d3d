#include "networktransports.h"

#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

namespace {

bool sameHost(const QHostAddress& a, const QHostAddress& b)
{
    // A dual-stack socket reports IPv4 senders as ::ffff:a.b.c.d.
    return a.isEqual(b, QHostAddress::ConvertV4MappedToIPv4);
}

} // namespace

QString hostAndPort(const QHostAddress& address, quint16 port)
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(address.toString())
                             : address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

TcpTransport::TcpTransport(QObject* parent)
    : ScaleTransport(parent)
    , m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &TcpTransport::takeConnections);
}

TcpTransport::~TcpTransport() = default;

bool TcpTransport::listen(const QHostAddress& address, quint16 port, QString* error)
{
    if (m_server->listen(address, port))
        return true;
    *error = QStringLiteral("cannot listen on %1: %2").arg(hostAndPort(address, port), m_server->errorString());
    return false;
}

QString TcpTransport::location() const
{
    return QStringLiteral("tcp ") + hostAndPort(m_server->serverAddress(), m_server->serverPort());
}

bool TcpTransport::send(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return true;
    if (!m_client || m_client->state() != QAbstractSocket::ConnectedState ||
        m_client->bytesToWrite() + bytes.size() > MaxPendingBytes)
        return false;
    return m_client->write(bytes) == bytes.size();
}

void TcpTransport::takeConnections()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        const QString from = hostAndPort(socket->peerAddress(), socket->peerPort());
        if (m_client) {
            // The kernel has already accepted it; closing at once is how a one-client module refuses.
            socket->abort();
            socket->deleteLater();
            emit refused({}, QStringLiteral("%1 (a client is connected)").arg(from));
            continue;
        }
        m_client = socket;
        connect(socket, &QTcpSocket::readyRead, this, &TcpTransport::readClient);
        connect(socket, &QTcpSocket::disconnected, this, &TcpTransport::clientGone);
        emit partnerChanged(QStringLiteral("client %1").arg(from));
    }
}

void TcpTransport::readClient()
{
    if (m_client) {
        const QByteArray bytes = m_client->readAll();
        if (!bytes.isEmpty())
            emit received(bytes);
    }
}

void TcpTransport::clientGone()
{
    if (!m_client)
        return;
    m_client->deleteLater();
    m_client = nullptr;
    emit partnerChanged(QStringLiteral("no client"));
}

UdpTransport::UdpTransport(const QHostAddress& peer, quint16 peerPort, QObject* parent)
    : ScaleTransport(parent)
    , m_socket(new QUdpSocket(this))
    , m_peer(peer)
    , m_peerPort(peerPort)
{
    connect(m_socket, &QUdpSocket::readyRead, this, &UdpTransport::readDatagrams);
}

UdpTransport::~UdpTransport() = default;

bool UdpTransport::bind(const QHostAddress& address, quint16 port, QString* error)
{
    if (m_socket->bind(address, port))
        return true;
    *error = QStringLiteral("cannot bind to %1: %2").arg(hostAndPort(address, port), m_socket->errorString());
    return false;
}

QString UdpTransport::location() const
{
    return QStringLiteral("udp ") + hostAndPort(m_socket->localAddress(), m_socket->localPort());
}

bool UdpTransport::send(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return true;
    return m_socket->writeDatagram(bytes, m_peer, m_peerPort) == bytes.size();
}

QByteArray UdpTransport::commandOf(QByteArray datagram)
{
    if (datagram.endsWith('\0'))
        datagram.chop(1);
    if (!datagram.endsWith('\n'))
        datagram += '\n';
    return datagram;
}

void UdpTransport::readDatagrams()
{
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram();
        if (!datagram.isValid())
            break;
        if (!sameHost(datagram.senderAddress(), m_peer) || datagram.senderPort() != int(m_peerPort)) {
            emit refused(datagram.data(), hostAndPort(datagram.senderAddress(), quint16(datagram.senderPort())));
            continue;
        }
        emit received(commandOf(datagram.data()));
    }
}
