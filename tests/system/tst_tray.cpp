// The notification-area icon of the real program in a real notification area (trayer) under a window
// manager (openbox), on an X server of the test's own: what the icon shows, minimising into it, the
// double click, its menu, the start minimised, a desktop without one, and a panel that restarts.
#include "core/programinfo.h"
#include "platform/x11/xhandles.h"
#include "support/configuredsettings.h"
#include "support/pseudoterminal.h"
#include "support/scaleinput.h"
#include "support/scalelog.h"
#include "support/simscaleprocess.h"
#include "support/temporaryprofile.h"
#include "support/xvfbserver.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTest>

#include <cstring>
#include <functional>

namespace {

constexpr int startTimeoutMs = 15000;
constexpr int stepTimeoutMs = 5000;

enum class Colour { Other, Red, Green };

// The test's own connection, to see the program's windows as the window manager and the panel do.
class XView
{
public:
    XView()
        : m_c(xcb_connect(nullptr, nullptr))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c.get())).data->root;
    }

    xcb_atom_t atom(const char* name) const
    {
        const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            m_c.get(), xcb_intern_atom(m_c.get(), 0, uint16_t(std::strlen(name)), name), nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    QList<quint32> property(xcb_window_t window, const char* name) const
    {
        const XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            m_c.get(), xcb_get_property(m_c.get(), 0, window, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
            nullptr));
        QList<quint32> values;
        if (!reply || reply->format != 32)
            return values;
        const auto* data = static_cast<const quint32*>(xcb_get_property_value(reply.get()));
        for (int i = 0; i < xcb_get_property_value_length(reply.get()) / 4; ++i)
            values.append(data[i]);
        return values;
    }
    QByteArray title(xcb_window_t window) const
    {
        const XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            m_c.get(), xcb_get_property(m_c.get(), 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
            nullptr));
        return reply ? QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                                  xcb_get_property_value_length(reply.get()))
                     : QByteArray();
    }
    xcb_window_t selectionOwner(const char* name) const
    {
        const XcbReply<xcb_get_selection_owner_reply_t> reply(
            xcb_get_selection_owner_reply(m_c.get(), xcb_get_selection_owner(m_c.get(), atom(name)), nullptr));
        return reply ? reply->owner : xcb_window_t(XCB_WINDOW_NONE);
    }
    // Every window below the root with its parent, depth first.
    void forEachWindow(const std::function<void(xcb_window_t window, xcb_window_t parent)>& visit,
                       xcb_window_t from = XCB_WINDOW_NONE) const
    {
        const xcb_window_t top = from == XCB_WINDOW_NONE ? m_root : from;
        const XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m_c.get(), xcb_query_tree(m_c.get(), top), nullptr));
        if (!tree)
            return;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
            visit(children[i], top);
            forEachWindow(visit, children[i]);
        }
    }
    xcb_window_t root() const { return m_root; }
    QSize size(xcb_window_t window) const
    {
        const XcbReply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(m_c.get(), xcb_get_geometry(m_c.get(), window), nullptr));
        return geometry ? QSize(geometry->width, geometry->height) : QSize();
    }
    bool isViewable(xcb_window_t window) const
    {
        const XcbReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(m_c.get(), xcb_get_window_attributes(m_c.get(), window), nullptr));
        return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    }
    // ICCCM: 0 withdrawn, 1 normal, 3 iconic; the window manager keeps it on the client.
    quint32 wmState(xcb_window_t window) const
    {
        const QList<quint32> state = property(window, "WM_STATE");
        return state.isEmpty() ? 0 : state.constFirst();
    }
    QPoint centreOnScreen(xcb_window_t window) const
    {
        const XcbReply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(m_c.get(), xcb_get_geometry(m_c.get(), window), nullptr));
        if (!geometry)
            return {};
        const XcbReply<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
            m_c.get(),
            xcb_translate_coordinates(m_c.get(), window, m_root, int16_t(geometry->width / 2),
                                      int16_t(geometry->height / 2)),
            nullptr));
        return at ? QPoint(at->dst_x, at->dst_y) : QPoint();
    }
    // Which of the two pictures the window shows: the square's colour covers most of it.
    Colour colour(xcb_window_t window) const
    {
        const XcbReply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(m_c.get(), xcb_get_geometry(m_c.get(), window), nullptr));
        if (!geometry)
            return Colour::Other;
        const XcbReply<xcb_get_image_reply_t> image(xcb_get_image_reply(
            m_c.get(),
            xcb_get_image(m_c.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, geometry->width, geometry->height, ~0u),
            nullptr));
        if (!image || image->depth < 24)
            return Colour::Other;
        const auto* pixels = static_cast<const quint32*>(static_cast<const void*>(xcb_get_image_data(image.get())));
        int red = 0;
        int green = 0;
        for (int i = 0; i < xcb_get_image_data_length(image.get()) / 4; ++i) {
            const int r = (pixels[i] >> 16) & 0xff;
            const int g = (pixels[i] >> 8) & 0xff;
            const int b = pixels[i] & 0xff;
            red += r > 150 && g < 100 && b < 100;
            green += g > 100 && r < 80 && b < 100;
        }
        const int area = geometry->width * geometry->height;
        if (red * 4 > area)
            return Colour::Red;
        if (green * 4 > area)
            return Colour::Green;
        return Colour::Other;
    }

