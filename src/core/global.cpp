#include "core/global.h"

ReadMode readModeFromIndex(int index)
{
    switch (index) {
    case static_cast<int>(ReadMode::Report):
        return ReadMode::Report;
    case static_cast<int>(ReadMode::Recognize):
        return ReadMode::Recognize;
    default:
        return ReadMode::Indication;
    }
}

namespace Global {

std::atomic<bool> SerialStopped{false};

quint16 SetBit(quint16 value, bool on, quint8 bit)
{
    const auto mask = static_cast<quint16>(1u << bit);
    return on ? static_cast<quint16>(value | mask) : static_cast<quint16>(value & ~mask);
}

bool BitIsSet(quint16 value, quint8 bit)
{
    return (value >> bit) & 1u;
}

} // namespace Global
