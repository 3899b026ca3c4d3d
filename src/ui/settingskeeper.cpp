#include "ui/settingskeeper.h"

#include "core/languagemodule.h"
#include "core/messagepresenter.h"
#include "core/programinfo.h"
#include "core/settingsstore.h"
#include "platform/keyboardgrant.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPlainTextEdit>
#include <QStandardPaths>

namespace {

QString& programFolderOverride()
{
    static QString folder;
    return folder;
}

// What a hide and show give back: the values the window's own steps (the language switch among them)
// could otherwise leave changed. The one-instance tick is not among them: it counts from the click.
constexpr Setting SnapshotSettings[] = {
    Setting::Connection,
    Setting::ComPort,
    Setting::Baud,
    Setting::EthIP,
    Setting::EthPort,
    Setting::EthProtocol,
    Setting::DecimalSeparator,
    Setting::ComOpenOnStart,
    Setting::AutoRun,
    Setting::MinimizeOnStart,
    Setting::ReadFromScale,
    Setting::SendFields,
    Setting::InsBetweenFields,
    Setting::InsAfterFields,
    Setting::AdvancedOptions,
    Setting::RepeatTime,
    Setting::RepeatUnit,
    Setting::BufferSize,
    Setting::SpecialOrder,
    Setting::ResultFormat,
    Setting::SetResultFormat,
};

} // namespace

SettingsKeeper::SettingsKeeper(QWidget& form, QPlainTextEdit& memo)
    : m_form(form)
    , m_memo(memo)
    , m_script(scriptFile())
{}

QString SettingsKeeper::programDataFolder()
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

QString SettingsKeeper::scriptFile()
{
    return QDir(programDataFolder()).filePath(QStringLiteral("script.txt"));
}

QString SettingsKeeper::logFolder()
{
    return QDir(programDataFolder()).filePath(QStringLiteral("log"));
}

void SettingsKeeper::setProgramFolderForTests(const QString& folder)
{
    programFolderOverride() = folder;
}

void SettingsKeeper::load()
{
    const SettingsStore store;
    LoadedSettings loaded = loadUserSettings(store);
    // A first start speaks the user's language; a stored one always wins.
    if (!loaded.fileFound)
        loaded.values.language = LanguageModule::languageForLocale(QLocale::system().uiLanguages());
    if (loaded.failedAt)
        keepUnreadable(store, *loaded.failedAt);
    m_binding.showAll(loaded.values);
    if (m_keyboardGrant)
        m_keyboardGrant->setRestoreToken(loaded.values.remoteDesktopToken);
}

// The defaults the loading falls back to are written over the file at the close, so the file the user
// had is kept aside first, and the user is told what happened.
void SettingsKeeper::keepUnreadable(const SettingsStore& store, const QString& valueName)
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

void SettingsKeeper::reportLoadProblem()
{
    if (m_loadProblem.isEmpty())
        return;
    const QString text = std::exchange(m_loadProblem, QString());
    MessagePresenter::current().show(&m_form, text, tr("Ustawienia"), MessagePresenter::Icon::Warning,
                                     MessagePresenter::Buttons::Ok);
}

void SettingsKeeper::restoreCommunicationDefaults()
{
    m_binding.show(UserSettings(), CommunicationDefaults);
}

void SettingsKeeper::takeSnapshot()
{
    m_snapshot = values();
    saveScript();
}

void SettingsKeeper::restoreSnapshot()
{
    loadScript();
    m_binding.show(m_snapshot, SnapshotSettings);
}

void SettingsKeeper::writeSettings()
{
    if (m_keyboardGrant)
        m_binding.set(Setting::RemoteDesktopToken, m_keyboardGrant->restoreToken());
    SettingsStore store;
    // The file keeps its keys in alphabetical order whatever order they are written in; INI readers
    // do not depend on the order.
    writeUserSettings(store, values());
    if (store.commit())
        return;
    // The window closes all the same; the user at least learns that this run's changes are lost.
    MessagePresenter::current().show(&m_form,
                                     tr("Nie można zapisać ustawień w pliku %1: %2")
                                         .arg(QDir::toNativeSeparators(store.filePath()), store.errorString()),
                                     tr("Ustawienia"), MessagePresenter::Icon::Error, MessagePresenter::Buttons::Ok);
}

// The program's folder may change under a running window (tests point it elsewhere); the file follows.
void SettingsKeeper::followScriptFile()
{
    const QString path = scriptFile();
    if (m_script.path() != path)
        m_script = ScriptFile(path);
}

void SettingsKeeper::saveScript()
{
    followScriptFile();
    if (m_script.save(m_memo.toPlainText()))
        return;
    MessagePresenter::current().show(
        &m_form,
        tr("Nie można zapisać skryptu w pliku %1: %2")
            .arg(QDir::toNativeSeparators(ProgramInfo::readableName(m_script.path())), m_script.errorString()),
        tr("Błąd"), MessagePresenter::Icon::Error, MessagePresenter::Buttons::Ok);
}

void SettingsKeeper::loadScript()
{
    followScriptFile();
    if (!m_script.load() || !m_script.exists())
        return;
    m_memo.setPlainText(m_script.text());
    m_script.setShownText(m_memo.toPlainText());
}

QByteArray SettingsKeeper::scriptBytes() const
{
    return m_script.bytesFor(m_memo.toPlainText());
}