private:
    XcbConnectionPtr m_c;
    xcb_window_t m_root = 0;
};

QByteArray colourName(Colour colour)
{
    return colour == Colour::Red ? "red" : colour == Colour::Green ? "green" : "other";
}

} // namespace

class TestTray : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void iconFollowsTheWindowAndThePort();
    void menuSendsCommandsAndQuits();
    void startMinimisedShowsOnlyTheIcon();
    void withoutANotificationAreaMinimisingKeepsTheTaskbar();
    void restartedPanelBringsTheIconBack();

private:
    bool startWindowManager();
    bool startTray();
    void stopTray();
    // scaleLog: where the simulated scale writes what it reads; none when empty.
    bool startProgram(const SettingValues& changes, const QString& scaleLog = QString());
    // The program's embedded icon window, 0 while there is none.
    xcb_window_t iconWindow() const;
    // The icon's menu while it is open: a window of the program's own on the root, 0 while there is none.
    xcb_window_t menuWindow() const;
    // Opens the icon's menu with a right click, points at its first item and goes down `steps` items by
    // the keyboard to choose one.
    void chooseFromMenu(int steps);
    xcb_window_t mainWindow() const;
    // Listed by the window manager, not withdrawn, not kept off the taskbar.
    bool onTaskbar(xcb_window_t window) const;
    bool run(const QString& program, const QStringList& arguments);
    void doubleClickIcon();

    std::unique_ptr<TemporaryProfile> m_profile;
    std::unique_ptr<NoMachineSerialPorts> m_noDevices;
    std::unique_ptr<SimScaleProcess> m_scale;
    std::unique_ptr<XView> m_display;
    QProcess m_windowManager;
    QProcess m_tray;
    QProcess m_program;
};

void TestTray::init()
{
    m_profile = std::make_unique<TemporaryProfile>();
    m_noDevices = std::make_unique<NoMachineSerialPorts>();
    m_display = std::make_unique<XView>();
}

void TestTray::cleanup()
{
    for (QProcess* process : {&m_program, &m_tray, &m_windowManager}) {
        if (process->state() == QProcess::NotRunning)
            continue;
        process->terminate();
        if (!process->waitForFinished(stepTimeoutMs))
            process->kill();
        process->waitForFinished(stepTimeoutMs);
    }
    m_scale.reset();
    m_display.reset();
    m_noDevices.reset();
    m_profile.reset();
}

