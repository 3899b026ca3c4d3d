#pragma once

#include <QObject>
#include <QString>

// The program's entry in the user's start-up list: an XDG autostart file, which the desktop reads at
// logon, named after the executable's file name and starting the executable's full path. The entry
// follows the switch `AutoRun`; failing to write or remove it is not the user's concern and is only
// logged (kwelta.platform.autostart).
class AutoStartEntry : public QObject
{
    Q_OBJECT

public:
    // The path is taken now, as the program to start at logon; the entry lives in `folder`.
    AutoStartEntry(const QString& programPath, const QString& folder, QObject* parent = nullptr);

    // $XDG_CONFIG_HOME/autostart, the start-up list of the user who runs the program.
    static QString userFolder();

    bool AutoRun() const { return m_autoRun; }
    // Makes the entry follow the switch when it changes: removed, then written while on.
    void setAutoRun(bool on);
    void addAutoRunEntry();
    void removeAutoRunEntry();

    QString entryFile() const;

private:
    QString m_programPath;
    QString m_folder;
    bool m_autoRun = false;
};

// The Exec value that starts exactly this program, with the Desktop Entry rules for quoting an
// argument, writing "%" as "%%", and escaping a string value: a desktop reading the file back gets
// the path as it was. Empty for a path that no desktop entry can hold (a character that is not
// allowed in a string value). A path with "%" is started through env, which GLib's desktops need.
QString desktopEntryExec(const QString& programPath);
// The whole file: what the desktop needs to start the program at logon.
QByteArray autostartDesktopEntry(const QString& programPath);
