// The port search without a window: what it tries, what it reports on the way, and that it never leaves
// a port open or the search flag raised, even when a handler of its own signal destroys it.
#include "core/global.h"
#include "link/portsearch.h"
#include "support/scriptedportlink.h"

#include <QSignalSpy>
#include <QTest>

class TestPortSearch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void findsTheScaleAndReportsEachStep();
    void nothingFoundIsNothing();
    void destroyedFromItsOwnSignal();
    void answerEndedByCarriageReturnCountsWithMakerLines_data();
    void answerEndedByCarriageReturnCountsWithMakerLines();

private:
    std::unique_ptr<PortSearch> makeSearch();

    LinkRecord m_record;
};

void TestPortSearch::init()
{
    m_record = LinkRecord();
    Global::PortProbing = false;
    Global::PortConfigured = false;
}

void TestPortSearch::cleanup()
{
    QVERIFY(m_record.openNow.isEmpty());
    QCOMPARE(m_record.misdirected, 0);
    QVERIFY(!Global::PortProbing);
}

std::unique_ptr<PortSearch> TestPortSearch::makeSearch()
{
    auto search = std::make_unique<PortSearch>(std::make_unique<ScriptedLink>(m_record));
    search->setAnswerParser([](const QByteArray& answer) {
        if (Global::PortProbing && answer.contains(" kg"))
            Global::PortConfigured = true;
    });
    return search;
}

void TestPortSearch::findsTheScaleAndReportsEachStep()
{
    m_record.unopenable = {1};
    m_record.scaleAt(2, 12, 2);
    auto search = makeSearch();
    QSignalSpy steps(search.get(), &PortSearch::trying);

    const std::optional<PortSearch::Found> found = search->run([] { return 3; });

    QVERIFY(found);
    QCOMPARE(found->port, 2);
    QCOMPARE(found->baudCode, 12);
    QVERIFY(Global::PortConfigured);
    QCOMPARE(m_record.triesText(), QStringLiteral("1@10x 2@10 2@12"));
    QList<QList<int>> seen;
    for (const QList<QVariant>& step : steps)
        seen.append({step.at(0).toInt(), step.at(1).toInt(), step.at(2).toInt()});
    const QList<QList<int>> expected = {{2, 10, 0}, {2, 10, 1}, {2, 10, 2}, {2, 10, 3},
                                        {2, 12, 0}, {2, 12, 1}, {2, 12, 2}};
    QCOMPARE(seen, expected);
}

void TestPortSearch::nothingFoundIsNothing()
{
    auto search = makeSearch();
    QVERIFY(!search->run([] { return 2; }));
    QVERIFY(!Global::PortConfigured);
    QCOMPARE(m_record.triesText(), QStringLiteral("1@10 1@12 2@10 2@12"));
    QCOMPARE(m_record.closes, 4);
}

void TestPortSearch::destroyedFromItsOwnSignal()
{
    auto search = makeSearch();
    connect(search.get(), &PortSearch::trying, this, [&search](int, int, int attempt) {
        if (attempt == 2)
            search.reset();
    });
    PortSearch* running = search.get();
    QVERIFY(!running->run([] { return 5; }));
    QVERIFY(!search);
    QCOMPARE(m_record.triesText(), QStringLiteral("1@10"));
    QCOMPARE(m_record.closes, 1);
}

void TestPortSearch::answerEndedByCarriageReturnCountsWithMakerLines_data()
{
    QTest::addColumn<bool>("makerLines");
    QTest::newRow("plain lines: no line end, no answer") << false;
    QTest::newRow("maker lines: found") << true;
}

void TestPortSearch::answerEndedByCarriageReturnCountsWithMakerLines()
{
    QFETCH(bool, makerLines);
    m_record.answers.insert({1, 10}, {"186.65 kg\r", "186.65 kg\r", "186.65 kg\r"});
    auto search = makeSearch();
    search->setMakerLines(makerLines);
    const std::optional<PortSearch::Found> found = search->run([] { return 1; });
    QCOMPARE(found.has_value(), makerLines);
}

QTEST_GUILESS_MAIN(TestPortSearch)
#include "tst_portsearch.moc"