bool TestTray::startWindowManager()
{
    // Under a loaded sanitizer run openbox once failed to take the display in time; its own words say
    // why, and a second start (replacing whatever holds the selection) takes over.
    for (const bool replace : {false, true}) {
        m_windowManager.setProgram(QStringLiteral("openbox"));
        m_windowManager.setArguments(replace ? QStringList{QStringLiteral("--sm-disable"), QStringLiteral("--replace")}
                                             : QStringList{QStringLiteral("--sm-disable")});
        m_windowManager.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_windowManager.start();
        if (m_windowManager.waitForStarted(stepTimeoutMs) &&
            QTest::qWaitFor([this] { return m_display->selectionOwner("WM_S0") != XCB_WINDOW_NONE; }, startTimeoutMs))
            return true;
        qWarning("openbox did not take the display (state %d, exit code %d)", int(m_windowManager.state()),
                 m_windowManager.exitCode());
        m_windowManager.kill();
        m_windowManager.waitForFinished(stepTimeoutMs);
    }
    return false;
}

bool TestTray::startTray()
{
    m_tray.setProgram(QStringLiteral("trayer"));
    m_tray.setArguments({QStringLiteral("--edge"), QStringLiteral("bottom"), QStringLiteral("--align"),
                         QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("pixel"),
                         QStringLiteral("--width"), QStringLiteral("80"), QStringLiteral("--heighttype"),
                         QStringLiteral("pixel"), QStringLiteral("--height"), QStringLiteral("28")});
    m_tray.start();
    if (!m_tray.waitForStarted(stepTimeoutMs))
        return false;
    return QTest::qWaitFor([this] { return m_display->selectionOwner("_NET_SYSTEM_TRAY_S0") != XCB_WINDOW_NONE; },
                           startTimeoutMs);
}

void TestTray::stopTray()
{
    m_tray.terminate();
    m_tray.waitForFinished(stepTimeoutMs);
}

bool TestTray::startProgram(const SettingValues& changes, const QString& scaleLog)
{
    m_scale = std::make_unique<SimScaleProcess>(QStringLiteral(KWELTA_SIMSCALE_PATH));
    // The speed of "Baud" 10 below, so that what the program sends is what the scale reads.
    QStringList scaleOptions{QStringLiteral("--baud"), QStringLiteral("4800")};
    if (!scaleLog.isEmpty()) {
        m_scale->process().setProcessChannelMode(QProcess::SeparateChannels);
        m_scale->process().setStandardErrorFile(scaleLog);
        scaleOptions << QStringLiteral("--verbose");
    }
    if (!m_scale->start(portsFolder(*m_profile) + QStringLiteral("/COM1"), scaleOptions))
        return false;
    if (writeConfiguredSettings(*m_profile, m_profile->filePath(QStringLiteral("results.txt")),
                                changes + SettingValues{{"Baud", "10"}, {"Destination", "2"}}) != QSettings::NoError)
        return false;
    // The XEmbed notification area, which Qt uses where no StatusNotifier host is on the session bus.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
    m_program.setProcessEnvironment(environment);
    m_program.setProgram(QStringLiteral(KWELTA_PROGRAM_PATH));
    m_program.setProcessChannelMode(QProcess::ForwardedChannels);
    m_program.start();
    return m_program.waitForStarted(stepTimeoutMs);
}

xcb_window_t TestTray::iconWindow() const
{
    const qint64 pid = m_program.processId();
    const xcb_window_t trayOwner = m_display->selectionOwner("_NET_SYSTEM_TRAY_S0");
    xcb_window_t found = XCB_WINDOW_NONE;
    m_display->forEachWindow([&](xcb_window_t window, xcb_window_t parent) {
        if (found || parent == trayOwner)
            return;
        if (m_display->property(window, "_XEMBED_INFO").isEmpty() ||
            m_display->property(window, "_NET_WM_PID") != QList<quint32>{quint32(pid)})
            return;
        // Embedded: a child of the panel, not a top-level window of the root. Qt gives every window of
        // its own _XEMBED_INFO; the icon is the small one.
        if (m_display->isViewable(window) && parent != m_display->root() && m_display->size(window).width() <= 64)
            found = window;
    });
    return found;
}

