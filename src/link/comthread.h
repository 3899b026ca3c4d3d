#pragma once

#include "core/global.h"
#include "link/pendingtext.h"

#include <QByteArray>
#include <QThread>

#include <functional>
#include <memory>

// Paces the reading of one open serial port. The worker thread does no input or output of its own
// beyond waiting for the port to become readable: each cycle it has the main thread run Poll, which
// reads what has arrived, cuts it by the read mode and hands it to the intake; then it sleeps 30 ms.
// Waiting for data before asking for a poll keeps an idle port from costing the main thread anything,
// and the poll's reads then find their data at once instead of blocking the window for the read
// timeouts. The reader ends when Global::SerialStopped is raised or stop() is called.
class ComThread : public QThread
{
    Q_OBJECT

public:
    using ReadModeSource = std::function<ReadMode()>;
    using Intake = std::function<void(const QByteArray&)>;

    static constexpr int PollPauseMs = 30;
    static constexpr int ReadChunk = 1000;

    // Main thread. A poll reads until bufferSize bytes have come (at least one chunk).
    ComThread(int port, int bufferSize, ReadModeSource readMode, Intake intake, QObject* parent = nullptr);
    // Stops the worker and waits for it.
    ~ComThread() override;

    // One cycle of reading and cutting; main thread only.
    void Poll();
    // Main thread: ends the worker and returns once it has ended, so that the port can be closed
    // without a wait still running on it.
    void stop();

    const PendingText& pending() const { return m_pending; }
    // Main thread; see PendingText::setMakerLines.
    void setMakerLines(bool on) { m_pending.setMakerLines(on); }
    // Main thread: told of each line the cut drops as too short, in order with the intake's lines.
    // Nothing is kept for it while none is set.
    void setShortLineObserver(Intake observer);

signals:
    // The device went away (unplugged, the other end closed); emitted on the main thread after the
    // poll or the wait that noticed it, never from inside the intake.
    void deviceGone();

protected:
    void run() override;

private:
    struct Channel;

    void Execute();
    void reportGone();

    const int m_port;
    const int m_bufferSize;
    ReadModeSource m_readMode;
    Intake m_intake;
    Intake m_shortLine;
    PendingText m_pending;
    // Shared with the queued polls, which may still be on their way when this object goes.
    std::shared_ptr<Channel> m_channel;
};
