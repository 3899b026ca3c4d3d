// The serial connection end to end: the main window, the simulated scale on pseudo-terminals, the real
// keyboard backend typing into another program's window, all under an X server of the test's own.
#include "core/global.h"
#include "link/porterror.h"
#include "processing/processdata.h"
#include "support/filecontents.h"
#include "support/portholder.h"
#include "support/pseudoterminal.h"
#include "support/receiver/receiverprocess.h"
#include "support/scriptedmessages.h"
#include "support/simscaleprocess.h"
#include "support/temporaryprofile.h"
#include "support/xscreen.h"
#include "support/xvfbserver.h"
#include "ui/mainwindow.h"
#include "ui/namedcontrol.h"
#include "ui/programoptionspanel.h"
#include "ui/radiogroup.h"
#include "ui/settingskeeper.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTest>

namespace {

// The search tries a silent port at two speeds, three times each, then the scale's port; it closes
// itself two seconds after its success.
constexpr int searchTimeoutMs = 30000;
constexpr int lineTimeoutMs = 5000;

const QString notThere = QStringLiteral(
    "Port nie istnieje lub jest zajęty przez inny program.\rZamknij wszystkie programy i spróbuj jeszcze raz.\r");
const QString openText = QStringLiteral("Otwarty port COM.");
const QString closedText = QStringLiteral("Zamknięty port COM.");
const QString failedText = QStringLiteral("Brak połączenia. Sprawdź ustawienia.");
const QByteArray weighingFileLine = "12.345\tkg\t\r\n";

} // namespace

class TestSerialLink : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStartFindsTheScaleAndTypesItsResults();
    void readModesCutWhatTheScaleSends_data();
    void readModesCutWhatTheScaleSends();
    void carriageReturnScaleNeedsTheMakersFormats();
    void openingFailureIsShownByTheWindow_data();
    void openingFailureIsShownByTheWindow();
    void portHeldByAnotherProgramFails();
    void secondClickCloses();
    void vanishingDeviceClosesTheConnection();
    void programOnItsOwnFindsTheScale();

private:
    // A window that is never shown: no start-up sequence, no port search; results go to the file only.
    void makeQuietWindow();
    bool startScale(int port, const QStringList& options = {});
    void openPort(int port, int baudCode);
    QString status() const { return control<QLabel>("linkStatusLabel")->text(); }
    template <typename T>
    T* control(const char* name) const
    {
        return namedControl<T>(m_form.get(), name);
    }

    std::unique_ptr<TemporaryProfile> m_profile;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<SimScaleProcess> m_scale;
    std::unique_ptr<MainWindow> m_form;
    QString m_outputFile;
};

void TestSerialLink::init()
{
    m_profile = std::make_unique<TemporaryProfile>();
    SettingsKeeper::setProgramFolderForTests(m_profile->path());
    m_messages = std::make_unique<ScriptedMessages>();
    m_outputFile = m_profile->filePath(QStringLiteral("results.txt"));
}

void TestSerialLink::cleanup()
{
    m_form.reset();
    m_scale.reset();
    m_messages.reset();
    m_profile.reset();
}

void TestSerialLink::makeQuietWindow()
{
    m_form = std::make_unique<MainWindow>();
    control<ProgramOptionsPanel>("programOptionsPage")->setOutputFile(m_outputFile);
    control<QCheckBox>("typeIntoFocusBox")->setChecked(false);
    control<QCheckBox>("appendToFileBox")->setChecked(true);
}

bool TestSerialLink::startScale(int port, const QStringList& options)
{
    m_scale = std::make_unique<SimScaleProcess>(QStringLiteral(KWELTA_SIMSCALE_PATH));
    return m_scale->start(portsFolder(*m_profile) + QStringLiteral("/COM") + QString::number(port), options);
}

void TestSerialLink::openPort(int port, int baudCode)
{
    control<QSpinBox>("portBox")->setValue(port);
    control<QComboBox>("baudRateBox")->setCurrentIndex(baudCode);
    control<QPushButton>("openPortButton")->click();
}

