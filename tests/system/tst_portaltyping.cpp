// Typing through the desktop's RemoteDesktop portal, as on GNOME and KDE Plasma Wayland sessions.
//
// The desktop's own portal (xdg-desktop-portal with its GNOME or KDE backend) needs a running
// compositor and a user to answer its consent dialog, neither of which this machine offers; so the
// portal here is a stand-in (tests/support/portal/standinportal.cpp) that speaks the real protocol on
// a session bus of the test's own: the real service name and object paths, Request objects answering
// through Response after the call, Session objects with Close and Closed. It records the keysyms it is
// sent. The program's side is real: the chooser, the backend over QtDBus, the typing rules, the window
// with its settings and status line, on an X server of the test's own.

#include "core/global.h"
#include "core/programinfo.h"
#include "platform/keyboardgrant.h"
#include "platform/keyboardinjector.h"
#include "platform/portal/remotedesktopkeyboard.h"
#include "processing/delivery.h"
#include "processing/processdata.h"
#include "support/configuredsettings.h"
#include "support/filecontents.h"
#include "support/portal/privatesessionbus.h"
#include "support/pseudoterminal.h"
#include "support/receiver/receiverprocess.h"
#include "support/requiredskip.h"
#include "support/scriptedmessages.h"
#include "support/temporaryprofile.h"
#include "support/xvfbserver.h"
#include "ui/mainwindow.h"
#include "ui/namedcontrol.h"
#include "ui/settingskeeper.h"

#include <QApplication>
#include <QDBusConnection>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

namespace {

constexpr int answerTimeoutMs = 10000;
constexpr int startTimeoutMs = 10000;
// F12: typed after a case's text, so that once its release has come every key before it has too.
constexpr quint8 sentinelVirtualKey = 0x7B;
const QString sentinelRelease = QStringLiteral("Keysym 0xffc9 0");
const QString weighingLine = QStringLiteral("3.10 kg\r\n");
const QByteArray weighingFileLine = "3.10\tkg\t\r\n";
const QString refusedText = QStringLiteral("Wpisywanie wyłączone: pulpit nie zezwolił na nie.");
const QString failedText = QStringLiteral("Wpisywanie wyłączone: błąd portalu pulpitu.");
const QString revokedText = QStringLiteral("Wpisywanie wyłączone: pulpit cofnął zezwolenie.");

// Press and release lines for each keysym, as the stand-in reports them.
QStringList pressesOf(const QList<quint32>& keysyms)
{
    QStringList lines;
    for (const quint32 keysym : keysyms) {
        lines << QStringLiteral("Keysym 0x%1 1").arg(keysym, 0, 16);
        lines << QStringLiteral("Keysym 0x%1 0").arg(keysym, 0, 16);
    }
    return lines;
}

QString busProblem;

} // namespace

class TestPortalTyping : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void choosesTheBackendForTheSession_data();
    void choosesTheBackendForTheSession();
    void asksForOneKeyboardOnlySession_data();
    void asksForOneKeyboardOnlySession();
    void typesKeysyms_data();
    void typesKeysyms();
    void releasesWhatABurstLeftDown();
    void keepsTheGrantForTheNextStart();
    void unreadableTokenMeansNone();
    void refusalTurnsTypingOffOnceAndTheFileGoesOn_data();
    void refusalTurnsTypingOffOnceAndTheFileGoesOn();
    void sessionClosedByTheDesktopTurnsTypingOff();

private:
    bool startPortal(const StandInPortal::Options& options);
    // A keyboard from the program's own chooser, and the rules over it.
    void makeKeyboard();
    void typeAndWaitForSentinel(const QByteArray& text);
    QStringList keysymsBeforeSentinel();
    // After the settings file is written, before the window reads it.
    void startWindow(const SettingValues& changes = {}, const std::function<void()>& alterFile = {});
    void closeWindow();
    QString storedToken() const;
    QLabel* typingStatus() const;

    std::unique_ptr<TemporaryProfile> m_profile;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<StandInPortal> m_portal;
    ProcessingOptions m_options;
    std::unique_ptr<KeyboardInjector> m_keyboard;
    std::unique_ptr<Delivery> m_delivery;
    std::unique_ptr<MainWindow> m_form;
    std::unique_ptr<ReceiverProcess> m_receiver;
    QString m_outputFile;
};

