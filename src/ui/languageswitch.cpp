#include "ui/languageswitch.h"

#include "core/global.h"
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

const char* const statisticsLabels[] = {"Label6", "Label24", "Label27", "Label28", "Label31"};
const char* const hotKeyEdits[] = {"HotKeySpecial", "HotKeyTare", "HotKeyZero", "HotKeyPrint"};
const char* const hotKeyTicks[] = {"chbSpecialHotKey", "chbTareHotKey", "chbZeroHotKey", "chbPrintHotKey"};

enum DestinationBit : quint8 { CursorBit = 0, FileBit = 1, RepeatBit = 2 };

} // namespace

void ReloadAllForms()
{
    // Qt has posted the change to every widget; delivered here, in the windows' order, they are not
    // handled a second time later.
    QCoreApplication::removePostedEvents(nullptr, QEvent::LanguageChange);
    QWidgetList windows = QApplication::topLevelWidgets();
    std::stable_partition(windows.begin(), windows.end(),
                          [](const QWidget* window) { return window->objectName() == QLatin1String("TMainForm"); });
    for (QWidget* window : std::as_const(windows))
        ReloadForm(*window);
}

void ReloadForm(QWidget& window)
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
    m_destinations = Global::SetBit(m_destinations,
                                    namedControl<QCheckBox>(&m_form, "chbDestinationCursor")->isChecked(), CursorBit);
    m_destinations =
        Global::SetBit(m_destinations, namedControl<QCheckBox>(&m_form, "chbDestinationFile")->isChecked(), FileBit);
    m_destinations = Global::SetBit(m_destinations, m_programOptions.timerRepeat().isActive(), RepeatBit);
    for (int i = 0; i < 4; ++i)
        m_hotKeys[i] = namedControl<HotKeyEdit>(&m_form, hotKeyEdits[i])->keyCombination();
    for (int i = 0; i < 4; ++i) {
        auto* tick = namedControl<QCheckBox>(&m_form, hotKeyTicks[i]);
        m_hotKeyTicks[i] = tick->isChecked();
        tick->setChecked(false);
    }
    m_setResultFormat = namedControl<QCheckBox>(&m_form, "chbUstawFormatWyniku")->isChecked();
    m_resultFormat = namedControl<QLineEdit>(&m_form, "eFormatWyniku")->text();
    m_reportDataDelay = namedControl<QComboBox>(&m_form, "cbOpoznienieDanych")->currentIndex();
}

void LanguageSwitchKeeper::restore()
{
    for (int i = 0; i < m_statistics.size(); ++i)
        namedControl<QLabel>(&m_form, statisticsLabels[i])->setText(m_statistics.at(i));
    namedControl<QCheckBox>(&m_form, "chbDestinationCursor")->setChecked(Global::BitIsSet(m_destinations, CursorBit));
    namedControl<QCheckBox>(&m_form, "chbDestinationFile")->setChecked(Global::BitIsSet(m_destinations, FileBit));
    QTimer& repeat = m_programOptions.timerRepeat();
    if (Global::BitIsSet(m_destinations, RepeatBit) && !repeat.isActive())
        repeat.start();
    else if (!Global::BitIsSet(m_destinations, RepeatBit))
        repeat.stop();
    for (int i = 0; i < 4; ++i)
        namedControl<HotKeyEdit>(&m_form, hotKeyEdits[i])->setKeyCombination(m_hotKeys[i]);
    // With their keys back in place: ticking takes each key again.
    for (int i = 0; i < 4; ++i)
        namedControl<QCheckBox>(&m_form, hotKeyTicks[i])->setChecked(m_hotKeyTicks[i]);
    namedControl<QCheckBox>(&m_form, "chbUstawFormatWyniku")->setChecked(m_setResultFormat);
    namedControl<QLineEdit>(&m_form, "eFormatWyniku")->setText(m_resultFormat);
    namedControl<QComboBox>(&m_form, "cbOpoznienieDanych")->setCurrentIndex(m_reportDataDelay);
    m_programOptions.showOutputFile(m_programOptions.outputFile());
}
