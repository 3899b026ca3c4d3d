#include "ui/formsettings.h"

#include "core/global.h"
#include "core/messagepresenter.h"
#include "core/programinfo.h"
#include "core/settingsstore.h"
#include "platform/keyboardgrant.h"
#include "ui/formatoptionspanel.h"
#include "ui/hotkeyedit.h"
#include "ui/namedcontrol.h"
#include "ui/programoptionspanel.h"
#include "ui/radiogroup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStandardPaths>

namespace {

QString& programFolderOverride()
{
    static QString folder;
    return folder;
}

// Text that is not a decimal number counts as the fallback, as every numeric edit box does here.
int numberOr(const QString& text, int fallback)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : fallback;
}

// The check box that shows a boolean value, where one does.
const char* checkBoxOf(Setting setting)
{
    switch (setting) {
    case Setting::ComOpenOnStart:
        return "cbStartComm";
    case Setting::AutoRun:
        return "cbSystemStartup";
    case Setting::MinimizeOnStart:
        return "cbRunMinimased";
    case Setting::OnlyOneInstance:
        return "cbAllowOneInstance";
    case Setting::AdvancedOptions:
        return "chkbOptAdvanced";
    case Setting::SpecialCheck:
        return "chbSpecialHotKey";
    case Setting::TareCheck:
        return "chbTareHotKey";
    case Setting::ZeroCheck:
        return "chbZeroHotKey";
    case Setting::PrintCheck:
        return "chbPrintHotKey";
    case Setting::ReadOnlyStable:
        return "chbReadOnlyStable";
    case Setting::SetResultFormat:
        return "chbUstawFormatWyniku";
    case Setting::ReportTime:
        return "chbCzasPrzedRaportem";
    case Setting::RemoveScanerFrame:
        return "chbWytnijRamkeSkanera";
    case Setting::RepeatRead:
        return "chkbCycleRead";
    case Setting::MakerFormats:
        return "chbMakerFormats";
    default:
        return nullptr;
    }
}

// The key control that shows a key combination value.
const char* keyControlOf(Setting setting)
{
    switch (setting) {
    case Setting::SpecialShortCut:
        return "HotKeySpecial";
    case Setting::TareShortCut:
        return "HotKeyTare";
    case Setting::ZeroShortCut:
        return "HotKeyZero";
    case Setting::PrintShortCut:
        return "HotKeyPrint";
    default:
        return nullptr;
    }
}

} // namespace

FormSettings::FormSettings(QWidget& form)
    : m_form(form)
    , m_script(scriptFile())
{
    QObject::connect(control<QCheckBox>("cbAllowOneInstance"), &QCheckBox::toggled, &m_form,
                     [this] { cbAllowOneInstanceClick(); });
    QObject::connect(control<QAbstractButton>("sbCommDefault"), &QAbstractButton::clicked, &m_form,
                     [this] { sbCommDefaultClick(); });
}

template <typename T>
T* FormSettings::control(const char* name) const
{
    return namedControl<T>(&m_form, name);
}

QString FormSettings::programDataFolder()
{
    if (!programFolderOverride().isEmpty())
        return programFolderOverride();
    // Not applicationDirPath(): a folder whose name is not UTF-8 would come back as a name of no folder.
    const QString programFolder = ProgramInfo::folderPath();
    if (QFileInfo(programFolder).isWritable())
        return programFolder;
    // An installed program's folder is not the user's to write; the script would be lost there.
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dataFolder);
    return dataFolder;
}

QString FormSettings::scriptFile()
{
    return QDir(programDataFolder()).filePath(QStringLiteral("script.txt"));
}

QString FormSettings::logFolder()
{
    return QDir(programDataFolder()).filePath(QStringLiteral("log"));
}

void FormSettings::setProgramFolderForTests(const QString& folder)
{
    programFolderOverride() = folder;
}

// A port found by the search or stored may lie above the arrows' usual range; the number box must
// still hold it, or the next close would store the range's end instead.
void FormSettings::setPortNumber(int port)
{
    auto* box = control<QSpinBox>("UpDown1");
    box->setMaximum(std::max(box->maximum(), port));
    box->setValue(port);
}

