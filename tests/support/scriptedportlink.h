#pragma once

#include "link/portsearch.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QSet>
#include <QStringList>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>

// A serial link for the port search without devices: it records the combinations tried and answers
// with a scale's lines where the test put one. The search calls it on its own thread; the test reads the
// record once the search has reported that it finished.

inline const QByteArray ScaleLine = "     12.345 kg\r\n";

// What the search did to the serial link. Kept by the test, so that it can still be read after the
// dialog, and the link it owns, are gone.
struct LinkRecord
{
    struct Try
    {
        int port = 0;
        int baudCode = 0;
        bool opened = false;
        bool offMainThread = false;
        bool resetSettings = false;
        PortSettings settings;
        int totalMs = -1;
        int intervalMs = -1;
        QByteArray sent;
        int reads = 0;
        // Input discarded before each read, in order: true where the input was discarded since the
        // previous read (or the opening).
        QList<bool> flushedBeforeRead;
        int flushes = 0;
    };

    // Ports that do not open, as when another program holds them.
    QSet<int> unopenable;
    // Why a port of unopenable did not open; busy where not given.
    QHash<int, PortAccess> refusals;
    // Bytes already in a port's input when it opens at a baud code, as a scale that sends on its own at
    // another speed leaves them in a pseudo-terminal; gone once the input is discarded.
    QHash<QPair<int, int>, QByteArray> waiting;
    // The answers to successive reads at a port and baud code; silence after the last.
    QHash<QPair<int, int>, QList<QByteArray>> answers;
    // Called on the search's thread in every read.
    std::function<void()> duringRead;
    // Every read waits until the search is cancelled, as on a line where each read takes its whole
    // timeout; bounded, so that a search that is never cancelled still ends.
    bool holdReads = false;

    QList<Try> tries;
    // Reads still waiting when the search was cancelled.
    int interruptedReads = 0;
    QSet<int> openNow;
    QList<int> readCounts;
    int misdirected = 0;
    int closes = 0;

    void scaleAt(int port, int baudCode, int fromAttempt = 1)
    {
        QList<QByteArray> script(fromAttempt - 1);
        script.append(ScaleLine);
        script.append(ScaleLine);
        script.append(ScaleLine);
        answers.insert({port, baudCode}, script);
    }

    // The combinations tried, "port@code", with "x" after one that did not open.
    QString triesText() const
    {
        QStringList text;
        for (const Try& attempt : tries)
            text.append(
                QStringLiteral("%1@%2%3").arg(attempt.port).arg(attempt.baudCode).arg(attempt.opened ? "" : "x"));
        return text.join(u' ');
    }
};

class ScriptedLink : public PortSearchLink
{
public:
    explicit ScriptedLink(LinkRecord& record)
        : m_record(record)
    {}

    PortAccess openPort(const PortSettings& settings) override
    {
        const bool opens = !m_record.unopenable.contains(settings.Port) && !m_record.openNow.contains(settings.Port);
        LinkRecord::Try attempt;
        attempt.port = settings.Port;
        attempt.baudCode = settings.BaudCode;
        attempt.opened = opens;
        attempt.settings = settings;
        attempt.offMainThread = QThread::currentThread() != QCoreApplication::instance()->thread();
        attempt.resetSettings = settings.ParityBits == 0 && settings.DataBits == 3 && settings.StopBits == 0 &&
                                !settings.HardwareFlow && !settings.SoftwareFlow && settings.Dtr == 1 &&
                                settings.Rts == 0;
        m_record.tries.append(attempt);
        {
            // Only a cancel of the search under way ends its reads.
            const std::lock_guard lock(m_mutex);
            m_cancelsBefore = m_cancels;
        }
        m_waiting.clear();
        m_flushedSinceRead = false;
        if (opens) {
            m_record.openNow.insert(settings.Port);
            m_waiting = m_record.waiting.value({settings.Port, settings.BaudCode});
            PortAccess opened;
            opened.port = settings.Port;
            return opened;
        }
        PortAccess refused = m_record.refusals.value(settings.Port);
        if (refused.problem == PortAccess::Problem::None)
            refused.problem = PortAccess::Problem::Busy;
        refused.port = settings.Port;
        return refused;
    }

    int flushInput(int port) override
    {
        LinkRecord::Try* attempt = current(port);
        if (!attempt)
            return -2;
        ++attempt->flushes;
        m_flushedSinceRead = true;
        m_waiting.clear();
        return 0;
    }

    int setReadTimeouts(int port, int totalMs, int intervalMs) override
    {
        LinkRecord::Try* attempt = current(port);
        if (attempt) {
            attempt->totalMs = totalMs;
            attempt->intervalMs = intervalMs;
        }
        return 0;
    }

    int putch(int port, int byte) override
    {
        if (LinkRecord::Try* attempt = current(port))
            attempt->sent.append(char(byte));
        return 0;
    }

    int read(int port, char* buffer, int count) override
    {
        LinkRecord::Try* attempt = current(port);
        if (!attempt)
            return -2;
        m_record.readCounts.append(count);
        attempt->flushedBeforeRead.append(m_flushedSinceRead);
        m_flushedSinceRead = false;
        const QList<QByteArray> script = m_record.answers.value({attempt->port, attempt->baudCode});
        const QByteArray answer =
            (m_waiting + (attempt->reads < script.size() ? script.at(attempt->reads) : QByteArray())).left(count);
        m_waiting.clear();
        ++attempt->reads;
        if (m_record.duringRead)
            m_record.duringRead();
        if (m_record.holdReads) {
            std::unique_lock lock(m_mutex);
            if (m_interrupted.wait_for(lock, std::chrono::seconds(30), [this] { return m_cancels > m_cancelsBefore; }))
                ++m_record.interruptedReads;
        }
        std::memcpy(buffer, answer.constData(), size_t(answer.size()));
        return int(answer.size());
    }

    void cancelled() override
    {
        const std::lock_guard lock(m_mutex);
        ++m_cancels;
        m_interrupted.notify_all();
    }

    void closePort(const PortSettings& settings) override
    {
        if (!m_record.openNow.remove(settings.Port))
            ++m_record.misdirected;
        ++m_record.closes;
    }

private:
    // The latest try, when the call is for its port and that port is open.
    LinkRecord::Try* current(int port)
    {
        if (m_record.tries.isEmpty() || m_record.tries.last().port != port || !m_record.openNow.contains(port)) {
            ++m_record.misdirected;
            return nullptr;
        }
        return &m_record.tries.last();
    }

    LinkRecord& m_record;
    QByteArray m_waiting;
    bool m_flushedSinceRead = false;
    std::mutex m_mutex;
    std::condition_variable m_interrupted;
    int m_cancels = 0;
    int m_cancelsBefore = 0;
};
