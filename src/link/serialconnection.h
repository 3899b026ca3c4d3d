#pragma once

#include "link/comthread.h"
#include "link/porterror.h"
#include "link/portsettings.h"

#include <QObject>

#include <memory>

// What the status line and openPortButton show of the serial connection.
enum class SerialState { Closed = 0, Open = 1, Failed = 2 };

// The serial connection to the scale on its port record: opens and configures the port, owns its
// reader for as long as it is open, closes it on request or when the device goes away, and reports
// each change of state, and what went wrong as the user is to be told it. Global::SerialStopped is
// raised exactly while no connection is open. Main thread only.
class SerialConnection : public QObject
{
    Q_OBJECT

public:
    SerialConnection(ComThread::ReadModeSource readMode, ComThread::Intake intake, QObject* parent = nullptr);
    // Closes an open connection without reporting it: a pseudo-terminal's device would otherwise stay
    // reserved for us after we are gone.
    ~SerialConnection() override;

    bool isOpen() const { return !Global::SerialStopped; }

    // The port, speed and line settings to open (LineFormat::applyTo fills in the frame and flow control
    // the user chose; a fresh record is 8N1). Not while open.
    void setPortSettings(const PortSettings& settings) { m_settings = settings; }
    const PortSettings& portSettings() const { return m_settings; }
    // How much one poll of the reader reads at most, for the next opening.
    void setBufferSize(int bytes) { m_bufferSize = bytes; }

    // Opens the port of the record at its speed and line settings; Open when it opened (and the reader
    // runs), Failed when it did not.
    void startSerial();
    // Ends the reader, then closes the port; Closed.
    void stopSerial();
    // For the open reader and every later one: lines as scales of many makers send them
    // (PendingText::setMakerLines).
    void setMakerLines(bool on);
    // For the open reader and every later one: told of each line the reader's cut drops as too short
    // (ComThread::setShortLineObserver).
    void setShortLineObserver(ComThread::Intake observer);
    // The link as the user knows it: "COM3".
    QString linkName() const;

signals:
    // Open also means a new connection: what the processing held of the previous one no longer counts.
    void stateChanged(SerialState state);
    // Opening or configuring failed: reported before the state that follows (Failed, or Open for a
    // configuration that failed on a port that opened).
    void portError(const PortError& error);

private:
    // The reader, then the port; nothing reported.
    void endConnection();
    // The reader found the device gone: closed as by the user, then Failed says why.
    void deviceGone();

    ComThread::ReadModeSource m_readMode;
    ComThread::Intake m_intake;
    std::unique_ptr<ComThread> m_reader;
    PortSettings m_settings;
    int m_bufferSize = 0;
    bool m_makerLines = false;
    ComThread::Intake m_shortLine;
};
