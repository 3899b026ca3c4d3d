// The scale-command buttons' hot keys through the real X11 backend: keys pressed with XTest while
// another program's window has the focus, under an X server of the test's own, with another X client
// holding keys of its own.

#include "platform/hotkeyregistrar.h"
#include "support/receiver/receiverprocess.h"
#include "support/temporaryprofile.h"
#include "support/xkeyclient.h"
#include "support/xvfbserver.h"
#include "ui/hotkeyedit.h"
#include "ui/mainform.h"
#include "ui/namedcontrol.h"
#include "ui/programoptionspanel.h"
#include "ui/scalehotkeys.h"

#include <QAbstractButton>
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr int timeoutMs = 5000;
const QString takenText = QStringLiteral("Ten klawisz jest zajęty przez inny program.");

// Counts the presses of one key that reach this program's X connection, repeats included. Installed
// after the registrar, it sees each event before the registrar does.
class PressCounter : public QAbstractNativeEventFilter
{
public:
    explicit PressCounter(quint8 keycode)
        : m_keycode(keycode)
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~PressCounter() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

    int presses = 0;

    bool nativeEventFilter(const QByteArray&, void* message, qintptr*) override
    {
        const auto* event = static_cast<const xcb_key_press_event_t*>(message);
        if ((event->response_type & 0x7f) == XCB_KEY_PRESS && event->detail == m_keycode)
            ++presses;
        return false;
    }

private:
    quint8 m_keycode;
};

} // namespace

class TestHotKeys : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void pressClicksTheButtonWhileAnotherWindowHasTheFocus();
    void worksWhateverTheLockLightsShow_data();
    void worksWhateverTheLockLightsShow();
    void modifiersMustMatch();
    void heldKeyClicksOnce();
    void autoRepeatClicksOnce();
    void keyAnotherClientHoldsNeverFiresAndShowsTaken();
    void switchingOffReleasesTheKey();
    void switchingOnAgainTakesTheKeyThenShown();
    void followsAKeymapChange();
    void theWindowWiresItsButtons();

private:
    QCheckBox* check(const char* name) { return namedControl<QCheckBox>(m_panel.get(), name); }
    HotKeyEdit* keyEdit(const char* name) { return namedControl<HotKeyEdit>(m_panel.get(), name); }
    QPushButton* button(const char* name) { return namedControl<QPushButton>(m_panel.get(), name); }
    // Presses Zero's hot key and waits for its click: the X server and Qt keep the order of events, so
    // every key sent before it has been handled by then.
    bool zeroClickedAfterEverythingElse();
    // Taps F12, which nothing grabs, and answers the keys the focused window got before it.
    QStringList windowKeysBeforeSentinel();
    quint8 f8() const { return m_client.keycodeOf(XKB_KEY_F8); }

    ReceiverProcess m_receiver;
    XKeyClient m_client;
    std::unique_ptr<ProgramOptionsPanel> m_panel;
    std::unique_ptr<ScaleHotKeys> m_hotKeys;
    std::unique_ptr<QSignalSpy> m_tare;
    std::unique_ptr<QSignalSpy> m_zero;
    int m_zeroClicks = 0;
    QList<std::pair<quint8, quint16>> m_clientGrabs;
    std::pair<quint8, quint8> m_swappedKeys{0, 0};
    quint16 m_locksToUndo = 0;
};

void TestHotKeys::initTestCase()
{
    QVERIFY2(m_client.isUsable(), "the X server cannot be reached or has no XKB extension");
    QVERIFY2(m_receiver.start(QStringLiteral(KWELTA_RECEIVER_PATH)), qPrintable(m_receiver.errorString()));
}

void TestHotKeys::init()
{
    if (!m_receiver.isActive())
        QVERIFY2(m_receiver.activate(), qPrintable(m_receiver.errorString()));
    // Keys the last case sent (its lock keys put back) are all in before the new case looks.
    windowKeysBeforeSentinel();
    m_receiver.clearKeys();
    m_panel = std::make_unique<ProgramOptionsPanel>();
    m_hotKeys = std::make_unique<ScaleHotKeys>(*m_panel, createHotKeyRegistrar());
    m_tare = std::make_unique<QSignalSpy>(button("sbTare"), &QPushButton::clicked);
    m_zero = std::make_unique<QSignalSpy>(button("sbZero"), &QPushButton::clicked);
    m_zeroClicks = 0;
    check("chbZeroHotKey")->setChecked(true);
    QVERIFY(!keyEdit("HotKeyZero")->isKeyTaken());
}

