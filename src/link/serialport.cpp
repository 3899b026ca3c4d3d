#include "link/serialport.h"

#include "core/global.h"
#include "link/sio.h"

#include <QString>

namespace SerialPort {

void resetLineSettings(PortSettings& settings)
{
    settings.ParityBits = 0;
    settings.DataBits = 3;
    settings.StopBits = 0;
    settings.HardwareFlow = false;
    settings.SoftwareFlow = false;
    settings.Dtr = 1;
    settings.Rts = 0;
}

Opening openPort(const PortSettings& settings)
{
    const int result = sio_open(settings.Port);
    if (result != Sio::Ok) {
        const PortAccess access = PortAccess::explain(settings.Port, result, sio_lastSystemError());
        return Opening{false, PortError::openingFailed(access, result), access};
    }
    PortAccess opened;
    opened.port = settings.Port;
    return Opening{true, configurePort(settings), opened};
}

std::optional<PortError> configurePort(const PortSettings& settings)
{
    const auto failure = [](const char* step, int result) -> std::optional<PortError> {
        if (result == Sio::Ok)
            return std::nullopt;
        return PortError::fromCode(QString::fromLatin1(step), result);
    };
    const int lineMode = settings.ParityBits + settings.DataBits + settings.StopBits;
    if (auto error = failure("sio_ioctl", sio_ioctl(settings.Port, settings.BaudCode, lineMode)))
        return error;
    const int flowMode =
        (settings.HardwareFlow ? Sio::FlowHardware : 0) + (settings.SoftwareFlow ? Sio::FlowSoftware : 0);
    if (auto error = failure("sio_flowctrl", sio_flowctrl(settings.Port, flowMode)))
        return error;
    if (auto error = failure("sio_DTR", sio_DTR(settings.Port, settings.Dtr)))
        return error;
    if (!settings.HardwareFlow)
        return failure("sio_RTS", sio_RTS(settings.Port, settings.Rts));
    return std::nullopt;
}

void closePort(const PortSettings& settings)
{
    Global::SerialStopped = true;
    sio_close(settings.Port);
}

} // namespace SerialPort
