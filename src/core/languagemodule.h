#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

class QTranslator;

// The language modules: Qt translation files beside the program, one per language, named after the
// program with the language's extension in place of its own ("kwelta.ENG", "kwelta.PLK"), or the
// two-letter one ("kwelta.EN", "kwelta.PL") where the first cannot be loaded.
namespace LanguageModule {

// The locale numbers the language switch and the stored Language setting use.
inline constexpr qint32 English = 2057;
inline constexpr qint32 Polish = 1045;

// Polish stands for every identifier that is not one of the two offered (0 and German included).
qint32 offeredLanguage(qint32 language);
// The language of a first start, from the languages the user's locale names for messages, first
// preferred first (QLocale::uiLanguages: LANGUAGE, LC_ALL, LC_MESSAGES, LANG): Polish for Polish, English
// for any other named language, and Polish where the locale names none ("C", "POSIX", nothing).
qint32 languageForLocale(const QStringList& uiLanguages);
// The file names to try, in order, for the language beside the program at executablePath. Names are
// bytes, as the file system keeps them: the program's folder need not be named in UTF-8.
QList<QByteArray> fileNames(const QByteArray& executablePath, qint32 language);

} // namespace LanguageModule

// Holds the one language module in use and Qt's own translation of its texts (buttons of message boxes,
// the file dialog), each installed on the application while it is in use.
class LanguageModules
{
public:
    enum class Found {
        Loaded,
        // No file of the language is there, or none that holds the program's texts.
        Missing,
        // A file is there and cannot be read as a module: a folder, a FIFO, no permission, not a
        // translation file. The log says which and why.
        Unreadable,
    };

    explicit LanguageModules(QByteArray executablePath);
    explicit LanguageModules(const QString& executablePath);
    ~LanguageModules();
    LanguageModules(const LanguageModules&) = delete;
    LanguageModules& operator=(const LanguageModules&) = delete;

    // Loads the module of the language, ready to be installed; unless one is Loaded, nothing changes.
    // Apart from useLoadedModule(), so that the window can keep what the user entered between
    // knowing the module is there and the retranslation.
    Found loadLanguageModule(qint32 language);
    // Puts the loaded module (and Qt's texts of its language) in place of the previous one, which is
    // released; Qt posts LanguageChange to every window.
    void useLoadedModule();
    // The file the installed module came from, empty before the first installation.
    QByteArray loadedFile() const { return m_loadedFile; }

private:
    // QTranslator reads a module in place, so its bytes live as long as it does: declared first, they
    // go after it.
    struct Module
    {
        QByteArray bytes;
        std::unique_ptr<QTranslator> translator;
    };

    QByteArray m_executablePath;
    std::unique_ptr<Module> m_module;
    std::unique_ptr<QTranslator> m_qtTexts;
    QByteArray m_loadedFile;
    std::unique_ptr<Module> m_loadedModule;
    std::unique_ptr<QTranslator> m_loadedQtTexts;
    QByteArray m_pendingFile;
};
