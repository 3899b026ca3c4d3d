// The main window's notification-area icon without a notification area: what the icon shows and tells,
// its menu, and what minimising, the icon's clicks, the start and the close do to the window. A desktop with a tray is
// answered through TrayIcon::setTrayAvailability; the real tray is tst_tray's.
#include "core/global.h"
#include "core/messagepresenter.h"
#include "core/programinfo.h"
#include "processing/processdata.h"
#include "processing/statistics.h"
#include "support/pseudoterminal.h"
#include "support/temporaryprofile.h"
#include "ui/mainwindow.h"
#include "ui/namedcontrol.h"
#include "ui/ownwindows.h"
#include "ui/radiogroup.h"
#include "ui/settingskeeper.h"
#include "ui/trayicon.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

// What happens to the links, step by step.
enum class Step { Serial, Ethernet, OpenOrClose, ScaleDrops };
Q_DECLARE_METATYPE(Step)

class TestTrayIcon : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void iconComponentExists();
    void imageFollowsTheLinkInUse_data();
    void imageFollowsTheLinkInUse();
    void toolTipTellsTheLinkAndTheLatestResult();
    void menuOffersTheWindowTheCommandsAndTheQuit_data();
    void menuOffersTheWindowTheCommandsAndTheQuit();
    void quitWritesTheSettingsAndEnds_data();
    void quitWritesTheSettingsAndEnds();
    void minimisingHidesOnlyWhereThereIsATray_data();
    void minimisingHidesOnlyWhereThereIsATray();
    void iconActivation_data();
    void iconActivation();
    void startMinimised_data();
    void startMinimised();
    void closingADialogWhileHiddenKeepsTheProgram_data();
    void closingADialogWhileHiddenKeepsTheProgram();
    void closingWhileHiddenRunsTheClosingSequence();

private:
    // The window shown and given its first activation, which loads the settings; the start-up's timed
    // steps (the port search among them) are not wanted here.
    void showWindow(bool trayAvailable);
    TrayIcon& tray() { return m_form->trayIcon(); }
    template <typename T>
    T* control(const char* name) const
    {
        return namedControl<T>(m_form.get(), name);
    }

    std::unique_ptr<TemporaryProfile> m_profile;
    std::unique_ptr<NoMachineSerialPorts> m_noDevices;
    std::unique_ptr<MainWindow> m_form;
};

void TestTrayIcon::init()
{
    m_profile = std::make_unique<TemporaryProfile>();
    m_noDevices = std::make_unique<NoMachineSerialPorts>();
    SettingsKeeper::setProgramFolderForTests(m_profile->path());
    Global::SerialStopped = true;
}

void TestTrayIcon::cleanup()
{
    m_form.reset();
    Global::SerialStopped = true;
    m_noDevices.reset();
    m_profile.reset();
}

void TestTrayIcon::showWindow(bool trayAvailable)
{
    m_form = std::make_unique<MainWindow>();
    tray().setTrayAvailability([trayAvailable] { return trayAvailable; });
    m_form->show();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    control<QTimer>("startUpTimer")->stop();
}

void TestTrayIcon::iconComponentExists()
{
    m_form = std::make_unique<MainWindow>();
    auto* icon = m_form->findChild<QSystemTrayIcon*>(QStringLiteral("abfTrayIcon1"));
    QVERIFY(icon);
    // Shown from the start, and red: nothing is open before the settings are read (it used to start
    // green, which told the user of a link that was not there).
    QVERIFY(icon->isVisible());
    QCOMPARE(tray().imageIndex(), 0);
    QCOMPARE(icon->toolTip(), ProgramInfo::title());
    QCOMPARE(icon->contextMenu(), &tray().menu());
    QVERIFY(!m_form->windowIcon().isNull());
}

