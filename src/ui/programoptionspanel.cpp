#include "ui/programoptionspanel.h"

#include "core/global.h"
#include "ui/compactstyle.h"

#include "ui_programoptionspanel.h"

#include <QFile>
#include <QFileDialog>

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
    connect(m_ui->EditBufferSize, &QLineEdit::textChanged, this, &ProgramOptionsPanel::EditBufferSizeChange);
    chbDestinationClick();
}

ProgramOptionsPanel::~ProgramOptionsPanel() = default;

void ProgramOptionsPanel::setFileChooser(FileChooser chooser)
{
    m_chooseFile = std::move(chooser);
}

void ProgramOptionsPanel::showOutputFile(const QString& path)
{
    QPalette palette = m_ui->LabelFileName->palette();
    palette.setColor(QPalette::WindowText, path.isEmpty() ? QColor(Qt::red) : QColor(Qt::black));
    m_ui->LabelFileName->setPalette(palette);
    m_ui->LabelFileName->setText(path.isEmpty() ? tr("Nie wybrano pliku") : path);
    m_ui->LabelFileName->setToolTip(path);
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
        Global::OutputFile.clear();
        showOutputFile(QString());
        return;
    }
    // Any dot in the path counts as an extension, a dot in a folder name included.
    if (!name.contains(u'.')) {
        if (choice->filterIndex == 0)
            name += QStringLiteral(".txt");
        else if (choice->filterIndex == 1)
            name += QStringLiteral(".csv");
    }
    Global::OutputFile = name;
    showOutputFile(name);

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

// Only the user's typing counts; the program filling the box in must not change the limit.
void ProgramOptionsPanel::EditBufferSizeChange()
{
    if (!m_ui->EditBufferSize->hasFocus())
        return;
    bool ok = false;
    const int size = m_ui->EditBufferSize->text().toInt(&ok, 10);
    Global::BufferSize = ok ? size : 4096;
}
