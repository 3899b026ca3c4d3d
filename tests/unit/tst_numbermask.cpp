#include "processing/numbermask.h"

#include <QTest>

#include <limits>

namespace {

const QString nbsp = QStringLiteral("\u00a0");

void row(const char* name, const QString& mask, double value, const QString& expected, const QString& point = ".",
         const QString& group = ",")
{
    QTest::newRow(name) << mask << value << point << group << expected;
}

} // namespace

class TestNumberMask : public QObject
{
    Q_OBJECT

private slots:
    void format_data();
    void format();
    void decimalSeparatorPosition_data();
    void decimalSeparatorPosition();
    void maskLength_data();
    void maskLength();
};

void TestNumberMask::format_data()
{
    QTest::addColumn<QString>("mask");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("point");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QString>("expected");

    // Placeholders and the first point.
    row("0.#### keeps only significant decimals", "0.####", 12.5, "12.5");
    row("0.000 pads with zeros", "0.000", 12.5, "12.500");
    row("0 rounds 12.5 up", "0", 12.5, "13");
    row("0.0 rounds 12.25 up", "0.0", 12.25, "12.3");
    row("0.00 exact", "0.00", 12.25, "12.25");
    row("0.0000 pads", "0.0000", 12.25, "12.2500");
    row("0.# one decimal", "0.#", 12.5, "12.5");
    row("0.## drops the point", "0.##", 12, "12");
    row("0.0# keeps one zero", "0.0#", 12, "12.0");
    row("0. drops the point", "0.", 12, "12");
    row("leading zeros", "00000", 42, "00042");
    row("integral digits beyond placeholders", "0", 12345.6, "12346");
    row("huge value shows all digits", "0", 1e20, "100000000000000000000");
    row("# for zero is empty", "#", 0, "");
    row("#.## without integral zero", "#.##", 0.5, ".5");
    row("forced zero shows the digits to its right", "0##", 5, "005");
    row("further points produce nothing", "0.0.0", 1.25, "1.25");
    row("multi-character point", "0.00", 1.5, "1<>50", "<>");

    // Grouping.
    row("grouping with dot point", "#,##0.00", 1234567.891, "1,234,567.89");
    row("grouping with comma point", "#,##0.00", 1234567.891, "1.234.567,89", ",", ".");
    row("grouping with no-break space", "#,##0.00", 1234567.891, "1" + nbsp + "234" + nbsp + "567,89", ",", nbsp);
    row("no separator in front", "#,##0", 100000, "100,000");
    row("below a thousand", "#,##0", 999, "999");
    row("rounding carries into a new group", "#,##0", 999999.5, "1,000,000");
    row("comma after the point still groups", "0.00,", 1234.5, "1,234.50");
    row("negative grouped", "#,##0", -1234567, "-1,234,567");
    row("grouping leaves decimals alone", "0,.0000", 1.23456, "1.2346");

    // Scientific.
    row("E+ with two digits", "0.00E+00", 1234.5, "1.23E+03");
    row("E- small", "0.0E-0", 0.00012, "1.2E-4");
    row("E- omits plus", "0.0E-0", 12000, "1.2E4");
    row("lower case keeps case", "0.0e+000", 0.00012, "1.2e-004");
    row("mantissa carry moves exponent", "0.00E+00", 9.996, "1.00E+01");
    row("zero in scientific", "0.00E+00", 0, "0.00E+00");
    row("negative mantissa", "0.00E+00", -1234.5, "-1.23E+03");
    row("two integral mantissa digits", "00.0E+0", 1234.5, "12.3E+2");
    row("three exponent digits", "0.0E+0", 1.5e-300, "1.5E-300");
    row("optional mantissa decimals", "0.##E+0", 1200, "1.2E+3");
    row("exponent without placeholders", "E+0", 5, "5E+0");
    row("E+ without zero is text", "0E+", 5, "5E+");
    row("E+x is text", "0 E+x", 5, "5 E+x");
    row("placeholder after the exponent is ignored", "0E+0 0", 12345, "1E+4 ");

    // Quoted text and literals.
    row("literal between digits", "0-000", 1234, "1-234");
    row("minus after the prefix", "\"Netto \"0.0", -1.5, "Netto -1.5");
    row("single quoted suffix", "0.0' kg'", 1.25, "1.3 kg");
    row("quoted placeholders are text", "'#.0'0", 5, "#.05");
    row("quoted semicolon", "'a;b'0", 5, "a;b5");
    row("unquoted text after decimals", "0.0 kg", 2, "2.0 kg");
    row("text around suppressed digits stays", "(###) ###-####", 5551234, "() 555-1234");

    // Sections.
    row("negative section", "0.0;(0.0)", -1.5, "(1.5)");
    row("positive uses first", "0.0;(0.0)", 1.5, "1.5");
    row("empty negative falls back with minus", "0.0;;'zero'", -1.5, "-1.5");
    row("only one section gets minus", "0.0", -1.5, "-1.5");
    row("zero section", "0.0;(0.0);'zero'", 0, "zero");
    row("negative zero is zero", "0.0;(0.0);'zero'", -0.0, "zero");
    row("no zero section", "0.0;(0.0)", 0, "0.0");
    row("empty zero section", "0.0;(0.0);", 0, "0.0");
    row("fourth section ignored", "0;(0);'z';'x'", 0, "z");
    row("tiny negative uses negative section", "0.0;(0.0)", -0.04, "(0.0)");
    row("empty first section formats generally", ";(0)", 5, "5");

    // Half away from zero from the decimal text.
    row("2.675", "0.00", 2.675, "2.68");
    row("1.005", "0.00", 1.005, "1.01");
    row("12.345", "0.00", 12.345, "12.35");
    row("-2.5", "0", -2.5, "-3");
    row("0.5", "0", 0.5, "1");
    row("0.15", "0.0", 0.15, "0.2");
    row("carry into integral", "0.00", 9.995, "10.00");
    row("below half", "0.00", 0.004999, "0.00");
    row("far below the last decimal", "0", 1e-300, "0");

    // No minus on a value shown as zero.
    row("-0.4", "0", -0.4, "0");
    row("-0.0001", "0.000", -0.0001, "0.000");
    row("-0.0", "0.0", -0.0, "0.0");

    // General format.
    row("empty mask", "", 1.5, "1.5");
    row("general comma point", "", -1234.5, "-1234,5", ",");
    row("general binary noise", "", 0.1 + 0.2, "0.3");
    row("general 15 digits", "", 123456789012345.0, "123456789012345");
    row("general 16 digits", "", 1e15, "1E+15");
    row("general big", "", 1.5e20, "1.5E+20");
    row("general small fixed", "", 0.00001, "0.00001");
    row("general small exponent", "", 1.234e-20, "1.234E-20");
    row("general zero", "", 0, "0");

    // Not a number.
    row("NaN", "0.00", std::numeric_limits<double>::quiet_NaN(), "NAN");
    row("infinity", "0.00", std::numeric_limits<double>::infinity(), "INF");
    row("negative infinity", "0.00", -std::numeric_limits<double>::infinity(), "-INF");

    // Hostile masks.
    row("unterminated quote", "0'kg", 5, "5kg");
    row("only an unterminated quote", "'", 5, "");
    row("quote swallows semicolons", "0'a;b", -5, "-5a;b");
    row("lone comma", ",", 1234567, "1,234,567");
    row("lone point", ".", 12, "12");
    row("only points", "...", 1.5, "2");
    row("only text", "kg", -5, "kg");
    row("only semicolons", ";;;;", -5, "-5");
    row("lone E", "E", 5, "E");
    row("E at the end", "0e-", 5, "5e-");
    row("empty negative section by trailing semicolon", "0;", -5, "-5");
}

