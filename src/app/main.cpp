#include "app/programentry.h"
#include "ui/mainwindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    return runProgram(
        argc, argv,
        [] {
            // The desktop entry in which taskbars and window switchers find the program's name and icon
            // once it is installed; the window sets its own icon, which its dialogs inherit.
            QGuiApplication::setDesktopFileName(QStringLiteral(KWELTA_APP_ID));
            return std::make_unique<MainWindow>();
        },
        [](QWidget& window) { static_cast<MainWindow&>(window).bringToFront(); },
        [](QWidget& window, ScaleOrder order) { return static_cast<MainWindow&>(window).scaleOrderReceived(order); });
}
