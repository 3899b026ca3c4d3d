#pragma once

#include <QCoreApplication>
#include <QString>

// The message boxes of the serial port: the layer's error codes in words.
class MxTool
{
    Q_DECLARE_TR_FUNCTIONS(MxTool)

public:
    // The text a code is shown with; empty for -8, which shows the system's own message instead.
    static QString PortErrorText(int code);
    static void ShowPortError(const QString& caption, int code);
    // The system's own message for the layer's last failure, cut to 80 characters, with the error icon.
    static void ShowSystemError(const QString& caption);
    // The port record holds no speed the port can run at (a stored value outside the list).
    static void ShowSpeedError(const QString& caption);
};
