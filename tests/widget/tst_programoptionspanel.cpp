// The program-options page on its own: how the output file the user chose, or the lack of one, is
// shown; which command each button and the cyclic reading send.
#include "core/global.h"
#include "ui/namedcontrol.h"
#include "ui/programoptionspanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

const QString noFile = QStringLiteral("Nie wybrano pliku");
// In a row's list of choices: the user closed the save dialog without choosing.
const QString cancelled = QStringLiteral("(cancelled)");
// In a row's texts: the test's folder, which receives the chosen files.
const QString folderMark = QStringLiteral("<dir>");

} // namespace

class TestProgramOptionsPanel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void chosenFileShowsInBlackNoneInRed_data();
    void chosenFileShowsInBlackNoneInRed();
    void loadedFileShowsInBlackNoneInRed_data();
    void loadedFileShowsInBlackNoneInRed();
    void firstStartShowsNoFileInTheWindowsColour();
    void buttonsSendTheirCommands();
    void specialCommandWaitsWhileItsBoxIsOpenAndWhileCyclicReadingRuns();
    void cyclicReading_data();
    void cyclicReading();
    void cyclicReadingAsksForStableResultsWhenTold();

private:
    // The colour the label's text is drawn in, while its window is in front and while it is not.
    static void compareTextColour(const QWidget* label, const QColor& expected);
    // A panel whose commands are recorded in m_sent.
    std::unique_ptr<ProgramOptionsPanel> recordingPanel();
    template <typename T>
    static T* control(QWidget* panel, const char* name)
    {
        return namedControl<T>(panel, name);
    }

    QList<QByteArray> m_sent;

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestProgramOptionsPanel::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_sent.clear();
}

void TestProgramOptionsPanel::cleanup()
{
    m_dir.reset();
}

void TestProgramOptionsPanel::compareTextColour(const QWidget* label, const QColor& expected)
{
    QCOMPARE(label->palette().color(QPalette::Active, label->foregroundRole()), expected);
    QCOMPARE(label->palette().color(QPalette::Inactive, label->foregroundRole()), expected);
}

void TestProgramOptionsPanel::chosenFileShowsInBlackNoneInRed_data()
{
    QTest::addColumn<QStringList>("choices"); // one per click on the chooser button
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QColor>("colour");

    const QColor red(255, 0, 0);
    const QColor black(0, 0, 0);
    const QString file = folderMark + QStringLiteral("/wyniki.csv");
    QTest::newRow("a file") << QStringList{file} << file << black;
    QTest::newRow("a name without extension")
        << QStringList{folderMark + QStringLiteral("/wyniki")} << folderMark + QStringLiteral("/wyniki.txt") << black;
    QTest::newRow("an empty name") << QStringList{QString()} << noFile << red;
    QTest::newRow("a name starting with a dot") << QStringList{QStringLiteral(".wyniki")} << noFile << red;
    QTest::newRow("a file, then an empty name") << QStringList{file, QString()} << noFile << red;
    QTest::newRow("an empty name, then a file") << QStringList{QString(), file} << file << black;
    QTest::newRow("a file, then cancelled") << QStringList{file, cancelled} << file << black;
    QTest::newRow("an empty name, then cancelled") << QStringList{QString(), cancelled} << noFile << red;
}

void TestProgramOptionsPanel::chosenFileShowsInBlackNoneInRed()
{
    QFETCH(QStringList, choices);
    QFETCH(QString, shown);
    QFETCH(QColor, colour);
    shown.replace(folderMark, m_dir->path());

    ProgramOptionsPanel panel;
    qsizetype next = 0;
    panel.setFileChooser([&](QWidget*, const QStringList&) -> std::optional<ProgramOptionsPanel::FileChoice> {
        const QString choice = choices.value(next++);
        if (choice == cancelled)
            return std::nullopt;
        return ProgramOptionsPanel::FileChoice{QString(choice).replace(folderMark, m_dir->path()), 0};
    });
    namedControl<QCheckBox>(&panel, "appendToFileBox")->setChecked(true);
    auto* chooser = namedControl<QToolButton>(&panel, "chooseFileButton");
    for (qsizetype i = 0; i < choices.size(); ++i)
        chooser->click();
    QCOMPARE(next, choices.size());

    const auto* label = namedControl<QLineEdit>(&panel, "outputFileEdit");
    QCOMPARE(label->text(), shown);
    compareTextColour(label, colour);
    QCOMPARE(panel.outputFile(), shown == noFile ? QString() : shown);
}

void TestProgramOptionsPanel::loadedFileShowsInBlackNoneInRed_data()
{
    QTest::addColumn<QStringList>("paths"); // shown one after the other, as settings are loaded
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QColor>("colour");

    const QColor red(255, 0, 0);
    const QColor black(0, 0, 0);
    const QString file = QStringLiteral("/tmp/wyniki.csv");
    QTest::newRow("a file") << QStringList{file} << file << black;
    QTest::newRow("none") << QStringList{QString()} << noFile << red;
    QTest::newRow("a file, then none") << QStringList{file, QString()} << noFile << red;
    QTest::newRow("none, then a file") << QStringList{QString(), file} << file << black;
}

void TestProgramOptionsPanel::loadedFileShowsInBlackNoneInRed()
{
    QFETCH(QStringList, paths);
    QFETCH(QString, shown);
    QFETCH(QColor, colour);

    ProgramOptionsPanel panel;
    for (const QString& path : std::as_const(paths))
        panel.showOutputFile(path);

    const auto* label = namedControl<QLineEdit>(&panel, "outputFileEdit");
    QCOMPARE(label->text(), shown);
    compareTextColour(label, colour);
}

