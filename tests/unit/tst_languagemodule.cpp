#include "core/languagemodule.h"
#include "support/bytenamedfiles.h"
#include "support/filecontents.h"
#include "support/requiredskip.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The modules the build puts beside the program.
const QString builtEnglish = QStringLiteral(KWELTA_PROGRAM_PATH ".ENG");
const QString builtPolish = QStringLiteral(KWELTA_PROGRAM_PATH ".PLK");

// The magic number that opens every Qt translation file, and the section tags that may follow it.
const QByteArray qmMagic = QByteArray::fromHex("3cb86418caef9c95cd211cbf60a1bddd");
constexpr char messagesTag = char(0x69);
constexpr char languageTag = char(0xa7);

QByteArray qmSection(char tag, const QByteArray& contents)
{
    const auto length = quint32(contents.size());
    QByteArray section(1, tag);
    for (int shift = 24; shift >= 0; shift -= 8)
        section += char(length >> shift);
    return section + contents;
}

} // namespace

class TestLanguageModule : public QObject
{
    Q_OBJECT

private slots:
    void onlyEnglishAndPolishAreOffered_data();
    void onlyEnglishAndPolishAreOffered();
    void firstStartLanguageFollowsTheLocale_data();
    void firstStartLanguageFollowsTheLocale();
    void fileNamesFollowTheProgram_data();
    void fileNamesFollowTheProgram();
    void loadsTheModuleOfTheLanguage_data();
    void loadsTheModuleOfTheLanguage();
    void aMissingModuleChangesNothing();
    void aModuleThatCannotServeChangesNothing_data();
    void aModuleThatCannotServeChangesNothing();
    void theNextModuleReplacesThePrevious();
    void qtsOwnTextsFollowTheLanguage();
};

void TestLanguageModule::onlyEnglishAndPolishAreOffered_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("offered");
    QTest::newRow("English") << 2057 << 2057;
    QTest::newRow("Polish") << 1045 << 1045;
    QTest::newRow("none stored") << 0 << 1045;
    QTest::newRow("German") << 1031 << 1045;
    QTest::newRow("US English") << 1033 << 1045;
    QTest::newRow("negative") << -2057 << 1045;
}

void TestLanguageModule::onlyEnglishAndPolishAreOffered()
{
    QFETCH(int, language);
    QFETCH(int, offered);
    QCOMPARE(LanguageModule::offeredLanguage(language), offered);
}

void TestLanguageModule::firstStartLanguageFollowsTheLocale_data()
{
    QTest::addColumn<QStringList>("uiLanguages");
    QTest::addColumn<int>("language");
    QTest::newRow("Polish") << QStringList{"pl-PL", "pl"} << int(LanguageModule::Polish);
    QTest::newRow("Polish, no country") << QStringList{"pl"} << int(LanguageModule::Polish);
    QTest::newRow("British English") << QStringList{"en-GB"} << int(LanguageModule::English);
    QTest::newRow("German") << QStringList{"de-DE", "de"} << int(LanguageModule::English);
    QTest::newRow("Ukrainian before Polish") << QStringList{"uk-UA", "pl-PL"} << int(LanguageModule::English);
    QTest::newRow("C") << QStringList{"C"} << int(LanguageModule::Polish);
    QTest::newRow("POSIX") << QStringList{"POSIX"} << int(LanguageModule::Polish);
    QTest::newRow("none") << QStringList{} << int(LanguageModule::Polish);
}

void TestLanguageModule::firstStartLanguageFollowsTheLocale()
{
    QFETCH(QStringList, uiLanguages);
    QFETCH(int, language);
    QCOMPARE(LanguageModule::languageForLocale(uiLanguages), language);
}

