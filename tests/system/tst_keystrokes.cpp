// Keystrokes from the processing core, through the real X11 backend, into another program's window,
// all under an X server of the test's own.

#include "platform/keyboardinjector.h"
#include "platform/windowactivation.h"
#include "platform/x11/x11keyboardinjector.h"
#include "platform/x11/xcbxkb.h"
#include "platform/x11/xhandles.h"
#include "processing/processdata.h"
#include "support/fixedclock.h"
#include "support/receiver/receiverprocess.h"
#include "support/requiredskip.h"
#include "support/temporaryprofile.h"
#include "support/xvfbserver.h"
#include "ui/mainwindow.h"
#include "ui/namedcontrol.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr int keyTimeoutMs = 5000;
// Typed after each case: once it arrives, every key the case sent has arrived before it, so the
// comparison sees all of them and nothing is left to trickle in.
constexpr quint8 sentinelVirtualKey = 0x7B;
const QString sentinelToken = QStringLiteral("F12");

// The keyboard state as the X server holds it, read and changed on a connection of the test's own so
// that the backend under test is not also the judge.
class ServerKeyboard
{
public:
    ServerKeyboard()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        const xcb_xkb_use_extension_cookie_t cookie = xcb_xkb_use_extension(m_connection.get(), 1, 0);
        const XcbReply<xcb_xkb_use_extension_reply_t> reply(
            xcb_xkb_use_extension_reply(m_connection.get(), cookie, nullptr));
        m_usable = reply && reply->supported;
    }

    bool isUsable() const { return m_usable; }

    bool capsLockOn() const
    {
        const XcbReply<xcb_xkb_get_state_reply_t> reply(state());
        return reply && (reply->lockedMods & XCB_MOD_MASK_LOCK);
    }

    // Returns once the server has applied it: the state read afterwards is a round trip behind it.
    bool setCapsLock(bool on)
    {
        xcb_xkb_latch_lock_state(m_connection.get(), XCB_XKB_ID_USE_CORE_KBD, XCB_MOD_MASK_LOCK,
                                 on ? XCB_MOD_MASK_LOCK : 0, false, 0, 0, false, 0);
        return capsLockOn() == on;
    }

    bool lockGroup(int group)
    {
        xcb_xkb_latch_lock_state(m_connection.get(), XCB_XKB_ID_USE_CORE_KBD, 0, 0, true, uint8_t(group), 0, false, 0);
        const XcbReply<xcb_xkb_get_state_reply_t> reply(state());
        return reply && reply->lockedGroup == group;
    }

    // Through the core protocol, which the backend does not use: whether the server's keymap has it.
    bool carriesKeysym(xcb_keysym_t keysym) const
    {
        const xcb_setup_t* setup = xcb_get_setup(m_connection.get());
        const xcb_get_keyboard_mapping_cookie_t cookie = xcb_get_keyboard_mapping(
            m_connection.get(), setup->min_keycode, uint8_t(setup->max_keycode - setup->min_keycode + 1));
        const XcbReply<xcb_get_keyboard_mapping_reply_t> reply(
            xcb_get_keyboard_mapping_reply(m_connection.get(), cookie, nullptr));
        if (!reply)
            return false;
        const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(reply.get());
        const int count = xcb_get_keyboard_mapping_keysyms_length(reply.get());
        return std::find(keysyms, keysyms + count, keysym) != keysyms + count;
    }

private:
    xcb_xkb_get_state_reply_t* state() const
    {
        const xcb_xkb_get_state_cookie_t cookie = xcb_xkb_get_state(m_connection.get(), XCB_XKB_ID_USE_CORE_KBD);
        return xcb_xkb_get_state_reply(m_connection.get(), cookie, nullptr);
    }

    XcbConnectionPtr m_connection;
    bool m_usable = false;
};

