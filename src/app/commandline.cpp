#include "app/commandline.h"

#include "app/singleinstance.h"
#include "core/programinfo.h"

#include <QCoreApplication>
#include <QLatin1StringView>

#include <cstdio>

namespace {

// Qt's own options, as QGuiApplication and QApplication take them (with one dash or two, a value
// after a blank or after '=').
constexpr QLatin1StringView qtOptionsWithValue[] = {
    QLatin1StringView("platform"),        QLatin1StringView("platformpluginpath"),
    QLatin1StringView("platformtheme"),   QLatin1StringView("plugin"),
    QLatin1StringView("qwindowgeometry"), QLatin1StringView("qwindowicon"),
    QLatin1StringView("qwindowtitle"),    QLatin1StringView("session"),
    QLatin1StringView("display"),         QLatin1StringView("name"),
    QLatin1StringView("title"),           QLatin1StringView("visual"),
    QLatin1StringView("geometry"),        QLatin1StringView("style"),
    QLatin1StringView("stylesheet"),      QLatin1StringView("qmljsdebugger"),
};
constexpr QLatin1StringView qtFlags[] = {
    QLatin1StringView("reverse"), QLatin1StringView("widgetcount"), QLatin1StringView("nograb"),
    QLatin1StringView("dograb"),  QLatin1StringView("sync"),        QLatin1StringView("testability"),
};

template <std::size_t N>
bool isOneOf(QStringView name, const QLatin1StringView (&names)[N])
{
    for (const QLatin1StringView candidate : names) {
        if (name == candidate)
            return true;
    }
    return false;
}

CommandLineRequest failed(CommandLineRequest::Failure failure, const QString& argument)
{
    return {CommandLineRequest::Action::Fail, failure, argument, {}};
}

QString describe(const CommandLineRequest& request)
{
    switch (request.failure) {
    case CommandLineRequest::Failure::UnexpectedArgument:
        return QCoreApplication::translate("CommandLine", "nieoczekiwany argument „%1”").arg(request.argument);
    case CommandLineRequest::Failure::MissingValue:
        return QCoreApplication::translate("CommandLine", "opcja „%1” wymaga wartości").arg(request.argument);
    case CommandLineRequest::Failure::UnknownCommand:
        return QCoreApplication::translate("CommandLine", "nieznane polecenie „%1” (znane: tare, zero, print, special)")
            .arg(request.argument);
    case CommandLineRequest::Failure::UnknownOption:
    case CommandLineRequest::Failure::None:
        break;
    }
    return QCoreApplication::translate("CommandLine", "nieznana opcja „%1”").arg(request.argument);
}

void print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

CommandLineRequest parseCommandLine(const QStringList& arguments)
{
    CommandLineRequest request;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == u"-h" || argument == u"--help") {
            request.action = CommandLineRequest::Action::ShowHelp;
            continue;
        }
        if (argument == u"-v" || argument == u"--version") {
            if (request.action == CommandLineRequest::Action::Run ||
                request.action == CommandLineRequest::Action::SendOrder)
                request.action = CommandLineRequest::Action::ShowVersion;
            continue;
        }
        if (argument == u"--command" || argument.startsWith(u"--command=")) {
            QString name;
            if (argument.startsWith(u"--command=")) {
                name = argument.sliced(qsizetype(sizeof("--command=") - 1));
            } else {
                if (++i >= arguments.size())
                    return failed(CommandLineRequest::Failure::MissingValue, argument);
                name = arguments.at(i);
            }
            const std::optional<ScaleOrder> order = scaleOrderFromName(name);
            if (!order)
                return failed(CommandLineRequest::Failure::UnknownCommand, name);
            // Help and version still win: they are what a user who is unsure asks for.
            if (request.action == CommandLineRequest::Action::Run)
                request.action = CommandLineRequest::Action::SendOrder;
            request.order = *order;
            continue;
        }
        if (!argument.startsWith(u'-') || argument.size() < 2)
            return failed(CommandLineRequest::Failure::UnexpectedArgument, argument);
        QStringView name = QStringView(argument).sliced(argument.startsWith(u"--") ? 2 : 1);
        const qsizetype equals = name.indexOf(u'=');
        const bool valueGiven = equals >= 0;
        if (valueGiven)
            name = name.first(equals);
        if (isOneOf(name, qtOptionsWithValue)) {
            if (!valueGiven && ++i >= arguments.size())
                return failed(CommandLineRequest::Failure::MissingValue, argument);
            continue;
        }
        if (!valueGiven && isOneOf(name, qtFlags))
            continue;
        return failed(CommandLineRequest::Failure::UnknownOption, argument);
    }
    return request;
}

int answerCommandLine(const CommandLineRequest& request, const QString& programName)
{
    switch (request.action) {
    case CommandLineRequest::Action::Run:
    case CommandLineRequest::Action::SendOrder:
        return 0;
    case CommandLineRequest::Action::ShowVersion:
        print(stdout, QStringLiteral("Kwelta %1\n").arg(ProgramInfo::version()));
        return 0;
    case CommandLineRequest::Action::ShowHelp:
        print(stdout, QCoreApplication::translate("CommandLine",
                                                  "Użycie: %1 [opcje]\n"
                                                  "       %1 --command tare|zero|print|special\n"
                                                  "\n"
                                                  "Kwelta odczytuje wyniki ważenia z wagi i wpisuje je w aktywne "
                                                  "okno lub dopisuje do pliku.\n"
                                                  "\n"
                                                  "Opcje:\n"
                                                  "  -h, --help     wyświetla ten opis i kończy działanie\n"
                                                  "  -v, --version  wyświetla wersję i kończy działanie\n"
                                                  "  --command POLECENIE\n"
                                                  "                 przekazuje polecenie dla wagi (tare: tarowanie, "
                                                  "zero: zerowanie,\n"
                                                  "                 print: wydruk, special: polecenie specjalne) "
                                                  "działającej kopii\n"
                                                  "                 programu, która wysyła je jak swój przycisk; "
                                                  "kończy się kodem 0,\n"
                                                  "                 gdy polecenie zostało wysłane\n"
                                                  "\n"
                                                  "Przyjmowane są też opcje biblioteki Qt, np. -platform i -style.\n")
                          .arg(programName));
        return 0;
    case CommandLineRequest::Action::Fail:
        // A command given by a desktop's key binding fails in a log, where one line says it all.
        if (request.failure == CommandLineRequest::Failure::UnknownCommand) {
            print(stderr, QStringLiteral("%1: %2\n").arg(programName, describe(request)));
            return 2;
        }
        print(stderr, QCoreApplication::translate("CommandLine", "%1: %2\nOpis opcji: %1 --help\n")
                          .arg(programName, describe(request)));
        return 2;
    }
    return 2;
}

int answerCommandDelivery(CommandDelivery delivery, const QString& programName)
{
    QString reason;
    switch (delivery) {
    case CommandDelivery::Sent:
        return 0;
    case CommandDelivery::NoCopy:
        reason =
            QCoreApplication::translate("CommandLine", "nie działa żadna kopia programu, która przyjęłaby polecenie");
        break;
    case CommandDelivery::LinkClosed:
        reason = QCoreApplication::translate("CommandLine",
                                             "połączenie z wagą jest zamknięte, polecenie nie zostało wysłane");
        break;
    case CommandDelivery::NotSent:
        reason = QCoreApplication::translate(
            "CommandLine", "program nie wysłał polecenia (trwa odczyt cykliczny albo edycja polecenia specjalnego)");
        break;
    }
    print(stderr, QStringLiteral("%1: %2\n").arg(programName, reason));
    return 1;
}
