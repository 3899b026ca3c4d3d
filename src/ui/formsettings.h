#pragma once

#include "core/scriptfile.h"
#include "core/settingsstore.h"

#include <QCoreApplication>
#include <QString>

class KeyboardGrant;
class QWidget;

// How the main window's settings last: loaded from the settings file at the first activation,
// copied into the snapshot at every hide and put back at every show, written back only at the
// close; and "script.txt", which keeps the processing script. It works on the window's controls by
// their object names, the contract every part of the window shares.
class FormSettings
{
    Q_DECLARE_TR_FUNCTIONS(FormSettings)

public:
    explicit FormSettings(QWidget& form);

    void LoadSettings();
    // Tells the user, once, that the stored settings could not be read and where the file was kept.
    void reportLoadProblem();
    void ApplyDefaultSettings();
    void sbCommDefaultClick();
    void StoreSettings();
    // The restoring step of showing the window: the snapshot back into the controls, "script.txt" loaded.
    void RestoreSettings();
    void Button2Click();
    void cbAllowOneInstanceClick();
    // Where typing needs the desktop's grant: its restore token is loaded into it and written from it.
    void setKeyboardGrant(KeyboardGrant* grant) { m_keyboardGrant = grant; }
    // Puts a port number into UpDown1 (and so Edit1), whatever the arrows' range.
    void setPortNumber(int port);

    // Where "script.txt" and the "log" folder live: beside the program when its folder is writable
    // (a portable copy), otherwise in the user's data folder.
    static QString programDataFolder();
    static QString scriptFile();
    static QString logFolder();
    // The script the memo stands for, as bytes: the file's own while the memo shows it unchanged.
    QByteArray scriptBytes() const;
    // Tests point the program's folder somewhere of their own.
    static void setProgramFolderForTests(const QString& folder);

private:
    struct Snapshot
    {
        QString ipAddress;
        QString ethernetPort;
        QString specialCommand;
        bool advanced = false;
        QString sendFields;
        bool autoRun = false;
        bool openOnStart = false;
        bool minimise = false;
        bool oneInstance = false;
        quint8 connection = 0;
        qint32 portNumber = 0;
        quint8 baudCode = 0;
        quint8 readMode = 0;
        quint8 betweenFields = 0;
        quint8 afterFields = 0;
        quint8 decimalSeparator = 0;
        quint8 ethernetProtocol = 0;
        quint8 repeatUnit = 0;
        qint32 repeatTime = 0;
    };

    template <typename T>
    T* control(const char* name) const;
    bool loadValue(const SettingsStore& store, Setting setting);
    void applyInteger(Setting setting, qint32 value);
    void applyBoolean(Setting setting, bool value);
    void applyString(Setting setting, const QString& value);
    void writeValue(SettingsStore& store, Setting setting) const;
    void keepUnreadable(const SettingsStore& store, const QString& valueName);
    void followScriptFile();
    void saveScript();
    void loadScript();

    QWidget& m_form;
    Snapshot m_snapshot;
    ScriptFile m_script;
    QString m_loadProblem;
    KeyboardGrant* m_keyboardGrant = nullptr;
    // As loaded, kept for the close where no grant is asked for in this session (an X11 login).
    QString m_restoreToken;
};
