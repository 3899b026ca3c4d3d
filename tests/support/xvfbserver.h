#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// An Xvfb of the test's own, so that a system test neither needs nor disturbs the developer's
// display. Start it before the Qt application exists: the platform plugin reads DISPLAY only once.
class XvfbServer
{
public:
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Starts the server and points DISPLAY at it; false, with errorString(), when it could not. The
    // arguments go to Xvfb after the usual ones, for example to disable an extension.
    bool start(const QStringList& extraArguments = {}, int timeoutMs = 10000);
    // For a program's main(): starts the server and makes Qt applications created afterwards use it;
    // when it cannot, says why on stderr under the program's name and returns false.
    bool startForApplication(const char* programName);
    void stop();

    QString display() const { return m_display; }
    QString errorString() const { return m_error; }

private:
    QString serverLog() const;

    QProcess m_process;
    QTemporaryDir m_logDir;
    QString m_display;
    QString m_error;
    bool m_hadDisplay = false;
    QByteArray m_savedDisplay;
};
