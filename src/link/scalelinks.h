#pragma once

#include "core/global.h"
#include "link/ethconnection.h"
#include "link/scalecommands.h"
#include "link/serialconnection.h"

#include <QObject>

#include <memory>

class EthSupervision;

// The program's two ways to the scale, the serial port and Ethernet, of which the user chooses one: what
// opens and closes them, whether the chosen one is open, and where a command for the scale goes. Both
// hand what they receive to the same intake. Main thread only.
class ScaleLinks : public QObject
{
    Q_OBJECT

public:
    // Text from the scale, and the link it came over.
    using Intake = std::function<void(ScaleLink link, const QByteArray& text)>;

    // target names the Ethernet scale as the user has it set at the moment of asking.
    ScaleLinks(EthConnection::ReadModeSource readMode, Intake intake, std::function<EthTarget()> target,
               QObject* parent = nullptr);
    // The links end before the intake they feed can go.
    ~ScaleLinks() override;

    SerialConnection& serial() { return *m_serial; }
    EthConnection& ethernet() { return *m_eth; }
    EthSupervision& supervision() { return *m_supervision; }

    // Opens the serial port of the record, or closes it when it is open.
    void openOrCloseSerial(const PortSettings& settings, int bufferSize);
    // Whether a command sent now would go out on the link of this kind.
    bool isOpen(ScaleLink kind) const;
    // Whether a link is open or the user wants the Ethernet one open: the choice of kind waits meanwhile.
    bool isBusy() const;
    void send(const QByteArray& command, ScaleLink kind);
    // Scales of some makers end their lines with CR alone and print results shorter than the status
    // lines of others; with their formats chosen, both links cut for them.
    void setMakerLines(bool on);
    // Told of each line a link's cut drops as too short to be a result.
    void setShortLineObserver(const Intake& observer);
    // The link of this kind as the user knows it ("COM3", "TCP 10.0.0.5:4001").
    QString linkName(ScaleLink kind) const;
    // The closing sequence: no more reachability checks, and the Ethernet link is let go.
    void release();

private:
    std::function<EthTarget()> m_target;
    std::unique_ptr<SerialConnection> m_serial;
    std::unique_ptr<EthConnection> m_eth;
    EthSupervision* m_supervision = nullptr;
    std::unique_ptr<LinkOrderTransport> m_orders;
};
