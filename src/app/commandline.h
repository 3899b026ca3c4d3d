#pragma once

#include <QString>
#include <QStringList>

// What the command line asks of this start. The program takes only a few options of its own; Qt's
// own options (-platform, -style, -display, ...) are left for the application object to take.
struct CommandLineRequest
{
    enum class Action { Run, ShowHelp, ShowVersion, Fail };
    enum class Failure { None, UnexpectedArgument, UnknownOption, MissingValue };
    Action action = Action::Run;
    // With Fail: what was wrong, and with which argument.
    Failure failure = Failure::None;
    QString argument;
};

// The arguments as the process got them, the program's name first.
CommandLineRequest parseCommandLine(const QStringList& arguments);

// For a request other than Run: prints the usage, the version or the failure, and returns the exit
// status (0, or 2 for a command line the program cannot take). Needs an application object and
// prints in whatever language module it has installed.
int answerCommandLine(const CommandLineRequest& request, const QString& programName);
