#pragma once

#include <QString>

// The serial library layer: ports are named by number (1 = COM1, see portmap.h) and driven through
// termios. Every operation returns 0 or a positive count on success and one of the Sio codes below
// otherwise; none of them throws or crashes on bad arguments.
//
// Threads: all operations belong to the main thread, except sio_wait_readable, which another thread
// may call on a port as long as the main thread does not close that port until the wait has returned
// (the reader thread ends before the port is closed).
namespace Sio {
constexpr int Ok = 0;
constexpr int NoDevice = -1;     // no device at that path, or the number maps to nothing
constexpr int NotOpen = -2;      // the number is not open in this process
constexpr int Busy = -5;         // another program, or this one, holds the device
constexpr int BadParameter = -7; // baud code, line mode, flow mode, timeout or count out of range
constexpr int SystemError = -8;  // the cause is in sio_lastSystemMessage()
constexpr int DeviceGone = -10;  // the device went away while open (unplugged, other end closed)
constexpr int WriteTimeout = -12;

constexpr int BaudCodeCount = 20;
// A line mode is the sum of one of each: data bits, stop bits, parity.
constexpr int DataBits5 = 0x00;
constexpr int DataBits6 = 0x01;
constexpr int DataBits7 = 0x02;
constexpr int DataBits8 = 0x03;
constexpr int StopBits1 = 0x00;
constexpr int StopBits2 = 0x04;
constexpr int ParityNone = 0x00;
constexpr int ParityOdd = 0x08;
constexpr int ParityEven = 0x18;
constexpr int LineMode8N1 = DataBits8 + StopBits1 + ParityNone;
constexpr int FlowHardware = 3;
constexpr int FlowSoftware = 12;

constexpr int Readable = 1; // sio_wait_readable: data are waiting
constexpr int TimedOut = 0; // sio_wait_readable: nothing within the time

constexpr int WriteTimeoutMs = 1000;

// The bit rate a baud code stands for (134 for 134.5 bit/s, which termios knows only as 134), or 0 for a
// code outside 0..19.
int bitRate(int baudCode);
} // namespace Sio

// Takes the device exclusively; the line is put into raw 8N1 at once with its current speed.
int sio_open(int port);
// baudCode 0..19 (50 .. 921600 bit/s); mode: data bits + stop bits + parity (Sio::DataBits8 and so
// on); mark and space parity are refused.
int sio_ioctl(int port, int baudCode, int mode);
// mode: 0 none, 3 CTS/RTS, 12 XON/XOFF, 15 both.
int sio_flowctrl(int port, int mode);
int sio_DTR(int port, int on);
int sio_RTS(int port, int on);
// A read returns once count bytes have arrived, or intervalMs after the last byte when no other
// followed, or totalMs after it began, whichever comes first. totalMs 0 returns at once with what
// is there; intervalMs 0 means no interval limit. Before the first call both are 0.
int sio_SetReadTimeouts(int port, int totalMs, int intervalMs);
// The number of bytes placed in buffer (0 = nothing arrived), or a negative code. Bytes that arrived
// before the device went away are returned first; the next read reports Sio::DeviceGone.
int sio_read(int port, char* buffer, int count);
// Sends the low 8 bits of byte; waits at most Sio::WriteTimeoutMs while the output queue is full.
int sio_putch(int port, int byte);
int sio_close(int port);
// Discards what the port holds: 0 the input received and not read, 1 the output not yet sent, 2 both.
int sio_flush(int port, int what);

// The number of bytes received and not yet read (a read of that many returns at once), or a
// negative code.
int sio_iqueue(int port);

// Waits until the port has data to read (Sio::Readable), timeoutMs passed (Sio::TimedOut) or the
// device went away (Sio::DeviceGone); Sio::NotOpen when the number is not open.
int sio_wait_readable(int port, int timeoutMs);

// The operating system's message for the last Sio::SystemError result, in the user's language.
QString sio_lastSystemMessage();
// The errno behind the last Sio::SystemError result (EACCES for a device the user may not open).
int sio_lastSystemError();
