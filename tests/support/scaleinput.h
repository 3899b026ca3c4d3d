#pragma once

#include "support/scalelog.h"

#include <QByteArray>

// Every byte the simulated scale read, in order, from its --verbose log ("received: " lines, with CR,
// LF and other control bytes written as \r, \n and \xHH). The log has a line for each read as it came
// off the line, so one command may be spread over several lines and only the whole stream tells what
// was sent.
class ScaleInput
{
public:
    explicit ScaleInput(ScaleLog& log)
        : m_log(log)
    {}

    bool waitForSize(qsizetype size, int timeoutMs = ScaleLog::WaitTimeoutMs)
    {
        if (bytes().size() >= size)
            return true;
        return m_log.waitFor(
            [&](const QByteArray& line) {
                take(line);
                return m_bytes.size() >= size;
            },
            timeoutMs);
    }

    // What the log holds so far.
    QByteArray bytes()
    {
        (void)m_log.waitFor(
            [this](const QByteArray& line) {
                take(line);
                return false;
            },
            0);
        return m_bytes;
    }

    // The log's escapes undone. A backslash of the line itself would be ambiguous, and no command the
    // tests send has one.
    static QByteArray unescaped(const QByteArray& logged)
    {
        QByteArray bytes;
        for (qsizetype i = 0; i < logged.size(); ++i) {
            if (logged[i] != '\\' || i + 1 >= logged.size()) {
                bytes += logged[i];
            } else if (logged[i + 1] == 'r' || logged[i + 1] == 'n') {
                bytes += logged[i + 1] == 'r' ? '\r' : '\n';
                ++i;
            } else if (logged[i + 1] == 'x' && i + 3 < logged.size()) {
                bytes += char(logged.mid(i + 2, 2).toUInt(nullptr, 16));
                i += 3;
            } else {
                bytes += logged[i];
            }
        }
        return bytes;
    }

private:
    void take(const QByteArray& line)
    {
        static const QByteArray received = "received: ";
        if (line.startsWith(received))
            m_bytes += unescaped(line.mid(received.size()));
    }

    ScaleLog& m_log;
    QByteArray m_bytes;
};