// A first start with no settings: the port search finds the scale on COM2 at 9600 bit/s past a silent
// COM1, the port opens, and a print from the scale is typed, written and counted.
void TestSerialLink::firstStartFindsTheScaleAndTypesItsResults()
{
    PseudoTerminal silent;
    QVERIFY(silent.isValid());
    QVERIFY(linkPort(*m_profile, 1, silent.slavePath()));
    QVERIFY(startScale(2, {QStringLiteral("--baud"), QStringLiteral("9600")}));

    m_form = std::make_unique<MainWindow>();
    m_form->show();
    m_form->activateWindow();
    QTRY_COMPARE_WITH_TIMEOUT(status(), openText, searchTimeoutMs);
    QCOMPARE(control<QLineEdit>("portEdit")->text(), QStringLiteral("2"));
    QCOMPARE(control<QComboBox>("baudRateBox")->currentText(), QStringLiteral("9600"));
    QVERIFY(m_form->settings().values().portConfigured);
    QVERIFY(!namedControl<QWidget>(m_form.get(), "PortSearchDialog")->isVisible());
    QVERIFY(m_messages->shown.isEmpty());
    QVERIFY(!control<QPushButton>("searchPortButton")->isEnabled());
    // The silent port was asked for a result at both speeds and left alone afterwards.
    QCOMPARE(silent.readAll(), QByteArray("SI\r\nSI\r\nSI\r\nSI\r\nSI\r\nSI\r\n"));

    control<ProgramOptionsPanel>("programOptionsPage")->setOutputFile(m_outputFile);
    control<QCheckBox>("appendToFileBox")->setChecked(true);
    ReceiverProcess receiver;
    QVERIFY2(receiver.start(QStringLiteral(KWELTA_RECEIVER_PATH)), qPrintable(receiver.errorString()));
    m_scale->command("print\n");
    QVERIFY(receiver.waitForKeys(11, lineTimeoutMs));
    QCOMPARE(receiver.keys(), (QStringList{"1", "2", ".", "3", "4", "5", "Tab", "k", "g", "Tab", "Return"}));
    QTRY_COMPARE_WITH_TIMEOUT(fileContents(m_outputFile), weighingFileLine, lineTimeoutMs);
    QTRY_COMPARE(control<QLabel>("countLabel")->text(), QStringLiteral("1"));
    QCOMPARE(m_form->processData().statistics().count(), 1);
}

void TestSerialLink::readModesCutWhatTheScaleSends_data()
{
    QTest::addColumn<int>("readMode");
    QTest::addColumn<QStringList>("scaleOptions");
    QTest::addColumn<QByteArray>("commands");
    QTest::addColumn<int>("counted");
    QTest::addColumn<QByteArray>("written");

    // Each row ends with a line that does arrive: once it is in the file, whatever the scale sent
    // before it has been dealt with, and anything missing was dropped rather than late.
    const QByteArray last = "weight 123456\nprint\n";
    const QStringList shortLines{QStringLiteral("--weight"), QStringLiteral("5"), QStringLiteral("--format"),
                                 QStringLiteral("%.1f kg\\r\\n")};
    QTest::newRow("indication: results") << 0 << QStringList() << "print\nprint\n" + last << 3
                                         << weighingFileLine + weighingFileLine + "123456.000\tkg\t\r\n";
    QTest::newRow("indication: lines of ten or fewer bytes dropped")
        << 0 << shortLines << "print\nprint\nprint\n" + last << 1 << QByteArray("123456.0\tkg\t\r\n");
    QTest::newRow("recognize: short lines counted") << 2 << shortLines << "print\nprint\n" + last << 3
                                                    << QByteArray("5.0\tkg\t\r\n5.0\tkg\t\r\n123456.0\tkg\t\r\n");
    QTest::newRow("report: passed on as it came, nothing counted")
        << 1 << QStringList() << "print\n" + last << 0 << QByteArray("     12.345 kg\r\n 123456.000 kg\r\n");
}

void TestSerialLink::readModesCutWhatTheScaleSends()
{
    QFETCH(int, readMode);
    QFETCH(QStringList, scaleOptions);
    QFETCH(QByteArray, commands);
    QFETCH(int, counted);
    QFETCH(QByteArray, written);

    QVERIFY(startScale(1, scaleOptions));
    makeQuietWindow();
    control<RadioGroup>("readModeGroup")->setItemIndex(readMode);
    openPort(1, 12);
    QCOMPARE(status(), openText);

    m_scale->command(commands);
    QTRY_COMPARE_WITH_TIMEOUT(fileContents(m_outputFile), written, lineTimeoutMs);
    QCOMPARE(m_form->processData().statistics().count(), counted);
}

