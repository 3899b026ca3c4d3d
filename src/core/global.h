#pragma once

#include <QByteArray>
#include <QEvent>
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

// The latest accepted weighing result, the running totals and the user's number format.
// Unit keeps the scale's own bytes so that the output file receives them unchanged.
struct TStatistics
{
    double LastValue = 0;
    QByteArray Unit;
    QString ValueMask;
    qint32 Count = 0;
    double Sum = 0;
    QString DateText;
    QString TimeText;
    QString ResultFormat;
    bool SetResultFormat = false;
};

// The stored port and speed, as the settings loader still writes them. Nothing reads them: the window
// hands the serial connection its controls' values when it opens the port.
struct StoredPortChoice
{
    qint32 Port = 0;
    qint32 BaudCode = 0;
};

// Posted to the main window after every accepted result; it stands for the window message WM_USER+1.
inline constexpr QEvent::Type StatisticsRefresh = static_cast<QEvent::Type>(QEvent::User + 1);

// Process-wide state through which the units cooperate. Everything here belongs to the main thread,
// except SerialStopped, which the serial reader's thread polls as its loop condition.
namespace Global {

extern StoredPortChoice PortSettings;
extern std::atomic<bool> SerialStopped;
extern QString OutputFile;
extern bool PortConfigured;
extern TStatistics Statistics;
extern QPointer<QObject> MainWindowHandle;
extern qint32 BufferSize;
extern qint32 Language;
// Days since 1899-12-30 local time, the fraction being the time of day; 0 means "long ago".
extern double LastReportTime;

void ResetStatistics();
quint16 SetBit(quint16 value, bool on, quint8 bit);
bool BitIsSet(quint16 value, quint8 bit);

// Posts a parameterless message to the main window; nothing happens before the window exists.
void postToMainWindow(QEvent::Type type);

} // namespace Global
