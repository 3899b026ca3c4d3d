#pragma once

#include "support/pseudoterminal.h"

#include <QByteArray>

#include <chrono>
#include <thread>

// The scale's side of a pseudo-terminal for benchmarks: writes bytes one by one at the pace of a line
// speed (ten bit times a byte), from whichever thread calls it.
class PacedScale
{
public:
    using Clock = std::chrono::steady_clock;

    PacedScale(const PseudoTerminal& line, int bitsPerSecond)
        : m_line(line)
        , m_byteTime(std::chrono::nanoseconds(10'000'000'000LL / bitsPerSecond))
    {}

    // Sends the bytes starting no earlier than from; returns the moment the last byte was written.
    Clock::time_point send(const QByteArray& bytes, Clock::time_point from = Clock::now()) const
    {
        auto next = from;
        Clock::time_point written;
        for (const char byte : bytes) {
            std::this_thread::sleep_until(next);
            m_line.write(QByteArray(1, byte));
            written = Clock::now();
            next += m_byteTime;
        }
        return written;
    }
    std::chrono::nanoseconds byteTime() const { return m_byteTime; }

private:
    const PseudoTerminal& m_line;
    std::chrono::nanoseconds m_byteTime;
};
