#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A D-Bus session bus of the test's own (dbus-daemon), so that neither the developer's desktop nor its
// portal sees anything a test does. It activates no services: what a test needs on it, it starts.
// Start it before anything in the process has used the session bus: Qt connects to it only once.
class PrivateSessionBus
{
public:
    PrivateSessionBus() = default;
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // Starts the daemon and points DBUS_SESSION_BUS_ADDRESS at it; false, with errorString(), when it
    // could not.
    bool start(int timeoutMs = 10000);
    void stop();

    QString address() const { return m_address; }
    QString errorString() const { return m_error; }

private:
    QProcess m_process;
    QTemporaryDir m_folder;
    QString m_address;
    QString m_error;
    bool m_hadAddress = false;
    QByteArray m_savedAddress;
};

// The stand-in RemoteDesktop portal (tests/support/portal/standinportal.cpp) on the session bus, and
// the lines it reports. Needs the Qt event loop or waitForLine() to make progress.
class StandInPortal
{
public:
    struct Options
    {
        uint version = 2;
        uint startAnswer = 0;
        QString token;
    };

    StandInPortal();
    ~StandInPortal();
    StandInPortal(const StandInPortal&) = delete;
    StandInPortal& operator=(const StandInPortal&) = delete;

    // Starts it and waits until it holds the portal's name.
    bool start(const QString& program, const Options& options, int timeoutMs = 10000);
    void stop();
    // Closes the session from the desktop's side, as the user revoking the grant does.
    void closeSession();

    // Everything it reported after "ready".
    QStringList lines();
    QStringList lines(const QString& prefix);
    // Waits until a line starting with the prefix has come; false when the time ran out.
    bool waitForLine(const QString& prefix, int timeoutMs);
    QString errorString() const { return m_error; }

private:
    void readLines();

    QProcess m_process;
    QByteArray m_partial;
    QStringList m_lines;
    QString m_error;
    bool m_stopping = false;
};
