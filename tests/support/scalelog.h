#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

#include <functional>

// What the simulated scale says it did, from its --verbose log: the event a test waits for before it
// takes silence on the line to mean anything. The log goes to a file and is read as it grows, since a
// pipe left unread while the test waits on the port would stall the scale.
class ScaleLog
{
public:
    static constexpr int WaitTimeoutMs = 5000;

    explicit ScaleLog(const QString& path)
        : m_file(path)
    {}

    QString path() const { return m_file.fileName(); }

    // Waits for a line, after those already looked at, that `matches` accepts.
    bool waitFor(const std::function<bool(const QByteArray&)>& matches, int timeoutMs = WaitTimeoutMs)
    {
        return QTest::qWaitFor(
            [&] {
                if (!m_file.isOpen() && !m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
                    return false;
                m_partial += m_file.readAll();
                qsizetype end = 0;
                while ((end = m_partial.indexOf('\n')) >= 0) {
                    const QByteArray line = m_partial.left(end);
                    m_partial.remove(0, end + 1);
                    if (matches(line))
                        return true;
                }
                return false;
            },
            timeoutMs);
    }

    bool waitForLineStarting(const QByteArray& start)
    {
        return waitFor([&start](const QByteArray& line) { return line.startsWith(start); });
    }

private:
    QFile m_file;
    QByteArray m_partial;
};
