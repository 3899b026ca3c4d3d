#pragma once

#include "core/languagemodule.h"

#include <QKeyCombination>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class ProgramOptionsPanel;
class QWidget;

// Re-reads every window that exists in the language now in use, the main window first: each window
// and every widget in it handles LanguageChange (retranslateUi, and the texts its code set) at once.
void retranslateAllWindows();
// One window and everything in it.
void retranslateWindow(QWidget& window);

// What a change of language must leave as it was, kept before the windows are retranslated and put
// back after, in the same order: the statistics shown, the destinations and whether the cyclic reading
// runs, the hot keys (their ticks cleared while the language changes, which withdraws the keys, and
// ticked again, which takes them anew), the result format and the report delay.
class LanguageSwitchKeeper
{
public:
    LanguageSwitchKeeper(QWidget& form, ProgramOptionsPanel& programOptions);
    void restore();

private:
    QWidget& m_form;
    ProgramOptionsPanel& m_programOptions;
    QStringList m_statistics;
    bool m_typeIntoFocus = false;
    bool m_appendToFile = false;
    bool m_cyclicReading = false;
    std::optional<QKeyCombination> m_hotKeys[4];
    bool m_hotKeyTicks[4] = {};
    bool m_setResultFormat = false;
    QString m_resultFormat;
    int m_reportDataDelay = -1;
};

// The language the program speaks: its module looked for beside the program, loaded, and every window
// retranslated with what the user entered kept.
class LanguageChooser
{
public:
    // chosen hears of every language put in place, to keep it with the settings.
    LanguageChooser(QWidget& window, ProgramOptionsPanel& programOptions, std::function<void(qint32)> chosen);
    ~LanguageChooser();

    // The language modules are looked for beside this program; tests name another.
    void setProgramPath(const QString& path);
    // Applies the language (any identifier but English meaning Polish), or the other one when its module
    // is missing or unreadable, telling the user of each that failed; false when neither could be loaded.
    bool useLanguage(qint32 language);
    // Retranslates every window into the language, leaving every value as it was; unless the answer is
    // Loaded, nothing changed: the module is missing or cannot be read.
    LanguageModules::Found changeLanguage(qint32 language);

private:
    void tellNotLoaded(qint32 language, LanguageModules::Found found);

    QWidget& m_window;
    ProgramOptionsPanel& m_programOptions;
    std::function<void(qint32)> m_chosen;
    std::unique_ptr<LanguageModules> m_modules;
};
