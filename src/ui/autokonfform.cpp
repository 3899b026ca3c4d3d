#include "ui/autokonfform.h"

#include "ui_autokonfform.h"

#include "link/sio.h"
#include "ui/compactstyle.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int MaxPortLimit = 255;
constexpr int StartDelayMs = 100;
constexpr int SelfCloseMs = 2000;

} // namespace

TAutoKonfForm::TAutoKonfForm(QWidget* parent, std::unique_ptr<PortSearchLink> link)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::TAutoKonfForm>())
{
    m_ui->setupUi(this);
    m_search = new PortSearch(std::move(link), this);
    connect(m_search, &PortSearch::trying, this, &TAutoKonfForm::showProgress);
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
    // The search, a child, ends its own probing; a search still waiting for its timer has raised it here.
    if (m_busy && !m_search->isRunning())
        Global::PortProbing = false;
}

void TAutoKonfForm::setMakerLines(bool on)
{
    m_search->setMakerLines(on);
}

void TAutoKonfForm::setAnswerParser(AnswerParser parser)
{
    m_search->setAnswerParser(std::move(parser));
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
    if (m_search->isRunning())
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
    if (m_search->isRunning())
        return;
    m_busy = true;
    Global::PortProbing = true;
    setStatus(Status::Searching);
    m_ui->SpeedButton1->setEnabled(false);
    m_timer1->stop();

    const QPointer<TAutoKonfForm> alive(this);
    const std::optional<PortSearch::Found> found = m_search->run([this] { return maxPort(); });
    if (!alive)
        return;
    m_busy = false;
    if (found) {
        emit portFound(found->port, found->baudCode);
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

void TAutoKonfForm::showProgress(int port, int baudCode, int attempt)
{
    if (attempt == 0) {
        m_ui->Label5->setText(QLatin1String("COM") + QString::number(port));
        m_ui->Label6->setText(BaudCodeText(baudCode));
    }
    m_ui->Label7->setText(QString::number(attempt));
    repaint();
    QCoreApplication::processEvents();
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