void TestLanguageModule::fileNamesFollowTheProgram_data()
{
    using Names = QList<QByteArray>;
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<int>("language");
    QTest::addColumn<Names>("files");
    QTest::newRow("no extension, English")
        << QByteArray("/opt/kwelta/kwelta") << 2057 << Names{"/opt/kwelta/kwelta.ENG", "/opt/kwelta/kwelta.EN"};
    QTest::newRow("no extension, Polish")
        << QByteArray("/opt/kwelta/kwelta") << 1045 << Names{"/opt/kwelta/kwelta.PLK", "/opt/kwelta/kwelta.PL"};
    QTest::newRow("other identifier is Polish")
        << QByteArray("/opt/kwelta/kwelta") << 1031 << Names{"/opt/kwelta/kwelta.PLK", "/opt/kwelta/kwelta.PL"};
    QTest::newRow("dot in a folder name")
        << QByteArray("/home/ala/kwelta-1.15.d/kwelta") << 2057
        << Names{"/home/ala/kwelta-1.15.d/kwelta.ENG", "/home/ala/kwelta-1.15.d/kwelta.EN"};
    QTest::newRow("extension replaced") << QByteArray("/opt/bin/kwelta.bin") << 1045
                                        << Names{"/opt/bin/kwelta.PLK", "/opt/bin/kwelta.PL"};
    QTest::newRow("only the last extension")
        << QByteArray("/opt/bin/kwelta.1.15") << 2057 << Names{"/opt/bin/kwelta.1.ENG", "/opt/bin/kwelta.1.EN"};
    // Latin-1 bytes under a UTF-8 locale: no character stands for them, the bytes themselves go on.
    QTest::newRow("folder not in UTF-8") << QByteArray("/home/ren\xe9/kwelta") << 2057
                                         << Names{"/home/ren\xe9/kwelta.ENG", "/home/ren\xe9/kwelta.EN"};
    QTest::newRow("name not in UTF-8") << QByteArray("/opt/kwelt\xe9.bin") << 1045
                                       << Names{"/opt/kwelt\xe9.PLK", "/opt/kwelt\xe9.PL"};
}

void TestLanguageModule::fileNamesFollowTheProgram()
{
    QFETCH(QByteArray, program);
    QFETCH(int, language);
    QFETCH(QList<QByteArray>, files);
    QCOMPARE(LanguageModule::fileNames(program, language), files);
}

void TestLanguageModule::loadsTheModuleOfTheLanguage_data()
{
    QTest::addColumn<QString>("builtModule");
    QTest::addColumn<QByteArray>("folder");
    QTest::addColumn<QByteArray>("installedAs");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("openPort");
    QTest::newRow("ENG") << builtEnglish << QByteArray() << QByteArray("prog.ENG") << 2057 << "Open port";
    QTest::newRow("EN only") << builtEnglish << QByteArray() << QByteArray("prog.EN") << 2057 << "Open port";
    QTest::newRow("PLK") << builtPolish << QByteArray() << QByteArray("prog.PLK") << 1045 << "Otwórz port";
    QTest::newRow("PL only") << builtPolish << QByteArray() << QByteArray("prog.PL") << 0 << "Otwórz port";
    // A folder named under a Latin-1 locale, seen from a UTF-8 one.
    QTest::newRow("ENG, folder not in UTF-8")
        << builtEnglish << QByteArray("ren\xe9") << QByteArray("prog.ENG") << 2057 << "Open port";
    QTest::newRow("PLK, folder not in UTF-8") << builtPolish
                                              << QByteArray("\xb3\xf3"
                                                            "d\xbc")
                                              << QByteArray("prog.PLK") << 1045 << "Otwórz port";
}

void TestLanguageModule::loadsTheModuleOfTheLanguage()
{
    QFETCH(QString, builtModule);
    QFETCH(QByteArray, folder);
    QFETCH(QByteArray, installedAs);
    QFETCH(int, language);
    QFETCH(QString, openPort);
    QTemporaryDir dir;
    std::optional<ByteNamedFolder> named;
    QByteArray programFolder = QFile::encodeName(dir.path());
    if (!folder.isEmpty()) {
        named.emplace(folder);
        QVERIFY(named->isMade());
        programFolder = named->path();
    }
    QVERIFY(writeFileBytes(programFolder + '/' + installedAs, fileContents(builtModule)));

    LanguageModules modules(programFolder + "/prog");
    QCOMPARE(modules.loadLanguageModule(language), LanguageModules::Found::Loaded);
    modules.useLoadedModule();
    QCOMPARE(modules.loadedFile(), programFolder + '/' + installedAs);
    QCOMPARE(QCoreApplication::translate("CommunicationPanel", "Otwórz port"), openPort);
    // The German design-time caption shows whether the module's texts are in use, in either language.
    QCOMPARE(QCoreApplication::translate("MainWindow", "&Statistik"),
             language == 2057 ? QStringLiteral("&Statistics") : QStringLiteral("&Statystyka"));
}

