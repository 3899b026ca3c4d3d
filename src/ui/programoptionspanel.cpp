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
    connect(m_ui->chbDestinationCursor, &QCheckBox::toggled, this, &ProgramOptionsPanel::chbDestinationClick);
    connect(m_ui->chbDestinationFile, &QCheckBox::toggled, this, &ProgramOptionsPanel::chbDestinationClick);
    connect(m_ui->sbSelectDestFile, &QToolButton::clicked, this, &ProgramOptionsPanel::sbSelectDestFileClick);
    chbDestinationClick();

    connect(m_ui->sbTare, &QAbstractButton::clicked, this, &ProgramOptionsPanel::sbTareClick);
    connect(m_ui->sbZero, &QAbstractButton::clicked, this, &ProgramOptionsPanel::sbZeroClick);
    connect(m_ui->sbPrint, &QAbstractButton::clicked, this, &ProgramOptionsPanel::sbPrintClick);
    connect(m_ui->sbSpecial, &QAbstractButton::clicked, this, &ProgramOptionsPanel::sbSpecialClick);
    m_ui->EditSpecialOrder->installEventFilter(this);
    m_specialOrderClosedWidth = m_ui->EditSpecialOrder->maximumWidth();

    m_timerRepeat = new QTimer(this);
    m_timerRepeat->setObjectName(QStringLiteral("TimerRepeat"));
    connect(m_timerRepeat, &QTimer::timeout, this, &ProgramOptionsPanel::TimerRepeatTimer);
    // Loading the settings ticks the box, which starts the reading with the time and unit loaded so far;
    // the window runs the handler once more when all are in.
    connect(m_ui->chkbCycleRead, &QCheckBox::toggled, this, &ProgramOptionsPanel::chkbCycleReadClick);
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

void ProgramOptionsPanel::sendOrder(const QByteArray& command)
{
    if (m_sendOrder)
        m_sendOrder(command);
}

void ProgramOptionsPanel::sbTareClick()
{
    sendOrder(ScaleCommand::Tare);
}

void ProgramOptionsPanel::sbZeroClick()
{
    sendOrder(ScaleCommand::Zero);
}

void ProgramOptionsPanel::sbPrintClick()
{
    sendOrder(ScaleCommand::Print);
}

void ProgramOptionsPanel::sbSpecialClick()
{
    QLineEdit* edit = m_ui->EditSpecialOrder;
    if (m_specialOrderOpen) {
        edit->setMinimumWidth(0);
        edit->setMaximumWidth(m_specialOrderClosedWidth);
        m_specialOrderOpen = false;
        return;
    }
    // The cyclic reading owns the scale's answers while it runs.
    if (m_ui->chkbCycleRead->isChecked())
        return;
    sendOrder(ScaleCommand::specialCommand(edit->text()));
}

// The box spans its row in the layout but keeps narrow while closed; open, it covers the hot-key
// controls beside it up to the group's edge.
void ProgramOptionsPanel::EditSpecialOrderClick()
{
    QLineEdit* edit = m_ui->EditSpecialOrder;
    if (m_specialOrderOpen)
        return;
    m_specialOrderOpen = true;
    const int room = m_ui->gbHotKeys->width() - edit->mapTo(m_ui->gbHotKeys, QPoint()).x();
    edit->setFixedWidth(room <= 30 ? 20 : room - 10);
    edit->raise();
}

bool ProgramOptionsPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->EditSpecialOrder && event->type() == QEvent::MouseButtonPress)
        EditSpecialOrderClick();
    return QWidget::eventFilter(watched, event);
}

void ProgramOptionsPanel::chkbCycleReadClick()
{
    m_timerRepeat->stop();
    if (m_ui->chkbCycleRead->isChecked()) {
        const std::optional<ScaleCommand::RepeatPeriod> period =
            ScaleCommand::repeatPeriod(m_ui->EditRepeatTime->text(), m_ui->cbRepeatUnit->currentIndex());
        if (!period) {
            // Unticking runs this handler again, which settles the controls.
            m_ui->chkbCycleRead->setChecked(false);
            return;
        }
        if (period->shownTime)
            m_ui->EditRepeatTime->setText(*period->shownTime);
        m_timerRepeat->start(period->milliseconds);
    }
    m_ui->EditRepeatTime->setEnabled(!m_timerRepeat->isActive());
    m_ui->cbRepeatUnit->setEnabled(!m_timerRepeat->isActive());
}

