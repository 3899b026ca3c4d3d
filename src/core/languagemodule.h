#pragma once

#include <QString>
#include <QStringList>

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
// The file names to try, in order, for the language beside the program at executablePath.
QStringList fileNames(const QString& executablePath, qint32 language);

} // namespace LanguageModule

// Holds the one language module in use and Qt's own translation of its texts (buttons of message boxes,
// the file dialog), each installed on the application while it is in use.
class LanguageModules
{
public:
    explicit LanguageModules(QString executablePath);
    ~LanguageModules();
    LanguageModules(const LanguageModules&) = delete;
    LanguageModules& operator=(const LanguageModules&) = delete;

    // Loads the module of the language, ready to be installed; when no file of the language loads,
    // nothing changes and the answer is false. Apart from UseResourceModule(), so that the window can keep what
    // the user entered between knowing the module is there and the retranslation.
    bool LoadLanguageModule(qint32 language);
    // Puts the loaded module (and Qt's texts of its language) in place of the previous one, which is
    // released; Qt posts LanguageChange to every window.
    void UseResourceModule();
    // The file the installed module came from, empty before the first installation.
    QString loadedFile() const { return m_loadedFile; }

private:
    QString m_executablePath;
    std::unique_ptr<QTranslator> m_module;
    std::unique_ptr<QTranslator> m_qtTexts;
    QString m_loadedFile;
    std::unique_ptr<QTranslator> m_loadedModule;
    std::unique_ptr<QTranslator> m_loadedQtTexts;
    QString m_pendingFile;
};
