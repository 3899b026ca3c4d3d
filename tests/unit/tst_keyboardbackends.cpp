// Which keyboard backends a session tries, in which order.
#include "platform/keyboardinjector.h"

#include <QTest>

Q_DECLARE_METATYPE(QList<KeyboardBackend>)

class TestKeyboardBackends : public QObject
{
    Q_OBJECT

private slots:
    void backendsFor_data();
    void backendsFor();
};

void TestKeyboardBackends::backendsFor_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<bool>("wayland");
    QTest::addColumn<bool>("x11Display");
    QTest::addColumn<QList<KeyboardBackend>>("backends");

    using B = KeyboardBackend;
    QTest::newRow("X11 session") << "xcb" << false << true << QList<B>{B::XTest};
    // Our window under XWayland says nothing about where the user types: native windows need the
    // virtual keyboard, and XTest only serves the X11 programs when that is missing.
    QTest::newRow("Wayland session, our window under XWayland")
        << "xcb" << true << true << QList<B>{B::VirtualKeyboard, B::RemoteDesktopPortal, B::XTest};
    QTest::newRow("Wayland session, our window native")
        << "wayland" << true << true << QList<B>{B::VirtualKeyboard, B::RemoteDesktopPortal, B::XTest};
    QTest::newRow("Wayland session without XWayland")
        << "wayland" << true << false << QList<B>{B::VirtualKeyboard, B::RemoteDesktopPortal};
    QTest::newRow("Qt's EGL Wayland plugin")
        << "wayland-egl" << true << false << QList<B>{B::VirtualKeyboard, B::RemoteDesktopPortal};
    // Tests run offscreen and must never type into the developer's desktop, whatever it is.
    QTest::newRow("offscreen in a Wayland session") << "offscreen" << true << true << QList<B>{};
    QTest::newRow("offscreen in an X11 session") << "offscreen" << false << true << QList<B>{};
    QTest::newRow("minimal") << "minimal" << false << true << QList<B>{};
}

void TestKeyboardBackends::backendsFor()
{
    QFETCH(QString, platform);
    QFETCH(bool, wayland);
    QFETCH(bool, x11Display);
    QFETCH(QList<KeyboardBackend>, backends);

    KeyboardSession session;
    session.platformName = platform;
    session.wayland = wayland;
    session.x11Display = x11Display;
    QCOMPARE(keyboardBackendsFor(session), backends);
}

QTEST_GUILESS_MAIN(TestKeyboardBackends)
#include "tst_keyboardbackends.moc"
