#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>

// The "Czytaj z wagi:" choice; any other value of the radio group behaves as Indication.
enum class ReadMode { Indication = 0, Report = 1, Recognize = 2 };

ReadMode readModeFromIndex(int index);

// The connection kind chosen in rgConnection.
// rgConnection's item index; None where no item is chosen (a stored value of neither kind).
enum class ScaleLink { None = -1, Serial = 0, Ethernet = 1 };

// The stored port and speed, as the settings loader still writes them. Nothing reads them: the window
// hands the serial connection its controls' values when it opens the port.
struct StoredPortChoice
{
    qint32 Port = 0;
    qint32 BaudCode = 0;
};

// Process-wide state through which the units cooperate. Everything here belongs to the main thread,
// except SerialStopped, which the serial reader's thread polls as its loop condition.
namespace Global {

extern StoredPortChoice PortSettings;
extern std::atomic<bool> SerialStopped;
extern bool PortConfigured;
extern qint32 BufferSize;
extern qint32 Language;

quint16 SetBit(quint16 value, bool on, quint8 bit);
bool BitIsSet(quint16 value, quint8 bit);

} // namespace Global
