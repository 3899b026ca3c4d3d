#include "core/global.h"
#include "core/languagemodule.h"
#include "core/programinfo.h"
#include "core/settingsstore.h"
#include "link/lineformat.h"
#include "processing/processdata.h"
#include "support/filecontents.h"
#include "support/filesizelimit.h"
#include "support/pagefit.h"
#include "support/scriptedmessages.h"
#include "support/temporaryprofile.h"
#include "ui/arrivalmonitor.h"
#include "ui/communicationpanel.h"
#include "ui/formatoptionspanel.h"
#include "ui/hotkeyedit.h"
#include "ui/mainwindow.h"
#include "ui/portsearchdialog.h"
#include "ui/programoptionspanel.h"
#include "ui/radiogroup.h"
#include "ui/settingskeeper.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <cerrno>
#include <cstring>

namespace {

// Every value of a full settings file, as a first close writes them for the defaults.
const QList<std::pair<const char*, const char*>> fullSettings = {
    {"Connection", "1"},
    {"ComPort", "7"},
    {"Baud", "12"},
    {"EthIP", "10.1.2.3"},
    {"EthPort", "4001"},
    {"EthProtocol", "1"},
    {"DecimalSeparator", "1"},
    {"ComOpenOnStart", "0"},
    {"AutoRun", "0"},
    {"MinimizeOnStart", "0"},
    {"OnlyOneInstance", "0"},
    {"ReadFromScale", "2"},
    {"SendFields", "1000001"},
    {"InsBetweenFields", "1"},
    {"InsAfterFields", "0"},
    {"AdvancedOptions", "1"},
    {"PortConfigured", "1"},
    {"Language", "2057"},
    {"RepeatTime", "5"},
    {"RepeatUnit", "2"},
    {"BufferSize", "512"},
    {"Destination", "3"},
    {"OutputFile", "/tmp/wyniki.csv"},
    {"SpecialShortCut", "Ctrl+F2"},
    {"TareShortCut", "F3"},
    {"ZeroShortCut", "Shift+F4"},
    {"PrintShortCut", "Alt+F5"},
    {"SpecialCheck", "0"},
    {"TareCheck", "0"},
    {"ZeroCheck", "0"},
    {"PrintCheck", "0"},
    {"ReadOnlyStable", "1"},
    {"SpecialOrder", "SR"},
    {"ResultFormat", "0.00"},
    {"SetResultFormat", "1"},
    {"ReportTime", "1"},
    {"RemoveScanerFrame", "1"},
    {"ReportDataDelay", "4"},
    {"RepeatRead", "0"},
    {"MakerFormats", "1"},
};

// Each boolean value and the check box that shows it.
const QList<std::pair<const char*, const char*>> booleanBoxes = {
    {"ComOpenOnStart", "openOnStartBox"},
    {"AutoRun", "startAtLogonBox"},
    {"MinimizeOnStart", "startMinimisedBox"},
    {"OnlyOneInstance", "oneInstanceBox"},
    {"AdvancedOptions", "advancedBox"},
    {"SpecialCheck", "specialHotKeyBox"},
    {"TareCheck", "tareHotKeyBox"},
    {"ZeroCheck", "zeroHotKeyBox"},
    {"PrintCheck", "printHotKeyBox"},
    {"ReadOnlyStable", "onlyStableBox"},
    {"SetResultFormat", "resultFormatBox"},
    {"ReportTime", "timeBeforeReportBox"},
    {"RemoveScanerFrame", "removeScannerFrameBox"},
    {"RepeatRead", "cyclicReadBox"},
    {"MakerFormats", "makerFormatsBox"},
};

bool storedAsTrue(const QList<std::pair<const char*, const char*>>& values, const char* name)
{
    for (const auto& [key, value] : values) {
        if (qstrcmp(key, name) == 0)
            return qstrcmp(value, "1") == 0;
    }
    return false;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everyNamedControlExists();
    void everyPageFitsTheContentArea();
    void aboutPageShowsOnlyWhatIsTrue();
    void bufferSizeFollowsTheBox();
    void firstStartUsesTheDefaults();
    void fullFileLoadsEveryValue();
    void eachBooleanReachesItsOwnCheckBox_data();
    void eachBooleanReachesItsOwnCheckBox();
    void aStoredConnectionOfNeitherKindOpensNothing_data();
    void aStoredConnectionOfNeitherKindOpensNothing();
    void portAboveTheArrowsRangeKeepsItsNumber_data();
    void portAboveTheArrowsRangeKeepsItsNumber();
    void overlongResultFormatIsCutToAUsableMask();
    void missingLastValueAppliesTheDefaults();
    void fileFromBeforeTheMakersOptionLoadsWhole_data();
    void fileFromBeforeTheMakersOptionLoadsWhole();
    void unreadableSettingsAreKeptAndReported_data();
    void unreadableSettingsAreKeptAndReported();
    void settingsThatCannotBeWrittenAreReported();
    void missingStringReadsEmpty();
    void sendFieldsOfWrongLengthAreIgnored_data();
    void sendFieldsOfWrongLengthAreIgnored();
    void destinationBits_data();
    void destinationBits();
    void nonNumbersAtCloseWriteTheirReplacements();
    void snapshotSurvivesHideAndShow();
    void snapshotKeepsEveryField();
    void scriptFileFollowsTheMemo();
    void scriptBytesStayAsTheFileHasThem();
    void resultReachesStatisticsAndFile();
    void optionControlsReachTheProcessing_data();
    void optionControlsReachTheProcessing();
    void failedFileWriteStopsCyclicReadingAndTells();
    void portNumberShowsItsDevice();
    void portSearchFindingsReachThePanel();
    void connectionKindChoosesTheStatusAndTheLink();
    void outputFileChoice_data();
    void outputFileChoice();
    void startUpEntryFollowsTheStoredTick_data();
    void startUpEntryFollowsTheStoredTick();
    void startUpEntryFollowsTheClicks();
    void lineFormatIsStoredAndReachesThePort_data();
    void lineFormatIsStoredAndReachesThePort();
    void monitorShowsWhatArrived();
    void firstStartSpeaksTheLocaleLanguage();

private:
    void writeSettings(const QList<std::pair<const char*, const char*>>& values);
    // Creates the window, shows it and gives it its first activation, which loads the settings.
    void start();
    template <typename T>
    T* control(const char* name) const
    {
        T* found = m_form->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    // What the window has told the processing so far.
    const ProcessingOptions& options() const { return m_form->processData().options(); }
    QSettings storedSettings() const { return QSettings(SettingsStore::defaultFilePath(), QSettings::IniFormat); }
    // Where the desktop looks for this program's entry at logon: named after the running executable.
    static QString startUpEntry()
    {
        return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
            .filePath(QStringLiteral("autostart/") + QFileInfo(QCoreApplication::applicationFilePath()).fileName() +
                      QStringLiteral(".desktop"));
    }

    std::unique_ptr<TemporaryProfile> m_profile;
    std::unique_ptr<MainWindow> m_form;
};

void TestMainWindow::init()
{
    m_profile = std::make_unique<TemporaryProfile>();
    SettingsKeeper::setProgramFolderForTests(m_profile->path());
}

void TestMainWindow::cleanup()
{
    m_form.reset();
    m_profile.reset();
}

void TestMainWindow::writeSettings(const QList<std::pair<const char*, const char*>>& values)
{
    QSettings settings(SettingsStore::defaultFilePath(), QSettings::IniFormat);
    for (const auto& [name, value] : values)
        settings.setValue(QString::fromLatin1(name), QString::fromUtf8(value));
    settings.sync();
}

void TestMainWindow::start()
{
    m_form = std::make_unique<MainWindow>();
    m_form->show();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    // The start-up's timed steps (the port search at a first start among them) belong to the system
    // tests; here they would search this machine's serial ports.
    control<QTimer>("startUpTimer")->stop();
}

// The names are the contract between the window, its panels, the settings and the language modules.
void TestMainWindow::everyNamedControlExists()
{
    start();
    const char* names[] = {
        "MainWindow", "bannerImage", "bannerShadow", "bannerTitle", "pageFrame", "statisticsButton",
        "communicationButton", "formatOptionsButton", "aboutButton", "programOptionsButton", "helpButton",
        "englishButton", "germanButton", "polishButton", "linkCaption", "linkStatusLabel", "statisticsPage",
        "communicationPage", "formatOptionsPage", "aboutPage", "programOptionsPage", "helpPage", "startUpTimer",
        "minimiseTimer", "repeatTimer", "TimerPing",
        // statistics
        "lastValueLabel", "lastTimeLabel", "countLabel", "sumLabel", "averageLabel", "lastValueCaption",
        "lastTimeCaption", "countCaption", "sumCaption", "averageCaption", "lastResultCaption", "statisticsCaption",
        "clearButton", "chartView",
        // communication
        "connectionGroup", "serialGroup", "portEdit", "portBox", "baudRateBox", "baudRateCaption", "ethernetGroup",
        "hostEdit", "ethPortEdit", "ethProtocolGroup", "programStartGroup", "openOnStartBox", "startAtLogonBox",
        "startMinimisedBox", "oneInstanceBox", "communicationDefaultsButton", "searchPortButton", "openPortButton",
        // format
        "readModeGroup", "advancedBox", "scriptGroup", "scriptEdit", "extendScriptButton", "scriptWizardButton",
        "scriptHelpButton", "fieldsGroup", "fieldsList", "betweenFieldsGroup", "afterFieldsGroup", "reportGroup",
        "timeBeforeReportBox", "removeScannerFrameBox", "dataDelayBox", "decimalSeparatorGroup", "resultFormatBox",
        "resultFormatEdit", "formatDefaultsButton",
        // about and help
        "documentationLink", "versionLabel", "helpText",
        // program options
        "cyclicReadBox", "repeatTimeEdit", "repeatUnitBox", "onlyStableBox", "bufferSizeEdit", "destinationGroup",
        "typeIntoFocusBox", "appendToFileBox", "outputFileGroup", "chooseFileButton", "outputFileEdit", "commandsGroup",
        "specialButton", "specialCommandEdit", "tareButton", "zeroButton", "printButton", "specialHotKeyBox",
        "specialHotKeyEdit", "tareHotKeyBox", "tareHotKeyEdit", "zeroHotKeyBox", "zeroHotKeyEdit", "printHotKeyBox",
        "printHotKeyEdit"};
    for (const char* name : names) {
        const QString objectName = QString::fromLatin1(name);
        QVERIFY2(m_form->objectName() == objectName || m_form->findChild<QObject*>(objectName), name);
    }
    QVERIFY(!control<QWidget>("germanButton")->isVisible());
    QCOMPARE(control<QPlainTextEdit>("helpText")->toPlainText().split(u'\n').size(), 12);
    QVERIFY(control<QPlainTextEdit>("helpText")
                ->toPlainText()
                .startsWith(QStringLiteral(
                    "Program Kwelta służy do automatycznego \nwpisywania wartości ważeń do programów\n")));
    QCOMPARE(m_form->windowTitle(), ProgramInfo::title());
    QVERIFY(!(m_form->windowFlags() & Qt::WindowMaximizeButtonHint));
}

// Each page is shown in its content area; no control may be cut off or shrunk below what its text needs.
void TestMainWindow::everyPageFitsTheContentArea()
{
    start();
    // The designed 252 x 212 pixels at the least; more where the fonts need it.
    const QSize contentArea = control<QWidget>("pages")->size();
    QVERIFY2(contentArea.width() >= 252 && contentArea.height() >= 212, qPrintable(QDebug::toString(contentArea)));
    const QStringList problems = pageFitProblems(*m_form);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
}

// No address of a maker that does not exist: the version of this build, and where its documentation is.
void TestMainWindow::aboutPageShowsOnlyWhatIsTrue()
{
    start();
    control<QAbstractButton>("aboutButton")->click();
    QStringList texts;
    for (const QLabel* label : control<QWidget>("aboutPage")->findChildren<QLabel*>())
        texts.append(label->text());
    const QString all = texts.join(u'\n');
    QVERIFY2(!all.contains(QStringLiteral("example"), Qt::CaseInsensitive), qPrintable(all));
    QVERIFY2(!all.contains(QStringLiteral("mailto:")), qPrintable(all));
    QCOMPARE(control<QLabel>("versionLabel")->text(), QStringLiteral("Wersja 1.15.17"));
    // The tests run from the build tree, whose sources hold the documentation.
    QVERIFY(control<QLabel>("documentationLink")->isVisible());
    const QString link = control<QLabel>("documentationLink")->text().section(u'"', 1, 1);
    QVERIFY2(QFileInfo::exists(QUrl(link).toLocalFile() + QStringLiteral("/README.md")), qPrintable(link));
}

void TestMainWindow::bufferSizeFollowsTheBox()
{
    start();
    auto* edit = control<QLineEdit>("bufferSizeEdit");
    edit->setText(QStringLiteral("100"));
    QCOMPARE(m_form->settings().values().bufferSize, 100);

    control<QAbstractButton>("programOptionsButton")->click();
    edit->setFocus();
    QVERIFY(QTest::qWaitFor([edit] { return edit->hasFocus(); }));
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("12x"));
    QCOMPARE(m_form->settings().values().bufferSize, 4096);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(m_form->settings().values().bufferSize, 12);
}

void TestMainWindow::firstStartUsesTheDefaults()
{
    start();

    QCOMPARE(control<QLineEdit>("portEdit")->text(), QStringLiteral("1"));
    QCOMPARE(control<QComboBox>("baudRateBox")->currentText(), QStringLiteral("4800"));
    QCOMPARE(control<QLineEdit>("hostEdit")->text(), QStringLiteral("192.168.1.100"));
    QCOMPARE(control<QLineEdit>("ethPortEdit")->text(), QStringLiteral("1001"));
    QCOMPARE(control<QLineEdit>("repeatTimeEdit")->text(), QStringLiteral("1"));
    QCOMPARE(control<QComboBox>("repeatUnitBox")->currentText(), QStringLiteral("s"));
    QCOMPARE(control<QLineEdit>("bufferSizeEdit")->text(), QStringLiteral("4096"));
    QCOMPARE(m_form->settings().values().bufferSize, 4096);
    QCOMPARE(control<QLineEdit>("specialCommandEdit")->text(), QStringLiteral("Sx1"));
    QCOMPARE(control<QLineEdit>("resultFormatEdit")->text(), QStringLiteral("0.####"));
    QVERIFY(!control<QLineEdit>("resultFormatEdit")->isEnabled());
    QCOMPARE(options().composedScript, QStringLiteral(":m:#09:u:#09:#0D:#0A"));
    QVERIFY(control<QCheckBox>("openOnStartBox")->isChecked());
    QVERIFY(control<QCheckBox>("oneInstanceBox")->isChecked());
    QCOMPARE(control<QLineEdit>("outputFileEdit")->text(), QStringLiteral("Nie wybrano pliku"));
    QVERIFY(options().typeIntoFocusedWindow);
    QVERIFY(!options().appendToFile);
    QVERIFY(!m_form->settings().values().portConfigured);
    // With nothing configured the communication panel is the one to see.
    QVERIFY(control<QAbstractButton>("communicationButton")->isChecked());
    QVERIFY(control<QWidget>("communicationPage")->isVisible());

    QVERIFY(m_form->close());
    QSettings stored = storedSettings();
    QCOMPARE(stored.allKeys().size(), qsizetype(SettingCount + LaterSettingsTable.size()));
    for (const SettingDefinition& definition : SettingsTable)
        QVERIFY2(stored.contains(QString(definition.name)), definition.name.data());
    QCOMPARE(stored.value(QStringLiteral("MakerFormats")).toString(), QStringLiteral("0"));
    QCOMPARE(stored.value(QStringLiteral("OnlyOneInstance")).toString(), QStringLiteral("1"));
    QCOMPARE(stored.value(QStringLiteral("AutoRun")).toString(), QStringLiteral("0"));
    QCOMPARE(stored.value(QStringLiteral("Destination")).toString(), QStringLiteral("1"));
    QCOMPARE(stored.value(QStringLiteral("SendFields")).toString(), QStringLiteral("0001100"));
    QCOMPARE(stored.value(QStringLiteral("SpecialShortCut")).toString(), QStringLiteral("F7"));
}

void TestMainWindow::fullFileLoadsEveryValue()
{
    writeSettings(fullSettings);
    start();

    QCOMPARE(control<RadioGroup>("connectionGroup")->itemIndex(), 1);
    QCOMPARE(control<QLineEdit>("portEdit")->text(), QStringLiteral("7"));
    QCOMPARE(m_form->settings().values().comPort, 7);
    QCOMPARE(control<QComboBox>("baudRateBox")->currentText(), QStringLiteral("9600"));
    QCOMPARE(control<QLineEdit>("hostEdit")->text(), QStringLiteral("10.1.2.3"));
    QCOMPARE(control<RadioGroup>("ethProtocolGroup")->itemIndex(), 1);
    QCOMPARE(options().decimalSeparatorChoice, 1);
    QCOMPARE(int(options().readMode), 2);
    QCOMPARE(control<RadioGroup>("betweenFieldsGroup")->itemIndex(), 1);
    QCOMPARE(control<RadioGroup>("afterFieldsGroup")->itemIndex(), 0);
    QCOMPARE(control<QLineEdit>("ethPortEdit")->text(), QStringLiteral("4001"));
    QCOMPARE(control<QLineEdit>("repeatTimeEdit")->text(), QStringLiteral("5"));
    QCOMPARE(control<QComboBox>("repeatUnitBox")->currentIndex(), 2);
    QCOMPARE(control<QLineEdit>("specialCommandEdit")->text(), QStringLiteral("SR"));
    QVERIFY(options().advancedScript);
    QCOMPARE(options().composedScript, QStringLiteral(":c;:a"));
    QCOMPARE(m_form->settings().values().language, 2057);
    QCOMPARE(m_form->settings().values().bufferSize, 512);
    QVERIFY(options().typeIntoFocusedWindow && options().appendToFile);
    QCOMPARE(options().outputFile, QStringLiteral("/tmp/wyniki.csv"));
    QCOMPARE(control<QLineEdit>("outputFileEdit")->text(), QStringLiteral("/tmp/wyniki.csv"));
    QCOMPARE(control<HotKeyEdit>("specialHotKeyEdit")->keyCombination(),
             std::optional<QKeyCombination>(Qt::ControlModifier | Qt::Key_F2));
    QCOMPARE(control<HotKeyEdit>("zeroHotKeyEdit")->keyCombination(),
             std::optional<QKeyCombination>(Qt::ShiftModifier | Qt::Key_F4));
    QCOMPARE(options().resultFormat, QStringLiteral("0.00"));
    QVERIFY(options().useResultFormat);
    QVERIFY(control<QLineEdit>("resultFormatEdit")->isEnabled());
    QVERIFY(options().dateBeforeReport && options().removeScannerFrame);
    QCOMPARE(options().reportDataDelay, 4);
    QVERIFY(m_form->settings().values().portConfigured);
    QVERIFY(control<QAbstractButton>("statisticsButton")->isChecked());

    // What was loaded is what the close writes back.
    QVERIFY(m_form->close());
    QSettings stored = storedSettings();
    for (const auto& [name, value] : fullSettings)
        QCOMPARE(stored.value(QString::fromLatin1(name)).toString(), QString::fromUtf8(value));
}

void TestMainWindow::eachBooleanReachesItsOwnCheckBox_data()
{
    QTest::addColumn<QByteArray>("flipped");
    for (const auto& [name, box] : booleanBoxes)
        QTest::newRow(name) << QByteArray(name);
}

// One value at a time differs from the full file, so two check boxes swapped in the window's table
// show up even where the load and the close would agree with each other.
void TestMainWindow::eachBooleanReachesItsOwnCheckBox()
{
    QFETCH(QByteArray, flipped);
    QList<std::pair<const char*, const char*>> values = fullSettings;
    for (auto& value : values) {
        if (flipped == value.first)
            value.second = qstrcmp(value.second, "1") == 0 ? "0" : "1";
    }
    writeSettings(values);
    start();

    for (const auto& [name, box] : booleanBoxes)
        QVERIFY2(control<QCheckBox>(box)->isChecked() == storedAsTrue(values, name), box);
    QVERIFY(m_form->close());
    QSettings stored = storedSettings();
    for (const auto& [name, box] : booleanBoxes)
        QCOMPARE(stored.value(QString::fromLatin1(name)).toString(),
                 QString::fromLatin1(storedAsTrue(values, name) ? "1" : "0"));
}

void TestMainWindow::aStoredConnectionOfNeitherKindOpensNothing_data()
{
    QTest::addColumn<QByteArray>("connection");
    QTest::newRow("a kind that does not exist") << QByteArray("5");
    QTest::newRow("no kind") << QByteArray("-1");
}

// Neither serial nor Ethernet chosen: neither group shows, there is nothing to search for, and the
// button opens nothing (the start's own opening goes through it).
void TestMainWindow::aStoredConnectionOfNeitherKindOpensNothing()
{
    QFETCH(QByteArray, connection);
    QList<std::pair<const char*, const char*>> values = fullSettings;
    for (auto& value : values) {
        if (qstrcmp(value.first, "Connection") == 0)
            value.second = connection.constData();
        if (qstrcmp(value.first, "ComOpenOnStart") == 0)
            value.second = "1";
    }
    writeSettings(values);
    start();
    QCOMPARE(control<RadioGroup>("connectionGroup")->itemIndex(), -1);
    QVERIFY(control<QWidget>("serialGroup")->isHidden());
    QVERIFY(control<QWidget>("ethernetGroup")->isHidden());
    QVERIFY(!control<QAbstractButton>("searchPortButton")->isEnabled());

    const QString caption = control<QAbstractButton>("openPortButton")->text();
    ScriptedMessages messages;
    control<QAbstractButton>("openPortButton")->click();
    QVERIFY(Global::SerialStopped);
    QCOMPARE(control<QAbstractButton>("openPortButton")->text(), caption);
    // No port tried, so no failure to report either.
    QVERIFY(messages.shown.isEmpty());
}

void TestMainWindow::portAboveTheArrowsRangeKeepsItsNumber_data()
{
    QTest::addColumn<QByteArray>("port");
    QTest::newRow("found by the search") << QByteArray("40");
    // A port map may name any COM number; the hide and show of every start must not shorten it.
    QTest::newRow("above a byte") << QByteArray("300");
}

// The arrows go to 32, the port search to 255, a port map further; a stored port must survive a restart.
void TestMainWindow::portAboveTheArrowsRangeKeepsItsNumber()
{
    QFETCH(QByteArray, port);
    QList<std::pair<const char*, const char*>> values = fullSettings;
    for (auto& value : values) {
        if (qstrcmp(value.first, "ComPort") == 0)
            value.second = port.constData();
    }
    writeSettings(values);
    start();
    QCOMPARE(control<QLineEdit>("portEdit")->text(), QString::fromLatin1(port));

    m_form->hide();
    m_form->show();
    QCOMPARE(control<QLineEdit>("portEdit")->text(), QString::fromLatin1(port));
    QVERIFY(m_form->close());
    QCOMPARE(storedSettings().value(QStringLiteral("ComPort")).toString(), QString::fromLatin1(port));
}

// A stored mask longer than any the box takes would stop all output; it loads cut to one that works.
void TestMainWindow::overlongResultFormatIsCutToAUsableMask()
{
    QList<std::pair<const char*, const char*>> values = fullSettings;
    const QByteArray longMask = "0." + QByteArray(300, '0');
    for (auto& value : values) {
        if (qstrcmp(value.first, "ResultFormat") == 0)
            value.second = longMask.constData();
    }
    writeSettings(values);
    start();
    QCOMPARE(control<QLineEdit>("resultFormatEdit")->text(), QString::fromLatin1(longMask.left(224)));
    QCOMPARE(options().resultFormat, QString::fromLatin1(longMask.left(224)));
}

void TestMainWindow::fileFromBeforeTheMakersOptionLoadsWhole_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("on");
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("on") << QByteArray("1") << true;
    QTest::newRow("unreadable") << QByteArray("yes") << false;
}

