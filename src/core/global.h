#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>

// The "Czytaj z wagi:" choice; any other value of the radio group behaves as Indication.
enum class ReadMode { Indication = 0, Report = 1, Recognize = 2 };

ReadMode readModeFromIndex(int index);

// The connection kind chosen in connectionGroup.
// connectionGroup's item index; None where no item is chosen (a stored value of neither kind).
enum class ScaleLink { None = -1, Serial = 0, Ethernet = 1 };

// What another thread must read: the serial reader's thread polls SerialStopped as its loop condition.
namespace Global {

extern std::atomic<bool> SerialStopped;

} // namespace Global
