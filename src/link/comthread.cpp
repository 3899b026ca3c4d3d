#include "link/comthread.h"

#include "link/sio.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

// The worker looks at its stop request this often while it waits for data.
constexpr int readableWaitSliceMs = 20;
// Text that waits without a line being due is still cut again this often, so that a change of the
// read mode applies to it without new data having to arrive.
constexpr std::chrono::milliseconds pendingRecheck{500};

} // namespace

struct ComThread::Channel
{
    std::mutex mutex;
    std::condition_variable changed;
    bool stopping = false;
    bool pollRunning = false;
    bool gone = false;
    // The state of the pending text after the last poll, for the worker to decide how to wait.
    bool pendingEmpty = true;
    bool lineDue = false;
};

ComThread::ComThread(int port, int bufferSize, ReadModeSource readMode, Intake intake, QObject* parent)
    : QThread(parent)
    , m_port(port)
    , m_bufferSize(bufferSize)
    , m_readMode(std::move(readMode))
    , m_intake(std::move(intake))
    , m_channel(std::make_shared<Channel>())
{}

ComThread::~ComThread()
{
    stop();
}

void ComThread::stop()
{
    {
        const std::lock_guard lock(m_channel->mutex);
        m_channel->stopping = true;
    }
    m_channel->changed.notify_all();
    wait();
}

void ComThread::run()
{
    Execute();
}

void ComThread::Execute()
{
    const std::shared_ptr<Channel> channel = m_channel;

    const auto stopRequested = [&channel] {
        const std::lock_guard lock(channel->mutex);
        return channel->stopping || channel->gone || Global::SerialStopped;
    };

    while (!stopRequested()) {
        bool pendingEmpty = true;
        bool lineDue = false;
        {
            const std::lock_guard lock(channel->mutex);
            pendingEmpty = channel->pendingEmpty;
            lineDue = channel->lineDue;
        }

        // The wait is the only thing the worker does on the port; the main thread must not close the
        // port before stop() has returned.
        bool deviceGone = false;
        if (!lineDue) {
            const auto recheckAt = std::chrono::steady_clock::now() + pendingRecheck;
            int state = Sio::TimedOut;
            while (state == Sio::TimedOut) {
                if (stopRequested())
                    return;
                if (!pendingEmpty && std::chrono::steady_clock::now() >= recheckAt)
                    break;
                state = sio_wait_readable(m_port, readableWaitSliceMs);
            }
            if (state == Sio::NotOpen)
                return;
            // What the device sent before it went is still read and handed on by a last poll.
            deviceGone = state < 0;
        }

        {
            const std::lock_guard lock(channel->mutex);
            channel->pollRunning = true;
        }
        // The queued call holds the channel, not this object, for after the poll: the intake may run
        // a message box's event loop, in which the connection can be closed and this object deleted.
        QMetaObject::invokeMethod(
            this,
            [this, channel] {
                Poll();
                {
                    const std::lock_guard lock(channel->mutex);
                    channel->pollRunning = false;
                }
                channel->changed.notify_all();
            },
            Qt::QueuedConnection);

        std::unique_lock lock(channel->mutex);
        channel->changed.wait(lock, [&channel] { return !channel->pollRunning || channel->stopping; });
        if (channel->stopping)
            return;
        if (deviceGone) {
            lock.unlock();
            reportGone();
            return;
        }
        channel->changed.wait_for(lock, std::chrono::milliseconds(PollPauseMs),
                                  [&channel] { return channel->stopping; });
    }
}

void ComThread::setShortLineObserver(Intake observer)
{
    m_shortLine = std::move(observer);
    m_pending.setKeepDropped(bool(m_shortLine));
}

void ComThread::Poll()
{
    char buffer[ReadChunk];
    qint64 total = 0;
    bool gone = false;
    for (;;) {
        // Asking for no more than has arrived lets the read return at once rather than wait out its
        // timeouts on the main thread for bytes that are still on the line.
        const int queued = sio_iqueue(m_port);
        const int count = queued < 0 ? queued : sio_read(m_port, buffer, std::min(queued, ReadChunk));
        if (count > 0)
            m_pending.append(buffer, count);
        gone = gone || count == Sio::DeviceGone;
        total += count;
        if (count <= 0 || total >= m_bufferSize)
            break;
    }

    // Every line that is due goes on now, one intake call each and in order: a scale that sends lines
    // faster than one a pause would otherwise fall further behind with every line.
    // Each with whether it is a line the cut dropped as too short.
    QList<std::pair<QByteArray, bool>> handed;
    if (!m_pending.isEmpty()) {
        const ReadMode mode = m_readMode();
        for (QByteArray text = m_pending.take(mode); !text.isEmpty(); text = m_pending.take(mode)) {
            for (QByteArray& line : m_pending.takeDropped())
                handed.append({std::move(line), true});
            handed.append({text, false});
        }
        for (QByteArray& line : m_pending.takeDropped())
            handed.append({std::move(line), true});
        m_pending.enforceLimit();
        const std::lock_guard lock(m_channel->mutex);
        m_channel->pendingEmpty = m_pending.isEmpty();
        m_channel->lineDue = m_pending.hasDue(mode);
    } else {
        const std::lock_guard lock(m_channel->mutex);
        m_channel->pendingEmpty = true;
        m_channel->lineDue = false;
    }

    // Copies: the intake may end this reader's life (see Execute), after which nothing more is handed
    // on, since the connection it belonged to is closed.
    const Intake intake = m_intake;
    const Intake shortLine = m_shortLine;
    const std::shared_ptr<Channel> channel = m_channel;
    if (gone)
        reportGone();
    for (const auto& [text, tooShort] : std::as_const(handed)) {
        {
            const std::lock_guard lock(channel->mutex);
            if (channel->stopping)
                return;
        }
        if (!tooShort)
            intake(text);
        else if (shortLine)
            shortLine(text);
    }
}

// Both threads may notice; the signal goes out once, queued, so that it never arrives inside a poll.
void ComThread::reportGone()
{
    {
        const std::lock_guard lock(m_channel->mutex);
        if (std::exchange(m_channel->gone, true))
            return;
    }
    QMetaObject::invokeMethod(this, &ComThread::deviceGone, Qt::QueuedConnection);
}
