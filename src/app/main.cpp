#include "app/programentry.h"
#include "ui/mainform.h"

#include <QApplication>

int main(int argc, char** argv)
{
    return runProgram(
        argc, argv,
        [] {
            // The desktop entry in which taskbars and window switchers find the program's name and icon
            // once it is installed; the window sets its own icon, which its dialogs inherit.
            QGuiApplication::setDesktopFileName(QStringLiteral(KWELTA_APP_ID));
            return std::make_unique<TMainForm>();
        },
        [](QWidget& window) { static_cast<TMainForm&>(window).StartMessage(); },
        [](QWidget& window, ScaleOrder order) { return static_cast<TMainForm&>(window).ScaleOrderReceived(order); });
}