// A menu is an override-redirect window, so it stays a child of the root, unlike the main window, which
// the window manager has framed, and the icon, which the panel holds.
xcb_window_t TestTray::menuWindow() const
{
    const qint64 pid = m_program.processId();
    xcb_window_t found = XCB_WINDOW_NONE;
    m_display->forEachWindow([&](xcb_window_t window, xcb_window_t parent) {
        if (!found && parent == m_display->root() && m_display->isViewable(window) &&
            m_display->size(window).width() > 1 &&
            m_display->property(window, "_NET_WM_PID") == QList<quint32>{quint32(pid)})
            found = window;
    });
    return found;
}

void TestTray::chooseFromMenu(int steps)
{
    const QPoint at = m_display->centreOnScreen(iconWindow());
    QVERIFY(
        run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(at.x()),
                                        QString::number(at.y()), QStringLiteral("click"), QStringLiteral("3")}));
    QTRY_VERIFY_WITH_TIMEOUT(menuWindow() != XCB_WINDOW_NONE, stepTimeoutMs);
    // Where the menu opens depends on the room beside the panel, so the pointer goes to its first item
    // before the keys count from there.
    const xcb_window_t menu = menuWindow();
    const QPoint centre = m_display->centreOnScreen(menu);
    const QSize size = m_display->size(menu);
    QVERIFY(run(QStringLiteral("xdotool"),
                {QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(centre.x()),
                 QString::number(centre.y() - size.height() / 2 + 8)}));
    QStringList keys{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("50")};
    for (int i = 0; i < steps; ++i)
        keys << QStringLiteral("Down");
    keys << QStringLiteral("Return");
    QVERIFY(run(QStringLiteral("xdotool"), keys));
    QTRY_VERIFY_WITH_TIMEOUT(menuWindow() == XCB_WINDOW_NONE, stepTimeoutMs);
}

// Found by title and process, whatever its state; the window manager has reparented it into a frame.
xcb_window_t TestTray::mainWindow() const
{
    xcb_window_t found = XCB_WINDOW_NONE;
    m_display->forEachWindow([&](xcb_window_t window, xcb_window_t) {
        // Qt gives every window _XEMBED_INFO and the window's title, the icon's too; the icon is the small one.
        if (!found && m_display->title(window) == ProgramInfo::title().toUtf8() &&
            m_display->size(window).width() > 64 &&
            m_display->property(window, "_NET_WM_PID") == QList<quint32>{quint32(m_program.processId())})
            found = window;
    });
    return found;
}

bool TestTray::onTaskbar(xcb_window_t window) const
{
    const xcb_atom_t skipTaskbar = m_display->atom("_NET_WM_STATE_SKIP_TASKBAR");
    return m_display->property(m_display->root(), "_NET_CLIENT_LIST").contains(window) &&
           !m_display->property(window, "_NET_WM_STATE").contains(skipTaskbar) && m_display->wmState(window) != 0;
}

bool TestTray::run(const QString& program, const QStringList& arguments)
{
    return QProcess::execute(program, arguments) == 0;
}

