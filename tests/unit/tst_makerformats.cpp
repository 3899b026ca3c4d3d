#include "processing/makerformats.h"
#include "scalemodel.h"

#include <QTest>

Q_DECLARE_METATYPE(MakerReading::Kind)

class TestMakerFormats : public QObject
{
    Q_OBJECT

private slots:
    void readsEachFamily_data();
    void readsEachFamily();
    void statusLinesGiveNoWeight_data();
    void statusLinesGiveNoWeight();
    void leavesOtherLinesToThePlainParser_data();
    void leavesOtherLinesToThePlainParser();
    void readsTheSimulatedScalesShapes();
};

void TestMakerFormats::readsEachFamily_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QByteArray>("unit");
    QTest::addColumn<bool>("stable");
    QTest::addColumn<QByteArray>("shape");

    struct Row
    {
        const char* name;
        QByteArray line;
        double value;
        int decimals;
        QByteArray unit;
        bool stable;
        const char* shape;
    };
    const Row rows[] = {
        // A status header with commas, and a gross, net or tare code after it.
        {"stable", "ST,+00123.45  g\r\n", 123.45, 2, "g", true, "status header"},
        {"unstable", "US,-00012.30  g\r\n", -12.3, 2, "g", false, "status header"},
        {"gross", "ST,GS,+012.3456  kg\r\n", 12.3456, 4, "kg", true, "status header"},
        {"net, sign apart, unit glued", "ST,NT,+  1.234kg\r\n", 1.234, 3, "kg", true, "status header"},
        {"unstable tare", "US,TR,-   0.50 kg\r\n", -0.5, 2, "kg", false, "status header"},
        {"a count", "QT,+00000125PC\r\n", 125, -1, "PC", true, "status header"},
        {"blanks around the comma", "ST , +12.5 g\r\n", 12.5, 1, "g", true, "status header"},
        {"CR alone", "ST,+00123.45  g\r", 123.45, 2, "g", true, "status header"},
        {"gross code alone", "GS,+0012.50 kg\r\n", 12.5, 2, "kg", true, "gross/net header"},
        // A status letter, apart from the number or glued to its sign.
        {"letter and minus apart", "S-  186.65g\r\n", -186.65, 2, "g", true, "status letter"},
        {"letter, stable", "S S     100.00 g\r\n", 100, 2, "g", true, "status letter"},
        {"letter, dynamic", "S D     100.01 g\r\n", 100.01, 2, "g", false, "status letter"},
        {"letters glued, dynamic", "SD  -12.5 g\r\n", -12.5, 1, "g", false, "status letter"},
        {"letter and plus", "S+  0.001kg\r\n", 0.001, 3, "kg", true, "status letter"},
        // The sign glued to zero-padded digits, the unit glued or apart.
        {"plus, grains", "+0142.02 GN\r\n", 142.02, 2, "GN", true, "signed number"},
        {"blank before, two apart", " +123.45  GS\r\n", 123.45, 2, "GS", true, "signed number"},
        {"minus zero-padded", "-0000.50 kg\r\n", -0.5, 2, "kg", true, "signed number"},
        {"unit glued", "186.65g\r", 186.65, 2, "g", true, "signed number"},
        {"pounds", "12.345lb\r\n", 12.345, 3, "lb", true, "signed number"},
        {"zero-padded kilograms", "0015.000kg\r\n", 15, 3, "kg", true, "signed number"},
        {"no decimals", "1250LG\r", 1250, -1, "LG", true, "signed number"},
        {"decimal comma", "+0012,5 kg\r\n", 12.5, 1, "kg", true, "signed number"},
        {"percent", "+  98.20 %\r\n", 98.2, 2, "%", true, "signed number"},
        {"unsettled mark after", "  12.34 g ?\r\n", 12.34, 2, "g", false, "signed number"},
        {"unsettled mark before", "?  12.34 g\r\n", 12.34, 2, "g", false, "signed number"},
        // The frame and the line ends around it.
        {"STX and ETX", "\x02+0012.34kg\x03", 12.34, 2, "kg", true, "signed number"},
        {"STX, header, CR", "\x02ST,+0001.5 kg\r", 1.5, 1, "kg", true, "status header"},
        {"LF alone", "  7.5 kg\n", 7.5, 1, "kg", true, "signed number"},
        {"only the first line", "ST,+1.0 g\r\nST,+2.0 g\r\n", 1, 1, "g", true, "status header"},
        {"first line after empty ones", "\r\n\r\n+3.0 g\r\n", 3, 1, "g", true, "signed number"},
    };
    for (const Row& row : rows) {
        QTest::newRow(row.name) << row.line << row.value << row.decimals << row.unit << row.stable
                                << QByteArray(row.shape);
    }
}

