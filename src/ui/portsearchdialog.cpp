#include "ui/portsearchdialog.h"

#include "ui_portsearchdialog.h"

#include "core/global.h"
#include "core/languagemodule.h"
#include "link/sio.h"
#include "ui/artwork.h"
#include "ui/compactstyle.h"
#include "ui/dialogframe.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>

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

    // Shown only when a search finds nothing: what happened on each port, and what the user can do.
    m_report = new QPlainTextEdit(this);
    m_report->setObjectName(QStringLiteral("searchReport"));
    m_report->setReadOnly(true);
    m_report->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_report->setMinimumSize(360, 140);
    m_report->hide();
    layout()->addWidget(m_report);

    m_startDelay = new QTimer(this);
    m_startDelay->setObjectName(QStringLiteral("startDelay"));
    m_closeTimer = new QTimer(this);
    m_closeTimer->setSingleShot(true);
    m_closeTimer->setInterval(SelfCloseMs);

    connect(m_startDelay, &QTimer::timeout, this, &PortSearchDialog::startDelayElapsed);
    connect(m_closeTimer, &QTimer::timeout, this, &PortSearchDialog::accept);
    // A first start opens this dialog before the user could choose a language on the window, which it
    // holds; the flags here let them choose it while the search runs.
    const struct
    {
        const char* name;
        qint32 language;
        QIcon icon;
        QString tip;
    } flags[] = {
        {"searchEnglishButton", LanguageModule::English, britishFlag(QSize(20, 13)), QStringLiteral("English")},
        {"searchPolishButton", LanguageModule::Polish, polishFlag(QSize(20, 13)), QStringLiteral("Polski")}};
    QHBoxLayout* buttons = m_ui->layoutButtons;
    for (int i = 0; i < int(std::size(flags)); ++i) {
        auto* flag = new QToolButton(this);
        flag->setObjectName(QString::fromLatin1(flags[i].name));
        flag->setIcon(flags[i].icon);
        flag->setIconSize(QSize(20, 13));
        flag->setAutoRaise(true);
        flag->setFocusPolicy(Qt::NoFocus);
        flag->setToolTip(flags[i].tip);
        const qint32 language = flags[i].language;
        connect(flag, &QToolButton::clicked, this, [this, language] { emit languageChosen(language); });
        buttons->insertWidget(i, flag);
    }
    buttons->insertStretch(int(std::size(flags)));
    connect(m_ui->searchButton, &QPushButton::clicked, this, &PortSearchDialog::searchClicked);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &PortSearchDialog::closeClicked);
    connect(m_maxPortEdit, &QLineEdit::textChanged, this, &PortSearchDialog::maxPortEdited);
    connect(m_ui->maxPortBox, &QSpinBox::valueChanged, this, &PortSearchDialog::maxPortStepped);

    applyCompactStyle(this);
    useDialogFrame(*this);
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

void PortSearchDialog::setLineFormat(const LineFormat& format)
{
    m_search->setLineFormat(format);
}

void PortSearchDialog::setMakerFormatsParser(AnswerParser parser)
{
    m_search->setMakerFormatsParser(std::move(parser));
}

void PortSearchDialog::setTiming(const PortSearch::Timing& timing)
{
    m_search->setTiming(timing);
}

QString PortSearchDialog::sampleText(const QByteArray& answer)
{
    QString text;
    for (const char byte : answer) {
        const auto code = quint8(byte);
        if (byte == '\r')
            text += QLatin1String("\\r");
        else if (byte == '\n')
            text += QLatin1String("\\n");
        else if (byte == '\\')
            text += QLatin1String("\\\\");
        else if (code < 0x20 || code > 0x7e)
            text += QStringLiteral("\\x%1").arg(code, 2, 16, QLatin1Char('0'));
        else
            text += QLatin1Char(byte);
    }
    return text;
}

