#include "link/lineformat.h"

#include "core/usersettings.h"
#include "link/sio.h"

namespace {

QChar parityLetter(LineFormat::Parity parity)
{
    switch (parity) {
    case LineFormat::Parity::Even:
        return u'E';
    case LineFormat::Parity::Odd:
        return u'O';
    case LineFormat::Parity::None:
        break;
    }
    return u'N';
}

} // namespace

QString LineFormat::frameText() const
{
    return QString::number(dataBits) + parityLetter(parity) + QString::number(stopBits);
}

std::optional<LineFormat> LineFormat::fromFrameText(QStringView text)
{
    if (text.size() != 3)
        return std::nullopt;
    LineFormat format;
    format.dataBits = text[0].digitValue();
    format.stopBits = text[2].digitValue();
    const QChar letter = text[1].toUpper();
    if (letter == u'N')
        format.parity = Parity::None;
    else if (letter == u'E')
        format.parity = Parity::Even;
    else if (letter == u'O')
        format.parity = Parity::Odd;
    else
        return std::nullopt;
    if (!dataBitsChoices().contains(format.dataBits) || !stopBitsChoices().contains(format.stopBits))
        return std::nullopt;
    return format;
}

LineFormat LineFormat::fromSettings(const UserSettings& settings)
{
    LineFormat format;
    if (dataBitsChoices().contains(settings.dataBits))
        format.dataBits = settings.dataBits;
    if (parityChoices().contains(Parity(settings.parity)))
        format.parity = Parity(settings.parity);
    if (stopBitsChoices().contains(settings.stopBits))
        format.stopBits = settings.stopBits;
    if (flowControlChoices().contains(FlowControl(settings.flowControl)))
        format.flowControl = FlowControl(settings.flowControl);
    return format;
}

void LineFormat::storeIn(UserSettings& settings) const
{
    settings.dataBits = dataBits;
    settings.parity = int(parity);
    settings.stopBits = stopBits;
    settings.flowControl = int(flowControl);
}

void LineFormat::applyTo(PortSettings& settings) const
{
    settings.DataBits = dataBits == 7 ? Sio::DataBits7 : Sio::DataBits8;
    settings.StopBits = stopBits == 2 ? Sio::StopBits2 : Sio::StopBits1;
    switch (parity) {
    case Parity::Even:
        settings.ParityBits = Sio::ParityEven;
        break;
    case Parity::Odd:
        settings.ParityBits = Sio::ParityOdd;
        break;
    case Parity::None:
        settings.ParityBits = Sio::ParityNone;
        break;
    }
    settings.HardwareFlow = flowControl == FlowControl::Hardware;
    settings.SoftwareFlow = flowControl == FlowControl::Software;
}

QString LineFormat::parityText(Parity parity)
{
    switch (parity) {
    case Parity::Even:
        return tr("parzysta");
    case Parity::Odd:
        return tr("nieparzysta");
    case Parity::None:
        break;
    }
    return tr("brak", "parity");
}

QString LineFormat::flowControlText(FlowControl flow)
{
    switch (flow) {
    case FlowControl::Hardware:
        return QStringLiteral("RTS/CTS");
    case FlowControl::Software:
        return QStringLiteral("XON/XOFF");
    case FlowControl::None:
        break;
    }
    return tr("brak", "flow control");
}
