#include "app/singleinstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr char LockName[] = "Kwelta_Application_Mutex";
constexpr char StartMessageName[] = "Kwelta_Application_Start_Message";
constexpr char Answer[] = "handled";
constexpr char CommandMessageName[] = "Kwelta_Application_Command";
// What a copy answers to a command: the OrderOutcome.
constexpr char SentAnswer[] = "sent";
constexpr char LinkClosedAnswer[] = "link closed";
constexpr char NotSentAnswer[] = "not sent";
// Far more than the message; a peer sending more without a line break is not one of us.
constexpr qint64 MaxMessageLength = 256;
// Another starter holds the exclusive lock only between its test and its conversion to shared.
constexpr int SharedLockWaitMs = 1000;

bool hasRuntimeFolder()
{
    return !qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR");
}

QString socketPrefix()
{
    return QLatin1StringView(StartMessageName) + u'.';
}

// Without a runtime folder the names go in a folder of the user's own in the temporary folder: in the
// shared folder itself any local user could create the lock first and keep us from starting. The
// folder counts only as a real directory of ours that nobody else may write to.
QString privateFolder()
{
    const QString path = QDir::tempPath() + QLatin1StringView("/kwelta-") + QString::number(::getuid());
    const QByteArray native = QFile::encodeName(path);
    ::mkdir(native.constData(), S_IRWXU);
    struct stat status = {};
    if (::lstat(native.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::getuid() ||
        (status.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return {};
    return path;
}

// Open file description locks rather than flock: turning the exclusive lock into a shared one is
// atomic, so two copies starting together cannot both see the file unlocked. Unlike classic POSIX
// record locks they are not dropped when some other descriptor of the same file is closed.
bool setLock(int fd, short type)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 1;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

bool heldByAnother()
{
    return errno == EAGAIN || errno == EACCES;
}

int remainingMs(const QDeadlineTimer& deadline)
{
    return int(qMax<qint64>(0, deadline.remainingTime()));
}

bool isPid(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// The peer's uid as the kernel recorded it when it connected; false when it cannot be read, which
// counts as a stranger.
bool peerIsOurUser(const QLocalSocket& connection)
{
    struct ucred credentials = {};
    socklen_t length = sizeof credentials;
    if (::getsockopt(int(connection.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return false;
    return credentials.uid == ::getuid();
}

// Sends one line and waits for a line back; empty when none came.
QByteArray converse(const QString& path, const QByteArray& line, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(remainingMs(deadline))) {
        // Refused means the process that made the socket is gone and nothing will listen there again;
        // other failures may be passing, so the file is left alone.
        if (socket.error() == QLocalSocket::ConnectionRefusedError)
            QFile::remove(path);
        return {};
    }
    socket.write(line + '\n');
    socket.flush();
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(remainingMs(deadline)))
            return {};
    }
    return socket.readLine().trimmed();
}

bool callToFront(const QString& path, int timeoutMs)
{
    return converse(path, StartMessageName, timeoutMs) == Answer;
}

} // namespace

SingleInstance::SingleInstance(QObject* parent)
    : QObject(parent)
{}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
    release();
}

QString SingleInstance::runtimeFolder()
{
    if (hasRuntimeFolder())
        return QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).absolutePath();
    return privateFolder();
}

QString SingleInstance::lockFilePath()
{
    const QString folder = runtimeFolder();
    return folder.isEmpty() ? QString() : folder + u'/' + QLatin1StringView(LockName);
}

QString SingleInstance::socketPath(qint64 pid)
{
    const QString folder = runtimeFolder();
    return folder.isEmpty() ? QString() : folder + u'/' + socketPrefix() + QString::number(pid);
}

void SingleInstance::acquire()
{
    release();
    const QString path = lockFilePath();
    if (path.isEmpty()) {
        m_failure = QStringLiteral("no runtime folder of the user's own under %1").arg(QDir::tempPath());
        return;
    }
    // O_CLOEXEC: a child process inheriting the descriptor would keep the lock alive after we end.
    // O_NOFOLLOW: the name could be a planted link.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, S_IRUSR | S_IWUSR);
    if (fd < 0) {
        m_failure = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }

    if (setLock(fd, F_WRLCK)) {
        m_existedAlready = false;
        if (!setLock(fd, F_RDLCK)) {
            m_failure = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
            ::close(fd);
            return;
        }
    } else if (heldByAnother()) {
        m_existedAlready = true;
        // Failing here leaves the handle without a lock: the copy still learned what it needed.
        const QDeadlineTimer deadline(SharedLockWaitMs);
        while (!setLock(fd, F_RDLCK) && heldByAnother() && !deadline.hasExpired())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } else {
        m_failure = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        ::close(fd);
        return;
    }
    m_lockFile = fd;
}

void SingleInstance::release()
{
    // The file itself stays: removing it would let the next starter lock a new file while running
    // copies still hold locks on the old one, and both would believe they are alone.
    if (m_lockFile >= 0)
        ::close(m_lockFile);
    m_lockFile = -1;
    m_existedAlready = false;
}

bool SingleInstance::listen()
{
    if (m_server)
        return m_server->isListening();
    const QString path = socketPath(QCoreApplication::applicationPid());
    if (path.isEmpty())
        return false;
    auto server = std::make_unique<QLocalServer>();
    // Besides keeping other users out, an access option makes Qt bind in a private folder and move the
    // socket into place once it listens, so a refused start never finds a file that refuses it only
    // because it is not listening yet, and never removes it as dead.
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // A file under our own pid can only be left by an earlier process of that pid that died.
    QLocalServer::removeServer(path);
    if (!server->listen(path))
        return false;
    m_server = server.release();
    m_server->setParent(this);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (m_server->hasPendingConnections())
            serve(m_server->nextPendingConnection());
    });
    return true;
}

