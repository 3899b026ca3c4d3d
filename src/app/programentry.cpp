#include "app/programentry.h"

#include "app/singleinstance.h"
#include "app/terminationsignals.h"
#include "core/settingsstore.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QWidget>

namespace {

Q_LOGGING_CATEGORY(instanceLog, "kwelta.instance", QtWarningMsg)

} // namespace

void bringWindowToFront(QWidget& window)
{
    if (window.isMinimized())
        window.showNormal();
    window.raise();
    window.activateWindow();
}

int runProgram(int& argc, char** argv, const std::function<std::unique_ptr<QWidget>()>& createMainWindow,
               const std::function<void(QWidget&)>& bringToFront)
{
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(SettingsStore::OrganisationName);
    QCoreApplication::setApplicationName(SettingsStore::ApplicationName);

    SingleInstance instance;
    instance.acquire();
    if (!instance.hasHandle())
        qCWarning(instanceLog).noquote() << "the presence lock cannot be had, so more than one copy may run:"
                                         << instance.failure();
    const bool onlyOneInstance = readOnlyOneInstance();
    if (!mayRun(instance.hasHandle(), instance.existedAlready(), onlyOneInstance)) {
        // Let go of the presence before waiting on the others: if the running copy closes meanwhile, a
        // start that follows must not see this departing process as one that runs.
        instance.release();
        instance.broadcastStartMessage();
        return 0;
    }

    std::unique_ptr<QWidget> window = createMainWindow();
    if (!window)
        return 0;
    QObject::connect(&instance, &SingleInstance::startMessageReceived, window.get(),
                     [&bringToFront, &window] { bringToFront(*window); });
    // Listening only once the window can answer, and before it shows, so that a copy seen on screen
    // can always be called to the front. A copy that cannot listen still runs.
    instance.listen();
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::requested, window.get(), [&window] {
        window->close();
        QCoreApplication::quit();
    });
    window->show();
    // A window manager activates a new window by itself; without one the first activation, which
    // loads the settings, would never come.
    window->activateWindow();
    QApplication::exec();

    window.reset();
    instance.release();
    return 0;
}