void FormSettings::LoadSettings()
{
    const SettingsStore store;
    if (!store.opens()) {
        // A file that is there but cannot be read is the user's all the same.
        if (QFileInfo::exists(store.filePath()))
            keepUnreadable(store, QString());
        control<FormatOptionsPanel>("PanelOptions")->sbOptDefaultClick();
        sbCommDefaultClick();
        Global::PortConfigured = false;
        return;
    }
    // The first value that cannot be read ends the loading; the defaults then cover what they cover.
    for (const SettingDefinition& definition : SettingsTable) {
        if (!loadValue(store, definition.setting)) {
            keepUnreadable(store, QString(definition.name));
            ApplyDefaultSettings();
            break;
        }
    }
    // Outside that chain: missing from older files, or unreadable, where off or empty is what they
    // meant; nothing is reported.
    for (const SettingDefinition& definition : LaterSettingsTable) {
        if (loadValue(store, definition.setting))
            continue;
        if (definition.kind == SettingKind::Boolean)
            applyBoolean(definition.setting, false);
        else if (definition.kind == SettingKind::String)
            applyString(definition.setting, QString());
    }
}

// The defaults the loading falls back to are written over the file at the close, so the file the user
// had is kept aside first, and the user is told what happened.
void FormSettings::keepUnreadable(const SettingsStore& store, const QString& valueName)
{
    const std::optional<QString> keptAs = store.keepCopy();
    const QString file = QDir::toNativeSeparators(store.filePath());
    QString text =
        valueName.isEmpty()
            ? tr("Nie można odczytać pliku ustawień %1.").arg(file)
            : tr("Brak ustawienia „%1” w pliku %2 lub jego wartość jest nieprawidłowa.").arg(valueName, file);
    text += u'\n';
    text += keptAs ? tr("Dotychczasowy plik zachowano jako %1.").arg(QDir::toNativeSeparators(*keptAs))
                   : tr("Dotychczasowego pliku nie można było zachować.");
    text += u'\n';
    text += tr("Używane są ustawienia domyślne.");
    m_loadProblem = text;
}

void FormSettings::reportLoadProblem()
{
    if (m_loadProblem.isEmpty())
        return;
    const QString text = std::exchange(m_loadProblem, QString());
    MessagePresenter::current().show(&m_form, text, tr("Ustawienia"), MessagePresenter::Icon::Warning,
                                     MessagePresenter::Buttons::Ok);
}

// Each value goes into its control at once, so the control's change handler runs as for a user's change.
bool FormSettings::loadValue(const SettingsStore& store, Setting setting)
{
    switch (settingDefinition(setting).kind) {
    case SettingKind::Integer: {
        const std::optional<qint32> value = store.readInteger(setting);
        if (value)
            applyInteger(setting, *value);
        return value.has_value();
    }
    case SettingKind::Boolean: {
        const std::optional<bool> value = store.readBoolean(setting);
        if (value)
            applyBoolean(setting, *value);
        return value.has_value();
    }
    case SettingKind::String: {
        const std::optional<QString> value = store.readString(setting);
        if (value)
            applyString(setting, *value);
        return value.has_value();
    }
    }
    return false;
}

void FormSettings::applyInteger(Setting setting, qint32 value)
{
    switch (setting) {
    case Setting::Connection:
        control<RadioGroup>("rgConnection")->setItemIndex(value);
        break;
    case Setting::ComPort:
        Global::PortSettings.Port = value;
        setPortNumber(value);
        break;
    case Setting::Baud:
        Global::PortSettings.BaudCode = value;
        control<QComboBox>("cbBaudRate")->setCurrentIndex(value);
        break;
    case Setting::EthPort:
        control<QLineEdit>("EditPort")->setText(QString::number(value));
        break;
    case Setting::EthProtocol:
        control<RadioGroup>("rgEthProtocol")->setItemIndex(value);
        break;
    case Setting::DecimalSeparator:
        control<RadioGroup>("rgOptDecimalSeparator")->setItemIndex(value);
        break;
    case Setting::ReadFromScale:
        control<RadioGroup>("rgOptReadFromScale")->setItemIndex(value);
        break;
    case Setting::InsBetweenFields:
        control<RadioGroup>("rgOptBetweenFields")->setItemIndex(value);
        break;
    case Setting::InsAfterFields:
        control<RadioGroup>("rgOptAfterFields")->setItemIndex(value);
        break;
    case Setting::Language:
        Global::Language = value;
        break;
    case Setting::RepeatTime:
        control<QLineEdit>("EditRepeatTime")->setText(QString::number(value));
        break;
    case Setting::RepeatUnit:
        control<QComboBox>("cbRepeatUnit")->setCurrentIndex(value);
        break;
    case Setting::BufferSize:
        Global::BufferSize = value;
        control<QLineEdit>("EditBufferSize")->setText(QString::number(value));
        break;
    case Setting::Destination:
        control<QCheckBox>("chbDestinationCursor")->setChecked(Global::BitIsSet(quint16(value), 0));
        control<QCheckBox>("chbDestinationFile")->setChecked(Global::BitIsSet(quint16(value), 1));
        break;
    case Setting::ReportDataDelay:
        control<FormatOptionsPanel>("PanelOptions")->setReportDataDelay(value);
        break;
    default:
        break;
    }
}

