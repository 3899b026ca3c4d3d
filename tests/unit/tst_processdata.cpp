#include "core/global.h"
#include "link/pendingtext.h"
#include "processing/processdata.h"
#include "support/filecontents.h"
#include "support/fixedclock.h"
#include "support/recordingkeyboard.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <future>

class TestProcessData : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void parsesWeighingLines_data();
    void parsesWeighingLines();
    void countAndSumAccumulate();
    void dateAndTimeFollowTheLocale_data();
    void dateAndTimeFollowTheLocale();
    void systemLocaleDecidesTheSeparator();
    void routesByReadMode_data();
    void routesByReadMode();
    void makerLinesByReadModeAndStability_data();
    void makerLinesByReadModeAndStability();
    void paddedMakerLinesThroughTheLinksCut_data();
    void paddedMakerLinesThroughTheLinksCut();
    void acceptsAnswerAsTheParserWouldTakeIt_data();
    void acceptsAnswerAsTheParserWouldTakeIt();
    void mainWindowActiveSuppressesTyping_data();
    void mainWindowActiveSuppressesTyping();
    void advancedOptionsRunTheMemoScript();
    void unusableMaskAbandonsTheResult();
    void garbageNeverCrashes();

private:
    // A processor told m_options, which a test changes only before making it or tells it again.
    ProcessData* makeProcessor(const QLocale& locale = QLocale::c());
    Statistics& statistics() { return m_processor->statistics(); }
    // How often the statistics were announced to whoever shows them.
    qsizetype refreshes() const { return m_refreshes ? m_refreshes->size() : 0; }

    ProcessingOptions m_options;
    bool m_ownWindowActive = false;
    RecordingKeyboard m_keyboard;
    FixedClock m_clock;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QSignalSpy> m_refreshes;
    std::unique_ptr<ProcessData> m_processor;
};

void TestProcessData::init()
{
    m_options = ProcessingOptions();
    m_options.resultFormat = QStringLiteral("0.####");
    m_ownWindowActive = false;
    m_keyboard = RecordingKeyboard();
    m_dir = std::make_unique<QTemporaryDir>();
    m_options.outputFile = m_dir->filePath(QStringLiteral("out.txt"));
}

void TestProcessData::cleanup()
{
    m_refreshes.reset();
    m_processor.reset();
}

ProcessData* TestProcessData::makeProcessor(const QLocale& locale)
{
    m_refreshes.reset();
    m_processor = std::make_unique<ProcessData>(m_keyboard, m_clock, locale);
    m_processor->setOptions(m_options);
    m_processor->setOwnWindowActive([this] { return m_ownWindowActive; });
    m_refreshes = std::make_unique<QSignalSpy>(&m_processor->statistics(), &Statistics::changed);
    return m_processor.get();
}