void TestLanguageModule::aMissingModuleChangesNothing()
{
    QTemporaryDir dir;
    QVERIFY(QFile::copy(builtEnglish, dir.filePath(QStringLiteral("prog.ENG"))));
    LanguageModules modules(dir.filePath(QStringLiteral("prog")));
    QCOMPARE(modules.loadLanguageModule(2057), LanguageModules::Found::Loaded);
    modules.useLoadedModule();

    QCOMPARE(modules.loadLanguageModule(1045), LanguageModules::Found::Missing);
    modules.useLoadedModule();
    QCOMPARE(modules.loadedFile(), QFile::encodeName(dir.filePath(QStringLiteral("prog.ENG"))));
    QCOMPARE(QCoreApplication::translate("CommunicationPanel", "Otwórz port"), QStringLiteral("Open port"));
}

// A file by the module's name that cannot serve: the module in use stays, the two-letter name is still
// tried, and the answer tells a file that cannot be read from one that holds nothing of the program's,
// which counts as missing. A FIFO is never opened, which would wait for a writer for good.
void TestLanguageModule::aModuleThatCannotServeChangesNothing_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<bool>("unreadable");
    QTest::addColumn<QString>("logged");
    QTest::newRow("folder") << QByteArray("folder") << true << "it is a folder";
    QTest::newRow("FIFO") << QByteArray("FIFO") << true << "it is a FIFO";
    QTest::newRow("link to a folder") << QByteArray("link to a folder") << true << "it is a folder";
    QTest::newRow("random bytes") << QByteArray("random bytes") << true << "it is not a Qt translation file";
    QTest::newRow("empty file") << QByteArray("empty file") << true << "it is not a Qt translation file";
    QTest::newRow("no permission") << QByteArray("no permission") << true << "Permission denied";
    QTest::newRow("dangling link") << QByteArray("dangling link") << false << QString();
    QTest::newRow("magic number only") << QByteArray("magic number only") << false << "holds none";
    QTest::newRow("magic number and a tag") << QByteArray("magic number and a tag") << false << "holds none";
    QTest::newRow("empty messages section") << QByteArray("empty messages section") << false << "holds none";
    QTest::newRow("language tag only") << QByteArray("language tag only") << false << "holds none";
    QTest::newRow("Qt's own Polish texts") << QByteArray("Qt's own Polish texts") << false << "holds none";
    QTest::newRow("the Polish module") << QByteArray("the Polish module") << false << "holds none";
}

