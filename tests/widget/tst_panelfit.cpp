// Every panel of the window, and every dialog, in both languages and in the default fonts of Debian's
// desktops: nothing clipped, overlapping or elided. CTest runs it once for each scale factor a desktop
// may set (QT_SCALE_FACTOR), since a fractional one rounds sizes differently from 1.
#include "support/configuredsettings.h"
#include "support/pagefit.h"
#include "support/requiredskip.h"
#include "support/scriptedmessages.h"
#include "support/temporaryprofile.h"
#include "ui/arrivalmonitor.h"
#include "ui/mainwindow.h"
#include "ui/portsearchdialog.h"
#include "ui/settingskeeper.h"

#include "processing/arrivallog.h"
#include "processing/processdata.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QSettings>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>

class TestPanelFit : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everyPanelFits_data();
    void everyPanelFits();
    void dialogsFit_data();
    void dialogsFit();

private:
    // The window in the language and the font, with the longest values a user may store.
    void start(int language, const QFont& font);
    template <typename T>
    T* control(const char* name) const
    {
        T* found = m_form->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }

    std::unique_ptr<TemporaryProfile> m_profile;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<MainWindow> m_form;
    QFont m_originalFont;
};

namespace {

// GNOME's Cantarell 11, KDE Plasma's Noto Sans 10, and DejaVu Sans, which Xfce, MATE, LXQt and a bare X
// session give "Sans" at 9 or 10 points.
void addFontRows()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("points");
    const struct
    {
        const char* name;
        const char* family;
        int points;
    } fonts[] = {{"DejaVu Sans 9", "DejaVu Sans", 9},
                 {"DejaVu Sans 10", "DejaVu Sans", 10},
                 {"Cantarell 11", "Cantarell", 11},
                 {"Noto Sans 10", "Noto Sans", 10}};
    for (const auto& [language, languageName] : {std::pair{1045, "Polish"}, std::pair{2057, "English"}})
        for (const auto& font : fonts)
            QTest::addRow("%s, %s", languageName, font.name)
                << language << QString::fromLatin1(font.family) << font.points;
}

} // namespace

void TestPanelFit::init()
{
    m_originalFont = QApplication::font();
    m_profile = std::make_unique<TemporaryProfile>();
    SettingsKeeper::setProgramFolderForTests(m_profile->path());
    m_messages = std::make_unique<ScriptedMessages>();
}

void TestPanelFit::cleanup()
{
    m_form.reset();
    m_messages.reset();
    m_profile.reset();
    QApplication::setFont(m_originalFont);
}

void TestPanelFit::start(int language, const QFont& font)
{
    QApplication::setFont(font);
    const QString shortcut = QStringLiteral("Shift+Ctrl+Alt+PgDn");
    const SettingValues longest = {
        {"Language", QString::number(language)},
        {"ComPort", "255"},
        {"EthIP", "192.168.100.200"},
        {"EthPort", "65535"},
        {"RepeatTime", "9999"},
        {"BufferSize", "65536"},
        {"OutputFile", m_profile->filePath(QStringLiteral("weighings/line 3/results of the night shift, "
                                                          "December 2026.txt"))},
        {"SpecialShortCut", shortcut},
        {"TareShortCut", shortcut},
        {"ZeroShortCut", shortcut},
        {"PrintShortCut", shortcut},
        {"SpecialCheck", "1"},
        {"SpecialOrder", "SIUI"},
        {"ResultFormat", "0.0000"},
        {"SetResultFormat", "1"},
    };
    QCOMPARE(writeConfiguredSettings(*m_profile, QString(), longest), QSettings::NoError);
    m_form = std::make_unique<MainWindow>();
    m_form->show();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    control<QTimer>("startUpTimer")->stop();
    m_form->startUp();
}

void TestPanelFit::everyPanelFits_data()
{
    addFontRows();
}

void TestPanelFit::everyPanelFits()
{
    QFETCH(int, language);
    QFETCH(QString, family);
    QFETCH(int, points);
    if (!QFontDatabase::hasFamily(family))
        SKIP_UNLESS_REQUIRED(
            qPrintable(family + QStringLiteral(" is not installed (fonts-cantarell, fonts-noto-core)")));
    start(language, QFont(family, points));
    if (QTest::currentTestFailed())
        return;

    // The statistics after a few results, as a user sees them; nothing is typed into our own window.
    control<QCheckBox>("typeIntoFocusBox")->setChecked(false);
    for (const char* line : {"  12.300 kg\r\n", "  -0.125 kg\r\n", " 99999.5 kg\r\n", "   3.141 kg\r\n"})
        m_form->processData().takeScaleText(line);

    QStringList problems;
    const auto look = [&](const char* button, const QString& state) {
        control<QAbstractButton>(button)->click();
        // The window sizes itself to the page after the page's own layout has run.
        auto* pages = control<QStackedWidget>("pages");
        if (!QTest::qWaitFor([&] {
                return pages->size() == pages->sizeHint().expandedTo(pages->minimumSize()) &&
                       pages->currentWidget()->size() == pages->contentsRect().size();
            }))
            problems.append(state + QStringLiteral(": the page did not take the window's room"));
        problems += fitProblems(*m_form, state);
    };
    look("statisticsButton", QStringLiteral("statistics"));
    look("communicationButton", QStringLiteral("communication, serial port"));
    control<QAbstractButton>("ethernetChoice")->click();
    look("communicationButton", QStringLiteral("communication, Ethernet"));
    look("formatOptionsButton", QStringLiteral("format"));
    control<QAbstractButton>("advancedBox")->click();
    look("formatOptionsButton", QStringLiteral("format, advanced options"));
    look("aboutButton", QStringLiteral("about"));
    look("programOptionsButton", QStringLiteral("program options"));
    look("helpButton", QStringLiteral("help"));
    for (const QString& problem : std::as_const(problems))
        qWarning("%s", qPrintable(problem));
    QVERIFY2(problems.isEmpty(), "see the lines above");
}

void TestPanelFit::dialogsFit_data()
{
    addFontRows();
}

void TestPanelFit::dialogsFit()
{
    QFETCH(int, language);
    QFETCH(QString, family);
    QFETCH(int, points);
    if (!QFontDatabase::hasFamily(family))
        SKIP_UNLESS_REQUIRED(
            qPrintable(family + QStringLiteral(" is not installed (fonts-cantarell, fonts-noto-core)")));
    start(language, QFont(family, points));
    if (QTest::currentTestFailed())
        return;

    QStringList problems;
    PortSearchDialog search(m_form.get());
    search.show();
    QVERIFY(QTest::qWaitForWindowExposed(&search));
    problems += fitProblems(search, QStringLiteral("port search"));
    search.close();

    ArrivalLog log;
    showArrivalMonitor(log, *m_form);
    auto* monitor = m_form->findChild<QWidget*>(QStringLiteral("arrivalMonitor"));
    QVERIFY(monitor);
    QVERIFY(QTest::qWaitForWindowExposed(monitor));
    problems += fitProblems(*monitor, QStringLiteral("monitor"));
    monitor->close();
    for (const QString& problem : std::as_const(problems))
        qWarning("%s", qPrintable(problem));
    QVERIFY2(problems.isEmpty(), "see the lines above");
}

QTEST_MAIN(TestPanelFit)
#include "tst_panelfit.moc"
