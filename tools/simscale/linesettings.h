#pragma once

#include <QString>

#include <optional>

// Speed and character frame of a serial line, as a UART sees them.
struct LineSettings
{
    static constexpr int MinBaud = 50;
    static constexpr int MaxBaud = 921600;

    int baud = 9600;
    int dataBits = 8;
    char parity = 'N'; // N, E or O
    int stopBits = 1;

    bool operator==(const LineSettings&) const = default;

    // Start bit, data bits, parity bit and stop bits: the bit times one character occupies on the line.
    int bitsPerCharacter() const { return 1 + dataBits + (parity == 'N' ? 0 : 1) + stopBits; }
    // "9600 8N1"
    QString toString() const;
    // "8N1", "7E1", "8O2"
    static std::optional<LineSettings> withFrame(int baud, const QString& frame);

    // The same speed and stop bits: characters start and end where the receiver expects them, so they
    // arrive, though other data bits or parity may spoil their content (asReceivedBy).
    bool sameTiming(const LineSettings& other) const { return baud == other.baud && stopBits == other.stopBits; }
    // Bytes sent at these settings as a receiver at the other's would read them, character by character:
    // its data bits taken from the bits on the line (ours, then our parity bit, then stop bits, all
    // ones), the eighth bit stripped where it has no eighth data bit, and a character whose parity does
    // not check, or whose stop bit falls on a 0, read as NUL, as Linux reads it without IGNPAR.
    QByteArray asReceivedBy(const LineSettings& receiver, const QByteArray& bytes) const;
};

// The settings applied to the terminal behind fd, whichever side applied them; on a pseudo-terminal
// the master and every slave fd share them. Custom speeds (7200 and the like) are read through termios2.
// Linux forces 8 data bits and no parity on a pseudo-terminal, so a frame of fewer bits or with parity
// is read from the input flags that go with it there: ISTRIP (7 data bits), INPCK (parity) with PARODD,
// which Kwelta sets with the frame and which the kernel leaves alone.
std::optional<LineSettings> readLineSettings(int fd);
// Raw mode with the given speed and frame, custom speeds included.
bool applyLineSettings(int fd, const LineSettings& settings);
