#include "core/global.h"

#include <QCoreApplication>

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

StoredPortChoice PortSettings;
std::atomic<bool> SerialStopped{false};
QString OutputFile;
bool PortConfigured = false;
TStatistics Statistics;
QPointer<QObject> MainWindowHandle;
qint32 BufferSize = 0;
qint32 Language = 0;
double LastReportTime = 0;

void ResetStatistics()
{
    Statistics.LastValue = 0;
    Statistics.Unit.clear();
    Statistics.ValueMask = QStringLiteral("0");
    Statistics.Count = 0;
    Statistics.Sum = 0;
    Statistics.DateText.clear();
    Statistics.TimeText.clear();
}

quint16 SetBit(quint16 value, bool on, quint8 bit)
{
    const auto mask = static_cast<quint16>(1u << bit);
    return on ? static_cast<quint16>(value | mask) : static_cast<quint16>(value & ~mask);
}

bool BitIsSet(quint16 value, quint8 bit)
{
    return (value >> bit) & 1u;
}

void postToMainWindow(QEvent::Type type)
{
    if (MainWindowHandle)
        QCoreApplication::postEvent(MainWindowHandle.data(), new QEvent(type));
}

} // namespace Global
