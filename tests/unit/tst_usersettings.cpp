// The settings value as the file gives it and takes it, without a window: the reading order and what a
// value that cannot be read leaves behind.

#include "core/usersettings.h"
#include "support/configuredsettings.h"
#include "support/temporaryprofile.h"

#include <QFile>
#include <QStringList>
#include <QTest>

#include <array>

class TestUserSettings : public QObject
{
    Q_OBJECT

private slots:
    void defaultsComeFromTheTable();
    void loading_data();
    void loading();
    void writtenValuesReadBack();
    void lineFormatKeys_data();
    void lineFormatKeys();
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
    settings.dataBits = 7;
    settings.parity = 2;
    settings.stopBits = 2;
    settings.flowControl = 1;
    SettingsStore store;
    writeUserSettings(store, settings);
    QVERIFY2(store.commit(), qPrintable(store.errorString()));

    const LoadedSettings loaded = loadUserSettings(SettingsStore());
    QVERIFY(!loaded.failedAt);
    QVERIFY(loaded.values == settings);
}

void TestUserSettings::lineFormatKeys_data()
{
    QTest::addColumn<SettingValues>("changes");
    QTest::addColumn<QString>("failedAt");
    QTest::addColumn<QList<int>>("format");
    QTest::addColumn<int>("comPort");

    const QList<int> eightNoneOne = {8, 0, 1, 0};
    // A file written before the line's frame could be chosen: the port runs as it always did.
    QTest::newRow("none stored") << SettingValues{{"ComPort", "3"}} << QString("-") << eightNoneOne << 3;
    QTest::newRow("all stored") << SettingValues{{"DataBits", "7"},
                                                 {"Parity", "1"},
                                                 {"StopBits", "2"},
                                                 {"FlowControl", "2"}}
                                << QString("-") << QList<int>{7, 1, 2, 2} << 1;
    QTest::newRow("some stored") << SettingValues{{"Parity", "2"}} << QString("-") << QList<int>{8, 2, 1, 0} << 1;
    // Outside the loading chain: an unreadable one is its default alone, and ends nothing.
    QTest::newRow("one unreadable") << SettingValues{{"ComPort", "4"}, {"DataBits", "seven"}, {"StopBits", "2"}}
                                    << QString("-") << QList<int>{8, 0, 2, 0} << 4;
    // Nor does a failed chain take them back to their defaults.
    QTest::newRow("stored, chain broken")
        << SettingValues{{"ComPort", "4"}, {"Baud", "fast"}, {"DataBits", "7"}, {"Parity", "1"}} << QString("Baud")
        << QList<int>{7, 1, 1, 0} << 1;
}

void TestUserSettings::lineFormatKeys()
{
    QFETCH(SettingValues, changes);
    QFETCH(QString, failedAt);
    QFETCH(QList<int>, format);
    QFETCH(int, comPort);

    const TemporaryProfile profile;
    QCOMPARE(writeConfiguredSettings(profile, QString(), changes), QSettings::NoError);
    const LoadedSettings loaded = loadUserSettings(SettingsStore());

    QCOMPARE(loaded.failedAt.value_or(QStringLiteral("-")), failedAt);
    QCOMPARE(loaded.values.comPort, comPort);
    const UserSettings& values = loaded.values;
    QCOMPARE((QList<int>{values.dataBits, values.parity, values.stopBits, values.flowControl}), format);
    // Apart from them, the file loads as it did before they existed.
    UserSettings withoutThem = values;
    withoutThem.restoreDefaults(
        std::array{Setting::DataBits, Setting::Parity, Setting::StopBits, Setting::FlowControl});
    SettingValues older;
    for (const auto& change : changes) {
        if (!QStringList{"DataBits", "Parity", "StopBits", "FlowControl"}.contains(change.first))
            older.append(change);
    }
    const TemporaryProfile olderProfile;
    QCOMPARE(writeConfiguredSettings(olderProfile, QString(), older), QSettings::NoError);
    QVERIFY(loadUserSettings(SettingsStore()).values == withoutThem);
}

QTEST_GUILESS_MAIN(TestUserSettings)
#include "tst_usersettings.moc"
