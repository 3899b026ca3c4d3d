#include "core/global.h"
#include "processing/arrivallog.h"
#include "processing/processdata.h"
#include "support/fixedclock.h"
#include "support/recordingkeyboard.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

class TestArrivalLog : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void controlCharactersShowByName_data();
    void controlCharactersShowByName();
    void outcomesOfRealLines_data();
    void outcomesOfRealLines();
    void linesTheLinkDroppedAndCommandsSent();
    void keepsTheNewestThousand();
    void detachedItStaysSilentAndCatchesUpOnAttach();
    void clearAndText();

private:
    QString cell(const ArrivalLog& log, int row, int column) const
    {
        return log.data(log.index(row, column)).toString();
    }

    FixedClock m_clock;
    RecordingKeyboard m_keyboard;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestArrivalLog::init()
{
    m_clock = FixedClock();
    m_keyboard = RecordingKeyboard();
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestArrivalLog::controlCharactersShowByName_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");

    QTest::newRow("line end") << QByteArray("12.5 kg\r\n") << QStringLiteral("12.5 kg⟨CR⟩⟨LF⟩");
    QTest::newRow("frame") << QByteArray("\x02+0012.5g\x03") << QStringLiteral("⟨STX⟩+0012.5g⟨ETX⟩");
    QTest::newRow("zero bytes") << QByteArray(2, '\0') + "US" << QStringLiteral("⟨NUL⟩⟨NUL⟩US");
    QTest::newRow("tab and acknowledgement") << QByteArray("\x06\t\x15") << QStringLiteral("⟨ACK⟩⟨HT⟩⟨NAK⟩");
    QTest::newRow("escape and others in hex") << QByteArray("\x1B"
                                                            "A\x7F\x1F")
                                              << QStringLiteral("⟨1B⟩A⟨7F⟩⟨1F⟩");
    QTest::newRow("UTF-8 stays a letter") << QByteArray("Wa\xC5\xBC") << QStringLiteral("Waż");
    QTest::newRow("single byte as ISO 8859-1") << QByteArray("12 \xB5g") << QStringLiteral("12 µg");
    QTest::newRow("C1 control byte in hex") << QByteArray("a\x85"
                                                          "b")
                                            << QStringLiteral("a⟨85⟩b");
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestArrivalLog::controlCharactersShowByName()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    QCOMPARE(visibleScaleText(bytes), shown);
}

void TestArrivalLog::outcomesOfRealLines_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("makers");
    QTest::addColumn<bool>("typing");
    QTest::addColumn<bool>("file");
    QTest::addColumn<bool>("badFile");
    QTest::addColumn<bool>("ownWindow");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("action");

    const QString noFolder = QString::fromLocal8Bit(std::strerror(ENOENT));
    QTest::newRow("plain weight typed") << 0 << false << true << false << false << false << "Notatnik"
                                        << QByteArray("  12.50 kg\r\n") << "waga 12.50 kg"
                                        << "wpisano do okna „Notatnik”";
    QTest::newRow("title unknown") << 0 << false << true << false << false << false << QString()
                                   << QByteArray("-3 g\r\n") << "waga -3 g"
                                   << "wpisano do nieznanego okna";
    QTest::newRow("maker's rule named") << 0 << true << true << false << false << false << "Arkusz"
                                        << QByteArray("ST,+00123.45  g\r\n")
                                        << "waga 123.45 g (formaty producentów: nagłówek stanu)"
                                        << "wpisano do okna „Arkusz”";
    QTest::newRow("unsettled skipped") << 0 << true << true << false << false << false << "Arkusz"
                                       << QByteArray("US,-00012.30  g\r\n")
                                       << "waga niestabilna, pominięta (formaty producentów: nagłówek stanu)"
                                       << QString();
    QTest::newRow("status line") << 2 << true << true << true << false << false << "Arkusz" << QByteArray("OL\r\n")
                                 << "wiersz stanu, bez wagi" << QString();
    QTest::newRow("not a weighing line") << 0 << false << true << true << false << false << "Arkusz"
                                         << QByteArray("Brutto\r\n") << "nie jest wierszem ważenia" << QString();
    QTest::newRow("part of a report") << 1 << false << true << true << false << false << "Arkusz"
                                      << QByteArray("Suma: 3\r\n") << "część raportu"
                                      << "wpisano do okna „Arkusz”; zapisano do pliku";
    QTest::newRow("recognize: text is a report") << 2 << false << false << true << false << false << "Arkusz"
                                                 << QByteArray("Brutto 12.5 kg\r\n") << "część raportu"
                                                 << "nie wpisano: wpisywanie wyłączone; zapisano do pliku";
    QTest::newRow("typing off, file written")
        << 0 << false << false << true << false << false << "Arkusz" << QByteArray("12.5 kg\r\n") << "waga 12.5 kg"
        << "nie wpisano: wpisywanie wyłączone; zapisano do pliku";
    QTest::newRow("our window had the focus")
        << 0 << false << true << false << false << true << "Kwelta" << QByteArray("12.5 kg\r\n") << "waga 12.5 kg"
        << "nie wpisano: aktywne było okno programu";
    QTest::newRow("our window, file written")
        << 0 << false << true << true << false << true << "Kwelta" << QByteArray("12.5 kg\r\n") << "waga 12.5 kg"
        << "nie wpisano: aktywne było okno programu; zapisano do pliku";
    QTest::newRow("file failed") << 0 << false << false << true << true << false << "Arkusz"
                                 << QByteArray("12.5 kg\r\n") << "waga 12.5 kg"
                                 << "nie wpisano: wpisywanie wyłączone; błąd zapisu do pliku: " + noFolder;
}

