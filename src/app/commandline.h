#pragma once

#include "core/scaleorder.h"

#include <QString>
#include <QStringList>

enum class CommandDelivery;

// What the command line asks of this start. The program takes only a few options of its own; Qt's
// own options (-platform, -style, -display, ...) are left for the application object to take.
struct CommandLineRequest
{
    // SendOrder: hand a scale command to the copy that runs (--command NAME), with no window of
    // its own.
    enum class Action { Run, ShowHelp, ShowVersion, SendOrder, Fail };
    enum class Failure { None, UnexpectedArgument, UnknownOption, MissingValue, UnknownCommand };
    Action action = Action::Run;
    // With Fail: what was wrong, and with which argument.
    Failure failure = Failure::None;
    QString argument;
    // With SendOrder.
    ScaleOrder order = ScaleOrder::Print;
};

// The arguments as the process got them, the program's name first.
CommandLineRequest parseCommandLine(const QStringList& arguments);

// For a request other than Run: prints the usage, the version or the failure, and returns the exit
// status (0, or 2 for a command line the program cannot take). Needs an application object and
// prints in whatever language module it has installed.
int answerCommandLine(const CommandLineRequest& request, const QString& programName);

// The one line a --command start ends with when the order did not get through, and its exit status:
// 0 (nothing printed) when the running copy sent it, 1 otherwise.
int answerCommandDelivery(CommandDelivery delivery, const QString& programName);
