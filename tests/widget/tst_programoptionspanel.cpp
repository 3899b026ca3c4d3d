// The program-options page on its own: how the output file the user chose, or the lack of one, is shown.
#include "core/global.h"
#include "ui/namedcontrol.h"
#include "ui/programoptionspanel.h"

#include <QCheckBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
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

private:
    // The colour the label's text is drawn in, while its window is in front and while it is not.
    static void compareTextColour(const QLabel* label, const QColor& expected);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestProgramOptionsPanel::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    Global::OutputFile.clear();
}

void TestProgramOptionsPanel::cleanup()
{
    Global::OutputFile.clear();
    m_dir.reset();
}

void TestProgramOptionsPanel::compareTextColour(const QLabel* label, const QColor& expected)
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
    namedControl<QCheckBox>(&panel, "chbDestinationFile")->setChecked(true);
    auto* chooser = namedControl<QToolButton>(&panel, "sbSelectDestFile");
    for (qsizetype i = 0; i < choices.size(); ++i)
        chooser->click();
    QCOMPARE(next, choices.size());

    const auto* label = namedControl<QLabel>(&panel, "LabelFileName");
    QCOMPARE(label->text(), shown);
    compareTextColour(label, colour);
    QCOMPARE(Global::OutputFile, shown == noFile ? QString() : shown);
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

    const auto* label = namedControl<QLabel>(&panel, "LabelFileName");
    QCOMPARE(label->text(), shown);
    compareTextColour(label, colour);
}

// A first start has no file and no reason to alarm anyone: the window's own text colour, not red.
void TestProgramOptionsPanel::firstStartShowsNoFileInTheWindowsColour()
{
    ProgramOptionsPanel panel;
    const auto* label = namedControl<QLabel>(&panel, "LabelFileName");
    const QColor windowText = panel.palette().color(QPalette::Active, QPalette::WindowText);
    QVERIFY(windowText != QColor(255, 0, 0));
    QCOMPARE(label->text(), noFile);
    compareTextColour(label, windowText);

    panel.showOutputFile(QString());
    panel.showNoFileChosen();
    QCOMPARE(label->text(), noFile);
    compareTextColour(label, windowText);
}

QTEST_MAIN(TestProgramOptionsPanel)
#include "tst_programoptionspanel.moc"
