// A window that reports on stdout, one line each, what a test needs to know about it: "ready" when it
// has become the active window, "inactive" when it lost that, and "key <token>" for each key press,
// the token being the key's text or name after "Shift+" and "AltGr+" for the modifiers held. Pure
// modifier keys report nothing: the test sees them in the prefixes. Commands on stdin: "activate"
// takes the focus back, "quit" ends it, and so does the end of stdin.

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QSocketNotifier>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

void report(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    // The test reads the pipe while keys are still arriving.
    std::fflush(stdout);
}

bool isPureModifier(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_CapsLock:
    case Qt::Key_Mode_switch:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return true;
    default:
        return false;
    }
}

QString keyToken(const QKeyEvent& event)
{
    QString token;
    if (event.modifiers() & Qt::ShiftModifier)
        token += QStringLiteral("Shift+");
    // Qt's xcb plugin reports the modifier that ISO_Level3_Shift or Mode_switch sets as GroupSwitch.
    if (event.modifiers() & Qt::GroupSwitchModifier)
        token += QStringLiteral("AltGr+");

    const QString text = event.text();
    if (text.size() == 1 && text.at(0).isPrint() && !text.at(0).isSpace())
        return token + text;
    if (text.size() == 2 && text.at(0).isHighSurrogate())
        return token + text;
    const QString name = QKeySequence(event.key()).toString(QKeySequence::PortableText);
    return token + (name.isEmpty() ? QStringLiteral("0x%1").arg(event.key(), 0, 16) : name);
}

class Receiver : public QWidget
{
public:
    Receiver()
    {
        setWindowTitle(QStringLiteral("kwelta receiver"));
        setFocusPolicy(Qt::StrongFocus);
        resize(320, 120);
    }

    void takeFocus()
    {
        // Without a window manager nothing activates a window; Qt then sets the X input focus itself.
        activateWindow();
        setFocus();
        // Qt stamps that request with the last server time this process saw. When another client took
        // the focus after that, the server ignores the request as stale; CurrentTime is never stale.
        if (const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
            xcb_connection_t* connection = x11->connection();
            xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, xcb_window_t(winId()), XCB_CURRENT_TIME);
            // A round trip: the server has moved the focus before this process says it has it.
            free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
        }
        // Qt keeps a window active for a moment after the focus has left it, so a window that still
        // counts as active gets no new activation to report; it has the focus again all the same.
        if (isActiveWindow())
            report(QStringLiteral("ready"));
    }

protected:
    bool event(QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress: {
            // Handled here rather than in keyPressEvent so that Tab reaches us instead of moving focus.
            const auto* key = static_cast<QKeyEvent*>(event);
            if (!isPureModifier(key->key()))
                report(QStringLiteral("key ") + keyToken(*key));
            return true;
        }
        case QEvent::WindowActivate:
            report(QStringLiteral("ready"));
            break;
        case QEvent::WindowDeactivate:
            report(QStringLiteral("inactive"));
            break;
        default:
            break;
        }
        return QWidget::event(event);
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Receiver receiver;
    receiver.show();
    receiver.takeFocus();

    QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&commands, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0) {
            commands.setEnabled(false);
            QApplication::quit();
            return;
        }
        pending.append(buffer, count);
        qsizetype end = 0;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray command = pending.left(end).trimmed();
            pending.remove(0, end + 1);
            if (command == "activate")
                receiver.takeFocus();
            else if (command == "quit")
                QApplication::quit();
        }
    });
    return app.exec();
}
