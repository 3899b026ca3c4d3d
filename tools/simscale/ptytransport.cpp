#include "ptytransport.h"

#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace {

constexpr int ReadChunk = 4096;
constexpr std::chrono::milliseconds StallRetry{20};
constexpr std::chrono::milliseconds ReadRetry{100};

QString describe(const std::optional<LineSettings>& settings)
{
    return settings ? settings->toString() : QStringLiteral("unknown settings");
}

} // namespace

PtyTransport::PtyTransport(const LineSettings& own, QObject* parent)
    : ScaleTransport(parent)
    , m_own(own)
{
    m_paceTimer.setSingleShot(true);
    m_paceTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_paceTimer, &QTimer::timeout, this, &PtyTransport::writeDue);
}

PtyTransport::~PtyTransport()
{
    removeLink();
    m_readNotifier.reset();
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

bool PtyTransport::open(const QString& linkPath, QString* error)
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        *error = QStringLiteral("cannot create a pseudo-terminal: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    m_slaveName = QString::fromLocal8Bit(name);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    // A fresh pty echoes and edits lines like a console; a serial port opened by a program is raw.
    if (!applyLineSettings(m_slave, m_own)) {
        *error = QStringLiteral("cannot set the line settings of %1").arg(m_slaveName);
        return false;
    }

    const QFileInfo link(linkPath);
    if (link.exists() && !link.isSymLink()) {
        *error = QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath);
        return false;
    }
    QDir().mkpath(link.absolutePath());
    // A link made beside the final name and renamed over it replaces an old link in one step, so a
    // program that opens the port meanwhile never finds it missing.
    const QByteArray target = QFile::encodeName(link.absoluteFilePath());
    const QByteArray temporary = target + ".new." + QByteArray::number(::getpid());
    ::unlink(temporary.constData());
    if (::symlink(name, temporary.constData()) != 0 || ::rename(temporary.constData(), target.constData()) != 0) {
        *error = QStringLiteral("cannot make the link %1: %2").arg(linkPath, QString::fromLocal8Bit(strerror(errno)));
        ::unlink(temporary.constData());
        return false;
    }
    m_linkPath = link.absoluteFilePath();
    m_location = linkPath;

    m_readNotifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &PtyTransport::readAvailable);
    return true;
}

void PtyTransport::setLineSettings(const LineSettings& own)
{
    m_own = own;
}

bool PtyTransport::setLineSpeed(int baud)
{
    if (baud < LineSettings::MinBaud || baud > LineSettings::MaxBaud)
        return false;
    m_own.baud = baud;
    return true;
}

std::optional<LineSettings> PtyTransport::peerSettings() const
{
    return m_slave >= 0 ? readLineSettings(m_slave) : std::nullopt;
}

bool PtyTransport::send(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return true;
    // Sent at another speed, the bytes would reach the other side as garbage that no reader could use.
    if (!sameTiming(peerSettings()) || m_pending.size() + bytes.size() > MaxPendingBytes)
        return false;
    if (m_pending.isEmpty()) {
        m_burstStart = std::chrono::steady_clock::now();
        m_burstBytes = 0;
    }
    m_pending += bytes;
    if (!m_paceTimer.isActive())
        scheduleNextByte();
    return true;
}

bool PtyTransport::matches(const std::optional<LineSettings>& peer) const
{
    return peer && *peer == m_own;
}

std::chrono::nanoseconds PtyTransport::characterTime() const
{
    return std::chrono::nanoseconds(qint64(1'000'000'000) * m_own.bitsPerCharacter() / m_own.baud);
}

void PtyTransport::readAvailable()
{
    char buffer[ReadChunk];
    QByteArray bytes;
    for (;;) {
        const ssize_t count = ::read(m_master, buffer, sizeof buffer);
        if (count > 0) {
            bytes.append(buffer, count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno != EAGAIN) {
            // EIO means no slave is open; with our own slave held it should not happen, but a notifier
            // left on would fire without end, so listening pauses instead.
            m_readNotifier->setEnabled(false);
            QTimer::singleShot(ReadRetry, this, [this] { m_readNotifier->setEnabled(true); });
        }
        break;
    }
    if (bytes.isEmpty())
        return;
    const std::optional<LineSettings> peer = peerSettings();
    if (matches(peer))
        emit received(bytes);
    else if (sameTiming(peer))
        emit received(peer->asReceivedBy(m_own, bytes));
    else
        emit ignored(bytes, QStringLiteral("at %1").arg(describe(peer)));
}

void PtyTransport::scheduleNextByte()
{
    if (m_pending.isEmpty())
        return;
    // A character has arrived once its last bit has, one character time after the previous one.
    const auto due = m_burstStart + characterTime() * (m_burstBytes + 1);
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - std::chrono::steady_clock::now());
    m_paceTimer.start(std::max(wait, std::chrono::milliseconds(0)));
}

void PtyTransport::writeDue()
{
    const auto elapsed = std::chrono::steady_clock::now() - m_burstStart;
    const qint64 due = qMin<qint64>(elapsed / characterTime() - m_burstBytes, m_pending.size());
    if (due > 0) {
        // What the other side makes of the bytes depends on its settings when they are on the line, not
        // when they were queued: a port switched to another speed meanwhile gets nothing it could use.
        const std::optional<LineSettings> peer = peerSettings();
        if (!sameTiming(peer)) {
            m_pending.remove(0, due);
            m_burstBytes += due;
            scheduleNextByte();
            return;
        }
        const QByteArray line = m_own.asReceivedBy(*peer, m_pending.left(due));
        const ssize_t written = ::write(m_master, line.constData(), size_t(due));
        if (written > 0) {
            m_pending.remove(0, written);
            m_burstBytes += written;
        } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
            m_pending.clear();
        }
        if (written < due && !m_pending.isEmpty()) {
            // The other side has stopped reading and the pty is full: keep the bytes and go on at the
            // line's pace from the moment there is room again.
            m_burstStart = std::chrono::steady_clock::now() + StallRetry;
            m_burstBytes = 0;
            m_paceTimer.start(StallRetry);
            return;
        }
    }
    scheduleNextByte();
}

void PtyTransport::removeLink()
{
    if (m_linkPath.isEmpty())
        return;
    // Only our own link goes: another copy may have taken the name over meanwhile.
    if (QFileInfo(m_linkPath).symLinkTarget() == m_slaveName)
        ::unlink(QFile::encodeName(m_linkPath).constData());
    m_linkPath.clear();
}
