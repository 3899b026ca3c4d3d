// The scale-command buttons' hot keys through the real X11 backend: keys pressed with XTest while
// another program's window has the focus, under an X server of the test's own, with another X client
// holding keys of its own.

#include "platform/hotkeyregistrar.h"
#include "platform/x11/x11hotkeyregistrar.h"
#include "support/receiver/receiverprocess.h"
#include "support/requiredskip.h"
#include "support/temporaryprofile.h"
#include "support/xkeyclient.h"
#include "support/xvfbserver.h"
#include "ui/hotkeyedit.h"
#include "ui/mainwindow.h"
#include "ui/namedcontrol.h"
#include "ui/programoptionspanel.h"
#include "ui/scalehotkeys.h"

#include <QAbstractButton>
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QCheckBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <tuple>

namespace {

constexpr int timeoutMs = 5000;
// Long enough for several retries of a held key at the registrar's own interval.
constexpr int retryTimeoutMs = 20000;
const QString takenText = QStringLiteral("Ten klawisz jest zajęty przez inny program.");

// What makes the program try a key another client held again.
enum class Retry { TickedAgain, CoreMappingChange, NewXkbKeymap, Interval };

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
    void keyLetGoIsTaken_data();
    void keyLetGoIsTaken();
    void refusalIsLoggedOnce();
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
    // Brings on a keymap change the way the row asks, one that moves none of the keys the tests use,
    // and waits until the registrar has answered it for the tare key: what it answered, by id, empty
    // when no change reached the program at all.
    QHash<quint32, HotKeyRegistrar::Result> changeKeymap(Retry how);
    quint32 tareId() { return m_hotKeys->registrar().idForName(QStringLiteral("KweltaHotKeyTare")); }

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
    m_tare = std::make_unique<QSignalSpy>(button("tareButton"), &QPushButton::clicked);
    m_zero = std::make_unique<QSignalSpy>(button("zeroButton"), &QPushButton::clicked);
    m_zeroClicks = 0;
    check("zeroHotKeyBox")->setChecked(true);
    QVERIFY(!keyEdit("zeroHotKeyEdit")->isKeyTaken());
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
    check("tareHotKeyBox")->setChecked(true);
    QVERIFY(!keyEdit("tareHotKeyEdit")->isEnabled());
    QVERIFY(!keyEdit("tareHotKeyEdit")->isKeyTaken());

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

    check("tareHotKeyBox")->setChecked(true);
    m_client.tapKeysym(XKB_KEY_F8);
    QVERIFY(zeroClickedAfterEverythingElse());
    QCOMPARE(m_tare->count(), 1);
}

void TestHotKeys::modifiersMustMatch()
{
    keyEdit("tareHotKeyEdit")->setShortCutText(QStringLiteral("Shift+Ctrl+F8"));
    check("tareHotKeyBox")->setChecked(true);
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
    check("tareHotKeyBox")->setChecked(true);
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
    check("tareHotKeyBox")->setChecked(true);
    const quint8 key = f8();
    PressCounter counter(key);
    m_client.press(key);
    const bool repeated = QTest::qWaitFor([&] { return counter.presses >= 3; }, timeoutMs);
    m_client.release(key);
    if (!repeated)
        SKIP_UNLESS_REQUIRED("This X server does not repeat a held key");
    QVERIFY(zeroClickedAfterEverythingElse());
    QCOMPARE(m_tare->count(), 1);
}

void TestHotKeys::keyAnotherClientHoldsNeverFiresAndShowsTaken()
{
    const quint8 key = f8();
    QVERIFY(m_client.grabKey(key, 0));
    m_clientGrabs.append({key, 0});

    check("tareHotKeyBox")->setChecked(true);
    HotKeyEdit* edit = keyEdit("tareHotKeyEdit");
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

    check("tareHotKeyBox")->setChecked(false);
    QVERIFY(!edit->isKeyTaken());
    QCOMPARE(edit->toolTip(), QString());
}