QString PortSearchDialog::outcomesText(const QList<PortSearchOutcome>& outcomes)
{
    QStringList lines;
    const auto portName = [](const PortSearchOutcome& outcome) {
        const QString port = QStringLiteral("COM%1").arg(outcome.port);
        return outcome.access.device.isEmpty() ? port : QStringLiteral("%1 (%2)").arg(port, outcome.access.device);
    };
    for (qsizetype i = 0; i < outcomes.size(); ++i) {
        const PortSearchOutcome& outcome = outcomes.at(i);
        const PortAccess& access = outcome.access;
        if (outcome.kind == PortSearchOutcome::Kind::NotOpened && access.problem == PortAccess::Problem::NoDevice) {
            qsizetype last = i;
            while (last + 1 < outcomes.size() && outcomes.at(last + 1).kind == PortSearchOutcome::Kind::NotOpened &&
                   outcomes.at(last + 1).access.problem == PortAccess::Problem::NoDevice &&
                   outcomes.at(last + 1).port == outcomes.at(last).port + 1)
                ++last;
            const QString ports = last == i
                                      ? portName(outcome)
                                      : QStringLiteral("COM%1–COM%2").arg(outcome.port).arg(outcomes.at(last).port);
            lines.append(tr("%1: brak urządzenia").arg(ports));
            i = last;
            continue;
        }
        switch (outcome.kind) {
        case PortSearchOutcome::Kind::NotOpened:
            switch (access.problem) {
            case PortAccess::Problem::PermissionDenied:
                if (access.group.isEmpty() || access.group == QLatin1String("root")) {
                    lines.append(tr("%1: brak uprawnień do otwarcia portu").arg(portName(outcome)));
                } else {
                    lines.append(tr("%1: brak uprawnień do otwarcia portu. Urządzenie należy do grupy %2; dodaj do "
                                    "niej swoje konto poleceniem:")
                                     .arg(portName(outcome), access.group));
                    lines.append(QStringLiteral("    ") + PortAccess::joinGroupCommand(access.group));
                    lines.append(tr("i zaloguj się ponownie: nowa grupa działa od następnego logowania."));
                }
                break;
            case PortAccess::Problem::Busy:
                lines.append(access.holder.isEmpty()
                                 ? tr("%1: zajęty przez inny program").arg(portName(outcome))
                                 : tr("%1: zajęty przez inny program: %2").arg(portName(outcome), access.holder));
                break;
            default:
                lines.append(tr("%1: nie daje się otworzyć. %2").arg(portName(outcome), access.message).trimmed());
                break;
            }
            break;
        case PortSearchOutcome::Kind::Silent:
            lines.append(tr("%1: brak odpowiedzi przy żadnej prędkości").arg(portName(outcome)));
            break;
        case PortSearchOutcome::Kind::NotWeighing:
            lines.append(tr("%1: odpowiada, ale nie wynikiem ważenia (%2): %3")
                             .arg(portName(outcome), baudCodeText(outcome.sampleBaudCode), sampleText(outcome.sample)));
            if (outcome.makerFormatsRead)
                lines.append(tr("Tę odpowiedź odczyta opcja „Rozpoznawaj formaty wag różnych producentów” w opcjach "
                                "formatu."));
            break;
        case PortSearchOutcome::Kind::Found:
            break;
        }
    }
    return lines.join(u'\n');
}

void PortSearchDialog::showReport(const QString& text)
{
    if (m_report->isVisible() == !text.isEmpty() && m_report->toPlainText() == text)
        return;
    m_report->setPlainText(text);
    m_report->setVisible(!text.isEmpty());
    fixSize();
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
    m_outcomes.clear();
    showReport(QString());
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
        m_outcomes = m_search->outcomes();
        showReport(outcomesText(m_outcomes));
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
    // The program's name that the title bar adds may have been set since the dialog was made.
    fixSize();
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
        if (m_report->isVisible())
            m_report->setPlainText(outcomesText(m_outcomes));
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
    setFixedSize(sizeHint().expandedTo(QSize(titleBarWidth(*this), 0)));
}
