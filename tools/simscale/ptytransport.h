#pragma once

#include "linesettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>

class QSocketNotifier;

// A pseudo-terminal that behaves like the scale's end of a serial cable: bytes leave at the pace of the
// line speed, and bytes arrive only while the other side has set the scale's own speed and frame.
class PtyTransport : public QObject
{
    Q_OBJECT

public:
    // Output waiting for a reader that has stopped reading; beyond it a stream would eat all memory.
    static constexpr qsizetype MaxPendingBytes = 1 << 20;

    explicit PtyTransport(const LineSettings& own, QObject* parent = nullptr);
    ~PtyTransport() override;

    // Creates the pseudo-terminal and points linkPath at its slave device, replacing a link already there.
    bool open(const QString& linkPath, QString* error);

    LineSettings lineSettings() const { return m_own; }
    void setLineSettings(const LineSettings& own);
    // What the other side has applied to the port right now, if it can be read.
    std::optional<LineSettings> peerSettings() const;
    bool peerMatches() const { return matches(peerSettings()); }

    // Queues bytes for paced sending; returns false when the other side could not understand them
    // (other line settings) or the queue is full, and nothing was queued.
    bool send(const QByteArray& bytes);
    qsizetype pendingBytes() const { return m_pending.size(); }

signals:
    // Bytes heard at matching line settings.
    void received(const QByteArray& bytes);
    // Bytes that arrived while the other side used other settings: to the scale they are noise.
    void ignored(const QByteArray& bytes, const QString& peerSettings);

private:
    bool matches(const std::optional<LineSettings>& peer) const;
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
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    QTimer m_paceTimer;
    QByteArray m_pending;
    std::chrono::steady_clock::time_point m_burstStart;
    qint64 m_burstBytes = 0;
};
