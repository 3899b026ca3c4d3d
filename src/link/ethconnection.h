#pragma once

#include "core/global.h"
#include "link/pendingtext.h"
#include "link/raw_ping.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>
#include <functional>
#include <memory>

class QTcpSocket;
class UdpListener;

// Stored as one signed byte; Disconnecting is what the byte 255 reads as.
enum class EthLinkState : qint8 { Disconnecting = -1, Disconnected = 0, Connecting = 1, Connected = 2 };

// ethProtocolGroup's item index.
enum class EthProtocol : quint8 { Tcp = 0, Udp = 1 };

// The scale on the network, as the communication panel names it.
struct EthTarget
{
    quint8 protocol = quint8(EthProtocol::Tcp);
    QString host;
    qint32 port = 0;
};

// ethPortEdit's text as a port: 1001 for a text that is not a port number (a number outside 0..65535
// would otherwise reach another port than the one written); "00000" is port 0.
qint32 ethPortFromText(const QString& text);

// The Ethernet link to the scale: a TCP client of the scale's address and port, or a UDP listener on
// local port 1001 that talks to the scale's address and port. It gathers what arrives in Received, cuts
// it and hands the pieces to the intake, sends commands, and reports each change of State through
// stateChanged, which the window receives queued, as a posted message.
//
// Before each TCP connect attempt the host is asked whether it answers an echo request; the check runs
// off the main thread, so toggleConnection returns before the attempt, and the attempt follows when the
// host has answered. An attempt that ends without a connection, and a connection the scale ends, leave
// the link to be opened again at the next answered check. The supervision (EthSupervision) drives the
// operations at the bottom.
//
// Every complete line is handed on once, in order, when it arrives. The lines go to the intake a batch
// at a time, and the link reads more from the socket or the listener only while few lines wait, so
// that a scale sending faster than results can be processed slows itself (TCP) or loses datagrams
// (UDP, see UdpListener) instead of taking all memory and the window's attention for minutes.
//
// Main thread only; the UDP listener's thread hands its text over through a bounded inbox.
class EthConnection : public QObject
{
    Q_OBJECT

public:
    using ReadModeSource = std::function<ReadMode()>;
    using Intake = std::function<void(const QByteArray&)>;

    EthConnection(ReadModeSource readMode, Intake intake, QObject* parent = nullptr);
    // Tests ask their own probe instead of sending echo requests, and listen on a port of their choice.
    EthConnection(ReadModeSource readMode, Intake intake, ReachabilityCheck::Probe probe, quint16 localUdpPort = 1001,
                  QObject* parent = nullptr);
    // Releases the link without reporting anything.
    ~EthConnection() override;

    // Opens the link if it is closed, closes it if it is open; reports State in every case.
    void toggleConnection(quint8 protocol, const QString& host, qint32 port);
    void toggleConnection(const EthTarget& target) { toggleConnection(target.protocol, target.host, target.port); }
    // The text's bytes to a connected scale; nothing otherwise.
    void sendTcp(const QByteArray& text);
    // One datagram of the text and a zero byte to the scale while the listener is active; nothing
    // otherwise. A long command goes out whole.
    void sendUdp(const QByteArray& text);
    EthLinkState linkState() const { return m_state; }
    // What the status line is to show: Disconnected for a listener whose scale has stopped answering,
    // State otherwise.
    EthLinkState shownState() const;

    // Whether anything is open or under way: a client connected or connecting, an active listener.
    bool isOpen() const;
    // The user closes a link that never opened (its host was silent): no attempt follows any more.
    // Reports State.
    void cancelReconnect();
    // Closes whatever is open, reporting nothing: the closing sequence.
    void release();

    // The supervision's operations. checkReachable answers through reachabilityChecked, always
    // later, never from within the call; false at once for an empty host with no client.
    void checkReachable(const QString& host);
    void countPingFailure() { ++m_pingFailures; }
    // A listener whose scale was silent reads as connected again.
    void resetPingFailures();
    // After more than three failed checks in a row: a TCP connection is dropped, to be opened again
    // once the host answers; an active listener stays open, shown as waiting for its scale.
    void dropIfUnreachable();

