#include "link/ethconnection.h"

#include "link/linklog.h"
#include "link/udplistener.h"

#include <QTcpSocket>

qint32 ethPortFromText(const QString& text)
{
    bool isNumber = false;
    const int port = text.trimmed().toInt(&isNumber);
    return isNumber && port >= 0 && port <= 65535 ? port : 1001;
}

EthConnection::EthConnection(ReadModeSource readMode, Intake intake, QObject* parent)
    : EthConnection(std::move(readMode), std::move(intake), ReachabilityCheck::Probe(askHost),
                    UdpListener::DefaultLocalPort, parent)
{}

EthConnection::EthConnection(ReadModeSource readMode, Intake intake, ReachabilityCheck::Probe probe,
                             quint16 localUdpPort, QObject* parent)
    : QObject(parent)
    , m_readMode(std::move(readMode))
    , m_intake(std::move(intake))
    , m_localUdpPort(localUdpPort)
    , m_connectCheck(probe)
    , m_supervisionCheck(probe)
{
    connect(&m_connectCheck, &ReachabilityCheck::answered, this, &EthConnection::connectCheckAnswered);
    connect(&m_supervisionCheck, &ReachabilityCheck::answered, this, &EthConnection::reachabilityChecked);
}

EthConnection::~EthConnection()
{
    release();
}

EthLinkState EthConnection::shownState() const
{
    return m_listener && m_udpScaleSilent ? EthLinkState::Disconnected : m_state;
}

bool EthConnection::isOpen() const
{
    return m_state != EthLinkState::Disconnected ||
           (m_client && m_client->state() != QAbstractSocket::UnconnectedState) || m_listener;
}

quint16 EthConnection::udpLocalPort() const
{
    return m_listener ? m_listener->localPort() : 0;
}

void EthConnection::toggleConnection(quint8 protocol, const QString& host, qint32 port)
{
    m_connectedHost = host;
    m_connectedPort = port;
    QString listenerFailure;
    switch (EthProtocol(protocol)) {
    case EthProtocol::Tcp:
        if (m_client && m_client->state() == QAbstractSocket::ConnectedState) {
            m_loggedWait.clear();
            closeClient();
            m_connectedHost.clear();
            m_connectedPort = 0;
        } else if (m_state == EthLinkState::Connecting || m_state == EthLinkState::Disconnecting) {
            // The button cancels an attempt that is still under way.
            m_loggedWait.clear();
            m_state = EthLinkState::Disconnected;
            m_awaitingConnectCheck = false;
            discardClient();
        } else {
            openTcp(host);
        }
        break;
    case EthProtocol::Udp:
        if (m_listener) {
            m_state = EthLinkState::Disconnected;
            closeListener();
            m_connectedHost.clear();
            m_connectedPort = 0;
        } else {
            openListener(host, port, listenerFailure);
        }
        break;
    default:
        break;
    }
    report();
    if (!listenerFailure.isEmpty())
        emit listenerFailed(m_localUdpPort, listenerFailure);
}

void EthConnection::openTcp(const QString& host)
{
    // Until the host has answered, the supervision is to open the link as soon as it does.
    m_reconnectPending = true;
    if (m_connectCheck.start(host)) {
        m_awaitingConnectCheck = true;
        m_connectCheckHost = host;
    } else if (m_connectCheckHost == host) {
        // The check still out asks about this very host; its answer will do.
        m_awaitingConnectCheck = true;
    }
}

void EthConnection::connectCheckAnswered(bool reachable)
{
    if (!m_awaitingConnectCheck)
        return;
    m_awaitingConnectCheck = false;
    if (m_connectCheckHost != m_connectedHost)
        return;
    if (!reachable) {
        m_reconnectPending = true;
        const QString why = m_connectCheck.lastFailure();
        logWait(why.isEmpty() ? QStringLiteral("the host does not answer") : why);
        return;
    }
    if (m_state == EthLinkState::Connecting || m_state == EthLinkState::Disconnecting ||
        (m_client && m_client->state() == QAbstractSocket::ConnectedState))
        return;

    m_state = EthLinkState::Connecting;
    discardClient();
    m_client = new QTcpSocket(this);
    // Bounded, so that a scale sending faster than its lines are taken is held back by TCP itself.
    m_client->setReadBufferSize(ReadChunk);
    connect(m_client, &QTcpSocket::connected, this, &EthConnection::onSocketConnected);
    connect(m_client, &QTcpSocket::disconnected, this, &EthConnection::onSocketDisconnected);
    connect(m_client, &QTcpSocket::readyRead, this, &EthConnection::onSocketReadyRead);
    connect(m_client, &QTcpSocket::errorOccurred, this, &EthConnection::onSocketError);
    connect(m_client, &QTcpSocket::stateChanged, this, &EthConnection::attemptEnded);
    // Half a line of an earlier connection would otherwise lead the first line of this one.
    m_received.clear();
    emit connectionStarted();
    m_reconnectPending = false;
    report();
    m_client->connectToHost(m_connectedHost, quint16(m_connectedPort));
}

