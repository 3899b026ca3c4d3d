// Start-up of the real program: the time from starting the process until its window is on the screen,
// and the resident memory once the start-up has settled. Each run gets a fresh profile and its own X
// server; the window is found by asking the X server, so the program needs no hook for this.
#include "support/temporaryprofile.h"
#include "support/xvfbserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

struct FreeReply
{
    void operator()(void* reply) const { std::free(reply); }
};

// Whether a viewable top-level window whose title starts with "Kwelta" exists.
bool kweltaWindowShown(xcb_connection_t* connection, xcb_window_t root)
{
    const std::unique_ptr<xcb_query_tree_reply_t, FreeReply> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr));
    if (!tree)
        return false;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        const std::unique_ptr<xcb_get_window_attributes_reply_t, FreeReply> attributes(
            xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, children[i]), nullptr));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        const std::unique_ptr<xcb_get_property_reply_t, FreeReply> name(xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, children[i], XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 64), nullptr));
        if (!name)
            continue;
        const QByteArray title(static_cast<const char*>(xcb_get_property_value(name.get())),
                               xcb_get_property_value_length(name.get()));
        if (title.startsWith("Kwelta"))
            return true;
    }
    return false;
}

qint64 residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    constexpr int runs = 5;
    std::vector<double> shownMs;
    std::vector<qint64> memoryKiB;

    for (int run = 0; run < runs; ++run) {
        TemporaryProfile profile;
        XvfbServer server;
        if (!server.start()) {
            std::fprintf(stderr, "bench_startup cannot run: %s\n", qPrintable(server.errorString()));
            return EXIT_FAILURE;
        }
        int screen = 0;
        xcb_connection_t* connection = xcb_connect(nullptr, &screen);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;

        QProcess program;
        program.setProgram(QStringLiteral(KWELTA_PROGRAM_PATH));
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer timer;
        timer.start();
        program.start();
        bool shown = false;
        while (!shown && timer.elapsed() < 10000 && program.state() != QProcess::NotRunning) {
            shown = kweltaWindowShown(connection, root);
            if (!shown)
                QThread::usleep(500);
        }
        const double elapsed = double(timer.nsecsElapsed()) / 1e6;
        if (!shown) {
            std::fprintf(stderr, "bench_startup: the window did not appear\n");
            return EXIT_FAILURE;
        }
        // The start-up timers run for about 100 ms after the first activation.
        QThread::msleep(1000);
        const qint64 memory = residentKiB(program.processId());
        program.terminate();
        program.waitForFinished(5000);
        xcb_disconnect(connection);

        shownMs.push_back(elapsed);
        memoryKiB.push_back(memory);
        std::printf("run %d  window shown after %7.1f ms, resident memory %6.1f MB\n", run + 1, elapsed,
                    double(memory) / 1024.0);
    }
    std::sort(shownMs.begin(), shownMs.end());
    std::sort(memoryKiB.begin(), memoryKiB.end());
    std::printf("median: window shown after %.1f ms (target under 400 ms), resident memory %.1f MB (target under "
                "80 MB)\n",
                shownMs[runs / 2], double(memoryKiB[runs / 2]) / 1024.0);
    return 0;
}
