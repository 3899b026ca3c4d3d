#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <ctime>
#include <unistd.h>

// Figures of a process for the benchmarks.

// The resident memory of a process (this one when pid is 0), or -1 when it cannot be read.
inline qint64 residentKiB(qint64 pid = 0)
{
    QFile status(pid > 0 ? QStringLiteral("/proc/%1/status").arg(pid) : QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// The processor time this process has used, all threads together.
inline double processCpuSeconds()
{
    timespec now = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The processor time another process has used, all its threads together (ended ones included), or -1
// when it cannot be read. /proc counts it in clock ticks, so the figure moves in steps of 1/CLK_TCK s.
inline double processCpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // The command name in parentheses may itself hold spaces and parentheses.
    const qsizetype nameEnd = text.lastIndexOf(')');
    if (nameEnd < 0)
        return -1;
    // From the state (field 3) on; utime and stime are fields 14 and 15.
    const QList<QByteArray> fields = text.mid(nameEnd + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(::sysconf(_SC_CLK_TCK));
}
