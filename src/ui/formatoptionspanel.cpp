#include "ui/formatoptionspanel.h"

#include "core/global.h"
#include "core/messagepresenter.h"
#include "processing/numbermask.h"
#include "processing/scriptcomposition.h"
#include "ui/compactstyle.h"
#include "ui_formatoptionspanel.h"

#include "core/usersettings.h"
#include "ui/settingsbinding.h"

#include <QEvent>
#include <QLineEdit>
#include <QListWidgetItem>

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
{
    m_ui->setupUi(this);
    applyCompactStyle(this);
    fitFieldColumns(m_ui->chklbSendValues);
    // A longer mask could not format any result, and all output would stop without a word.
    m_ui->eFormatWyniku->setMaxLength(int(LongestMask));

    connect(m_ui->chklbSendValues, &QListWidget::itemChanged, this, &FormatOptionsPanel::ChangeScriptClick);
    connect(m_ui->rgOptBetweenFields, &RadioGroup::itemIndexChanged, this, &FormatOptionsPanel::ChangeScriptClick);
    connect(m_ui->rgOptAfterFields, &RadioGroup::itemIndexChanged, this, &FormatOptionsPanel::ChangeScriptClick);
    connect(m_ui->chkbOptAdvanced, &QCheckBox::toggled, this, &FormatOptionsPanel::ChooseOptionClick);
    connect(m_ui->rgOptReadFromScale, &RadioGroup::itemIndexChanged, this, &FormatOptionsPanel::ChooseOptionClick);
    connect(m_ui->chbUstawFormatWyniku, &QCheckBox::toggled, this, &FormatOptionsPanel::chbUstawFormatWynikuClick);
    connect(m_ui->cbOpoznienieDanych, &QComboBox::editTextChanged, this, &FormatOptionsPanel::followTypedDelay);
    connect(m_ui->sbScriptWizard, &QAbstractButton::clicked, this, &FormatOptionsPanel::sbScriptWizardClick);
    connect(m_ui->sbScriptHelp, &QAbstractButton::clicked, this, &FormatOptionsPanel::sbScriptHelpClick);
    connect(m_ui->sbExtendScript, &QAbstractButton::clicked, this, &FormatOptionsPanel::sbExtendScriptClick);
    connect(m_ui->sbOptDefault, &QAbstractButton::clicked, this, &FormatOptionsPanel::sbOptDefaultClick);

    // Symbols, which at this font size read better than the glyphs in the form; the texts stay for
    // screen readers.
    m_ui->sbScriptWizard->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft, nullptr, m_ui->sbScriptWizard));
    m_ui->sbScriptHelp->setIcon(style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, m_ui->sbScriptHelp));
    showExtendState();

    // The script group is not in the layout: enlarged, it has to lie over other controls.
    m_ui->gbOptScript->setAutoFillBackground(true);
    m_ui->gbOptScript->raise();
    m_ui->OptionGroupsArea->installEventFilter(this);

    ChangeScriptClick();
    ChooseOptionClick();
    placeScriptGroup();
}

FormatOptionsPanel::~FormatOptionsPanel() = default;

QString FormatOptionsPanel::sendFieldsText() const
{
    QString text;
    for (int i = 0; i < m_ui->chklbSendValues->count(); ++i)
        text += m_ui->chklbSendValues->item(i)->checkState() == Qt::Checked ? u'1' : u'0';
    return text;
}

void FormatOptionsPanel::setSendFieldsText(const QString& text)
{
    if (text.size() != m_ui->chklbSendValues->count())
        return;
    for (int i = 0; i < m_ui->chklbSendValues->count(); ++i)
        m_ui->chklbSendValues->item(i)->setCheckState(text.at(i) == u'1' ? Qt::Checked : Qt::Unchecked);
}

int FormatOptionsPanel::readMode() const
{
    return m_ui->rgOptReadFromScale->itemIndex();
}

bool FormatOptionsPanel::advancedOptions() const
{
    return m_ui->chkbOptAdvanced->isChecked();
}