// Stands for the main window: while it is active nothing may be typed, and any key that does reach
// it is recorded.
class OwnWindow : public QWidget
{
public:
    QStringList keys;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            keys.append(static_cast<QKeyEvent*>(event)->text());
            return true;
        }
        return QWidget::event(event);
    }
};

// Records every key press that reaches this program, and keeps it from the window it was meant for.
class KeyTrap : public QObject
{
public:
    QStringList keys;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        keys.append(QKeySequence(static_cast<QKeyEvent*>(event)->key()).toString(QKeySequence::PortableText));
        return true;
    }
};

const QStringList weighingLineKeys = {"1", "2", ".", "5", "Tab", "k", "g", "Tab", "Return"};

} // namespace

class TestKeystrokes : public QObject
{
    Q_OBJECT

public:
    explicit TestKeystrokes(QString display)
        : m_display(std::move(display))
    {}

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void typesIntoTheFocusedWindow_data();
    void typesIntoTheFocusedWindow();
    void typesNothingWhileTheOwnWindowIsActive();
    void typesNothingIntoOurOwnMessageBox();
    void typesAsSoonAsTheFocusHasLeftTheWindow();
    void isInertWithoutADisplayOrXTest_data();
    void isInertWithoutADisplayOrXTest();
    void typesPolishCharactersWhereTheServerTakesAPolishKeymap_data();
    void typesPolishCharactersWhereTheServerTakesAPolishKeymap();

private:
    // Waits for the sentinel and answers the keys that came before it.
    QStringList keysBeforeSentinel();
    // Empty when it worked, else what went wrong.
    QString runSetxkbmap(const QString& layout);

    QString m_display;
    QTemporaryDir m_folder;
    ServerKeyboard m_server;
    ReceiverProcess m_receiver;
    OwnWindow m_ownWindow;
    ProcessingOptions m_options;
    FixedClock m_clock;
    std::unique_ptr<KeyboardInjector> m_keyboard;
    std::unique_ptr<ProcessData> m_processData;
    bool m_keymapChanged = false;
};

void TestKeystrokes::initTestCase()
{
    QVERIFY(m_folder.isValid());
    QVERIFY2(m_server.isUsable(), "the X server has no XKB extension");
    QVERIFY2(m_receiver.start(QStringLiteral(KWELTA_RECEIVER_PATH)), qPrintable(m_receiver.errorString()));

    m_keyboard = createKeyboardInjector();
    QVERIFY2(m_keyboard->isAvailable(), "the X11 backend cannot reach the test's X server");

    m_options.typeIntoFocusedWindow = true;
    m_options.appendToFile = true;
    m_processData = std::make_unique<ProcessData>(*m_keyboard, m_clock, QLocale::c());
    m_processData->setOwnWindowActive([this] { return m_ownWindow.isActiveWindow(); });
    m_ownWindow.setAttribute(Qt::WA_ShowWithoutActivating);
    m_ownWindow.resize(200, 100);
}

void TestKeystrokes::init()
{
    m_options.advancedScript = false;
    m_options.script.clear();
    m_options.outputFile = m_folder.filePath(QStringLiteral("%1.txt").arg(QTest::currentDataTag()));
    m_processData->setOptions(m_options);
    QFile::remove(m_options.outputFile);
    if (!m_receiver.isActive())
        QVERIFY2(m_receiver.activate(), qPrintable(m_receiver.errorString()));
    m_receiver.clearKeys();
}

void TestKeystrokes::cleanup()
{
    m_ownWindow.hide();
    m_server.setCapsLock(false);
    if (m_keymapChanged) {
        m_keymapChanged = false;
        QVERIFY(m_server.lockGroup(0));
        QVERIFY2(runSetxkbmap(QStringLiteral("us")).isEmpty(), "the US keymap could not be restored");
    }
}