// The makers' option came after the file's first form: however it stands, the other values load as
// they always did, nothing is reported and nothing is kept aside.
void TestMainWindow::fileFromBeforeTheMakersOptionLoadsWhole()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, on);
    QList<std::pair<const char*, const char*>> values;
    for (const auto& entry : fullSettings) {
        if (qstrcmp(entry.first, "MakerFormats") != 0)
            values.append(entry);
    }
    if (!value.isEmpty())
        values.append(std::pair<const char*, const char*>("MakerFormats", value.constData()));
    writeSettings(values);
    ScriptedMessages messages;
    start();
    m_form->settings().reportLoadProblem();

    QVERIFY(messages.shown.isEmpty());
    QVERIFY(!QFile::exists(SettingsStore::defaultFilePath() + QStringLiteral(".unreadable")));
    QCOMPARE(control<QLineEdit>("hostEdit")->text(), QStringLiteral("10.1.2.3"));
    QCOMPARE(options().makerFormats, on);
    QVERIFY(m_form->close());
    QCOMPARE(storedSettings().value(QStringLiteral("MakerFormats")).toString(), QString::fromLatin1(on ? "1" : "0"));
}

void TestMainWindow::unreadableSettingsAreKeptAndReported_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("speed beyond 32 bits") << QByteArray("Baud") << QByteArray("99999999999999");
    QTest::newRow("read limit not a number") << QByteArray("BufferSize") << QByteArray("abc");
    QTest::newRow("boolean as a word") << QByteArray("OnlyOneInstance") << QByteArray("true");
}

