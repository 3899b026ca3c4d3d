// kwelta-simscale: a weighing scale on a pseudo-terminal, for developing and testing without hardware.

#include "linesettings.h"
#include "ptytransport.h"
#include "scalemodel.h"
#include "simulatedscale.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    // Only async-signal-safe work here; the event loop picks the byte up and quits in an orderly way,
    // which removes the link.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

bool installSignalHandlers()
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    // A closed stdout or a vanished reader must not kill the scale; write errors are handled where they occur.
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

int fail(const QString& message)
{
    std::fprintf(stderr, "kwelta-simscale: %s\n", message.toLocal8Bit().constData());
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kwelta-simscale"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A weighing scale on a pseudo-terminal. Commands on stdin, one a line: print, weight <value>, tare, zero, "
        "stream <lines per second>, report, report scan, speed <bit/s>, quit."));
    parser.addHelpOption();
    const QCommandLineOption linkOption(QStringLiteral("link"), QStringLiteral("Symbolic link to the port to create."),
                                        QStringLiteral("path"));
    const QCommandLineOption baudOption(QStringLiteral("baud"), QStringLiteral("Line speed, 50 to 921600 (9600)."),
                                        QStringLiteral("bit/s"), QStringLiteral("9600"));
    const QCommandLineOption frameOption(QStringLiteral("frame"), QStringLiteral("Data bits, parity, stop bits (8N1)."),
                                         QStringLiteral("frame"), QStringLiteral("8N1"));
    const QCommandLineOption weightOption(QStringLiteral("weight"), QStringLiteral("Load on the scale (12.345)."),
                                          QStringLiteral("value"), QStringLiteral("12.345"));
    const QCommandLineOption formatOption(
        QStringLiteral("format"),
        QStringLiteral(
            "printf-like weight line with one %f/%e/%g and \\r \\n \\t \\xHH escapes (\"%11.3f kg\\r\\n\")."),
        QStringLiteral("pattern"));
    const QCommandLineOption streamOption(QStringLiteral("stream"), QStringLiteral("Weight lines per second (0)."),
                                          QStringLiteral("rate"), QStringLiteral("0"));
    const QCommandLineOption tareAckOption(
        QStringLiteral("ack-tare"), QStringLiteral("Answer to ST, with escapes (nothing)."), QStringLiteral("text"));
    const QCommandLineOption zeroAckOption(
        QStringLiteral("ack-zero"), QStringLiteral("Answer to SZ, with escapes (nothing)."), QStringLiteral("text"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                           QStringLiteral("Log what is received and sent on stderr."));
    parser.addOptions({linkOption, baudOption, frameOption, weightOption, formatOption, streamOption, tareAckOption,
                       zeroAckOption, verboseOption});
    parser.process(app);

    if (!parser.isSet(linkOption))
        return fail(QStringLiteral("--link is required"));
    bool ok = false;
    const int baud = parser.value(baudOption).toInt(&ok);
    const std::optional<LineSettings> settings =
        ok ? LineSettings::withFrame(baud, parser.value(frameOption)) : std::nullopt;
    if (!settings)
        return fail(QStringLiteral("--baud must be 50 to 921600 and --frame like 8N1, 7E1 or 8O2"));

    ScaleModel model;
    const double weight = parser.value(weightOption).toDouble(&ok);
    if (!ok)
        return fail(QStringLiteral("--weight must be a number"));
    model.setLoad(weight);
    if (parser.isSet(formatOption)) {
        const QByteArray pattern = ScaleModel::unescape(parser.value(formatOption).toUtf8());
        QString error;
        if (pattern.isNull())
            return fail(QStringLiteral("--format has an unknown escape"));
        if (!model.setFormat(pattern, &error))
            return fail(QStringLiteral("--format: %1").arg(error));
    }
    for (const auto& [option, setter] : {std::pair{&tareAckOption, &ScaleModel::setTareAcknowledgement},
                                         std::pair{&zeroAckOption, &ScaleModel::setZeroAcknowledgement}}) {
        const QByteArray ack = ScaleModel::unescape(parser.value(*option).toUtf8());
        if (ack.isNull())
            return fail(QStringLiteral("--%1 has an unknown escape").arg(option->names().constFirst()));
        (model.*setter)(ack);
    }

    if (!installSignalHandlers())
        return fail(QStringLiteral("cannot install the signal handlers"));
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

    PtyTransport transport(*settings);
    QString error;
    if (!transport.open(parser.value(linkOption), &error))
        return fail(error);
    SimulatedScale scale(std::move(model), &transport, parser.isSet(verboseOption));
    QObject::connect(&scale, &SimulatedScale::quitRequested, &app, &QCoreApplication::quit);
    if (!scale.setStreamRate(parser.value(streamOption).toDouble(&ok)) || !ok)
        return fail(QStringLiteral("--stream must be 0 to 1000 lines per second"));
    scale.listenOnStdin();

    std::printf("ready %s\n", parser.value(linkOption).toLocal8Bit().constData());
    std::fflush(stdout);
    return app.exec();
}
