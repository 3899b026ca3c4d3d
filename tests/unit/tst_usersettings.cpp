// The settings value as the file gives it and takes it, without a window: the reading order and what a
// value that cannot be read leaves behind.

#include "core/usersettings.h"
#include "support/configuredsettings.h"
#include "support/temporaryprofile.h"

#include <QFile>
#include <QTest>

class TestUserSettings : public QObject
{
    Q_OBJECT

private slots:
    void defaultsComeFromTheTable();
    void loading_data();
    void loading();
    void writtenValuesReadBack();
};

void TestUserSettings::defaultsComeFromTheTable()
{
    const UserSettings defaults;
    QCOMPARE(defaults.comPort, 1);
    QCOMPARE(defaults.baudCode, 10);
    QCOMPARE(defaults.ethernetAddress, QStringLiteral("192.168.1.100"));
    QCOMPARE(defaults.ethernetPort, 1001);
    QCOMPARE(defaults.bufferSize, 4096);
    QCOMPARE(defaults.sendFields, QStringLiteral("0001100"));
    QCOMPARE(defaults.specialKeys, QStringLiteral("F7"));
    QVERIFY(defaults.typesIntoFocus() && !defaults.appendsToFile());
    QVERIFY(defaults.oneInstance && defaults.openOnStart && !defaults.portConfigured);
    for (const SettingDefinition& definition : SettingsTable) {
        const QVariant value = defaults.value(definition.setting);
        switch (definition.kind) {
        case SettingKind::Integer:
            QCOMPARE(value.toInt(), definition.defaultValue.integer);
            break;
        case SettingKind::Boolean:
            QCOMPARE(value.toBool(), definition.defaultValue.boolean);
            break;
        case SettingKind::String:
            QCOMPARE(value.toString(), QString(definition.defaultValue.text));
            break;
        }
    }
}

void TestUserSettings::loading_data()
{
    QTest::addColumn<SettingValues>("changes");
    QTest::addColumn<bool>("writeFile");
    QTest::addColumn<QString>("failedAt");
    QTest::addColumn<int>("comPort");
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("bufferSize");
    QTest::addColumn<bool>("portConfigured");
    QTest::addColumn<bool>("makerFormats");

    const SettingValues changed = {{"ComPort", "7"}, {"Language", "2057"}, {"BufferSize", "512"}};
    QTest::newRow("no file") << SettingValues() << false << QString("-") << 1 << int(LanguageModule::Polish) << 4096
                             << false << false;
    QTest::newRow("whole file") << changed << true << QString("-") << 7 << 2057 << 512 << true << false;
    QTest::newRow("later value there") << changed + SettingValues{{"MakerFormats", "1"}} << true << QString("-") << 7
                                       << 2057 << 512 << true << true;
    QTest::newRow("later value unreadable") << changed + SettingValues{{"MakerFormats", "yes"}} << true << QString("-")
                                            << 7 << 2057 << 512 << true << false;
    // The language, read before the failure and no default of either page, stays; the port goes back.
    QTest::newRow("unreadable after the language")
        << changed + SettingValues{{"RepeatTime", "x"}, {"MakerFormats", "1"}} << true << QString("RepeatTime") << 1
        << 2057 << 4096 << false << true;
    QTest::newRow("unreadable first value")
        << changed + SettingValues{{"Connection", "serial"}} << true << QString("Connection") << 1
        << int(LanguageModule::Polish) << 4096 << false << false;
}

void TestUserSettings::loading()
{
    QFETCH(SettingValues, changes);
    QFETCH(bool, writeFile);
    QFETCH(QString, failedAt);
    QFETCH(int, comPort);
    QFETCH(int, language);
    QFETCH(int, bufferSize);
    QFETCH(bool, portConfigured);
    QFETCH(bool, makerFormats);

    const TemporaryProfile profile;
    if (writeFile)
        QCOMPARE(writeConfiguredSettings(profile, QStringLiteral("/tmp/out.txt"), changes), QSettings::NoError);
    const LoadedSettings loaded = loadUserSettings(SettingsStore());

    QCOMPARE(loaded.fileFound, writeFile);
    QCOMPARE(loaded.failedAt.value_or(QStringLiteral("-")), failedAt);
    QCOMPARE(loaded.values.comPort, comPort);
    QCOMPARE(loaded.values.language, language);
    QCOMPARE(loaded.values.bufferSize, bufferSize);
    QCOMPARE(loaded.values.portConfigured, portConfigured);
    QCOMPARE(loaded.values.makerFormats, makerFormats);
    // The output file is among what a failed reading falls back from.
    QCOMPARE(loaded.values.outputFile, writeFile && failedAt == "-" ? QStringLiteral("/tmp/out.txt") : QString());
}

void TestUserSettings::writtenValuesReadBack()
{
    const TemporaryProfile profile;
    UserSettings settings;
    settings.connection = 1;
    settings.ethernetAddress = QStringLiteral("scale.local");
    settings.destination = 3;
    settings.outputFile = QStringLiteral("/tmp/a, b.txt");
    settings.tareKeysOn = true;
    settings.remoteDesktopToken = QStringLiteral("token");
    SettingsStore store;
    writeUserSettings(store, settings);
    QVERIFY2(store.commit(), qPrintable(store.errorString()));

    const LoadedSettings loaded = loadUserSettings(SettingsStore());
    QVERIFY(!loaded.failedAt);
    QVERIFY(loaded.values == settings);
}

QTEST_GUILESS_MAIN(TestUserSettings)
#include "tst_usersettings.moc"
