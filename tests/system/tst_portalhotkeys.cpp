// The hot keys of the program-options panel through the GlobalShortcuts portal, as a Wayland session
// offers them: a private D-Bus daemon of the test's own, the stand-in portal (tests/support/portalstandin)
// owning the portal's name on it, and the registrar the program itself would choose there.
#include "platform/hotkeyregistrar.h"
#include "support/requiredskip.h"
#include "ui/hotkeyedit.h"
#include "ui/namedcontrol.h"
#include "ui/programoptionspanel.h"
#include "ui/scalehotkeys.h"

#include <QApplication>
#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/prctl.h>

namespace {

constexpr int startTimeoutMs = 10000;
constexpr int answerTimeoutMs = 10000;

// Why the test's own bus could not be had; empty when it runs.
QString busFailure;

// A session bus of the test's own, started before the application exists, because QtDBus reads the
// address once.
class PrivateSessionBus
{
public:
    bool start()
    {
        // The system's session bus configuration without its service folders and included files: a call
        // to the portal's name must find the stand-in or nothing, never start the real portal service
        // where one is installed.
        QFile system(QStringLiteral("/usr/share/dbus-1/session.conf"));
        QFile config(m_folder.filePath(QStringLiteral("bus.conf")));
        if (!m_folder.isValid() || !system.open(QIODevice::ReadOnly) || !config.open(QIODevice::WriteOnly)) {
            busFailure = QStringLiteral("no bus configuration: %1 %2").arg(system.errorString(), config.errorString());
            return false;
        }
        for (const QByteArray& line : system.readAll().split('\n')) {
            if (line.contains("servicedirs") || line.contains("<include"))
                continue;
            config.write(
                QByteArray(line).replace("unix:tmpdir=/tmp", "unix:dir=" + QFile::encodeName(m_folder.path())) + '\n');
        }
        config.close();
        m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=%1").arg(config.fileName()), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address=1")});
        if (!m_daemon.waitForStarted(startTimeoutMs)) {
            busFailure = QStringLiteral("dbus-daemon cannot run: %1 (the Debian package dbus-daemon)")
                             .arg(m_daemon.errorString());
            return false;
        }
        while (!m_daemon.canReadLine()) {
            if (!m_daemon.waitForReadyRead(startTimeoutMs)) {
                busFailure = QStringLiteral("dbus-daemon gave no address");
                return false;
            }
        }
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_daemon.readLine().trimmed());
        return true;
    }

    ~PrivateSessionBus()
    {
        if (m_daemon.state() == QProcess::NotRunning)
            return;
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(startTimeoutMs)) {
            m_daemon.kill();
            m_daemon.waitForFinished(startTimeoutMs);
        }
    }

private:
    QTemporaryDir m_folder;
    QProcess m_daemon;
};

// The shortcuts of one BindShortcuts, each "ID<TAB>DESCRIPTION<TAB>TRIGGER", and the session.
struct Binding
{
    QString session;
    QStringList shortcuts;
};

} // namespace

class TestPortalHotKeys : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void tickedKeyIsProposedWithItsTrigger_data();
    void tickedKeyIsProposedWithItsTrigger();
    void changesReplaceTheSessionWithTheWholeSet();
    void activationSendsTheButtonsCommand_data();
    void activationSendsTheButtonsCommand();
    void withoutThePortalTheBoxesNameTheCommandLine_data();
    void withoutThePortalTheBoxesNameTheCommandLine();

private:
    bool startPortal();
    void stopPortal();
    void makePanel();
    void tick(const char* check, const char* key, const QString& shortCut);
    // The next "bound" set the portal reports.
    std::optional<Binding> nextBinding();
    bool waitForLine(const QString& start, QString* line = nullptr);

    template <typename T>
    T* control(const char* name)
    {
        return namedControl<T>(m_panel.get(), name);
    }

    std::unique_ptr<QProcess> m_portal;
    QStringList m_lines;
    std::unique_ptr<ProgramOptionsPanel> m_panel;
    std::unique_ptr<ScaleHotKeys> m_hotKeys;
    QList<QByteArray> m_orders;
};