// The loading falls back to the defaults, which the close writes; the user's file must survive that.
void TestMainWindow::unreadableSettingsAreKeptAndReported()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, value);
    QList<std::pair<const char*, const char*>> values = fullSettings;
    for (auto& entry : values) {
        if (name == entry.first)
            entry.second = value.constData();
    }
    writeSettings(values);
    const QString path = SettingsStore::defaultFilePath();
    const QByteArray original = fileContents(path);
    ScriptedMessages messages;
    start();
    m_form->settings().reportLoadProblem();
    m_form->settings().reportLoadProblem();

    const QString keptAs = path + QStringLiteral(".unreadable");
    QCOMPARE(fileContents(keptAs), original);
    QCOMPARE(messages.shown.size(), 1);
    const QString text = messages.shown.first().text;
    QVERIFY2(text.contains(QString::fromLatin1(name)) && text.contains(keptAs) &&
                 text.contains(QStringLiteral("domyślne")),
             qPrintable(text));
    QCOMPARE(control<QLineEdit>("hostEdit")->text(), QStringLiteral("192.168.1.100"));

    QVERIFY(m_form->close());
    QCOMPARE(fileContents(keptAs), original);
    QCOMPARE(storedSettings().value(QStringLiteral("EthIP")).toString(), QStringLiteral("192.168.1.100"));
}