void TestPortalTyping::init()
{
    if (!busProblem.isEmpty())
        SKIP_UNLESS_REQUIRED(qPrintable(QStringLiteral("NO PORTAL TESTS: no private session bus: ") + busProblem));
    m_profile = std::make_unique<TemporaryProfile>();
    SettingsKeeper::setProgramFolderForTests(m_profile->path());
    m_messages = std::make_unique<ScriptedMessages>();
    m_outputFile = m_profile->filePath(QStringLiteral("results.txt"));
    m_options = ProcessingOptions();
}

void TestPortalTyping::cleanup()
{
    m_form.reset();
    m_delivery.reset();
    m_keyboard.reset();
    m_receiver.reset();
    m_portal.reset();
    m_messages.reset();
    m_profile.reset();
}

bool TestPortalTyping::startPortal(const StandInPortal::Options& options)
{
    m_portal = std::make_unique<StandInPortal>();
    if (m_portal->start(QStringLiteral(KWELTA_STANDIN_PORTAL_PATH), options))
        return true;
    qWarning("%s", qPrintable(m_portal->errorString()));
    return false;
}

void TestPortalTyping::makeKeyboard()
{
    m_keyboard = createKeyboardInjector();
    m_delivery = std::make_unique<Delivery>(m_options, *m_keyboard);
}

void TestPortalTyping::typeAndWaitForSentinel(const QByteArray& text)
{
    m_delivery->typeText(text);
    m_delivery->sendKeyCode(sentinelVirtualKey);
    QVERIFY2(m_portal->waitForLine(sentinelRelease, answerTimeoutMs), qPrintable(m_portal->lines().join(u'\n')));
}

QStringList TestPortalTyping::keysymsBeforeSentinel()
{
    QStringList keys = m_portal->lines(QStringLiteral("Keysym "));
    keys.erase(std::find(keys.begin(), keys.end(), sentinelRelease) - 1, keys.end());
    return keys;
}

void TestPortalTyping::startWindow(const SettingValues& changes, const std::function<void()>& alterFile)
{
    QCOMPARE(writeConfiguredSettings(*m_profile, m_outputFile, changes), QSettings::NoError);
    if (alterFile)
        alterFile();
    m_form = std::make_unique<MainWindow>();
    m_form->show();
    m_form->activateWindow();
    // The title comes with the loading of the settings; the two start-up timers follow it.
    QTRY_COMPARE_WITH_TIMEOUT(m_form->windowTitle(), ProgramInfo::title(), startTimeoutMs);
    QTRY_VERIFY(!m_form->findChild<QTimer*>(QStringLiteral("startUpTimer"))->isActive() &&
                !m_form->findChild<QTimer*>(QStringLiteral("minimiseTimer"))->isActive());
    QVERIFY2(m_messages->shown.isEmpty(), qPrintable(m_messages->shown.value(0).text));
    // Keys go where the user works, never into our own window.
    if (!m_receiver) {
        m_receiver = std::make_unique<ReceiverProcess>();
        QVERIFY2(m_receiver->start(QStringLiteral(KWELTA_RECEIVER_PATH)), qPrintable(m_receiver->errorString()));
    } else {
        QVERIFY(m_receiver->activate());
    }
}

void TestPortalTyping::closeWindow()
{
    m_form->close();
    m_form.reset();
}

QString TestPortalTyping::storedToken() const
{
    const QSettings file(m_profile->filePath(QStringLiteral("config/Ostrel/Kwelta.conf")), QSettings::IniFormat);
    return file.value(QStringLiteral("RemoteDesktopToken"), QStringLiteral("<missing>")).toString();
}

QLabel* TestPortalTyping::typingStatus() const
{
    return namedControl<QLabel>(m_form.get(), "LabelTypingStatus");
}

// On a Wayland session without the virtual-keyboard protocol the portal comes first when it answers;
// without it, XTest still reaches XWayland's windows.
void TestPortalTyping::choosesTheBackendForTheSession_data()
{
    QTest::addColumn<bool>("portalRuns");
    QTest::addRow("portal answers") << true;
    QTest::addRow("no portal on the bus") << false;
}