// Lines through a real processing, as the window will have it observed: what each became and what was
// done with its output.
void TestArrivalLog::outcomesOfRealLines()
{
    QFETCH(int, mode);
    QFETCH(bool, makers);
    QFETCH(bool, typing);
    QFETCH(bool, file);
    QFETCH(bool, badFile);
    QFETCH(bool, ownWindow);
    QFETCH(QString, title);
    QFETCH(QByteArray, text);
    QFETCH(QString, outcome);
    QFETCH(QString, action);

    ProcessingOptions options;
    options.readMode = readModeFromIndex(mode);
    options.makerFormats = makers;
    options.readOnlyStable = makers;
    options.typeIntoFocusedWindow = typing;
    options.appendToFile = file;
    options.outputFile = m_dir->filePath(badFile ? QStringLiteral("missing/out.txt") : QStringLiteral("out.txt"));
    options.useResultFormat = false;
    ProcessData processing(m_keyboard, m_clock, QLocale::c());
    processing.setOptions(options);
    processing.setOwnWindowActive([ownWindow] { return ownWindow; });
    ArrivalLog log;
    log.setTimeSource([this] { return m_clock.now().toMSecsSinceEpoch(); });
    log.setAttached(true);
    int titleAsked = 0;
    log.setWindowTitleSource([&]() -> std::optional<QString> {
        ++titleAsked;
        return title.isEmpty() ? std::nullopt : std::optional(title);
    });
    log.setLink(QStringLiteral("COM3"));
    processing.setArrivalObserver([&log](const Arrival& arrival) { log.record(arrival); });

    processing.takeScaleText(text);

    QCOMPARE(log.rowCount(), 1);
    QCOMPARE(cell(log, 0, ArrivalLog::TimeColumn), QStringLiteral("09:26:53.000"));
    QCOMPARE(cell(log, 0, ArrivalLog::LinkColumn), QStringLiteral("COM3"));
    QCOMPARE(cell(log, 0, ArrivalLog::TextColumn), visibleScaleText(text));
    QCOMPARE(cell(log, 0, ArrivalLog::OutcomeColumn), outcome);
    QCOMPARE(cell(log, 0, ArrivalLog::ActionColumn), action);
    // The platform is asked only when something was typed.
    QCOMPARE(titleAsked, action.startsWith(QStringLiteral("wpisano")) ? 1 : 0);
}

void TestArrivalLog::linesTheLinkDroppedAndCommandsSent()
{
    ArrivalLog log;
    log.setTimeSource([this] { return m_clock.now().toMSecsSinceEpoch(); });
    log.setAttached(true);
    log.setLink(QStringLiteral("UDP 10.0.0.5:1001"));
    log.recordTooShort("OK\r\n");
    m_clock.advance(7);
    log.setLink(QStringLiteral("TCP 10.0.0.5:4001"));
    log.recordSent("T\r\n");

    QCOMPARE(log.rowCount(), 2);
    QCOMPARE(cell(log, 0, ArrivalLog::LinkColumn), QStringLiteral("UDP 10.0.0.5:1001"));
    QCOMPARE(cell(log, 0, ArrivalLog::OutcomeColumn), QStringLiteral("wiersz za krótki"));
    QCOMPARE(cell(log, 0, ArrivalLog::ActionColumn), QString());
    QCOMPARE(cell(log, 1, ArrivalLog::TimeColumn), QStringLiteral("09:26:53.007"));
    QCOMPARE(cell(log, 1, ArrivalLog::LinkColumn), QStringLiteral("TCP 10.0.0.5:4001"));
    QCOMPARE(cell(log, 1, ArrivalLog::TextColumn), QStringLiteral("T⟨CR⟩⟨LF⟩"));
    QCOMPARE(cell(log, 1, ArrivalLog::OutcomeColumn), QStringLiteral("polecenie"));
    QCOMPARE(cell(log, 1, ArrivalLog::ActionColumn), QStringLiteral("wysłano do wagi"));
}