QString TestKeystrokes::runSetxkbmap(const QString& layout)
{
    QProcess setxkbmap;
    setxkbmap.start(QStringLiteral("setxkbmap"), {QStringLiteral("-display"), m_display, layout});
    if (!setxkbmap.waitForFinished(10000)) {
        setxkbmap.kill();
        setxkbmap.waitForFinished(1000);
        return setxkbmap.errorString();
    }
    if (setxkbmap.exitStatus() != QProcess::NormalExit || setxkbmap.exitCode() != 0)
        return QStringLiteral("exit code %1: %2")
            .arg(setxkbmap.exitCode())
            .arg(QString::fromLocal8Bit(setxkbmap.readAllStandardError()).trimmed());
    return {};
}

void TestKeystrokes::cleanupTestCase()
{
    m_processData.reset();
    m_keyboard.reset();
    m_receiver.stop();
}

QStringList TestKeystrokes::keysBeforeSentinel()
{
    m_processData->delivery().sendKeyCode(sentinelVirtualKey);
    if (!m_receiver.waitFor([this] { return m_receiver.keys().contains(sentinelToken); }, keyTimeoutMs))
        return m_receiver.keys() +
               QStringList{QStringLiteral("(no %1 within %2 ms)").arg(sentinelToken).arg(keyTimeoutMs)};
    QStringList keys = m_receiver.keys();
    keys.removeLast();
    return keys;
}

void TestKeystrokes::typesIntoTheFocusedWindow_data()
{
    QTest::addColumn<bool>("capsLock");
    QTest::addColumn<QString>("script"); // empty: the default composed script
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QByteArray>("file");

    const QByteArray line = "     12.5 kg\r\n";
    QTest::newRow("weighing line") << false << QString() << line << weighingLineKeys << QByteArray("12.5\tkg\t\r\n");
    // Letters would come out in capitals if Caps Lock stayed on for the burst.
    QTest::newRow("weighing line, Caps Lock on")
        << true << QString() << line << weighingLineKeys << QByteArray("12.5\tkg\t\r\n");
    QTest::newRow("capital unit through Shift")
        << false << QString() << QByteArray("     12.5 KG\r\n")
        << QStringList{"1", "2", ".", "5", "Tab", "Shift+K", "Shift+G", "Tab", "Return"}
        << QByteArray("12.5\tKG\t\r\n");
    // With Caps Lock still on, Shift would turn these back into small letters.
    QTest::newRow("capital unit, Caps Lock on")
        << true << QString() << QByteArray("     12.5 KG\r\n")
        << QStringList{"1", "2", ".", "5", "Tab", "Shift+K", "Shift+G", "Tab", "Return"}
        << QByteArray("12.5\tKG\t\r\n");
    QTest::newRow("script text in both cases")
        << false << QStringLiteral("Ab:m") << line << QStringList{"Shift+A", "b", "1", "2", ".", "5"}
        << QByteArray("Ab12.5");
    QTest::newRow("character the layout lacks is skipped")
        << false << QStringLiteral("xąy") << line << QStringList{"x", "y"} << QByteArray("xąy");
    QTest::newRow("key token Enter") << false << QStringLiteral(":m:$0D") << line
                                     << QStringList{"1", "2", ".", "5", "Return"} << QByteArray("12.5");
    QTest::newRow("key token F1") << false << QStringLiteral("a:$70b") << line << QStringList{"a", "F1", "b"}
                                  << QByteArray("ab");
}

void TestKeystrokes::typesIntoTheFocusedWindow()
{
    QFETCH(bool, capsLock);
    QFETCH(QString, script);
    QFETCH(QByteArray, line);
    QFETCH(QStringList, keys);
    QFETCH(QByteArray, file);

    m_options.advancedScript = !script.isEmpty();
    m_options.script = script.toUtf8();
    m_processData->setOptions(m_options);
    if (capsLock)
        QVERIFY(m_server.setCapsLock(true));

    m_processData->takeScaleText(line);

    QCOMPARE(keysBeforeSentinel(), keys);
    // The sentinel went out after the burst's closing Caps Lock tap, so the server has seen that tap.
    QCOMPARE(m_server.capsLockOn(), capsLock);
    QFile output(m_options.outputFile);
    QVERIFY(output.open(QIODevice::ReadOnly));
    QCOMPARE(output.readAll(), file);
}

