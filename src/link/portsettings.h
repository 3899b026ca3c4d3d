#pragma once

#include <QtGlobal>

// A serial port record: which port, at which speed, with which line settings. The line-mode code is
// ParityBits + DataBits + StopBits (sio.h). A fresh record is 8N1 without flow control, DTR on and RTS
// off, the settings every port was opened with before the frame could be chosen (LineFormat).
struct PortSettings
{
    qint32 Port = 0;
    qint32 BaudCode = 0;
    qint32 ParityBits = 0;
    qint32 DataBits = 3;
    qint32 StopBits = 0;
    bool HardwareFlow = false;
    bool SoftwareFlow = false;
    quint8 Dtr = 1;
    quint8 Rts = 0;
};
