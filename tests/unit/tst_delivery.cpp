#include "processing/delivery.h"
#include "processing/processingoptions.h"
#include "support/filecontents.h"
#include "support/filesizelimit.h"
#include "support/recordingkeyboard.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

class TestDelivery : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void typesKeyEvents_data();
    void typesKeyEvents();
    void capsLockIsNeutralisedForTheBurst();
    void nothingIsTypedIntoOurOwnWindow();
    void sendKeyCode();
    void appendsToTheFile();
    void failedAppendIsReportedOnce_data();
    void failedAppendIsReportedOnce();
    void aSuccessEndsARunOfFailures();
    void fifoWithoutReaderIsRefusedWithoutWaiting();
    void failedAppendLeavesNoHalfRecord();

private:
    ProcessingOptions m_options;
    RecordingKeyboard m_keyboard;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestDelivery::init()
{
    m_options = ProcessingOptions();
    m_keyboard = RecordingKeyboard();
    m_keyboard.setChord(U'ą', QStringLiteral("a"), false, true);
    m_keyboard.setChord(U'Ą', QStringLiteral("a"), true, true);
    m_keyboard.setChord(U'µ', QStringLiteral("m"), false, true);
    m_dir = std::make_unique<QTemporaryDir>();
    m_options.outputFile = m_dir->filePath(QStringLiteral("out.txt"));
}

void TestDelivery::typesKeyEvents_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("events");

    QTest::newRow("result line, LF types nothing")
        << QByteArray("12.5\tkg\r\n") << QStringList{"+1",   "-1",   "+2", "-2", "+.", "-.", "+5",      "-5",
                                                     "+Tab", "-Tab", "+k", "-k", "+g", "-g", "+Return", "-Return"};
    QTest::newRow("shifted letter") << QByteArray("aB") << QStringList{"+a", "-a", "+Shift", "+b", "-b", "-Shift"};
    QTest::newRow("AltGr letter, UTF-8") << QByteArray("\xC4\x85") << QStringList{"+AltGr", "+a", "-a", "-AltGr"};
    QTest::newRow("Shift and AltGr") << QByteArray("\xC4\x84")
                                     << QStringList{"+Shift", "+AltGr", "+a", "-a", "-AltGr", "-Shift"};
    QTest::newRow("ISO 8859-1 byte") << QByteArray("\xB5") << QStringList{"+AltGr", "+m", "-m", "-AltGr"};
    QTest::newRow("missing character skipped") << QByteArray("a\xE2\x82\xAC"
                                                             "b")
                                               << QStringList{"+a", "-a", "+b", "-b"};
    QTest::newRow("code 1 is its plain letter key") << QByteArray("\x01\x1A") << QStringList{"+a", "-a", "+z", "-z"};
    QTest::newRow("escape, backspace, delete")
        << QByteArray("\x1B\x08\x7F")
        << QStringList{"+Escape", "-Escape", "+BackSpace", "-BackSpace", "+BackSpace", "-BackSpace"};
    QTest::newRow("empty text") << QByteArray() << QStringList{};
}

void TestDelivery::typesKeyEvents()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, events);

    Delivery(m_options, m_keyboard).typeText(text);
    QCOMPARE(m_keyboard.events, events);
}

void TestDelivery::capsLockIsNeutralisedForTheBurst()
{
    m_keyboard.capsLock = true;
    Delivery(m_options, m_keyboard).typeText("Ab");

    QCOMPARE(m_keyboard.events,
             (QStringList{"+Caps", "-Caps", "+Shift", "+a", "-a", "-Shift", "+b", "-b", "+Caps", "-Caps"}));
    QCOMPARE(m_keyboard.typedText(), QStringLiteral("Ab"));
    QVERIFY(m_keyboard.capsLock);
}

void TestDelivery::nothingIsTypedIntoOurOwnWindow()
{
    Delivery delivery(m_options, m_keyboard);
    delivery.setOwnWindowActive([] { return true; });
    delivery.typeText("12.5");
    delivery.sendKeyCode(0x0D);
    QVERIFY(m_keyboard.events.isEmpty());
}

void TestDelivery::sendKeyCode()
{
    m_keyboard.capsLock = true;
    Delivery delivery(m_options, m_keyboard);
    QSignalSpy failures(&delivery, &Delivery::outputFileFailed);
    delivery.sendKeyCode(0x70);
    delivery.sendKeyCode(0xFF);
    // No Caps Lock handling and no modifiers for a key sent by code; an unknown code sends nothing.
    QCOMPARE(m_keyboard.events, (QStringList{"+VK:0x70", "-VK:0x70"}));
}

