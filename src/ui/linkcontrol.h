#pragma once

#include "link/serialconnection.h"

#include <QObject>

class ArrivalLog;
class CommunicationPanel;
class PortSearchDialog;
class ProcessData;
class ScaleLinks;
class SettingsKeeper;
class QWidget;

// What the communication page's buttons do and what it shows of the links: opens and closes the chosen
// link, starts the port search, and keeps the page's state, the status line and the settings in step
// with what the links report. The links feed the processing.
class LinkControl : public QObject
{
    Q_OBJECT

public:
    // window: the dialogs' and the messages' parent.
    LinkControl(CommunicationPanel& panel, ProcessData& processing, SettingsKeeper& settings, QWidget& window);
    ~LinkControl() override;

    ScaleLinks& links() { return *m_links; }
    // What arrived over the links, what became of it, and the commands sent.
    ArrivalLog& arrivals() { return *m_arrivals; }
    // The command to the scale over the chosen link, and into the log.
    void send(const QByteArray& command);
    // Whether a command sent now would go out on the chosen link.
    bool chosenLinkOpen() const;
    void setMakerLines(bool on);

    void openOrCloseLink();
    // Only while the serial port is closed, and one search at a time.
    void startPortSearch();
    // The state of the chosen link again, on the page and in the status line.
    void showLinkState();
    // The closing sequence: no more reachability checks, and the Ethernet link let go.
    void release();
    // The state of the newly chosen kind of link, unless a link is open or wanted.
    void connectionKindChanged();
    // Whether the link of the chosen kind is up: the serial port open, or the Ethernet scale connected
    // as the status line shows it.
    bool linkInUseUp() const { return m_linkInUseUp; }

signals:
    void serialStateChanged(SerialState state);
    // The link of the chosen kind came up or went down, or the other kind was chosen.
    void linkInUseUpChanged(bool up);
    // Chosen with a flag of the port search's dialog, which holds the window meanwhile.
    void languageChosen(qint32 language);

private:
    void serialChanged(SerialState state);
    void ethLinkStateChanged(int state);
    void followLinkInUse();

    CommunicationPanel& m_panel;
    ProcessData& m_processing;
    SettingsKeeper& m_settings;
    QWidget& m_window;
    ScaleLinks* m_links = nullptr;
    ArrivalLog* m_arrivals = nullptr;
    PortSearchDialog* m_portSearch = nullptr;
    bool m_linkInUseUp = false;
};