void FormSettings::applyBoolean(Setting setting, bool value)
{
    if (const char* box = checkBoxOf(setting)) {
        control<QCheckBox>(box)->setChecked(value);
    } else if (setting == Setting::PortConfigured) {
        Global::PortConfigured = value;
    }
    if (setting == Setting::SetResultFormat) {
        control<QLineEdit>("eFormatWyniku")->setEnabled(value);
    }
}

void FormSettings::applyString(Setting setting, const QString& value)
{
    switch (setting) {
    case Setting::EthIP:
        control<QLineEdit>("EditIP")->setText(value);
        break;
    case Setting::SendFields:
        control<FormatOptionsPanel>("PanelOptions")->setSendFieldsText(value);
        break;
    case Setting::OutputFile:
        control<ProgramOptionsPanel>("PanelOptions2")->setOutputFile(value);
        break;
    case Setting::SpecialOrder:
        control<QLineEdit>("EditSpecialOrder")->setText(value);
        break;
    case Setting::ResultFormat:
        // The box keeps what it can hold, and the results are shown as the box says.
        control<QLineEdit>("eFormatWyniku")->setText(value);
        break;
    case Setting::RemoteDesktopToken:
        m_restoreToken = value;
        if (m_keyboardGrant)
            m_keyboardGrant->setRestoreToken(value);
        break;
    default:
        if (const char* keyControl = keyControlOf(setting)) {
            control<HotKeyEdit>(keyControl)->setShortCutText(value);
        }
        break;
    }
}

void FormSettings::ApplyDefaultSettings()
{
    control<FormatOptionsPanel>("PanelOptions")->sbOptDefaultClick();
    sbCommDefaultClick();
    Global::PortConfigured = false;
    control<ProgramOptionsPanel>("PanelOptions2")->setOutputFile(QString());
    control<QCheckBox>("chbDestinationCursor")->setChecked(true);
    control<QCheckBox>("chbDestinationFile")->setChecked(false);
    control<QComboBox>("cbRepeatUnit")->setCurrentIndex(1);
    control<QLineEdit>("EditRepeatTime")->setText(QStringLiteral("1"));
}

void FormSettings::sbCommDefaultClick()
{
    control<QSpinBox>("UpDown1")->setValue(1);
    control<QComboBox>("cbBaudRate")->setCurrentIndex(10);
    control<QCheckBox>("cbStartComm")->setChecked(true);
    control<QCheckBox>("cbAllowOneInstance")->setChecked(true);
    control<QCheckBox>("cbSystemStartup")->setChecked(false);
    control<QCheckBox>("cbRunMinimased")->setChecked(false);
    control<QLineEdit>("EditIP")->setText(QStringLiteral("192.168.1.100"));
    control<QLineEdit>("EditPort")->setText(QStringLiteral("1001"));
    control<RadioGroup>("rgEthProtocol")->setItemIndex(0);
    control<QLineEdit>("EditRepeatTime")->setText(QStringLiteral("1"));
    control<QComboBox>("cbRepeatUnit")->setCurrentIndex(1);
    control<QLineEdit>("EditBufferSize")->setText(QStringLiteral("4096"));
    Global::BufferSize = 4096;
    control<QLineEdit>("EditSpecialOrder")->setText(QStringLiteral("Sx1"));
}