void TestDelivery::appendsToTheFile()
{
    Delivery delivery(m_options, m_keyboard);
    QSignalSpy failures(&delivery, &Delivery::outputFileFailed);
    delivery.appendToOutputFile("12.5\tkg\t\r\n");
    delivery.appendToOutputFile(QByteArray("\xB5g\0", 3));
    delivery.appendToOutputFile("");

    QFile file(m_options.outputFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("12.5\tkg\t\r\n\xB5g\0", 13));
    QCOMPARE(failures.size(), 0);
}

void TestDelivery::failedAppendIsReportedOnce_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing folder") << QStringLiteral("/nonexistent-kwelta-folder/out.txt")
                                    << QString::fromLocal8Bit(std::strerror(ENOENT));
    QTest::newRow("a folder") << QStringLiteral("/tmp") << QString::fromLocal8Bit(std::strerror(EISDIR));
    // Not a regular file: a device is refused before anything is written.
    QTest::newRow("full device") << QStringLiteral("/dev/full") << QStringLiteral("to nie jest zwykły plik");
}

// Every failed append is reported with the path and the reason; only the first of a run is news.
void TestDelivery::failedAppendIsReportedOnce()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);

    m_options.outputFile = path;
    Delivery delivery(m_options, m_keyboard);
    QSignalSpy failures(&delivery, &Delivery::outputFileFailed);
    delivery.appendToOutputFile("12.5\r\n");
    delivery.appendToOutputFile("13.5\r\n");

    QCOMPARE(failures.size(), 2);
    QCOMPARE(failures.at(0), (QVariantList{path, reason, true}));
    QCOMPARE(failures.at(1), (QVariantList{path, reason, false}));
}

// A run of failures is one piece of news; an append that arrives ends the run, and the next failure
// is news again.
void TestDelivery::aSuccessEndsARunOfFailures()
{
    const QString folder = m_dir->filePath(QStringLiteral("later"));
    m_options.outputFile = folder + QStringLiteral("/out.txt");
    Delivery delivery(m_options, m_keyboard);
    QSignalSpy failures(&delivery, &Delivery::outputFileFailed);
    const auto firsts = [&failures] {
        QList<bool> flags;
        for (const QVariantList& failure : std::as_const(failures))
            flags.append(failure.at(2).toBool());
        return flags;
    };

    for (int n = 0; n < 3; ++n)
        delivery.appendToOutputFile("12.5\r\n");
    QCOMPARE(firsts(), (QList<bool>{true, false, false}));

    QVERIFY(QDir().mkpath(folder));
    delivery.appendToOutputFile("13.5\r\n");
    QCOMPARE(failures.size(), 3);

    m_options.outputFile = m_dir->filePath(QStringLiteral("missing/out.txt"));
    delivery.appendToOutputFile("14.5\r\n");
    delivery.appendToOutputFile("15.5\r\n");
    QCOMPARE(firsts(), (QList<bool>{true, false, false, true, false}));
    QCOMPARE(failures.at(3).at(0).toString(), m_options.outputFile);
    QCOMPARE(fileContents(folder + QStringLiteral("/out.txt")), QByteArray("13.5\r\n"));
}

// Opening a FIFO for writing waits for a reader; the window would freeze for good.
void TestDelivery::fifoWithoutReaderIsRefusedWithoutWaiting()
{
    const QString fifo = m_dir->filePath(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    m_options.outputFile = fifo;
    Delivery delivery(m_options, m_keyboard);
    QSignalSpy failures(&delivery, &Delivery::outputFileFailed);
    delivery.appendToOutputFile("12.5\r\n");

    QCOMPARE(failures.size(), 1);
}

// A size limit stands for a disk that fills up in the middle of a record: the write stops part way.
void TestDelivery::failedAppendLeavesNoHalfRecord()
{
    Delivery delivery(m_options, m_keyboard);
    QSignalSpy failures(&delivery, &Delivery::outputFileFailed);
    delivery.appendToOutputFile("Weight12\r\n");
    QCOMPARE(failures.size(), 0);

    {
        FileSizeLimit limit(14);
        QVERIFY(limit.isActive());
        delivery.appendToOutputFile("Weight12.345 kg\r\n");
    }
    QCOMPARE(failures.size(), 1);

    delivery.appendToOutputFile("Weight13\r\n");
    QFile file(m_options.outputFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("Weight12\r\nWeight13\r\n"));
}

QTEST_GUILESS_MAIN(TestDelivery)
#include "tst_delivery.moc"
