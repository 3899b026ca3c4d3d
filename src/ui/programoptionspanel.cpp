#include "ui/programoptionspanel.h"

#include "core/global.h"
#include "link/scalecommands.h"
#include "ui/compactstyle.h"

#include "ui_programoptionspanel.h"

#include "ui/settingsbinding.h"

#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QTimer>

namespace {

std::optional<ProgramOptionsPanel::FileChoice> askWithSaveDialog(QWidget* parent, const QStringList& filters)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return ProgramOptionsPanel::FileChoice{dialog.selectedFiles().constFirst(),
                                           int(filters.indexOf(dialog.selectedNameFilter()))};
}

} // namespace

ProgramOptionsPanel::ProgramOptionsPanel(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::ProgramOptionsPanel>())
    , m_chooseFile(askWithSaveDialog)
{
    m_ui->setupUi(this);
    applyCompactStyle(this);
    showNoFileChosen();
    connect(m_ui->typeIntoFocusBox, &QCheckBox::toggled, this, &ProgramOptionsPanel::destinationsChanged);
    connect(m_ui->appendToFileBox, &QCheckBox::toggled, this, &ProgramOptionsPanel::destinationsChanged);
    connect(m_ui->chooseFileButton, &QToolButton::clicked, this, &ProgramOptionsPanel::chooseOutputFile);
    destinationsChanged();

    connect(m_ui->tareButton, &QAbstractButton::clicked, this, &ProgramOptionsPanel::tareClicked);
    connect(m_ui->zeroButton, &QAbstractButton::clicked, this, &ProgramOptionsPanel::zeroClicked);
    connect(m_ui->printButton, &QAbstractButton::clicked, this, &ProgramOptionsPanel::printClicked);
    connect(m_ui->specialButton, &QAbstractButton::clicked, this, &ProgramOptionsPanel::specialClicked);
    m_ui->specialCommandEdit->installEventFilter(this);
    m_specialOrderClosedWidth = m_ui->specialCommandEdit->maximumWidth();

    m_timerRepeat = new QTimer(this);
    m_timerRepeat->setObjectName(QStringLiteral("repeatTimer"));
    connect(m_timerRepeat, &QTimer::timeout, this, &ProgramOptionsPanel::repeatTimerFired);
    // Loading the settings ticks the box, which starts the reading with the time and unit loaded so far;
    // the window runs the handler once more when all are in.
    connect(m_ui->cyclicReadBox, &QCheckBox::toggled, this, &ProgramOptionsPanel::cyclicReadToggled);
}

ProgramOptionsPanel::~ProgramOptionsPanel() = default;

void ProgramOptionsPanel::setFileChooser(FileChooser chooser)
{
    m_chooseFile = std::move(chooser);
}

void ProgramOptionsPanel::setOrderSender(OrderSender sender)
{
    m_sendOrder = std::move(sender);
}

bool ProgramOptionsPanel::clickOrderButton(ScaleOrder order)
{
    QAbstractButton* buttons[] = {m_ui->tareButton, m_ui->zeroButton, m_ui->printButton, m_ui->specialButton};
    const quint64 before = m_ordersSent;
    buttons[int(order)]->click();
    return m_ordersSent != before;
}

void ProgramOptionsPanel::sendOrder(const QByteArray& command)
{
    if (!m_sendOrder)
        return;
    ++m_ordersSent;
    m_sendOrder(command);
}

void ProgramOptionsPanel::tareClicked()
{
    sendOrder(ScaleCommand::Tare);
}

void ProgramOptionsPanel::zeroClicked()
{
    sendOrder(ScaleCommand::Zero);
}

void ProgramOptionsPanel::printClicked()
{
    sendOrder(ScaleCommand::Print);
}

void ProgramOptionsPanel::specialClicked()
{
    QLineEdit* edit = m_ui->specialCommandEdit;
    if (m_specialOrderOpen) {
        edit->setMinimumWidth(0);
        edit->setMaximumWidth(m_specialOrderClosedWidth);
        m_specialOrderOpen = false;
        return;
    }
    // The cyclic reading owns the scale's answers while it runs.
    if (m_ui->cyclicReadBox->isChecked())
        return;
    sendOrder(ScaleCommand::specialCommand(edit->text()));
}

// The box spans its row in the layout but keeps narrow while closed; open, it covers the hot-key
// controls beside it up to the group's edge.
void ProgramOptionsPanel::specialCommandEdited()
{
    QLineEdit* edit = m_ui->specialCommandEdit;
    if (m_specialOrderOpen)
        return;
    m_specialOrderOpen = true;
    const int room = m_ui->commandsGroup->width() - edit->mapTo(m_ui->commandsGroup, QPoint()).x();
    edit->setFixedWidth(room <= 30 ? 20 : room - 10);
    edit->raise();
}

bool ProgramOptionsPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->specialCommandEdit && event->type() == QEvent::MouseButtonPress)
        specialCommandEdited();
    return QWidget::eventFilter(watched, event);
}

void ProgramOptionsPanel::cyclicReadToggled()
{
    m_timerRepeat->stop();
    if (m_ui->cyclicReadBox->isChecked()) {
        const std::optional<ScaleCommand::RepeatPeriod> period =
            ScaleCommand::repeatPeriod(m_ui->repeatTimeEdit->text(), m_ui->repeatUnitBox->currentIndex());
        if (!period) {
            // Unticking runs this handler again, which settles the controls.
            m_ui->cyclicReadBox->setChecked(false);
            return;
        }
        if (period->shownTime)
            m_ui->repeatTimeEdit->setText(*period->shownTime);
        m_timerRepeat->start(period->milliseconds);
    }
    m_ui->repeatTimeEdit->setEnabled(!m_timerRepeat->isActive());
    m_ui->repeatUnitBox->setEnabled(!m_timerRepeat->isActive());
}

