#include "link/sio.h"

#include "link/portmap.h"

#include <QFile>

// The kernel's own termios2 (rather than glibc's termios) carries a free bit rate, which 7200 bit/s
// needs; the two definitions cannot meet in one file, so everything here goes through termios2.
#include <algorithm>
#include <asm/termbits.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

struct OpenPort
{
    int fd = -1;
    bool pseudoTerminal = false;
    int totalMs = 0;
    int intervalMs = 0;
};

struct BaudRate
{
    tcflag_t code;
    speed_t rate;
};

// 134.5 bit/s has never had a termios rate of its own: B134 is the historical stand-in.
constexpr BaudRate baudRates[Sio::BaudCodeCount] = {
    {B50, 50},       {B75, 75},         {B110, 110},       {B134, 134},       {B150, 150},
    {B300, 300},     {B600, 600},       {B1200, 1200},     {B1800, 1800},     {B2400, 2400},
    {B4800, 4800},   {BOTHER, 7200},    {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
    {B57600, 57600}, {B115200, 115200}, {B230400, 230400}, {B460800, 460800}, {B921600, 921600},
};

// The reader thread looks ports up while the main thread may open or close others.
std::mutex portsMutex;
std::map<int, OpenPort> openPorts;
QString lastSystemMessage;
int lastSystemErrno = 0;

std::optional<OpenPort> findPort(int port)
{
    const std::lock_guard lock(portsMutex);
    const auto it = openPorts.find(port);
    if (it == openPorts.end())
        return std::nullopt;
    return it->second;
}

int systemError(int error)
{
    const std::lock_guard lock(portsMutex);
    lastSystemMessage = qt_error_string(error);
    lastSystemErrno = error;
    return Sio::SystemError;
}

bool isPseudoTerminal(int fd)
{
    struct stat status = {};
    if (fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode))
        return false;
    // 136..143 are the Unix 98 pty slaves, 3 the old BSD-style ones.
    const unsigned int deviceMajor = major(status.st_rdev);
    return (deviceMajor >= 136 && deviceMajor <= 143) || deviceMajor == 3;
}

void makeRaw8N1(termios2& settings)
{
    settings.c_iflag &= ~tcflag_t(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | INPCK | IUCLC | IMAXBEL);
    settings.c_oflag &= ~tcflag_t(OPOST);
    settings.c_lflag &= ~tcflag_t(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    settings.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    // CLOCAL: a scale wired without carrier detect must still be readable.
    settings.c_cflag |= CS8 | CREAD | CLOCAL;
    // VMIN 0 would make an empty non-blocking read return 0, which must stay the sign of a hang-up.
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
}

// The frame of a line mode; false for a mode outside the codes.
bool applyLineMode(termios2& settings, int mode)
{
    tcflag_t size = CS8;
    switch (mode & 0x03) {
    case Sio::DataBits5:
        size = CS5;
        break;
    case Sio::DataBits6:
        size = CS6;
        break;
    case Sio::DataBits7:
        size = CS7;
        break;
    default:
        break;
    }
    const int parity = mode & 0x38;
    if ((mode & ~0x3f) != 0 || (parity != Sio::ParityNone && parity != Sio::ParityOdd && parity != Sio::ParityEven))
        return false;
    settings.c_cflag &= ~tcflag_t(CSIZE);
    settings.c_cflag |= size;
    if ((mode & Sio::StopBits2) != 0)
        settings.c_cflag |= CSTOPB;
    if (parity != Sio::ParityNone) {
        settings.c_cflag |= PARENB | (parity == Sio::ParityOdd ? PARODD : 0);
        // A character spoilt on the line reads as NUL rather than as another plausible digit.
        settings.c_iflag |= INPCK;
    }
    // Some USB adapters ignore a 7-bit frame and keep reading 8 bits, handing over the parity bit as
    // the eighth; stripping it reads their characters right all the same. A pseudo-terminal keeps
    // neither CS7 nor PARENB (Linux forces 8 bits, no parity on it), but it keeps ISTRIP and INPCK, which
    // is how a simulated scale at the far end learns the frame it is read with.
    if (size != CS8)
        settings.c_iflag |= ISTRIP;
    return true;
}

int errorOf(int result)
{
    return result == 0 ? Sio::Ok : systemError(errno);
}

template <typename Change>
int changeSettings(int fd, Change change)
{
    termios2 settings = {};
    if (ioctl(fd, TCGETS2, &settings) != 0)
        return systemError(errno);
    change(settings);
    return errorOf(ioctl(fd, TCSETS2, &settings));
}

// A pseudo-terminal has no modem lines; the scale behind one (a test, a network bridge) never needs
// them, so asking for them counts as done.
int modemRequest(const OpenPort& open, int result)
{
    if (result == 0)
        return Sio::Ok;
    const int error = errno;
    if (open.pseudoTerminal && (error == ENOTTY || error == EINVAL || error == EIO))
        return Sio::Ok;
    return systemError(error);
}

int setModemLine(int port, int line, int on)
{
    const auto open = findPort(port);
    if (!open)
        return Sio::NotOpen;
    return modemRequest(*open, ioctl(open->fd, on != 0 ? TIOCMBIS : TIOCMBIC, &line));
}

int millisecondsUntil(Clock::time_point moment)
{
    const auto left = std::chrono::ceil<Milliseconds>(moment - Clock::now()).count();
    return int(std::max<decltype(left)>(left, 0));
}

bool isGoneError(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV;
}

} // namespace

