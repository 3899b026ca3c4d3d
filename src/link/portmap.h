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

// A port number with its device and, where udev made one, the device's name under /dev/serial/by-id,
// which names the adapter's maker, model and serial number ("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0").
struct PortDevice
{
    int port = 0;
    QString device; // empty when the number stands for nothing
    QString byId;   // the link's name, empty when no by-id link leads to the device
};

QString overrideDirectory();
QStringList automaticDevices();
QList<Entry> table();         // ordered by port number
QString devicePath(int port); // empty when the number maps to nothing
// The name in <devices>/serial/by-id of a link leading to the device, or empty.
QString byIdName(const QString& device);
PortDevice portDevice(int port);
// Every number whose device is there now, in order, with its by-id name.
QList<PortDevice> presentDevices();

} // namespace PortMap
