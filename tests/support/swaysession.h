#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/types.h>

// A headless sway of the test's own: no screen, no input devices, the pixman renderer, and a config of
// the test's. sway refuses to run as root, so as root it and the programs of the session run as an
// unprivileged user (nobody) through setpriv, with a private runtime folder; as any other user they
// run as that user. Every wait is bounded, and the compositor does not outlive the object.
class SwaySession
{
public:
    SwaySession();
    ~SwaySession();
    SwaySession(const SwaySession&) = delete;
    SwaySession& operator=(const SwaySession&) = delete;

    // Empty when a session can be started here, else why not (for a visible skip).
    static QString unavailableReason();

    // Starts sway with these lines after the test's usual ones (a headless output, XWayland where it is
    // installed) and waits for its Wayland and IPC sockets; false, with errorString(), when it could not.
    bool start(const QStringList& configLines, int timeoutMs = 15000);
    void stop();

    // The words to put before a program so that it runs as the session's user (none when that is us).
    QStringList wrapper() const { return m_wrapper; }
    // What a program of the session needs: WAYLAND_DISPLAY, XDG_RUNTIME_DIR, HOME, XWayland's DISPLAY,
    // Qt on its Wayland plugin.
    QProcessEnvironment environment() const;
    // Makes a file or folder (and what it holds) the session user's, so that its programs can use it.
    bool grant(const QString& path) const;
    // Runs swaymsg with the arguments; its standard output, or an empty array when it failed.
    QByteArray message(const QStringList& arguments) const;
    // The X display of the session's XWayland; empty when there is none.
    QString x11Display() const { return m_x11Display; }

    // The process of the window that has the focus, as sway has it; 0 for none.
    qint64 focusedPid() const;
    // Asks sway to give the focus to the window of that process.
    bool focus(qint64 pid) const;

    QString folder() const { return m_dir.path(); }
    QString errorString() const { return m_error; }
    QString log() const;

private:
    QTemporaryDir m_dir;
    QString m_runtimeDir;
    QString m_home;
    QString m_socket;
    QString m_ipcSocket;
    QString m_x11Display;
    QStringList m_wrapper;
    uid_t m_uid = 0;
    gid_t m_gid = 0;
    QProcess m_process;
    QString m_error;
};
