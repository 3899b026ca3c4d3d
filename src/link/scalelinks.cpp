#include "link/scalelinks.h"

#include "link/ethsupervision.h"

ScaleLinks::ScaleLinks(EthConnection::ReadModeSource readMode, Intake intake, std::function<EthTarget()> target,
                       QObject* parent)
    : QObject(parent)
    , m_target(std::move(target))
    , m_serial(std::make_unique<SerialConnection>(
          readMode, [intake](const QByteArray& text) { intake(ScaleLink::Serial, text); }))
    , m_eth(std::make_unique<EthConnection>(readMode,
                                            [intake](const QByteArray& text) { intake(ScaleLink::Ethernet, text); }))
    // A child, so that TimerPing is found among the window's timers.
    , m_supervision(new EthSupervision(*m_eth, m_target, this))
    , m_orders(std::make_unique<LinkOrderTransport>(*m_serial, *m_eth))
{}

// The supervision watches the Ethernet link, so it goes first; the members then end in reverse order.
ScaleLinks::~ScaleLinks()
{
    delete m_supervision;
}

void ScaleLinks::openOrCloseSerial(const PortSettings& settings, int bufferSize)
{
    if (m_serial->isOpen()) {
        m_serial->stopSerial();
        return;
    }
    m_serial->setPortSettings(settings);
    m_serial->setBufferSize(bufferSize);
    m_serial->startSerial();
}

bool ScaleLinks::isOpen(ScaleLink kind) const
{
    switch (kind) {
    case ScaleLink::None:
        return false;
    case ScaleLink::Serial:
        return m_serial->isOpen();
    case ScaleLink::Ethernet:
        break;
    }
    if (EthProtocol(m_target().protocol) == EthProtocol::Udp)
        return m_eth->udpLocalPort() != 0;
    return m_eth->linkState() == EthLinkState::Connected;
}

bool ScaleLinks::isBusy() const
{
    return m_serial->isOpen() || m_eth->isOpen() || m_supervision->isWanted();
}

void ScaleLinks::send(const QByteArray& command, ScaleLink kind)
{
    SendOrder(command, kind, EthProtocol(m_target().protocol), *m_orders);
}

void ScaleLinks::setMakerLines(bool on)
{
    m_serial->setMakerLines(on);
    m_eth->setMakerLines(on);
}

void ScaleLinks::setShortLineObserver(const Intake& observer)
{
    m_serial->setShortLineObserver([observer](const QByteArray& line) { observer(ScaleLink::Serial, line); });
    m_eth->setShortLineObserver([observer](const QByteArray& line) { observer(ScaleLink::Ethernet, line); });
}

QString ScaleLinks::linkName(ScaleLink kind) const
{
    return kind == ScaleLink::Ethernet ? m_eth->linkName() : m_serial->linkName();
}

void ScaleLinks::release()
{
    m_supervision->stop();
    m_eth->release();
}
