#pragma once

#include <QList>
#include <QString>

// Port numbers (1 = COM1) to serial devices.
//
// Override links come first: a symbolic link named COM<n> in $XDG_CONFIG_HOME/Ostrel/Kwelta/ports/
// gives number n to the device it points to. The devices found automatically then take the numbers
// no link claims, from 1 upwards, in this order: /dev/ttyUSB*, /dev/ttyACM*, on-board /dev/ttyS* that
// have a real UART, /dev/rfcomm*, each group by its number. A device a link already names is not
// numbered a second time.
//
// The environment is read at every call, so a changed profile applies at once. KWELTA_DEVICE_DIR and
// KWELTA_SYS_TTY_DIR replace /dev and /sys/class/tty, so tests can describe a machine of their own.
namespace PortMap {

struct Entry
{
    int port = 0;
    QString device;        // absolute path; may name a device that does not exist (a dangling link)
    bool override = false; // true when a COM<n> link gave the number
};

QString overrideDirectory();
QStringList automaticDevices();
QList<Entry> table();         // ordered by port number
QString devicePath(int port); // empty when the number maps to nothing

} // namespace PortMap
