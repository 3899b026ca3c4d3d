#pragma once

#include <QKeyCombination>
#include <QString>
#include <QStringList>

#include <optional>

class ProgramOptionsPanel;
class QWidget;

// Re-reads every window that exists in the language now in use, the main window first: each window
// and every widget in it handles LanguageChange (retranslateUi, and the texts its code set) at once.
void ReloadAllForms();
// One window and everything in it.
void ReloadForm(QWidget& window);

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
    quint16 m_destinations = 0;
    std::optional<QKeyCombination> m_hotKeys[4];
    bool m_hotKeyTicks[4] = {};
    bool m_setResultFormat = false;
    QString m_resultFormat;
    int m_reportDataDelay = -1;
};
