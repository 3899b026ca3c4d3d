#include "platform/autostartentry.h"
#include "support/filecontents.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A stand-in for the program: a script that writes the path it was started under, so a launch through
// the entry shows which file the desktop would have started.
void writeRecordingProgram(const QString& path, const QString& record)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    QFile script(path);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s' \"$0\" > '" + QFile::encodeName(record) + "'\n");
    script.close();
    QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

// Runs a tool to its end and gives its exit code, with what it printed beside it for the failure text.
int run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(30000))
        return -1;
    if (output)
        *output = process.readAll();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

class TestAutoStartEntry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void desktopStartsThePathWritten_data();
    void desktopStartsThePathWritten();
    void entryFollowsTheSwitch();
    void pathNoEntryCanHoldWritesNothing();
    void failuresAreSwallowed();

private:
    QTemporaryDir m_dir;
};

void TestAutoStartEntry::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (const char* tool : {"gio", "desktop-file-validate"})
        QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(), tool);
}

void TestAutoStartEntry::desktopStartsThePathWritten_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("plain") << QStringLiteral("opt/kwelta");
    QTest::newRow("space") << QStringLiteral("my scales/kwelta");
    QTest::newRow("space and percent") << QStringLiteral("my scales 100%/kwelta");
    QTest::newRow("a field code look-alike") << QStringLiteral("100%f/kwelta");
    QTest::newRow("shell characters") << QStringLiteral("a\"b'c$HOME`d`;e&f|g(h)*?#~<>/kwelta");
    QTest::newRow("backslashes") << QStringLiteral("back\\slash\\\\two/kwelta");
    QTest::newRow("tab and newline") << QStringLiteral("tab\there\nnew line/kwelta");
    QTest::newRow("not ASCII") << QStringLiteral("wagi Łódź µg/kwelta");
}

// The round trip through the readers the desktops use: desktop-file-validate accepts the entry, and
// GLib's launcher (GNOME's session starts the list with it) starts exactly the program written into it.
void TestAutoStartEntry::desktopStartsThePathWritten()
{
    QFETCH(QString, folder);
    const QString program = m_dir.filePath(QStringLiteral("programs/") + folder);
    const QString record = m_dir.filePath(QStringLiteral("started"));
    QFile::remove(record);
    writeRecordingProgram(program, record);
    const QString list = m_dir.filePath(QStringLiteral("autostart"));

    AutoStartEntry entry(program, list);
    entry.setAutoRun(true);
    QCOMPARE(entry.entryFile(), list + QStringLiteral("/kwelta.desktop"));
    QVERIFY(QFile::exists(entry.entryFile()));

    QByteArray output;
    QVERIFY2(run(QStringLiteral("desktop-file-validate"), {entry.entryFile()}, &output) == 0, output.constData());
    QVERIFY2(output.trimmed().isEmpty(), output.constData());
    QVERIFY2(run(QStringLiteral("gio"), {QStringLiteral("launch"), entry.entryFile()}, &output) == 0,
             output.constData());
    QTRY_VERIFY_WITH_TIMEOUT(!fileContents(record).isEmpty(), 10000);
    QCOMPARE(QFile::decodeName(fileContents(record)), program);
}

void TestAutoStartEntry::entryFollowsTheSwitch()
{
    const QString list = m_dir.filePath(QStringLiteral("switch"));
    AutoStartEntry entry(QStringLiteral("/usr/lib/kwelta/kwelta"), list);
    QCOMPARE(entry.objectName(), QStringLiteral("abfAutoRun1"));
    QVERIFY(!entry.AutoRun());

    entry.setAutoRun(true);
    QVERIFY(QFile::exists(entry.entryFile()));
    // Written again whole when something else changed it in between.
    QVERIFY(QFile::remove(entry.entryFile()));
    entry.addAutoRunEntry();
    QVERIFY(fileContents(entry.entryFile()).contains("\nExec=/usr/lib/kwelta/kwelta\n"));

    entry.setAutoRun(false);
    QVERIFY(!QFile::exists(entry.entryFile()));
    // Applying the switch while it is off removes an entry whoever wrote it.
    QFile stale(entry.entryFile());
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.close();
    entry.addAutoRunEntry();
    QVERIFY(!QFile::exists(entry.entryFile()));
}

void TestAutoStartEntry::pathNoEntryCanHoldWritesNothing()
{
    const QString list = m_dir.filePath(QStringLiteral("unholdable"));
    for (const QString& program : {QStringLiteral("/opt/bell\a/kwelta"), QStringLiteral("/opt/\uFFFD/kwelta")}) {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("No start-up entry can hold")));
        AutoStartEntry entry(program, list);
        entry.setAutoRun(true);
        QVERIFY(entry.AutoRun());
        QVERIFY(!QFile::exists(entry.entryFile()));
    }
}

// Neither a list folder that cannot be made nor an entry that cannot be removed stops the program or
// changes the switch; only the log says why.
void TestAutoStartEntry::failuresAreSwallowed()
{
    const QString blocker = m_dir.filePath(QStringLiteral("a file"));
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Cannot create the start-up folder")));
    AutoStartEntry unwritable(QStringLiteral("/usr/lib/kwelta/kwelta"), blocker + QStringLiteral("/autostart"));
    unwritable.setAutoRun(true);
    QVERIFY(unwritable.AutoRun());

    // A folder in the entry's place cannot be removed as a file.
    const QString list = m_dir.filePath(QStringLiteral("occupied"));
    AutoStartEntry occupied(QStringLiteral("/usr/lib/kwelta/kwelta"), list);
    QVERIFY(QDir().mkpath(occupied.entryFile() + QStringLiteral("/inside")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Cannot remove the start-up entry")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Cannot remove the start-up entry")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Cannot write the start-up entry")));
    occupied.setAutoRun(true);
    QVERIFY(occupied.AutoRun());
    QVERIFY(QFileInfo(occupied.entryFile()).isDir());
}

QTEST_GUILESS_MAIN(TestAutoStartEntry)
#include "tst_autostartentry.moc"