void TestPortalTyping::choosesTheBackendForTheSession()
{
    QFETCH(bool, portalRuns);
    if (portalRuns)
        QVERIFY(startPortal({}));
    makeKeyboard();
    QVERIFY(m_keyboard->isAvailable());
    QCOMPARE(m_keyboard->grant() != nullptr, portalRuns);
    if (portalRuns) {
        // Nothing is asked of the desktop before there is something to type.
        QVERIFY(m_portal->lines().isEmpty());
    }
}

// One session for every result, with the keyboard alone; a persistent grant where the interface has
// one, and its token kept.
void TestPortalTyping::asksForOneKeyboardOnlySession_data()
{
    QTest::addColumn<uint>("version");
    QTest::addColumn<QString>("selection");
    QTest::addColumn<QString>("keptToken");
    QTest::addRow("version 1") << 1u << QStringLiteral("SelectDevices types=1 persist_mode=- restore_token=-")
                               << QString();
    QTest::addRow("version 2") << 2u << QStringLiteral("SelectDevices types=1 persist_mode=2 restore_token=-")
                               << QStringLiteral("grant-1");
}

void TestPortalTyping::asksForOneKeyboardOnlySession()
{
    QFETCH(uint, version);
    QFETCH(QString, selection);
    QFETCH(QString, keptToken);
    QVERIFY(startPortal({version, 0, QStringLiteral("grant-1")}));
    makeKeyboard();
    QVERIFY(m_keyboard->grant());
    QSignalSpy typingOn(m_keyboard->grant(), &KeyboardGrant::typingOn);

    m_delivery->typeText("1\r\n");
    QVERIFY(typingOn.wait(answerTimeoutMs));
    typeAndWaitForSentinel("2\r\n");

    QCOMPARE(m_portal->lines(QStringLiteral("CreateSession")).size(), 1);
    QCOMPARE(m_portal->lines(QStringLiteral("SelectDevices")), QStringList{selection});
    QCOMPARE(m_portal->lines(QStringLiteral("Start")).size(), 1);
    QCOMPARE(keysymsBeforeSentinel(), pressesOf({0x31, 0xff0d, 0x32, 0xff0d}));
    QCOMPARE(m_keyboard->grant()->restoreToken(), keptToken);
    QCOMPARE(typingOn.size(), 1);
}

// The first text is typed before the desktop has answered: it waits for the grant, then goes out whole.
void TestPortalTyping::typesKeysyms_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<quint32>>("keysyms");
    QTest::addRow("weighing line") << QByteArray("12.5\tkg\r\n")
                                   << QList<quint32>{0x31, 0x32, 0x2e, 0x35, 0xff09, 0x6b, 0x67, 0xff0d};
    // Latin-2 keysyms for the Polish letters; the micro sign is Latin-1's.
    QTest::addRow("Polish letters and micro") << QByteArray("ąŁ µg") << QList<quint32>{0x1b1, 0x1a3, 0x20, 0xb5, 0x67};
    QTest::addRow("capitals without Shift") << QByteArray("Kg") << QList<quint32>{0x4b, 0x67};
    QTest::addRow("no named keysym") << QByteArray("字") << QList<quint32>{0x1005b57};
    QTest::addRow("control characters") << QByteArray("\x01\x7f\x1b\b") << QList<quint32>{0x61, 0xff08, 0xff1b, 0xff08};
}

void TestPortalTyping::typesKeysyms()
{
    QFETCH(QByteArray, text);
    QFETCH(QList<quint32>, keysyms);
    QVERIFY(startPortal({}));
    makeKeyboard();
    typeAndWaitForSentinel(text);
    QCOMPARE(keysymsBeforeSentinel(), pressesOf(keysyms));
}

void TestPortalTyping::releasesWhatABurstLeftDown()
{
    QVERIFY(startPortal({}));
    makeKeyboard();
    m_keyboard->beginBurst();
    m_keyboard->sendKey(0xffe1, true);
    m_keyboard->sendKey(0x61, true);
    m_keyboard->endBurst();
    m_delivery->sendKeyCode(sentinelVirtualKey);
    QVERIFY(m_portal->waitForLine(sentinelRelease, answerTimeoutMs));
    QStringList keys = keysymsBeforeSentinel();
    QCOMPARE(keys.mid(0, 2), (QStringList{"Keysym 0xffe1 1", "Keysym 0x61 1"}));
    std::sort(keys.begin() + 2, keys.end());
    QCOMPARE(keys.mid(2), (QStringList{"Keysym 0x61 0", "Keysym 0xffe1 0"}));
}