void TestProcessData::parsesWeighingLines_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("unit");
    QTest::addColumn<QString>("mask");

    struct Row
    {
        const char* name;
        QByteArray line;
        bool accepted;
        double value;
        QByteArray unit;
        const char* mask;
    };
    const Row rows[] = {
        {"typical", "     12.345 kg\r\n", true, 12.345, "kg", "0.000"},
        {"comma and spaced sign", "-  1,5 g\r\n", true, -1.5, "g", "0.0"},
        {"status words before", "ST,GS,+  0.250 kg\r\n", true, 0.25, "kg", "0.000"},
        {"text after the unit", "N 120 pcs N\r\n", true, 120, "pcs", "0"},
        {"word before is skipped", "Brutto 12.5 kg\r\n", true, 12.5, "kg", "0.0"},
        {"blank and anything ends it", "12.5 kg ?\r\n", true, 12.5, "kg", "0.0"},
        {"no line end after blank", "12.5 kg G", true, 12.5, "kg", "0.0"},
        {"blank then LF", "12.5 kg \n", true, 12.5, "kg", "0.0"},
        {"unit joined to number", "12.5kg\r\n", true, 12.5, "kg", "0.0"},
        {"star in unit", "12.5 kg*\r\n", true, 12.5, "kg*", "0.0"},
        {"negative trailing zero", "- 3.10 kg\r\n", true, -3.1, "kg", "0.00"},
        {"plus with blank", "+ 12.5 kg\r\n", true, 12.5, "kg", "0.0"},
        {"unverified digit", "12.34[5] kg\r\n", true, 12.345, "kg", "0.000"},
        {"blank ends the first number", "1 250 kg\r\n", true, 250, "kg", "0"},
        {"first of two lines", "12.5 kg\r\n13.0 kg\r\n", true, 12.5, "kg", "0.0"},
        {"bare CR restarts", "12.5 kg\r13.0 kg\r\n", true, 13.0, "kg", "0.0"},
        {"leading control bytes", QByteArray("\0\x01\x02 7 lb\r\n", 10), true, 7, "lb", "0"},
        {"tab and blanks before CR", "0.000 kg \t\r\n", true, 0, "kg", "0.000"},
        {"mark without decimals", "12. kg\r\n", true, 12, "kg", "0."},
        {"no line end", "12.5 kg", false, 0, "", ""},
        {"two marks", "12.5.0 kg\r\n", false, 0, "", ""},
        {"bracket first", "[12.5] kg\r\n", false, 0, "", ""},
        {"plus glued to number", "+12.5 kg\r\n", false, 0, "", ""},
        {"LF right after unit", "12.5 kg\n", false, 0, "", ""},
        {"unit at the very end", "12.5 kg\r", false, 0, "", ""},
        {"no unit", "12.5 \r\n", false, 0, "", ""},
        {"empty", "", false, 0, "", ""},
        {"digits beyond double", QByteArray(400, '9') + " kg\r\n", false, 0, "", ""},
        {"high bytes", "\xB5\xFF 12 \xB5g\r\n", false, 0, "", ""},
        // A minus sign belongs to the digits right after it (blanks between allowed); anything else
        // in between drops it, and it never carries over to a later number.
        {"sign glued to the number", "-12.5 kg\r\n", true, -12.5, "kg", "0.0"},
        {"sign before a word", "- x 12.5 kg\r\n", true, 12.5, "kg", "0.0"},
        {"sign glued to a word", "-x 12.5 kg\r\n", true, 12.5, "kg", "0.0"},
        {"sign and word glued to the number", "-x12.5 kg\r\n", false, 0, "", ""},
        {"doubled sign", "-- 12.5 kg\r\n", true, 12.5, "kg", "0.0"},
        {"sign of a forgotten number", "- 1 250 kg\r\n", true, 250, "kg", "0"},
        {"sign of an earlier result", "- 5 kg 7 kg\r\n", true, 7, "kg", "0"},
        // Digits after a complete number and unit start the search again; anything else ends it.
        {"number after a result", "12.5 kg 13.0 kg\r\n", true, 13.0, "kg", "0.0"},
        {"number glued to the unit", "12.5kg13.0 kg\r\n", true, 13.0, "kg", "0.0"},
        {"a word ends the search", "12.5 kg x 13.0 lb\r\n", true, 12.5, "kg", "0.0"},
        {"digit inside the unit", "12.5 m2\r\n", false, 0, "", ""},
        {"tabs as blanks", "12.5\tkg\t?", true, 12.5, "kg", "0.0"},
        {"blank at the very end", "12.5 kg ", false, 0, "", ""},
        {"CR twice", "12.5 kg\r\r\n", false, 0, "", ""},
        {"blank between CR and LF", "12.5 kg\r \n", false, 0, "", ""},
        {"sign right after a bare CR", "12.5 kg\r-13.0 kg\r\n", false, 0, "", ""},
        {"star cannot start a unit", "12.5 *kg\r\n", false, 0, "", ""},
        {"word glued before the number", "N12.5 kg\r\n", false, 0, "", ""},
        {"point and comma", "1,250.5 kg\r\n", false, 0, "", ""},
    };
    const QLocale locales[] = {QLocale::c(), QLocale(QLocale::Polish, QLocale::Poland)};
    for (const QLocale& locale : locales) {
        for (const Row& row : rows) {
            QTest::addRow("%s, separator %s", row.name, qPrintable(locale.decimalPoint()))
                << locale << row.line << row.accepted << row.value << row.unit << QString::fromLatin1(row.mask);
        }
    }
}

