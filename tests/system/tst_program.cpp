// The real program, as separate processes on an X server of the test's own: whether a second start
// runs, and what it does to the first copy when it may not.
#include "platform/x11/xhandles.h"
#include "support/temporaryprofile.h"
#include "support/xvfbserver.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QTest>

#include <cstdio>

namespace {

constexpr int startTimeoutMs = 10000;

// Reads the X server's windows on a connection of the test's own.
class Screen
{
public:
    Screen()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection.get())).data->root;
    }

    // The viewable top-level windows whose title starts with "Kwelta".
    QList<xcb_window_t> programWindows() const
    {
        QList<xcb_window_t> found;
        const XcbReply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(m_connection.get(), xcb_query_tree(m_connection.get(), m_root), nullptr));
        if (!tree)
            return found;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
            const XcbReply<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
                m_connection.get(), xcb_get_window_attributes(m_connection.get(), children[i]), nullptr));
            if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
                continue;
            const XcbReply<xcb_get_property_reply_t> name(
                xcb_get_property_reply(m_connection.get(),
                                       xcb_get_property(m_connection.get(), 0, children[i], XCB_ATOM_WM_NAME,
                                                        XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
                                       nullptr));
            if (name && QByteArray(static_cast<const char*>(xcb_get_property_value(name.get())),
                                   xcb_get_property_value_length(name.get()))
                            .startsWith("Kwelta"))
                found.append(children[i]);
        }
        return found;
    }

    xcb_window_t focus() const
    {
        const XcbReply<xcb_get_input_focus_reply_t> reply(
            xcb_get_input_focus_reply(m_connection.get(), xcb_get_input_focus(m_connection.get()), nullptr));
        return reply ? reply->focus : XCB_NONE;
    }

    // Takes the focus away from every program window, as a user switching to another program would.
    void focusNothing() const
    {
        xcb_set_input_focus(m_connection.get(), XCB_INPUT_FOCUS_POINTER_ROOT, m_root, XCB_CURRENT_TIME);
        xcb_aux_sync();
    }

private:
    void xcb_aux_sync() const
    {
        const XcbReply<xcb_get_input_focus_reply_t> roundTrip(
            xcb_get_input_focus_reply(m_connection.get(), xcb_get_input_focus(m_connection.get()), nullptr));
    }

    XcbConnectionPtr m_connection;
    xcb_window_t m_root = XCB_NONE;
};

} // namespace

class TestProgram : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void secondStart_data();
    void secondStart();

private:
    std::unique_ptr<QProcess> startProgram();

    std::unique_ptr<TemporaryProfile> m_profile;
    std::vector<std::unique_ptr<QProcess>> m_programs;
};

void TestProgram::init()
{
    m_profile = std::make_unique<TemporaryProfile>();
}

void TestProgram::cleanup()
{
    for (const auto& program : m_programs) {
        program->terminate();
        if (!program->waitForFinished(5000))
            program->kill();
        program->waitForFinished(5000);
    }
    m_programs.clear();
    m_profile.reset();
}

std::unique_ptr<QProcess> TestProgram::startProgram()
{
    auto program = std::make_unique<QProcess>();
    program->setProgram(QStringLiteral(KWELTA_PROGRAM_PATH));
    program->setProcessChannelMode(QProcess::ForwardedChannels);
    program->start();
    return program;
}

void TestProgram::secondStart_data()
{
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<bool>("secondRuns");

    QTest::newRow("no settings file") << QByteArray() << true;
    QTest::newRow("one instance stored") << QByteArray("[General]\nOnlyOneInstance=1\n") << false;
    QTest::newRow("any number stored") << QByteArray("[General]\nOnlyOneInstance=0\n") << true;
    QTest::newRow("file without the value") << QByteArray("[General]\nComPort=3\n") << false;
}

void TestProgram::secondStart()
{
    QFETCH(QByteArray, settings);
    QFETCH(bool, secondRuns);

    if (!settings.isEmpty()) {
        const QString folder = m_profile->filePath(QStringLiteral("config/Ostrel"));
        QDir().mkpath(folder);
        QFile file(folder + QStringLiteral("/Kwelta.conf"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(settings);
    }
    Screen screen;

    m_programs.push_back(startProgram());
    QTRY_COMPARE_WITH_TIMEOUT(screen.programWindows().size(), 1, startTimeoutMs);
    const xcb_window_t first = screen.programWindows().constFirst();
    screen.focusNothing();

    m_programs.push_back(startProgram());
    QProcess& second = *m_programs.back();
    if (secondRuns) {
        QTRY_COMPARE_WITH_TIMEOUT(screen.programWindows().size(), 2, startTimeoutMs);
        QCOMPARE(second.state(), QProcess::Running);
        return;
    }
    QVERIFY(second.waitForFinished(startTimeoutMs));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(screen.programWindows(), QList<xcb_window_t>{first});
    // The running copy came to the front and took the focus.
    QTRY_COMPARE_WITH_TIMEOUT(screen.focus(), first, startTimeoutMs);
}

int main(int argc, char** argv)
{
    TemporaryProfile profile;
    XvfbServer server;
    if (!server.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.errorString()));
        return EXIT_FAILURE;
    }
    QCoreApplication application(argc, argv);
    TestProgram test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_program.moc"
