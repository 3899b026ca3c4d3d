#include "core/languagemodule.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The modules the build puts beside the program.
const QString builtEnglish = QStringLiteral(KWELTA_PROGRAM_PATH ".ENG");
const QString builtPolish = QStringLiteral(KWELTA_PROGRAM_PATH ".PLK");

class TestLanguageModule : public QObject
{
    Q_OBJECT

private slots:
    void onlyEnglishAndPolishAreOffered_data();
    void onlyEnglishAndPolishAreOffered();
    void fileNamesFollowTheProgram_data();
    void fileNamesFollowTheProgram();
    void loadsTheModuleOfTheLanguage_data();
    void loadsTheModuleOfTheLanguage();
    void aMissingModuleChangesNothing();
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

void TestLanguageModule::fileNamesFollowTheProgram_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("no extension, English")
        << "/opt/kwelta/kwelta" << 2057 << QStringList{"/opt/kwelta/kwelta.ENG", "/opt/kwelta/kwelta.EN"};
    QTest::newRow("no extension, Polish")
        << "/opt/kwelta/kwelta" << 1045 << QStringList{"/opt/kwelta/kwelta.PLK", "/opt/kwelta/kwelta.PL"};
    QTest::newRow("other identifier is Polish")
        << "/opt/kwelta/kwelta" << 1031 << QStringList{"/opt/kwelta/kwelta.PLK", "/opt/kwelta/kwelta.PL"};
    QTest::newRow("dot in a folder name")
        << "/home/ala/kwelta-1.15.d/kwelta" << 2057
        << QStringList{"/home/ala/kwelta-1.15.d/kwelta.ENG", "/home/ala/kwelta-1.15.d/kwelta.EN"};
    QTest::newRow("extension replaced") << "/opt/bin/kwelta.bin" << 1045
                                        << QStringList{"/opt/bin/kwelta.PLK", "/opt/bin/kwelta.PL"};
    QTest::newRow("only the last extension")
        << "/opt/bin/kwelta.1.15" << 2057 << QStringList{"/opt/bin/kwelta.1.ENG", "/opt/bin/kwelta.1.EN"};
}

void TestLanguageModule::fileNamesFollowTheProgram()
{
    QFETCH(QString, program);
    QFETCH(int, language);
    QFETCH(QStringList, files);
    QCOMPARE(LanguageModule::fileNames(program, language), files);
}

void TestLanguageModule::loadsTheModuleOfTheLanguage_data()
{
    QTest::addColumn<QString>("builtModule");
    QTest::addColumn<QString>("installedAs");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("openPort");
    QTest::newRow("ENG") << builtEnglish << "prog.ENG" << 2057 << "Open port";
    QTest::newRow("EN only") << builtEnglish << "prog.EN" << 2057 << "Open port";
    QTest::newRow("PLK") << builtPolish << "prog.PLK" << 1045 << "Otwórz port";
    QTest::newRow("PL only") << builtPolish << "prog.PL" << 0 << "Otwórz port";
}

void TestLanguageModule::loadsTheModuleOfTheLanguage()
{
    QFETCH(QString, builtModule);
    QFETCH(QString, installedAs);
    QFETCH(int, language);
    QFETCH(QString, openPort);
    QTemporaryDir dir;
    QVERIFY(QFile::copy(builtModule, dir.filePath(installedAs)));

    LanguageModules modules(dir.filePath(QStringLiteral("prog")));
    QVERIFY(modules.LoadLanguageModule(language));
    modules.UseResourceModule();
    QCOMPARE(modules.loadedFile(), dir.filePath(installedAs));
    QCOMPARE(QCoreApplication::translate("TMainForm", "Otwórz port"), openPort);
}

void TestLanguageModule::aMissingModuleChangesNothing()
{
    QTemporaryDir dir;
    QVERIFY(QFile::copy(builtEnglish, dir.filePath(QStringLiteral("prog.ENG"))));
    LanguageModules modules(dir.filePath(QStringLiteral("prog")));
    QVERIFY(modules.LoadLanguageModule(2057));
    modules.UseResourceModule();

    QVERIFY(!modules.LoadLanguageModule(1045));
    modules.UseResourceModule();
    QCOMPARE(modules.loadedFile(), dir.filePath(QStringLiteral("prog.ENG")));
    QCOMPARE(QCoreApplication::translate("TMainForm", "Otwórz port"), QStringLiteral("Open port"));
}

void TestLanguageModule::theNextModuleReplacesThePrevious()
{
    QTemporaryDir dir;
    QVERIFY(QFile::copy(builtEnglish, dir.filePath(QStringLiteral("prog.ENG"))));
    QVERIFY(QFile::copy(builtPolish, dir.filePath(QStringLiteral("prog.PLK"))));
    {
        LanguageModules modules(dir.filePath(QStringLiteral("prog")));
        QVERIFY(modules.LoadLanguageModule(2057));
        modules.UseResourceModule();
        QVERIFY(modules.LoadLanguageModule(1045));
        modules.UseResourceModule();
        // The German design-time caption has a Polish text only in the Polish module.
        QCOMPARE(QCoreApplication::translate("TMainForm", "&Statistik"), QStringLiteral("&Statystyka"));
        QVERIFY(modules.LoadLanguageModule(2057));
        modules.UseResourceModule();
        QCOMPARE(QCoreApplication::translate("TMainForm", "&Statistik"), QStringLiteral("&Statistics"));
    }
    // Nothing stays installed once the modules are gone.
    QCOMPARE(QCoreApplication::translate("TMainForm", "&Statistik"), QStringLiteral("&Statistik"));
}

void TestLanguageModule::qtsOwnTextsFollowTheLanguage()
{
    QTemporaryDir dir;
    QVERIFY(QFile::copy(builtEnglish, dir.filePath(QStringLiteral("prog.ENG"))));
    QVERIFY(QFile::copy(builtPolish, dir.filePath(QStringLiteral("prog.PLK"))));
    LanguageModules modules(dir.filePath(QStringLiteral("prog")));
    QVERIFY(modules.LoadLanguageModule(1045));
    modules.UseResourceModule();
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Anuluj"));
    QVERIFY(modules.LoadLanguageModule(2057));
    modules.UseResourceModule();
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

QTEST_GUILESS_MAIN(TestLanguageModule)
#include "tst_languagemodule.moc"
