#include "ui/languageswitch.h"

#include "core/messagepresenter.h"
#include "core/programinfo.h"
#include "ui/hotkeyedit.h"
#include "ui/namedcontrol.h"
#include "ui/programoptionspanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>

namespace {

const char* const statisticsLabels[] = {"lastValueLabel", "lastTimeLabel", "countLabel", "sumLabel", "averageLabel"};
const char* const hotKeyEdits[] = {"specialHotKeyEdit", "tareHotKeyEdit", "zeroHotKeyEdit", "printHotKeyEdit"};
const char* const hotKeyTicks[] = {"specialHotKeyBox", "tareHotKeyBox", "zeroHotKeyBox", "printHotKeyBox"};

} // namespace

void retranslateAllWindows()
{
    // Qt has posted the change to every widget; delivered here, in the windows' order, they are not
    // handled a second time later.
    QCoreApplication::removePostedEvents(nullptr, QEvent::LanguageChange);
    QWidgetList windows = QApplication::topLevelWidgets();
    std::stable_partition(windows.begin(), windows.end(),
                          [](const QWidget* window) { return window->objectName() == QLatin1String("MainWindow"); });
    for (QWidget* window : std::as_const(windows))
        retranslateWindow(*window);
}

void retranslateWindow(QWidget& window)
{
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&window, &change);
    // A dialog that belongs to the window is a window of its own, re-read in its own turn.
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (widget->window() == &window)
            QCoreApplication::sendEvent(widget, &change);
    }
}

LanguageSwitchKeeper::LanguageSwitchKeeper(QWidget& form, ProgramOptionsPanel& programOptions)
    : m_form(form)
    , m_programOptions(programOptions)
{
    for (const char* name : statisticsLabels)
        m_statistics.append(namedControl<QLabel>(&m_form, name)->text());
    m_typeIntoFocus = namedControl<QCheckBox>(&m_form, "typeIntoFocusBox")->isChecked();
    m_appendToFile = namedControl<QCheckBox>(&m_form, "appendToFileBox")->isChecked();
    m_cyclicReading = m_programOptions.timerRepeat().isActive();
    for (int i = 0; i < 4; ++i)
        m_hotKeys[i] = namedControl<HotKeyEdit>(&m_form, hotKeyEdits[i])->keyCombination();
    for (int i = 0; i < 4; ++i) {
        auto* tick = namedControl<QCheckBox>(&m_form, hotKeyTicks[i]);
        m_hotKeyTicks[i] = tick->isChecked();
        tick->setChecked(false);
    }
    m_setResultFormat = namedControl<QCheckBox>(&m_form, "resultFormatBox")->isChecked();
    m_resultFormat = namedControl<QLineEdit>(&m_form, "resultFormatEdit")->text();
    m_reportDataDelay = namedControl<QComboBox>(&m_form, "dataDelayBox")->currentIndex();
}

void LanguageSwitchKeeper::restore()
{
    for (int i = 0; i < m_statistics.size(); ++i)
        namedControl<QLabel>(&m_form, statisticsLabels[i])->setText(m_statistics.at(i));
    namedControl<QCheckBox>(&m_form, "typeIntoFocusBox")->setChecked(m_typeIntoFocus);
    namedControl<QCheckBox>(&m_form, "appendToFileBox")->setChecked(m_appendToFile);
    QTimer& repeat = m_programOptions.timerRepeat();
    if (m_cyclicReading && !repeat.isActive())
        repeat.start();
    else if (!m_cyclicReading)
        repeat.stop();
    for (int i = 0; i < 4; ++i)
        namedControl<HotKeyEdit>(&m_form, hotKeyEdits[i])->setKeyCombination(m_hotKeys[i]);
    // With their keys back in place: ticking takes each key again.
    for (int i = 0; i < 4; ++i)
        namedControl<QCheckBox>(&m_form, hotKeyTicks[i])->setChecked(m_hotKeyTicks[i]);
    namedControl<QCheckBox>(&m_form, "resultFormatBox")->setChecked(m_setResultFormat);
    namedControl<QLineEdit>(&m_form, "resultFormatEdit")->setText(m_resultFormat);
    namedControl<QComboBox>(&m_form, "dataDelayBox")->setCurrentIndex(m_reportDataDelay);
    m_programOptions.showOutputFile(m_programOptions.outputFile());
}

LanguageChooser::LanguageChooser(QWidget& window, ProgramOptionsPanel& programOptions,
                                 std::function<void(qint32)> chosen)
    : m_window(window)
    , m_programOptions(programOptions)
    , m_chosen(std::move(chosen))
    , m_modules(std::make_unique<LanguageModules>(ProgramInfo::executablePath()))
{}

LanguageChooser::~LanguageChooser() = default;

void LanguageChooser::setProgramPath(const QString& path)
{
    m_modules = std::make_unique<LanguageModules>(path);
}

bool LanguageChooser::useLanguage(qint32 language)
{
    language = LanguageModule::offeredLanguage(language);
    if (const auto found = changeLanguage(language); found != LanguageModules::Found::Loaded) {
        tellNotLoaded(language, found);
        const qint32 other = language == LanguageModule::English ? LanguageModule::Polish : LanguageModule::English;
        if (const auto otherFound = changeLanguage(other); otherFound != LanguageModules::Found::Loaded) {
            tellNotLoaded(other, otherFound);
            return false;
        }
    }
    return true;
}

LanguageModules::Found LanguageChooser::changeLanguage(qint32 language)
{
    if (const auto found = m_modules->loadLanguageModule(language); found != LanguageModules::Found::Loaded)
        return found;
    m_chosen(language);
    LanguageSwitchKeeper kept(m_window, m_programOptions);
    m_modules->useLoadedModule();
    // Now, before the values go back, rather than when the posted events come.
    retranslateAllWindows();
    kept.restore();
    return LanguageModules::Found::Loaded;
}

// In both languages at once, whichever is in use: the module that would translate it is what is missing
// or broken. A file that is there but cannot be read says so, so that nobody looks for a missing file.
void LanguageChooser::tellNotLoaded(qint32 language, LanguageModules::Found found)
{
    const bool english = language == LanguageModule::English;
    const bool unreadable = found == LanguageModules::Found::Unreadable;
    const QString reason =
        english
            ? (unreadable ? QStringLiteral("Language file cannot be read") : QStringLiteral("Language file not found"))
            : (unreadable ? QStringLiteral("Nie można odczytać pliku języka") : QStringLiteral("Brak pliku języka"));
    MessagePresenter::current().show(&m_window,
                                     english ? QStringLiteral("Cannot load english language.")
                                             : QStringLiteral("Nie można załadować języka polskiego."),
                                     reason, MessagePresenter::Icon::Error, MessagePresenter::Buttons::Ok);
}
