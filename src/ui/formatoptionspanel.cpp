#include "ui/formatoptionspanel.h"

#include "core/global.h"
#include "core/messagepresenter.h"
#include "processing/numbermask.h"
#include "processing/outputpreview.h"
#include "processing/processingoptions.h"
#include "processing/scriptcomposition.h"
#include "processing/statistics.h"
#include "ui/compactstyle.h"
#include "ui_formatoptionspanel.h"

#include "core/usersettings.h"
#include "ui/settingsbinding.h"

#include <QDateTime>
#include <QEvent>
#include <QFontDatabase>
#include <QLineEdit>
#include <QListWidgetItem>

#include <algorithm>

namespace {

constexpr int NormalScriptGroupHeight = 90;
constexpr int NormalMemoHeight = 70;
constexpr int EnlargedScriptGroupHeight = 162;
constexpr int EnlargedMemoHeight = 144;

// The fields wrap into columns; the list must be high enough for three rows, or a fourth column would
// run off the page.
void fitFieldColumns(QListWidget* list)
{
    list->setFixedHeight(3 * list->sizeHintForRow(0) + 2 * list->frameWidth() + 1);
}

} // namespace

FormatOptionsPanel::FormatOptionsPanel(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::FormatOptionsPanel>())
    , m_formats(LocaleFormats::fromLocale(QLocale::system()))
{
    m_ui->setupUi(this);
    applyCompactStyle(this);
    // Keys and blanks line up with the characters in a fixed-width font, at the page's size.
    QFont previewFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    previewFont.setPointSizeF(m_ui->previewEdit->font().pointSizeF());
    m_ui->previewEdit->setFont(previewFont);
    // No frame and no higher than its caption: the line fits in beside the read mode choice, and the
    // page, which every other page's height follows, grows by a few pixels at most.
    m_ui->previewEdit->setFixedHeight(
        std::max(m_ui->previewLabel->sizeHint().height(), m_ui->previewEdit->fontMetrics().height() + 2));
    fitFieldColumns(m_ui->fieldsList);
    // A longer mask could not format any result, and all output would stop without a word.
    m_ui->resultFormatEdit->setMaxLength(int(LongestMask));

    connect(m_ui->fieldsList, &QListWidget::itemChanged, this, &FormatOptionsPanel::scriptChoiceChanged);
    connect(m_ui->betweenFieldsGroup, &RadioGroup::itemIndexChanged, this, &FormatOptionsPanel::scriptChoiceChanged);
    connect(m_ui->afterFieldsGroup, &RadioGroup::itemIndexChanged, this, &FormatOptionsPanel::scriptChoiceChanged);
    connect(m_ui->advancedBox, &QCheckBox::toggled, this, &FormatOptionsPanel::optionsChanged);
    connect(m_ui->readModeGroup, &RadioGroup::itemIndexChanged, this, &FormatOptionsPanel::optionsChanged);
    connect(m_ui->resultFormatBox, &QCheckBox::toggled, this, &FormatOptionsPanel::resultFormatToggled);
    connect(m_ui->dataDelayBox, &QComboBox::editTextChanged, this, &FormatOptionsPanel::followTypedDelay);
    connect(m_ui->scriptWizardButton, &QAbstractButton::clicked, this, &FormatOptionsPanel::scriptWizardClicked);
    connect(m_ui->scriptHelpButton, &QAbstractButton::clicked, this, &FormatOptionsPanel::scriptHelpClicked);
    connect(m_ui->extendScriptButton, &QAbstractButton::clicked, this, &FormatOptionsPanel::extendScriptClicked);
    connect(m_ui->formatDefaultsButton, &QAbstractButton::clicked, this, &FormatOptionsPanel::restoreFormatDefaults);

    // Everything that shapes a result's output; the field choices reach it through the composed script.
    connect(this, &FormatOptionsPanel::composedScriptChanged, this, &FormatOptionsPanel::showPreview);
    connect(m_ui->advancedBox, &QCheckBox::toggled, this, &FormatOptionsPanel::showPreview);
    connect(m_ui->scriptEdit, &QPlainTextEdit::textChanged, this, &FormatOptionsPanel::showPreview);
    connect(m_ui->decimalSeparatorGroup, &RadioGroup::itemIndexChanged, this, &FormatOptionsPanel::showPreview);
    connect(m_ui->resultFormatBox, &QCheckBox::toggled, this, &FormatOptionsPanel::showPreview);
    connect(m_ui->resultFormatEdit, &QLineEdit::textChanged, this, &FormatOptionsPanel::showPreview);

    // Symbols, which at this font size read better than the glyphs in the form; the texts stay for
    // screen readers.
    m_ui->scriptWizardButton->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft, nullptr, m_ui->scriptWizardButton));
    m_ui->scriptHelpButton->setIcon(
        style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, m_ui->scriptHelpButton));
    showExtendState();

    // The script group is not in the layout: enlarged, it has to lie over other controls.
    m_ui->scriptGroup->setAutoFillBackground(true);
    m_ui->scriptGroup->setProperty("overlay", true);
    m_ui->scriptGroup->raise();
    m_ui->OptionGroupsArea->installEventFilter(this);

    scriptChoiceChanged();
    optionsChanged();
    placeScriptGroup();
    showPreview();
}

