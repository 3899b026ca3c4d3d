#pragma once

#include <QByteArray>
#include <QList>

#include <memory>

// The X server's windows as another client sees them, on a connection of the test's own to $DISPLAY,
// so that what a program shows is checked from outside it.
class XScreen
{
public:
    XScreen();
    ~XScreen();
    XScreen(const XScreen&) = delete;
    XScreen& operator=(const XScreen&) = delete;

    // The viewable top-level windows whose title starts with the prefix.
    QList<quint32> windowsTitled(const QByteArray& prefix) const;
    quint32 inputFocus() const;
    // Takes the focus away from every program window, as a user switching to another program would.
    void focusRoot() const;

private:
    struct Connection;
    std::unique_ptr<Connection> m_x;
};