// A disk that fills up as the window closes: the user is told, and the old file stays whole.
void TestMainWindow::settingsThatCannotBeWrittenAreReported()
{
    writeSettings(fullSettings);
    const QString path = SettingsStore::defaultFilePath();
    const QByteArray before = fileContents(path);
    ScriptedMessages messages;
    start();
    control<QLineEdit>("hostEdit")->setText(QStringLiteral("10.9.9.9"));
    {
        FileSizeLimit limit(200);
        QVERIFY(limit.isActive());
        QVERIFY(m_form->close());
    }
    QCOMPARE(messages.shown.size(), 1);
    QVERIFY2(messages.shown.first().text.contains(path), qPrintable(messages.shown.first().text));
    QCOMPARE(messages.shown.first().icon, MessagePresenter::Icon::Error);
    QCOMPARE(fileContents(path), before);
}

void TestMainWindow::missingLastValueAppliesTheDefaults()
{
    QList<std::pair<const char*, const char*>> values = fullSettings;
    // The last of the chain; the values added later follow it.
    values.removeIf([](const auto& entry) { return qstrcmp(entry.first, "RepeatRead") == 0; });
    writeSettings(values);
    start();

    QCOMPARE(control<QLineEdit>("portEdit")->text(), QStringLiteral("1"));
    QCOMPARE(control<QLineEdit>("hostEdit")->text(), QStringLiteral("192.168.1.100"));
    QVERIFY(!m_form->settings().values().portConfigured);
    QVERIFY(options().outputFile.isEmpty());
    QCOMPARE(control<QLineEdit>("outputFileEdit")->text(), QStringLiteral("Nie wybrano pliku"));
    QVERIFY(options().typeIntoFocusedWindow && !options().appendToFile);
    QCOMPARE(int(options().readMode), 0);
    // What the defaults do not cover stays as loaded.
    QCOMPARE(control<RadioGroup>("connectionGroup")->itemIndex(), 1);
    QCOMPARE(control<HotKeyEdit>("tareHotKeyEdit")->keyCombination(), std::optional<QKeyCombination>(Qt::Key_F3));
    QVERIFY(options().dateBeforeReport && options().removeScannerFrame);
    QCOMPARE(options().reportDataDelay, 4);
}