FormatOptionsPanel::~FormatOptionsPanel() = default;

QString FormatOptionsPanel::sendFieldsText() const
{
    QString text;
    for (int i = 0; i < m_ui->fieldsList->count(); ++i)
        text += m_ui->fieldsList->item(i)->checkState() == Qt::Checked ? u'1' : u'0';
    return text;
}

void FormatOptionsPanel::setSendFieldsText(const QString& text)
{
    if (text.size() != m_ui->fieldsList->count())
        return;
    for (int i = 0; i < m_ui->fieldsList->count(); ++i)
        m_ui->fieldsList->item(i)->setCheckState(text.at(i) == u'1' ? Qt::Checked : Qt::Unchecked);
}

int FormatOptionsPanel::readMode() const
{
    return m_ui->readModeGroup->itemIndex();
}

bool FormatOptionsPanel::advancedOptions() const
{
    return m_ui->advancedBox->isChecked();
}

QString FormatOptionsPanel::scriptText() const
{
    return m_ui->scriptEdit->toPlainText();
}

int FormatOptionsPanel::decimalSeparatorChoice() const
{
    return m_ui->decimalSeparatorGroup->itemIndex();
}

bool FormatOptionsPanel::removeScannerFrame() const
{
    return m_ui->removeScannerFrameBox->isChecked();
}

bool FormatOptionsPanel::reportTime() const
{
    return m_ui->timeBeforeReportBox->isChecked();
}

int FormatOptionsPanel::reportDataDelay() const
{
    return m_ui->dataDelayBox->currentIndex();
}

void FormatOptionsPanel::setReportDataDelay(int index)
{
    m_ui->dataDelayBox->setCurrentIndex(index);
}

bool FormatOptionsPanel::useResultFormat() const
{
    return m_ui->resultFormatBox->isChecked();
}

QString FormatOptionsPanel::resultFormat() const
{
    return m_ui->resultFormatEdit->text();
}

void FormatOptionsPanel::scriptChoiceChanged()
{
    const QString composed =
        composeScript(sendFieldsText(), m_ui->betweenFieldsGroup->itemIndex(), m_ui->afterFieldsGroup->itemIndex());
    if (composed == m_composedScript)
        return;
    m_composedScript = composed;
    emit composedScriptChanged();
}

void FormatOptionsPanel::optionsChanged()
{
    const bool report = readModeFromIndex(m_ui->readModeGroup->itemIndex()) == ReadMode::Report;
    const bool advanced = m_ui->advancedBox->isChecked();

    m_ui->fieldsGroup->setVisible(!advanced && !report);
    m_ui->betweenFieldsGroup->setVisible(!advanced && !report);
    m_ui->afterFieldsGroup->setVisible(!advanced && !report);
    m_ui->scriptGroup->setVisible(advanced && !report);
    m_ui->reportGroup->setVisible(report);
    // A report is typed as it came, with no result and no script to preview.
    m_ui->previewLabel->setVisible(!report);
    m_ui->previewEdit->setVisible(!report);

    const QList<QWidget*> scriptControls = {m_ui->fieldsList,         m_ui->betweenFieldsGroup, m_ui->afterFieldsGroup,
                                            m_ui->scriptEdit,         m_ui->extendScriptButton, m_ui->scriptHelpButton,
                                            m_ui->scriptWizardButton, m_ui->advancedBox};
    for (QWidget* control : scriptControls)
        control->setEnabled(!report);
}

void FormatOptionsPanel::scriptWizardClicked()
{
    const MessagePresenter::Answer answer =
        MessagePresenter::current().show(window(), tr("Czy chcesz zastąpic aktualny skrypt?"), tr("Uwaga"),
                                         MessagePresenter::Icon::None, MessagePresenter::Buttons::YesNo);
    if (answer == MessagePresenter::Answer::Yes)
        m_ui->scriptEdit->setPlainText(m_composedScript);
}

