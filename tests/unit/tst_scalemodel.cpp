// The scale's behaviour as bytes in and bytes out, with no port in between.

#include "scalemodel.h"

#include <QTest>

namespace {

// Feeds the same input whole and one byte at a time: a command split over reads must behave alike.
QByteArray feedWholeAndBytewise(const QByteArray& input, QByteArray* bytewise)
{
    ScaleModel whole;
    ScaleModel single;
    bytewise->clear();
    for (const char c : input)
        *bytewise += single.receive(QByteArrayView(&c, 1));
    return whole.receive(input);
}

} // namespace

class TestScaleModel : public QObject
{
    Q_OBJECT

private slots:
    void answersCommands_data();
    void answersCommands();
    void tareAndZero_data();
    void tareAndZero();
    void acknowledgesWhenConfigured();
    void formats_data();
    void formats();
    void reports_data();
    void reports();
};

void TestScaleModel::answersCommands_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray line = "     12.345 kg\r\n";
    const QByteArray fits = QByteArray(ScaleModel::MaxLineLength - 3, ' ') + "SI\r";
    QTest::newRow("SI with CR LF") << QByteArray("SI\r\n") << line;
    QTest::newRow("Sx1 with LF alone") << QByteArray("Sx1\n") << line;
    QTest::newRow("two commands in one chunk") << QByteArray("SI\r\nSx1\r\n") << line + line;
    QTest::newRow("no line end yet") << QByteArray("SI") << QByteArray();
    QTest::newRow("CR alone ends nothing") << QByteArray("SI\r") << QByteArray();
    QTest::newRow("commands are case-sensitive") << QByteArray("si\r\nSX1\r\n") << QByteArray();
    QTest::newRow("unknown command ignored, next answered") << QByteArray("XY\r\nSI\r\n") << line;
    QTest::newRow("garbage in front spoils the command") << QByteArray("\x00\xff\x80SI\r\n", 7) << QByteArray();
    QTest::newRow("garbage line then a command") << QByteArray("\x00\xff\x80\n\x1bSI\r\nSI\r\n", 13) << line;
    QTest::newRow("tare and zero answer nothing by default") << QByteArray("ST\r\nSZ\r\n") << QByteArray();
    QTest::newRow("longest line still heard") << fits + "\n" << line;
    QTest::newRow("one byte too long") << " " + fits + "\n" << QByteArray();
    QTest::newRow("tail of an overlong line is no command") << QByteArray(3 * ScaleModel::MaxLineLength, 'x') + "SI\r\n"
                                                            << QByteArray();
    QTest::newRow("heard again after an overlong line") << QByteArray(3 * ScaleModel::MaxLineLength, 'x') + "\nSI\r\n"
                                                        << line;
}

void TestScaleModel::answersCommands()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);

    QByteArray bytewise;
    QCOMPARE(feedWholeAndBytewise(input, &bytewise), expected);
    QCOMPARE(bytewise, expected);
}

void TestScaleModel::tareAndZero_data()
{
    // Each step is a load put on the scale (a number) or a command it hears; then it is asked for its weight.
    QTest::addColumn<QByteArrayList>("steps");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("tare subtracts the load at the time")
        << QByteArrayList{"5", "ST\r\n", "7.25"} << QByteArray("      2.250 kg\r\n");
    QTest::newRow("unloading a tared scale reads negative")
        << QByteArrayList{"5", "ST\r\n", "0"} << QByteArray("     -5.000 kg\r\n");
    QTest::newRow("a second tare replaces the first")
        << QByteArrayList{"5", "ST\r\n", "7", "ST\r\n", "9.5"} << QByteArray("      2.500 kg\r\n");
    QTest::newRow("zero clears the load") << QByteArrayList{"5", "SZ\r\n"} << QByteArray("      0.000 kg\r\n");
    QTest::newRow("zero clears the tare too")
        << QByteArrayList{"5", "ST\r\n", "SZ\r\n", "3"} << QByteArray("      3.000 kg\r\n");
    QTest::newRow("tare split over two reads")
        << QByteArrayList{"5", "S", "T\r\n", "6"} << QByteArray("      1.000 kg\r\n");
    QTest::newRow("unknown command changes nothing")
        << QByteArrayList{"5", "SX\r\n", "Sz\r\n"} << QByteArray("      5.000 kg\r\n");
}

void TestScaleModel::tareAndZero()
{
    QFETCH(QByteArrayList, steps);
    QFETCH(QByteArray, expected);

    ScaleModel model;
    for (const QByteArray& step : steps) {
        bool isLoad = false;
        const double load = step.toDouble(&isLoad);
        if (isLoad)
            model.setLoad(load);
        else
            model.receive(step);
    }
    QCOMPARE(model.receive("SI\r\n"), expected);
}

void TestScaleModel::acknowledgesWhenConfigured()
{
    ScaleModel model;
    model.setTareAcknowledgement("T\r\n");
    model.setZeroAcknowledgement("Z A\r\n");
    QCOMPARE(model.receive("ST\r\nSZ\r\nST\r\n"), QByteArray("T\r\nZ A\r\nT\r\n"));
}