void TestKeystrokes::typesNothingWhileTheOwnWindowIsActive()
{
    m_ownWindow.keys.clear();
    m_ownWindow.show();
    m_ownWindow.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_ownWindow));
    QVERIFY(m_receiver.waitFor([this] { return !m_receiver.isActive(); }, keyTimeoutMs));

    m_processData->takeScaleText("     12.5 kg\r\n");
    m_processData->delivery().sendKeyCode(0x0D);
    m_processData->delivery().typeText("lost");

    QVERIFY2(m_receiver.activate(), qPrintable(m_receiver.errorString()));
    // Qt handles the X server's events in order, so once it has seen the focus go, any key that went
    // out while the own window had it has been handled too.
    QTRY_VERIFY_WITH_TIMEOUT(!m_ownWindow.isActiveWindow(), keyTimeoutMs);
    QCOMPARE(m_ownWindow.keys, QStringList());
    m_processData->delivery().typeText("Q7");
    QCOMPARE(keysBeforeSentinel(), (QStringList{"Shift+Q", "7"}));
}

// The real window's answer to "is our window active": a message box of ours in front counts, although
// the window itself is not the active one, so nothing is typed into the box.
void TestKeystrokes::typesNothingIntoOurOwnMessageBox()
{
    MainWindow form;
    namedControl<QCheckBox>(&form, "typeIntoFocusBox")->setChecked(true);
    namedControl<QCheckBox>(&form, "appendToFileBox")->setChecked(false);
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Błąd"), QStringLiteral("Błąd zapisu do pliku."),
                    QMessageBox::Ok, &form);
    KeyTrap trap;
    qApp->installEventFilter(&trap);
    box.show();
    box.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    QVERIFY(m_receiver.waitFor([this] { return !m_receiver.isActive(); }, keyTimeoutMs));
    QVERIFY(!form.isActiveWindow());
    QVERIFY(form.isMainWindowActive());

    form.processData().takeScaleText("     12.5 kg\r\n");
    form.processData().delivery().typeText("lost");
    form.processData().delivery().sendKeyCode(0x0D);
    QCOMPARE(form.processData().statistics().count(), 1);

    QVERIFY2(m_receiver.activate(), qPrintable(m_receiver.errorString()));
    // As above: the focus leaving the box is handled after any key the box was sent.
    QTRY_VERIFY_WITH_TIMEOUT(!form.isMainWindowActive(), keyTimeoutMs);
    QCOMPARE(trap.keys, QStringList());
    QVERIFY(box.isVisible());
    // Our box still open but no longer in front: the window types again.
    form.processData().delivery().typeText("Q7");
    QCOMPARE(keysBeforeSentinel(), (QStringList{"Shift+Q", "7"}));
    QCOMPARE(trap.keys, QStringList());
}

// The user clicks into another program and the scale prints at once: Qt still holds our window for
// active a moment after the X server has moved the focus, but the result goes where the user is. Any
// window of the program counts as the program's, so a plain one in front stands in for the main window.
void TestKeystrokes::typesAsSoonAsTheFocusHasLeftTheWindow()
{
    MainWindow form;
    namedControl<QCheckBox>(&form, "typeIntoFocusBox")->setChecked(true);
    namedControl<QCheckBox>(&form, "appendToFileBox")->setChecked(false);
    m_ownWindow.show();
    m_ownWindow.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_ownWindow));
    QVERIFY(form.isMainWindowActive());

    QVERIFY2(m_receiver.activate(), qPrintable(m_receiver.errorString()));
    QVERIFY(!form.isMainWindowActive());
    form.processData().takeScaleText("     12.5 kg\r\n");
    // The sentinel goes out through the test's own controls, which ask Qt, so only once Qt has caught up.
    QTRY_VERIFY_WITH_TIMEOUT(!m_ownWindow.isActiveWindow(), keyTimeoutMs);
    QCOMPARE(keysBeforeSentinel(), (QStringList{"1", "2", ".", "5", "Tab", "k", "g", "Tab", "Return"}));
}