void TestHotKeys::cleanup()
{
    m_tare.reset();
    m_zero.reset();
    m_hotKeys.reset();
    m_panel.reset();
    for (const auto& [keycode, modifiers] : std::as_const(m_clientGrabs))
        m_client.ungrabKey(keycode, modifiers);
    m_clientGrabs.clear();
    if (m_swappedKeys.first != 0) {
        QVERIFY(m_client.swapKeys(m_swappedKeys.first, m_swappedKeys.second));
        m_swappedKeys = {0, 0};
    }
    if (m_locksToUndo & m_client.numLockMask())
        m_client.tapKeysym(XKB_KEY_Num_Lock);
    if (m_locksToUndo & XCB_MOD_MASK_LOCK)
        m_client.tapKeysym(XKB_KEY_Caps_Lock);
    m_locksToUndo = 0;
    QCOMPARE(m_client.lockedModifiers(), quint16(0));
}

void TestHotKeys::cleanupTestCase()
{
    m_receiver.stop();
}

bool TestHotKeys::zeroClickedAfterEverythingElse()
{
    ++m_zeroClicks;
    m_client.tapKeysym(XKB_KEY_F9);
    return QTest::qWaitFor([this] { return m_zero->count() >= m_zeroClicks; }, timeoutMs) &&
           m_zero->count() == m_zeroClicks;
}

QStringList TestHotKeys::windowKeysBeforeSentinel()
{
    const qsizetype before = m_receiver.keys().size();
    m_client.tapKeysym(XKB_KEY_F12);
    if (!m_receiver.waitFor([&] { return m_receiver.keys().mid(before).contains(QStringLiteral("F12")); }, timeoutMs))
        return m_receiver.keys() + QStringList{QStringLiteral("(no F12)")};
    QStringList keys = m_receiver.keys();
    m_receiver.clearKeys();
    keys.removeLast();
    return keys;
}

void TestHotKeys::pressClicksTheButtonWhileAnotherWindowHasTheFocus()
{
    check("chbTareHotKey")->setChecked(true);
    QVERIFY(!keyEdit("HotKeyTare")->isEnabled());
    QVERIFY(!keyEdit("HotKeyTare")->isKeyTaken());

    m_client.tapKeysym(XKB_KEY_F8);
    QTRY_COMPARE_WITH_TIMEOUT(m_tare->count(), 1, timeoutMs);
    QVERIFY(m_receiver.isActive());

    // The hot key is the program's: the window with the focus never sees it.
    QCOMPARE(windowKeysBeforeSentinel(), QStringList());
    QVERIFY(zeroClickedAfterEverythingElse());
    QCOMPARE(m_tare->count(), 1);
}

void TestHotKeys::worksWhateverTheLockLightsShow_data()
{
    QTest::addColumn<bool>("numLock");
    QTest::addColumn<bool>("capsLock");

    QTest::newRow("Num Lock") << true << false;
    QTest::newRow("Caps Lock") << false << true;
    QTest::newRow("Num Lock and Caps Lock") << true << true;
}

void TestHotKeys::worksWhateverTheLockLightsShow()
{
    QFETCH(bool, numLock);
    QFETCH(bool, capsLock);

    const quint16 numLockMask = m_client.numLockMask();
    QVERIFY2(numLockMask != 0, "the server's keymap binds Num Lock to no modifier");
    quint16 expected = 0;
    if (numLock) {
        m_client.tapKeysym(XKB_KEY_Num_Lock);
        expected |= numLockMask;
    }
    if (capsLock) {
        m_client.tapKeysym(XKB_KEY_Caps_Lock);
        expected |= XCB_MOD_MASK_LOCK;
    }
    m_locksToUndo = expected;
    QCOMPARE(m_client.lockedModifiers(), expected);

    check("chbTareHotKey")->setChecked(true);
    m_client.tapKeysym(XKB_KEY_F8);
    QVERIFY(zeroClickedAfterEverythingElse());
    QCOMPARE(m_tare->count(), 1);
}