QString FormatOptionsPanel::scriptText() const
{
    return m_ui->MemoScript->toPlainText();
}

int FormatOptionsPanel::decimalSeparatorChoice() const
{
    return m_ui->rgOptDecimalSeparator->itemIndex();
}

bool FormatOptionsPanel::removeScannerFrame() const
{
    return m_ui->chbWytnijRamkeSkanera->isChecked();
}

bool FormatOptionsPanel::reportTime() const
{
    return m_ui->chbCzasPrzedRaportem->isChecked();
}

int FormatOptionsPanel::reportDataDelay() const
{
    return m_ui->cbOpoznienieDanych->currentIndex();
}

void FormatOptionsPanel::setReportDataDelay(int index)
{
    m_ui->cbOpoznienieDanych->setCurrentIndex(index);
}

bool FormatOptionsPanel::useResultFormat() const
{
    return m_ui->chbUstawFormatWyniku->isChecked();
}

QString FormatOptionsPanel::resultFormat() const
{
    return m_ui->eFormatWyniku->text();
}

void FormatOptionsPanel::ChangeScriptClick()
{
    const QString composed =
        composeScript(sendFieldsText(), m_ui->rgOptBetweenFields->itemIndex(), m_ui->rgOptAfterFields->itemIndex());
    if (composed == m_composedScript)
        return;
    m_composedScript = composed;
    emit composedScriptChanged();
}

void FormatOptionsPanel::ChooseOptionClick()
{
    const bool report = readModeFromIndex(m_ui->rgOptReadFromScale->itemIndex()) == ReadMode::Report;
    const bool advanced = m_ui->chkbOptAdvanced->isChecked();

    m_ui->gbOptSendFields->setVisible(!advanced && !report);
    m_ui->rgOptBetweenFields->setVisible(!advanced && !report);
    m_ui->rgOptAfterFields->setVisible(!advanced && !report);
    m_ui->gbOptScript->setVisible(advanced && !report);
    m_ui->gbReportOpt->setVisible(report);

    const QList<QWidget*> scriptControls = {m_ui->chklbSendValues, m_ui->rgOptBetweenFields, m_ui->rgOptAfterFields,
                                            m_ui->MemoScript,      m_ui->sbExtendScript,     m_ui->sbScriptHelp,
                                            m_ui->sbScriptWizard,  m_ui->chkbOptAdvanced};
    for (QWidget* control : scriptControls)
        control->setEnabled(!report);
}

void FormatOptionsPanel::sbScriptWizardClick()
{
    const MessagePresenter::Answer answer =
        MessagePresenter::current().show(window(), tr("Czy chcesz zastąpic aktualny skrypt?"), tr("Uwaga"),
                                         MessagePresenter::Icon::None, MessagePresenter::Buttons::YesNo);
    if (answer == MessagePresenter::Answer::Yes)
        m_ui->MemoScript->setPlainText(m_composedScript);
}

void FormatOptionsPanel::sbScriptHelpClick()
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

void FormatOptionsPanel::sbExtendScriptClick()
{
    m_scriptEnlarged = !m_scriptEnlarged;
    m_ui->MemoScript->setFixedHeight(m_scriptEnlarged ? EnlargedMemoHeight : NormalMemoHeight);
    showExtendState();
    placeScriptGroup();
}

void FormatOptionsPanel::chbUstawFormatWynikuClick()
{
    m_ui->eFormatWyniku->setEnabled(m_ui->chbUstawFormatWyniku->isChecked());
}

void FormatOptionsPanel::sbOptDefaultClick()
{
    const UserSettings defaults;
    m_ui->rgOptReadFromScale->setItemIndex(defaults.readMode);
    setSendFieldsText(defaults.sendFields);
    m_ui->rgOptBetweenFields->setItemIndex(defaults.betweenFields);
    m_ui->rgOptAfterFields->setItemIndex(defaults.afterFields);
    m_ui->rgOptDecimalSeparator->setItemIndex(defaults.decimalSeparator);
    m_ui->chkbOptAdvanced->setChecked(defaults.advancedScript);
    m_ui->chbMakerFormats->setChecked(defaults.makerFormats);
    // A control that already held its default emitted nothing, so the handlers are run regardless.
    ChangeScriptClick();
    ChooseOptionClick();
    m_ui->eFormatWyniku->setText(defaults.resultFormat);
    m_ui->chbUstawFormatWyniku->setChecked(defaults.resultFormatOn);
    chbUstawFormatWynikuClick();
}