// A scale that ends its lines with CR alone and prints short results: nothing of it is read while the
// makers' formats are off; switched on, what waited and what follows is typed, written and counted.
void TestSerialLink::carriageReturnScaleNeedsTheMakersFormats()
{
    PseudoTerminal scale;
    QVERIFY(scale.isValid());
    QVERIFY(linkPort(*m_profile, 1, scale.slavePath()));
    makeQuietWindow();
    control<QCheckBox>("typeIntoFocusBox")->setChecked(true);
    ReceiverProcess receiver;
    QVERIFY2(receiver.start(QStringLiteral(KWELTA_RECEIVER_PATH)), qPrintable(receiver.errorString()));
    openPort(1, 12);
    QCOMPARE(status(), openText);
    // The bytes the reader has not taken yet, on the terminal's input queue it shares with the test.
    const auto unread = [&scale] {
        int count = -1;
        return ::ioctl(scale.slave(), FIONREAD, &count) == 0 ? count : -1;
    };

    QVERIFY(scale.write("186.65g\r"));
    QTRY_COMPARE_WITH_TIMEOUT(unread(), 0, lineTimeoutMs);
    QCOMPARE(m_form->processData().statistics().count(), 0);
    QVERIFY(receiver.keys().isEmpty());
    QVERIFY(!QFile::exists(m_outputFile));

    control<QCheckBox>("makerFormatsBox")->setChecked(true);
    QVERIFY(scale.write("\x02S-  0.50kg\r"));
    QTRY_COMPARE_WITH_TIMEOUT(fileContents(m_outputFile), QByteArray("186.65\tg\t\r\n-0.50\tkg\t\r\n"), lineTimeoutMs);
    QCOMPARE(m_form->processData().statistics().count(), 2);
    QVERIFY(receiver.waitForKeys(20, lineTimeoutMs));
    QCOMPARE(receiver.keys(), (QStringList{"1", "8", "6", ".", "6", "5",   "Tab", "g", "Tab", "Return",
                                           "-", "0", ".", "5", "0", "Tab", "k",   "g", "Tab", "Return"}));
}

void TestSerialLink::openingFailureIsShownByTheWindow_data()
{
    QTest::addColumn<bool>("withoutNumber");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("icon");

    // Followed by the serial devices there are once the scale is up (see the test).
    QTest::newRow("port without a number")
        << true << QStringLiteral("Nie podano numeru portu.\r") << int(MessagePresenter::Icon::None);
    QTest::newRow("no speed chosen") << false
                                     << QStringLiteral("Nie wybrano prędkości transmisji. Wybierz ją w "
                                                       "ustawieniach portu.")
                                     << int(MessagePresenter::Icon::Error);
}

// The link says what failed; the window shows it, once, as the box always read.
void TestSerialLink::openingFailureIsShownByTheWindow()
{
    QFETCH(bool, withoutNumber);
    QFETCH(QString, text);
    QFETCH(int, icon);

    QVERIFY(startScale(1));
    if (withoutNumber)
        text += PortError::presentDevicesText();
    makeQuietWindow();
    const QString caption = control<QPushButton>("openPortButton")->text();
    if (withoutNumber)
        control<QLineEdit>("portEdit")->setText(QString());
    else
        control<QComboBox>("baudRateBox")->setCurrentIndex(-1);
    control<QPushButton>("openPortButton")->click();

    QCOMPARE(m_messages->shown.size(), 1);
    QCOMPARE(m_messages->shown.first().caption, QStringLiteral("Niepowodzenie"));
    QCOMPARE(m_messages->shown.first().text, text);
    QCOMPARE(int(m_messages->shown.first().icon), icon);
    QCOMPARE(m_messages->shown.first().buttons, MessagePresenter::Buttons::Ok);
    QCOMPARE(status(), failedText);
    QVERIFY(control<QLabel>("linkStatusLabel")->styleSheet().contains(QStringLiteral("#ff0000")));
    QCOMPARE(control<QPushButton>("openPortButton")->text(), caption);
    QVERIFY(Global::SerialStopped);
    QVERIFY(control<QWidget>("baudRateBox")->isEnabled());

    // After a failure the button tries again.
    openPort(1, 12);
    QCOMPARE(status(), openText);
    QCOMPARE(control<QPushButton>("openPortButton")->text(), QStringLiteral("Zamknij port"));
}

void TestSerialLink::portHeldByAnotherProgramFails()
{
    QVERIFY(startScale(1));
    makeQuietWindow();
    auto holder =
        std::make_unique<PortHolder>(QFileInfo(portsFolder(*m_profile) + QStringLiteral("/COM1")).symLinkTarget());
    QVERIFY(holder->isValid());

    openPort(1, 12);
    QCOMPARE(m_messages->shown.size(), 1);
    // The holder here is this process, which is never named; the simulated scale, which keeps its own
    // end of the pseudo-terminal open, may be.
    QVERIFY2(m_messages->shown.first().text.startsWith(notThere), qPrintable(m_messages->shown.first().text));
    QCOMPARE(status(), failedText);

    holder.reset();
    control<QPushButton>("openPortButton")->click();
    QCOMPARE(status(), openText);
    QCOMPARE(m_messages->shown.size(), 1);
}

