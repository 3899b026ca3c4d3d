#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>

// The "Czytaj z wagi:" choice; any other value of the radio group behaves as Indication.
enum class ReadMode { Indication = 0, Report = 1, Recognize = 2 };

ReadMode readModeFromIndex(int index);

// The connection kind chosen in rgConnection.
// rgConnection's item index; None where no item is chosen (a stored value of neither kind).
enum class ScaleLink { None = -1, Serial = 0, Ethernet = 1 };

// The one serial port record; the line-mode code is ParityBits + DataBits + StopBits.
struct TPortSettings
{
    qint32 Port = 0;
    qint32 BaudCode = 0;
    qint32 ParityBits = 0;
    qint32 DataBits = 0;
    qint32 StopBits = 0;
    bool HardwareFlow = false;
    bool SoftwareFlow = false;
    quint8 Dtr = 0;
    quint8 Rts = 0;
};

// Process-wide state through which the units cooperate. Everything here belongs to the main thread,
// except SerialStopped, which the serial reader's thread polls as its loop condition.
namespace Global {

extern TPortSettings PortSettings;
extern std::atomic<bool> SerialStopped;
extern bool PortProbing;
extern bool PortConfigured;
extern QPointer<QObject> MainWindowHandle;
extern qint32 BufferSize;
extern QString ConnectedHost;
extern qint32 ConnectedPort;
extern qint32 Language;

quint16 SetBit(quint16 value, bool on, quint8 bit);
bool BitIsSet(quint16 value, quint8 bit);

} // namespace Global