void TestPortalHotKeys::initTestCase()
{
    if (!busFailure.isEmpty())
        SKIP_UNLESS_REQUIRED(
            qPrintable(QStringLiteral("SKIPPED LOUDLY: no bus of the test's own, so the portal backend is "
                                      "untested: %1")
                           .arg(busFailure)));
}

void TestPortalHotKeys::init()
{
    m_lines.clear();
    m_orders.clear();
    QVERIFY(startPortal());
}

void TestPortalHotKeys::cleanup()
{
    m_hotKeys.reset();
    m_panel.reset();
    stopPortal();
}

bool TestPortalHotKeys::startPortal()
{
    m_portal = std::make_unique<QProcess>();
    m_portal->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_portal->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    connect(m_portal.get(), &QProcess::readyReadStandardOutput, this, [this] {
        while (m_portal->canReadLine())
            m_lines << QString::fromUtf8(m_portal->readLine()).chopped(1);
    });
    m_portal->start(QStringLiteral(KWELTA_PORTALSTANDIN_PATH));
    return m_portal->waitForStarted(startTimeoutMs) && waitForLine(QStringLiteral("ready"));
}

void TestPortalHotKeys::stopPortal()
{
    if (!m_portal)
        return;
    // End of input ends it.
    m_portal->closeWriteChannel();
    if (!m_portal->waitForFinished(startTimeoutMs)) {
        m_portal->kill();
        m_portal->waitForFinished(startTimeoutMs);
    }
    m_portal.reset();
    // The bus learns of the ended connection on its own time; until it has, the name is still taken
    // and the next stand-in could not have it.
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    QVERIFY(
        QTest::qWaitFor([bus] { return !bus->isServiceRegistered(QStringLiteral("org.freedesktop.portal.Desktop")); },
                        answerTimeoutMs));
}

void TestPortalHotKeys::makePanel()
{
    m_panel = std::make_unique<ProgramOptionsPanel>();
    m_panel->setOrderSender([this](const QByteArray& command) { m_orders << command; });
    // What the window does: the registrar the session offers.
    m_hotKeys = std::make_unique<ScaleHotKeys>(*m_panel, createHotKeyRegistrar());
}

void TestPortalHotKeys::tick(const char* check, const char* key, const QString& shortCut)
{
    control<HotKeyEdit>(key)->setShortCutText(shortCut);
    control<QCheckBox>(check)->setChecked(true);
}

bool TestPortalHotKeys::waitForLine(const QString& start, QString* line)
{
    return QTest::qWaitFor(
        [&] {
            while (!m_lines.isEmpty()) {
                const QString next = m_lines.takeFirst();
                if (next.startsWith(u"refused "))
                    qWarning("the portal refused: %s", qPrintable(next));
                if (next.startsWith(start)) {
                    if (line)
                        *line = next;
                    return true;
                }
            }
            return false;
        },
        answerTimeoutMs);
}

std::optional<Binding> TestPortalHotKeys::nextBinding()
{
    Binding binding;
    QString line;
    while (waitForLine(QStringLiteral("bound "), &line)) {
        const qsizetype space = line.indexOf(u' ', 6);
        binding.session = line.mid(6, space - 6);
        const QString shortcut = line.mid(space + 1);
        if (shortcut == u".")
            return binding;
        binding.shortcuts << shortcut;
    }
    return std::nullopt;
}

