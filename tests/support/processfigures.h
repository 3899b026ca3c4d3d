#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <ctime>

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
