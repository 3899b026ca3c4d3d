#include "app/programentry.h"
#include "ui/mainform.h"

int main(int argc, char** argv)
{
    return runProgram(
        argc, argv, [] { return std::make_unique<TMainForm>(); },
        [](QWidget& window) { static_cast<TMainForm&>(window).StartMessage(); });
}