void FormatOptionsPanel::scriptHelpClicked()
{
    const QString help = tr("Do wykorzystania możliwe są następujące opcje:\r\n"
                            ":m - wartosc masy,\r\n"
                            ":u - jednostka (g, kg),\r\n"
                            ":t - czas pomiaru,\r\n"
                            ":c - numer pomiaru/ilosc pomiarow,\r\n"
                            ":s - suma pomiarow,\r\n"
                            ":a - srednia z pomiarow,\r\n"
                            "\r\n"
                            ":#xx - dwucyfrowy znak ASCII w kodzie szestnastkowym,\r\n"
                            "       np. :#0D - ENTER, :#09 - znak tabulacji.\r\n"
                            "Aby wyzerowac wartosci numeru pomiaru, sumy i sredniej\r\n"
                            "nalezy użyc przycisku Czysc w zakladce Statystyki.");
    MessagePresenter::current().show(window(), help, tr("Tworzenie skryptu"), MessagePresenter::Icon::Information,
                                     MessagePresenter::Buttons::Ok);
}

void FormatOptionsPanel::extendScriptClicked()
{
    m_scriptEnlarged = !m_scriptEnlarged;
    m_ui->scriptEdit->setFixedHeight(m_scriptEnlarged ? EnlargedMemoHeight : NormalMemoHeight);
    showExtendState();
    placeScriptGroup();
}

void FormatOptionsPanel::resultFormatToggled()
{
    m_ui->resultFormatEdit->setEnabled(m_ui->resultFormatBox->isChecked());
}

void FormatOptionsPanel::restoreFormatDefaults()
{
    const UserSettings defaults;
    m_ui->readModeGroup->setItemIndex(defaults.readMode);
    setSendFieldsText(defaults.sendFields);
    m_ui->betweenFieldsGroup->setItemIndex(defaults.betweenFields);
    m_ui->afterFieldsGroup->setItemIndex(defaults.afterFields);
    m_ui->decimalSeparatorGroup->setItemIndex(defaults.decimalSeparator);
    m_ui->advancedBox->setChecked(defaults.advancedScript);
    m_ui->makerFormatsBox->setChecked(defaults.makerFormats);
    // A control that already held its default emitted nothing, so the handlers are run regardless.
    scriptChoiceChanged();
    optionsChanged();
    m_ui->resultFormatEdit->setText(defaults.resultFormat);
    m_ui->resultFormatBox->setChecked(defaults.resultFormatOn);
    resultFormatToggled();
}

void FormatOptionsPanel::followControls()
{
    optionsChanged();
    scriptChoiceChanged();
    showPreview();
}

void FormatOptionsPanel::setStatistics(Statistics* statistics)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = statistics;
    // Queued, as for the statistics page: the result's processing finishes its step first.
    if (m_source)
        connect(m_source, &Statistics::changed, this, &FormatOptionsPanel::showPreview, Qt::QueuedConnection);
    showPreview();
}

void FormatOptionsPanel::setLocaleFormats(const LocaleFormats& formats)
{
    m_formats = formats;
    showPreview();
}

ProcessingOptions FormatOptionsPanel::outputOptions() const
{
    ProcessingOptions options;
    options.readMode = readModeFromIndex(readMode());
    options.advancedScript = advancedOptions();
    // The memo shows a script file's single-byte characters by their ISO 8859-1 character, which types
    // the same as the file's own bytes.
    options.script = scriptText().toUtf8();
    options.composedScript = m_composedScript;
    options.decimalSeparatorChoice = decimalSeparatorChoice();
    options.useResultFormat = useResultFormat();
    options.resultFormat = resultFormat();
    return options;
}

void FormatOptionsPanel::showPreview()
{
    OutputPreview preview;
    if (m_source && m_source->count() > 0) {
        preview = OutputPreview::of(outputOptions(), *m_source, m_formats);
    } else {
        Statistics example;
        OutputPreview::addExampleResult(example, m_formats, QDateTime::currentDateTime());
        preview = OutputPreview::of(outputOptions(), example, m_formats);
    }
    QLineEdit* edit = m_ui->previewEdit;
    const QString line = preview.line();
    if (edit->text() != line) {
        edit->setText(line);
        // The start of the output matters most; a long line scrolls from there.
        edit->setCursorPosition(0);
    }
    edit->setToolTip(line);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, preview.error.isEmpty() ? this->palette().color(QPalette::Text) : QColor(Qt::red));
    edit->setPalette(palette);
}