void SingleInstance::serve(QLocalSocket* connection)
{
    connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
    if (!peerIsOurUser(*connection)) {
        connection->abort();
        connection->deleteLater();
        return;
    }
    connect(connection, &QLocalSocket::readyRead, this, [this, connection] {
        if (!connection->canReadLine()) {
            if (connection->bytesAvailable() > MaxMessageLength) {
                connection->abort();
                connection->deleteLater();
            }
            return;
        }
        answer(connection, connection->readLine().trimmed());
    });
}

void SingleInstance::answer(QLocalSocket* connection, const QByteArray& message)
{
    QByteArray reply;
    if (message == StartMessageName) {
        // The sender waits for the answer, so it must come after the window has been dealt with.
        emit startMessageReceived();
        reply = Answer;
    } else if (const QByteArray prefix = QByteArray(CommandMessageName) + ' '; message.startsWith(prefix)) {
        const std::optional<ScaleOrder> order = scaleOrderFromName(QString::fromLatin1(message.mid(prefix.size())));
        const OrderOutcome outcome = order && m_orderHandler ? m_orderHandler(*order) : OrderOutcome::NotSent;
        reply = outcome == OrderOutcome::Sent         ? SentAnswer
                : outcome == OrderOutcome::LinkClosed ? LinkClosedAnswer
                                                      : NotSentAnswer;
    } else {
        connection->abort();
        connection->deleteLater();
        return;
    }
    connection->write(reply + '\n');
    connection->disconnectFromServer();
}

QStringList SingleInstance::otherCopies()
{
    const QString folderPath = runtimeFolder();
    if (folderPath.isEmpty())
        return {};
    const QDir folder(folderPath);
    const QString prefix = socketPrefix();
    const qint64 ownPid = QCoreApplication::applicationPid();
    QStringList paths;
    const QStringList entries =
        folder.entryList({prefix + u'*'}, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        const QStringView pid = QStringView(entry).mid(prefix.size());
        if (!isPid(pid) || pid.toLongLong() == ownPid)
            continue;
        const QString path = folder.filePath(entry);
        // The temporary folder is shared: another user's file is neither called nor removed.
        struct stat status = {};
        if (::lstat(QFile::encodeName(path).constData(), &status) != 0 || status.st_uid != ::getuid())
            continue;
        paths += path;
    }
    return paths;
}

int SingleInstance::broadcastStartMessage(int timeoutMs)
{
    int answered = 0;
    for (const QString& path : otherCopies()) {
        if (callToFront(path, timeoutMs))
            ++answered;
    }
    return answered;
}

CommandDelivery SingleInstance::sendOrder(ScaleOrder order, int timeoutMs)
{
    const QByteArray message = QByteArray(CommandMessageName) + ' ' + QByteArray(scaleOrderName(order).data());
    CommandDelivery delivery = CommandDelivery::NoCopy;
    for (const QString& path : otherCopies()) {
        const QByteArray reply = converse(path, message, timeoutMs);
        if (reply == SentAnswer)
            return CommandDelivery::Sent;
        // Of the copies that could not send it, one with its link closed says the most to the user.
        if (reply == LinkClosedAnswer)
            delivery = CommandDelivery::LinkClosed;
        else if (reply == NotSentAnswer && delivery == CommandDelivery::NoCopy)
            delivery = CommandDelivery::NotSent;
    }
    return delivery;
}