void TestMainWindow::missingStringReadsEmpty()
{
    QList<std::pair<const char*, const char*>> values = fullSettings;
    values.removeIf([](const auto& value) { return qstrcmp(value.first, "EthIP") == 0; });
    writeSettings(values);
    start();

    QCOMPARE(control<QLineEdit>("hostEdit")->text(), QString());
    // Loading went on to the end.
    QCOMPARE(options().reportDataDelay, 4);
    QVERIFY(m_form->settings().values().portConfigured);
}

void TestMainWindow::sendFieldsOfWrongLengthAreIgnored_data()
{
    QTest::addColumn<QString>("sendFields");
    QTest::newRow("six") << "111111";
    QTest::newRow("eight") << "11111111";
}

void TestMainWindow::sendFieldsOfWrongLengthAreIgnored()
{
    QFETCH(QString, sendFields);
    QList<std::pair<const char*, const char*>> values = fullSettings;
    const QByteArray text = sendFields.toLatin1();
    for (auto& value : values) {
        if (qstrcmp(value.first, "SendFields") == 0)
            value.second = text.constData();
    }
    writeSettings(values);
    start();

    // The check marks the window was created with: value and unit.
    QCOMPARE(options().composedScript, QStringLiteral(":m;:u;"));
}

void TestMainWindow::destinationBits_data()
{
    QTest::addColumn<QString>("destination");
    QTest::addColumn<bool>("cursor");
    QTest::addColumn<bool>("file");
    QTest::newRow("0") << "0" << false << false;
    QTest::newRow("1") << "1" << true << false;
    QTest::newRow("2") << "2" << false << true;
    QTest::newRow("3") << "3" << true << true;
}

void TestMainWindow::destinationBits()
{
    QFETCH(QString, destination);
    QFETCH(bool, cursor);
    QFETCH(bool, file);
    QList<std::pair<const char*, const char*>> values = fullSettings;
    const QByteArray text = destination.toLatin1();
    for (auto& value : values) {
        if (qstrcmp(value.first, "Destination") == 0)
            value.second = text.constData();
    }
    writeSettings(values);
    start();

    QCOMPARE(options().typeIntoFocusedWindow, cursor);
    QCOMPARE(options().appendToFile, file);
    QCOMPARE(control<QAbstractButton>("chooseFileButton")->isEnabled(), file);
}

void TestMainWindow::nonNumbersAtCloseWriteTheirReplacements()
{
    start();
    control<QLineEdit>("ethPortEdit")->setText(QStringLiteral("12x"));
    control<QLineEdit>("repeatTimeEdit")->setText(QString());
    QVERIFY(m_form->close());

    QSettings stored = storedSettings();
    QCOMPARE(stored.value(QStringLiteral("EthPort")).toString(), QStringLiteral("1001"));
    QCOMPARE(stored.value(QStringLiteral("RepeatTime")).toString(), QStringLiteral("1"));
}

void TestMainWindow::snapshotSurvivesHideAndShow()
{
    start();
    control<QLineEdit>("hostEdit")->setText(QStringLiteral("10.0.0.9"));
    control<RadioGroup>("betweenFieldsGroup")->setItemIndex(1);
    control<QCheckBox>("startMinimisedBox")->setChecked(true);
    control<QAbstractButton>("programOptionsButton")->click();
    m_form->hide();

    control<QLineEdit>("hostEdit")->setText(QStringLiteral("changed while hidden"));
    control<RadioGroup>("betweenFieldsGroup")->setItemIndex(3);
    control<QCheckBox>("startMinimisedBox")->setChecked(false);
    m_form->show();

    QCOMPARE(control<QLineEdit>("hostEdit")->text(), QStringLiteral("10.0.0.9"));
    QCOMPARE(control<RadioGroup>("betweenFieldsGroup")->itemIndex(), 1);
    QVERIFY(control<QCheckBox>("startMinimisedBox")->isChecked());
    QCOMPARE(options().composedScript, QStringLiteral(":m;:u;:#0D:#0A"));
    // The panel shown last is shown again.
    QVERIFY(control<QWidget>("programOptionsPage")->isVisible());
}