void TestTrayIcon::imageFollowsTheLinkInUse_data()
{
    QTest::addColumn<QList<Step>>("steps");
    // The status line and the picture's index after each step.
    QTest::addColumn<QStringList>("statuses");
    QTest::addColumn<QList<int>>("indexes");

    const QString closed = QStringLiteral("Zamknięty port COM.");
    const QString open = QStringLiteral("Otwarty port COM.");
    const QString connected = QStringLiteral("Połączono");
    const QString disconnected = QStringLiteral("Rozłączono");
    const QString connecting = QStringLiteral("Łączenie...");
    using S = Step;
    QTest::newRow("serial opened, closed, opened")
        << QList<Step>{S::Serial, S::OpenOrClose, S::OpenOrClose, S::OpenOrClose}
        << QStringList{closed, open, closed, open} << QList<int>{0, 1, 0, 1};
    QTest::newRow("ethernet connected and disconnected")
        << QList<Step>{S::Ethernet, S::OpenOrClose, S::OpenOrClose}
        << QStringList{disconnected, connected, disconnected} << QList<int>{0, 1, 0};
    QTest::newRow("ethernet scale drops: reconnecting")
        << QList<Step>{S::Ethernet, S::OpenOrClose, S::ScaleDrops} << QStringList{disconnected, connected, connecting}
        << QList<int>{0, 1, 0};
    QTest::newRow("serial closed, then ethernet chosen and connected")
        << QList<Step>{S::Serial, S::OpenOrClose, S::OpenOrClose, S::Ethernet, S::OpenOrClose}
        << QStringList{closed, open, closed, disconnected, connected} << QList<int>{0, 1, 0, 0, 1};
    QTest::newRow("ethernet disconnected, then serial chosen and opened")
        << QList<Step>{S::Ethernet, S::OpenOrClose, S::OpenOrClose, S::Serial, S::OpenOrClose}
        << QStringList{disconnected, connected, disconnected, closed, open} << QList<int>{0, 1, 0, 0, 1};
}

// Green while the link the communication page has chosen is up, whichever kind it is; the tooltip says
// the same as the status line.
void TestTrayIcon::imageFollowsTheLinkInUse()
{
    QFETCH(QList<Step>, steps);
    QFETCH(QStringList, statuses);
    QFETCH(QList<int>, indexes);
    showWindow(true);
    QCOMPARE(tray().imageIndex(), 0);
    auto* status = control<QLabel>("linkStatusLabel");

    QTcpServer scale;
    QVERIFY(scale.listen(QHostAddress::LocalHost));
    control<QLineEdit>("hostEdit")->setText(QStringLiteral("127.0.0.1"));
    control<QLineEdit>("ethPortEdit")->setText(QString::number(scale.serverPort()));
    PseudoTerminal line;
    QVERIFY(line.isValid());
    QVERIFY(linkPort(*m_profile, 1, line.slavePath()));
    control<QSpinBox>("portBox")->setValue(1);
    control<QComboBox>("baudRateBox")->setCurrentIndex(10);

    for (qsizetype i = 0; i < steps.size(); ++i) {
        switch (steps.at(i)) {
        case Step::Serial:
        case Step::Ethernet:
            control<RadioGroup>("connectionGroup")
                ->setItemIndex(int(steps.at(i) == Step::Serial ? ScaleLink::Serial : ScaleLink::Ethernet));
            break;
        case Step::OpenOrClose:
            control<QAbstractButton>("openPortButton")->click();
            break;
        case Step::ScaleDrops: {
            QTRY_VERIFY(scale.hasPendingConnections());
            std::unique_ptr<QTcpSocket> peer(scale.nextPendingConnection());
            peer->abort();
            break;
        }
        }
        QTRY_COMPARE(status->text(), statuses.at(i));
        QVERIFY2(tray().imageIndex() == indexes.at(i), qPrintable(QStringLiteral("step %1").arg(i)));
        QVERIFY2(tray().icon().toolTip().split(u'\n').value(1).startsWith(statuses.at(i)),
                 qPrintable(tray().icon().toolTip()));
    }
}

