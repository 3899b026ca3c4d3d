// 1,000 characters through the Wayland virtual keyboard backend into the receiver window as a native
// client of a headless sway, beside the same text through XTest into the receiver on an Xvfb, in one
// run. Prints figures only; it fails only when it cannot run.

#include "platform/wayland/waylandkeyboardinjector.h"
#include "platform/x11/x11keyboardinjector.h"
#include "processing/delivery.h"
#include "processing/processingoptions.h"
#include "support/receiver/receiverprocess.h"
#include "support/swaysession.h"
#include "support/temporaryprofile.h"
#include "support/xvfbserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr int textLength = 1000;
constexpr int rounds = 5;
constexpr int arrivalTimeoutMs = 60000;

// The text of bench_typing: letters of both cases, digits, punctuation and spaces, all on the US
// layout, so that XTest can type it too; the same on every run.
QString benchmarkText(const QString& pool)
{
    QString text;
    quint32 seed = 12345;
    for (int i = 0; i < textLength; ++i) {
        seed = seed * 1103515245u + 12345u;
        text += pool[qsizetype((seed >> 16) % quint32(pool.size()))];
    }
    return text;
}

QString typedText(const QStringList& keys)
{
    QString text;
    for (QString key : keys) {
        for (const QString& prefix : {QStringLiteral("Shift+"), QStringLiteral("AltGr+")}) {
            if (key.size() > prefix.size() && key.startsWith(prefix))
                key.remove(0, prefix.size());
        }
        text += key == u"Space" ? QStringLiteral(" ") : key;
    }
    return text;
}

// The median arrival time of the last character over the rounds, in ms; 0 when no round was complete.
double measure(const char* name, KeyboardInjector& keyboard, ReceiverProcess& receiver, const QString& text)
{
    const ProcessingOptions options;
    Delivery delivery(options, keyboard);
    std::vector<qint64> arrivals;
    // The first round also pays for building the tables and, on Wayland, for new keymaps.
    for (int index = 0; index <= rounds; ++index) {
        receiver.clearKeys();
        QElapsedTimer timer;
        timer.start();
        delivery.typeText(text.toUtf8());
        const qint64 sendNs = timer.nsecsElapsed();
        const bool complete = receiver.waitForKeys(textLength, arrivalTimeoutMs);
        const qint64 arrivalNs = timer.nsecsElapsed();
        receiver.waitFor([] { return false; }, 20);
        const bool identical = typedText(receiver.keys()) == text;
        std::printf("%-16s %-8s typing call %8.2f ms, last character after %8.2f ms, received %lld of %d, %s\n", name,
                    index == 0 ? "warm-up" : qPrintable(QStringLiteral("round %1").arg(index)), double(sendNs) / 1e6,
                    double(arrivalNs) / 1e6, static_cast<long long>(receiver.keys().size()), textLength,
                    identical ? "all in order" : "LOST, CHANGED OR REORDERED");
        if (index > 0 && complete && identical)
            arrivals.push_back(arrivalNs);
    }
    if (arrivals.empty())
        return 0;
    std::sort(arrivals.begin(), arrivals.end());
    return double(arrivals[arrivals.size() / 2]) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    TemporaryProfile profile;
    QCoreApplication application(argc, argv);
    const QString asciiText = benchmarkText(
        QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,;:-_/()!?@#%&*+="));
    // Half of it beyond ASCII, which the virtual keyboard's keymap has to take in first.
    const QString polishText =
        benchmarkText(QStringLiteral("aąbcćdeęfghijklłmnńoóprsśtuwyzźżAĄCĆEĘLŁNŃOÓSŚZŹŻ0123456789 .,µ"));

    double xtest = 0;
    {
        XvfbServer server;
        if (!server.start()) {
            std::fprintf(stderr, "bench_waylandtyping cannot run: %s\n", qPrintable(server.errorString()));
            return EXIT_FAILURE;
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        ReceiverProcess receiver;
        receiver.setLauncher({}, environment);
        X11KeyboardInjector keyboard;
        if (!receiver.start(QStringLiteral(KWELTA_RECEIVER_PATH)) || !keyboard.isAvailable()) {
            std::fprintf(stderr, "bench_waylandtyping cannot run XTest: %s\n", qPrintable(receiver.errorString()));
            return EXIT_FAILURE;
        }
        std::printf("bench_waylandtyping: %d characters through Delivery::typeText into the receiver window\n",
                    textLength);
        xtest = measure("XTest (Xvfb)", keyboard, receiver, asciiText);
    }

    if (const QString reason = SwaySession::unavailableReason(); !reason.isEmpty()) {
        std::fprintf(stderr, "bench_waylandtyping cannot run the virtual keyboard: %s\n", qPrintable(reason));
        return EXIT_FAILURE;
    }
    SwaySession sway;
    if (!sway.start({QStringLiteral("input * xkb_layout pl")})) {
        std::fprintf(stderr, "bench_waylandtyping cannot run: %s\n", qPrintable(sway.errorString()));
        return EXIT_FAILURE;
    }
    const QProcessEnvironment environment = sway.environment();
    // This process connects as the session's programs do.
    qputenv("WAYLAND_DISPLAY", environment.value(QStringLiteral("WAYLAND_DISPLAY")).toLocal8Bit());
    WaylandKeyboardInjector keyboard;
    ReceiverProcess receiver;
    receiver.setLauncher(sway.wrapper(), environment);
    if (!keyboard.isAvailable() || !receiver.start(QStringLiteral(KWELTA_RECEIVER_PATH))) {
        std::fprintf(stderr, "bench_waylandtyping cannot run the virtual keyboard: %s %s\n",
                     qPrintable(keyboard.unavailableReason()), qPrintable(receiver.errorString()));
        return EXIT_FAILURE;
    }
    const double virtualKeyboard = measure("virtual keyboard", keyboard, receiver, asciiText);
    const double polish = measure("vk, Polish text", keyboard, receiver, polishText);
    receiver.stop();

    std::printf("median arrival of the last of %d characters: XTest %.2f ms, virtual keyboard %.2f ms "
                "(%.2f× XTest), virtual keyboard with Polish text %.2f ms\n",
                textLength, xtest, virtualKeyboard, xtest > 0 ? virtualKeyboard / xtest : 0.0, polish);
    return EXIT_SUCCESS;
}
