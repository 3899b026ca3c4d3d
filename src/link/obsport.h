#pragma once

#include "core/global.h"

// The one serial port record's open, configure and close, with the error boxes silenced while the
// port search runs.
namespace ObsPort {

// Eight data bits, no parity, one stop bit, no flow control, DTR on, RTS off; port and speed untouched.
void ResetPortSettings(TPortSettings& settings);
// Opens and configures the port; false only when it did not open (a configuration failure is shown
// but the port counts as open).
bool OpenPort(const TPortSettings& settings);
bool ConfigurePort(const TPortSettings& settings);
void ClosePort(const TPortSettings& settings);

} // namespace ObsPort
