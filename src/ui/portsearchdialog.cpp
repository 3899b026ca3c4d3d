#include "ui/portsearchdialog.h"

#include "ui_portsearchdialog.h"

#include "core/global.h"
#include "link/sio.h"
#include "ui/compactstyle.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int MaxPortLimit = 255;
constexpr int StartDelayMs = 100;
constexpr int SelfCloseMs = 2000;

} // namespace

PortSearchDialog::PortSearchDialog(QWidget* parent, std::unique_ptr<PortSearchLink> link)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::PortSearchDialog>())
{
    m_ui->setupUi(this);
    m_search = new PortSearch(std::move(link), this);
    connect(m_search, &PortSearch::trying, this, &PortSearchDialog::showProgress);
    connect(m_search, &PortSearch::finished, this, &PortSearchDialog::searchFinished);
    // As with the main window's port number, the spin box's edit is the number field.
    m_maxPortEdit = m_ui->maxPortBox->findChild<QLineEdit*>();
    m_maxPortEdit->setObjectName(QStringLiteral("maxPortEdit"));
    m_maxPortEdit->setMaxLength(3);

    m_startDelay = new QTimer(this);
    m_startDelay->setObjectName(QStringLiteral("startDelay"));
    m_closeTimer = new QTimer(this);
    m_closeTimer->setSingleShot(true);
    m_closeTimer->setInterval(SelfCloseMs);

    connect(m_startDelay, &QTimer::timeout, this, &PortSearchDialog::startDelayElapsed);
    connect(m_closeTimer, &QTimer::timeout, this, &PortSearchDialog::accept);
    connect(m_ui->searchButton, &QPushButton::clicked, this, &PortSearchDialog::searchClicked);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &PortSearchDialog::closeClicked);
    connect(m_maxPortEdit, &QLineEdit::textChanged, this, &PortSearchDialog::maxPortEdited);
    connect(m_ui->maxPortBox, &QSpinBox::valueChanged, this, &PortSearchDialog::maxPortStepped);

    applyCompactStyle(this);
    fixSize();
}

// The search, a child, cancels itself and waits for its thread, which closes the port it held.
PortSearchDialog::~PortSearchDialog() = default;

void PortSearchDialog::setMakerLines(bool on)
{
    m_search->setMakerLines(on);
}

void PortSearchDialog::setAnswerParser(AnswerParser parser)
{
    m_search->setAnswerParser(std::move(parser));
}

QString PortSearchDialog::baudCodeText(int baudCode)
{
    const int rate = Sio::bitRate(baudCode);
    return (rate > 0 ? QString::number(rate) : QStringLiteral("-")) + QLatin1String(" bps");
}

void PortSearchDialog::searchClicked()
{
    if (m_busy)
        return;
    // A success shortly before must not close the dialog in the middle of the new search.
    m_closeTimer->stop();
    m_startDelay->setInterval(StartDelayMs);
    m_startDelay->start();
    m_ui->portLabel->clear();
    m_ui->speedLabel->clear();
    m_ui->attemptLabel->clear();
    m_ui->searchButton->setEnabled(false);
    m_busy = true;
    setStatus(Status::Searching);
    emit searchStarted();
}

void PortSearchDialog::startDelayElapsed()
{
    m_startDelay->stop();
    if (!m_busy)
        return;
    m_search->setMaxPort(maxPort());
    m_search->start();
}

void PortSearchDialog::showProgress(int port, int baudCode, int attempt)
{
    if (attempt == 0) {
        m_ui->portLabel->setText(QLatin1String("COM") + QString::number(port));
        m_ui->speedLabel->setText(baudCodeText(baudCode));
    }
    m_ui->attemptLabel->setText(QString::number(attempt));
}

void PortSearchDialog::searchFinished(const PortSearch::Result& result)
{
    m_busy = false;
    if (result) {
        emit portFound(result->port, result->baudCode);
        setStatus(Status::Found);
        m_closeTimer->start();
    } else {
        setStatus(Status::NotFound);
    }
    m_ui->searchButton->setEnabled(true);
}

void PortSearchDialog::cancelSearch()
{
    if (!m_busy)
        return;
    m_busy = false;
    m_startDelay->stop();
    m_search->cancel();
    m_ui->searchButton->setEnabled(true);
}

void PortSearchDialog::closeClicked()
{
    close();
}

void PortSearchDialog::maxPortEdited()
{
    bool isNumber = false;
    int number = m_maxPortEdit->text().toInt(&isNumber);
    if (!isNumber)
        number = 0;
    const int position = number > MaxPortLimit ? MaxPortLimit : std::max(number, 1);
    m_ui->maxPortBox->setValue(position);
    const QString text = QString::number(position);
    if (m_maxPortEdit->text() != text)
        m_maxPortEdit->setText(text);
    m_search->setMaxPort(maxPort());
}

void PortSearchDialog::maxPortStepped(int position)
{
    const QString text = QString::number(std::clamp(position, 1, MaxPortLimit));
    if (m_maxPortEdit->text() != text)
        m_maxPortEdit->setText(text);
}

void PortSearchDialog::reject()
{
    cancelSearch();
    QDialog::reject();
}

void PortSearchDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (const QScreen* shownOn = screen())
        move(shownOn->availableGeometry().center() - rect().center());
    maxPortEdited();
    searchClicked();
}

void PortSearchDialog::hideEvent(QHideEvent* event)
{
    m_closeTimer->stop();
    // However the dialog goes, a search it shows must not hold a port behind it.
    if (!event->spontaneous())
        cancelSearch();
    QDialog::hideEvent(event);
}

void PortSearchDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        // The values shown are the search's, not the form's, and survive a language switch.
        const QString port = m_ui->portLabel->text();
        const QString speed = m_ui->speedLabel->text();
        const QString attempt = m_ui->attemptLabel->text();
        m_ui->retranslateUi(this);
        m_ui->portLabel->setText(port);
        m_ui->speedLabel->setText(speed);
        m_ui->attemptLabel->setText(attempt);
        setStatus(m_status);
        fixSize();
    }
    QDialog::changeEvent(event);
}

QString PortSearchDialog::statusText(Status status)
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

void PortSearchDialog::setStatus(Status status)
{
    m_status = status;
    QColor color = palette().color(QPalette::WindowText);
    if (status == Status::Searching)
        color = QColor(0, 0, 128);
    else if (status == Status::Found)
        color = QColor(0, 128, 0);
    else if (status == Status::NotFound)
        color = QColor(255, 0, 0);
    QPalette statusPalette = m_ui->statusLabel->palette();
    statusPalette.setColor(QPalette::WindowText, color);
    m_ui->statusLabel->setPalette(statusPalette);
    m_ui->statusLabel->setText(statusText(status));
}

int PortSearchDialog::maxPort() const
{
    bool isNumber = false;
    const int number = m_maxPortEdit->text().toInt(&isNumber);
    return isNumber ? number : 1;
}

void PortSearchDialog::fixSize()
{
    // The dialog keeps one size whatever the search shows, so the value column is made wide enough for
    // the longest value at the start.
    const QFontMetrics values(m_ui->portLabel->font());
    const QFontMetrics status(m_ui->statusLabel->font());
    int width = std::max(values.horizontalAdvance(QLatin1String("COM255")),
                         values.horizontalAdvance(baudCodeText(Sio::BaudCodeCount - 1)));
    for (const Status shown : {Status::Searching, Status::Found, Status::NotFound})
        width = std::max(width, status.horizontalAdvance(statusText(shown)));
    m_ui->statusLabel->setMinimumWidth(width);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    layout()->invalidate();
    setFixedSize(sizeHint());
}