// Every field of the snapshot, each set to a value other than its default before the hide and changed
// again while hidden; the show puts back what the hide saw.
void TestMainWindow::snapshotKeepsEveryField()
{
    start();
    const auto line = [this](const char* name) { return control<QLineEdit>(name); };
    const auto group = [this](const char* name) { return control<RadioGroup>(name); };
    const auto box = [this](const char* name) { return control<QCheckBox>(name); };
    const auto combo = [this](const char* name) { return control<QComboBox>(name); };
    auto* formatOptions = control<FormatOptionsPanel>("formatOptionsPage");
    const auto setAll = [&](bool first) {
        line("hostEdit")->setText(first ? QStringLiteral("10.0.0.9") : QStringLiteral("10.0.0.1"));
        line("ethPortEdit")->setText(first ? QStringLiteral("4001") : QStringLiteral("5"));
        line("specialCommandEdit")->setText(first ? QStringLiteral("SR") : QStringLiteral("X"));
        box("advancedBox")->setChecked(first);
        formatOptions->setSendFieldsText(first ? QStringLiteral("1010101") : QStringLiteral("0101010"));
        box("startAtLogonBox")->setChecked(first);
        box("openOnStartBox")->setChecked(!first);
        box("startMinimisedBox")->setChecked(first);
        group("connectionGroup")->setItemIndex(first ? 1 : 0);
        control<QSpinBox>("portBox")->setValue(first ? 29 : 3);
        combo("baudRateBox")->setCurrentIndex(first ? 5 : 11);
        group("readModeGroup")->setItemIndex(first ? 2 : 1);
        group("betweenFieldsGroup")->setItemIndex(first ? 0 : 3);
        group("afterFieldsGroup")->setItemIndex(first ? 1 : 2);
        group("decimalSeparatorGroup")->setItemIndex(first ? 2 : 1);
        group("ethProtocolGroup")->setItemIndex(first ? 1 : 0);
        combo("repeatUnitBox")->setCurrentIndex(first ? 2 : 0);
        line("repeatTimeEdit")->setText(first ? QStringLiteral("17") : QStringLiteral("3"));
    };
    setAll(true);
    m_form->hide();
    setAll(false);
    m_form->show();

    QCOMPARE(line("hostEdit")->text(), QStringLiteral("10.0.0.9"));
    QCOMPARE(line("ethPortEdit")->text(), QStringLiteral("4001"));
    QCOMPARE(line("specialCommandEdit")->text(), QStringLiteral("SR"));
    QVERIFY(box("advancedBox")->isChecked());
    QCOMPARE(formatOptions->sendFieldsText(), QStringLiteral("1010101"));
    QVERIFY(box("startAtLogonBox")->isChecked());
    QVERIFY(!box("openOnStartBox")->isChecked());
    QVERIFY(box("startMinimisedBox")->isChecked());
    QCOMPARE(group("connectionGroup")->itemIndex(), 1);
    QCOMPARE(line("portEdit")->text(), QStringLiteral("29"));
    QCOMPARE(combo("baudRateBox")->currentIndex(), 5);
    QCOMPARE(group("readModeGroup")->itemIndex(), 2);
    QCOMPARE(group("betweenFieldsGroup")->itemIndex(), 0);
    QCOMPARE(group("afterFieldsGroup")->itemIndex(), 1);
    QCOMPARE(group("decimalSeparatorGroup")->itemIndex(), 2);
    QCOMPARE(group("ethProtocolGroup")->itemIndex(), 1);
    QCOMPARE(combo("repeatUnitBox")->currentIndex(), 2);
    QCOMPARE(line("repeatTimeEdit")->text(), QStringLiteral("17"));
}

void TestMainWindow::scriptFileFollowsTheMemo()
{
    const QString scriptFile = SettingsKeeper::scriptFile();
    QFile::remove(scriptFile);
    start();
    // The first activation writes the memo's first script.
    QFile written(scriptFile);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray(":m\r\n"));
    written.close();

    control<QPlainTextEdit>("scriptEdit")->setPlainText(QStringLiteral("Nr :c\nwaga :m :u"));
    QVERIFY(m_form->close());
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("Nr :c\r\nwaga :m :u\r\n"));
    written.close();
    m_form.reset();

    // The next start shows the script again, before any settings are loaded.
    MainWindow next;
    next.show();
    QCOMPARE(next.findChild<QPlainTextEdit*>(QStringLiteral("scriptEdit"))->toPlainText(),
             QStringLiteral("Nr :c\nwaga :m :u"));
}

// An older editor's 0xB5 for "µ" is neither rewritten at start and close nor changed in the output.
void TestMainWindow::scriptBytesStayAsTheFileHasThem()
{
    const QByteArray original("Masa :m \xB5g\r\n");
    {
        QFile script(SettingsKeeper::scriptFile());
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(original);
    }
    start();
    const QString output = m_profile->filePath(QStringLiteral("wyniki.txt"));
    control<ProgramOptionsPanel>("programOptionsPage")->setOutputFile(output);
    control<QCheckBox>("advancedBox")->setChecked(true);
    control<QCheckBox>("appendToFileBox")->setChecked(true);
    control<QCheckBox>("typeIntoFocusBox")->setChecked(false);

    m_form->processData().takeScaleText("     12.5 kg\r\n");
    QTRY_COMPARE(fileContents(output), QByteArray("Masa 12.5 \xB5g"));
    QVERIFY(m_form->close());
    QCOMPARE(fileContents(SettingsKeeper::scriptFile()), original);
}

void TestMainWindow::resultReachesStatisticsAndFile()
{
    start();
    const QString output = m_profile->filePath(QStringLiteral("wyniki.txt"));
    control<ProgramOptionsPanel>("programOptionsPage")->setOutputFile(output);
    control<QCheckBox>("appendToFileBox")->setChecked(true);
    control<QCheckBox>("typeIntoFocusBox")->setChecked(false);

    m_form->processData().takeScaleText("     12.5 kg\r\n");
    QTRY_COMPARE(control<QLabel>("countLabel")->text(), QStringLiteral("1"));
    QCOMPARE(control<QLabel>("lastValueLabel")->text(), QStringLiteral("12.5"));
    QFile file(output);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("12.5\tkg\t\r\n"));
}

// The processing works with what the window last told it; a tick it was not told of would be ignored.
void TestMainWindow::optionControlsReachTheProcessing_data()
{
    QTest::addColumn<bool>("onlyStable");
    QTest::addColumn<int>("counted");

    QTest::newRow("only stable results") << true << 1;
    QTest::newRow("every result") << false << 2;
}

void TestMainWindow::optionControlsReachTheProcessing()
{
    QFETCH(bool, onlyStable);
    QFETCH(int, counted);

    start();
    control<QCheckBox>("typeIntoFocusBox")->setChecked(false);
    control<QCheckBox>("makerFormatsBox")->setChecked(true);
    control<QCheckBox>("onlyStableBox")->setChecked(!onlyStable);
    control<QCheckBox>("onlyStableBox")->setChecked(onlyStable);

    ProcessData& processing = m_form->processData();
    processing.takeScaleText("ST,+00123.45  g\r\n");
    processing.takeScaleText("US,-00012.30  g\r\n");
    QCOMPARE(processing.statistics().count(), counted);
    QTRY_COMPARE(control<QLabel>("countLabel")->text(), QString::number(counted));
}

