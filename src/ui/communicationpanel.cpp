#include "ui/communicationpanel.h"

#include "link/ethlinkstatus.h"
#include "link/portmap.h"
#include "ui/compactstyle.h"
#include "ui/radiogroup.h"
#include "ui/settingsbinding.h"

#include "ui_communicationpanel.h"

#include <QLineEdit>

namespace {

const QColor stateRed(255, 0, 0);
// Amber rather than yellow, which cannot be read on the white window (4.9:1 against 1.1:1).
const QColor stateAmber(0x9a, 0x67, 0x00);
const QColor stateGreen(0, 128, 0);

} // namespace

CommunicationPanel::CommunicationPanel(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::CommunicationPanel>())
{
    m_ui->setupUi(this);
    applyCompactStyle(this);
    // The port number's edit box and its up-down arrows are one control here; both names reach it.
    m_portEdit = m_ui->portBox->findChild<QLineEdit*>();
    m_portEdit->setObjectName(QStringLiteral("portEdit"));
    connect(m_ui->connectionGroup, &RadioGroup::itemIndexChanged, this, &CommunicationPanel::kindChosen);
    connect(m_ui->portBox, &QSpinBox::valueChanged, this, &CommunicationPanel::showPortDevice);
    connect(m_ui->openPortButton, &QAbstractButton::clicked, this, &CommunicationPanel::openClicked);
    connect(m_ui->searchPortButton, &QAbstractButton::clicked, this, &CommunicationPanel::searchClicked);
    connect(m_ui->communicationDefaultsButton, &QAbstractButton::clicked, this, &CommunicationPanel::defaultsClicked);
    fillLineFormatChoices();
    offerClose(false);
    kindChosen();
}

CommunicationPanel::~CommunicationPanel() = default;

void CommunicationPanel::bindSettings(SettingsBinding& binding)
{
    binding.bind(Setting::Connection, m_ui->connectionGroup);
    binding.bind(Setting::ComPort, m_ui->portBox);
    binding.bind(Setting::Baud, m_ui->baudRateBox);
    binding.bind(Setting::EthIP, m_ui->hostEdit);
    binding.bind(Setting::EthPort, m_ui->ethPortEdit);
    binding.bind(Setting::EthProtocol, m_ui->ethProtocolGroup);
    // One list of frames stands for three settings; each reads its part of the frame shown and puts its
    // part into it.
    const auto bindFramePart = [this, &binding](Setting setting, auto read, auto write) {
        binding.bind(
            setting, [this, read] { return QVariant(read(shownLineFormat())); },
            [this, write](const QVariant& value) {
                LineFormat format = shownLineFormat();
                write(format, value.toInt());
                showLineFormat(format);
            });
        connect(m_ui->lineFormatBox, &QComboBox::currentIndexChanged, &binding,
                [&binding, setting] { binding.controlChanged(setting); });
    };
    bindFramePart(
        Setting::DataBits, [](const LineFormat& f) { return f.dataBits; },
        [](LineFormat& f, int value) { f.dataBits = value; });
    bindFramePart(
        Setting::Parity, [](const LineFormat& f) { return int(f.parity); },
        [](LineFormat& f, int value) { f.parity = LineFormat::Parity(value); });
    bindFramePart(
        Setting::StopBits, [](const LineFormat& f) { return f.stopBits; },
        [](LineFormat& f, int value) { f.stopBits = value; });
    binding.bind(Setting::FlowControl, m_ui->flowControlBox);
    binding.bind(Setting::ComOpenOnStart, m_ui->openOnStartBox);
    binding.bind(Setting::AutoRun, m_ui->startAtLogonBox);
    binding.bind(Setting::MinimizeOnStart, m_ui->startMinimisedBox);
    binding.bind(Setting::OnlyOneInstance, m_ui->oneInstanceBox);
}

ScaleLink CommunicationPanel::connectionKind() const
{
    switch (m_ui->connectionGroup->itemIndex()) {
    case int(ScaleLink::Serial):
        return ScaleLink::Serial;
    case int(ScaleLink::Ethernet):
        return ScaleLink::Ethernet;
    default:
        return ScaleLink::None;
    }
}

EthTarget CommunicationPanel::ethTarget() const
{
    return {quint8(m_ui->ethProtocolGroup->itemIndex()), m_ui->hostEdit->text(),
            ethPortFromText(m_ui->ethPortEdit->text())};
}

PortSettings CommunicationPanel::portSettings() const
{
    // What the box shows, which may be text the arrows have not taken yet.
    bool isNumber = false;
    const int port = m_portEdit->text().toInt(&isNumber);
    PortSettings settings;
    settings.Port = isNumber ? port : 0;
    settings.BaudCode = m_ui->baudRateBox->currentIndex();
    shownLineFormat().applyTo(settings);
    return settings;
}

