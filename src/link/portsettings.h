#pragma once

#include <QtGlobal>

// A serial port record: which port, at which speed, with which line settings. The line-mode code is
// ParityBits + DataBits + StopBits.
struct PortSettings
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