// The desktop's dialog is seen once: the token of the grant is kept in the settings at the close and
// offered at the next start, and the new token that start hands out is kept in its place.
void TestPortalTyping::keepsTheGrantForTheNextStart()
{
    QVERIFY(startPortal({2, 0, QStringLiteral("grant-1")}));
    startWindow();
    m_form->processData().takeScaleText(weighingLine.toLatin1());
    QVERIFY(m_portal->waitForLine(QStringLiteral("Keysym 0xff0d 0"), answerTimeoutMs));
    QCOMPARE(m_portal->lines(QStringLiteral("SelectDevices")),
             QStringList{"SelectDevices types=1 persist_mode=2 restore_token=-"});
    closeWindow();
    QCOMPARE(storedToken(), QStringLiteral("grant-1"));

    QVERIFY(startPortal({2, 0, QStringLiteral("grant-2")}));
    startWindow({{"RemoteDesktopToken", "grant-1"}});
    m_form->processData().takeScaleText(weighingLine.toLatin1());
    QVERIFY(m_portal->waitForLine(QStringLiteral("Keysym 0xff0d 0"), answerTimeoutMs));
    QCOMPARE(m_portal->lines(QStringLiteral("SelectDevices")),
             QStringList{"SelectDevices types=1 persist_mode=2 restore_token=grant-1"});
    closeWindow();
    QCOMPARE(storedToken(), QStringLiteral("grant-2"));
}

// A token the file holds in a form no string reads from is no token: nothing is offered, nothing is
// reported, nothing is kept aside, and every other value loads.
void TestPortalTyping::unreadableTokenMeansNone()
{
    QVERIFY(startPortal({2, 0, QStringLiteral("grant-1")}));
    const QString settingsPath = m_profile->filePath(QStringLiteral("config/Ostrel/Kwelta.conf"));
    startWindow({}, [&settingsPath] {
        QSettings file(settingsPath, QSettings::IniFormat);
        file.setValue(QStringLiteral("RemoteDesktopToken"), QStringList{"a", "b"});
    });
    QCOMPARE(m_form->processData().options().outputFile, m_outputFile);
    QVERIFY(!QFile::exists(settingsPath + QStringLiteral(".unreadable")));
    m_form->processData().takeScaleText(weighingLine.toLatin1());
    QVERIFY(m_portal->waitForLine(QStringLiteral("Keysym 0xff0d 0"), answerTimeoutMs));
    QCOMPARE(m_portal->lines(QStringLiteral("SelectDevices")),
             QStringList{"SelectDevices types=1 persist_mode=2 restore_token=-"});
}

// The user says no in the desktop's dialog: every result is still counted and written to the file,
// and typing is said to be off once, in the status line and the log, with a button to ask again. A
// token the refusal was offered with is spent.
void TestPortalTyping::refusalTurnsTypingOffOnceAndTheFileGoesOn_data()
{
    QTest::addColumn<uint>("answer");
    QTest::addColumn<QString>("logged");
    QTest::addColumn<QString>("shown");
    QTest::addRow("cancelled by the user") << 1u << QStringLiteral("^Typing is off: Refused") << refusedText;
    QTest::addRow("other failure") << 2u << QStringLiteral("^Typing is off: Failed") << failedText;
}

