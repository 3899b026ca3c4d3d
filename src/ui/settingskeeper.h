#pragma once

#include "core/scriptfile.h"
#include "core/usersettings.h"
#include "ui/settingsbinding.h"

#include <QCoreApplication>
#include <QString>

class KeyboardGrant;
class QPlainTextEdit;
class QWidget;

// How the user's settings last: loaded from the settings file at the first activation, copied into the
// snapshot at every hide and put back at every show, written back only at the close; and "script.txt",
// which keeps the processing script the memo shows. The controls show them through the binding, which
// the window and its panels fill with their controls.
class SettingsKeeper
{
    Q_DECLARE_TR_FUNCTIONS(SettingsKeeper)

public:
    // form: where messages are shown over; memo: the script's control.
    SettingsKeeper(QWidget& form, QPlainTextEdit& memo);

    SettingsBinding& binding() { return m_binding; }
    const UserSettings& values() const { return m_binding.values(); }

    void load();
    // Tells the user, once, that the stored settings could not be read and where the file was kept.
    void reportLoadProblem();
    // The communication page's defaults back in their controls.
    void restoreCommunicationDefaults();
    void takeSnapshot();
    // The restoring step of showing the window: the snapshot back into the controls, "script.txt" loaded.
    void restoreSnapshot();
    void writeSettings();
    // Where typing needs the desktop's grant: its restore token is loaded into it and written from it.
    void setKeyboardGrant(KeyboardGrant* grant) { m_keyboardGrant = grant; }

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
    void keepUnreadable(const SettingsStore& store, const QString& valueName);
    void followScriptFile();
    void saveScript();
    void loadScript();

    QWidget& m_form;
    QPlainTextEdit& m_memo;
    SettingsBinding m_binding;
    UserSettings m_snapshot;
    ScriptFile m_script;
    QString m_loadProblem;
    KeyboardGrant* m_keyboardGrant = nullptr;
};
