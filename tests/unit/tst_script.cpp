#include "processing/delivery.h"
#include "processing/localeformats.h"
#include "processing/processingoptions.h"
#include "processing/script.h"
#include "processing/statistics.h"
#include "support/filecontents.h"
#include "support/recordingkeyboard.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

// The statistics as the parser leaves them after its third result, 12.5 kg.
void setThirdResult(Statistics& statistics)
{
    statistics.reset();
    statistics.add(10.0, QStringLiteral("0.0"), "kg", QStringLiteral("14.03.2026"), QStringLiteral("09:26:51"));
    statistics.add(7.5, QStringLiteral("0.0"), "kg", QStringLiteral("14.03.2026"), QStringLiteral("09:26:52"));
    statistics.add(12.5, QStringLiteral("0.0"), "kg", QStringLiteral("14.03.2026"), QStringLiteral("09:26:53"));
}

} // namespace

class TestScript : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void expandsTokens_data();
    void expandsTokens();
    void eachLineIsDeliveredOnItsOwn();
    void emptyScriptTouchesNothing();
    void averageShowsOneMoreDecimal();
    void decimalSeparatorChoice_data();
    void decimalSeparatorChoice();
    void keyToken_data();
    void keyToken();
    void hexDigitValue_data();
    void hexDigitValue();

private:
    ProcessingOptions m_options;
    bool m_ownWindowActive = false;
    Statistics m_statistics;
    RecordingKeyboard m_keyboard;
    LocaleFormats m_formats = LocaleFormats::fromLocale(QLocale::c());
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestScript::init()
{
    m_options = ProcessingOptions();
    m_options.resultFormat = QStringLiteral("0.####");
    m_ownWindowActive = false;
    m_keyboard = RecordingKeyboard();
    m_formats = LocaleFormats::fromLocale(QLocale::c());
    m_dir = std::make_unique<QTemporaryDir>();
    m_options.outputFile = m_dir->filePath(QStringLiteral("out.txt"));
    setThirdResult(m_statistics);
}

void TestScript::expandsTokens_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QByteArray>("output");

    QTest::newRow("default composition") << QByteArray(":m:#09:u:#09:#0D:#0A") << QByteArray("12.5\tkg\t\r\n");
    QTest::newRow("every field") << QByteArray(":c;:d;:t;:m;:u;:s;:a")
                                 << QByteArray("3;14.03.2026;09:26:53;12.5;kg;30.0;10.00");
    QTest::newRow("double colon") << QByteArray("Nr :c::") << QByteArray("Nr 3:");
    QTest::newRow("unknown token") << QByteArray("a:xb") << QByteArray("ab");
    QTest::newRow("upper case token") << QByteArray("a:Mb") << QByteArray("ab");
    QTest::newRow("colon at the end") << QByteArray("ab:") << QByteArray("ab");
    QTest::newRow("hex code") << QByteArray(":#0D") << QByteArray("\r");
    QTest::newRow("lower-case hex swallows") << QByteArray(":#0d") << QByteArray("");
    QTest::newRow("bad digit abandons") << QByteArray(":#G1") << QByteArray("1");
    QTest::newRow("high code stays a byte") << QByteArray(":#B5g") << QByteArray("\xB5g");
    QTest::newRow("NUL code") << QByteArray("a:#00b") << QByteArray("a\0b", 3);
    QTest::newRow("colon inside a code") << QByteArray(":#4:m") << QByteArray("12.5");
    QTest::newRow("two lines") << QByteArray(":m\r\n:u") << QByteArray("12.5\r\nkg");
    QTest::newRow("break at the end") << QByteArray(":m\n:u\n") << QByteArray("12.5\r\nkg");
    QTest::newRow("lone CR breaks") << QByteArray("a\rb") << QByteArray("a\r\nb");
    QTest::newRow("empty line in between") << QByteArray("a\n\nb") << QByteArray("a\r\n\r\nb");
    QTest::newRow("code carries over") << QByteArray(":#4\n1") << QByteArray("\r\nA");
    QTest::newRow("colon carries over") << QByteArray("a:\nm") << QByteArray("a\r\n12.5");
    QTest::newRow("utf-8 text kept") << QByteArray("wynik \xC5\x82:m")
                                     << QByteArray("wynik \xC5\x82"
                                                   "12.5");
}

