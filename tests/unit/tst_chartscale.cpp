#include "processing/chartscale.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>

class TestChartScale : public QObject
{
    Q_OBJECT

private slots:
    void labelsAreShortRoundNumbersCoveringTheValues_data();
    void labelsAreShortRoundNumbersCoveringTheValues();
    void countsGetWholeNumbers_data();
    void countsGetWholeNumbers();
    void valuesThatAreNoNumbersGiveTheUnitScale();
};

void TestChartScale::labelsAreShortRoundNumbersCoveringTheValues_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<int>("maxTicks");

    QTest::newRow("one result") << QList<double>{7.25} << 6;
    QTest::newRow("equal results") << QList<double>{12.5, 12.5, 12.5} << 6;
    QTest::newRow("zero alone") << QList<double>{0} << 6;
    QTest::newRow("across zero") << QList<double>{-3.1, 0, 2.4} << 6;
    QTest::newRow("only negative") << QList<double>{-0.3, -0.1} << 6;
    QTest::newRow("a tenth either side of zero") << QList<double>{-0.3, 0.3} << 6;
    QTest::newRow("large") << QList<double>{99999} << 6;
    QTest::newRow("large span") << QList<double>{-99999, 99999} << 6;
    QTest::newRow("tiny") << QList<double>{0.0001} << 6;
    QTest::newRow("tiny apart") << QList<double>{0.0001, 0.00012} << 6;
    QTest::newRow("mixed") << QList<double>{12.3, 14.2, 0, 3.141} << 6;
    QTest::newRow("close heavy results") << QList<double>{100000.1, 100000.2} << 6;
    QTest::newRow("a wandering weight") << QList<double>{10.0, 22.948} << 6;
    QTest::newRow("room for three") << QList<double>{12.3, 14.2, 0, 3.141} << 3;
    QTest::newRow("room for three across zero") << QList<double>{-0.001, 0.001} << 3;
    QTest::newRow("no room is room for three") << QList<double>{1, 2} << 0;
}

// What the vertical scale of the statistics chart prints: a label QtCharts cannot fit it replaces by "...",
// and a label that is no number, out of order or short of the points misleads.
void TestChartScale::labelsAreShortRoundNumbersCoveringTheValues()
{
    QFETCH(QList<double>, values);
    QFETCH(int, maxTicks);

    const auto [lowest, highest] = std::minmax_element(values.cbegin(), values.cend());
    const ChartScale scale = niceScale(*lowest, *highest, maxTicks);
    QVERIFY2(scale.tickCount() >= 2 && scale.tickCount() <= std::max(maxTicks, 3),
             qPrintable(QString::number(scale.tickCount())));
    if (maxTicks >= 5)
        QVERIFY2(scale.tickCount() >= 3, "too few ticks for the room");

    // A step of 1, 2 or 5 times a power of ten.
    const double decade = std::pow(10.0, std::floor(std::log10(scale.step()) + 1e-9));
    const double mantissa = scale.step() / decade;
    QVERIFY2(std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 || std::abs(mantissa - 5) < 1e-9,
             qPrintable(QString::number(scale.step())));
    QCOMPARE(scale.decimals(), std::max(0, -int(std::floor(std::log10(scale.step()) + 1e-9))));
    QCOMPARE(scale.labelFormat(), QStringLiteral("%.%1f").arg(scale.decimals()));

    QStringList labels;
    double previous = -std::numeric_limits<double>::infinity();
    bool fewerDecimalsWouldDo = true;
    for (int i = 0; i < scale.tickCount(); ++i) {
        const QString label = scale.label(i);
        labels.append(label);
        bool isNumber = false;
        const double value = label.toDouble(&isNumber);
        QVERIFY2(isNumber, qPrintable(label));
        QVERIFY2(!label.startsWith(QStringLiteral("-0")) || value != 0, qPrintable(label));
        QVERIFY2(std::abs(value - scale.tick(i)) <= scale.step() * 1e-9, qPrintable(label));
        QVERIFY2(value > previous, qPrintable(labels.join(u' ')));
        // Seven digits, a sign and a point: what the room beside a small chart holds.
        QVERIFY2(label.size() <= 9, qPrintable(label));
        previous = value;
        if (scale.decimals() > 0 && QString::number(value, 'f', scale.decimals() - 1).toDouble() != value)
            fewerDecimalsWouldDo = false;
    }
    if (scale.decimals() > 0)
        QVERIFY2(!fewerDecimalsWouldDo, qPrintable(labels.join(u' ')));
    QVERIFY2(scale.low() <= *lowest && *highest <= scale.high(), qPrintable(labels.join(u' ')));
    QCOMPARE(scale.low(), scale.tick(0));
    QCOMPARE(scale.high(), scale.tick(scale.tickCount() - 1));
}

void TestChartScale::countsGetWholeNumbers_data()
{
    QTest::addColumn<double>("first");
    QTest::addColumn<double>("last");

    QTest::newRow("the first result") << 1.0 << 1.0;
    QTest::newRow("two results") << 1.0 << 2.0;
    QTest::newRow("a full chart") << 1.0 << 1000.0;
    QTest::newRow("after a long run") << 99001.0 << 100000.0;
}

// The horizontal scale numbers the results: a tick between two results would be a result that never was.
void TestChartScale::countsGetWholeNumbers()
{
    QFETCH(double, first);
    QFETCH(double, last);

    const ChartScale scale = niceScale(first, last, 5, 1);
    QVERIFY(scale.step() >= 1);
    QCOMPARE(scale.decimals(), 0);
    QVERIFY(scale.tickCount() <= 5);
    QVERIFY(scale.low() <= first && last <= scale.high());
    for (int i = 0; i < scale.tickCount(); ++i)
        QCOMPARE(scale.tick(i), std::round(scale.tick(i)));
}

void TestChartScale::valuesThatAreNoNumbersGiveTheUnitScale()
{
    for (const double odd : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        const ChartScale scale = niceScale(0, odd);
        QCOMPARE(scale.low(), 0.0);
        QCOMPARE(scale.high(), 1.0);
        QCOMPARE(scale.tickCount(), 2);
    }
}

QTEST_APPLESS_MAIN(TestChartScale)
#include "tst_chartscale.moc"