// The program, the link's state as the status line words it with the link while it is up, and the latest
// result as the statistics page shows it; a change of language says it all again in the new one.
void TestTrayIcon::toolTipTellsTheLinkAndTheLatestResult()
{
    showWindow(true);
    const QString title = ProgramInfo::title();
    QCOMPARE(tray().icon().toolTip(), title + QStringLiteral("\nZamknięty port COM."));

    PseudoTerminal line;
    QVERIFY(line.isValid());
    QVERIFY(linkPort(*m_profile, 1, line.slavePath()));
    control<QSpinBox>("portBox")->setValue(1);
    control<QAbstractButton>("openPortButton")->click();
    QCOMPARE(tray().icon().toolTip(), title + QStringLiteral("\nOtwarty port COM. (COM1)"));

    Statistics& statistics = m_form->processData().statistics();
    statistics.add(12.345, QStringLiteral("0.000"), "kg ", QStringLiteral("2026-01-02"), QStringLiteral("10:11:12"));
    statistics.announce();
    auto* value = control<QLabel>("lastValueLabel");
    QTRY_VERIFY(value->text().startsWith(QStringLiteral("12")));
    QTRY_COMPARE(tray().icon().toolTip(),
                 title + QStringLiteral("\nOtwarty port COM. (COM1)\n") + value->text() + QStringLiteral(" kg"));

    control<QAbstractButton>("englishButton")->click();
    QTRY_COMPARE(tray().icon().toolTip(),
                 title + QStringLiteral("\nCOM port open. (COM1)\n") + value->text() + QStringLiteral(" kg"));
    QTRY_COMPARE(tray().menu().actions().constFirst()->text(), QStringLiteral("Hide"));

    // Cleared figures leave no result to tell of.
    control<QAbstractButton>("clearButton")->click();
    QCOMPARE(tray().icon().toolTip(), title + QStringLiteral("\nCOM port open. (COM1)"));
    control<QAbstractButton>("openPortButton")->click();
    QCOMPARE(tray().icon().toolTip(), title + QStringLiteral("\nCOM port closed."));
}

void TestTrayIcon::menuOffersTheWindowTheCommandsAndTheQuit_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("closedTexts");
    QTest::addColumn<QString>("hideText");

    QTest::newRow("Polish") << QStringLiteral("polishButton")
                            << QStringList{"Pokaż", "", "Tara", "Zero", "Drukuj", "", "Zakończ"}
                            << QStringLiteral("Ukryj");
    QTest::newRow("English") << QStringLiteral("englishButton")
                             << QStringList{"Show", "", "Tare", "Zero", "Print", "", "Quit"} << QStringLiteral("Hide");
}

// The first item offers what the window is not; the scale commands only while the link is open, each
// going the way its button goes.
void TestTrayIcon::menuOffersTheWindowTheCommandsAndTheQuit()
{
    QFETCH(QString, language);
    QFETCH(QStringList, closedTexts);
    QFETCH(QString, hideText);
    showWindow(true);
    control<QAbstractButton>(language.toLatin1().constData())->click();
    tray().hideToTray();

    const auto texts = [this] {
        QStringList shown;
        for (const QAction* action : tray().menu().actions())
            shown.append(action->text());
        return shown;
    };
    const auto enabledOrders = [this] {
        QList<bool> enabled;
        for (const char* name : {"tareAction", "zeroAction", "printAction"})
            enabled.append(tray().menu().findChild<QAction*>(QLatin1String(name))->isEnabled());
        return enabled;
    };
    QTRY_COMPARE(texts(), closedTexts);
    QCOMPARE(enabledOrders(), QList<bool>(3, false));
    QVERIFY(tray().menu().findChild<QAction*>(QStringLiteral("quitAction"))->isEnabled());

    QAction* showOrHide = tray().menu().actions().constFirst();
    showOrHide->trigger();
    QVERIFY(m_form->isVisible());
    QTRY_COMPARE(showOrHide->text(), hideText);
    showOrHide->trigger();
    QVERIFY(!m_form->isVisible());
    QTRY_COMPARE(showOrHide->text(), closedTexts.constFirst());
    // Minimised without the menu: it brings the window back.
    tray().showFromTray();
    m_form->showMinimized();
    QTRY_COMPARE(showOrHide->text(), closedTexts.constFirst());

    PseudoTerminal line;
    QVERIFY(line.isValid());
    QVERIFY(linkPort(*m_profile, 1, line.slavePath()));
    control<QSpinBox>("portBox")->setValue(1);
    control<QAbstractButton>("openPortButton")->click();
    QCOMPARE(enabledOrders(), QList<bool>(3, true));
    const char* buttons[] = {"tareButton", "zeroButton", "printButton"};
    const char* actions[] = {"tareAction", "zeroAction", "printAction"};
    for (int i = 0; i < 3; ++i) {
        QSignalSpy clicked(control<QAbstractButton>(buttons[i]), &QAbstractButton::clicked);
        tray().menu().findChild<QAction*>(QLatin1String(actions[i]))->trigger();
        QCOMPARE(clicked.count(), 1);
    }
    control<QAbstractButton>("openPortButton")->click();
    QCOMPARE(enabledOrders(), QList<bool>(3, false));

    // An open menu holds the keyboard: a result typed now would choose its items, so it counts as one of
    // our windows being active, and nothing is typed.
    tray().hideToTray();
    QVERIFY(!ownWindowActive());
    tray().menu().popup(QPoint(0, 0));
    QTRY_VERIFY(tray().menu().isVisible());
    QVERIFY(ownWindowActive());
    tray().menu().close();
}