int Sio::bitRate(int baudCode)
{
    return baudCode >= 0 && baudCode < BaudCodeCount ? int(baudRates[baudCode].rate) : 0;
}

int sio_open(int port)
{
    if (port < 1)
        return Sio::NoDevice;
    if (findPort(port))
        return Sio::Busy;
    const QString path = PortMap::devicePath(port);
    if (path.isEmpty())
        return Sio::NoDevice;

    // Non-blocking, or opening a real port without carrier detect would wait for a carrier forever.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENXIO || error == ENODEV || error == ENOTDIR)
            return Sio::NoDevice;
        return error == EBUSY ? Sio::Busy : systemError(error);
    }
    const auto fail = [fd](int code) {
        ::close(fd);
        return code;
    };

    // A terminal first: a device that is none (a link to /dev/null) is refused without being locked,
    // even for a moment, against whoever else uses it.
    termios2 settings = {};
    if (ioctl(fd, TCGETS2, &settings) != 0)
        return fail(systemError(errno));
    // TIOCEXCL keeps other programs from opening the tty at all, but root ignores it; the lock on top
    // holds against root and against a second open in this process.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fail(errno == EWOULDBLOCK ? Sio::Busy : systemError(errno));
    if (ioctl(fd, TIOCEXCL) != 0)
        return fail(systemError(errno));
    // A previous user may have left echo or line editing on, which would send the scale's bytes back
    // to it and hold them until a line end.
    makeRaw8N1(settings);
    settings.c_cflag &= ~tcflag_t(CRTSCTS);
    settings.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
    if (ioctl(fd, TCSETS2, &settings) != 0) {
        const int error = errno;
        ioctl(fd, TIOCNXCL);
        return fail(systemError(error));
    }

    const std::lock_guard lock(portsMutex);
    openPorts[port] = OpenPort{fd, isPseudoTerminal(fd), 0, 0};
    return Sio::Ok;
}

int sio_ioctl(int port, int baudCode, int mode)
{
    const auto open = findPort(port);
    if (!open)
        return Sio::NotOpen;
    termios2 check = {};
    if (baudCode < 0 || baudCode >= Sio::BaudCodeCount || !applyLineMode(check, mode))
        return Sio::BadParameter;
    const BaudRate baud = baudRates[baudCode];
    return changeSettings(open->fd, [baud, mode](termios2& settings) {
        // The input speed bits left at 0 mean "same as output".
        settings.c_cflag &= ~tcflag_t(CBAUD | (CBAUD << IBSHIFT));
        settings.c_cflag |= baud.code;
        settings.c_ispeed = baud.rate;
        settings.c_ospeed = baud.rate;
        makeRaw8N1(settings);
        applyLineMode(settings, mode);
    });
}

int sio_flowctrl(int port, int mode)
{
    const auto open = findPort(port);
    if (!open)
        return Sio::NotOpen;
    if (mode != 0 && mode != Sio::FlowHardware && mode != Sio::FlowSoftware &&
        mode != (Sio::FlowHardware | Sio::FlowSoftware))
        return Sio::BadParameter;
    termios2 settings = {};
    if (ioctl(open->fd, TCGETS2, &settings) != 0)
        return modemRequest(*open, -1);
    settings.c_cflag &= ~tcflag_t(CRTSCTS);
    settings.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
    if ((mode & Sio::FlowHardware) == Sio::FlowHardware)
        settings.c_cflag |= CRTSCTS;
    if ((mode & Sio::FlowSoftware) == Sio::FlowSoftware)
        settings.c_iflag |= IXON | IXOFF;
    return modemRequest(*open, ioctl(open->fd, TCSETS2, &settings));
}

int sio_DTR(int port, int on)
{
    return setModemLine(port, TIOCM_DTR, on);
}

int sio_RTS(int port, int on)
{
    return setModemLine(port, TIOCM_RTS, on);
}

int sio_SetReadTimeouts(int port, int totalMs, int intervalMs)
{
    if (totalMs < 0 || intervalMs < 0)
        return findPort(port) ? Sio::BadParameter : Sio::NotOpen;
    const std::lock_guard lock(portsMutex);
    const auto it = openPorts.find(port);
    if (it == openPorts.end())
        return Sio::NotOpen;
    it->second.totalMs = totalMs;
    it->second.intervalMs = intervalMs;
    return Sio::Ok;
}