void TestHotKeys::modifiersMustMatch()
{
    keyEdit("HotKeyTare")->setShortCutText(QStringLiteral("Shift+Ctrl+F8"));
    check("chbTareHotKey")->setChecked(true);
    const quint8 shift = m_client.keycodeOf(XKB_KEY_Shift_L);
    const quint8 control = m_client.keycodeOf(XKB_KEY_Control_L);

    m_client.tapKeysym(XKB_KEY_F8);
    m_client.press(control);
    m_client.tapKeysym(XKB_KEY_F8);
    m_client.release(control);
    QVERIFY(zeroClickedAfterEverythingElse());
    QCOMPARE(m_tare->count(), 0);

    m_client.press(shift);
    m_client.press(control);
    m_client.tapKeysym(XKB_KEY_F8);
    m_client.release(control);
    m_client.release(shift);
    QTRY_COMPARE_WITH_TIMEOUT(m_tare->count(), 1, timeoutMs);
    // The combinations that are no hot key reached the focused window as they always would (the
    // receiver names no Ctrl).
    QCOMPARE(windowKeysBeforeSentinel(), (QStringList{QStringLiteral("F8"), QStringLiteral("F8")}));
}

void TestHotKeys::heldKeyClicksOnce()
{
    check("chbTareHotKey")->setChecked(true);
    const quint8 key = f8();
    // Presses without a release between them, as `xdotool keydown` sent again and again gives.
    for (int i = 0; i < 5; ++i)
        m_client.press(key);
    m_client.release(key);
    QVERIFY(zeroClickedAfterEverythingElse());
    QCOMPARE(m_tare->count(), 1);

    // Released, the next press counts again.
    m_client.tap(key);
    QVERIFY(zeroClickedAfterEverythingElse());
    QCOMPARE(m_tare->count(), 2);
}

// The server's own auto-repeat: the key held until it has repeated, as a user's finger would.
void TestHotKeys::autoRepeatClicksOnce()
{
    check("chbTareHotKey")->setChecked(true);
    const quint8 key = f8();
    PressCounter counter(key);
    m_client.press(key);
    const bool repeated = QTest::qWaitFor([&] { return counter.presses >= 3; }, timeoutMs);
    m_client.release(key);
    if (!repeated)
        QSKIP("This X server does not repeat a held key");
    QVERIFY(zeroClickedAfterEverythingElse());
    QCOMPARE(m_tare->count(), 1);
}

void TestHotKeys::keyAnotherClientHoldsNeverFiresAndShowsTaken()
{
    const quint8 key = f8();
    QVERIFY(m_client.grabKey(key, 0));
    m_clientGrabs.append({key, 0});

    check("chbTareHotKey")->setChecked(true);
    HotKeyEdit* edit = keyEdit("HotKeyTare");
    QVERIFY(edit->isKeyTaken());
    QCOMPARE(edit->toolTip(), takenText);
    QCOMPARE(edit->palette().color(QPalette::Text), QColor(Qt::red));

    m_client.tap(key);
    QCOMPARE(m_client.grabbedPresses(), QList<quint8>{key});
    // The grabs it did get with the lock modifiers were let go: with Num Lock on it stays inert too.
    m_client.tapKeysym(XKB_KEY_Num_Lock);
    m_locksToUndo = m_client.numLockMask();
    m_client.tap(key);
    QVERIFY(zeroClickedAfterEverythingElse());
    QCOMPARE(m_tare->count(), 0);
    // The other client holds the key without lock modifiers only, so with Num Lock on it went where
    // any key goes: to the focused window, not to the program.
    QCOMPARE(windowKeysBeforeSentinel(), (QStringList{QStringLiteral("NumLock"), QStringLiteral("F8")}));

    check("chbTareHotKey")->setChecked(false);
    QVERIFY(!edit->isKeyTaken());
    QCOMPARE(edit->toolTip(), QString());
}

void TestHotKeys::switchingOffReleasesTheKey()
{
    const quint8 key = f8();
    check("chbTareHotKey")->setChecked(true);
    QVERIFY(!m_client.grabKey(key, 0));
    QVERIFY(!m_client.grabKey(key, XCB_MOD_MASK_LOCK));

    check("chbTareHotKey")->setChecked(false);
    QVERIFY(keyEdit("HotKeyTare")->isEnabled());
    for (const quint16 modifiers : {quint16(0), quint16(XCB_MOD_MASK_LOCK), m_client.numLockMask()}) {
        QVERIFY(m_client.grabKey(key, modifiers));
        m_clientGrabs.append({key, modifiers});
    }
    // Zero's hot key was left alone.
    QVERIFY(zeroClickedAfterEverythingElse());
    QCOMPARE(m_tare->count(), 0);
}

