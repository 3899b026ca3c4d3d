#include "processing/statistics.h"

#include <QSignalSpy>
#include <QTest>

class TestStatistics : public QObject
{
    Q_OBJECT

private slots:
    void resultsAccumulateQuietlyUntilAnnounced();
    void resetClearsEverythingQuietly();
};

// Whoever shows the statistics hears of a result only once its output is done with.
void TestStatistics::resultsAccumulateQuietlyUntilAnnounced()
{
    Statistics statistics;
    QSignalSpy changes(&statistics, &Statistics::changed);
    QCOMPARE(statistics.valueMask(), QStringLiteral("0"));

    statistics.add(12.5, QStringLiteral("0.0"), "kg", QStringLiteral("14.03.2026"), QStringLiteral("09:26:53"));
    statistics.add(-2.25, QStringLiteral("0.00"), "lb", QStringLiteral("15.03.2026"), QStringLiteral("10:00:00"));
    QCOMPARE(changes.size(), 0);
    QCOMPARE(statistics.count(), 2);
    QCOMPARE(statistics.sum(), 10.25);
    QCOMPARE(statistics.lastValue(), -2.25);
    QCOMPARE(statistics.valueMask(), QStringLiteral("0.00"));
    QCOMPARE(statistics.unit(), QByteArray("lb"));
    QCOMPARE(statistics.dateText(), QStringLiteral("15.03.2026"));
    QCOMPARE(statistics.timeText(), QStringLiteral("10:00:00"));

    statistics.announce();
    QCOMPARE(changes.size(), 1);
}

void TestStatistics::resetClearsEverythingQuietly()
{
    Statistics statistics;
    statistics.add(12.5, QStringLiteral("0.0"), "kg", QStringLiteral("14.03.2026"), QStringLiteral("09:26:53"));
    QSignalSpy changes(&statistics, &Statistics::changed);

    statistics.reset();

    QCOMPARE(changes.size(), 0);
    QCOMPARE(statistics.lastValue(), 0.0);
    QCOMPARE(statistics.unit(), QByteArray());
    QCOMPARE(statistics.valueMask(), QStringLiteral("0"));
    QCOMPARE(statistics.count(), 0);
    QCOMPARE(statistics.sum(), 0.0);
    QVERIFY(statistics.dateText().isEmpty());
    QVERIFY(statistics.timeText().isEmpty());
}

QTEST_GUILESS_MAIN(TestStatistics)
#include "tst_statistics.moc"
