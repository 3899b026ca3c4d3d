#include "linesettings.h"

// termios2 lives only in the kernel's headers, which clash with glibc's <termios.h>, so this file is the
// one place that includes them.
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace {

struct SpeedCode
{
    tcflag_t code;
    int baud;
};

constexpr SpeedCode SpeedCodes[] = {
    {B50, 50},         {B75, 75},         {B110, 110},         {B134, 134},         {B150, 150},
    {B200, 200},       {B300, 300},       {B600, 600},         {B1200, 1200},       {B1800, 1800},
    {B2400, 2400},     {B4800, 4800},     {B9600, 9600},       {B19200, 19200},     {B38400, 38400},
    {B57600, 57600},   {B115200, 115200}, {B230400, 230400},   {B460800, 460800},   {B500000, 500000},
    {B576000, 576000}, {B921600, 921600}, {B1000000, 1000000}, {B2000000, 2000000}, {B4000000, 4000000},
};

int speedOf(tcflag_t code, speed_t custom)
{
    if (code == BOTHER)
        return int(custom);
    for (const SpeedCode& entry : SpeedCodes) {
        if (entry.code == code)
            return entry.baud;
    }
    return 0;
}

} // namespace

QString LineSettings::toString() const
{
    return QStringLiteral("%1 %2%3%4").arg(baud).arg(dataBits).arg(QLatin1Char(parity)).arg(stopBits);
}

std::optional<LineSettings> LineSettings::withFrame(int baud, const QString& frame)
{
    if (frame.size() != 3 || baud < MinBaud || baud > MaxBaud)
        return std::nullopt;
    LineSettings settings;
    settings.baud = baud;
    settings.dataBits = frame[0].digitValue();
    settings.parity = frame[1].toUpper().toLatin1();
    settings.stopBits = frame[2].digitValue();
    if (settings.dataBits < 5 || settings.dataBits > 8 || (settings.stopBits != 1 && settings.stopBits != 2) ||
        (settings.parity != 'N' && settings.parity != 'E' && settings.parity != 'O'))
        return std::nullopt;
    return settings;
}

QByteArray LineSettings::asReceivedBy(const LineSettings& receiver, const QByteArray& bytes) const
{
    if (receiver.dataBits == dataBits && receiver.parity == parity)
        return bytes;
    const auto parityBit = [](unsigned value, int bits, char kind) {
        const int ones = __builtin_popcount(value & ((1u << bits) - 1));
        return unsigned(kind == 'O' ? (ones + 1) % 2 : ones % 2);
    };
    QByteArray received;
    received.reserve(bytes.size());
    for (const char byte : bytes) {
        const unsigned data = quint8(byte) & ((1u << dataBits) - 1);
        // The bits after the start bit, first to last; the idle line after them is all ones.
        quint64 line = data;
        int length = dataBits;
        if (parity != 'N')
            line |= quint64(parityBit(data, dataBits, parity)) << length++;
        line |= ((quint64(1) << 32) - 1) << length;
        const unsigned value = unsigned(line & ((1u << receiver.dataBits) - 1));
        int at = receiver.dataBits;
        bool spoilt = false;
        if (receiver.parity != 'N')
            spoilt = ((line >> at++) & 1u) != parityBit(value, receiver.dataBits, receiver.parity);
        spoilt = spoilt || ((line >> at) & 1u) == 0;
        received.append(spoilt ? '\0' : char(value));
    }
    return received;
}

std::optional<LineSettings> readLineSettings(int fd)
{
    termios2 tio{};
    if (::ioctl(fd, TCGETS2, &tio) != 0)
        return std::nullopt;
    LineSettings settings;
    // Only the output speed counts, as in UART drivers, which clock both directions from it. A separate
    // input speed is easily left behind: glibc's tcsetattr keeps the input-speed bits it read back.
    settings.baud = speedOf(tio.c_cflag & CBAUD, tio.c_ospeed);
    switch (tio.c_cflag & CSIZE) {
    case CS5:
        settings.dataBits = 5;
        break;
    case CS6:
        settings.dataBits = 6;
        break;
    case CS7:
        settings.dataBits = 7;
        break;
    default:
        settings.dataBits = 8;
        break;
    }
    settings.parity = (tio.c_cflag & PARENB) == 0 ? 'N' : ((tio.c_cflag & PARODD) != 0 ? 'O' : 'E');
    settings.stopBits = (tio.c_cflag & CSTOPB) != 0 ? 2 : 1;
    if (settings.dataBits == 8 && settings.parity == 'N') {
        if ((tio.c_iflag & ISTRIP) != 0)
            settings.dataBits = 7;
        if ((tio.c_iflag & INPCK) != 0)
            settings.parity = (tio.c_cflag & PARODD) != 0 ? 'O' : 'E';
    }
    return settings;
}

bool applyLineSettings(int fd, const LineSettings& settings)
{
    termios2 tio{};
    if (::ioctl(fd, TCGETS2, &tio) != 0)
        return false;
    // The input flags that carry the frame where the kernel forces 8N1 (see readLineSettings).
    tio.c_iflag = (settings.dataBits < 8 ? ISTRIP : 0) | (settings.parity != 'N' ? INPCK : 0);
    tio.c_oflag = 0;
    tio.c_lflag = 0;
    // A standard speed goes in as its Bxxx code, because a program reading it back through glibc's
    // termios sees a BOTHER speed as 0. No input-speed bits: the one speed serves both directions.
    tcflag_t code = BOTHER;
    for (const SpeedCode& entry : SpeedCodes) {
        if (entry.baud == settings.baud)
            code = entry.code;
    }
    tio.c_cflag = CREAD | CLOCAL | code;
    switch (settings.dataBits) {
    case 5:
        tio.c_cflag |= CS5;
        break;
    case 6:
        tio.c_cflag |= CS6;
        break;
    case 7:
        tio.c_cflag |= CS7;
        break;
    default:
        tio.c_cflag |= CS8;
        break;
    }
    if (settings.parity != 'N')
        tio.c_cflag |= PARENB | (settings.parity == 'O' ? PARODD : 0);
    if (settings.stopBits == 2)
        tio.c_cflag |= CSTOPB;
    tio.c_ispeed = speed_t(settings.baud);
    tio.c_ospeed = speed_t(settings.baud);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    return ::ioctl(fd, TCSETS2, &tio) == 0;
}
