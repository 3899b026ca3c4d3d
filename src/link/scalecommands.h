#pragma once

#include "core/global.h"
#include "link/ethconnection.h"
#include "link/serialconnection.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The commands the scale understands, and how they reach it. Whatever the scale answers comes back
// through the normal reading path.
namespace ScaleCommand {

inline constexpr char Tare[] = "ST";
inline constexpr char Zero[] = "SZ";
inline constexpr char Print[] = "SI";
// What the cyclic reading asks unless only stable results are wanted: the result whatever its state.
inline constexpr char Immediate[] = "Sx1";

// The special command's text with its "$" escapes applied: "$" and the two characters after it stand
// for the byte of that hexadecimal value (fewer digits where the text ends first); a value of 0 or no
// hexadecimal digits give nothing, and the three positions are consumed either way.
QByteArray specialCommand(const QString& text);

// The cyclic reading's period from repeatTimeEdit's text and repeatUnitBox's item ("ms", "s", "min",
// "h"; any other item counts as "ms"). Nothing for a time that is no positive number. Periods below
// MinimumMs are raised to it, and periods a timer cannot hold (from 597 hours on) are lowered to the
// longest whole number of the unit it can; shownTime is then what the time box must show, so that it
// never shows one period while the timer runs another.
struct RepeatPeriod
{
    int milliseconds = 0;
    std::optional<QString> shownTime;
};
inline constexpr int MinimumMs = 200;
std::optional<RepeatPeriod> repeatPeriod(const QString& timeText, int unitIndex);

} // namespace ScaleCommand

// Where a framed command goes; the program's own is LinkOrderTransport, tests record.
class OrderTransport
{
public:
    virtual ~OrderTransport() = default;
    virtual void sendSerial(const QByteArray& bytes) = 0;
    virtual void sendTcp(const QByteArray& frame) = 0;
    virtual void sendUdp(const QByteArray& frame) = 0;
};

// Frames the command with CR LF and sends it over the chosen link: over Ethernet whatever the serial
// port's state (the link sends nothing while it is down), over the serial port only while it is open.
// Nothing is reported either way.
void SendOrder(const QByteArray& command, ScaleLink link, EthProtocol protocol, OrderTransport& transport);

// The serial connection's port, byte by byte, and the Ethernet link.
class LinkOrderTransport : public OrderTransport
{
public:
    LinkOrderTransport(const SerialConnection& serial, EthConnection& ethernet)
        : m_serial(serial)
        , m_ethernet(ethernet)
    {}
    void sendSerial(const QByteArray& bytes) override;
    void sendTcp(const QByteArray& frame) override { m_ethernet.sendTcp(frame); }
    void sendUdp(const QByteArray& frame) override { m_ethernet.sendUdp(frame); }

private:
    const SerialConnection& m_serial;
    EthConnection& m_ethernet;
};
