#include "app/programentry.h"

#include "app/commandline.h"
#include "app/singleinstance.h"
#include "app/terminationsignals.h"
#include "core/languagemodule.h"
#include "core/programinfo.h"
#include "core/settingsstore.h"

#include <QApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QWidget>

namespace {

Q_LOGGING_CATEGORY(instanceLog, "kwelta.instance", QtWarningMsg)

// Anything but a plain start is answered on the terminal, before any window or link exists, in the
// stored language (the program's own default where there is none). A scale command is handed to the
// running copy from here too: a QCoreApplication needs no display, so a key binding of a Wayland
// desktop, or a shell with no display at all, can give it.
int answerOnTerminal(int& argc, char** argv, const CommandLineRequest& request)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(SettingsStore::OrganisationName);
    QCoreApplication::setApplicationName(SettingsStore::ApplicationName);
    const SettingsStore store;
    const qint32 language =
        store.opens() ? store.readInteger(Setting::Language).value_or(LanguageModule::Polish) : LanguageModule::Polish;
    LanguageModules modules(ProgramInfo::executablePath());
    if (modules.loadLanguageModule(language) == LanguageModules::Found::Loaded)
        modules.useLoadedModule();
    QString programName = argc > 0 ? QFileInfo(QString::fromLocal8Bit(argv[0])).fileName() : QString();
    if (programName.isEmpty())
        programName = QStringLiteral("kwelta");
    if (request.action == CommandLineRequest::Action::SendOrder)
        return answerCommandDelivery(SingleInstance::sendOrder(request.order), programName);
    return answerCommandLine(request, programName);
}

} // namespace

void bringWindowToFront(QWidget& window)
{
    if (window.isMinimized())
        window.showNormal();
    window.raise();
    window.activateWindow();
}

int runProgram(int& argc, char** argv, const std::function<std::unique_ptr<QWidget>()>& createMainWindow,
               const std::function<void(QWidget&)>& bringToFront,
               const std::function<OrderOutcome(QWidget&, ScaleOrder)>& handleOrder)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments += QString::fromLocal8Bit(argv[i]);
    const CommandLineRequest request = parseCommandLine(arguments);
    if (request.action != CommandLineRequest::Action::Run)
        return answerOnTerminal(argc, argv, request);

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
    if (handleOrder)
        instance.setOrderHandler([&handleOrder, &window](ScaleOrder order) { return handleOrder(*window, order); });
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