void TestHotKeys::switchingOffReleasesTheKey()
{
    const quint8 key = f8();
    check("tareHotKeyBox")->setChecked(true);
    QVERIFY(!m_client.grabKey(key, 0));
    QVERIFY(!m_client.grabKey(key, XCB_MOD_MASK_LOCK));

    check("tareHotKeyBox")->setChecked(false);
    QVERIFY(keyEdit("tareHotKeyEdit")->isEnabled());
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
    check("tareHotKeyBox")->setChecked(true);
    check("tareHotKeyBox")->setChecked(false);
    keyEdit("tareHotKeyEdit")->setShortCutText(QStringLiteral("Ctrl+F11"));
    check("tareHotKeyBox")->setChecked(true);

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
    check("tareHotKeyBox")->setChecked(true);
    QSignalSpy reregistered(&m_hotKeys->registrar(), &HotKeyRegistrar::reregistered);
    const quint8 oldKey = f8();
    const quint8 newKey = m_client.keycodeOf(XKB_KEY_F3);
    QVERIFY(oldKey != 0 && newKey != 0);

    QVERIFY(m_client.swapKeys(oldKey, newKey));
    m_swappedKeys = {oldKey, newKey};
    if (m_client.keycodeOf(XKB_KEY_F8) != newKey)
        SKIP_UNLESS_REQUIRED("This X server kept its keymap after the change");
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

QHash<quint32, HotKeyRegistrar::Result> TestHotKeys::changeKeymap(Retry how)
{
    QSignalSpy reregistered(&m_hotKeys->registrar(), &HotKeyRegistrar::reregistered);
    QHash<quint32, HotKeyRegistrar::Result> answers;
    const auto answered = [&] {
        for (const QList<QVariant>& arguments : std::as_const(reregistered))
            answers.insert(arguments.at(0).toUInt(), arguments.at(1).value<HotKeyRegistrar::Result>());
        return answers.contains(tareId());
    };
    if (how == Retry::CoreMappingChange) {
        // As xmodmap does it; swapping the same two keys again puts them back.
        const quint8 first = m_client.keycodeOf(XKB_KEY_F5);
        const quint8 second = m_client.keycodeOf(XKB_KEY_F6);
        if (first == 0 || second == 0 || !m_client.swapKeys(first, second))
            return answers;
        m_swappedKeys = m_swappedKeys.first == 0 ? std::pair{first, second} : std::pair<quint8, quint8>{0, 0};
    } else {
        // The layout the server has, loaded anew: XKB announces a new keyboard and nothing moves.
        QProcess query;
        query.start(QStringLiteral("setxkbmap"), {QStringLiteral("-query")});
        if (!query.waitForFinished(timeoutMs) || query.exitCode() != 0)
            return answers;
        const QRegularExpressionMatch layout =
            QRegularExpression(QStringLiteral("^layout:\\s*(\\S+)$"), QRegularExpression::MultilineOption)
                .match(QString::fromLocal8Bit(query.readAllStandardOutput()));
        if (!layout.hasMatch() ||
            QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), layout.captured(1)}) != 0)
            return answers;
    }
    // What came in the time is the answer; the caller tells a change nobody saw from a key not tried.
    std::ignore = QTest::qWaitFor(answered, timeoutMs);
    return answers;
}

void TestHotKeys::keyLetGoIsTaken_data()
{
    QTest::addColumn<Retry>("retry");

    QTest::newRow("box ticked again") << Retry::TickedAgain;
    QTest::newRow("keymap changed through the core protocol") << Retry::CoreMappingChange;
    QTest::newRow("new XKB keymap (setxkbmap)") << Retry::NewXkbKeymap;
    QTest::newRow("tried again at an interval") << Retry::Interval;
}