// The oldest go, the newest stay at the bottom, and an attached view hears of each step as the rows
// move, so its rows always match the model's.
void TestArrivalLog::keepsTheNewestThousand()
{
    ArrivalLog log;
    log.setTimeSource([this] { return m_clock.now().toMSecsSinceEpoch(); });
    log.setAttached(true);
    QSignalSpy inserted(&log, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&log, &QAbstractItemModel::rowsRemoved);
    int rows = 0;
    connect(&log, &QAbstractItemModel::rowsInserted, this,
            [&](const QModelIndex&, int first, int last) { rows += last - first + 1; });
    connect(&log, &QAbstractItemModel::rowsRemoved, this,
            [&](const QModelIndex&, int first, int last) { rows -= last - first + 1; });

    for (int n = 0; n < ArrivalLog::Capacity + 5; ++n)
        log.recordSent(QByteArray::number(n));

    QCOMPARE(log.rowCount(), ArrivalLog::Capacity);
    QCOMPARE(rows, ArrivalLog::Capacity);
    QCOMPARE(inserted.size(), ArrivalLog::Capacity + 5);
    QCOMPARE(removed.size(), 5);
    QCOMPARE(removed.first().at(1).toInt(), 0);
    QCOMPARE(cell(log, 0, ArrivalLog::TextColumn), QStringLiteral("5"));
    QCOMPARE(cell(log, ArrivalLog::Capacity - 1, ArrivalLog::TextColumn), QStringLiteral("1004"));
}

void TestArrivalLog::detachedItStaysSilentAndCatchesUpOnAttach()
{
    ArrivalLog log;
    log.setTimeSource([this] { return m_clock.now().toMSecsSinceEpoch(); });
    log.setAttached(true);
    log.recordSent("first");
    log.setAttached(false);
    QSignalSpy inserted(&log, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&log, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&log, &QAbstractItemModel::modelReset);

    for (int n = 0; n < ArrivalLog::Capacity + 1; ++n)
        log.recordSent(QByteArray::number(n));

    // The rows are those the view had when it detached.
    QCOMPARE(inserted.size() + removed.size() + reset.size(), 0);
    QCOMPARE(log.rowCount(), 1);
    QCOMPARE(cell(log, 0, ArrivalLog::TextColumn), QStringLiteral("first"));

    log.setAttached(true);
    QCOMPARE(reset.size(), 1);
    QCOMPARE(log.rowCount(), ArrivalLog::Capacity);
    QCOMPARE(cell(log, 0, ArrivalLog::TextColumn), QStringLiteral("1"));
    QCOMPARE(cell(log, ArrivalLog::Capacity - 1, ArrivalLog::TextColumn), QStringLiteral("1000"));
}

void TestArrivalLog::clearAndText()
{
    ArrivalLog log;
    log.setTimeSource([this] { return m_clock.now().toMSecsSinceEpoch(); });
    log.setLink(QStringLiteral("COM1"));
    log.recordSent("Z\r\n");
    m_clock.advance(1500);
    log.recordTooShort("\x06\r\n");

    // Every entry, attached or not, with the date: what Save writes.
    QCOMPARE(log.toText(), QStringLiteral("2026-03-14 09:26:53.000\tCOM1\tZ⟨CR⟩⟨LF⟩\tpolecenie\twysłano do wagi\n"
                                          "2026-03-14 09:26:54.500\tCOM1\t⟨ACK⟩⟨CR⟩⟨LF⟩\twiersz za krótki\t\n"));
    log.setAttached(true);
    QCOMPARE(log.rowsText({1}), QStringLiteral("2026-03-14 09:26:54.500\tCOM1\t⟨ACK⟩⟨CR⟩⟨LF⟩\twiersz za krótki\t\n"));

    log.clear();
    QCOMPARE(log.rowCount(), 0);
    QCOMPARE(log.toText(), QString());
    log.setAttached(false);
    QCOMPARE(log.rowCount(), 0);
}

QTEST_GUILESS_MAIN(TestArrivalLog)
#include "tst_arrivallog.moc"