void TestMakerFormats::readsEachFamily()
{
    QFETCH(QByteArray, line);
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QByteArray, unit);
    QFETCH(bool, stable);
    QFETCH(QByteArray, shape);

    const std::optional<MakerReading> reading = recogniseMakerLine(line);
    QVERIFY(reading);
    QCOMPARE(reading->kind, MakerReading::Kind::Weight);
    QCOMPARE(reading->value, value);
    QCOMPARE(reading->decimals, decimals);
    QCOMPARE(reading->unit, unit);
    QCOMPARE(reading->stable, stable);
    QCOMPARE(QByteArray(reading->shape.data(), reading->shape.size()), shape);
}

void TestMakerFormats::statusLinesGiveNoWeight_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("overload") << QByteArray("OL\r\n");
    QTest::newRow("overload header") << QByteArray("OL,+9999999 g\r\n");
    QTest::newRow("underload header") << QByteArray("UL,-0000000 g\r");
    QTest::newRow("plus reply") << QByteArray("+\r\n");
    QTest::newRow("minus reply") << QByteArray(" -\r");
    QTest::newRow("overload number") << QByteArray("+9999999E+19\r\n");
    QTest::newRow("underload number") << QByteArray("-9999999E+19\r\n");
    QTest::newRow("letter overload") << QByteArray("S +\r\n");
    QTest::newRow("letter underload") << QByteArray("S -\r\n");
    QTest::newRow("not executable") << QByteArray("S I\r\n");
    QTest::newRow("syntax error") << QByteArray("ES\r\n");
    QTest::newRow("transmission error") << QByteArray("ET\r\n");
    QTest::newRow("logical error") << QByteArray("EL\r\n");
    QTest::newRow("error word") << QByteArray("Err\r");
    QTest::newRow("error code") << QByteArray("E03\r\n");
    QTest::newRow("error word and code") << QByteArray("ERR 12\r\n");
    QTest::newRow("unsettled, no weight") << QByteArray("US\r\n");
    QTest::newRow("framed overload") << QByteArray("\x02OL\x03");
}

void TestMakerFormats::statusLinesGiveNoWeight()
{
    QFETCH(QByteArray, line);
    const std::optional<MakerReading> reading = recogniseMakerLine(line);
    QVERIFY(reading);
    QCOMPARE(reading->kind, MakerReading::Kind::StatusOnly);
}

void TestMakerFormats::leavesOtherLinesToThePlainParser_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("line ends only") << QByteArray("\r\n\r");
    QTest::newRow("a word before") << QByteArray("Brutto 12.5 kg\r\n");
    QTest::newRow("no unit") << QByteArray("+0012.50\r\n");
    QTest::newRow("unknown header") << QByteArray("XX,+12.5 g\r\n");
    QTest::newRow("header glued to a word") << QByteArray("Sum 12 kg\r\n");
    QTest::newRow("two results") << QByteArray("12.5 kg 13.0 kg\r\n");
    QTest::newRow("digit in the unit") << QByteArray("12.5 m2\r\n");
    QTest::newRow("star after the unit") << QByteArray("12.5 kg*\r\n");
    QTest::newRow("two marks") << QByteArray("1,250.5 kg\r\n");
    QTest::newRow("doubled sign") << QByteArray("-- 12.5 kg\r\n");
    QTest::newRow("unverified digit") << QByteArray("12.34[5] kg\r\n");
    QTest::newRow("digits beyond double") << QByteArray(400, '9') + " kg\r\n";
    QTest::newRow("few nines are a number") << QByteArray("+9999E+19\r\n");
    QTest::newRow("high bytes") << QByteArray("\xB5 12 \xB5g\r\n");
}

// Nothing taken from these: the plain parser reads them as before.
void TestMakerFormats::leavesOtherLinesToThePlainParser()
{
    QFETCH(QByteArray, line);
    QVERIFY(!recogniseMakerLine(line));
}

// The shapes the simulated scale offers for trying the makers' formats are read as the scale meant them.
void TestMakerFormats::readsTheSimulatedScalesShapes()
{
    for (const QByteArrayView name : ScaleModel::makerFormatNames()) {
        for (const double load : {12.345, -0.5, 0.0}) {
            ScaleModel scale;
            QVERIFY(scale.setFormat(ScaleModel::makerFormat(name)));
            scale.setLoad(load);
            const QByteArray line = scale.weightLine();
            const std::optional<MakerReading> reading = recogniseMakerLine(line);
            QVERIFY2(reading && reading->kind == MakerReading::Kind::Weight, line.constData());
            QVERIFY2(qAbs(reading->value - load) < 0.01, line.constData());
            QVERIFY2(reading->stable, line.constData());
        }
    }
}

QTEST_APPLESS_MAIN(TestMakerFormats)
#include "tst_makerformats.moc"