// The disconnect event this raises reports Disconnected.
void EthConnection::closeClient()
{
    m_state = EthLinkState::Disconnecting;
    m_client->disconnectFromHost();
    if (m_client && m_client->state() != QAbstractSocket::UnconnectedState)
        m_client->abort();
    discardClient();
}

// The socket may be the one whose event is being handled, so it goes later, and silently.
void EthConnection::discardClient()
{
    if (!m_client)
        return;
    // What the scale sent before the end is still handed on.
    while (m_client->bytesAvailable() > 0)
        readFromClient();
    if (!m_lines.empty())
        schedulePump();
    QTcpSocket* client = m_client;
    m_client = nullptr;
    disconnect(client, nullptr, this, nullptr);
    client->abort();
    client->deleteLater();
}

void EthConnection::openListener(const QString& host, qint32 port, QString& failure)
{
    m_state = EthLinkState::Connected;
    m_listener = std::make_unique<UdpListener>();
    const quint64 generation = ++m_listenerGeneration;
    connect(m_listener.get(), &UdpListener::receivedReady, this, [this, generation] {
        if (generation == m_listenerGeneration && m_listener)
            pump();
    });
    failure = m_listener->open(host, quint16(port), m_localUdpPort);
    if (!failure.isEmpty()) {
        qCWarning(linkLog).nospace() << "The UDP listener could not open local port " << m_localUdpPort << ": "
                                     << failure
                                     << ". Ports below 1024 need the capability cap_net_bind_service or the sysctl "
                                        "net.ipv4.ip_unprivileged_port_start; another program may hold the port.";
        closeListener();
        m_state = EthLinkState::Disconnected;
        return;
    }
    m_received.clear();
    m_udpScaleSilent = false;
    m_reconnectPending = false;
    emit connectionStarted();
}

void EthConnection::closeListener()
{
    ++m_listenerGeneration;
    m_listener.reset();
    m_udpScaleSilent = false;
}

void EthConnection::sendTcp(const QByteArray& text)
{
    if (m_client && m_client->state() == QAbstractSocket::ConnectedState) {
        m_client->write(text);
        // Out now rather than at the next turn of the event loop: a command is due at once.
        m_client->flush();
    }
}

void EthConnection::sendUdp(const QByteArray& text)
{
    if (m_listener)
        m_listener->send(text + '\0');
}

void EthConnection::cancelReconnect()
{
    m_loggedWait.clear();
    m_reconnectPending = false;
    m_awaitingConnectCheck = false;
    report();
}

void EthConnection::release()
{
    m_awaitingConnectCheck = false;
    if (m_client) {
        disconnect(m_client, nullptr, this, nullptr);
        m_client->disconnectFromHost();
        discardClient();
    }
    closeListener();
    m_lines.clear();
    m_state = EthLinkState::Disconnected;
}

void EthConnection::checkReachable(const QString& host)
{
    QString asked = host;
    if (asked.isEmpty() && m_client)
        asked = m_client->peerName();
    if (asked.isEmpty()) {
        QMetaObject::invokeMethod(
            this, [this] { emit reachabilityChecked(false); }, Qt::QueuedConnection);
        return;
    }
    // A check still out answers for this one too.
    m_supervisionCheck.start(asked);
}

void EthConnection::resetPingFailures()
{
    m_pingFailures = 0;
    if (m_udpScaleSilent) {
        m_udpScaleSilent = false;
        report();
    }
}

void EthConnection::dropIfUnreachable()
{
    if (m_pingFailures <= 3)
        return;
    // There is no connection to drop: the listener stays ready for the scale's return, and the status
    // line says that the scale is away.
    if (m_listener) {
        if (!m_udpScaleSilent) {
            m_udpScaleSilent = true;
            report();
        }
        return;
    }
    m_reconnectPending = true;
    if (m_client && m_client->state() == QAbstractSocket::ConnectedState) {
        closeClient();
        m_connectedHost.clear();
        m_connectedPort = 0;
    } else if (m_state == EthLinkState::Connecting) {
        // An attempt to a host that went silent would hang on for minutes, and the answered check that
        // follows would only cancel it; it starts again from the beginning instead.
        m_state = EthLinkState::Disconnected;
        discardClient();
        report();
    }
}