void TestNumberMask::format()
{
    QFETCH(QString, mask);
    QFETCH(double, value);
    QFETCH(QString, point);
    QFETCH(QString, group);
    QFETCH(QString, expected);

    const std::optional<MaskedNumber> result = formatWithMask(value, mask, point, group);
    QVERIFY(result.has_value());
    QCOMPARE(result->text, expected);
    if (result->decimalSeparatorAt >= 0)
        QCOMPARE(result->text.mid(result->decimalSeparatorAt, point.size()), point);
}

void TestNumberMask::decimalSeparatorPosition_data()
{
    QTest::addColumn<QString>("mask");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("point");
    QTest::addColumn<qsizetype>("expected");

    QTest::newRow("plain") << "0.00" << 1.5 << "." << qsizetype(1);
    QTest::newRow("quoted point before the number") << "'v.'0.00" << 1.5 << "." << qsizetype(3);
    QTest::newRow("multi-character point after minus") << "0.00" << -1.5 << "<>" << qsizetype(2);
    QTest::newRow("grouped") << "#,##0.0" << 1234.5 << "." << qsizetype(5);
    QTest::newRow("no integral digit") << "#.##" << -0.5 << "," << qsizetype(1);
    QTest::newRow("negative section") << "0.0;(0.0)" << -1.5 << "." << qsizetype(2);
    QTest::newRow("scientific") << "'x'0.0E+0" << 1234.0 << "." << qsizetype(2);
    QTest::newRow("general exponent") << "" << 1.5e20 << "." << qsizetype(1);
    QTest::newRow("point not shown") << "0.##" << 12.0 << "." << qsizetype(-1);
    QTest::newRow("no point in mask") << "'1.5'0" << 3.25 << "." << qsizetype(-1);
    QTest::newRow("general integer") << "" << 12.0 << "." << qsizetype(-1);
    QTest::newRow("NaN") << "0.0" << std::numeric_limits<double>::quiet_NaN() << "." << qsizetype(-1);
}

void TestNumberMask::decimalSeparatorPosition()
{
    QFETCH(QString, mask);
    QFETCH(double, value);
    QFETCH(QString, point);
    QFETCH(qsizetype, expected);

    const std::optional<MaskedNumber> result = formatWithMask(value, mask, point, ",");
    QVERIFY(result.has_value());
    QCOMPARE(result->decimalSeparatorAt, expected);
}

void TestNumberMask::maskLength_data()
{
    QTest::addColumn<QString>("mask");
    QTest::addColumn<bool>("usable");

    QTest::newRow("224 placeholders") << QString(224, u'0') << true;
    QTest::newRow("225 placeholders") << QString(225, u'0') << false;
    QTest::newRow("224 over three sections") << "0;0;" + QString(220, u'#') << true;
    QTest::newRow("225 over three sections") << "0;0;" + QString(221, u'#') << false;
    QTest::newRow("225 of text") << QString(225, u'x') << false;
}

void TestNumberMask::maskLength()
{
    QFETCH(QString, mask);
    QFETCH(bool, usable);

    for (const double value : {1.5, std::numeric_limits<double>::quiet_NaN()})
        QCOMPARE(formatWithMask(value, mask, ".", ",").has_value(), usable);
}

QTEST_APPLESS_MAIN(TestNumberMask)

#include "tst_numbermask.moc"