void TestScaleModel::formats_data()
{
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<double>("weight");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("default") << QByteArray("%11.3f kg\\r\\n") << 12.345 << true << QByteArray("     12.345 kg\r\n");
    QTest::newRow("left-aligned, two decimals") << QByteArray("%-8.2f|\\n") << 1.5 << true << QByteArray("1.50    |\n");
    QTest::newRow("sign and zero padding") << QByteArray("%+09.3f g") << 2.0 << true << QByteArray("+0002.000 g");
    QTest::newRow("percent signs around") << QByteArray("%%%.0f%%") << 12.4 << true << QByteArray("%12%");
    QTest::newRow("framing bytes by hex escape") << QByteArray("\\x02%.1f\\x03\\t\\\\") << 3.24 << true
                                                 << QByteArray("\x02"
                                                               "3.2\x03\t\\");
    QTest::newRow("exponent form") << QByteArray("%.2e") << 1234.0 << true << QByteArray("1.23e+03");
    QTest::newRow("rounds to zero without a minus") << QByteArray("%.3f") << -0.0004 << true << QByteArray("0.000");
    QTest::newRow("a small negative stays negative") << QByteArray("%.3f") << -0.0006 << true << QByteArray("-0.001");
    QTest::newRow("integer conversion refused") << QByteArray("%d kg") << 1.0 << false << QByteArray();
    QTest::newRow("string conversion refused") << QByteArray("%s") << 1.0 << false << QByteArray();
    QTest::newRow("writing conversion refused") << QByteArray("%n%f") << 1.0 << false << QByteArray();
    QTest::newRow("no conversion") << QByteArray("kg\\r\\n") << 1.0 << false << QByteArray();
    QTest::newRow("two conversions") << QByteArray("%f %f") << 1.0 << false << QByteArray();
    QTest::newRow("unfinished conversion") << QByteArray("%10.3") << 1.0 << false << QByteArray();
    QTest::newRow("huge width refused") << QByteArray("%999999999f") << 1.0 << false << QByteArray();
    QTest::newRow("unknown escape") << QByteArray("%f\\q") << 1.0 << false << QByteArray();
    QTest::newRow("half a hex escape") << QByteArray("%f\\x4") << 1.0 << false << QByteArray();
    QTest::newRow("trailing backslash") << QByteArray("%f\\") << 1.0 << false << QByteArray();
}

void TestScaleModel::formats()
{
    QFETCH(QByteArray, typed);
    QFETCH(double, weight);
    QFETCH(bool, valid);
    QFETCH(QByteArray, expected);

    ScaleModel model;
    const QByteArray before = model.weightLine();
    const QByteArray pattern = ScaleModel::unescape(typed);
    QString error;
    QCOMPARE(!pattern.isNull() && model.setFormat(pattern, &error), valid);
    if (!valid) {
        // A refused pattern leaves the scale printing as before.
        QCOMPARE(model.weightLine(), before);
        return;
    }
    model.setLoad(weight);
    QCOMPARE(model.weightLine(), expected);
}

void TestScaleModel::reports_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<bool>("scan");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("plain") << QByteArray(ScaleModel::DefaultFormat) << false
                           << QByteArray("WEIGHING REPORT\r\n"
                                         "      1.250 kg\r\n"
                                         "      0.750 kg\r\n"
                                         "      3.000 kg\r\n"
                                         "TOTAL      5.000 kg\r\n");
    QTest::newRow("scanner in front") << QByteArray(ScaleModel::DefaultFormat) << true
                                      << QByteArray("WEIGHING REPORT\r\n"
                                                    "SCAN10001\r\n      1.250 kg\r\n"
                                                    "SCAN10002\r\n      0.750 kg\r\n"
                                                    "SCAN10003\r\n      3.000 kg\r\n"
                                                    "TOTAL      5.000 kg\r\n");
    QTest::newRow("weighings follow the format") << QByteArray("=%.2f\n") << true
                                                 << QByteArray("WEIGHING REPORT\r\n"
                                                               "SCAN10001\r\n=1.25\n"
                                                               "SCAN10002\r\n=0.75\n"
                                                               "SCAN10003\r\n=3.00\n"
                                                               "TOTAL=5.00\n");
}

void TestScaleModel::reports()
{
    QFETCH(QByteArray, format);
    QFETCH(bool, scan);
    QFETCH(QByteArray, expected);

    ScaleModel model;
    QVERIFY(model.setFormat(format));
    // The last weighing is the net load, so a tare shows in the report as on the display.
    model.setLoad(4.0);
    model.tare();
    model.setLoad(7.0);
    QCOMPARE(model.report(scan ? ScaleModel::ReportKind::Scan : ScaleModel::ReportKind::Plain), expected);
}

QTEST_APPLESS_MAIN(TestScaleModel)
#include "tst_scalemodel.moc"