void TestPortalTyping::refusalTurnsTypingOffOnceAndTheFileGoesOn()
{
    QFETCH(uint, answer);
    QFETCH(QString, logged);
    QFETCH(QString, shown);
    QVERIFY(startPortal({2, answer, QString()}));
    startWindow({{"RemoteDesktopToken", "stale"}});
    QVERIFY(!typingStatus()->isVisible());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(logged));
    QTest::failOnWarning(QRegularExpression(QStringLiteral("^Typing is off")));

    QVERIFY(!m_form->isMainWindowActive());
    m_form->processData().takeScaleText(weighingLine.toLatin1());
    QTRY_VERIFY2_WITH_TIMEOUT(typingStatus()->isVisible(), qPrintable(m_portal->lines().join(u'\n')), answerTimeoutMs);
    QCOMPARE(typingStatus()->text(), shown);
    m_form->processData().takeScaleText(weighingLine.toLatin1());
    m_form->processData().takeScaleText(weighingLine.toLatin1());

    QCOMPARE(fileContents(m_outputFile), weighingFileLine + weighingFileLine + weighingFileLine);
    QCOMPARE(m_form->processData().statistics().count(), 3);
    QCOMPARE(m_portal->lines(QStringLiteral("Start")).size(), 1);
    QCOMPARE(m_portal->lines(QStringLiteral("SelectDevices")),
             QStringList{"SelectDevices types=1 persist_mode=2 restore_token=stale"});
    QVERIFY(m_portal->lines(QStringLiteral("Keysym")).isEmpty());

    // Asked again, the desktop shows its dialog again (and here says no again).
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(logged));
    namedControl<QPushButton>(m_form.get(), "sbTypingAskAgain")->click();
    QVERIFY(!typingStatus()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(typingStatus()->isVisible(), answerTimeoutMs);
    QCOMPARE(m_portal->lines(QStringLiteral("Start")).size(), 2);
    QCOMPARE(m_portal->lines(QStringLiteral("SelectDevices")).last(),
             QStringLiteral("SelectDevices types=1 persist_mode=2 restore_token=-"));
    closeWindow();
    QCOMPARE(storedToken(), QString());
}

// The user ends the grant from the desktop (GNOME's "stop sharing"): typing is off, said once; results
// go on into the file; the token is dropped, so the next start asks rather than silently undoing it.
void TestPortalTyping::sessionClosedByTheDesktopTurnsTypingOff()
{
    QVERIFY(startPortal({2, 0, QStringLiteral("grant-1")}));
    startWindow();
    QVERIFY(!m_form->isMainWindowActive());
    m_form->processData().takeScaleText(weighingLine.toLatin1());
    QVERIFY(m_portal->waitForLine(QStringLiteral("Keysym 0xff0d 0"), answerTimeoutMs));
    const qsizetype keysTyped = m_portal->lines(QStringLiteral("Keysym")).size();

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Typing is off: Revoked")));
    QTest::failOnWarning(QRegularExpression(QStringLiteral("^Typing is off")));
    m_portal->closeSession();
    QTRY_VERIFY2_WITH_TIMEOUT(typingStatus()->isVisible(), qPrintable(m_portal->lines().join(u'\n')), answerTimeoutMs);
    QCOMPARE(typingStatus()->text(), revokedText);

    m_form->processData().takeScaleText(weighingLine.toLatin1());
    QCOMPARE(fileContents(m_outputFile), weighingFileLine + weighingFileLine);
    QCOMPARE(m_form->processData().statistics().count(), 2);
    // A round trip on the program's own bus connection: what it sent before has been handled by then.
    QVERIFY(RemoteDesktopKeyboard::portalVersion(QDBusConnection::sessionBus()));
    closeWindow();
    QCOMPARE(m_portal->lines(QStringLiteral("Keysym")).size(), keysTyped);
    QCOMPARE(m_portal->lines(QStringLiteral("CreateSession")).size(), 1);
    QCOMPARE(storedToken(), QString());
}

int main(int argc, char** argv)
{
    TemporaryProfile profile;
    NoMachineSerialPorts noDevices;
    // Before the application: Qt connects to the session bus once, at its first use.
    PrivateSessionBus bus;
    if (!bus.start())
        busProblem = bus.errorString();
    XvfbServer server;
    if (!server.startForApplication("tst_portaltyping"))
        return EXIT_FAILURE;
    // A GNOME or KDE Wayland session as the program sees it, without the virtual-keyboard protocol; the
    // X server stands for XWayland.
    qputenv("XDG_SESSION_TYPE", "wayland");
    qunsetenv("WAYLAND_DISPLAY");
    QApplication application(argc, argv);
    TestPortalTyping test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_portaltyping.moc"