void TestPortalHotKeys::tickedKeyIsProposedWithItsTrigger_data()
{
    QTest::addColumn<QByteArray>("check");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QString>("shortCut");
    QTest::addColumn<QString>("proposed");

    QTest::newRow("F-key") << QByteArray("tareHotKeyBox") << QByteArray("tareHotKeyEdit") << "F8"
                           << "KweltaHotKeyTare\tKwelta: Tara\tF8";
    QTest::newRow("Shift and Ctrl") << QByteArray("printHotKeyBox") << QByteArray("printHotKeyEdit") << "Shift+Ctrl+F5"
                                    << "KweltaHotKeyPrint\tKwelta: Drukuj\tCTRL+SHIFT+F5";
    QTest::newRow("Alt and a key named by its keysym")
        << QByteArray("zeroHotKeyBox") << QByteArray("zeroHotKeyEdit") << "Alt+Ins"
        << "KweltaHotKeyZero\tKwelta: Zero\tALT+Insert";
    QTest::newRow("letter, as its keysym")
        << QByteArray("specialHotKeyBox") << QByteArray("specialHotKeyEdit") << "Ctrl+Alt+A"
        << "KweltaHotKeySpecial\tKwelta: Specjalny\tCTRL+ALT+a";
}

// The portal gets the key as its preferred trigger, with a description for its dialog.
void TestPortalHotKeys::tickedKeyIsProposedWithItsTrigger()
{
    QFETCH(QByteArray, check);
    QFETCH(QByteArray, key);
    QFETCH(QString, shortCut);
    QFETCH(QString, proposed);

    makePanel();
    QVERIFY(m_hotKeys->registrar().isSupported());
    tick(check.constData(), key.constData(), shortCut);
    const std::optional<Binding> binding = nextBinding();
    QVERIFY(binding);
    QCOMPARE(binding->shortcuts, QStringList{proposed});
    QVERIFY(!control<HotKeyEdit>(key.constData())->toolTip().contains(u"--command"));
}

// The settings tick the boxes one after another: one set is proposed for them. A later change
// proposes the whole set again in a new session and closes the old one; clearing every box only
// closes.
void TestPortalHotKeys::changesReplaceTheSessionWithTheWholeSet()
{
    makePanel();
    tick("tareHotKeyBox", "tareHotKeyEdit", QStringLiteral("F8"));
    tick("zeroHotKeyBox", "zeroHotKeyEdit", QStringLiteral("F9"));
    const std::optional<Binding> first = nextBinding();
    QVERIFY(first);
    QCOMPARE(first->shortcuts.size(), 2);

    tick("printHotKeyBox", "printHotKeyEdit", QStringLiteral("Shift+F10"));
    QVERIFY(waitForLine(QStringLiteral("closed %1").arg(first->session)));
    const std::optional<Binding> second = nextBinding();
    QVERIFY(second);
    QVERIFY(second->session != first->session);
    QStringList shortcuts = second->shortcuts;
    shortcuts.sort();
    QCOMPARE(shortcuts, (QStringList{"KweltaHotKeyPrint\tKwelta: Drukuj\tSHIFT+F10",
                                     "KweltaHotKeyTare\tKwelta: Tara\tF8", "KweltaHotKeyZero\tKwelta: Zero\tF9"}));

    for (const char* check : {"tareHotKeyBox", "zeroHotKeyBox", "printHotKeyBox"})
        control<QCheckBox>(check)->setChecked(false);
    QVERIFY(waitForLine(QStringLiteral("closed %1").arg(second->session)));
}

void TestPortalHotKeys::activationSendsTheButtonsCommand_data()
{
    QTest::addColumn<QByteArray>("check");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("command");

    QTest::newRow("tare") << QByteArray("tareHotKeyBox") << QByteArray("tareHotKeyEdit") << "KweltaHotKeyTare"
                          << QByteArray("ST");
    QTest::newRow("zero") << QByteArray("zeroHotKeyBox") << QByteArray("zeroHotKeyEdit") << "KweltaHotKeyZero"
                          << QByteArray("SZ");
    QTest::newRow("print") << QByteArray("printHotKeyBox") << QByteArray("printHotKeyEdit") << "KweltaHotKeyPrint"
                           << QByteArray("SI");
    QTest::newRow("special with its escape") << QByteArray("specialHotKeyBox") << QByteArray("specialHotKeyEdit")
                                             << "KweltaHotKeySpecial" << QByteArray("SA\x1b");
}

