// How long a burst of typing takes to arrive in another program's window, through the real X11
// backend under an X server of its own. Prints figures only; it fails only when it cannot run.

#include "platform/keyboardinjector.h"
#include "processing/delivery.h"
#include "processing/processingoptions.h"
#include "support/receiver/receiverprocess.h"
#include "support/temporaryprofile.h"
#include "support/xvfbserver.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr int textLength = 1000;
constexpr int rounds = 5;
constexpr int arrivalTimeoutMs = 60000;

// Letters of both cases, digits, punctuation and spaces, all of them on the US layout, in an order
// that is the same on every run so that runs compare.
QByteArray benchmarkText()
{
    const QByteArray pool = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .,;:-_/()!?@#%&*+=";
    QByteArray text;
    quint32 seed = 12345;
    for (int i = 0; i < textLength; ++i) {
        seed = seed * 1103515245u + 12345u;
        text += pool[qsizetype((seed >> 16) % quint32(pool.size()))];
    }
    return text;
}

// The receiver's tokens back into the characters they stand for.
QByteArray typedText(const QStringList& keys)
{
    QByteArray text;
    for (QString key : keys) {
        for (const QString& prefix : {QStringLiteral("Shift+"), QStringLiteral("AltGr+")}) {
            if (key.size() > prefix.size() && key.startsWith(prefix))
                key.remove(0, prefix.size());
        }
        text += key == u"Space" ? QByteArray(" ") : key.toUtf8();
    }
    return text;
}

struct Round
{
    qint64 sendNs = 0;
    qint64 arrivalNs = 0;
    qsizetype received = 0;
    bool identical = false;
    bool sameCharacters = false;
};

void printRound(const char* label, const Round& round)
{
    std::printf("%-8s typing call %8.2f ms, last character arrived after %8.2f ms (%7.1f characters/s), "
                "received %lld of %d, %s\n",
                label, double(round.sendNs) / 1e6, double(round.arrivalNs) / 1e6,
                round.arrivalNs > 0 ? double(round.received) * 1e9 / double(round.arrivalNs) : 0.0,
                static_cast<long long>(round.received), textLength,
                round.identical        ? "none lost or reordered"
                : round.sameCharacters ? "REORDERED"
                                       : "LOST OR CHANGED");
}

} // namespace

int main(int argc, char** argv)
{
    TemporaryProfile profile;
    XvfbServer server;
    if (!server.startForApplication("bench_typing"))
        return EXIT_FAILURE;
    QGuiApplication application(argc, argv);

    ReceiverProcess receiver;
    if (!receiver.start(QStringLiteral(KWELTA_RECEIVER_PATH))) {
        std::fprintf(stderr, "bench_typing cannot run: %s\n", qPrintable(receiver.errorString()));
        return EXIT_FAILURE;
    }
    const std::unique_ptr<KeyboardInjector> keyboard = createKeyboardInjector();
    if (!keyboard->isAvailable()) {
        std::fprintf(stderr, "bench_typing cannot run: no keystroke output on %s\n", qPrintable(server.display()));
        return EXIT_FAILURE;
    }
    const ProcessingOptions options;
    Delivery delivery(options, *keyboard);

    const QByteArray text = benchmarkText();
    QByteArray sortedText = text;
    std::sort(sortedText.begin(), sortedText.end());

    std::printf("bench_typing: %d characters through Delivery::typeText into the receiver window on %s\n", textLength,
                qPrintable(server.display()));
    std::vector<qint64> arrivals;
    // The first round also pays for building the layout table; it is shown but not in the median.
    for (int index = 0; index <= rounds; ++index) {
        receiver.clearKeys();
        Round round;
        QElapsedTimer timer;
        timer.start();
        delivery.typeText(text);
        round.sendNs = timer.nsecsElapsed();
        const bool complete = receiver.waitForKeys(textLength, arrivalTimeoutMs);
        round.arrivalNs = timer.nsecsElapsed();
        // A few more milliseconds let surplus keys show up as a wrong count.
        receiver.waitFor([] { return false; }, 20);

        const QByteArray received = typedText(receiver.keys());
        round.received = receiver.keys().size();
        round.identical = received == text;
        QByteArray sortedReceived = received;
        std::sort(sortedReceived.begin(), sortedReceived.end());
        round.sameCharacters = sortedReceived == sortedText;
        if (!complete)
            round.arrivalNs = 0;

        const QByteArray label = index == 0 ? QByteArray("warm-up") : "round " + QByteArray::number(index);
        printRound(label.constData(), round);
        if (index > 0 && complete)
            arrivals.push_back(round.arrivalNs);
    }

    if (arrivals.empty()) {
        std::printf("no round delivered all %d characters within %d ms\n", textLength, arrivalTimeoutMs);
        return EXIT_SUCCESS;
    }
    std::sort(arrivals.begin(), arrivals.end());
    const double median = double(arrivals[arrivals.size() / 2]) / 1e6;
    std::printf("median arrival of the last character: %.2f ms for %d characters (%.3f ms per character)\n", median,
                textLength, median / textLength);
    return EXIT_SUCCESS;
}