// The quit closes the window as the user would, whether it is shown or hidden in the notification area,
// and ends the program: the settings are written and the event loop returns.
void TestTrayIcon::quitWritesTheSettingsAndEnds_data()
{
    QTest::addColumn<bool>("hidden");
    QTest::newRow("window shown") << false;
    QTest::newRow("window hidden in the notification area") << true;
}

void TestTrayIcon::quitWritesTheSettingsAndEnds()
{
    QFETCH(bool, hidden);
    showWindow(true);
    if (hidden)
        tray().hideToTray();
    const QString settingsFile = m_profile->filePath(QStringLiteral("config/Ostrel/Kwelta.conf"));
    QVERIFY(!QFile::exists(settingsFile));

    QTimer::singleShot(0, m_form.get(),
                       [this] { tray().menu().findChild<QAction*>(QStringLiteral("quitAction"))->trigger(); });
    // Only there if the quit did not end the loop.
    QTimer stuck;
    stuck.setSingleShot(true);
    connect(&stuck, &QTimer::timeout, &stuck, [] { QCoreApplication::exit(42); });
    stuck.start(30000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(QFile::exists(settingsFile));
    QVERIFY(!m_form->isVisible());
    QVERIFY(!tray().isVisible());
}

void TestTrayIcon::minimisingHidesOnlyWhereThereIsATray_data()
{
    QTest::addColumn<bool>("trayAvailable");
    QTest::newRow("notification area") << true;
    QTest::newRow("none, as on plain GNOME") << false;
}

void TestTrayIcon::minimisingHidesOnlyWhereThereIsATray()
{
    QFETCH(bool, trayAvailable);
    showWindow(trayAvailable);
    tray().setVisible(false);

    m_form->showMinimized();
    // The hiding is queued after the state change; this runs it.
    QCoreApplication::sendPostedEvents();
    QCOMPARE(m_form->isVisible(), !trayAvailable);
    QVERIFY(m_form->isMinimized());
    QCOMPARE(tray().isVisible(), trayAvailable);
}

void TestTrayIcon::iconActivation_data()
{
    using Reasons = QList<QSystemTrayIcon::ActivationReason>;
    QTest::addColumn<Reasons>("reasons");
    QTest::addColumn<bool>("visibleBefore");
    QTest::addColumn<bool>("visibleAfter");

    // An X11 double click is a press and then the double click; a StatusNotifier host sends a click only.
    const Reasons doubleClick{QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick};
    QTest::newRow("double click hides a shown window") << doubleClick << true << false;
    QTest::newRow("double click shows a hidden window") << doubleClick << false << true;
    QTest::newRow("double click alone shows a hidden window") << Reasons{QSystemTrayIcon::DoubleClick} << false << true;
    QTest::newRow("click fronts a shown window") << Reasons{QSystemTrayIcon::Trigger} << true << true;
    QTest::newRow("right click fronts a shown window") << Reasons{QSystemTrayIcon::Context} << true << true;
    QTest::newRow("middle click fronts a shown window") << Reasons{QSystemTrayIcon::MiddleClick} << true << true;
    QTest::newRow("click shows a hidden window after the double-click time")
        << Reasons{QSystemTrayIcon::Trigger} << false << true;
    QTest::newRow("right click leaves a hidden window") << Reasons{QSystemTrayIcon::Context} << false << false;
    QTest::newRow("middle click leaves a hidden window") << Reasons{QSystemTrayIcon::MiddleClick} << false << false;
}

void TestTrayIcon::iconActivation()
{
    using Reasons = QList<QSystemTrayIcon::ActivationReason>;
    QFETCH(Reasons, reasons);
    QFETCH(bool, visibleBefore);
    QFETCH(bool, visibleAfter);
    showWindow(true);
    // A hidden window was minimised into the tray, and comes back in its normal state.
    m_form->showMinimized();
    QCoreApplication::sendPostedEvents();
    QVERIFY(!m_form->isVisible());
    if (visibleBefore)
        tray().showFromTray();
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));

    for (const QSystemTrayIcon::ActivationReason reason : reasons)
        emit tray().icon().activated(reason);
    // Only a click alone on a hidden window waits, for the double click that did not come.
    auto* singleClick = tray().findChild<QTimer*>(QStringLiteral("TimerSingleClick"));
    QCOMPARE(singleClick->isActive(),
             reasons.size() == 1 && reasons.first() == QSystemTrayIcon::Trigger && !visibleBefore);
    QTRY_VERIFY(!singleClick->isActive());
    QCOMPARE(m_form->isVisible(), visibleAfter);
    if (visibleAfter) {
        QVERIFY(!m_form->isMinimized());
        QTRY_VERIFY(m_form->isActiveWindow());
    }
}