void ProgramOptionsPanel::repeatTimerFired()
{
    sendOrder(m_ui->onlyStableBox->isChecked() ? ScaleCommand::Print : ScaleCommand::Immediate);
}

void ProgramOptionsPanel::showOutputFile(const QString& path)
{
    QPalette palette = m_ui->outputFileEdit->palette();
    palette.setColor(QPalette::Text, path.isEmpty() ? QColor(Qt::red) : QColor(Qt::black));
    m_ui->outputFileEdit->setPalette(palette);
    showOutputFileText(path.isEmpty() ? tr("Nie wybrano pliku") : path);
    m_ui->outputFileEdit->setToolTip(path);
}

// A path longer than the box scrolls rather than wrapping or being cut: the box shows its end, the
// file's name, and the tooltip the whole path.
void ProgramOptionsPanel::showOutputFileText(const QString& text)
{
    m_ui->outputFileEdit->setText(text);
    m_ui->outputFileEdit->setCursorPosition(int(text.size()));
    // The box has no frame of its own and reads as text on the page.
    QPalette palette = m_ui->outputFileEdit->palette();
    palette.setBrush(QPalette::Base, Qt::NoBrush);
    m_ui->outputFileEdit->setPalette(palette);
}

void ProgramOptionsPanel::setOutputFile(const QString& path)
{
    showOutputFile(path);
    if (path == m_outputFile)
        return;
    m_outputFile = path;
    emit outputFileChanged();
}

void ProgramOptionsPanel::showNoFileChosen()
{
    m_ui->outputFileEdit->setPalette(QPalette());
    showOutputFileText(tr("Nie wybrano pliku"));
    m_ui->outputFileEdit->setToolTip(QString());
}

void ProgramOptionsPanel::chooseOutputFile()
{
    const QStringList filters = {tr("Pliki tekstowe (*.txt)"), tr("Pliki z separatorami pól (*.csv)"),
                                 tr("Wszystkie pliki (*)")};
    const std::optional<FileChoice> choice = m_chooseFile(window(), filters);
    if (!choice)
        return;

    QString name = choice->name;
    if (name.isEmpty() || name.indexOf(u'.') == 0) {
        setOutputFile(QString());
        return;
    }
    // Any dot in the path counts as an extension, a dot in a folder name included.
    if (!name.contains(u'.')) {
        if (choice->filterIndex == 0)
            name += QStringLiteral(".txt");
        else if (choice->filterIndex == 1)
            name += QStringLiteral(".csv");
    }
    setOutputFile(name);

    // Created at once so the user sees it exists; a failure shows with the first output instead.
    QFile file(name);
    if (!file.exists() && file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.close();
}

void ProgramOptionsPanel::destinationsChanged()
{
    const bool toFile = m_ui->appendToFileBox->isChecked();
    m_ui->chooseFileButton->setEnabled(toFile);
    m_ui->outputFileEdit->setEnabled(toFile);
}

void ProgramOptionsPanel::bindSettings(SettingsBinding& binding)
{
    binding.bind(Setting::RepeatTime, m_ui->repeatTimeEdit);
    binding.bind(Setting::RepeatUnit, m_ui->repeatUnitBox);
    binding.bind(Setting::BufferSize, m_ui->bufferSizeEdit);
    binding.bind(
        Setting::Destination,
        [this] {
            return QVariant(
                qint32((m_ui->typeIntoFocusBox->isChecked() ? 1 : 0) | (m_ui->appendToFileBox->isChecked() ? 2 : 0)));
        },
        [this](const QVariant& value) {
            m_ui->typeIntoFocusBox->setChecked(value.toInt() & 1);
            m_ui->appendToFileBox->setChecked(value.toInt() & 2);
        });
    for (QCheckBox* box : {m_ui->typeIntoFocusBox, m_ui->appendToFileBox})
        connect(box, &QCheckBox::toggled, &binding, [&binding] { binding.controlChanged(Setting::Destination); });
    binding.bind(
        Setting::OutputFile, [this] { return QVariant(m_outputFile); },
        [this](const QVariant& value) { setOutputFile(value.toString()); });
    connect(this, &ProgramOptionsPanel::outputFileChanged, &binding,
            [&binding] { binding.controlChanged(Setting::OutputFile); });
    // Each key combination before its tick: ticking registers what the key control shows at that moment.
    binding.bind(Setting::SpecialShortCut, m_ui->specialHotKeyEdit);
    binding.bind(Setting::TareShortCut, m_ui->tareHotKeyEdit);
    binding.bind(Setting::ZeroShortCut, m_ui->zeroHotKeyEdit);
    binding.bind(Setting::PrintShortCut, m_ui->printHotKeyEdit);
    binding.bind(Setting::SpecialCheck, m_ui->specialHotKeyBox);
    binding.bind(Setting::TareCheck, m_ui->tareHotKeyBox);
    binding.bind(Setting::ZeroCheck, m_ui->zeroHotKeyBox);
    binding.bind(Setting::PrintCheck, m_ui->printHotKeyBox);
    binding.bind(Setting::ReadOnlyStable, m_ui->onlyStableBox);
    binding.bind(Setting::SpecialOrder, m_ui->specialCommandEdit);
    binding.bind(Setting::RepeatRead, m_ui->cyclicReadBox);
}

void ProgramOptionsPanel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        // The form's text of outputFileEdit is "no file"; a chosen file's path (its tooltip) stays.
        const QString path = m_ui->outputFileEdit->toolTip();
        m_ui->retranslateUi(this);
        showOutputFileText(path.isEmpty() ? tr("Nie wybrano pliku") : path);
    }
    QWidget::changeEvent(event);
}
