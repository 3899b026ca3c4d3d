#pragma once

#include "core/scaleorder.h"

#include <functional>
#include <memory>

class QWidget;

// Restores the window when it is minimised, raises it and asks for the input focus. What a running
// copy does when a second start calls it to the front.
void bringWindowToFront(QWidget& window);

// The whole life of the process, for main() to return: creates the application (organisation
// "Ostrel", application "Kwelta"), takes the presence lock and reads "OnlyOneInstance". A start that
// may not run calls every running copy to the front and returns 0 without creating a window or
// writing anything. Otherwise it creates the main window through createMainWindow, lets
// bringToFront handle the start messages of later starts, shows the window and runs the event loop.
// The loop ends as Qt ends it (the last visible primary window closed, or QCoreApplication::quit()),
// or on SIGTERM, SIGINT or SIGHUP, which close the window as the user would;
// then the window is destroyed while the application still exists, the lock is released and the
// result is 0. handleOrder does what a later start with --command asks of the window; such a start
// never gets this far: it hands its order over and ends with the status answerCommandDelivery gives.
int runProgram(int& argc, char** argv, const std::function<std::unique_ptr<QWidget>()>& createMainWindow,
               const std::function<void(QWidget&)>& bringToFront = bringWindowToFront,
               const std::function<OrderOutcome(QWidget&, ScaleOrder)>& handleOrder = {});