void TestProcessData::parsesWeighingLines()
{
    QFETCH(QLocale, locale);
    QFETCH(QByteArray, line);
    QFETCH(bool, accepted);
    QFETCH(double, value);
    QFETCH(QByteArray, unit);
    QFETCH(QString, mask);

    m_options.appendToFile = true;
    auto processor = makeProcessor(locale);
    processor->takeScaleText(line);

    QCOMPARE(statistics().count(), accepted ? 1 : 0);
    QCOMPARE(refreshes(), accepted ? 1 : 0);
    if (!accepted) {
        QVERIFY(m_keyboard.events.isEmpty());
        QVERIFY(!QFile::exists(m_options.outputFile));
        return;
    }
    QCOMPARE(statistics().lastValue(), value);
    QCOMPARE(statistics().sum(), value);
    QCOMPARE(statistics().unit(), unit);
    QCOMPARE(statistics().valueMask(), mask);
    QVERIFY(!m_keyboard.events.isEmpty());
    QVERIFY(fileContents(m_options.outputFile).endsWith("\t" + unit + "\t\r\n"));

    // With the makers' formats chosen a line the plain parser reads gives the same result, unless a CR
    // alone, which then ends a line, makes it two lines.
    const bool loneCarriageReturn = line.indexOf('\r') >= 0 && line.indexOf('\r') != line.indexOf("\r\n");
    if (loneCarriageReturn)
        return;
    statistics().reset();
    m_options.makerFormats = true;
    processor->setOptions(m_options);
    processor->takeScaleText(line);
    QCOMPARE(statistics().count(), 1);
    QCOMPARE(statistics().lastValue(), value);
    QCOMPARE(statistics().unit(), unit);
    QCOMPARE(statistics().valueMask(), mask);
}

void TestProcessData::countAndSumAccumulate()
{
    auto processor = makeProcessor();
    processor->takeScaleText("- 3.10 kg\r\n");
    processor->takeScaleText("garbage\r\n");
    processor->takeScaleText("3.10 kg\r\n");

    QCOMPARE(statistics().count(), 2);
    QCOMPARE(statistics().sum(), 0.0);
    QCOMPARE(statistics().lastValue(), 3.1);
    QCOMPARE(refreshes(), 2);
}

void TestProcessData::dateAndTimeFollowTheLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");

    QTest::newRow("Polish") << QLocale(QLocale::Polish, QLocale::Poland) << "14.03.2026"
                            << "09:26:53";
    QTest::newRow("British") << QLocale(QLocale::English, QLocale::UnitedKingdom) << "14/03/2026"
                             << "09:26:53";
    QTest::newRow("American") << QLocale(QLocale::English, QLocale::UnitedStates) << "3/14/26"
                              << "9:26:53 AM";
}

void TestProcessData::dateAndTimeFollowTheLocale()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, date);
    QFETCH(QString, time);

    m_options.composedScript = QStringLiteral(":d|:t");
    m_options.appendToFile = true;
    makeProcessor(locale)->takeScaleText("1 kg\r\n");

    QCOMPARE(statistics().dateText(), date);
    // Some locales put a narrow no-break space before AM/PM.
    QCOMPARE(QString(statistics().timeText()).replace(QChar(0x202F), u' '), time);
    QCOMPARE(QString::fromUtf8(fileContents(m_options.outputFile)).replace(QChar(0x202F), u' '), date + u'|' + time);
}

// ctest runs this binary once with LC_ALL=pl_PL.UTF-8 and once with LC_ALL=C: the separator the
// user's environment sets must be the one in the output, whatever the C library's locale.
void TestProcessData::systemLocaleDecidesTheSeparator()
{
    const QString separator = QLocale::system().decimalPoint();
    const QByteArray lcAll = qgetenv("LC_ALL");
    if (lcAll.startsWith("pl_PL"))
        QCOMPARE(separator, QStringLiteral(","));
    else if (lcAll == "C")
        QCOMPARE(separator, QStringLiteral("."));

    m_options.appendToFile = true;
    ProcessData& processor = *makeProcessor(QLocale::system());
    processor.takeScaleText("12.5 kg\r\n");
    processor.takeScaleText("2,25 kg\r\n");

    QCOMPARE(statistics().sum(), 14.75);
    QCOMPARE(fileContents(m_options.outputFile), (QStringLiteral("12") + separator + QStringLiteral("5\tkg\t\r\n2") +
                                                  separator + QStringLiteral("25\tkg\t\r\n"))
                                                     .toUtf8());
}

