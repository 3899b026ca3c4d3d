#pragma once

#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <functional>

// Runs the receiver window (tests/support/receiver) as a child process and collects what it reports:
// the keys it got as tokens such as "1", "Tab", "Shift+A" or "AltGr+ą". Needs the Qt event loop
// or one of the waits below to make progress.
class ReceiverProcess : public QObject
{
    Q_OBJECT

public:
    explicit ReceiverProcess(QObject* parent = nullptr);
    ~ReceiverProcess() override;

    // For a display other than the test's own: the words put before the program (such as "setpriv ..."),
    // and its environment. Call before start().
    void setLauncher(const QStringList& wrapper, const QProcessEnvironment& environment);
    // Starts the program and waits until its window is the active one.
    bool start(const QString& program, int timeoutMs = 10000);
    qint64 processId() const { return m_process.processId(); }
    // Gives its window the focus back and waits until it is active again.
    bool activate(int timeoutMs = 5000);
    void stop();

    const QStringList& keys() const { return m_keys; }
    void clearKeys() { m_keys.clear(); }
    bool isActive() const { return m_active; }
    QString errorString() const { return m_error; }

    // Runs the event loop until the condition holds or the time is up; the condition's last answer.
    bool waitFor(const std::function<bool()>& condition, int timeoutMs);
    bool waitForKeys(qsizetype count, int timeoutMs)
    {
        return waitFor([&] { return m_keys.size() >= count; }, timeoutMs);
    }

private:
    void readLines();

    QProcess m_process;
    QStringList m_wrapper;
    QByteArray m_partial;
    QStringList m_keys;
    bool m_active = false;
    QString m_error;
};
