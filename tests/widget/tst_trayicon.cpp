// The main window's notification-area icon without a notification area: what the icon shows, and what
// minimising, the icon's clicks, the start and the close do to the window. A desktop with a tray is
// answered through TrayIcon::setTrayAvailability; the real tray is tst_tray's.
#include "core/global.h"
#include "core/messagepresenter.h"
#include "support/pseudoterminal.h"
#include "support/temporaryprofile.h"
#include "ui/mainwindow.h"
#include "ui/namedcontrol.h"
#include "ui/radiogroup.h"
#include "ui/settingskeeper.h"
#include "ui/trayicon.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

class TestTrayIcon : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void iconComponentExists();
    void imageFollowsTheSerialPortNotTheEthernetLink();
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
    // Shown from the start, green though no port is open, with nothing but the picture.
    QVERIFY(icon->isVisible());
    QCOMPARE(tray().imageIndex(), 1);
    QVERIFY(icon->toolTip().isEmpty());
    QVERIFY(!icon->contextMenu());
    QVERIFY(!m_form->windowIcon().isNull());
}

// Index 1 at the start, the serial port's opening 1 and its closing 0; the Ethernet link changes nothing.
void TestTrayIcon::imageFollowsTheSerialPortNotTheEthernetLink()
{
    m_form = std::make_unique<MainWindow>();
    auto* open = control<QAbstractButton>("openPortButton");
    auto* status = control<QLabel>("linkStatusLabel");

    QTcpServer scale;
    QVERIFY(scale.listen(QHostAddress::LocalHost));
    control<RadioGroup>("connectionGroup")->setItemIndex(int(ScaleLink::Ethernet));
    control<QLineEdit>("hostEdit")->setText(QStringLiteral("127.0.0.1"));
    control<QLineEdit>("ethPortEdit")->setText(QString::number(scale.serverPort()));
    open->click();
    QTRY_COMPARE(status->text(), QStringLiteral("Połączono"));
    QCOMPARE(tray().imageIndex(), 1);
    open->click();
    QTRY_COMPARE(status->text(), QStringLiteral("Rozłączono"));
    QCOMPARE(tray().imageIndex(), 1);

    PseudoTerminal line;
    QVERIFY(line.isValid());
    QVERIFY(linkPort(*m_profile, 1, line.slavePath()));
    control<RadioGroup>("connectionGroup")->setItemIndex(int(ScaleLink::Serial));
    control<QSpinBox>("portBox")->setValue(1);
    control<QComboBox>("baudRateBox")->setCurrentIndex(10);
    open->click();
    QCOMPARE(status->text(), QStringLiteral("Otwarty port COM."));
    QCOMPARE(tray().imageIndex(), 1);
    open->click();
    QCOMPARE(status->text(), QStringLiteral("Zamknięty port COM."));
    QCOMPARE(tray().imageIndex(), 0);
    open->click();
    QCOMPARE(tray().imageIndex(), 1);

    // The Ethernet link closed while the serial port was closed leaves the red picture as it is too.
    open->click();
    QCOMPARE(tray().imageIndex(), 0);
    control<RadioGroup>("connectionGroup")->setItemIndex(int(ScaleLink::Ethernet));
    open->click();
    QTRY_COMPARE(status->text(), QStringLiteral("Połączono"));
    QCOMPARE(tray().imageIndex(), 0);
    open->click();
    QTRY_COMPARE(status->text(), QStringLiteral("Rozłączono"));
    QCOMPARE(tray().imageIndex(), 0);
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
