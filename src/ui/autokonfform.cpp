#include "ui/autokonfform.h"

#include "ui_autokonfform.h"

#include "link/obsport.h"
#include "link/sio.h"
#include "ui/compactstyle.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QShowEvent>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int MaxPortLimit = 255;
constexpr int SearchBaudCodes[] = {10, 12};
constexpr int AttemptsPerSpeed = 3;
constexpr int AnswerBytes = 25;
constexpr int StartDelayMs = 100;
constexpr int AttemptPauseMs = 50;
constexpr int ReadIntervalMs = 500;
constexpr int SelfCloseMs = 2000;
// A weighing result needs at least ten characters before its line end; anything shorter is noise or
// an echo of the request, and is not worth the parser's time.
constexpr qsizetype ShortestLineEndIndex = 10;

// A slow line needs longer for an answer; only below 134 bit/s does that exceed the half-second floor.
int readTotalMs(int baudCode)
{
    return std::max(50 * (13 - baudCode), 500);
}

class SerialPortSearchLink : public PortSearchLink
{
public:
    bool openPort(const TPortSettings& settings) override { return ObsPort::OpenPort(settings); }
    int setReadTimeouts(int port, int totalMs, int intervalMs) override
    {
        return sio_SetReadTimeouts(port, totalMs, intervalMs);
    }
    int putch(int port, int byte) override { return sio_putch(port, byte); }
    int read(int port, char* buffer, int count) override { return sio_read(port, buffer, count); }
    void closePort(const TPortSettings& settings) override { ObsPort::ClosePort(settings); }
};

} // namespace

TAutoKonfForm::TAutoKonfForm(QWidget* parent, std::unique_ptr<PortSearchLink> link)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::TAutoKonfForm>())
    , m_link(link ? std::move(link) : std::make_unique<SerialPortSearchLink>())
{
    m_ui->setupUi(this);
    // As with the main window's port number, the spin box's edit is the number field; both names reach it.
    m_editMaxPort = m_ui->UpDownMaxPort->findChild<QLineEdit*>();
    m_editMaxPort->setObjectName(QStringLiteral("EditMaxPort"));
    m_editMaxPort->setMaxLength(3);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_closeTimer = new QTimer(this);
    m_closeTimer->setSingleShot(true);
    m_closeTimer->setInterval(SelfCloseMs);

    connect(m_timer1, &QTimer::timeout, this, &TAutoKonfForm::Timer1Timer);
    connect(m_closeTimer, &QTimer::timeout, this, &TAutoKonfForm::accept);
    connect(m_ui->SpeedButton2, &QPushButton::clicked, this, &TAutoKonfForm::SpeedButton2Click);
    connect(m_ui->SpeedButton1, &QPushButton::clicked, this, &TAutoKonfForm::SpeedButton1Click);
    connect(m_editMaxPort, &QLineEdit::textChanged, this, &TAutoKonfForm::EditMaxPortChange);
    connect(m_ui->UpDownMaxPort, &QSpinBox::valueChanged, this, &TAutoKonfForm::UpDownMaxPortClick);

    applyCompactStyle(this);
    fixSize();
}

TAutoKonfForm::~TAutoKonfForm()
{
    closeOpenPort();
    if (m_busy)
        Global::PortProbing = false;
}

void TAutoKonfForm::setAnswerParser(AnswerParser parser)
{
    m_parser = std::move(parser);
}

QString TAutoKonfForm::BaudCodeText(int baudCode)
{
    const int rate = Sio::bitRate(baudCode);
    return (rate > 0 ? QString::number(rate) : QStringLiteral("-")) + QLatin1String(" bps");
}

void TAutoKonfForm::FormShow()
{
    EditMaxPortChange();
    SpeedButton2Click();
}

void TAutoKonfForm::SpeedButton2Click()
{
    if (m_searching)
        return;
    // A success shortly before must not close the dialog in the middle of the new search.
    m_closeTimer->stop();
    m_timer1->setInterval(StartDelayMs);
    m_timer1->start();
    m_ui->Label5->clear();
    m_ui->Label6->clear();
    m_ui->Label7->clear();
    m_ui->SpeedButton2->setEnabled(false);
    m_ui->SpeedButton1->setEnabled(false);
    m_busy = true;
    Global::PortProbing = true;
    setStatus(Status::Searching);
    Global::PortConfigured = false;
}