void TestSerialLink::secondClickCloses()
{
    QVERIFY(startScale(1));
    makeQuietWindow();
    openPort(1, 12);
    QCOMPARE(status(), openText);
    QVERIFY(!Global::SerialStopped);
    for (const char* name :
         {"connectionGroup", "portEdit", "portBox", "baudRateBox", "communicationDefaultsButton", "searchPortButton"})
        QVERIFY2(!control<QWidget>(name)->isEnabled(), name);
    // The port search does not run while the port is open.
    control<QPushButton>("searchPortButton")->setEnabled(true);
    control<QPushButton>("searchPortButton")->click();
    QVERIFY(!namedControl<QWidget>(m_form.get(), "PortSearchDialog")->isVisible());

    control<QPushButton>("openPortButton")->click();
    QCOMPARE(status(), closedText);
    QCOMPARE(control<QPushButton>("openPortButton")->text(), QStringLiteral("Otwórz port"));
    QVERIFY(Global::SerialStopped);
    for (const char* name :
         {"connectionGroup", "portEdit", "portBox", "baudRateBox", "communicationDefaultsButton", "searchPortButton"})
        QVERIFY2(control<QWidget>(name)->isEnabled(), name);

    // Closed means given back: the scale's line can be opened again at once.
    control<QPushButton>("openPortButton")->click();
    QCOMPARE(status(), openText);
    m_scale->command("print\n");
    QTRY_COMPARE_WITH_TIMEOUT(fileContents(m_outputFile), weighingFileLine, lineTimeoutMs);
}

// The scale's end of the line goes away (an adapter pulled out): the connection closes by itself and
// says so, without a message box.
void TestSerialLink::vanishingDeviceClosesTheConnection()
{
    QVERIFY(startScale(1));
    makeQuietWindow();
    openPort(1, 12);
    m_scale->command("print\n");
    QTRY_COMPARE_WITH_TIMEOUT(fileContents(m_outputFile), weighingFileLine, lineTimeoutMs);

    QVERIFY(m_scale->stopWith(QByteArray("quit")));
    QTRY_COMPARE_WITH_TIMEOUT(status(), failedText, lineTimeoutMs);
    QVERIFY(Global::SerialStopped);
    QCOMPARE(control<QPushButton>("openPortButton")->text(), QStringLiteral("Otwórz port"));
    QVERIFY(control<QWidget>("searchPortButton")->isEnabled());
    QVERIFY(control<QWidget>("baudRateBox")->isEnabled());
    QVERIFY(m_messages->shown.isEmpty());
}

// The same first start with the program as a process of its own, started as a user starts it.
void TestSerialLink::programOnItsOwnFindsTheScale()
{
    PseudoTerminal silent;
    QVERIFY(silent.isValid());
    QVERIFY(linkPort(*m_profile, 1, silent.slavePath()));
    QVERIFY(startScale(2, {QStringLiteral("--baud"), QStringLiteral("9600")}));
    XScreen screen;

    QProcess program;
    program.setProgram(QStringLiteral(KWELTA_PROGRAM_PATH));
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start();
    QTRY_VERIFY_WITH_TIMEOUT(!screen.windowsTitled("Autokonfiguracja portu").isEmpty(), searchTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(screen.windowsTitled("Autokonfiguracja portu").isEmpty(), searchTimeoutMs);

    ReceiverProcess receiver;
    QVERIFY2(receiver.start(QStringLiteral(KWELTA_RECEIVER_PATH)), qPrintable(receiver.errorString()));
    m_scale->command("print\n");
    QVERIFY(receiver.waitForKeys(11, lineTimeoutMs));
    QCOMPARE(receiver.keys(), (QStringList{"1", "2", ".", "3", "4", "5", "Tab", "k", "g", "Tab", "Return"}));

    program.terminate();
    QVERIFY(program.waitForFinished(lineTimeoutMs));
    // Closing stored what the search found.
    QSettings stored(m_profile->filePath(QStringLiteral("config/Ostrel/Kwelta.conf")), QSettings::IniFormat);
    QCOMPARE(stored.value(QStringLiteral("ComPort")).toString(), QStringLiteral("2"));
    QCOMPARE(stored.value(QStringLiteral("Baud")).toString(), QStringLiteral("12"));
    QCOMPARE(stored.value(QStringLiteral("PortConfigured")).toString(), QStringLiteral("1"));
}

int main(int argc, char** argv)
{
    TemporaryProfile profile;
    // The program searches the serial ports at a first start; it must find only the test's.
    NoMachineSerialPorts noDevices;
    XvfbServer server;
    if (!server.startForApplication("tst_seriallink"))
        return EXIT_FAILURE;
    QApplication application(argc, argv);
    TestSerialLink test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_seriallink.moc"
