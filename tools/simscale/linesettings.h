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
};

// The settings applied to the terminal behind fd, whichever side applied them; on a pseudo-terminal
// the master and every slave fd share them. Custom speeds (7200 and the like) are read through termios2.
std::optional<LineSettings> readLineSettings(int fd);
// Raw mode with the given speed and frame, custom speeds included.
bool applyLineSettings(int fd, const LineSettings& settings);
