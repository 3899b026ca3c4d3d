#pragma once

#include <QString>

// Why a serial port did not open, with what the user needs to put it right: the device the number stands
// for, the group that may open it, the program that holds it.
struct PortAccess
{
    enum class Problem { None, NoDevice, PermissionDenied, Busy, Failed };

    Problem problem = Problem::None;
    int port = 0;
    // The device the number stands for (PortMap); empty when it stands for none.
    QString device;
    // PermissionDenied: the group the device belongs to ("dialout"), empty when it cannot be read.
    QString group;
    // Busy: the program holding the device, "minicom (1234)", when the system tells.
    QString holder;
    // Failed: the system's own message.
    QString message;

    bool opened() const { return problem == Problem::None; }

    // What an opening that returned this serial-layer code ran into; systemError is the errno behind a
    // Sio::SystemError. Looks at the device (its group, who holds it) where the problem calls for it.
    static PortAccess explain(int port, int code, int systemError);
    // The name of the group owning the file, or empty.
    static QString deviceGroup(const QString& path);
    // The programs that have the device open, or whose lock file names it, "name (pid)" joined by ", ";
    // empty when none is seen (another user's processes are hidden from us). Our own process is left out.
    static QString deviceHolder(const QString& path);
    // The command that puts the user into the group.
    static QString joinGroupCommand(const QString& group)
    {
        return QStringLiteral("sudo usermod -aG %1 $USER").arg(group);
    }
};