QPlainTextEdit& FormatOptionsPanel::scriptMemo()
{
    return *m_ui->MemoScript;
}

void FormatOptionsPanel::bindSettings(SettingsBinding& binding)
{
    binding.bind(Setting::DecimalSeparator, m_ui->rgOptDecimalSeparator);
    binding.bind(Setting::ReadFromScale, m_ui->rgOptReadFromScale);
    binding.bind(
        Setting::SendFields, [this] { return QVariant(sendFieldsText()); },
        [this](const QVariant& value) { setSendFieldsText(value.toString()); });
    connect(m_ui->chklbSendValues, &QListWidget::itemChanged, &binding,
            [&binding] { binding.controlChanged(Setting::SendFields); });
    binding.bind(Setting::InsBetweenFields, m_ui->rgOptBetweenFields);
    binding.bind(Setting::InsAfterFields, m_ui->rgOptAfterFields);
    binding.bind(Setting::AdvancedOptions, m_ui->chkbOptAdvanced);
    // The box keeps what it can hold, and the value is what the box shows.
    binding.bind(Setting::ResultFormat, m_ui->eFormatWyniku);
    binding.bind(
        Setting::SetResultFormat, [this] { return QVariant(m_ui->chbUstawFormatWyniku->isChecked()); },
        [this](const QVariant& value) {
            m_ui->chbUstawFormatWyniku->setChecked(value.toBool());
            chbUstawFormatWynikuClick();
        });
    connect(m_ui->chbUstawFormatWyniku, &QCheckBox::toggled, &binding,
            [&binding] { binding.controlChanged(Setting::SetResultFormat); });
    binding.bind(Setting::ReportTime, m_ui->chbCzasPrzedRaportem);
    binding.bind(Setting::RemoveScanerFrame, m_ui->chbWytnijRamkeSkanera);
    binding.bind(
        Setting::ReportDataDelay, [this] { return QVariant(qint32(reportDataDelay())); },
        [this](const QVariant& value) { setReportDataDelay(value.toInt()); });
    connect(m_ui->cbOpoznienieDanych, &QComboBox::currentIndexChanged, &binding,
            [&binding] { binding.controlChanged(Setting::ReportDataDelay); });
    binding.bind(Setting::MakerFormats, m_ui->chbMakerFormats);
}

bool FormatOptionsPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->OptionGroupsArea && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        placeScriptGroup();
    return QWidget::eventFilter(watched, event);
}

void FormatOptionsPanel::followTypedDelay(const QString& text)
{
    QComboBox* box = m_ui->cbOpoznienieDanych;
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
    m_ui->sbExtendScript->setIcon(
        style()->standardIcon(m_scriptEnlarged ? QStyle::SP_TitleBarNormalButton : QStyle::SP_TitleBarMaxButton,
                              nullptr, m_ui->sbExtendScript));
}

void FormatOptionsPanel::placeScriptGroup()
{
    const QRect area = m_ui->OptionGroupsArea->geometry();
    const int groupHeight = m_scriptEnlarged ? EnlargedScriptGroupHeight : NormalScriptGroupHeight;
    // Enlarged, the group lies over the controls below it; where it would run past the bottom edge it
    // covers the top rows whole instead, so that no control is left half hidden.
    const int top = area.top() + groupHeight <= height() ? area.top() : 0;
    m_ui->gbOptScript->setGeometry(area.left(), top, area.width(), groupHeight);
    if (QLayout* layout = m_ui->gbOptScript->layout())
        layout->activate();
}

void FormatOptionsPanel::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui->retranslateUi(this);
        showExtendState();
        placeScriptGroup();
    }
    QWidget::changeEvent(event);
}