void TestHotKeys::switchingOnAgainTakesTheKeyThenShown()
{
    check("chbTareHotKey")->setChecked(true);
    check("chbTareHotKey")->setChecked(false);
    keyEdit("HotKeyTare")->setShortCutText(QStringLiteral("Ctrl+F11"));
    check("chbTareHotKey")->setChecked(true);

    m_client.tapKeysym(XKB_KEY_F8);
    QVERIFY(zeroClickedAfterEverythingElse());
    QCOMPARE(m_tare->count(), 0);
    QVERIFY(m_client.grabKey(f8(), 0));
    m_clientGrabs.append({f8(), 0});

    const quint8 control = m_client.keycodeOf(XKB_KEY_Control_L);
    m_client.press(control);
    m_client.tapKeysym(XKB_KEY_F11);
    m_client.release(control);
    QTRY_COMPARE_WITH_TIMEOUT(m_tare->count(), 1, timeoutMs);
}

void TestHotKeys::followsAKeymapChange()
{
    check("chbTareHotKey")->setChecked(true);
    QSignalSpy reregistered(&m_hotKeys->registrar(), &HotKeyRegistrar::reregistered);
    const quint8 oldKey = f8();
    const quint8 newKey = m_client.keycodeOf(XKB_KEY_F3);
    QVERIFY(oldKey != 0 && newKey != 0);

    QVERIFY(m_client.swapKeys(oldKey, newKey));
    m_swappedKeys = {oldKey, newKey};
    if (m_client.keycodeOf(XKB_KEY_F8) != newKey)
        QSKIP("This X server kept its keymap after the change");
    const quint32 tareId = m_hotKeys->registrar().idForName(QStringLiteral("KweltaHotKeyTare"));
    QTRY_VERIFY_WITH_TIMEOUT(std::any_of(reregistered.cbegin(), reregistered.cend(),
                                         [&](const QList<QVariant>& arguments) {
                                             return arguments.at(0).toUInt() == tareId &&
                                                    arguments.at(1).value<HotKeyRegistrar::Result>() ==
                                                        HotKeyRegistrar::Result::Registered;
                                         }),
                             timeoutMs);

    m_client.tap(oldKey);
    QVERIFY(zeroClickedAfterEverythingElse());
    QCOMPARE(m_tare->count(), 0);
    m_client.tap(newKey);
    QTRY_COMPARE_WITH_TIMEOUT(m_tare->count(), 1, timeoutMs);
    // The old key code was let go: another client may have it now.
    QVERIFY(m_client.grabKey(oldKey, 0));
    m_clientGrabs.append({oldKey, 0});
}

// The same through the program's window, which makes its own registrar and finds its own buttons.
void TestHotKeys::theWindowWiresItsButtons()
{
    check("chbZeroHotKey")->setChecked(false);
    TMainForm form;
    QSignalSpy print(namedControl<QPushButton>(&form, "sbPrint"), &QPushButton::clicked);
    namedControl<QCheckBox>(&form, "chbPrintHotKey")->setChecked(true);
    m_client.tapKeysym(XKB_KEY_F10);
    QTRY_COMPARE_WITH_TIMEOUT(print.count(), 1, timeoutMs);

    // A language switch withdraws the hot keys and takes them again, ticks and keys unchanged.
    namedControl<QAbstractButton>(&form, "sbEnglish")->click();
    QCOMPARE(namedControl<QAbstractButton>(&form, "sbPrint")->text(), QStringLiteral("Print"));
    QVERIFY(namedControl<QCheckBox>(&form, "chbPrintHotKey")->isChecked());
    m_client.tapKeysym(XKB_KEY_F10);
    QTRY_COMPARE_WITH_TIMEOUT(print.count(), 2, timeoutMs);
}

int main(int argc, char** argv)
{
    // The receiver and Qt look for runtime and settings folders; none of the developer's may be used.
    TemporaryProfile profile;
    XvfbServer server;
    if (!server.startForApplication("tst_hotkeys"))
        return EXIT_FAILURE;
    QApplication application(argc, argv);
    TestHotKeys test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hotkeys.moc"
