#include "link/serialconnection.h"

#include "link/serialport.h"
#include "link/sio.h"

#include <algorithm>

SerialConnection::SerialConnection(ComThread::ReadModeSource readMode, ComThread::Intake intake, QObject* parent)
    : QObject(parent)
    , m_readMode(std::move(readMode))
    , m_intake(std::move(intake))
{}

SerialConnection::~SerialConnection()
{
    if (isOpen())
        endConnection();
}

void SerialConnection::startSerial()
{
    // Never two readers: one left from an earlier connection ends before the port is touched again.
    m_reader.reset();
    // Without a speed of the list the port would run at whatever the device last had.
    if (Sio::bitRate(m_settings.BaudCode) <= 0) {
        emit portError(PortError::noSpeed(PortError::failureCaption()));
        emit stateChanged(SerialState::Failed);
        return;
    }
    Global::SerialStopped = false;
    const SerialPort::Opening opening = SerialPort::openPort(m_settings);
    if (opening.error)
        emit portError(*opening.error);
    if (!opening.open) {
        Global::SerialStopped = true;
        emit stateChanged(SerialState::Failed);
        return;
    }
    // A read may wait about as long as a line of a slow scale takes to arrive: 50 ms at 9600 bit/s
    // and faster, 50 ms more for each slower speed.
    const int totalMs = std::max(50 * (13 - m_settings.BaudCode), 50);
    sio_SetReadTimeouts(m_settings.Port, totalMs, 50);
    emit stateChanged(SerialState::Open);
    // A handler may have closed the connection again.
    if (!isOpen())
        return;
    m_reader = std::make_unique<ComThread>(m_settings.Port, m_bufferSize, m_readMode, m_intake);
    m_reader->setMakerLines(m_makerLines);
    m_reader->setShortLineObserver(m_shortLine);
    connect(m_reader.get(), &ComThread::deviceGone, this, &SerialConnection::deviceGone);
    m_reader->start(QThread::HighestPriority);
}

void SerialConnection::endConnection()
{
    Global::SerialStopped = true;
    // The reader's wait runs on the port, so it ends before the port closes.
    m_reader.reset();
    SerialPort::closePort(m_settings);
}

void SerialConnection::stopSerial()
{
    endConnection();
    emit stateChanged(SerialState::Closed);
}

void SerialConnection::deviceGone()
{
    if (!isOpen())
        return;
    stopSerial();
    emit stateChanged(SerialState::Failed);
}

void SerialConnection::setMakerLines(bool on)
{
    m_makerLines = on;
    if (m_reader)
        m_reader->setMakerLines(on);
}

void SerialConnection::setShortLineObserver(ComThread::Intake observer)
{
    m_shortLine = std::move(observer);
    if (m_reader)
        m_reader->setShortLineObserver(m_shortLine);
}

QString SerialConnection::linkName() const
{
    return QStringLiteral("COM%1").arg(m_settings.Port);
}