void TestProcessData::routesByReadMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("parsed");

    QTest::newRow("indication parses") << 0 << QByteArray("Brutto 12.5 kg\r\n") << true;
    QTest::newRow("unknown mode is indication") << 5 << QByteArray("12.5 kg\r\n") << true;
    QTest::newRow("report passes results on") << 1 << QByteArray("12.5 kg\r\n") << false;
    QTest::newRow("recognize: signed result") << 2 << QByteArray("  + 12.5 kg\r\n") << true;
    QTest::newRow("recognize: plain result") << 2 << QByteArray("  12.5 kg\r\n") << true;
    QTest::newRow("recognize: upper case") << 2 << QByteArray("  12.5 KG\r\n") << false;
    QTest::newRow("recognize: comma") << 2 << QByteArray("12,5 kg\r\n") << false;
    QTest::newRow("recognize: word") << 2 << QByteArray("Brutto 12.5 kg\r\n") << false;
    QTest::newRow("recognize: tab") << 2 << QByteArray("12.5\tkg\r\n") << false;
}

void TestProcessData::routesByReadMode()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, text);
    QFETCH(bool, parsed);

    m_options.readMode = readModeFromIndex(mode);
    m_options.appendToFile = true;
    makeProcessor()->takeScaleText(text);

    QCOMPARE(statistics().count(), parsed ? 1 : 0);
    // Report handling passes the text on exactly as received.
    if (!parsed)
        QCOMPARE(fileContents(m_options.outputFile), text);
}

void TestProcessData::makerLinesByReadModeAndStability_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("makers");
    QTest::addColumn<bool>("onlyStable");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("counted");
    QTest::addColumn<bool>("reported");

    const QByteArray stable("ST,+00123.45  g\r\n");
    const QByteArray unsettled("US,-00012.30  g\r\n");
    const QByteArray overload("OL\r\n");
    const QByteArray crOnly("186.65g\r");
    // Indication, recognize, report.
    QTest::newRow("indication, off: not read") << 0 << false << false << crOnly << false << false;
    QTest::newRow("indication, on: read") << 0 << true << false << crOnly << true << false;
    QTest::newRow("indication, on: unsettled taken") << 0 << true << false << unsettled << true << false;
    QTest::newRow("indication, on: unsettled skipped") << 0 << true << true << unsettled << false << false;
    QTest::newRow("indication, on: stable kept") << 0 << true << true << stable << true << false;
    QTest::newRow("indication, on: status") << 0 << true << false << overload << false << false;
    QTest::newRow("recognize, off: a report") << 2 << false << false << stable << false << true;
    QTest::newRow("recognize, on: read") << 2 << true << false << stable << true << false;
    QTest::newRow("recognize, off: status a report") << 2 << false << false << overload << false << true;
    QTest::newRow("recognize, on: status dropped") << 2 << true << false << overload << false << false;
    QTest::newRow("recognize, on: unsettled skipped") << 2 << true << true << unsettled << false << false;
    QTest::newRow("recognize, on: other text a report")
        << 2 << true << false << QByteArray("Brutto\r\n") << false << true;
    QTest::newRow("report, on: passed on") << 1 << true << false << stable << false << true;
}

void TestProcessData::makerLinesByReadModeAndStability()
{
    QFETCH(int, mode);
    QFETCH(bool, makers);
    QFETCH(bool, onlyStable);
    QFETCH(QByteArray, text);
    QFETCH(bool, counted);
    QFETCH(bool, reported);

    m_options.readMode = readModeFromIndex(mode);
    m_options.makerFormats = makers;
    m_options.readOnlyStable = onlyStable;
    m_options.appendToFile = true;
    makeProcessor()->takeScaleText(text);

    QCOMPARE(statistics().count(), counted ? 1 : 0);
    if (reported)
        QCOMPARE(fileContents(m_options.outputFile), text);
    else if (!counted)
        QVERIFY(!QFile::exists(m_options.outputFile));
}