// The portal's Activated for a shortcut of the bound session clicks that button, once; the same id
// activated after its box was cleared does nothing.
void TestPortalHotKeys::activationSendsTheButtonsCommand()
{
    QFETCH(QByteArray, check);
    QFETCH(QByteArray, key);
    QFETCH(QString, name);
    QFETCH(QByteArray, command);

    makePanel();
    control<QLineEdit>("specialCommandEdit")->setText(QStringLiteral("S$41$1B"));
    tick(check.constData(), key.constData(), QStringLiteral("F7"));
    QVERIFY(nextBinding());
    m_portal->write("activate " + name.toUtf8() + '\n');
    QTRY_COMPARE_WITH_TIMEOUT(m_orders, QList<QByteArray>{command}, answerTimeoutMs);

    // Clearing closes the session; an activation after it must not reach the button. A second id
    // still bound is activated after it, as the event that says the first has been handled.
    control<QCheckBox>(check.constData())->setChecked(false);
    const bool isTare = name == u"KweltaHotKeyTare";
    tick(isTare ? "zeroHotKeyBox" : "tareHotKeyBox", isTare ? "zeroHotKeyEdit" : "tareHotKeyEdit",
         QStringLiteral("F9"));
    QVERIFY(nextBinding());
    m_portal->write("activate " + name.toUtf8() + "\nactivate " + (isTare ? "KweltaHotKeyZero" : "KweltaHotKeyTare") +
                    '\n');
    const QByteArray witness = isTare ? "SZ" : "ST";
    QTRY_COMPARE_WITH_TIMEOUT(m_orders, (QList<QByteArray>{command, witness}), answerTimeoutMs);
}

void TestPortalHotKeys::withoutThePortalTheBoxesNameTheCommandLine_data()
{
    QTest::addColumn<QByteArray>("check");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QString>("command");

    QTest::newRow("special") << QByteArray("specialHotKeyBox") << QByteArray("specialHotKeyEdit")
                             << "kwelta --command special";
    QTest::newRow("tare") << QByteArray("tareHotKeyBox") << QByteArray("tareHotKeyEdit") << "kwelta --command tare";
    QTest::newRow("zero") << QByteArray("zeroHotKeyBox") << QByteArray("zeroHotKeyEdit") << "kwelta --command zero";
    QTest::newRow("print") << QByteArray("printHotKeyBox") << QByteArray("printHotKeyEdit") << "kwelta --command print";
}

// A Wayland session whose portal has no GlobalShortcuts: nothing can register, and both controls of
// each hot key say what to bind in the desktop's settings instead, also once the box is ticked.
void TestPortalHotKeys::withoutThePortalTheBoxesNameTheCommandLine()
{
    QFETCH(QByteArray, check);
    QFETCH(QByteArray, key);
    QFETCH(QString, command);

    stopPortal();
    makePanel();
    QVERIFY(!m_hotKeys->registrar().isSupported());
    QVERIFY2(control<QCheckBox>(check.constData())->toolTip().contains(command),
             qPrintable(control<QCheckBox>(check.constData())->toolTip()));
    tick(check.constData(), key.constData(), QStringLiteral("F8"));
    QVERIFY2(control<HotKeyEdit>(key.constData())->toolTip().contains(command),
             qPrintable(control<HotKeyEdit>(key.constData())->toolTip()));
}

int main(int argc, char** argv)
{
    // The session the portal backend is chosen for; no Wayland compositor runs, so the widgets are
    // drawn offscreen.
    qputenv("XDG_SESSION_TYPE", "wayland");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    PrivateSessionBus bus;
    bus.start();
    QApplication application(argc, argv);
    TestPortalHotKeys test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_portalhotkeys.moc"
