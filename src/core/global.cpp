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

} // namespace Global
