#pragma once

#include "linesettings.h"
#include "scaletransport.h"

#include <QByteArray>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>

class QSocketNotifier;

// A pseudo-terminal that behaves like the scale's end of a serial cable: bytes leave at the pace of the
// line speed, and bytes arrive only while the other side has set the scale's own speed and stop bits;
// with other data bits or parity they arrive spoilt, as a UART would read them.
class PtyTransport : public ScaleTransport
{
    Q_OBJECT

public:
    // Output waiting for a reader that has stopped reading; beyond it a stream would eat all memory.
    static constexpr qsizetype MaxPendingBytes = 1 << 20;

    explicit PtyTransport(const LineSettings& own, QObject* parent = nullptr);
    ~PtyTransport() override;

    // Creates the pseudo-terminal and points linkPath at its slave device, replacing a link already there.
    bool open(const QString& linkPath, QString* error);

    QString location() const override { return m_location; }
    bool setLineSpeed(int baud) override;
    LineSettings lineSettings() const { return m_own; }
    void setLineSettings(const LineSettings& own);
    // What the other side has applied to the port right now, if it can be read.
    std::optional<LineSettings> peerSettings() const;
    bool peerMatches() const { return matches(peerSettings()); }

    // Queues bytes for paced sending; returns false when the other side could not understand them
    // (another speed or stop bits) or the queue is full, and nothing was queued. The other side's
    // settings count again when each byte goes out: one that changed meanwhile gets the bytes spoilt
    // or not at all.
    bool send(const QByteArray& bytes) override;
    qsizetype pendingBytes() const { return m_pending.size(); }

private:
    bool matches(const std::optional<LineSettings>& peer) const;
    bool sameTiming(const std::optional<LineSettings>& peer) const { return peer && peer->sameTiming(m_own); }
    void readAvailable();
    void writeDue();
    void scheduleNextByte();
    void removeLink();
    std::chrono::nanoseconds characterTime() const;

    LineSettings m_own;
    int m_master = -1;
    // Held open so the master never sees EIO while the other side has the port closed, and so the line
    // settings the other side applied can be read back through a slave fd.
    int m_slave = -1;
    QString m_slaveName;
    QString m_linkPath;
    // The link as the user named it, so the ready line repeats it word for word.
    QString m_location;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    QTimer m_paceTimer;
    QByteArray m_pending;
    std::chrono::steady_clock::time_point m_burstStart;
    qint64 m_burstBytes = 0;
};