void CommunicationPanel::fillLineFormatChoices()
{
    const LineFormat shown = m_ui->lineFormatBox->count() ? shownLineFormat() : LineFormat();
    const QSignalBlocker frames(m_ui->lineFormatBox);
    const QSignalBlocker flows(m_ui->flowControlBox);
    m_ui->lineFormatBox->clear();
    for (const int dataBits : LineFormat::dataBitsChoices()) {
        for (const LineFormat::Parity parity : LineFormat::parityChoices()) {
            for (const int stopBits : LineFormat::stopBitsChoices()) {
                const LineFormat format{dataBits, parity, stopBits};
                m_ui->lineFormatBox->addItem(format.frameText());
            }
        }
    }
    const int flowIndex = std::max(0, m_ui->flowControlBox->currentIndex());
    m_ui->flowControlBox->clear();
    for (const LineFormat::FlowControl flow : LineFormat::flowControlChoices())
        m_ui->flowControlBox->addItem(LineFormat::flowControlText(flow));
    m_ui->flowControlBox->setCurrentIndex(flowIndex);
    showLineFormat(shown);
}

LineFormat CommunicationPanel::shownLineFormat() const
{
    LineFormat format = LineFormat::fromFrameText(m_ui->lineFormatBox->currentText()).value_or(LineFormat());
    format.flowControl = LineFormat::flowControlChoices().value(m_ui->flowControlBox->currentIndex());
    return format;
}

void CommunicationPanel::showLineFormat(const LineFormat& format)
{
    const int index = m_ui->lineFormatBox->findText(format.frameText());
    m_ui->lineFormatBox->setCurrentIndex(index >= 0 ? index : m_ui->lineFormatBox->findText(LineFormat().frameText()));
}

void CommunicationPanel::offerClose(bool close)
{
    m_offersClose = close;
    m_ui->openPortButton->setText(close ? tr("Zamknij port") : tr("Otwórz port"));
}

// Only the settings group of the chosen kind is shown; the port search is for serial ports. With no
// kind chosen (a stored value of neither) there is nothing to set up or search for.
void CommunicationPanel::kindChosen()
{
    const ScaleLink kind = connectionKind();
    m_ui->serialGroup->setVisible(kind == ScaleLink::Serial);
    m_ui->ethernetGroup->setVisible(kind == ScaleLink::Ethernet);
    m_ui->searchPortButton->setEnabled(kind == ScaleLink::Serial);
    emit connectionKindChanged();
}

void CommunicationPanel::showSerialState(SerialState state)
{
    QString status;
    QColor colour = stateRed;
    switch (state) {
    case SerialState::Closed:
        offerClose(false);
        status = tr("Zamknięty port COM.");
        break;
    case SerialState::Open:
        offerClose(true);
        status = tr("Otwarty port COM.");
        colour = stateGreen;
        break;
    case SerialState::Failed:
        status = tr("Brak połączenia. Sprawdź ustawienia.");
        break;
    }
    emit linkStatusChanged(status, colour);
    setLinkSettingsEnabled(state != SerialState::Open);
}

void CommunicationPanel::showEthStatus(const EthLinkStatus& status)
{
    switch (status.caption) {
    case EthLinkStatus::Caption::Unchanged:
        break;
    case EthLinkStatus::Caption::Open:
        offerClose(false);
        break;
    case EthLinkStatus::Caption::Close:
        offerClose(true);
        break;
    }
    const QColor colours[] = {stateRed, stateAmber, stateGreen};
    emit linkStatusChanged(status.text, colours[int(status.colour)]);
    setLinkSettingsEnabled(status.settingsEnabled);
}

void CommunicationPanel::setLinkSettingsEnabled(bool enabled)
{
    for (QWidget* control : std::initializer_list<QWidget*>{
             m_ui->connectionGroup, m_ui->ethernetGroup, m_ui->hostEdit, m_ui->ethPortEdit, m_ui->ethProtocolGroup,
             m_ui->serialGroup, m_ui->portBox, m_ui->baudRateBox, m_ui->communicationDefaultsButton})
        control->setEnabled(enabled);
    m_portEdit->setEnabled(enabled);
}

void CommunicationPanel::setSearchEnabled(bool enabled)
{
    m_ui->searchPortButton->setEnabled(enabled);
}

void CommunicationPanel::showPortDevice()
{
    const PortMap::PortDevice port = PortMap::portDevice(m_ui->portBox->value());
    // The by-id name says which adapter it is (maker, model, serial number); the whole of it is in the
    // tooltip, the row shows as much as fits.
    const QString shown = port.byId.isEmpty() ? port.device : port.device + QStringLiteral(" — ") + port.byId;
    const QFontMetrics metrics(m_ui->portDeviceLabel->font());
    m_ui->portDeviceLabel->setText(port.device.isEmpty() ? tr("(brak urządzenia)")
                                                         : metrics.elidedText(shown, Qt::ElideRight, 150));
    m_ui->portDeviceLabel->setToolTip(port.byId.isEmpty() ? port.device : port.device + u'\n' + port.byId);
}

void CommunicationPanel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    showPortDevice();
}

void CommunicationPanel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        fillLineFormatChoices();
        offerClose(m_offersClose);
        showPortDevice();
    }
    QWidget::changeEvent(event);
}
