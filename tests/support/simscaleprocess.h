#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVariant>

// The simulated scale (tools/simscale) as a child process, with stdin for the operator's commands.
// Every wait is bounded, and no scale outlives the test.
class SimScaleProcess
{
public:
    static constexpr int StartTimeoutMs = 10000;
    static constexpr int CommandTimeoutMs = 5000;
    static constexpr int StopTimeoutMs = 5000;

    // wrapper: a command the tool is to run under, its words put before the tool's path (such as
    // "ip netns exec NAME", which becomes the tool itself, so signals and the process id stay the tool's).
    explicit SimScaleProcess(const QString& program, const QStringList& wrapper = {});
    ~SimScaleProcess();
    SimScaleProcess(const SimScaleProcess&) = delete;
    SimScaleProcess& operator=(const SimScaleProcess&) = delete;

    // Starts the tool with its pseudo-terminal linked at link and waits for its ready line.
    bool start(const QString& link, const QStringList& options = {});
    // Starts the tool on the network, kind "tcp" or "udp" (--tcp 0 or --udp 0: a port the system
    // chooses), and waits for its ready line; returns the port the line names, 0 when none came.
    quint16 startOnNetwork(const QString& kind, const QStringList& options = {});
    void command(const QByteArray& lines);
    // "quit" on stdin, or a signal number; true when the tool ended on its own with status 0.
    bool stopWith(const QVariant& how);

    QProcess& process() { return m_process; }

private:
    // Starts the tool and returns its first line of output, empty when none came in time.
    QByteArray launch(const QStringList& arguments);

    QString m_program;
    QStringList m_wrapper;
    QProcess m_process;
};