void TestScript::expandsTokens()
{
    QFETCH(QByteArray, script);
    QFETCH(QByteArray, output);

    m_options.typeIntoFocusedWindow = false;
    m_options.appendToFile = true;
    Delivery delivery(m_options, m_keyboard);
    delivery.setOwnWindowActive([this] { return m_ownWindowActive; });
    ScriptInterpreter interpreter(m_options, m_statistics, delivery, m_formats);

    QVERIFY(interpreter.runScript(script));
    QCOMPARE(fileContents(m_options.outputFile), output);
}

void TestScript::eachLineIsDeliveredOnItsOwn()
{
    m_options.appendToFile = true;
    Delivery delivery(m_options, m_keyboard);
    delivery.setOwnWindowActive([this] { return m_ownWindowActive; });
    ScriptInterpreter interpreter(m_options, m_statistics, delivery, m_formats);

    QVERIFY(interpreter.runScript(":m\r\n:u"));

    QCOMPARE(m_keyboard.bursts, 2);
    QCOMPARE(m_keyboard.typedText(), QStringLiteral("12.5\rkg"));
    QCOMPARE(fileContents(m_options.outputFile), QByteArray("12.5\r\nkg"));
}

void TestScript::emptyScriptTouchesNothing()
{
    m_options.appendToFile = true;
    Delivery delivery(m_options, m_keyboard);
    delivery.setOwnWindowActive([this] { return m_ownWindowActive; });
    ScriptInterpreter interpreter(m_options, m_statistics, delivery, m_formats);

    QVERIFY(interpreter.runScript(""));
    QVERIFY(m_keyboard.events.isEmpty());
    QVERIFY(!QFile::exists(m_options.outputFile));

    // One empty line is still a line: the file is opened for it, nothing is typed.
    QVERIFY(interpreter.runScript("\r\n"));
    QVERIFY(m_keyboard.events.isEmpty());
    QVERIFY(QFile::exists(m_options.outputFile));
    QCOMPARE(fileContents(m_options.outputFile), QByteArray());
}

void TestScript::averageShowsOneMoreDecimal()
{
    // After 12.000 kg and 12.500 kg.
    m_statistics.reset();
    m_statistics.add(12.0, QStringLiteral("0.000"), "kg", QString(), QString());
    m_statistics.add(12.5, QStringLiteral("0.000"), "kg", QString(), QString());
    m_options.useResultFormat = true;
    m_options.resultFormat = QStringLiteral("0.#");
    Delivery delivery(m_options, m_keyboard);
    delivery.setOwnWindowActive([this] { return m_ownWindowActive; });
    ScriptInterpreter interpreter(m_options, m_statistics, delivery, m_formats);

    QCOMPARE(interpreter.FormatValue(false, 12.5).value_or(QString()), QStringLiteral("12.5"));
    QCOMPARE(interpreter.FormatValue(true, 12.25).value_or(QString()), QStringLiteral("12.2500"));

    // After 12 kg and 13 kg.
    m_statistics.reset();
    m_statistics.add(12.0, QStringLiteral("0"), "kg", QString(), QString());
    m_statistics.add(13.0, QStringLiteral("0"), "kg", QString(), QString());
    QCOMPARE(interpreter.FormatValue(true, 12.25).value_or(QString()), QStringLiteral("12.3"));
}

void TestScript::decimalSeparatorChoice_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<int>("choice");
    QTest::addColumn<QString>("text");

    const QLocale dot = QLocale::c();
    const QLocale comma(QLocale::Polish, QLocale::Poland);
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("system '.'") << dot << "0.0" << 0 << "1234.5";
    QTest::newRow("system '.', comma chosen") << dot << "0.0" << 1 << "1234,5";
    QTest::newRow("system '.', point chosen") << dot << "0.0" << 2 << "1234.5";
    QTest::newRow("system ','") << comma << "0.0" << 0 << "1234,5";
    QTest::newRow("system ',', point chosen") << comma << "0.0" << 2 << "1234.5";
    QTest::newRow("no decimals shown") << dot << "0" << 1 << "1235";
    // Only the decimal separator changes: a grouping '.' or a '.' in quoted text stays.
    QTest::newRow("grouped, point chosen") << german << "#,##0.0" << 2 << "1.234.5";
    QTest::newRow("grouped, comma chosen") << german << "#,##0.0" << 1 << "1.234,5";
    QTest::newRow("quoted point") << dot << "'No.'0.0" << 1 << "No.1234,5";
}

