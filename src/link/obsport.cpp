#include "link/obsport.h"

#include "link/mxtool.h"
#include "link/sio.h"

#include <QString>

namespace ObsPort {

void ResetPortSettings(TPortSettings& settings)
{
    settings.ParityBits = 0;
    settings.DataBits = 3;
    settings.StopBits = 0;
    settings.HardwareFlow = false;
    settings.SoftwareFlow = false;
    settings.Dtr = 1;
    settings.Rts = 0;
}

bool OpenPort(const TPortSettings& settings)
{
    const int result = sio_open(settings.Port);
    if (result == Sio::Ok) {
        ConfigurePort(settings);
        return true;
    }
    if (!Global::PortProbing)
        MxTool::ShowPortError(MxTool::tr("Niepowodzenie"), result);
    return false;
}

bool ConfigurePort(const TPortSettings& settings)
{
    // Each step only after the one before it succeeded; the first failure names its step.
    const auto failed = [](const char* step, int result) {
        if (result == Sio::Ok)
            return false;
        if (!Global::PortProbing)
            MxTool::ShowPortError(QString::fromLatin1(step), result);
        return true;
    };
    const int lineMode = settings.ParityBits + settings.DataBits + settings.StopBits;
    if (failed("sio_ioctl", sio_ioctl(settings.Port, settings.BaudCode, lineMode)))
        return false;
    const int flowMode =
        (settings.HardwareFlow ? Sio::FlowHardware : 0) + (settings.SoftwareFlow ? Sio::FlowSoftware : 0);
    if (failed("sio_flowctrl", sio_flowctrl(settings.Port, flowMode)))
        return false;
    if (failed("sio_DTR", sio_DTR(settings.Port, settings.Dtr)))
        return false;
    if (!settings.HardwareFlow && failed("sio_RTS", sio_RTS(settings.Port, settings.Rts)))
        return false;
    return true;
}

void ClosePort(const TPortSettings& settings)
{
    Global::SerialStopped = true;
    sio_close(settings.Port);
}

} // namespace ObsPort