void ProgramOptionsPanel::TimerRepeatTimer()
{
    sendOrder(m_ui->chbReadOnlyStable->isChecked() ? ScaleCommand::Print : ScaleCommand::Immediate);
}

void ProgramOptionsPanel::showOutputFile(const QString& path)
{
    QPalette palette = m_ui->LabelFileName->palette();
    palette.setColor(QPalette::WindowText, path.isEmpty() ? QColor(Qt::red) : QColor(Qt::black));
    m_ui->LabelFileName->setPalette(palette);
    m_ui->LabelFileName->setText(path.isEmpty() ? tr("Nie wybrano pliku") : path);
    m_ui->LabelFileName->setToolTip(path);
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
    m_ui->LabelFileName->setPalette(QPalette());
    m_ui->LabelFileName->setText(tr("Nie wybrano pliku"));
    m_ui->LabelFileName->setToolTip(QString());
}

void ProgramOptionsPanel::sbSelectDestFileClick()
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

void ProgramOptionsPanel::chbDestinationClick()
{
    const bool toFile = m_ui->chbDestinationFile->isChecked();
    m_ui->sbSelectDestFile->setEnabled(toFile);
    m_ui->LabelFileName->setEnabled(toFile);
}

void ProgramOptionsPanel::bindSettings(SettingsBinding& binding)
{
    binding.bind(Setting::RepeatTime, m_ui->EditRepeatTime);
    binding.bind(Setting::RepeatUnit, m_ui->cbRepeatUnit);
    binding.bind(Setting::BufferSize, m_ui->EditBufferSize);
    binding.bind(
        Setting::Destination,
        [this] {
            return QVariant(qint32((m_ui->chbDestinationCursor->isChecked() ? 1 : 0) |
                                   (m_ui->chbDestinationFile->isChecked() ? 2 : 0)));
        },
        [this](const QVariant& value) {
            m_ui->chbDestinationCursor->setChecked(value.toInt() & 1);
            m_ui->chbDestinationFile->setChecked(value.toInt() & 2);
        });
    for (QCheckBox* box : {m_ui->chbDestinationCursor, m_ui->chbDestinationFile})
        connect(box, &QCheckBox::toggled, &binding, [&binding] { binding.controlChanged(Setting::Destination); });
    binding.bind(
        Setting::OutputFile, [this] { return QVariant(m_outputFile); },
        [this](const QVariant& value) { setOutputFile(value.toString()); });
    connect(this, &ProgramOptionsPanel::outputFileChanged, &binding,
            [&binding] { binding.controlChanged(Setting::OutputFile); });
    // Each key combination before its tick: ticking registers what the key control shows at that moment.
    binding.bind(Setting::SpecialShortCut, m_ui->HotKeySpecial);
    binding.bind(Setting::TareShortCut, m_ui->HotKeyTare);
    binding.bind(Setting::ZeroShortCut, m_ui->HotKeyZero);
    binding.bind(Setting::PrintShortCut, m_ui->HotKeyPrint);
    binding.bind(Setting::SpecialCheck, m_ui->chbSpecialHotKey);
    binding.bind(Setting::TareCheck, m_ui->chbTareHotKey);
    binding.bind(Setting::ZeroCheck, m_ui->chbZeroHotKey);
    binding.bind(Setting::PrintCheck, m_ui->chbPrintHotKey);
    binding.bind(Setting::ReadOnlyStable, m_ui->chbReadOnlyStable);
    binding.bind(Setting::SpecialOrder, m_ui->EditSpecialOrder);
    binding.bind(Setting::RepeatRead, m_ui->chkbCycleRead);
}

void ProgramOptionsPanel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        // The form's text of LabelFileName is "no file"; a chosen file's path (its tooltip) stays.
        const QString path = m_ui->LabelFileName->toolTip();
        m_ui->retranslateUi(this);
        if (path.isEmpty())
            m_ui->LabelFileName->setText(tr("Nie wybrano pliku"));
        else
            m_ui->LabelFileName->setText(path);
    }
    QWidget::changeEvent(event);
}