void TestScript::decimalSeparatorChoice()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, mask);
    QFETCH(int, choice);
    QFETCH(QString, text);

    m_formats = LocaleFormats::fromLocale(locale);
    m_options.decimalSeparatorChoice = choice;
    m_options.useResultFormat = true;
    m_options.resultFormat = mask;
    Delivery delivery(m_options, m_keyboard);
    delivery.setOwnWindowActive([this] { return m_ownWindowActive; });
    ScriptInterpreter interpreter(m_options, m_statistics, delivery, m_formats);

    QCOMPARE(interpreter.FormatValue(false, 1234.5).value_or(QStringLiteral("<failed>")), text);
}

void TestScript::keyToken_data()
{
    QTest::addColumn<bool>("cursor");
    QTest::addColumn<bool>("mainWindowActive");
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("events");

    const QStringList keyBetween = {"+a", "-a", "+b", "-b", "+VK:0x0d", "-VK:0x0d", "+c", "-c", "+d", "-d"};
    QTest::newRow("typed once, around the key") << true << false << QByteArray("ab:$0Dcd") << keyBetween;
    QTest::newRow("key first") << true << false << QByteArray(":$0Dcd")
                               << QStringList{"+VK:0x0d", "-VK:0x0d", "+c", "-c", "+d", "-d"};
    QTest::newRow("unknown key sends nothing")
        << true << false << QByteArray("a:$FFb") << QStringList{"+a", "-a", "+b", "-b"};
    QTest::newRow("keystrokes off") << false << false << QByteArray("ab:$0Dcd") << QStringList{};
    QTest::newRow("our window active") << true << true << QByteArray("ab:$0Dcd") << QStringList{};
    QTest::newRow("bad digit abandons the key") << true << false << QByteArray(":$0xa") << QStringList{"+a", "-a"};
}

void TestScript::keyToken()
{
    QFETCH(bool, cursor);
    QFETCH(bool, mainWindowActive);
    QFETCH(QByteArray, script);
    QFETCH(QStringList, events);

    m_options.typeIntoFocusedWindow = cursor;
    m_ownWindowActive = mainWindowActive;
    m_options.appendToFile = true;
    Delivery delivery(m_options, m_keyboard);
    delivery.setOwnWindowActive([this] { return m_ownWindowActive; });
    ScriptInterpreter interpreter(m_options, m_statistics, delivery, m_formats);

    QVERIFY(interpreter.runScript(script));
    QCOMPARE(m_keyboard.events, events);
    // The file always receives the whole line's text.
    QByteArray text = script;
    text.replace(":$0D", "").replace(":$FF", "").replace(":$0x", "");
    QCOMPARE(fileContents(m_options.outputFile), text);
}

void TestScript::hexDigitValue_data()
{
    QTest::addColumn<char>("c");
    QTest::addColumn<int>("value");

    QTest::newRow("0") << '0' << 0;
    QTest::newRow("9") << '9' << 9;
    QTest::newRow("A") << 'A' << 10;
    QTest::newRow("F") << 'F' << 15;
    QTest::newRow("a") << 'a' << -1;
    QTest::newRow("f") << 'f' << -1;
    QTest::newRow("G") << 'G' << -1;
    QTest::newRow("space") << ' ' << -1;
    QTest::newRow("high byte") << char(0xC5) << -1;
}

void TestScript::hexDigitValue()
{
    QFETCH(char, c);
    QFETCH(int, value);
    QCOMPARE(ScriptInterpreter::HexDigitValue(c), qint16(value));
}

QTEST_GUILESS_MAIN(TestScript)
#include "tst_script.moc"
