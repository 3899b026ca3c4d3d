// The settings store against the file as a person or an older run could have left it, and the
// one-instance flag the program entry reads from it.

#include "core/settingsstore.h"
#include "support/filecontents.h"
#include "support/filesizelimit.h"
#include "support/temporaryprofile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <algorithm>
#include <set>

namespace {

void writeFile(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(text), text.size());
}

// The value a read gave, as the test tables write it: an invalid QVariant for a failed read.
QVariant readAsVariant(const SettingsStore& store, Setting setting)
{
    switch (settingDefinition(setting).kind) {
    case SettingKind::Integer:
        if (const auto value = store.readInteger(setting))
            return *value;
        break;
    case SettingKind::Boolean:
        if (const auto value = store.readBoolean(setting))
            return *value;
        break;
    case SettingKind::String:
        if (const auto value = store.readString(setting))
            return *value;
        break;
    }
    return QVariant();
}

} // namespace

Q_DECLARE_METATYPE(Setting)

class TestSettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void writeThenRead_data();
    void writeThenRead();
    void failedWriteIsReported();
    void writeCutShortLeavesTheOldFileWhole();
    void commitKeepsValuesOutsideTheTable();
    void unreadableFileIsKeptNeverOverwritingAnEarlierCopy();
    void readOnlyOneInstance_data();
    void readOnlyOneInstance();
    void fileFollowsTheCurrentProfile();
    void valueTable();
};

void TestSettingsStore::read_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<Setting>("setting");
    QTest::addColumn<QVariant>("expected");

    const QVariant fails;
    QTest::newRow("integer") << QByteArray("[General]\nBaud=10\n") << Setting::Baud << QVariant(10);
    QTest::newRow("negative integer") << QByteArray("[General]\nReportDataDelay=-1\n") << Setting::ReportDataDelay
                                      << QVariant(-1);
    QTest::newRow("leading zeros") << QByteArray("[General]\nEthPort=001001\n") << Setting::EthPort << QVariant(1001);
    QTest::newRow("largest integer") << QByteArray("[General]\nBufferSize=2147483647\n") << Setting::BufferSize
                                     << QVariant(2147483647);
    QTest::newRow("smallest integer") << QByteArray("[General]\nBufferSize=-2147483648\n") << Setting::BufferSize
                                      << QVariant(-2147483647 - 1);
    QTest::newRow("above 32 bits") << QByteArray("[General]\nBufferSize=2147483648\n") << Setting::BufferSize << fails;
    QTest::newRow("below 32 bits") << QByteArray("[General]\nBufferSize=-2147483649\n") << Setting::BufferSize << fails;
    QTest::newRow("spaces around an unquoted number")
        << QByteArray("[General]\nEthPort = 1001 \n") << Setting::EthPort << QVariant(1001);
    QTest::newRow("space inside quotes") << QByteArray("[General]\nEthPort=\" 1001\"\n") << Setting::EthPort << fails;
    QTest::newRow("plus sign") << QByteArray("[General]\nEthPort=+1001\n") << Setting::EthPort << fails;
    QTest::newRow("hex") << QByteArray("[General]\nEthPort=0x10\n") << Setting::EthPort << fails;
    QTest::newRow("fraction") << QByteArray("[General]\nRepeatTime=1.5\n") << Setting::RepeatTime << fails;
    QTest::newRow("trailing text") << QByteArray("[General]\nRepeatTime=12x\n") << Setting::RepeatTime << fails;
    QTest::newRow("minus alone") << QByteArray("[General]\nRepeatTime=-\n") << Setting::RepeatTime << fails;
    QTest::newRow("empty integer") << QByteArray("[General]\nLanguage=\n") << Setting::Language << fails;
    QTest::newRow("integer list") << QByteArray("[General]\nLanguage=1045, 2057\n") << Setting::Language << fails;
    QTest::newRow("missing integer") << QByteArray("[General]\nBaud=10\n") << Setting::Connection << fails;
    QTest::newRow("integer in another section")
        << QByteArray("[Other]\nConnection=1\n") << Setting::Connection << fails;

    QTest::newRow("boolean 1") << QByteArray("[General]\nAutoRun=1\n") << Setting::AutoRun << QVariant(true);
    QTest::newRow("boolean 0") << QByteArray("[General]\nAutoRun=0\n") << Setting::AutoRun << QVariant(false);
    QTest::newRow("boolean 2") << QByteArray("[General]\nAutoRun=2\n") << Setting::AutoRun << QVariant(true);
    QTest::newRow("boolean -1") << QByteArray("[General]\nAutoRun=-1\n") << Setting::AutoRun << QVariant(true);
    QTest::newRow("boolean text true") << QByteArray("[General]\nAutoRun=true\n") << Setting::AutoRun << fails;
    QTest::newRow("boolean text false") << QByteArray("[General]\nAutoRun=false\n") << Setting::AutoRun << fails;
    QTest::newRow("missing boolean") << QByteArray("[General]\nBaud=10\n") << Setting::RepeatRead << fails;

    QTest::newRow("string") << QByteArray("[General]\nEthIP=10.0.0.7\n") << Setting::EthIP
                            << QVariant(QStringLiteral("10.0.0.7"));
    QTest::newRow("digits as a string") << QByteArray("[General]\nSpecialOrder=12\n") << Setting::SpecialOrder
                                        << QVariant(QStringLiteral("12"));
    QTest::newRow("empty string") << QByteArray("[General]\nOutputFile=\n") << Setting::OutputFile
                                  << QVariant(QString());
    QTest::newRow("missing string is empty")
        << QByteArray("[General]\nBaud=10\n") << Setting::EthIP << QVariant(QString());
    QTest::newRow("quoted comma") << QByteArray("[General]\nResultFormat=\"0,00\"\n") << Setting::ResultFormat
                                  << QVariant(QStringLiteral("0,00"));
    QTest::newRow("unquoted comma is a list")
        << QByteArray("[General]\nResultFormat=0, 00\n") << Setting::ResultFormat << fails;
    QTest::newRow("byte array") << QByteArray("[General]\nSpecialOrder=@ByteArray(Sx1)\n") << Setting::SpecialOrder
                                << fails;
    QTest::newRow("UTF-8 string") << QByteArray("[General]\nOutputFile=/home/ewa/wa\xc5\xbc\xc4\x85 \xe2\x82\xac.csv\n")
                                  << Setting::OutputFile << QVariant(QStringLiteral("/home/ewa/ważą €.csv"));

    QTest::newRow("no file, integer") << QByteArray() << Setting::Connection << fails;
    QTest::newRow("no file, boolean") << QByteArray() << Setting::OnlyOneInstance << fails;
    QTest::newRow("no file, string") << QByteArray() << Setting::EthIP << QVariant(QString());
}