void TestLanguageModule::aModuleThatCannotServeChangesNothing()
{
    QFETCH(QByteArray, kind);
    QFETCH(bool, unreadable);
    QFETCH(QString, logged);
    QTemporaryDir dir;
    QVERIFY(QFile::copy(builtPolish, dir.filePath(QStringLiteral("prog.PLK"))));
    LanguageModules modules(dir.filePath(QStringLiteral("prog")));
    QCOMPARE(modules.loadLanguageModule(1045), LanguageModules::Found::Loaded);
    modules.useLoadedModule();

    const QByteArray english = QFile::encodeName(dir.filePath(QStringLiteral("prog.ENG")));
    const QByteArray elsewhere = QFile::encodeName(dir.filePath(QStringLiteral("elsewhere")));
    if (kind == "folder") {
        QCOMPARE(mkdir(english.constData(), 0755), 0);
    } else if (kind == "FIFO") {
        QCOMPARE(mkfifo(english.constData(), 0644), 0);
    } else if (kind == "link to a folder") {
        QCOMPARE(mkdir(elsewhere.constData(), 0755), 0);
        QCOMPARE(symlink(elsewhere.constData(), english.constData()), 0);
    } else if (kind == "dangling link") {
        QCOMPARE(symlink(elsewhere.constData(), english.constData()), 0);
    } else if (kind == "random bytes") {
        QByteArray noise;
        for (int i = 0; i < 4096; ++i)
            noise += char((i * 7919 + 13) % 251);
        QVERIFY(writeFileBytes(english, noise));
    } else if (kind == "empty file") {
        QVERIFY(writeFileBytes(english, {}));
    } else if (kind == "no permission") {
        if (geteuid() == 0)
            QSKIP("root reads a file whatever its permissions; run as another user to cover this case");
        QVERIFY(writeFileBytes(english, fileContents(builtEnglish)));
        QCOMPARE(chmod(english.constData(), 0), 0);
    } else if (kind == "magic number only") {
        QVERIFY(writeFileBytes(english, qmMagic));
    } else if (kind == "magic number and a tag") {
        QVERIFY(writeFileBytes(english, qmMagic + messagesTag));
    } else if (kind == "empty messages section") {
        QVERIFY(writeFileBytes(english, qmMagic + qmSection(messagesTag, {})));
    } else if (kind == "language tag only") {
        QVERIFY(writeFileBytes(english, qmMagic + qmSection(languageTag, "en_GB")));
    } else if (kind == "Qt's own Polish texts") {
        const QString qtTexts = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_pl.qm");
        if (!QFile::exists(qtTexts))
            SKIP_UNLESS_REQUIRED("Qt's Polish texts (qtbase_pl.qm) are not installed");
        QVERIFY(writeFileBytes(english, fileContents(qtTexts)));
    } else if (kind == "the Polish module") {
        QVERIFY(writeFileBytes(english, fileContents(builtPolish)));
    }

    // Twice: for the answer below, and again where the two-letter module is found after it.
    const QRegularExpression warning(QRegularExpression::escape(QString::fromUtf8(english)) + QStringLiteral(".*") +
                                     QRegularExpression::escape(logged));
    for (int i = 0; i < 2 && !logged.isEmpty(); ++i)
        QTest::ignoreMessage(QtWarningMsg, warning);
    QCOMPARE(modules.loadLanguageModule(2057),
             unreadable ? LanguageModules::Found::Unreadable : LanguageModules::Found::Missing);
    modules.useLoadedModule();
    QCOMPARE(modules.loadedFile(), QFile::encodeName(dir.filePath(QStringLiteral("prog.PLK"))));
    QCOMPARE(QCoreApplication::translate("MainWindow", "&Statistik"), QStringLiteral("&Statystyka"));

    QVERIFY(QFile::copy(builtEnglish, dir.filePath(QStringLiteral("prog.EN"))));
    QCOMPARE(modules.loadLanguageModule(2057), LanguageModules::Found::Loaded);
    modules.useLoadedModule();
    QCOMPARE(modules.loadedFile(), QFile::encodeName(dir.filePath(QStringLiteral("prog.EN"))));
    QCOMPARE(QCoreApplication::translate("MainWindow", "&Statistik"), QStringLiteral("&Statistics"));
}

void TestLanguageModule::theNextModuleReplacesThePrevious()
{
    QTemporaryDir dir;
    QVERIFY(QFile::copy(builtEnglish, dir.filePath(QStringLiteral("prog.ENG"))));
    QVERIFY(QFile::copy(builtPolish, dir.filePath(QStringLiteral("prog.PLK"))));
    {
        LanguageModules modules(dir.filePath(QStringLiteral("prog")));
        QCOMPARE(modules.loadLanguageModule(2057), LanguageModules::Found::Loaded);
        modules.useLoadedModule();
        QCOMPARE(modules.loadLanguageModule(1045), LanguageModules::Found::Loaded);
        modules.useLoadedModule();
        // The German design-time caption has a Polish text only in the Polish module.
        QCOMPARE(QCoreApplication::translate("MainWindow", "&Statistik"), QStringLiteral("&Statystyka"));
        QCOMPARE(modules.loadLanguageModule(2057), LanguageModules::Found::Loaded);
        modules.useLoadedModule();
        QCOMPARE(QCoreApplication::translate("MainWindow", "&Statistik"), QStringLiteral("&Statistics"));
    }
    // Nothing stays installed once the modules are gone.
    QCOMPARE(QCoreApplication::translate("MainWindow", "&Statistik"), QStringLiteral("&Statistik"));
}

void TestLanguageModule::qtsOwnTextsFollowTheLanguage()
{
    QTemporaryDir dir;
    QVERIFY(QFile::copy(builtEnglish, dir.filePath(QStringLiteral("prog.ENG"))));
    QVERIFY(QFile::copy(builtPolish, dir.filePath(QStringLiteral("prog.PLK"))));
    LanguageModules modules(dir.filePath(QStringLiteral("prog")));
    QCOMPARE(modules.loadLanguageModule(1045), LanguageModules::Found::Loaded);
    modules.useLoadedModule();
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Anuluj"));
    QCOMPARE(modules.loadLanguageModule(2057), LanguageModules::Found::Loaded);
    modules.useLoadedModule();
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

QTEST_GUILESS_MAIN(TestLanguageModule)
#include "tst_languagemodule.moc"
