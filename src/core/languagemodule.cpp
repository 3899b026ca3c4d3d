#include "core/languagemodule.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QTranslator>

#include <utility>

namespace {

Q_LOGGING_CATEGORY(languageLog, "kwelta.language", QtWarningMsg)

} // namespace

namespace LanguageModule {

qint32 offeredLanguage(qint32 language)
{
    return language == English ? English : Polish;
}

QStringList fileNames(const QString& executablePath, qint32 language)
{
    // Only the file name's extension is replaced: a dot in a folder name is not one, and a program
    // without an extension (as on Linux) gets the language's.
    const QFileInfo program(executablePath);
    const QString stem =
        program.path() + u'/' + (program.suffix().isEmpty() ? program.fileName() : program.completeBaseName());
    if (offeredLanguage(language) == English)
        return {stem + QStringLiteral(".ENG"), stem + QStringLiteral(".EN")};
    return {stem + QStringLiteral(".PLK"), stem + QStringLiteral(".PL")};
}

} // namespace LanguageModule

LanguageModules::LanguageModules(QString executablePath)
    : m_executablePath(std::move(executablePath))
{}

LanguageModules::~LanguageModules()
{
    if (m_module)
        QCoreApplication::removeTranslator(m_module.get());
    if (m_qtTexts)
        QCoreApplication::removeTranslator(m_qtTexts.get());
}

bool LanguageModules::LoadLanguageModule(qint32 language)
{
    auto module = std::make_unique<QTranslator>();
    QString loadedFile;
    for (const QString& file : LanguageModule::fileNames(m_executablePath, language)) {
        if (module->load(file)) {
            loadedFile = file;
            break;
        }
        qCDebug(languageLog) << "cannot load" << file;
    }
    if (loadedFile.isEmpty())
        return false;

    // Qt's own texts are English; Polish comes from Qt's translations, when they are installed.
    auto qtTexts = std::make_unique<QTranslator>();
    if (LanguageModule::offeredLanguage(language) == LanguageModule::Polish &&
        !qtTexts->load(QStringLiteral("qtbase_pl"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        qCWarning(languageLog) << "Qt's Polish texts (qtbase_pl.qm) are not installed";
        qtTexts.reset();
    }

    m_loadedModule = std::move(module);
    m_loadedQtTexts = std::move(qtTexts);
    m_pendingFile = loadedFile;
    return true;
}

void LanguageModules::UseResourceModule()
{
    if (!m_loadedModule)
        return;
    // Removed before the new ones go in, so that no text is ever looked up in two modules at once.
    if (m_module)
        QCoreApplication::removeTranslator(m_module.get());
    if (m_qtTexts)
        QCoreApplication::removeTranslator(m_qtTexts.get());
    m_module = std::move(m_loadedModule);
    m_qtTexts = std::move(m_loadedQtTexts);
    if (m_qtTexts)
        QCoreApplication::installTranslator(m_qtTexts.get());
    QCoreApplication::installTranslator(m_module.get());
    m_loadedFile = std::exchange(m_pendingFile, QString());
}
