#include "processing/localeformats.h"
#include "processing/outputpreview.h"
#include "processing/processingoptions.h"
#include "processing/scriptcomposition.h"
#include "processing/statistics.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(ProcessingOptions)

namespace {

// Two results, the latest 12.345 kg: the count, sum and average differ from the value.
void setTwoResults(Statistics& statistics)
{
    statistics.add(7.655, QStringLiteral("0.000"), "kg", QStringLiteral("14.03.2026"), QStringLiteral("09:26:51"));
    statistics.add(12.345, QStringLiteral("0.000"), "kg", QStringLiteral("14.03.2026"), QStringLiteral("09:26:53"));
}

ProcessingOptions composed(const QString& fields, int between, int after)
{
    ProcessingOptions options;
    options.composedScript = composeScript(fields, between, after);
    return options;
}

ProcessingOptions advanced(const QByteArray& script)
{
    ProcessingOptions options;
    options.advancedScript = true;
    options.script = script;
    return options;
}

ProcessingOptions withSeparator(ProcessingOptions options, int choice)
{
    options.decimalSeparatorChoice = choice;
    return options;
}

ProcessingOptions withMask(ProcessingOptions options, const QString& mask)
{
    options.useResultFormat = true;
    options.resultFormat = mask;
    return options;
}

} // namespace

class TestOutputPreview : public QObject
{
    Q_OBJECT

private slots:
    void showsWhatWouldBeTyped_data();
    void showsWhatWouldBeTyped();
    void aMaskTooLongIsShownAsTheScriptsError();
    void neitherTypesNorWrites();
    void exampleResult();
};

void TestOutputPreview::showsWhatWouldBeTyped_data()
{
    QTest::addColumn<ProcessingOptions>("options");
    QTest::addColumn<QString>("shown");

    // The field options.
    QTest::newRow("defaults") << ProcessingOptions() << "12.345⇥kg⇥⏎";
    QTest::newRow("every field, semicolons, Enter")
        << composed("1111111", 1, 3) << "2;14.03.2026;09:26:53;12.345;kg;20.000;10.0000⏎";
    QTest::newRow("value alone, nothing after") << composed("0001000", 0, 0) << "12.345";
    QTest::newRow("value and unit, nothing between, Tab after") << composed("0001100", 0, 2) << "12.345kg⇥";
    QTest::newRow("a separator follows the last sent field") << composed("1001000", 3, 1) << "2⏎12.345⏎;";
    QTest::newRow("no field, nothing after") << composed("0000000", 0, 0) << "";
    // The decimal separator and the result mask.
    QTest::newRow("comma") << withSeparator(composed("0001000", 0, 0), 1) << "12,345";
    QTest::newRow("point") << withSeparator(composed("0001000", 0, 0), 2) << "12.345";
    QTest::newRow("system's (C)") << withSeparator(composed("0001000", 0, 0), 0) << "12.345";
    QTest::newRow("mask") << withMask(composed("0001100", 1, 0), QStringLiteral("0.0")) << "12.3;kg;";
    QTest::newRow("mask with text and comma")
        << withSeparator(withMask(composed("0001000", 0, 0), QStringLiteral("\"w=\"000.00")), 1) << "w=012,35";
    // Scripts written by hand.
    QTest::newRow("advanced default script") << advanced(":m") << "12.345";
    QTest::newRow("Tab and Enter codes") << advanced("A:#09B:#0D:#0A") << "A⇥B⏎";
    QTest::newRow("lines end in Enter") << advanced(":c\n:m") << "2⏎12.345";
    QTest::newRow("keys by code") << advanced(":$74:m:$1B:$0D:$09:$08") << "[F5]12.345[Esc]⏎⇥[Backspace]";
    QTest::newRow("navigation and letter keys")
        << advanced(":$21:$26:$41:$35:$63:$6B") << "[PgUp][↑][A][5][Num 3][Num +]";
    QTest::newRow("text before a key goes first") << advanced("x:$70y") << "x[F1]y";
    QTest::newRow("a key code no keyboard knows types nothing") << advanced("a:$07b") << "ab";
    QTest::newRow("escape and backspace characters") << advanced(":#1B:#08:#7F") << "[Esc][Backspace][Backspace]";
    QTest::newRow("a control code types its letter key") << advanced(":#01:#1A") << "az";
    QTest::newRow("a lone line feed types nothing") << advanced("a:#0Ab") << "ab";
    QTest::newRow("no-break space shown by its code") << advanced("1:#A0kg") << "1[U+00A0]kg";
    QTest::newRow("UTF-8 in the script") << advanced("\xc2\xb5g \xc4\x85") << "µg ą";
    QTest::newRow("unknown tokens and colons") << advanced("a:xb:::w") << "ab:";
    QTest::newRow("sum and average") << advanced(":s/:a") << "20.000/10.0000";
    QTest::newRow("empty script") << advanced("") << "";
}

void TestOutputPreview::showsWhatWouldBeTyped()
{
    QFETCH(ProcessingOptions, options);

    Statistics statistics;
    setTwoResults(statistics);
    const OutputPreview preview = OutputPreview::of(options, statistics, LocaleFormats::fromLocale(QLocale::c()));

    QTEST(preview.shown, "shown");
    QVERIFY2(preview.error.isEmpty(), qPrintable(preview.error));
    QCOMPARE(preview.line(), preview.shown);
}

// A mask the interpreter cannot use stops the script where the value was to go: the lines before it
// have gone out, the rest never does.
void TestOutputPreview::aMaskTooLongIsShownAsTheScriptsError()
{
    Statistics statistics;
    setTwoResults(statistics);
    const ProcessingOptions options = withMask(advanced("first\n:m\nlast"), QStringLiteral("0.") + QString(300, u'0'));

    const OutputPreview preview = OutputPreview::of(options, statistics, LocaleFormats::fromLocale(QLocale::c()));

    QCOMPARE(preview.shown, QStringLiteral("first⏎"));
    QVERIFY(!preview.error.isEmpty());
    QVERIFY(preview.line().startsWith(preview.shown));
    QVERIFY(preview.line().endsWith(preview.error));
}

// Even with typing off and an output file chosen, the preview shows the typing and writes nothing.
void TestOutputPreview::neitherTypesNorWrites()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ProcessingOptions options = composed("0001100", 1, 3);
    options.typeIntoFocusedWindow = false;
    options.appendToFile = true;
    options.outputFile = dir.filePath(QStringLiteral("out.txt"));
    Statistics statistics;
    setTwoResults(statistics);

    const OutputPreview preview = OutputPreview::of(options, statistics, LocaleFormats::fromLocale(QLocale::c()));

    QCOMPARE(preview.shown, QStringLiteral("12.345;kg;⏎"));
    QVERIFY(QDir(dir.path()).isEmpty());
    QCOMPARE(statistics.count(), 2);
}

void TestOutputPreview::exampleResult()
{
    const LocaleFormats formats = LocaleFormats::fromLocale(QLocale::c());
    Statistics statistics;
    OutputPreview::addExampleResult(statistics, formats, QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53)));

    const OutputPreview preview = OutputPreview::of(composed("1111111", 1, 0), statistics, formats);

    QCOMPARE(preview.shown, QStringLiteral("1;14 Mar 2026;09:26:53;12.345;kg;12.345;12.3450"));
}

QTEST_GUILESS_MAIN(TestOutputPreview)
#include "tst_outputpreview.moc"
