#include "app/programentry.h"
#include "ui/artwork.h"
#include "ui/mainform.h"

#include <QApplication>

int main(int argc, char** argv)
{
    return runProgram(
        argc, argv,
        [] {
            // What taskbars and window switchers show for every window of the program, and the desktop
            // entry they find its name and icon in once it is installed.
            QApplication::setWindowIcon(linkPicture(LinkPicture::Open));
            QGuiApplication::setDesktopFileName(QStringLiteral(KWELTA_APP_ID));
            return std::make_unique<TMainForm>();
        },
        [](QWidget& window) { static_cast<TMainForm&>(window).StartMessage(); });
}