QPlainTextEdit& FormatOptionsPanel::scriptMemo()
{
    return *m_ui->scriptEdit;
}

void FormatOptionsPanel::bindSettings(SettingsBinding& binding)
{
    binding.bind(Setting::DecimalSeparator, m_ui->decimalSeparatorGroup);
    binding.bind(Setting::ReadFromScale, m_ui->readModeGroup);
    binding.bind(
        Setting::SendFields, [this] { return QVariant(sendFieldsText()); },
        [this](const QVariant& value) { setSendFieldsText(value.toString()); });
    connect(m_ui->fieldsList, &QListWidget::itemChanged, &binding,
            [&binding] { binding.controlChanged(Setting::SendFields); });
    binding.bind(Setting::InsBetweenFields, m_ui->betweenFieldsGroup);
    binding.bind(Setting::InsAfterFields, m_ui->afterFieldsGroup);
    binding.bind(Setting::AdvancedOptions, m_ui->advancedBox);
    // The box keeps what it can hold, and the value is what the box shows.
    binding.bind(Setting::ResultFormat, m_ui->resultFormatEdit);
    binding.bind(
        Setting::SetResultFormat, [this] { return QVariant(m_ui->resultFormatBox->isChecked()); },
        [this](const QVariant& value) {
            m_ui->resultFormatBox->setChecked(value.toBool());
            resultFormatToggled();
        });
    connect(m_ui->resultFormatBox, &QCheckBox::toggled, &binding,
            [&binding] { binding.controlChanged(Setting::SetResultFormat); });
    binding.bind(Setting::ReportTime, m_ui->timeBeforeReportBox);
    binding.bind(Setting::RemoveScanerFrame, m_ui->removeScannerFrameBox);
    binding.bind(
        Setting::ReportDataDelay, [this] { return QVariant(qint32(reportDataDelay())); },
        [this](const QVariant& value) { setReportDataDelay(value.toInt()); });
    connect(m_ui->dataDelayBox, &QComboBox::currentIndexChanged, &binding,
            [&binding] { binding.controlChanged(Setting::ReportDataDelay); });
    binding.bind(Setting::MakerFormats, m_ui->makerFormatsBox);
}

bool FormatOptionsPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->OptionGroupsArea && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        placeScriptGroup();
    return QWidget::eventFilter(watched, event);
}

void FormatOptionsPanel::followTypedDelay(const QString& text)
{
    QComboBox* box = m_ui->dataDelayBox;
    const int index = box->findText(text);
    if (index == box->currentIndex())
        return;
    if (index >= 0) {
        box->setCurrentIndex(index);
        return;
    }
    // Dropping the selection empties the edit; the text being typed has to stay.
    QLineEdit* edit = box->lineEdit();
    const int cursor = edit->cursorPosition();
    box->setCurrentIndex(-1);
    edit->setText(text);
    edit->setCursorPosition(cursor);
}

void FormatOptionsPanel::showExtendState()
{
    m_ui->extendScriptButton->setIcon(
        style()->standardIcon(m_scriptEnlarged ? QStyle::SP_TitleBarNormalButton : QStyle::SP_TitleBarMaxButton,
                              nullptr, m_ui->extendScriptButton));
}

void FormatOptionsPanel::placeScriptGroup()
{
    const QRect area = m_ui->OptionGroupsArea->geometry();
    const int groupHeight = m_scriptEnlarged ? EnlargedScriptGroupHeight : NormalScriptGroupHeight;
    // Enlarged, the group lies over the controls below it; where it would run past the bottom edge it
    // covers the top rows whole instead, so that no control is left half hidden.
    const int top = area.top() + groupHeight <= height() ? area.top() : 0;
    m_ui->scriptGroup->setGeometry(area.left(), top, area.width(), groupHeight);
    if (QLayout* layout = m_ui->scriptGroup->layout())
        layout->activate();
}

// The statistics are cleared without a word, on another page; by the time this page shows again the
// preview has to show the example again.
void FormatOptionsPanel::showEvent(QShowEvent* event)
{
    showPreview();
    QWidget::showEvent(event);
}

void FormatOptionsPanel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        showExtendState();
        placeScriptGroup();
        // Key names and the error are in the language too.
        showPreview();
    }
    QWidget::changeEvent(event);
}
