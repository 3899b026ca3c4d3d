#include "ui/linkcontrol.h"

#include "core/clock.h"
#include "core/messagepresenter.h"
#include "link/ethlinkstatus.h"
#include "link/ethsupervision.h"
#include "link/scalelinks.h"
#include "processing/arrivallog.h"
#include "processing/processdata.h"
#include "ui/communicationpanel.h"
#include "ui/portsearchdialog.h"
#include "ui/settingskeeper.h"

LinkControl::LinkControl(CommunicationPanel& panel, ProcessData& processing, SettingsKeeper& settings, QWidget& window)
    : QObject(&window)
    , m_panel(panel)
    , m_processing(processing)
    , m_settings(settings)
    , m_window(window)
{
    m_arrivals = new ArrivalLog(this);
    m_processing.setArrivalObserver([this](const Arrival& arrival) { m_arrivals->record(arrival); });
    const auto readMode = [this] { return m_processing.options().readMode; };
    const auto intake = [this](ScaleLink link, const QByteArray& text) {
        m_arrivals->setLink(m_links->linkName(link));
        m_processing.takeScaleText(text);
    };
    m_links = new ScaleLinks(
        readMode, intake, [this] { return m_panel.ethTarget(); }, this);
    m_links->setShortLineObserver([this](ScaleLink link, const QByteArray& line) {
        m_arrivals->setLink(m_links->linkName(link));
        m_arrivals->recordTooShort(line);
    });
    connect(&m_links->serial(), &SerialConnection::stateChanged, this, &LinkControl::serialChanged);
    connect(&m_links->serial(), &SerialConnection::portError, this, [this](const PortError& error) {
        MessagePresenter::current().show(&m_window, error.text, error.caption,
                                         error.icon == PortError::Icon::Error ? MessagePresenter::Icon::Error
                                                                              : MessagePresenter::Icon::None,
                                         MessagePresenter::Buttons::Ok);
    });
    EthConnection& ethernet = m_links->ethernet();
    // Queued, as the posted message it stands for: the link's own steps finish before the display follows.
    connect(
        &ethernet, &EthConnection::stateChanged, this, [this](EthLinkState state) { ethLinkStateChanged(int(state)); },
        Qt::QueuedConnection);
    connect(&ethernet, &EthConnection::connectionStarted, this, [this] { m_processing.report().startConnection(); });
    connect(
        &ethernet, &EthConnection::listenerFailed, this,
        [this](quint16 localPort, const QString& why) {
            m_panel.showEthStatus(ethListenerFailureStatus(localPort, why));
        },
        Qt::QueuedConnection);

    connect(&m_panel, &CommunicationPanel::openClicked, this, &LinkControl::openOrCloseLink);
    connect(&m_panel, &CommunicationPanel::searchClicked, this, &LinkControl::startPortSearch);
    connect(&m_panel, &CommunicationPanel::connectionKindChanged, this, &LinkControl::connectionKindChanged);

    m_portSearch = new PortSearchDialog(&m_window);
    connect(m_portSearch, &PortSearchDialog::portFound, this, [this](int port, int baudCode) {
        m_settings.binding().set(Setting::ComPort, port);
        m_settings.binding().set(Setting::Baud, baudCode);
        m_settings.binding().set(Setting::PortConfigured, true);
    });
    connect(m_portSearch, &PortSearchDialog::languageChosen, this, &LinkControl::languageChosen);
    // A search that finds nothing leaves the start searching again.
    connect(m_portSearch, &PortSearchDialog::searchStarted, this,
            [this] { m_settings.binding().set(Setting::PortConfigured, false); });
}

// The links hand text to the processing, so they end before it goes.
LinkControl::~LinkControl()
{
    delete m_links;
    m_processing.setArrivalObserver({});
}

void LinkControl::send(const QByteArray& command)
{
    const ScaleLink kind = m_panel.connectionKind();
    m_links->send(command, kind);
    // What went out, framed; a closed link sends nothing.
    if (m_links->isOpen(kind)) {
        m_arrivals->setLink(m_links->linkName(kind));
        m_arrivals->recordSent(command + "\r\n");
    }
}

