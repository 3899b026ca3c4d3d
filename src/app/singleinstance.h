#pragma once

#include "core/scaleorder.h"

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;
class QLocalSocket;

// How running copies of the program know of each other and call each other to the front.
//
// Presence: every copy holds a shared lock on the file "Kwelta_Application_Mutex" in the user's
// runtime folder for its whole life. A copy that starts learns whether another live process holds
// such a lock. The locks belong to the process's open file, so a copy that crashes leaves nothing
// behind that a later start would mistake for a running copy.
//
// Start message: every running copy listens on a local socket of its own,
// "Kwelta_Application_Start_Message.<pid>" in the same folder. A refused start connects to each in
// turn, sends the message's name and waits for the answer, which the copy gives once it has emitted
// startMessageReceived().
//
// Scale commands: a start with --command connects to the same sockets (whether or not only one copy
// may run), sends "Kwelta_Application_Command <name>" and waits for the copy to say what became of it.
// The first copy that sent it ends the search.
//
// Only processes of the user's own are served: the socket's file mode and the private folder keep
// others away, and the peer's credentials, which the kernel records at connect time
// (SO_PEERCRED), are checked on every connection as well. That check is one system call; it holds
// where file modes do not (a privileged process ignores them, and a folder's mode is only as good as
// whoever set it up), and a command moves a real scale.
//
// Without XDG_RUNTIME_DIR both names live in a folder of the user's own, "kwelta-<uid>" in the
// temporary folder, created with mode 0700 and used only while it belongs to the user and nobody else
// may write to it.
enum class CommandDelivery {
    Sent,
    // No copy of the user's own answered.
    NoCopy,
    LinkClosed,
    NotSent,
};

class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // How long a refused start waits for each running copy: connecting, sending and the answer.
    static constexpr int AnswerTimeoutMs = 3000;

    explicit SingleInstance(QObject* parent = nullptr);
    ~SingleInstance() override;

    // Opens or creates the lock file and takes the shared lock, noting whether another process held
    // one already. Without a lock file (it cannot be opened or created, or the file system refuses
    // locks) there is no handle.
    void acquire();
    bool hasHandle() const { return m_lockFile >= 0; }
    // Why there is no handle, for the log.
    QString failure() const { return m_failure; }
    bool existedAlready() const { return m_existedAlready; }
    void release();

    // Starts answering start messages; false when the socket cannot be set up, in which case this
    // copy runs but cannot be called to the front.
    bool listen();

    // Sends the start message to every other running copy and waits for each answer, at most
    // timeoutMs per copy. Socket files nobody listens on any more are removed on the way. Returns how
    // many copies answered.
    int broadcastStartMessage(int timeoutMs = AnswerTimeoutMs);

    // What the running copy does with a scale command that reaches it; without a handler, commands
    // are refused as not sent.
    using OrderHandler = std::function<OrderOutcome(ScaleOrder)>;
    void setOrderHandler(OrderHandler handler) { m_orderHandler = std::move(handler); }

    // Hands the order to the running copies of the user's own, one after another, until one has sent
    // it; waits at most timeoutMs for each. Needs no application object with a display.
    static CommandDelivery sendOrder(ScaleOrder order, int timeoutMs = AnswerTimeoutMs);

    static QString runtimeFolder();
    static QString lockFilePath();
    static QString socketPath(qint64 pid);

signals:
    void startMessageReceived();

private:
    void serve(QLocalSocket* connection);
    void answer(QLocalSocket* connection, const QByteArray& message);
    // The sockets of the other copies of the user's own.
    static QStringList otherCopies();

    int m_lockFile = -1;
    QString m_failure;
    bool m_existedAlready = false;
    QLocalServer* m_server = nullptr;
    OrderHandler m_orderHandler;
};

// The entry's decision: a copy runs when it holds the presence lock and nobody else did, or when only
// one instance is not asked for, or when the lock cannot be had at all: a program that cannot tell
// whether it is alone had better run twice than not at all.
constexpr bool mayRun(bool hasHandle, bool existedAlready, bool onlyOneInstance)
{
    return !hasHandle || !existedAlready || !onlyOneInstance;
}