// Real pointer events through XTest, two clicks within the double-click interval.
void TestTray::doubleClickIcon()
{
    const QPoint at = m_display->centreOnScreen(iconWindow());
    QVERIFY(run(QStringLiteral("xdotool"),
                {QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(at.x()),
                 QString::number(at.y()), QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                 QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")}));
}

// Green once the start has opened the port, minimising hides the window and leaves the icon, the double
// click brings it back and hides it again, and the serial port's closing turns the icon red.
void TestTray::iconFollowsTheWindowAndThePort()
{
    QVERIFY(startWindowManager());
    QVERIFY(startTray());
    QVERIFY(startProgram({{"ComOpenOnStart", "1"}}));
    QTRY_VERIFY_WITH_TIMEOUT(iconWindow() != XCB_WINDOW_NONE, startTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(colourName(m_display->colour(iconWindow())), QByteArray("green"), stepTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(mainWindow() != XCB_WINDOW_NONE && m_display->isViewable(mainWindow()), startTimeoutMs);
    const xcb_window_t window = mainWindow();

    QVERIFY(run(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), QString::number(window)}));
    // Off the taskbar: withdrawn, not merely iconic.
    QTRY_COMPARE_WITH_TIMEOUT(m_display->wmState(window), 0u, stepTimeoutMs);
    QVERIFY(!m_display->isViewable(window));
    QVERIFY(iconWindow() != XCB_WINDOW_NONE);

    doubleClickIcon();
    QTRY_VERIFY_WITH_TIMEOUT(m_display->isViewable(window), stepTimeoutMs);
    QCOMPARE(m_display->wmState(window), 1u);
    doubleClickIcon();
    QTRY_VERIFY_WITH_TIMEOUT(!m_display->isViewable(window), stepTimeoutMs);
    doubleClickIcon();
    QTRY_VERIFY_WITH_TIMEOUT(m_display->isViewable(window), stepTimeoutMs);

    // The scale goes away with the port open: the connection closes, and the icon shows it.
    QVERIFY(m_scale->stopWith(QByteArray("quit")));
    QTRY_COMPARE_WITH_TIMEOUT(colourName(m_display->colour(iconWindow())), QByteArray("red"), stepTimeoutMs);
}

// The menu of the icon, with the window hidden in the notification area: the scale commands go to the
// scale over the open port, and the quit ends the program with its settings written.
void TestTray::menuSendsCommandsAndQuits()
{
    QVERIFY(startWindowManager());
    QVERIFY(startTray());
    ScaleLog log(m_profile->filePath(QStringLiteral("scale.log")));
    ScaleInput input(log);
    QVERIFY(startProgram({{"ComOpenOnStart", "1"}}, log.path()));
    QTRY_VERIFY_WITH_TIMEOUT(iconWindow() != XCB_WINDOW_NONE, startTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(colourName(m_display->colour(iconWindow())), QByteArray("green"), startTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(mainWindow() != XCB_WINDOW_NONE && m_display->isViewable(mainWindow()), startTimeoutMs);
    const xcb_window_t window = mainWindow();
    QVERIFY(run(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), QString::number(window)}));
    QTRY_COMPARE_WITH_TIMEOUT(m_display->wmState(window), 0u, stepTimeoutMs);

    // Below the first item, "Pokaż": "Tara", "Zero", "Drukuj", then "Zakończ".
    const struct
    {
        int steps;
        QByteArray command;
    } orders[] = {{1, "ST\r\n"}, {2, "SZ\r\n"}, {3, "SI\r\n"}};
    QByteArray sent;
    for (const auto& order : orders) {
        chooseFromMenu(order.steps);
        if (QTest::currentTestFailed())
            return;
        sent += order.command;
        QVERIFY(input.waitForSize(sent.size()));
        QCOMPARE(input.bytes(), sent);
    }
    QVERIFY(!m_display->isViewable(window));

    const QString settingsFile = m_profile->filePath(QStringLiteral("config/Ostrel/Kwelta.conf"));
    QVERIFY(QFile::remove(settingsFile));
    chooseFromMenu(4);
    QVERIFY(m_program.waitForFinished(stepTimeoutMs));
    QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_program.exitCode(), 0);
    QSettings stored(settingsFile, QSettings::IniFormat);
    QCOMPARE(stored.value(QStringLiteral("ComOpenOnStart")).toString(), QStringLiteral("1"));
}

// With an open port and "Uruchamiaj zminimalizowany" only the icon shows; the program, hidden, still
// runs its closing sequence on SIGTERM and ends.
void TestTray::startMinimisedShowsOnlyTheIcon()
{
    QVERIFY(startWindowManager());
    QVERIFY(startTray());
    QVERIFY(startProgram({{"ComOpenOnStart", "1"}, {"MinimizeOnStart", "1"}}));
    QTRY_VERIFY_WITH_TIMEOUT(iconWindow() != XCB_WINDOW_NONE, startTimeoutMs);
    // The window appears for the start's first steps and then goes into the notification area.
    QTRY_VERIFY_WITH_TIMEOUT(mainWindow() != XCB_WINDOW_NONE, startTimeoutMs);
    const xcb_window_t window = mainWindow();
    QTRY_VERIFY_WITH_TIMEOUT(!m_display->isViewable(window) && m_display->wmState(window) == 0, startTimeoutMs);
    // The icon starts red and turns green once the port is open; the panel may draw it a moment later.
    QTRY_COMPARE_WITH_TIMEOUT(colourName(m_display->colour(iconWindow())), QByteArray("green"), startTimeoutMs);

    const QString settingsFile = m_profile->filePath(QStringLiteral("config/Ostrel/Kwelta.conf"));
    QVERIFY(QFile::remove(settingsFile));
    m_program.terminate();
    QVERIFY(m_program.waitForFinished(stepTimeoutMs));
    QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_program.exitCode(), 0);
    QSettings stored(settingsFile, QSettings::IniFormat);
    QCOMPARE(stored.value(QStringLiteral("MinimizeOnStart")).toString(), QStringLiteral("1"));
}

// Plain GNOME has no notification area: a start minimised goes to the taskbar, and so does a minimise.
void TestTray::withoutANotificationAreaMinimisingKeepsTheTaskbar()
{
    QVERIFY(startWindowManager());
    QVERIFY(startProgram({{"ComOpenOnStart", "1"}, {"MinimizeOnStart", "1"}}));
    QTRY_VERIFY_WITH_TIMEOUT(mainWindow() != XCB_WINDOW_NONE, startTimeoutMs);
    const xcb_window_t window = mainWindow();
    QTRY_COMPARE_WITH_TIMEOUT(m_display->wmState(window), 3u, startTimeoutMs);
    QVERIFY(onTaskbar(window));

    QVERIFY(run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QString::number(window)}));
    QTRY_COMPARE_WITH_TIMEOUT(m_display->wmState(window), 1u, stepTimeoutMs);
    QVERIFY(run(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), QString::number(window)}));
    QTRY_COMPARE_WITH_TIMEOUT(m_display->wmState(window), 3u, stepTimeoutMs);
    QVERIFY(onTaskbar(window));
    // A program that had hidden it meanwhile would leave nothing for the window manager to restore.
    QVERIFY(run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QString::number(window)}));
    QTRY_COMPARE_WITH_TIMEOUT(m_display->wmState(window), 1u, stepTimeoutMs);
    QVERIFY(m_display->isViewable(window));
}

