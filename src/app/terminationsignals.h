#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (the session ending, the system shutting down, Ctrl+C in the
// terminal that started us) into a Qt signal on the main thread, so the program can close its window
// the normal way and keep its settings, instead of dying where it stands. One instance at a time.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void requested();

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};