void TestKeystrokes::isInertWithoutADisplayOrXTest_data()
{
    QTest::addColumn<bool>("startServer");
    QTest::addColumn<QStringList>("serverArguments");

    QTest::newRow("no display") << false << QStringList();
    QTest::newRow("server without XTEST") << true << QStringList{"-extension", "XTEST"};
}

void TestKeystrokes::isInertWithoutADisplayOrXTest()
{
    QFETCH(bool, startServer);
    QFETCH(QStringList, serverArguments);

    const QByteArray display = qgetenv("DISPLAY");
    XvfbServer otherServer;
    if (startServer)
        QVERIFY2(otherServer.start(serverArguments), qPrintable(otherServer.errorString()));
    else
        qputenv("DISPLAY", "");
    X11KeyboardInjector injector;
    qputenv("DISPLAY", display);

    QVERIFY(!injector.isAvailable());
    injector.beginBurst();
    QCOMPARE(injector.chordForCharacter(U'a'), std::nullopt);
    QCOMPARE(injector.keyForVirtualKey(0x0D), std::nullopt);
    QCOMPARE(injector.modifierKey(KeyboardInjector::ModifierKey::Shift), std::nullopt);
    QVERIFY(!injector.isCapsLockOn());
    injector.sendKey(38, true);
    injector.sendKey(38, false);
    injector.endBurst();
}

void TestKeystrokes::typesPolishCharactersWhereTheServerTakesAPolishKeymap_data()
{
    QTest::addColumn<QString>("layouts");
    QTest::addColumn<int>("group");

    QTest::newRow("pl") << "pl" << 0;
    // The group is switched on the server alone: the backend has to read it at the burst.
    QTest::newRow("us,pl in the second group") << "us,pl" << 1;
}

void TestKeystrokes::typesPolishCharactersWhereTheServerTakesAPolishKeymap()
{
    QFETCH(QString, layouts);
    QFETCH(int, group);

    m_keymapChanged = true;
    if (const QString failure = runSetxkbmap(layouts); !failure.isEmpty())
        SKIP_UNLESS_REQUIRED(
            qPrintable(QStringLiteral("setxkbmap could not set a Polish keymap on this server: ") + failure));

    constexpr xcb_keysym_t aogonek = 0x1b1;
    if (!m_server.carriesKeysym(aogonek))
        SKIP_UNLESS_REQUIRED("This X server kept its keymap after setxkbmap: no key carries 'ą'");
    QVERIFY(m_server.lockGroup(group));

    // The backend has to notice the new keymap by itself, from the server's notification.
    m_keyboard->beginBurst();
    const std::optional<KeyChord> chord = m_keyboard->chordForCharacter(U'ą');
    m_keyboard->endBurst();
    QVERIFY(chord);
    QVERIFY(chord->altGr);

    m_options.advancedScript = true;
    m_options.script = QStringLiteral("ząb").toUtf8();
    m_processData->setOptions(m_options);
    m_processData->takeScaleText("     12.5 kg\r\n");
    QCOMPARE(keysBeforeSentinel(), (QStringList{"z", "AltGr+ą", "b"}));
}

int main(int argc, char** argv)
{
    // The receiver and Qt look for runtime and settings folders; none of the developer's may be used.
    TemporaryProfile profile;
    XvfbServer server;
    if (!server.startForApplication("tst_keystrokes"))
        return EXIT_FAILURE;
    QApplication application(argc, argv);
    TestKeystrokes test(server.display());
    return QTest::qExec(&test, argc, argv);
}

#include "tst_keystrokes.moc"