void FormSettings::StoreSettings()
{
    Snapshot& s = m_snapshot;
    s.ipAddress = control<QLineEdit>("EditIP")->text();
    s.ethernetPort = control<QLineEdit>("EditPort")->text();
    s.specialCommand = control<QLineEdit>("EditSpecialOrder")->text();
    s.advanced = control<QCheckBox>("chkbOptAdvanced")->isChecked();
    s.sendFields = control<FormatOptionsPanel>("PanelOptions")->sendFieldsText();
    s.autoRun = control<QCheckBox>("cbSystemStartup")->isChecked();
    s.openOnStart = control<QCheckBox>("cbStartComm")->isChecked();
    s.minimise = control<QCheckBox>("cbRunMinimased")->isChecked();
    s.oneInstance = control<QCheckBox>("cbAllowOneInstance")->isChecked();
    s.connection = quint8(control<RadioGroup>("rgConnection")->itemIndex());
    s.portNumber = numberOr(control<QLineEdit>("Edit1")->text(), 0);
    s.baudCode = quint8(control<QComboBox>("cbBaudRate")->currentIndex());
    s.readMode = quint8(control<RadioGroup>("rgOptReadFromScale")->itemIndex());
    s.betweenFields = quint8(control<RadioGroup>("rgOptBetweenFields")->itemIndex());
    s.afterFields = quint8(control<RadioGroup>("rgOptAfterFields")->itemIndex());
    s.decimalSeparator = quint8(control<RadioGroup>("rgOptDecimalSeparator")->itemIndex());
    s.ethernetProtocol = quint8(control<RadioGroup>("rgEthProtocol")->itemIndex());
    s.repeatUnit = quint8(control<QComboBox>("cbRepeatUnit")->currentIndex());
    s.repeatTime = numberOr(control<QLineEdit>("EditRepeatTime")->text(), 0);

    saveScript();
    Global::BufferSize = numberOr(control<QLineEdit>("EditBufferSize")->text(), 4096);
}

void FormSettings::RestoreSettings()
{
    const Snapshot& s = m_snapshot;
    control<RadioGroup>("rgConnection")->setItemIndex(s.connection);
    setPortNumber(s.portNumber);
    control<QLineEdit>("Edit1")->setText(QString::number(s.portNumber));
    control<QComboBox>("cbBaudRate")->setCurrentIndex(s.baudCode);
    control<QLineEdit>("EditIP")->setText(s.ipAddress);
    control<QLineEdit>("EditPort")->setText(s.ethernetPort);
    control<RadioGroup>("rgEthProtocol")->setItemIndex(s.ethernetProtocol);
    control<QCheckBox>("cbSystemStartup")->setChecked(s.autoRun);
    control<QCheckBox>("cbStartComm")->setChecked(s.openOnStart);
    control<QCheckBox>("cbRunMinimased")->setChecked(s.minimise);
    control<QCheckBox>("cbAllowOneInstance")->setChecked(s.oneInstance);
    loadScript();
    auto* formatOptions = control<FormatOptionsPanel>("PanelOptions");
    control<RadioGroup>("rgOptReadFromScale")->setItemIndex(s.readMode);
    formatOptions->setSendFieldsText(s.sendFields);
    control<RadioGroup>("rgOptBetweenFields")->setItemIndex(s.betweenFields);
    control<RadioGroup>("rgOptAfterFields")->setItemIndex(s.afterFields);
    control<RadioGroup>("rgOptDecimalSeparator")->setItemIndex(s.decimalSeparator);
    control<QCheckBox>("chkbOptAdvanced")->setChecked(s.advanced);
    control<QLineEdit>("EditRepeatTime")->setText(QString::number(s.repeatTime));
    control<QComboBox>("cbRepeatUnit")->setCurrentIndex(s.repeatUnit);
    control<QLineEdit>("EditBufferSize")->setText(QString::number(Global::BufferSize));
    control<QLineEdit>("EditSpecialOrder")->setText(s.specialCommand);
    control<QLineEdit>("eFormatWyniku")->setEnabled(control<QCheckBox>("chbUstawFormatWyniku")->isChecked());
}

void FormSettings::Button2Click()
{
    SettingsStore store;
    // The file keeps its keys in alphabetical order whatever order they are written in; INI readers
    // do not depend on the order.
    for (const SettingDefinition& definition : SettingsTable)
        writeValue(store, definition.setting);
    for (const SettingDefinition& definition : LaterSettingsTable)
        writeValue(store, definition.setting);
    if (store.commit())
        return;
    // The window closes all the same; the user at least learns that this run's changes are lost.
    MessagePresenter::current().show(&m_form,
                                     tr("Nie można zapisać ustawień w pliku %1: %2")
                                         .arg(QDir::toNativeSeparators(store.filePath()), store.errorString()),
                                     tr("Ustawienia"), MessagePresenter::Icon::Error, MessagePresenter::Buttons::Ok);
}

