#pragma once

#include "link/porterror.h"
#include "link/portsettings.h"

#include <optional>

// A port record's open, configure and close. Failures come back as what the user is to be told; whether
// and where to tell it is the caller's business (the port search tells nobody).
namespace SerialPort {

// What an opening came to: a configuration failure still leaves the port open.
struct Opening
{
    bool open = false;
    std::optional<PortError> error;
    // Why it did not open; problem None when it did.
    PortAccess access;
};

// Eight data bits, no parity, one stop bit, no flow control, DTR on, RTS off; port and speed untouched.
void resetLineSettings(PortSettings& settings);
Opening openPort(const PortSettings& settings);
// The first step that failed, named in the caption; the steps after it are not tried.
std::optional<PortError> configurePort(const PortSettings& settings);
void closePort(const PortSettings& settings);

} // namespace SerialPort
