// kwelta-simscale: a weighing scale on a pseudo-terminal or the network, for developing and testing without
// hardware.

#include "linesettings.h"
#include "networktransports.h"
#include "ptytransport.h"
#include "scalemodel.h"
#include "simulatedscale.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostInfo>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <optional>
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

std::optional<quint16> portOf(const QString& text)
{
    bool ok = false;
    const uint port = text.toUInt(&ok);
    return ok && port <= 65535 ? std::optional<quint16>(quint16(port)) : std::nullopt;
}

// "HOST:PORT", "[v6 address]:PORT"; a name is looked up once, at the start.
std::optional<std::pair<QHostAddress, quint16>> hostAndPortOf(const QString& text)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    QString host = text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    const std::optional<quint16> port = portOf(text.mid(colon + 1));
    if (!port || *port == 0)
        return std::nullopt;
    QHostAddress address(host);
    if (address.isNull()) {
        const QList<QHostAddress> found = QHostInfo::fromName(host).addresses();
        if (found.isEmpty())
            return std::nullopt;
        address = found.constFirst();
    }
    return std::pair{address, *port};
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kwelta-simscale"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A weighing scale on a pseudo-terminal (--link), a TCP port (--tcp) or a UDP port (--udp). "
                       "Commands on stdin, one a line: print, weight <value>, tare, zero, "
                       "stream <lines per second>, report, report scan, speed <bit/s> (--link only), quit."));
    parser.addHelpOption();
    const QCommandLineOption linkOption(QStringLiteral("link"), QStringLiteral("Symbolic link to the port to create."),
                                        QStringLiteral("path"));
    const QCommandLineOption tcpOption(QStringLiteral("tcp"),
                                       QStringLiteral("TCP port to serve one client at a time on (0: a free one)."),
                                       QStringLiteral("port"));
    const QCommandLineOption udpOption(
        QStringLiteral("udp"), QStringLiteral("UDP port to take commands on (0: a free one)."), QStringLiteral("port"));
    const QCommandLineOption peerOption(QStringLiteral("peer"),
                                        QStringLiteral("Where UDP answers go, and the only sender heard (with --udp)."),
                                        QStringLiteral("host:port"));
    const QCommandLineOption addressOption(QStringLiteral("address"),
                                           QStringLiteral("Address to listen on with --tcp or --udp (127.0.0.1)."),
                                           QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption baudOption(QStringLiteral("baud"),
                                        QStringLiteral("Line speed, 50 to 921600 (9600); --link only."),
                                        QStringLiteral("bit/s"), QStringLiteral("9600"));
    // --frame is the older name of --line; scripts written for it keep working.
    const QCommandLineOption frameOption(
        QStringList{QStringLiteral("line"), QStringLiteral("frame")},
        QStringLiteral("Character frame: data bits 5-8, parity N, E or O, stop bits 1 or 2, as 8N1, 7E1 or 8O2 "
                       "(8N1). A port opened with other data bits or parity reads the scale's bytes spoilt, "
                       "as a UART would; at another speed or stop bits it reads nothing; --link only."),
        QStringLiteral("frame"), QStringLiteral("8N1"));
    const QCommandLineOption weightOption(QStringLiteral("weight"), QStringLiteral("Load on the scale (12.345)."),
                                          QStringLiteral("value"), QStringLiteral("12.345"));
    QStringList makerFormats;
    for (const QByteArrayView name : ScaleModel::makerFormatNames())
        makerFormats.append(QString::fromLatin1(name));
    const QCommandLineOption formatOption(
        QStringLiteral("format"),
        QStringLiteral("printf-like weight line with one %f/%e/%g and \\r \\n \\t \\xHH escapes (\"%11.3f kg\\r\\n\"), "
                       "or the shape of common scale makers: %1.")
            .arg(makerFormats.join(QStringLiteral(", "))),
        QStringLiteral("pattern"));
    const QCommandLineOption streamOption(QStringLiteral("stream"), QStringLiteral("Weight lines per second (0)."),
                                          QStringLiteral("rate"), QStringLiteral("0"));
    const QCommandLineOption tareAckOption(
        QStringLiteral("ack-tare"), QStringLiteral("Answer to ST, with escapes (nothing)."), QStringLiteral("text"));
    const QCommandLineOption zeroAckOption(
        QStringLiteral("ack-zero"), QStringLiteral("Answer to SZ, with escapes (nothing)."), QStringLiteral("text"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                           QStringLiteral("Log what is received and sent on stderr."));
    parser.addOptions({linkOption, tcpOption, udpOption, peerOption, addressOption, baudOption, frameOption,
                       weightOption, formatOption, streamOption, tareAckOption, zeroAckOption, verboseOption});
    parser.process(app);

    if (int(parser.isSet(linkOption)) + int(parser.isSet(tcpOption)) + int(parser.isSet(udpOption)) != 1)
        return fail(QStringLiteral("one of --link, --tcp and --udp is required"));
    if (parser.isSet(udpOption) != parser.isSet(peerOption))
        return fail(QStringLiteral("--peer goes with --udp, and --udp needs it"));
    bool ok = false;
    const int baud = parser.value(baudOption).toInt(&ok);
    const std::optional<LineSettings> settings =
        ok ? LineSettings::withFrame(baud, parser.value(frameOption)) : std::nullopt;
    if (!settings)
        return fail(QStringLiteral("--baud must be 50 to 921600 and --line like 8N1, 7E1 or 8O2"));

    ScaleModel model;
    const double weight = parser.value(weightOption).toDouble(&ok);
    if (!ok)
        return fail(QStringLiteral("--weight must be a number"));
    model.setLoad(weight);
    if (parser.isSet(formatOption)) {
        const QByteArray given = parser.value(formatOption).toUtf8();
        const QByteArray preset = ScaleModel::makerFormat(given);
        const QByteArray pattern = preset.isNull() ? ScaleModel::unescape(given) : preset;
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

    std::unique_ptr<ScaleTransport> transport;
    QString error;
    if (parser.isSet(linkOption)) {
        auto pty = std::make_unique<PtyTransport>(*settings);
        if (!pty->open(parser.value(linkOption), &error))
            return fail(error);
        transport = std::move(pty);
    } else {
        const QHostAddress address(parser.value(addressOption));
        if (address.isNull())
            return fail(QStringLiteral("--address must be an IP address"));
        const std::optional<quint16> port = portOf(parser.value(parser.isSet(tcpOption) ? tcpOption : udpOption));
        if (!port)
            return fail(QStringLiteral("the port must be 0 to 65535"));
        if (parser.isSet(tcpOption)) {
            auto tcp = std::make_unique<TcpTransport>();
            if (!tcp->listen(address, *port, &error))
                return fail(error);
            transport = std::move(tcp);
        } else {
            const auto peer = hostAndPortOf(parser.value(peerOption));
            if (!peer)
                return fail(QStringLiteral("--peer must be HOST:PORT with a host that resolves and a port above 0"));
            auto udp = std::make_unique<UdpTransport>(peer->first, peer->second);
            if (!udp->bind(address, *port, &error))
                return fail(error);
            transport = std::move(udp);
        }
    }
    SimulatedScale scale(std::move(model), transport.get(), parser.isSet(verboseOption));
    QObject::connect(&scale, &SimulatedScale::quitRequested, &app, &QCoreApplication::quit);
    if (!scale.setStreamRate(parser.value(streamOption).toDouble(&ok)) || !ok)
        return fail(QStringLiteral("--stream must be 0 to 1000 lines per second"));
    scale.listenOnStdin();

    std::printf("ready %s\n", transport->location().toLocal8Bit().constData());
    std::fflush(stdout);
    return app.exec();
}