void TestProcessData::paddedMakerLinesThroughTheLinksCut_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("network");
    QTest::addColumn<bool>("makerLines");
    QTest::addColumn<QList<QByteArray>>("arrivals");
    QTest::addColumn<int>("counted");

    // The unsettled weight differs, so that a count cannot come from the wrong line.
    const QByteArray padded = QByteArray(3, '\0') + "US,+   9.876 kg\r\n";
    const QByteArray paddedCr = QByteArray(3, '\0') + "US,+   9.876 kg\r";
    const QByteArray settled = QByteArray(3, '\0') + "ST,+   1.234 kg\r\n";
    for (const bool network : {false, true}) {
        const char* link = network ? "network" : "serial";
        for (const bool makerLines : {false, true}) {
            for (const int mode : {0, 2}) {
                const QByteArray name = QByteArray(link) + (makerLines ? ", maker lines" : ", plain lines") +
                                        (mode == 0 ? ", indication" : ", recognize");
                QTest::newRow(name + ": unsettled") << mode << network << makerLines << QList{padded} << 0;
                QTest::newRow(name + ": settled") << mode << network << makerLines << QList{settled} << 1;
                QTest::newRow(name + ": padding apart")
                    << mode << network << makerLines << QList{padded.first(3), padded.sliced(3)} << 0;
                QTest::newRow(name + ": after a line")
                    << mode << network << makerLines << QList{settled + padded + settled} << 2;
                // Padding in front of the next frame is all that ends one that has no line end.
                QTest::newRow(name + ": padding ends a frame")
                    << mode << network << makerLines << QList{padded.chopped(2) + settled} << 1;
                QTest::newRow(name + ": padding ends frames")
                    << mode << network << makerLines
                    << QList{padded.chopped(2) + settled.chopped(2) + padded.chopped(2), padded} << 1;
            }
        }
        QTest::newRow(QByteArray(link) + ", CR alone") << 0 << network << true << QList{paddedCr, settled} << 1;
    }
}

// Some scales pad a line with zero bytes in front. Fed as the links feed it, with the makers' formats
// and only settled results chosen, an unsettled line must not reach the plain parser, which would read
// the weight after its header.
void TestProcessData::paddedMakerLinesThroughTheLinksCut()
{
    QFETCH(int, mode);
    QFETCH(bool, network);
    QFETCH(bool, makerLines);
    QFETCH(QList<QByteArray>, arrivals);
    QFETCH(int, counted);

    m_options.readMode = readModeFromIndex(mode);
    m_options.makerFormats = true;
    m_options.readOnlyStable = true;
    ProcessData* processor = makeProcessor();
    PendingText pending;
    pending.setMakerLines(makerLines);
    for (const QByteArray& arrival : std::as_const(arrivals)) {
        pending.append(arrival.constData(), arrival.size());
        if (network) {
            for (const QByteArray& line : pending.takeNetworkLines())
                processor->takeScaleText(line);
        } else {
            for (QByteArray text = pending.take(m_options.readMode); !text.isEmpty();
                 text = pending.take(m_options.readMode))
                processor->takeScaleText(text);
        }
    }

    QCOMPARE(statistics().count(), counted);
    if (counted > 0)
        QCOMPARE(statistics().lastValue(), 1.234);
}

void TestProcessData::acceptsAnswerAsTheParserWouldTakeIt_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("makers");
    QTest::addColumn<bool>("onlyStable");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("a result") << QByteArray("     12.345 kg\r\n") << false << false << true;
    QTest::newRow("half a result") << QByteArray("     12.3") << false << false << false;
    QTest::newRow("noise") << QByteArray("\xF0\x0F\xF0\r\n") << false << false << false;
    QTest::newRow("maker's line, formats off") << QByteArray("186.65g\r") << false << false << false;
    QTest::newRow("maker's line, formats on") << QByteArray("186.65g\r") << true << false << true;
    QTest::newRow("maker's status") << QByteArray("OL\r\n") << true << false << false;
    QTest::newRow("unsettled taken") << QByteArray("US,-00012.30  g\r\n") << true << false << true;
    QTest::newRow("unsettled skipped") << QByteArray("US,-00012.30  g\r\n") << true << true << false;
    QTest::newRow("settled kept") << QByteArray("ST,+00123.45  g\r\n") << true << true << true;
}

