#pragma once

#include "link/portaccess.h"

#include <QCoreApplication>
#include <QString>

// What went wrong with the serial port, in the words and with the caption the user is shown; the window
// shows it, the link only says it.
struct PortError
{
    Q_DECLARE_TR_FUNCTIONS(PortError)

public:
    enum class Icon { None, Error };

    QString caption;
    QString text;
    Icon icon = Icon::None;

    // The text a code is shown with; empty for -8, which shows the system's own message instead.
    static QString codeText(int code);
    // A code of the serial layer; -8 becomes systemError.
    static PortError fromCode(const QString& caption, int code);
    // The system's own message for the layer's last failure, cut to 80 characters, with the error icon.
    static PortError systemError(const QString& caption);
    // The port record holds no speed the port can run at (a stored value outside the list).
    static PortError noSpeed(const QString& caption);
    // A port that did not open, with what to do about it: the device a missing number stands for and the
    // serial devices there are, the group and command for a device the user may not open, the program
    // holding a busy one. Other failures as fromCode.
    static PortError openingFailed(const PortAccess& access, int code);
    // "COM3: /dev/ttyUSB0 (usb-FTDI_...)" a line for each serial device there is, or a line saying there
    // is none.
    static QString presentDevicesText();
    // The caption of a failed opening.
    static QString failureCaption() { return tr("Niepowodzenie"); }
};

Q_DECLARE_METATYPE(PortError)