// A first start has no file and no reason to alarm anyone: the window's own text colour, not red.
void TestProgramOptionsPanel::firstStartShowsNoFileInTheWindowsColour()
{
    ProgramOptionsPanel panel;
    const auto* label = namedControl<QLineEdit>(&panel, "outputFileEdit");
    const QColor windowText = panel.palette().color(QPalette::Active, QPalette::WindowText);
    QVERIFY(windowText != QColor(255, 0, 0));
    QCOMPARE(label->text(), noFile);
    compareTextColour(label, windowText);

    panel.showOutputFile(QString());
    panel.showNoFileChosen();
    QCOMPARE(label->text(), noFile);
    compareTextColour(label, windowText);
}

std::unique_ptr<ProgramOptionsPanel> TestProgramOptionsPanel::recordingPanel()
{
    auto panel = std::make_unique<ProgramOptionsPanel>();
    panel->setOrderSender([this](const QByteArray& command) { m_sent << command; });
    return panel;
}

void TestProgramOptionsPanel::buttonsSendTheirCommands()
{
    const auto panel = recordingPanel();
    control<QLineEdit>(panel.get(), "specialCommandEdit")->setText(QStringLiteral("S$1Bx"));
    for (const char* button : {"tareButton", "zeroButton", "printButton", "specialButton"})
        control<QPushButton>(panel.get(), button)->click();
    QCOMPARE(m_sent, (QList<QByteArray>{"ST", "SZ", "SI", "S\x1bx"}));
}

void TestProgramOptionsPanel::specialCommandWaitsWhileItsBoxIsOpenAndWhileCyclicReadingRuns()
{
    const auto panel = recordingPanel();
    panel->show();
    auto* edit = control<QLineEdit>(panel.get(), "specialCommandEdit");
    auto* special = control<QPushButton>(panel.get(), "specialButton");
    const int closedWidth = edit->width();

    // A click in the box opens it over its neighbours; the button's next click only closes it.
    QTest::mouseClick(edit, Qt::LeftButton);
    QTRY_VERIFY(edit->width() > closedWidth);
    special->click();
    QTRY_COMPARE(edit->width(), closedWidth);
    QVERIFY(m_sent.isEmpty());
    special->click();
    QCOMPARE(m_sent, QList<QByteArray>{"Sx1"});

    // The cyclic reading owns the scale while it runs; the other commands still go.
    control<QCheckBox>(panel.get(), "cyclicReadBox")->setChecked(true);
    m_sent.clear();
    special->click();
    control<QPushButton>(panel.get(), "tareButton")->click();
    QCOMPARE(m_sent, QList<QByteArray>{"ST"});
}

void TestProgramOptionsPanel::cyclicReading_data()
{
    QTest::addColumn<QString>("time");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("interval"); // 0: the box is unticked again and nothing runs
    QTest::addColumn<QString>("shown");

    QTest::newRow("300 ms") << "300" << 0 << 300 << "300";
    QTest::newRow("50 ms runs at 200 and says so") << "50" << 0 << 200 << "200";
    QTest::newRow("seconds") << "2" << 1 << 2000 << "2";
    QTest::newRow("hours") << "1" << 3 << 3600000 << "1";
    QTest::newRow("beyond a timer") << "600" << 3 << 596 * 3600000 << "596";
    QTest::newRow("zero") << "0" << 1 << 0 << "0";
    QTest::newRow("not a number") << "x" << 1 << 0 << "x";
}

void TestProgramOptionsPanel::cyclicReading()
{
    QFETCH(QString, time);
    QFETCH(int, unit);
    QFETCH(int, interval);
    QFETCH(QString, shown);

    const auto panel = recordingPanel();
    auto* box = control<QCheckBox>(panel.get(), "cyclicReadBox");
    auto* timeEdit = control<QLineEdit>(panel.get(), "repeatTimeEdit");
    auto* unitBox = control<QComboBox>(panel.get(), "repeatUnitBox");
    timeEdit->setText(time);
    unitBox->setCurrentIndex(unit);
    box->setChecked(true);

    const QTimer& timer = panel->timerRepeat();
    QCOMPARE(timer.isActive(), interval > 0);
    QCOMPARE(box->isChecked(), interval > 0);
    if (interval > 0)
        QCOMPARE(timer.interval(), interval);
    QCOMPARE(timeEdit->text(), shown);
    // The period can change only while nothing runs.
    QCOMPARE(timeEdit->isEnabled(), interval == 0);
    QCOMPARE(unitBox->isEnabled(), interval == 0);

    box->setChecked(false);
    QVERIFY(!timer.isActive());
    QVERIFY(timeEdit->isEnabled());
    QVERIFY(unitBox->isEnabled());
    QVERIFY(m_sent.isEmpty());
}

void TestProgramOptionsPanel::cyclicReadingAsksForStableResultsWhenTold()
{
    const auto panel = recordingPanel();
    QTimer& timer = panel->timerRepeat();
    control<QLineEdit>(panel.get(), "repeatTimeEdit")->setText(QStringLiteral("200"));
    control<QComboBox>(panel.get(), "repeatUnitBox")->setCurrentIndex(0);
    control<QCheckBox>(panel.get(), "cyclicReadBox")->setChecked(true);
    // The first command comes one period after the start, not at once.
    QVERIFY(m_sent.isEmpty());
    QSignalSpy ticks(&timer, &QTimer::timeout);
    QVERIFY(ticks.wait(5000));
    control<QCheckBox>(panel.get(), "onlyStableBox")->setChecked(true);
    QVERIFY(ticks.wait(5000));
    QCOMPARE(m_sent.first(), QByteArray("Sx1"));
    QCOMPARE(m_sent.last(), QByteArray("SI"));
}

QTEST_MAIN(TestProgramOptionsPanel)
#include "tst_programoptionspanel.moc"
