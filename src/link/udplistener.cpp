#include "link/udplistener.h"

#include "link/linklog.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkDatagram>
#include <QUdpSocket>

// Lives on the listener's thread; everything it touches belongs to that thread.
class UdpListener::Worker : public QObject
{
public:
    explicit Worker(UdpListener& owner)
        : m_owner(owner)
    {}

    QString bind(quint16 localPort, quint16& bound)
    {
        m_socket = new QUdpSocket(this);
        // Without SO_REUSEADDR, so that a port another program holds is reported instead of shared.
        if (!m_socket->bind(QHostAddress::AnyIPv4, localPort, QAbstractSocket::DontShareAddress)) {
            const QString why = m_socket->errorString();
            delete m_socket;
            m_socket = nullptr;
            return why;
        }
        bound = m_socket->localPort();
        QObject::connect(m_socket, &QUdpSocket::readyRead, this, [this] { readDatagrams(); });
        return {};
    }

    // The lookup runs on Qt's resolver threads, so a name the resolver cannot answer holds up neither
    // this thread nor, when the link closes, the main one.
    void findScale(const QString& host, quint16 port)
    {
        m_scalePort = port;
        // Given an address, QHostInfo asks the name servers for its name, and a scale network cut off
        // from them would leave the scale unheard until the resolver gave up.
        const QHostAddress given(host);
        if (given.protocol() == QAbstractSocket::IPv4Protocol) {
            greet(given);
            return;
        }
        QHostInfo::lookupHost(host, this, [this, host](const QHostInfo& info) {
            for (const QHostAddress& address : info.addresses()) {
                if (address.protocol() == QAbstractSocket::IPv4Protocol) {
                    greet(address);
                    return;
                }
            }
            qCWarning(linkLog) << "The scale's host" << host
                               << "has no IPv4 address; datagrams cannot be told from others' and are ignored.";
        });
    }

    void send(const QByteArray& datagram)
    {
        if (!m_socket || m_scale.isNull())
            return;
        if (m_socket->writeDatagram(datagram, m_scale, m_scalePort) != datagram.size())
            qCInfo(linkLog) << "A datagram to the scale was not sent:" << m_socket->errorString();
    }

private:
    void greet(const QHostAddress& scale)
    {
        m_scale = scale;
        // The scale learns from it where to send; the byte's value carries nothing.
        send(QByteArray(1, '\0'));
    }

    void readDatagrams()
    {
        while (m_socket->hasPendingDatagrams()) {
            const QNetworkDatagram datagram = m_socket->receiveDatagram(DatagramLimit);
            if (m_scale.isNull() || !datagram.senderAddress().isEqual(m_scale, QHostAddress::TolerantConversion))
                continue;
            QByteArray text = datagram.data();
            const qsizetype zero = text.indexOf('\0');
            if (zero >= 0)
                text.truncate(zero);
            if (!text.isEmpty())
                emit m_owner.received(text);
        }
    }

    UdpListener& m_owner;
    QUdpSocket* m_socket = nullptr;
    QHostAddress m_scale;
    quint16 m_scalePort = 0;
};

UdpListener::UdpListener(QObject* parent)
    : QObject(parent)
{
    m_thread.setObjectName(QStringLiteral("UdpListener"));
    m_worker = new Worker(*this);
    m_worker->moveToThread(&m_thread);
    m_thread.start();
}

UdpListener::~UdpListener()
{
    // The socket and its notifiers must go on the thread they belong to.
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker] { delete worker; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

QString UdpListener::open(const QString& host, quint16 port, quint16 localPort)
{
    if (m_active)
        return {};
    QString why;
    quint16 bound = 0;
    QMetaObject::invokeMethod(
        m_worker, [&] { why = m_worker->bind(localPort, bound); }, Qt::BlockingQueuedConnection);
    if (!why.isEmpty())
        return why;
    m_active = true;
    m_localPort = bound;
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, host, port] { worker->findScale(host, port); });
    return {};
}

void UdpListener::send(const QByteArray& datagram)
{
    if (!m_active)
        return;
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, datagram] { worker->send(datagram); });
}
