#include "simulatedscale.h"

#include "scaletransport.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr double MaxStreamRate = 1000.0;

// Endless garbage would flood the log otherwise.
constexpr qsizetype MaxLoggedBytes = 200;

QString printable(const QByteArray& bytes)
{
    QString text;
    for (const char c : bytes.left(MaxLoggedBytes)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r')
            text += QStringLiteral("\\r");
        else if (c == '\n')
            text += QStringLiteral("\\n");
        else if (byte < 0x20 || byte >= 0x7f)
            text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
        else
            text += QLatin1Char(c);
    }
    if (bytes.size() > MaxLoggedBytes)
        text += QStringLiteral("... (%1 bytes)").arg(bytes.size());
    return text;
}

} // namespace

SimulatedScale::SimulatedScale(ScaleModel model, ScaleTransport* transport, bool verbose, QObject* parent)
    : QObject(parent)
    , m_model(std::move(model))
    , m_transport(transport)
    , m_verbose(verbose)
{
    m_streamTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_streamTimer, &QTimer::timeout, this, [this] { send(m_model.weightLine()); });
    connect(m_transport, &ScaleTransport::received, this, &SimulatedScale::onReceived);
    connect(m_transport, &ScaleTransport::ignored, this, [this](const QByteArray& bytes, const QString& why) {
        // Noise on the line breaks whatever command was being received, as on a real receiver.
        m_model.discardPartialLine();
        log(QStringLiteral("ignored %1: %2").arg(why, printable(bytes)));
    });
    connect(m_transport, &ScaleTransport::refused, this, [this](const QByteArray& bytes, const QString& from) {
        log(QStringLiteral("refused from %1: %2").arg(from, printable(bytes)));
    });
    connect(m_transport, &ScaleTransport::partnerChanged, this, [this](const QString& description) {
        m_model.discardPartialLine();
        log(QStringLiteral("now serving %1").arg(description));
    });
}

SimulatedScale::~SimulatedScale() = default;

void SimulatedScale::listenOnStdin()
{
    m_stdinNotifier = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    connect(m_stdinNotifier.get(), &QSocketNotifier::activated, this, &SimulatedScale::readControl);
}

bool SimulatedScale::setStreamRate(double linesPerSecond)
{
    if (!(linesPerSecond >= 0.0 && linesPerSecond <= MaxStreamRate))
        return false;
    if (linesPerSecond == 0.0) {
        m_streamTimer.stop();
        return true;
    }
    // QTimer counts whole milliseconds, which bounds the rate at 1000 lines a second.
    m_streamTimer.start(std::chrono::milliseconds(std::max<qint64>(1, qint64(1000.0 / linesPerSecond))));
    return true;
}

void SimulatedScale::onReceived(const QByteArray& bytes)
{
    log(QStringLiteral("received: %1").arg(printable(bytes)));
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastReceived > ReceiveTimeout)
        m_model.discardPartialLine();
    m_lastReceived = now;
    send(m_model.receive(bytes));
}

void SimulatedScale::send(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    if (m_transport->send(bytes))
        log(QStringLiteral("sent: %1").arg(printable(bytes)));
    else
        log(QStringLiteral("not sent (nobody to take it, other line settings or a full queue): %1")
                .arg(printable(bytes)));
}

void SimulatedScale::readControl()
{
    char buffer[1024];
    const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (count < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (count <= 0) {
        // Without a stdin (started in the background) the scale still runs until a signal ends it.
        m_stdinNotifier->setEnabled(false);
        return;
    }
    for (ssize_t i = 0; i < count; ++i) {
        const char c = buffer[i];
        if (c == '\n') {
            if (!m_controlOverlong)
                runControl(m_control.trimmed());
            m_control.clear();
            m_controlOverlong = false;
        } else if (m_control.size() >= MaxControlLine) {
            m_control.clear();
            m_controlOverlong = true;
        } else if (!m_controlOverlong) {
            m_control += c;
        }
    }
}

void SimulatedScale::runControl(const QByteArray& line)
{
    const QList<QByteArray> words = line.simplified().split(' ');
    const QByteArray command = words.value(0);
    const QByteArray argument = words.value(1);
    bool ok = words.size() <= 2;
    if (command.isEmpty())
        return;
    if (command == "print" && words.size() == 1) {
        send(m_model.weightLine());
    } else if (command == "weight" && words.size() == 2) {
        const double value = argument.toDouble(&ok);
        ok = ok && std::isfinite(value);
        if (ok)
            m_model.setLoad(value);
    } else if (command == "tare" && words.size() == 1) {
        m_model.tare();
    } else if (command == "zero" && words.size() == 1) {
        m_model.zero();
    } else if (command == "stream" && words.size() == 2) {
        ok = setStreamRate(argument.toDouble(&ok)) && ok;
    } else if (command == "report" && (words.size() == 1 || argument == "scan")) {
        send(m_model.report(words.size() == 1 ? ScaleModel::ReportKind::Plain : ScaleModel::ReportKind::Scan));
    } else if (command == "speed" && words.size() == 2) {
        const int baud = argument.toInt(&ok);
        ok = ok && m_transport->setLineSpeed(baud);
    } else if (command == "quit" && words.size() == 1) {
        emit quitRequested();
    } else {
        ok = false;
    }
    if (!ok)
        std::fprintf(stderr, "kwelta-simscale: not understood: %s\n", line.constData());
    else
        log(QStringLiteral("operator: %1").arg(QString::fromLatin1(line)));
}

void SimulatedScale::log(const QString& text) const
{
    if (m_verbose)
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}
