#include "link/scalecommands.h"

#include "link/sio.h"

#include <limits>

namespace ScaleCommand {

namespace {

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Up to two characters read together as one hexadecimal number: "1B" 27, "D" at the end 13; "1x" and
// "xy" are no number, and nothing at all is none either.
int escapedValue(QStringView digits)
{
    int value = 0;
    for (const QChar c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return 0;
        value = value * 16 + digit;
    }
    return value;
}

} // namespace

QByteArray specialCommand(const QString& text)
{
    QByteArray command;
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype escape = text.indexOf(u'$', at);
        // The scale's protocol is bytes; characters beyond ASCII go as the user's locale writes them.
        command.append(QStringView(text).mid(at, (escape < 0 ? text.size() : escape) - at).toLocal8Bit());
        if (escape < 0)
            break;
        if (const int value = escapedValue(QStringView(text).mid(escape + 1, 2)); value > 0)
            command.append(char(value));
        at = escape + 3;
    }
    return command;
}

std::optional<RepeatPeriod> repeatPeriod(const QString& timeText, int unitIndex)
{
    bool isNumber = false;
    const qint64 time = timeText.trimmed().toLongLong(&isNumber);
    if (!isNumber || time <= 0)
        return std::nullopt;
    static constexpr qint64 factors[] = {1, 1000, 60'000, 3'600'000};
    const qint64 factor = unitIndex >= 0 && unitIndex < 4 ? factors[unitIndex] : 1;
    constexpr qint64 longest = std::numeric_limits<int>::max();
    if (factor == 1 && time < MinimumMs)
        return RepeatPeriod{MinimumMs, QString::number(MinimumMs)};
    if (time > longest / factor) {
        const qint64 fitting = longest / factor;
        return RepeatPeriod{int(fitting * factor), QString::number(fitting)};
    }
    return RepeatPeriod{int(time * factor), std::nullopt};
}

} // namespace ScaleCommand

void SendOrder(const QByteArray& command, ScaleLink link, EthProtocol protocol, OrderTransport& transport)
{
    const QByteArray frame = command + "\r\n";
    if (link == ScaleLink::Ethernet) {
        if (protocol == EthProtocol::Udp)
            transport.sendUdp(frame);
        else
            transport.sendTcp(frame);
        return;
    }
    if (!Global::SerialStopped)
        transport.sendSerial(frame);
}

void LinkOrderTransport::sendSerial(const QByteArray& bytes)
{
    for (const char byte : bytes)
        sio_putch(m_serial.portSettings().Port, quint8(byte));
}