void TAutoKonfForm::Timer1Timer()
{
    // The search lets window messages run, and one of them might start it a second time.
    if (m_searching)
        return;
    m_searching = true;
    m_busy = true;
    Global::PortProbing = true;
    setStatus(Status::Searching);
    m_ui->SpeedButton1->setEnabled(false);
    m_timer1->stop();
    Global::PortConfigured = false;

    int foundPort = 0;
    int foundBaudCode = 0;
    for (int port = 1; port <= maxPort() && !Global::PortConfigured; ++port) {
        for (const int baudCode : SearchBaudCodes) {
            if (Global::PortConfigured)
                break;
            TPortSettings& settings = Global::PortSettings;
            settings.Port = port;
            settings.BaudCode = baudCode;
            ObsPort::ResetPortSettings(settings);
            if (!m_link->openPort(settings))
                break;
            m_openPort = port;
            m_link->setReadTimeouts(port, readTotalMs(baudCode), ReadIntervalMs);
            m_ui->Label5->setText(QLatin1String("COM") + QString::number(port));
            m_ui->Label6->setText(BaudCodeText(baudCode));
            m_ui->Label7->setText(QString::number(0));
            if (!letWindowRepaint())
                return;

            for (int attempt = 1; attempt <= AttemptsPerSpeed && !Global::PortConfigured; ++attempt) {
                m_ui->Label7->setText(QString::number(attempt));
                if (!letWindowRepaint())
                    return;
                // The scale may still be busy with the previous request.
                if (attempt > 1)
                    QThread::msleep(AttemptPauseMs);
                for (const int byte : {int('S'), int('I'), 13, 10})
                    m_link->putch(port, byte);
                char buffer[AnswerBytes];
                const int count = m_link->read(port, buffer, AnswerBytes);
                const QByteArray answer(buffer, std::max(count, 0));
                if (answer.indexOf('\n') >= ShortestLineEndIndex && m_parser)
                    m_parser(answer);
            }
            closeOpenPort();
            if (Global::PortConfigured) {
                foundPort = port;
                foundBaudCode = baudCode;
            }
        }
    }

    Global::PortProbing = false;
    m_searching = false;
    m_busy = false;
    if (foundPort > 0) {
        const QPointer<TAutoKonfForm> alive(this);
        emit portFound(foundPort, foundBaudCode);
        if (!alive)
            return;
        setStatus(Status::Found);
        Global::PortConfigured = true;
        repaint();
        m_closeTimer->start();
    } else {
        setStatus(Status::NotFound);
    }
    m_ui->SpeedButton1->setEnabled(true);
    m_ui->SpeedButton2->setEnabled(true);
}

void TAutoKonfForm::SpeedButton1Click()
{
    close();
}

void TAutoKonfForm::EditMaxPortChange()
{
    bool isNumber = false;
    int number = m_editMaxPort->text().toInt(&isNumber);
    if (!isNumber)
        number = 0;
    const int position = number > MaxPortLimit ? MaxPortLimit : std::max(number, 1);
    m_ui->UpDownMaxPort->setValue(position);
    const QString text = QString::number(position);
    if (m_editMaxPort->text() != text)
        m_editMaxPort->setText(text);
}

void TAutoKonfForm::UpDownMaxPortClick(int position)
{
    const QString text = QString::number(std::clamp(position, 1, MaxPortLimit));
    if (m_editMaxPort->text() != text)
        m_editMaxPort->setText(text);
}

void TAutoKonfForm::reject()
{
    // PortProbing and an open port must not outlive the search, so the dialog stays until it ends.
    if (m_busy)
        return;
    QDialog::reject();
}

void TAutoKonfForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (const QScreen* shownOn = screen())
        move(shownOn->availableGeometry().center() - rect().center());
    FormShow();
}

void TAutoKonfForm::hideEvent(QHideEvent* event)
{
    m_closeTimer->stop();
    QDialog::hideEvent(event);
}

void TAutoKonfForm::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        // The values shown are the search's, not the form's, and survive a language switch.
        const QString port = m_ui->Label5->text();
        const QString speed = m_ui->Label6->text();
        const QString attempt = m_ui->Label7->text();
        m_ui->retranslateUi(this);
        m_ui->Label5->setText(port);
        m_ui->Label6->setText(speed);
        m_ui->Label7->setText(attempt);
        setStatus(m_status);
        fixSize();
    }
    QDialog::changeEvent(event);
}

QString TAutoKonfForm::statusText(Status status)
{
    switch (status) {
    case Status::Searching:
        return tr("Trwa szukanie ustawień...");
    case Status::Found:
        return tr("Port skonfigurowany");
    case Status::NotFound:
        return tr("Brak komunikacji");
    case Status::None:
        break;
    }
    return QString();
}

void TAutoKonfForm::setStatus(Status status)
{
    m_status = status;
    QColor color = palette().color(QPalette::WindowText);
    if (status == Status::Searching)
        color = QColor(0, 0, 128);
    else if (status == Status::Found)
        color = QColor(0, 128, 0);
    else if (status == Status::NotFound)
        color = QColor(255, 0, 0);
    QPalette statusPalette = m_ui->Label9->palette();
    statusPalette.setColor(QPalette::WindowText, color);
    m_ui->Label9->setPalette(statusPalette);
    m_ui->Label9->setText(statusText(status));
}

int TAutoKonfForm::maxPort() const
{
    bool isNumber = false;
    const int number = m_editMaxPort->text().toInt(&isNumber);
    return isNumber ? number : 1;
}

bool TAutoKonfForm::letWindowRepaint()
{
    const QPointer<TAutoKonfForm> alive(this);
    repaint();
    QCoreApplication::processEvents();
    return !alive.isNull();
}

void TAutoKonfForm::closeOpenPort()
{
    if (m_openPort == 0)
        return;
    TPortSettings settings = Global::PortSettings;
    settings.Port = m_openPort;
    m_openPort = 0;
    m_link->closePort(settings);
}

void TAutoKonfForm::fixSize()
{
    // The dialog keeps one size whatever the search shows, so the value column is made wide enough for
    // the longest value at the start.
    const QFontMetrics values(m_ui->Label5->font());
    const QFontMetrics status(m_ui->Label9->font());
    int width = std::max(values.horizontalAdvance(QLatin1String("COM255")),
                         values.horizontalAdvance(BaudCodeText(Sio::BaudCodeCount - 1)));
    for (const Status shown : {Status::Searching, Status::Found, Status::NotFound})
        width = std::max(width, status.horizontalAdvance(statusText(shown)));
    m_ui->Label9->setMinimumWidth(width);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    layout()->invalidate();
    setFixedSize(sizeHint());
}