void FormSettings::writeValue(SettingsStore& store, Setting setting) const
{
    const auto index = [this](const char* name) { return control<RadioGroup>(name)->itemIndex(); };
    const auto text = [this](const char* name) { return control<QLineEdit>(name)->text(); };
    if (const char* box = checkBoxOf(setting)) {
        store.writeBoolean(setting, control<QCheckBox>(box)->isChecked());
        return;
    }
    if (const char* keyControl = keyControlOf(setting)) {
        store.writeString(setting, control<HotKeyEdit>(keyControl)->shortCutText());
        return;
    }
    switch (setting) {
    case Setting::Connection:
        store.writeInteger(setting, index("rgConnection"));
        break;
    case Setting::ComPort:
        store.writeInteger(setting, numberOr(text("Edit1"), 1));
        break;
    case Setting::Baud:
        store.writeInteger(setting, control<QComboBox>("cbBaudRate")->currentIndex());
        break;
    case Setting::EthIP:
        store.writeString(setting, text("EditIP"));
        break;
    case Setting::EthPort:
        store.writeInteger(setting, numberOr(text("EditPort"), 1001));
        break;
    case Setting::EthProtocol:
        store.writeInteger(setting, index("rgEthProtocol"));
        break;
    case Setting::DecimalSeparator:
        store.writeInteger(setting, index("rgOptDecimalSeparator"));
        break;
    case Setting::ReadFromScale:
        store.writeInteger(setting, index("rgOptReadFromScale"));
        break;
    case Setting::PortConfigured:
        store.writeBoolean(setting, Global::PortConfigured);
        break;
    case Setting::Language:
        store.writeInteger(setting, Global::Language);
        break;
    case Setting::SendFields:
        store.writeString(setting, control<FormatOptionsPanel>("PanelOptions")->sendFieldsText());
        break;
    case Setting::InsBetweenFields:
        store.writeInteger(setting, index("rgOptBetweenFields"));
        break;
    case Setting::InsAfterFields:
        store.writeInteger(setting, index("rgOptAfterFields"));
        break;
    case Setting::RepeatTime:
        store.writeInteger(setting, numberOr(text("EditRepeatTime"), 0));
        break;
    case Setting::RepeatUnit:
        store.writeInteger(setting, control<QComboBox>("cbRepeatUnit")->currentIndex());
        break;
    case Setting::BufferSize:
        store.writeInteger(setting, Global::BufferSize);
        break;
    case Setting::Destination: {
        quint16 destination = Global::SetBit(0, control<QCheckBox>("chbDestinationCursor")->isChecked(), 0);
        destination = Global::SetBit(destination, control<QCheckBox>("chbDestinationFile")->isChecked(), 1);
        store.writeInteger(setting, destination);
        break;
    }
    case Setting::OutputFile:
        store.writeString(setting, control<ProgramOptionsPanel>("PanelOptions2")->outputFile());
        break;
    case Setting::SpecialOrder:
        store.writeString(setting, text("EditSpecialOrder"));
        break;
    case Setting::ResultFormat:
        store.writeString(setting, text("eFormatWyniku"));
        break;
    case Setting::ReportDataDelay:
        store.writeInteger(setting, control<FormatOptionsPanel>("PanelOptions")->reportDataDelay());
        break;
    case Setting::RemoteDesktopToken:
        store.writeString(setting, m_keyboardGrant ? m_keyboardGrant->restoreToken() : m_restoreToken);
        break;
    default:
        break;
    }
}

void FormSettings::cbAllowOneInstanceClick()
{
    m_snapshot.oneInstance = control<QCheckBox>("cbAllowOneInstance")->isChecked();
}

// The program's folder may change under a running window (tests point it elsewhere); the file follows.
void FormSettings::followScriptFile()
{
    const QString path = scriptFile();
    if (m_script.path() != path)
        m_script = ScriptFile(path);
}

void FormSettings::saveScript()
{
    followScriptFile();
    if (m_script.save(control<QPlainTextEdit>("MemoScript")->toPlainText()))
        return;
    MessagePresenter::current().show(
        &m_form,
        tr("Nie można zapisać skryptu w pliku %1: %2")
            .arg(QDir::toNativeSeparators(ProgramInfo::readableName(m_script.path())), m_script.errorString()),
        tr("Błąd"), MessagePresenter::Icon::Error, MessagePresenter::Buttons::Ok);
}

void FormSettings::loadScript()
{
    followScriptFile();
    if (!m_script.load() || !m_script.exists())
        return;
    auto* memo = control<QPlainTextEdit>("MemoScript");
    memo->setPlainText(m_script.text());
    m_script.setShownText(memo->toPlainText());
}

QByteArray FormSettings::scriptBytes() const
{
    return m_script.bytesFor(control<QPlainTextEdit>("MemoScript")->toPlainText());
}