// A panel that restarts: while it is gone the hidden window comes back, since nothing else could bring
// it; the new panel gets the icon again.
void TestTray::restartedPanelBringsTheIconBack()
{
    QVERIFY(startWindowManager());
    QVERIFY(startTray());
    QVERIFY(startProgram({}));
    QTRY_VERIFY_WITH_TIMEOUT(iconWindow() != XCB_WINDOW_NONE, startTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(mainWindow() != XCB_WINDOW_NONE && m_display->isViewable(mainWindow()), startTimeoutMs);
    const xcb_window_t window = mainWindow();
    QVERIFY(run(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), QString::number(window)}));
    QTRY_COMPARE_WITH_TIMEOUT(m_display->wmState(window), 0u, stepTimeoutMs);

    stopTray();
    QTRY_VERIFY_WITH_TIMEOUT(m_display->isViewable(window), stepTimeoutMs);
    QCOMPARE(m_display->wmState(window), 1u);

    QVERIFY(startTray());
    QTRY_VERIFY_WITH_TIMEOUT(iconWindow() != XCB_WINDOW_NONE, stepTimeoutMs);
    // Red, as nothing was opened in this start.
    QTRY_COMPARE_WITH_TIMEOUT(colourName(m_display->colour(iconWindow())), QByteArray("red"), stepTimeoutMs);
    QVERIFY(m_display->isViewable(window));
    // And the new panel serves as the old one did.
    QVERIFY(run(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), QString::number(window)}));
    QTRY_COMPARE_WITH_TIMEOUT(m_display->wmState(window), 0u, stepTimeoutMs);
    doubleClickIcon();
    QTRY_VERIFY_WITH_TIMEOUT(m_display->isViewable(window), stepTimeoutMs);
}

int main(int argc, char** argv)
{
    XvfbServer server;
    if (!server.startForApplication("tst_tray"))
        return EXIT_FAILURE;
    QCoreApplication application(argc, argv);
    TestTray test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tray.moc"