void TestTrayIcon::startMinimised_data()
{
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<bool>("trayAvailable");
    QTest::addColumn<bool>("firstActivation");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<bool>("minimised");

    QTest::newRow("open port, ticked: into the tray") << true << true << true << true << false << false;
    QTest::newRow("no tray: onto the taskbar") << true << true << false << true << true << true;
    QTest::newRow("closed port") << false << true << true << true << true << false;
    QTest::newRow("not ticked") << true << false << true << true << true << false;
    QTest::newRow("not the first activation") << true << true << true << false << true << false;
}

void TestTrayIcon::startMinimised()
{
    QFETCH(bool, portOpen);
    QFETCH(bool, ticked);
    QFETCH(bool, trayAvailable);
    QFETCH(bool, firstActivation);
    QFETCH(bool, visible);
    QFETCH(bool, minimised);
    showWindow(trayAvailable);
    if (!firstActivation)
        m_form->minimiseAfterStart();
    // Stands for a serial port the start opened; only the flag is read.
    Global::SerialStopped = !portOpen;
    control<QCheckBox>("startMinimisedBox")->setChecked(ticked);

    m_form->minimiseAfterStart();
    QCoreApplication::sendPostedEvents();
    QCOMPARE(m_form->isVisible(), visible);
    QCOMPARE(m_form->isMinimized(), minimised);
    QVERIFY(tray().isVisible());
}

void TestTrayIcon::closingADialogWhileHiddenKeepsTheProgram_data()
{
    QTest::addColumn<bool>("portSearch");
    QTest::newRow("message box") << false;
    QTest::newRow("port search") << true;
}

// Closing the last visible window would end an application that quits then; the program runs on in
// the tray.
void TestTrayIcon::closingADialogWhileHiddenKeepsTheProgram()
{
    QFETCH(bool, portSearch);
    showWindow(true);
    QVERIFY(QApplication::quitOnLastWindowClosed());
    tray().hideToTray();

    // The user closes the dialog as soon as it lets itself be closed: the port search stays until its
    // search has ended.
    QTimer closer;
    closer.setInterval(20);
    connect(&closer, &QTimer::timeout, &closer, [] {
        if (QWidget* dialog = QApplication::activeModalWidget())
            dialog->close();
    });
    QTimer::singleShot(0, m_form.get(), [this, portSearch, &closer] {
        closer.start();
        if (portSearch)
            control<QAbstractButton>("searchPortButton")->click();
        else
            MessagePresenter::current().show(m_form.get(), QStringLiteral("Tekst"), QStringLiteral("Tytuł"),
                                             MessagePresenter::Icon::Information, MessagePresenter::Buttons::Ok);
        closer.stop();
        // After anything the close posted, a quit among it.
        QTimer::singleShot(0, [] { QTimer::singleShot(0, [] { QCoreApplication::exit(42); }); });
    });
    QCOMPARE(QApplication::exec(), 42);
    QVERIFY(!m_form->isVisible());
    QVERIFY(tray().isVisible());
}

void TestTrayIcon::closingWhileHiddenRunsTheClosingSequence()
{
    showWindow(true);
    tray().hideToTray();
    const QString settingsFile = m_profile->filePath(QStringLiteral("config/Ostrel/Kwelta.conf"));
    QVERIFY(!QFile::exists(settingsFile));

    QVERIFY(m_form->close());
    QVERIFY(QFile::exists(settingsFile));
    QVERIFY(!tray().isVisible());
    // A double click that was already on its way does not bring the closed window back.
    emit tray().icon().activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(!m_form->isVisible());
    QVERIFY(!tray().isVisible());
}

QTEST_MAIN(TestTrayIcon)
#include "tst_trayicon.moc"