// The port search asks on a thread of its own whether an answer is a result: the same answer as the
// parser's, without a trace in the statistics, the keyboard or the output file.
void TestProcessData::acceptsAnswerAsTheParserWouldTakeIt()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, makers);
    QFETCH(bool, onlyStable);
    QFETCH(bool, accepted);

    m_options.appendToFile = true;
    m_options.makerFormats = makers;
    m_options.readOnlyStable = onlyStable;
    auto askedElsewhere =
        std::async(std::launch::async, [&] { return ProcessData::acceptsAnswer(line, makers, onlyStable); });
    QCOMPARE(askedElsewhere.get(), accepted);
    QCOMPARE(ProcessData::acceptsAnswer(line, makers, onlyStable), accepted);
    QVERIFY(m_keyboard.events.isEmpty());
    QVERIFY(!QFile::exists(m_options.outputFile));

    makeProcessor()->parseWeighingLine(line);
    QCOMPARE(statistics().count(), accepted ? 1 : 0);
}

void TestProcessData::mainWindowActiveSuppressesTyping_data()
{
    QTest::addColumn<bool>("file");
    QTest::newRow("keystrokes only") << false;
    QTest::newRow("keystrokes and file") << true;
}

void TestProcessData::mainWindowActiveSuppressesTyping()
{
    QFETCH(bool, file);

    m_ownWindowActive = true;
    m_options.appendToFile = file;
    makeProcessor()->takeScaleText("12.5 kg\r\n");

    QCOMPARE(statistics().count(), 1);
    QCOMPARE(refreshes(), 1);
    QVERIFY(m_keyboard.events.isEmpty());
    QCOMPARE(fileContents(m_options.outputFile), file ? QByteArray("12.5\tkg\t\r\n") : QByteArray());
}

void TestProcessData::advancedOptionsRunTheMemoScript()
{
    m_options.appendToFile = true;
    m_options.advancedScript = true;
    m_options.script = QByteArrayLiteral("Nr :c:: :m :u");
    auto processor = makeProcessor();
    processor->takeScaleText("12.5 kg\r\n");

    m_options.advancedScript = false;
    processor->setOptions(m_options);
    processor->takeScaleText("1.25 kg\r\n");

    QCOMPARE(fileContents(m_options.outputFile), QByteArray("Nr 1: 12.5 kg1.25\tkg\t\r\n"));
}

// A mask the formatter cannot use ends the result where it stands: the statistics already counted
// it, but nothing is delivered, nothing is announced and the port is not confirmed.
void TestProcessData::unusableMaskAbandonsTheResult()
{
    m_options.appendToFile = true;
    m_options.composedScript = QStringLiteral("before\r\n:m\r\nafter");
    m_options.useResultFormat = true;
    m_options.resultFormat = QString(225, u'0');
    makeProcessor()->takeScaleText("12.5 kg\r\n");

    QCOMPARE(statistics().count(), 1);
    QCOMPARE(refreshes(), 0);
    QCOMPARE(fileContents(m_options.outputFile), QByteArray("before\r\n"));
}

void TestProcessData::garbageNeverCrashes()
{
    auto processor = makeProcessor();
    QByteArray noise;
    quint32 seed = 12345;
    for (int round = 0; round < 200; ++round) {
        noise.resize(1 + round * 7);
        for (char& byte : noise) {
            seed = seed * 1103515245u + 12345u;
            byte = static_cast<char>(seed >> 16);
        }
        for (int mode = 0; mode < 3; ++mode) {
            m_options.readMode = readModeFromIndex(mode);
            processor->setOptions(m_options);
            processor->takeScaleText(noise);
        }
    }
    processor->takeScaleText(QByteArray(1 << 20, '7'));

    // Nothing of the noise lingers: a result after it is read as if it came first.
    m_options.readMode = ReadMode::Indication;
    processor->setOptions(m_options);
    statistics().reset();
    processor->takeScaleText("- 12.5 kg\r\n");
    QCOMPARE(statistics().count(), 1);
    QCOMPARE(statistics().lastValue(), -12.5);
    QCOMPARE(statistics().unit(), QByteArray("kg"));
}

QTEST_GUILESS_MAIN(TestProcessData)
#include "tst_processdata.moc"