    qint32 pingFailures() const { return m_pingFailures; }
    bool ReconnectPending() const { return m_reconnectPending; }
    void setReconnectPending(bool pending) { m_reconnectPending = pending; }
    const PendingText& received() const { return m_received; }
    // Lines taken from what arrived and not yet handed to the intake.
    qsizetype linesWaiting() const { return qsizetype(m_lines.size()); }
    // Lines handed to the intake in one turn of the event loop, and how many may wait before the link
    // stops reading.
    static constexpr int LinesPerTurn = 100;
    static constexpr qsizetype LinesWaitingLimit = 200;
    // What is read from the TCP socket at once, and what its own buffer holds.
    static constexpr qint64 ReadChunk = 64 * 1024;
    // Lines as scales of many makers send them (PendingText::setMakerLines).
    void setMakerLines(bool on) { m_received.setMakerLines(on); }
    // Told of each line the cut drops as too short, in turn with the intake's lines (an arrival's short
    // lines ahead of its others). Nothing is kept for it while none is set.
    void setShortLineObserver(Intake observer);
    // The link as the user knows it: "TCP 10.0.0.5:4001", "UDP 10.0.0.5:1001".
    QString linkName() const;
    // The listener's local port while it is active, else 0.
    quint16 udpLocalPort() const;
    // The host and port the user last opened the link to; empty and 0 once it was closed.
    const QString& connectedHost() const { return m_connectedHost; }
    qint32 connectedPort() const { return m_connectedPort; }

signals:
    void stateChanged(EthLinkState state);
    // A new connection starts afresh: what the processing held of an earlier one no longer counts.
    void connectionStarted();
    // The listener could not bind its local port; State is Disconnected again.
    void listenerFailed(quint16 localPort, const QString& why);
    void reachabilityChecked(bool reachable);

private:
    void report() { emit stateChanged(shownState()); }
    void openTcp(const QString& host);
    void connectCheckAnswered(bool reachable);
    void closeClient();
    void discardClient();
    void openListener(const QString& host, qint32 port, QString& failure);
    void closeListener();

    void onSocketConnected();
    void onSocketDisconnected();
    void onSocketReadyRead();
    void onSocketError();
    void attemptEnded(QAbstractSocket::SocketState socketState);
    void logWait(const QString& why);
    // What has arrived goes to the intake from here, line by line, in order, a batch per turn of the
    // event loop (see pump()).
    void pump();
    void schedulePump();
    void readFromClient();
    void takeDatagrams();
    void cut();

    ReadModeSource m_readMode;
    Intake m_intake;
    Intake m_shortLine;
    const quint16 m_localUdpPort;

    PendingText m_received;
    struct WaitingLine
    {
        QByteArray text;
        // Dropped by the cut: for the short-line observer, not the intake.
        bool tooShort = false;
    };
    // Complete lines (in report mode over TCP, whole arrivals) not yet handed to the intake.
    std::deque<WaitingLine> m_lines;
    bool m_pumpScheduled = false;
    bool m_handingOn = false;
    EthLinkState m_state = EthLinkState::Disconnected;
    QPointer<QTcpSocket> m_client;
    std::unique_ptr<UdpListener> m_listener;
    qint32 m_pingFailures = 0;
    bool m_reconnectPending = false;
    // The scale of an active listener stopped answering echo requests.
    bool m_udpScaleSilent = false;

    ReachabilityCheck m_connectCheck;
    ReachabilityCheck m_supervisionCheck;
    // A connect attempt waits for m_connectCheck's answer about this host.
    bool m_awaitingConnectCheck = false;
    QString m_connectCheckHost;
    QString m_connectedHost;
    qint32 m_connectedPort = 0;
    // Why the wanted link is down, as last logged; empty once it connected or the user gave up.
    QString m_loggedWait;
    // Datagram text queued before the listener closed must not reach a later one.
    quint64 m_listenerGeneration = 0;
};