// A box for the first failure of a run, naming the file and the reason; the failures after it go to the
// status line until a write succeeds again; no cyclic reading is left running to fail again.
void TestMainWindow::failedFileWriteStopsCyclicReadingAndTells()
{
    start();
    ScriptedMessages messages;
    const QString folder = m_profile->filePath(QStringLiteral("no-such-folder"));
    const QString output = folder + QStringLiteral("/wyniki.txt");
    control<ProgramOptionsPanel>("programOptionsPage")->setOutputFile(output);
    control<QCheckBox>("appendToFileBox")->setChecked(true);
    control<QCheckBox>("typeIntoFocusBox")->setChecked(false);
    control<QCheckBox>("cyclicReadBox")->setChecked(true);

    m_form->processData().takeScaleText("     12.5 kg\r\n");

    QVERIFY(!control<QCheckBox>("cyclicReadBox")->isChecked());
    QCOMPARE(messages.shown.size(), 1);
    const QStringList lines = messages.shown.first().text.split(u'\n');
    QCOMPARE(lines.value(0), QStringLiteral("Błąd zapisu do pliku."));
    QCOMPARE(lines.value(1), output);
    QCOMPARE(lines.value(2), QString::fromLocal8Bit(strerror(ENOENT)));
    QCOMPARE(messages.shown.first().caption, QStringLiteral("Błąd"));
    QCOMPARE(messages.shown.first().icon, MessagePresenter::Icon::Error);
    QCOMPARE(messages.shown.first().buttons, MessagePresenter::Buttons::Ok);

    // A script of two lines writes twice, and fails twice, told on the status line only.
    control<QCheckBox>("advancedBox")->setChecked(true);
    control<QPlainTextEdit>("scriptEdit")->setPlainText(QStringLiteral(":m\n:u"));
    m_form->processData().takeScaleText("     13.5 kg\r\n");
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(control<QLabel>("linkStatusLabel")->text(), QStringLiteral("Błąd zapisu do pliku."));
    QVERIFY(!QFile::exists(output));

    // A write that succeeds ends the run; the next failure is news again.
    QVERIFY(QDir().mkpath(folder));
    m_form->processData().takeScaleText("     14.5 kg\r\n");
    QVERIFY(QFile::exists(output));
    QVERIFY(QFile::remove(output));
    QVERIFY(QDir().rmdir(folder));
    m_form->processData().takeScaleText("     15.5 kg\r\n");
    QCOMPARE(messages.shown.size(), 2);
}

void TestMainWindow::portNumberShowsItsDevice()
{
    const QString ports = m_profile->filePath(QStringLiteral("config/Ostrel/Kwelta/ports"));
    QDir().mkpath(ports);
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), ports + QStringLiteral("/COM3")));
    start();
    control<QAbstractButton>("communicationButton")->click();

    control<QSpinBox>("portBox")->setValue(3);
    QCOMPARE(control<QLabel>("portDeviceLabel")->text(), QStringLiteral("/dev/null"));
    control<QSpinBox>("portBox")->setValue(31);
    QCOMPARE(control<QLabel>("portDeviceLabel")->text(), QStringLiteral("(brak urządzenia)"));
}

// The search goes up to COM255, beyond the arrows' usual range; what it found must show as found.
void TestMainWindow::portSearchFindingsReachThePanel()
{
    m_form = std::make_unique<MainWindow>();
    auto* search = control<PortSearchDialog>("PortSearchDialog");
    emit search->portFound(2, 12);
    QCOMPARE(control<QLineEdit>("portEdit")->text(), QStringLiteral("2"));
    QCOMPARE(control<QComboBox>("baudRateBox")->currentText(), QStringLiteral("9600"));
    emit search->portFound(40, 10);
    QCOMPARE(control<QLineEdit>("portEdit")->text(), QStringLiteral("40"));
    QCOMPARE(control<QComboBox>("baudRateBox")->currentText(), QStringLiteral("4800"));
}

// The status line speaks of the chosen kind of link, and openPortButton opens that kind only.
void TestMainWindow::connectionKindChoosesTheStatusAndTheLink()
{
    m_form = std::make_unique<MainWindow>();
    auto* status = control<QLabel>("linkStatusLabel");
    auto* open = control<QAbstractButton>("openPortButton");
    control<RadioGroup>("connectionGroup")->setItemIndex(int(ScaleLink::Ethernet));
    QCOMPARE(status->text(), QStringLiteral("Rozłączono"));
    QVERIFY(!control<QAbstractButton>("searchPortButton")->isEnabled());

    // Nobody listens on the port, so the link stays wanted and unconnected.
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    control<QLineEdit>("hostEdit")->setText(QStringLiteral("127.0.0.1"));
    control<QLineEdit>("ethPortEdit")->setText(QString::number(closed.serverPort()));
    closed.close();
    open->click();
    QTRY_COMPARE(status->text(), QStringLiteral("Łączenie..."));
    QCOMPARE(open->text(), QStringLiteral("Zamknij port"));
    QVERIFY(Global::SerialStopped);
    QVERIFY(!control<QWidget>("connectionGroup")->isEnabled());
    open->click();
    QTRY_COMPARE(status->text(), QStringLiteral("Rozłączono"));
    QCOMPARE(open->text(), QStringLiteral("Otwórz port"));

    control<RadioGroup>("connectionGroup")->setItemIndex(int(ScaleLink::Serial));
    QCOMPARE(status->text(), QStringLiteral("Zamknięty port COM."));
    QVERIFY(control<QAbstractButton>("searchPortButton")->isEnabled());
}

void TestMainWindow::outputFileChoice_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("outputFile");

    QTest::newRow("text filter") << "data/wyniki" << 0 << "data/wyniki.txt";
    QTest::newRow("csv filter") << "data/wyniki" << 1 << "data/wyniki.csv";
    QTest::newRow("all files") << "data/wyniki" << 2 << "data/wyniki";
    QTest::newRow("own extension") << "data/wyniki.log" << 0 << "data/wyniki.log";
    QTest::newRow("dot in a folder name counts") << "dane.2024/wyniki" << 0 << "dane.2024/wyniki";
    QTest::newRow("empty name") << "" << 0 << "";
}

void TestMainWindow::outputFileChoice()
{
    QFETCH(QString, chosen);
    QFETCH(int, filter);
    QFETCH(QString, outputFile);
    QDir(m_profile->path()).mkpath(QStringLiteral("data"));
    QDir(m_profile->path()).mkpath(QStringLiteral("dane.2024"));
    start();
    const QString base = m_profile->path() + u'/';
    auto* programOptions = control<ProgramOptionsPanel>("programOptionsPage");
    programOptions->setFileChooser([&](QWidget*, const QStringList& filters) {
        [&] { QCOMPARE(filters.size(), 3); }();
        return ProgramOptionsPanel::FileChoice{chosen.isEmpty() ? QString() : base + chosen, filter};
    });
    control<QCheckBox>("appendToFileBox")->setChecked(true);
    control<QAbstractButton>("chooseFileButton")->click();

    if (outputFile.isEmpty()) {
        QVERIFY(options().outputFile.isEmpty());
        QCOMPARE(control<QLineEdit>("outputFileEdit")->text(), QStringLiteral("Nie wybrano pliku"));
        return;
    }
    QCOMPARE(options().outputFile, base + outputFile);
    QCOMPARE(control<QLineEdit>("outputFileEdit")->text(), base + outputFile);
    // Created at once.
    QVERIFY(QFile::exists(base + outputFile));
}

void TestMainWindow::startUpEntryFollowsTheStoredTick_data()
{
    QTest::addColumn<bool>("stored");
    QTest::addColumn<bool>("leftByEarlierRun");
    QTest::newRow("ticked, none there") << true << false;
    QTest::newRow("ticked, an old one there") << true << true;
    QTest::newRow("clear, an old one there") << false << true;
}

