// "script.txt" keeps its bytes: nothing rewrites it unless the script was changed, and a failed write
// leaves the old file whole and says so.
#include "core/scriptfile.h"
#include "support/filecontents.h"
#include "support/filesizelimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestScriptFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void bytesThatAreNotUtf8SurviveUnchanged();
    void changedScriptIsWrittenAsUtf8WithCrLf();
    void missingFileTakesWhatTheMemoHolds();
    void failedWriteKeepsTheOldFileAndSaysWhy();

private:
    QString write(const QByteArray& bytes);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestScriptFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

QString TestScriptFile::write(const QByteArray& bytes)
{
    const QString path = m_dir->filePath(QStringLiteral("script.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestScriptFile::bytesThatAreNotUtf8SurviveUnchanged()
{
    const QByteArray original("Masa :m \xB5g\r\nNr :c\r\n");
    const QString path = write(original);
    ScriptFile script(path);
    QVERIFY(script.load());

    QCOMPARE(script.text(), QStringLiteral("Masa :m µg\nNr :c"));
    QCOMPARE(script.bytesFor(script.text()), QByteArray("Masa :m \xB5g\nNr :c"));
    QVERIFY(script.save(script.text()));
    QCOMPARE(fileContents(path), original);

    // Reloading what was never written changes nothing either.
    ScriptFile again(path);
    QVERIFY(again.load());
    QVERIFY(again.save(again.text()));
    QCOMPARE(fileContents(path), original);
}

void TestScriptFile::changedScriptIsWrittenAsUtf8WithCrLf()
{
    const QString path = write("Masa :m \xB5g\r\n");
    ScriptFile script(path);
    QVERIFY(script.load());

    const QString changed = QStringLiteral("Masa :m µg\nSuma :s");
    QVERIFY(script.save(changed));
    QCOMPARE(fileContents(path), QByteArray("Masa :m \xC2\xB5g\r\nSuma :s\r\n"));
    QCOMPARE(script.bytesFor(changed), QByteArray("Masa :m \xC2\xB5g\nSuma :s"));
}

void TestScriptFile::missingFileTakesWhatTheMemoHolds()
{
    const QString path = m_dir->filePath(QStringLiteral("script.txt"));
    ScriptFile script(path);
    QVERIFY(script.load());
    QVERIFY(!script.exists());
    QVERIFY(script.save(QStringLiteral(":m")));
    QCOMPARE(fileContents(path), QByteArray(":m\r\n"));
}

// A disk that fills up while the new script is written.
void TestScriptFile::failedWriteKeepsTheOldFileAndSaysWhy()
{
    const QByteArray original(":m \xB5g\r\n");
    const QString path = write(original);
    ScriptFile script(path);
    QVERIFY(script.load());

    bool saved = true;
    {
        FileSizeLimit limit(4);
        QVERIFY(limit.isActive());
        saved = script.save(QStringLiteral("Masa :m\nSuma :s"));
    }
    QVERIFY(!saved);
    QVERIFY(!script.errorString().isEmpty());
    QCOMPARE(fileContents(path), original);
    QVERIFY(QDir(m_dir->path()).entryList(QDir::Files) == QStringList{QStringLiteral("script.txt")});
}

QTEST_GUILESS_MAIN(TestScriptFile)
#include "tst_scriptfile.moc"
