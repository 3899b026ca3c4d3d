#pragma once

#include "support/temporaryprofile.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <asm/termbits.h>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

// A pseudo-terminal pair for tests of the serial port: the program under test opens the slave side as
// its serial device, the test plays the scale on the master side.
class PseudoTerminal
{
public:
    PseudoTerminal()
    {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
            return;
        m_slavePath = QString::fromLocal8Bit(ptsname(m_master));
        // Held open so that the pty lives on between the layer's opens and closes.
        m_slave = ::open(ptsname(m_master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    }
    ~PseudoTerminal()
    {
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool isValid() const { return m_master >= 0 && m_slave >= 0; }
    int master() const { return m_master; }
    int slave() const { return m_slave; }
    QString slavePath() const { return m_slavePath; }

    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    bool write(const QByteArray& bytes) const
    {
        return ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

    // What the layer sent, collected until nothing more comes for a while.
    QByteArray readAll() const
    {
        QByteArray bytes;
        pollfd waiter = {m_master, POLLIN, 0};
        while (poll(&waiter, 1, 300) > 0 && (waiter.revents & POLLIN) != 0) {
            char chunk[256];
            const ssize_t n = ::read(m_master, chunk, sizeof chunk);
            if (n <= 0)
                break;
            bytes.append(chunk, n);
        }
        return bytes;
    }

    termios2 slaveSettings() const
    {
        termios2 settings = {};
        ioctl(m_slave, TCGETS2, &settings);
        return settings;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};

// The folder of the COM<n> links in the profile, and a link there naming a device for a port number.
QString portsFolder(const TemporaryProfile& profile);
bool linkPort(const TemporaryProfile& profile, int number, const QString& target);

// While it lives, no device of this machine takes a port number: only links the test makes count, and
// nothing is ever sent to a real serial port. Child processes inherit it.
class NoMachineSerialPorts
{
public:
    NoMachineSerialPorts()
    {
        qputenv("KWELTA_DEVICE_DIR", m_empty.path().toLocal8Bit());
        qputenv("KWELTA_SYS_TTY_DIR", m_empty.path().toLocal8Bit());
    }
    ~NoMachineSerialPorts()
    {
        qunsetenv("KWELTA_DEVICE_DIR");
        qunsetenv("KWELTA_SYS_TTY_DIR");
    }
    NoMachineSerialPorts(const NoMachineSerialPorts&) = delete;
    NoMachineSerialPorts& operator=(const NoMachineSerialPorts&) = delete;

private:
    QTemporaryDir m_empty;
};
