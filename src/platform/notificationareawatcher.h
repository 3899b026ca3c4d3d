#pragma once

#include <QObject>

#include <memory>

// Follows the desktop's notification area (the panel part that holds tray icons): whether one is there,
// and when one appears or goes away, as it does when a panel restarts. Reported through signals on the
// thread the watcher lives on, after the event that told of the change has been handled.
class NotificationAreaWatcher : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual bool isPresent() const = 0;

signals:
    // A notification area took over, also one that replaced another without a gap.
    void appeared();
    void vanished();
};

// The backend for the platform the application runs on (QGuiApplication::platformName()); one that
// never reports anything where there is none.
std::unique_ptr<NotificationAreaWatcher> createNotificationAreaWatcher();