// Another program holds the tare key, then lets it go: the program takes it when the row's trigger
// comes, and the mark on its key control goes.
void TestHotKeys::keyLetGoIsTaken()
{
    QFETCH(Retry, retry);

    if (retry == Retry::NewXkbKeymap && QStandardPaths::findExecutable(QStringLiteral("setxkbmap")).isEmpty())
        SKIP_UNLESS_REQUIRED("setxkbmap is not installed: retrying on a new XKB keymap is NOT tested");
    auto* registrar = dynamic_cast<X11HotKeyRegistrar*>(&m_hotKeys->registrar());
    QVERIFY2(registrar, "the X server gave the program no X11 hot-key backend");
    // Only the row's trigger may take the key; the interval keeps its own value.
    if (retry != Retry::Interval)
        registrar->setRetryInterval(std::chrono::milliseconds(0));

    const quint8 key = f8();
    QVERIFY(m_client.grabKey(key, 0));
    m_clientGrabs.append({key, 0});
    // One line for the refusal, however often the key is tried again.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("F8 is held by another X client")));
    QTest::failOnWarning(QRegularExpression(QStringLiteral("held by another X client")));

    QCheckBox* box = check("tareHotKeyBox");
    HotKeyEdit* edit = keyEdit("tareHotKeyEdit");
    box->setChecked(true);
    QVERIFY(edit->isKeyTaken());

    // Tried again first while the other client still holds the key, then after it let go.
    for (const bool held : {true, false}) {
        if (!held) {
            m_client.ungrabKey(key, 0);
            m_clientGrabs.clear();
        }
        switch (retry) {
        case Retry::TickedAgain:
            box->setChecked(false);
            box->setChecked(true);
            break;
        case Retry::CoreMappingChange:
        case Retry::NewXkbKeymap: {
            const QHash<quint32, HotKeyRegistrar::Result> answers = changeKeymap(retry);
            if (answers.isEmpty())
                SKIP_UNLESS_REQUIRED(
                    "No keymap change reached the program (this X server ignored it): retrying a held key on "
                    "such a change is NOT tested");
            QVERIFY2(answers.contains(tareId()), "the keymap change was answered for other hot keys only");
            QCOMPARE(answers.value(tareId()),
                     held ? HotKeyRegistrar::Result::Taken : HotKeyRegistrar::Result::Registered);
            break;
        }
        case Retry::Interval:
            if (!held)
                QTRY_VERIFY_WITH_TIMEOUT(!edit->isKeyTaken(), retryTimeoutMs);
            break;
        }
        QCOMPARE(edit->isKeyTaken(), held);
        QCOMPARE(edit->toolTip(), held ? takenText : QString());
        m_client.tap(key);
        if (held) {
            QVERIFY(zeroClickedAfterEverythingElse());
            QCOMPARE(m_tare->count(), 0);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(m_tare->count(), 1, timeoutMs);
            QCOMPARE(windowKeysBeforeSentinel(), QStringList());
        }
    }
    QCOMPARE(edit->palette().color(QPalette::Active, QPalette::Text),
             QPalette().color(QPalette::Active, QPalette::Text));
    // The program holds it with the lock variants too.
    QVERIFY(!m_client.grabKey(key, 0));
    QVERIFY(!m_client.grabKey(key, m_client.numLockMask()));
}

// The window withdraws its hot keys and takes them again when its language changes, as it does once at
// every start; a key another client holds is still one refusal in the log.
void TestHotKeys::refusalIsLoggedOnce()
{
    check("zeroHotKeyBox")->setChecked(false);
    const quint8 key = m_client.keycodeOf(XKB_KEY_F10);
    QVERIFY(m_client.grabKey(key, 0));
    m_clientGrabs.append({key, 0});
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("F10 is held by another X client")));
    QTest::failOnWarning(QRegularExpression(QStringLiteral("held by another X client")));

    MainWindow form;
    namedControl<QCheckBox>(&form, "printHotKeyBox")->setChecked(true);
    auto* edit = namedControl<HotKeyEdit>(&form, "printHotKeyEdit");
    QVERIFY(edit->isKeyTaken());
    namedControl<QAbstractButton>(&form, "englishButton")->click();
    QVERIFY(namedControl<QCheckBox>(&form, "printHotKeyBox")->isChecked());
    QVERIFY(edit->isKeyTaken());
    QCOMPARE(edit->toolTip(), QStringLiteral("This key is taken by another program."));
}

// The same through the program's window, which makes its own registrar and finds its own buttons.
void TestHotKeys::theWindowWiresItsButtons()
{
    check("zeroHotKeyBox")->setChecked(false);
    MainWindow form;
    QSignalSpy print(namedControl<QPushButton>(&form, "printButton"), &QPushButton::clicked);
    namedControl<QCheckBox>(&form, "printHotKeyBox")->setChecked(true);
    m_client.tapKeysym(XKB_KEY_F10);
    QTRY_COMPARE_WITH_TIMEOUT(print.count(), 1, timeoutMs);

    // A language switch withdraws the hot keys and takes them again, ticks and keys unchanged.
    namedControl<QAbstractButton>(&form, "englishButton")->click();
    QCOMPARE(namedControl<QAbstractButton>(&form, "printButton")->text(), QStringLiteral("Print"));
    QVERIFY(namedControl<QCheckBox>(&form, "printHotKeyBox")->isChecked());
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
