// Every panel of the window, and every dialog, in both languages and in the default fonts of Debian's
// desktops: nothing clipped, overlapping or elided. CTest runs it once for each scale factor a desktop
// may set (QT_SCALE_FACTOR), since a fractional one rounds sizes differently from 1.
#include "support/configuredsettings.h"
#include "support/pagefit.h"
#include "support/requiredskip.h"
#include "support/scriptedmessages.h"
#include "support/temporaryprofile.h"
#include "ui/arrivalmonitor.h"
#include "ui/communicationpanel.h"
#include "ui/dialogframe.h"
#include "ui/dialogpresenter.h"
#include "ui/mainwindow.h"
#include "ui/portsearchdialog.h"
#include "ui/settingskeeper.h"

#include "core/messagepresenter.h"
#include "link/ethlinkstatus.h"
#include "processing/arrivallog.h"
#include "processing/processdata.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QSettings>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>

class TestPanelFit : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everyPanelAndDialogFits_data();
    void everyPanelAndDialogFits();
    void linkStatesReadOnWhite();

private:
    static void checkDialogFrame(QWidget& dialog, QStringList& problems);
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

// A dialog's title bar has no minimise or maximise button, and the dialog is wide enough for its title.
void TestPanelFit::checkDialogFrame(QWidget& dialog, QStringList& problems)
{
    const QString where = dialog.objectName() + u' ' + dialog.windowTitle();
    if (dialog.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint))
        problems.append(where + QStringLiteral(": offers to minimise or maximise"));
    if (!(dialog.windowFlags() & Qt::CustomizeWindowHint))
        problems.append(where + QStringLiteral(": leaves its title bar's buttons to the window manager"));
    if (dialog.width() < titleBarWidth(dialog))
        problems.append(
            where +
            QStringLiteral(": narrower than its title (%1 < %2)").arg(dialog.width()).arg(titleBarWidth(dialog)));
}

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

void TestPanelFit::everyPanelAndDialogFits_data()
{
    addFontRows();
}

void TestPanelFit::everyPanelAndDialogFits()
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

    PortSearchDialog search(m_form.get());
    search.show();
    QVERIFY(QTest::qWaitForWindowExposed(&search));
    problems += fitProblems(search, QStringLiteral("port search"));
    checkDialogFrame(search, problems);
    search.close();

    // A message box with a short text under a caption, as the program's own boxes have.
    MessagePresenter::install(nullptr);
    useDialogsForMessages();
    QTimer::singleShot(0, this, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box) {
            problems.append(QStringLiteral("no message box shown"));
            return;
        }
        checkDialogFrame(*box, problems);
        box->close();
    });
    MessagePresenter::current().show(m_form.get(), QStringLiteral("OK"), QStringLiteral("Tworzenie skryptu"),
                                     MessagePresenter::Icon::Warning, MessagePresenter::Buttons::Ok);
    MessagePresenter::install(m_messages.get());

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

namespace {

// WCAG's relative luminance and contrast ratio.
double luminance(const QColor& colour)
{
    const auto linear = [](double channel) {
        return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double first = luminance(a);
    const double second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

} // namespace

// The status line's states on the white window: connecting at WCAG AA (4.5:1) at the least; the red of
// a closed link and the green of an open one are the colours users know and stay.
void TestPanelFit::linkStatesReadOnWhite()
{
    CommunicationPanel panel;
    QSignalSpy shown(&panel, &CommunicationPanel::linkStatusChanged);
    for (const EthLinkStatus::Colour colour :
         {EthLinkStatus::Colour::Red, EthLinkStatus::Colour::Yellow, EthLinkStatus::Colour::Green}) {
        EthLinkStatus status;
        status.colour = colour;
        status.text = QStringLiteral("Connecting...");
        panel.showEthStatus(status);
    }
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown[0][1].value<QColor>(), QColor(Qt::red));
    QVERIFY2(contrast(shown[1][1].value<QColor>(), Qt::white) >= 4.5, qPrintable(shown[1][1].value<QColor>().name()));
    QCOMPARE(shown[2][1].value<QColor>(), QColor(0, 128, 0));
}

QTEST_MAIN(TestPanelFit)
#include "tst_panelfit.moc"