void TestSettingsStore::read()
{
    QFETCH(QByteArray, ini);
    QFETCH(Setting, setting);
    QFETCH(QVariant, expected);

    const TemporaryProfile profile;
    const QString path = SettingsStore::defaultFilePath();
    if (!ini.isNull())
        writeFile(path, ini);

    const SettingsStore store;
    QCOMPARE(store.opens(), !ini.isNull());
    QCOMPARE(readAsVariant(store, setting), expected);
    if (ini.isNull()) {
        QVERIFY2(!QFileInfo::exists(QFileInfo(path).path()), "reading created the settings folder");
        QVERIFY2(!QFileInfo::exists(path), "reading created the settings file");
    }
}

void TestSettingsStore::writeThenRead_data()
{
    QTest::addColumn<Setting>("setting");
    QTest::addColumn<QVariant>("value");
    // The line the file must hold; empty where only the way back matters.
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("true is 1") << Setting::OnlyOneInstance << QVariant(true) << QByteArray("OnlyOneInstance=1");
    QTest::newRow("false is 0") << Setting::SetResultFormat << QVariant(false) << QByteArray("SetResultFormat=0");
    QTest::newRow("negative integer") << Setting::ReportDataDelay << QVariant(-1) << QByteArray("ReportDataDelay=-1");
    QTest::newRow("largest integer") << Setting::BufferSize << QVariant(2147483647)
                                     << QByteArray("BufferSize=2147483647");
    QTest::newRow("smallest integer") << Setting::Language << QVariant(-2147483647 - 1)
                                      << QByteArray("Language=-2147483648");
    QTest::newRow("comma") << Setting::ResultFormat << QVariant(QStringLiteral("0,00")) << QByteArray();
    QTest::newRow("comma and space") << Setting::EthIP << QVariant(QStringLiteral("a, b")) << QByteArray();
    QTest::newRow("lone comma") << Setting::SpecialOrder << QVariant(QStringLiteral(",")) << QByteArray();
    QTest::newRow("quotes") << Setting::SpecialOrder << QVariant(QStringLiteral("say \"P\"")) << QByteArray();
    QTest::newRow("leading @") << Setting::OutputFile << QVariant(QStringLiteral("@home/out.txt")) << QByteArray();
    QTest::newRow("looks like a typed value")
        << Setting::OutputFile << QVariant(QStringLiteral("@Invalid()")) << QByteArray();
    QTest::newRow("non-ASCII") << Setting::OutputFile << QVariant(QStringLiteral("/home/łukasz/wagi €.csv"))
                               << QByteArray();
    QTest::newRow("empty") << Setting::EthIP << QVariant(QString()) << QByteArray("EthIP=");
    QTest::newRow("surrounding spaces") << Setting::SendFields << QVariant(QStringLiteral("  0001100 "))
                                        << QByteArray();
    QTest::newRow("comment characters") << Setting::ResultFormat << QVariant(QStringLiteral("0;#0 = x"))
                                        << QByteArray();
    QTest::newRow("backslash and control characters")
        << Setting::OutputFile << QVariant(QStringLiteral("C:\\wagi\\\tx\ny")) << QByteArray();
    QTest::newRow("section header") << Setting::SpecialShortCut << QVariant(QStringLiteral("[General]"))
                                    << QByteArray();
}