// The window's creation removes what a previous run left; the first activation writes it again from the
// stored tick, with the executable as it is now.
void TestMainWindow::startUpEntryFollowsTheStoredTick()
{
    QFETCH(bool, stored);
    QFETCH(bool, leftByEarlierRun);
    if (leftByEarlierRun) {
        QVERIFY(QDir().mkpath(QFileInfo(startUpEntry()).path()));
        QFile old(startUpEntry());
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("[Desktop Entry]\nType=Application\nName=Kwelta\nExec=/moved/elsewhere/kwelta\n");
    }
    // Only a whole file is read; one missing value would bring the defaults.
    writeSettings(fullSettings);
    writeSettings({{"AutoRun", stored ? "1" : "0"}});

    {
        MainWindow created;
        QVERIFY(!QFile::exists(startUpEntry()));
    }
    start();

    QVERIFY(control<QCheckBox>("startAtLogonBox")->isChecked() == stored);
    QCOMPARE(QFile::exists(startUpEntry()), stored);
    if (stored) {
        QSettings entry(startUpEntry(), QSettings::IniFormat);
        QCOMPARE(entry.value(QStringLiteral("Desktop Entry/Exec")).toString(), QCoreApplication::applicationFilePath());
    }
}

void TestMainWindow::startUpEntryFollowsTheClicks()
{
    start();
    QVERIFY(!QFile::exists(startUpEntry()));
    auto* box = control<QCheckBox>("startAtLogonBox");
    control<QAbstractButton>("communicationButton")->click();

    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(QFile::exists(startUpEntry()));
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(!QFile::exists(startUpEntry()));

    // The closing leaves the entry as the tick last set it, for the next logon.
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(m_form->close());
    m_form.reset();
    QVERIFY(QFile::exists(startUpEntry()));
    QCOMPARE(storedSettings().value(QStringLiteral("AutoRun")).toString(), QStringLiteral("1"));
}

QTEST_MAIN(TestMainWindow)

using StoredValues = QList<std::pair<const char*, const char*>>;

// The frame list stands for three stored values: what a file holds is shown, what the user picks is
// written, and a value outside the choices reads as 8N1.
void TestMainWindow::lineFormatIsStoredAndReachesThePort_data()
{
    QTest::addColumn<StoredValues>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("flowShown");
    QTest::newRow("none stored") << StoredValues{} << "8N1"
                                 << "brak";
    QTest::newRow("7E1, RTS/CTS")
        << StoredValues{{"DataBits", "7"}, {"Parity", "1"}, {"StopBits", "1"}, {"FlowControl", "1"}} << "7E1"
        << "RTS/CTS";
    QTest::newRow("8O2, XON/XOFF")
        << StoredValues{{"DataBits", "8"}, {"Parity", "2"}, {"StopBits", "2"}, {"FlowControl", "2"}} << "8O2"
        << "XON/XOFF";
    QTest::newRow("5 data bits") << StoredValues{{"DataBits", "5"}} << "8N1"
                                 << "brak";
}

void TestMainWindow::lineFormatIsStoredAndReachesThePort()
{
    QFETCH(StoredValues, stored);
    QFETCH(QString, shown);
    QFETCH(QString, flowShown);
    writeSettings(fullSettings + stored);
    start();
    QCOMPARE(control<QComboBox>("lineFormatBox")->currentText(), shown);
    QCOMPARE(control<QComboBox>("flowControlBox")->currentText(), flowShown);

    auto* frames = control<QComboBox>("lineFormatBox");
    frames->setCurrentIndex(frames->findText(QStringLiteral("7O2")));
    control<QComboBox>("flowControlBox")->setCurrentIndex(2);
    const PortSettings port = control<CommunicationPanel>("communicationPage")->portSettings();
    LineFormat expected{7, LineFormat::Parity::Odd, 2, LineFormat::FlowControl::Software};
    PortSettings expectedPort = port;
    expected.applyTo(expectedPort);
    QCOMPARE(port.DataBits, expectedPort.DataBits);
    QCOMPARE(port.ParityBits, expectedPort.ParityBits);
    QCOMPARE(port.StopBits, expectedPort.StopBits);
    QVERIFY(port.SoftwareFlow);
    QVERIFY(!port.HardwareFlow);
    m_form->close();
    QSettings written = storedSettings();
    QCOMPARE(written.value("DataBits").toString(), QStringLiteral("7"));
    QCOMPARE(written.value("Parity").toString(), QStringLiteral("2"));
    QCOMPARE(written.value("StopBits").toString(), QStringLiteral("2"));
    QCOMPARE(written.value("FlowControl").toString(), QStringLiteral("2"));
}

// The navigation column's button opens the monitor in a window of its own, which lists what the
// processing took and what became of it.
void TestMainWindow::monitorShowsWhatArrived()
{
    start();
    control<QCheckBox>("typeIntoFocusBox")->setChecked(false);
    m_form->processData().takeScaleText("     12.5 kg\r\n");
    control<QAbstractButton>("monitorButton")->click();
    auto* monitor = control<ArrivalMonitor>("arrivalMonitor");
    QVERIFY(monitor->isVisible());
    QVERIFY(monitor->isWindow());
    const QAbstractItemModel* rows = monitor->table()->model();
    QCOMPARE(rows->rowCount(), 1);
    QCOMPARE(rows->index(0, ArrivalLog::TextColumn).data().toString(), QStringLiteral("     12.5 kg⟨CR⟩⟨LF⟩"));
    QVERIFY(rows->index(0, ArrivalLog::OutcomeColumn).data().toString().contains(QStringLiteral("12.5")));
    // A second click raises the same window.
    control<QAbstractButton>("monitorButton")->click();
    QCOMPARE(m_form->findChildren<ArrivalMonitor*>().size(), 1);
}

// Without a settings file the language follows the locale; a stored one wins. The runs under other
// locales name the language they expect.
void TestMainWindow::firstStartSpeaksTheLocaleLanguage()
{
    start();
    const QByteArray expected = qgetenv("KWELTA_EXPECTED_LANGUAGE");
    const qint32 language = m_form->settings().values().language;
    QCOMPARE(language, LanguageModule::languageForLocale(QLocale::system().uiLanguages()));
    if (!expected.isEmpty())
        QCOMPARE(language, expected.toInt());
    m_form.reset();

    writeSettings(fullSettings);
    QSettings(SettingsStore::defaultFilePath(), QSettings::IniFormat).setValue("Language", "1045");
    start();
    QCOMPARE(m_form->settings().values().language, LanguageModule::Polish);
    m_form.reset();
    QSettings(SettingsStore::defaultFilePath(), QSettings::IniFormat).setValue("Language", "2057");
    start();
    QCOMPARE(m_form->settings().values().language, LanguageModule::English);
}

#include "tst_mainwindow.moc"
