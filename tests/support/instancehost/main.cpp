// The real program entry with a plain window standing in for the main window. It reports on stdout,
// one line each: "shown" when its window is shown, "front" when a start message has brought it to the
// front ("front minimised" when it was left minimised), "minimised" once the "minimise" command is
// done. Commands on stdin: "minimise" and "quit"; the end of stdin quits too. The exit code is the
// entry's.

#include "app/programentry.h"

#include <QSocketNotifier>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace {

void report(const char* line)
{
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    // The test reads the pipe while this process goes on running.
    std::fflush(stdout);
}

class HostWindow : public QWidget
{
public:
    HostWindow()
        : m_commands(STDIN_FILENO, QSocketNotifier::Read)
    {
        setWindowTitle(QStringLiteral("kwelta instance host"));
        resize(200, 100);
        connect(&m_commands, &QSocketNotifier::activated, this, &HostWindow::readCommands);
    }

protected:
    void showEvent(QShowEvent* event) override
    {
        QWidget::showEvent(event);
        report("shown");
    }

private:
    void readCommands()
    {
        char buffer[256];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0) {
            m_commands.setEnabled(false);
            close();
            return;
        }
        m_pending.append(buffer, count);
        qsizetype end = 0;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            const QByteArray command = m_pending.left(end).trimmed();
            m_pending.remove(0, end + 1);
            if (command == "minimise") {
                showMinimized();
                report(isMinimized() ? "minimised" : "not minimised");
            } else if (command == "quit") {
                close();
            }
        }
    }

    QSocketNotifier m_commands;
    QByteArray m_pending;
};

} // namespace

int main(int argc, char** argv)
{
    return runProgram(
        argc, argv, [] { return std::make_unique<HostWindow>(); },
        [](QWidget& window) {
            bringWindowToFront(window);
            report(window.isMinimized() ? "front minimised" : "front");
        });
}