void TestSettingsStore::writeThenRead()
{
    QFETCH(Setting, setting);
    QFETCH(QVariant, value);
    QFETCH(QByteArray, line);

    QByteArray text;
    {
        const TemporaryProfile profile;
        SettingsStore store;
        switch (settingDefinition(setting).kind) {
        case SettingKind::Integer:
            store.writeInteger(setting, value.toInt());
            break;
        case SettingKind::Boolean:
            store.writeBoolean(setting, value.toBool());
            break;
        case SettingKind::String:
            store.writeString(setting, value.toString());
            break;
        }
        QVERIFY(store.commit());
        text = fileContents(store.filePath());
    }
    if (!line.isEmpty())
        QVERIFY2(text.split('\n').contains(line), text.constData());

    // Read from a copy in another profile: QSettings keeps a cache per file within the process, which
    // would hand back what was written without ever parsing the file's text.
    const TemporaryProfile other;
    writeFile(SettingsStore::defaultFilePath(), text);
    const SettingsStore reread;
    QCOMPARE(readAsVariant(reread, setting), value);
}

void TestSettingsStore::failedWriteIsReported()
{
    const TemporaryProfile profile;
    const QString path = SettingsStore::defaultFilePath();
    // A plain file where the settings folder belongs: no folder can be made, even with root rights.
    writeFile(QFileInfo(path).path(), "in the way");

    SettingsStore store;
    store.writeBoolean(Setting::OnlyOneInstance, false);
    QVERIFY(!store.commit());
    QVERIFY(!QFileInfo::exists(path));
}

// A disk that fills up while the settings are written: the file stays as it was, and no other is left.
void TestSettingsStore::writeCutShortLeavesTheOldFileWhole()
{
    const TemporaryProfile profile;
    const QString path = SettingsStore::defaultFilePath();
    const QByteArray before("[General]\nBufferSize=512\n");
    writeFile(path, before);

    SettingsStore store;
    for (const SettingDefinition& definition : SettingsTable)
        store.writeString(definition.setting, QStringLiteral("a value long enough to pass the limit"));
    bool committed = true;
    {
        FileSizeLimit limit(64);
        QVERIFY(limit.isActive());
        committed = store.commit();
    }
    QVERIFY(!committed);
    QVERIFY(!store.errorString().isEmpty());
    QCOMPARE(fileContents(path), before);
    QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files), QStringList{QFileInfo(path).fileName()});
}