int sio_read(int port, char* buffer, int count)
{
    const auto open = findPort(port);
    if (!open)
        return Sio::NotOpen;
    if (buffer == nullptr || count < 0)
        return Sio::BadParameter;
    if (count == 0)
        return 0;

    const auto start = Clock::now();
    const auto deadline = start + Milliseconds(open->totalMs);
    auto lastByte = start;
    int received = 0;
    const auto goneOrData = [&received] { return received > 0 ? received : Sio::DeviceGone; };
    for (;;) {
        const ssize_t n = ::read(open->fd, buffer + received, size_t(count - received));
        if (n > 0) {
            received += int(n);
            lastByte = Clock::now();
            if (received == count)
                return received;
            continue;
        }
        // A tty whose other end has gone reads as end of file (hang-up) or EIO (pty master closed).
        if (n == 0)
            return goneOrData();
        const int error = errno;
        if (error == EINTR)
            continue;
        if (isGoneError(error))
            return goneOrData();
        if (error != EAGAIN)
            return received > 0 ? received : systemError(error);

        auto until = deadline;
        if (received > 0 && open->intervalMs > 0)
            until = std::min(until, lastByte + Milliseconds(open->intervalMs));
        if (Clock::now() >= until)
            return received;
        pollfd waiter = {open->fd, POLLIN, 0};
        const int ready = poll(&waiter, 1, millisecondsUntil(until));
        if (ready < 0 && errno != EINTR)
            return received > 0 ? received : systemError(errno);
        if (ready > 0 && (waiter.revents & POLLIN) == 0 && (waiter.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
            return goneOrData();
    }
}

int sio_putch(int port, int byte)
{
    const auto open = findPort(port);
    if (!open)
        return Sio::NotOpen;
    const char value = char(byte & 0xff);
    const auto deadline = Clock::now() + Milliseconds(Sio::WriteTimeoutMs);
    for (;;) {
        const ssize_t n = ::write(open->fd, &value, 1);
        if (n == 1)
            return Sio::Ok;
        const int error = n == 0 ? EAGAIN : errno;
        if (error == EINTR)
            continue;
        if (isGoneError(error))
            return Sio::DeviceGone;
        if (error != EAGAIN)
            return systemError(error);
        if (Clock::now() >= deadline)
            return Sio::WriteTimeout;
        pollfd waiter = {open->fd, POLLOUT, 0};
        const int ready = poll(&waiter, 1, millisecondsUntil(deadline));
        if (ready < 0 && errno != EINTR)
            return systemError(errno);
        if (ready > 0 && (waiter.revents & POLLOUT) == 0)
            return Sio::DeviceGone;
    }
}

int sio_close(int port)
{
    OpenPort closing;
    {
        const std::lock_guard lock(portsMutex);
        const auto it = openPorts.find(port);
        if (it == openPorts.end())
            return Sio::NotOpen;
        closing = it->second;
        openPorts.erase(it);
    }
    // The exclusive flag lives on the tty, not on our descriptor: left set, it would outlast this
    // close while anyone else still holds the tty (the far side of a pty) and refuse the next open.
    ioctl(closing.fd, TIOCNXCL);
    ::close(closing.fd);
    return Sio::Ok;
}

int sio_flush(int port, int what)
{
    const auto open = findPort(port);
    if (!open)
        return Sio::NotOpen;
    static constexpr int queues[] = {TCIFLUSH, TCOFLUSH, TCIOFLUSH};
    if (what < 0 || what > 2)
        return Sio::BadParameter;
    return errorOf(ioctl(open->fd, TCFLSH, queues[what]));
}

int sio_iqueue(int port)
{
    const auto open = findPort(port);
    if (!open)
        return Sio::NotOpen;
    int queued = 0;
    if (ioctl(open->fd, TIOCINQ, &queued) != 0)
        return isGoneError(errno) ? Sio::DeviceGone : systemError(errno);
    return queued;
}

int sio_wait_readable(int port, int timeoutMs)
{
    const auto open = findPort(port);
    if (!open)
        return Sio::NotOpen;
    if (timeoutMs < 0)
        return Sio::BadParameter;
    const auto deadline = Clock::now() + Milliseconds(timeoutMs);
    for (;;) {
        pollfd waiter = {open->fd, POLLIN, 0};
        const int ready = poll(&waiter, 1, millisecondsUntil(deadline));
        if (ready == 0)
            return Sio::TimedOut;
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return systemError(errno);
        }
        // A hung-up tty reports itself readable as well (its reads return end of file), so the
        // hang-up decides; the kernel has discarded its input queue by then anyway.
        if ((waiter.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
            return Sio::DeviceGone;
        return Sio::Readable;
    }
}

QString sio_lastSystemMessage()
{
    const std::lock_guard lock(portsMutex);
    return lastSystemMessage;
}

int sio_lastSystemError()
{
    const std::lock_guard lock(portsMutex);
    return lastSystemErrno;
}