bool LinkControl::chosenLinkOpen() const
{
    return m_links->isOpen(m_panel.connectionKind());
}

void LinkControl::setMakerLines(bool on)
{
    m_links->setMakerLines(on);
    m_portSearch->setMakerLines(on);
}

void LinkControl::openOrCloseLink()
{
    m_processing.report().setLastReportTime(Clock::system().now());
    switch (m_panel.connectionKind()) {
    case ScaleLink::None:
        return;
    case ScaleLink::Ethernet:
        m_links->supervision().openOrCloseLink(m_panel.offersClose());
        return;
    case ScaleLink::Serial:
        m_links->openOrCloseSerial(m_panel.portSettings(), m_settings.values().bufferSize);
        return;
    }
}

void LinkControl::startPortSearch()
{
    if (!Global::SerialStopped || m_portSearch->isVisible())
        return;
    // The search asks on a thread of its own, so it gets the choices as they are now.
    const bool makers = m_settings.values().makerFormats;
    const bool onlyStable = m_settings.values().onlyStable;
    m_portSearch->setAnswerParser([makers, onlyStable](const QByteArray& answer) {
        return ProcessData::acceptsAnswer(answer, makers, onlyStable);
    });
    // With the makers' formats off, the report can still say when they would have read an answer.
    m_portSearch->setMakerFormatsParser(makers ? PortSearchDialog::AnswerParser()
                                               : [onlyStable](const QByteArray& answer) {
                                                     return ProcessData::acceptsAnswer(answer, true, onlyStable);
                                                 });
    m_portSearch->setLineFormat(LineFormat::fromSettings(m_settings.values()));
    m_portSearch->exec();
}

void LinkControl::showLinkState()
{
    if (m_panel.connectionKind() != ScaleLink::Ethernet) {
        m_panel.showSerialState(Global::SerialStopped ? SerialState::Closed : SerialState::Open);
    } else {
        const int state = int(m_links->ethernet().shownState());
        QMetaObject::invokeMethod(
            this, [this, state] { ethLinkStateChanged(state); }, Qt::QueuedConnection);
    }
}

void LinkControl::release()
{
    m_links->release();
}

// The choice can change only while no link is open or wanted (the settings loaded at start, or the
// user's click); the status line then speaks of the kind chosen, not of the other one.
void LinkControl::connectionKindChanged()
{
    followLinkInUse();
    const ScaleLink kind = m_panel.connectionKind();
    if (kind == ScaleLink::None || m_links->isBusy())
        return;
    if (kind == ScaleLink::Serial)
        m_panel.showSerialState(SerialState::Closed);
    else
        ethLinkStateChanged(int(m_links->ethernet().shownState()));
}

void LinkControl::serialChanged(SerialState state)
{
    if (state == SerialState::Open) {
        m_panel.setSearchEnabled(false);
        m_processing.report().startConnection();
    } else if (state == SerialState::Closed && m_panel.connectionKind() == ScaleLink::Serial) {
        m_panel.setSearchEnabled(true);
    }
    m_panel.showSerialState(state);
    emit serialStateChanged(state);
    followLinkInUse();
}

void LinkControl::ethLinkStateChanged(int state)
{
    if (const std::optional<EthLinkStatus> status = ethLinkStatus(state, m_links->supervision().isWanted()))
        m_panel.showEthStatus(*status);
    followLinkInUse();
}

// The Ethernet link counts as up as the status line shows it: a UDP scale that has gone silent reads as
// disconnected though the listener still runs, and a connection that dropped while wanted as connecting.
void LinkControl::followLinkInUse()
{
    bool up = false;
    switch (m_panel.connectionKind()) {
    case ScaleLink::None:
        break;
    case ScaleLink::Serial:
        up = m_links->serial().isOpen();
        break;
    case ScaleLink::Ethernet:
        up = m_links->ethernet().shownState() == EthLinkState::Connected;
        break;
    }
    if (up == m_linkInUseUp)
        return;
    m_linkInUseUp = up;
    emit linkInUseUpChanged(up);
}