// One line for each reason the link stays down, not one for every round of the supervision: a link that
// never connects would otherwise say nothing at all, or the same thing every three seconds.
void EthConnection::logWait(const QString& why)
{
    if (why == m_loggedWait)
        return;
    m_loggedWait = why;
    qCWarning(linkLog).noquote().nospace()
        << "The TCP link to " << m_connectedHost << ':' << m_connectedPort << " waits: " << why << '.';
}

void EthConnection::onSocketConnected()
{
    if (!std::exchange(m_loggedWait, QString()).isEmpty())
        qCWarning(linkLog).noquote().nospace()
            << "The TCP link to " << m_connectedHost << ':' << m_connectedPort << " is connected.";
    m_state = EthLinkState::Connected;
    report();
}

void EthConnection::onSocketDisconnected()
{
    // Not closed by us: the scale closed or reset the connection. It is opened again once the host
    // answers, as after a drop.
    if (m_state != EthLinkState::Disconnecting)
        m_reconnectPending = true;
    m_state = EthLinkState::Disconnected;
    report();
}

void EthConnection::onSocketReadyRead()
{
    pump();
}

// Nothing is shown and the state stays; the socket's own events and the supervision carry on.
void EthConnection::onSocketError()
{
    if (m_client)
        qCInfo(linkLog) << "TCP link to" << m_connectedHost << m_connectedPort << ":" << m_client->errorString();
}

// An attempt that ended without a connection (refused, timed out, no such host) would otherwise read
// "Łączenie..." for good, and the supervision would never try again: a scale whose network came back
// before its TCP service would stay unconnected. It is tried again at the next answered check instead;
// the status line reads the same while the link is wanted.
void EthConnection::attemptEnded(QAbstractSocket::SocketState socketState)
{
    if (socketState != QAbstractSocket::UnconnectedState || m_state != EthLinkState::Connecting)
        return;
    logWait(QStringLiteral("the connection was not made (%1)")
                .arg(m_client ? m_client->errorString() : QStringLiteral("no answer")));
    m_state = EthLinkState::Disconnected;
    m_reconnectPending = true;
    report();
}

void EthConnection::pump()
{
    // A message box of the intake (a file that cannot be written) runs an event loop of its own, in
    // which more may arrive; the call already under way hands that on in order.
    if (m_handingOn)
        return;
    if (qsizetype(m_lines.size()) < LinesWaitingLimit) {
        readFromClient();
        takeDatagrams();
    }
    m_handingOn = true;
    for (int n = 0; n < LinesPerTurn && !m_lines.empty(); ++n) {
        const WaitingLine line = std::move(m_lines.front());
        m_lines.pop_front();
        if (!line.tooShort)
            m_intake(line.text);
        else if (m_shortLine)
            m_shortLine(line.text);
    }
    m_handingOn = false;
    if (!m_lines.empty() || (m_client && m_client->bytesAvailable() > 0) || (m_listener && m_listener->hasReceived()))
        schedulePump();
}

// Queued behind whatever else waits, so that the window, the signals and a close are served between
// batches.
void EthConnection::schedulePump()
{
    if (m_pumpScheduled)
        return;
    m_pumpScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_pumpScheduled = false;
            pump();
        },
        Qt::QueuedConnection);
}

void EthConnection::readFromClient()
{
    if (!m_client)
        return;
    const QByteArray text = m_client->read(ReadChunk);
    if (text.isEmpty())
        return;
    m_received.append(text.constData(), text.size());
    if (m_readMode() == ReadMode::Report) {
        // The report mode assembles the report from the pieces as they come.
        m_lines.push_back({m_received.take(ReadMode::Report)});
        return;
    }
    cut();
}

void EthConnection::takeDatagrams()
{
    if (!m_listener)
        return;
    // The cut applies in every read mode here: a datagram is a line or a few.
    for (const QByteArray& text : m_listener->takeReceived(LinesWaitingLimit - qsizetype(m_lines.size()))) {
        m_received.append(text.constData(), text.size());
        cut();
    }
}

void EthConnection::cut()
{
    QList<QByteArray> lines = m_received.takeNetworkLines();
    // The short lines of an arrival are listed ahead of its other lines.
    for (QByteArray& line : m_received.takeDropped())
        m_lines.push_back({std::move(line), true});
    for (QByteArray& line : lines)
        m_lines.push_back({std::move(line)});
    m_received.enforceLimit();
}

void EthConnection::setShortLineObserver(Intake observer)
{
    m_shortLine = std::move(observer);
    m_received.setKeepDropped(bool(m_shortLine));
}

QString EthConnection::linkName() const
{
    return QStringLiteral("%1 %2:%3")
        .arg(m_listener ? QStringLiteral("UDP") : QStringLiteral("TCP"), m_connectedHost)
        .arg(m_connectedPort);
}