// Values another version of the program wrote, or the user added, outlive a close of this one.
void TestSettingsStore::commitKeepsValuesOutsideTheTable()
{
    const TemporaryProfile profile;
    const QString path = SettingsStore::defaultFilePath();
    writeFile(path, "[General]\nBufferSize=512\nSomethingNewer=7\n");
    {
        SettingsStore store;
        store.writeInteger(Setting::BufferSize, 1024);
        QVERIFY(store.commit());
    }
    const QByteArray text = fileContents(path);
    QVERIFY2(text.contains("SomethingNewer=7"), text.constData());
    QVERIFY2(text.contains("BufferSize=1024"), text.constData());
}

void TestSettingsStore::unreadableFileIsKeptNeverOverwritingAnEarlierCopy()
{
    const TemporaryProfile profile;
    const QString path = SettingsStore::defaultFilePath();
    QVERIFY(!SettingsStore().keepCopy());

    writeFile(path, "[General]\nBaud=99999999999999\n");
    const std::optional<QString> first = SettingsStore().keepCopy();
    QCOMPARE(first, path + QStringLiteral(".unreadable"));
    // Another copy starting meanwhile still reads the file where it was.
    QCOMPARE(fileContents(path), QByteArray("[General]\nBaud=99999999999999\n"));

    // What the close writes goes to a new file; the kept one is not touched.
    SettingsStore store;
    store.writeInteger(Setting::Baud, 10);
    QVERIFY(store.commit());
    QCOMPARE(fileContents(*first), QByteArray("[General]\nBaud=99999999999999\n"));

    writeFile(path, "[General]\nBufferSize=abc\n");
    const std::optional<QString> second = SettingsStore().keepCopy();
    QCOMPARE(second, path + QStringLiteral(".unreadable.1"));
    QCOMPARE(fileContents(*first), QByteArray("[General]\nBaud=99999999999999\n"));
    QCOMPARE(fileContents(*second), QByteArray("[General]\nBufferSize=abc\n"));
}

void TestSettingsStore::readOnlyOneInstance_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<bool>("expected");

    QTest::newRow("no file") << QByteArray() << false;
    QTest::newRow("stored false") << QByteArray("[General]\nOnlyOneInstance=0\n") << false;
    QTest::newRow("stored true") << QByteArray("[General]\nOnlyOneInstance=1\n") << true;
    QTest::newRow("non-zero") << QByteArray("[General]\nOnlyOneInstance=5\n") << true;
    QTest::newRow("value missing") << QByteArray("[General]\nConnection=0\n") << true;
    QTest::newRow("empty file") << QByteArray("") << true;
    QTest::newRow("text false is unreadable") << QByteArray("[General]\nOnlyOneInstance=false\n") << true;
}

void TestSettingsStore::readOnlyOneInstance()
{
    QFETCH(QByteArray, ini);
    QFETCH(bool, expected);

    const TemporaryProfile profile;
    if (!ini.isNull())
        writeFile(SettingsStore::defaultFilePath(), ini);
    QCOMPARE(::readOnlyOneInstance(), expected);
}

void TestSettingsStore::fileFollowsTheCurrentProfile()
{
    QString first;
    {
        const TemporaryProfile profile;
        first = SettingsStore::defaultFilePath();
        QCOMPARE(first, profile.path() + QStringLiteral("/config/Ostrel/Kwelta.conf"));
        SettingsStore store;
        store.writeInteger(Setting::Connection, 1);
        QVERIFY(store.commit());
    }
    const TemporaryProfile second;
    const QString path = SettingsStore::defaultFilePath();
    QVERIFY(path.startsWith(second.path()));
    QVERIFY(!SettingsStore().opens());
}

void TestSettingsStore::valueTable()
{
    std::set<QString> names;
    for (const SettingDefinition& definition : SettingsTable)
        names.insert(QString(definition.name));
    QCOMPARE(names.size(), SettingCount);

    // Ticking a hot-key check registers the combination its control shows, so each combination has
    // to be in place before its check is read.
    const std::pair<Setting, Setting> combinationBeforeCheck[] = {{Setting::SpecialShortCut, Setting::SpecialCheck},
                                                                  {Setting::TareShortCut, Setting::TareCheck},
                                                                  {Setting::ZeroShortCut, Setting::ZeroCheck},
                                                                  {Setting::PrintShortCut, Setting::PrintCheck}};
    for (const auto& [combination, check] : combinationBeforeCheck)
        QVERIFY(combination < check);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
