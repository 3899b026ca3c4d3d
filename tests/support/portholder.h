#pragma once

#include <QFile>
#include <QString>

#include <asm/termbits.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

// Another program's hold on a port: its own open of the device, locked and marked exclusive the way
// serial programs do it.
class PortHolder
{
public:
    explicit PortHolder(const QString& path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd >= 0 && (flock(m_fd, LOCK_EX | LOCK_NB) != 0 || ioctl(m_fd, TIOCEXCL) != 0)) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    // The exclusive mark belongs to the tty, not to this open; left set it would outlive the hold.
    ~PortHolder()
    {
        if (m_fd < 0)
            return;
        ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
    }
    PortHolder(const PortHolder&) = delete;
    PortHolder& operator=(const PortHolder&) = delete;

    bool isValid() const { return m_fd >= 0; }

    speed_t speed() const
    {
        termios2 settings = {};
        ioctl(m_fd, TCGETS2, &settings);
        return settings.c_ospeed;
    }

    bool setSpeed(speed_t rate) const
    {
        termios2 settings = {};
        if (ioctl(m_fd, TCGETS2, &settings) != 0)
            return false;
        settings.c_cflag = (settings.c_cflag & ~tcflag_t(CBAUD)) | BOTHER;
        settings.c_ispeed = settings.c_ospeed = rate;
        return ioctl(m_fd, TCSETS2, &settings) == 0;
    }

private:
    int m_fd = -1;
};
