// The port search without a window: what it tries, the order and thread of what it reports, that it can
// be cancelled at any step, and that it never leaves a port open, even when a handler of its own signal
// destroys it.
#include "link/portsearch.h"
#include "support/scriptedportlink.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

namespace {

constexpr int SearchTimeoutMs = 15000;

// Accepts what a scale sends, as the weighing-line parser would.
bool scaleAnswer(const QByteArray& answer)
{
    return answer.contains(" kg");
}

} // namespace

class TestPortSearch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void reportsEachStepInOrderThenTheResult_data();
    void reportsEachStepInOrderThenTheResult();
    void refusesASecondStartWhileRunning();
    void cancelEndsTheSearchAtOnce_data();
    void cancelEndsTheSearchAtOnce();
    void destroyedFromItsOwnSignal();
    void answerEndedByCarriageReturnCountsWithMakerLines_data();
    void answerEndedByCarriageReturnCountsWithMakerLines();

private:
    std::unique_ptr<PortSearch> makeSearch();

    LinkRecord m_record;
};

using Step = QList<int>;

void TestPortSearch::init()
{
    m_record = LinkRecord();
}

void TestPortSearch::cleanup()
{
    QVERIFY(m_record.openNow.isEmpty());
    QCOMPARE(m_record.misdirected, 0);
}

std::unique_ptr<PortSearch> TestPortSearch::makeSearch()
{
    auto search = std::make_unique<PortSearch>(std::make_unique<ScriptedLink>(m_record));
    search->setAnswerParser(scaleAnswer);
    return search;
}

void TestPortSearch::reportsEachStepInOrderThenTheResult_data()
{
    QTest::addColumn<QList<int>>("unopenable");
    QTest::addColumn<QPoint>("scale");
    QTest::addColumn<int>("answersFromAttempt");
    QTest::addColumn<int>("maxPort");
    QTest::addColumn<QString>("tries");
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<QPoint>("found");

    const QPoint none;
    QTest::newRow("held COM1, scale on COM2 at 9600 from the second request")
        << QList<int>{1} << QPoint(2, 12) << 2 << 3 << "1@10x 2@10 2@12"
        << QList<Step>{{2, 10, 0}, {2, 10, 1}, {2, 10, 2}, {2, 10, 3}, {2, 12, 0}, {2, 12, 1}, {2, 12, 2}}
        << QPoint(2, 12);
    QTest::newRow("scale on COM1 at 4800")
        << QList<int>() << QPoint(1, 10) << 1 << 3 << "1@10" << QList<Step>{{1, 10, 0}, {1, 10, 1}} << QPoint(1, 10);
    QTest::newRow("nothing answers") << QList<int>() << none << 1 << 2 << "1@10 1@12 2@10 2@12"
                                     << QList<Step>{{1, 10, 0}, {1, 10, 1}, {1, 10, 2}, {1, 10, 3},
                                                    {1, 12, 0}, {1, 12, 1}, {1, 12, 2}, {1, 12, 3},
                                                    {2, 10, 0}, {2, 10, 1}, {2, 10, 2}, {2, 10, 3},
                                                    {2, 12, 0}, {2, 12, 1}, {2, 12, 2}, {2, 12, 3}}
                                     << none;
    QTest::newRow("no port opens") << QList<int>{1, 2} << none << 1 << 2 << "1@10x 2@10x" << QList<Step>() << none;
}

// The search asks on a thread of its own; what it says arrives on the thread that started it, every
// step in order and the end last.
void TestPortSearch::reportsEachStepInOrderThenTheResult()
{
    QFETCH(QList<int>, unopenable);
    QFETCH(QPoint, scale);
    QFETCH(int, answersFromAttempt);
    QFETCH(int, maxPort);
    QFETCH(QString, tries);
    QFETCH(QList<Step>, steps);
    QFETCH(QPoint, found);

    m_record.unopenable = QSet<int>(unopenable.begin(), unopenable.end());
    if (!scale.isNull())
        m_record.scaleAt(scale.x(), scale.y(), answersFromAttempt);
    auto search = makeSearch();
    QList<Step> seen;
    QList<QThread*> threads;
    std::optional<PortSearch::Result> result;
    connect(search.get(), &PortSearch::trying, this, [&](int port, int baudCode, int attempt) {
        QVERIFY(!result);
        seen.append({port, baudCode, attempt});
        threads.append(QThread::currentThread());
    });
    connect(search.get(), &PortSearch::finished, this, [&](const PortSearch::Result& end) {
        QVERIFY(!result);
        result = end;
        threads.append(QThread::currentThread());
    });
    QSignalSpy finished(search.get(), &PortSearch::finished);

    search->setMaxPort(maxPort);
    QVERIFY(search->start());
    QVERIFY(search->isRunning());
    QVERIFY(finished.wait(SearchTimeoutMs));

    QVERIFY(!search->isRunning());
    QVERIFY(result);
    QCOMPARE(result->has_value(), !found.isNull());
    if (!found.isNull())
        QCOMPARE(**result, (PortSearch::Found{found.x(), found.y()}));
    QCOMPARE(seen, steps);
    QCOMPARE(threads, QList<QThread*>(steps.size() + 1, thread()));
    QCOMPARE(m_record.triesText(), tries);
    for (const LinkRecord::Try& attempt : std::as_const(m_record.tries))
        QVERIFY(attempt.offMainThread);
    // Nothing comes after the end.
    QTest::qWait(50);
    QCOMPARE(finished.count(), 1);
}

void TestPortSearch::refusesASecondStartWhileRunning()
{
    m_record.holdReads = true;
    auto search = makeSearch();
    QSignalSpy steps(search.get(), &PortSearch::trying);
    QSignalSpy finished(search.get(), &PortSearch::finished);
    QVERIFY(search->start());
    QVERIFY(!search->start());
    QTRY_COMPARE_WITH_TIMEOUT(steps.count(), 2, SearchTimeoutMs);
    QVERIFY(!search->start());
    search->cancel();
    QTRY_COMPARE_WITH_TIMEOUT(m_record.closes, 1, SearchTimeoutMs);
    QCOMPARE(m_record.triesText(), QStringLiteral("1@10"));
    QCOMPARE(finished.count(), 0);
}

void TestPortSearch::cancelEndsTheSearchAtOnce_data()
{
    QTest::addColumn<bool>("startAgain");
    QTest::addColumn<QString>("tries");

    QTest::newRow("cancelled") << false << "1@10";
    // The new search waits for the old one to let go of its port; nothing more is heard of the old one.
    QTest::newRow("cancelled and started again") << true << "1@10 1@10";
}

// A read that waits is cut short, the port is closed, and the search says nothing more.
void TestPortSearch::cancelEndsTheSearchAtOnce()
{
    QFETCH(bool, startAgain);
    QFETCH(QString, tries);

    m_record.holdReads = true;
    m_record.scaleAt(1, 10);
    auto search = makeSearch();
    QSignalSpy steps(search.get(), &PortSearch::trying);
    QSignalSpy finished(search.get(), &PortSearch::finished);
    search->setMaxPort(255);
    QVERIFY(search->start());
    QTRY_COMPARE_WITH_TIMEOUT(steps.count(), 2, SearchTimeoutMs);

    search->cancel();
    QVERIFY(!search->isRunning());
    if (startAgain) {
        m_record.holdReads = false;
        QVERIFY(search->start());
        QVERIFY(finished.wait(SearchTimeoutMs));
        QCOMPARE(finished.first().first().value<PortSearch::Result>(), (PortSearch::Found{1, 10}));
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(m_record.closes, 1, SearchTimeoutMs);
        QTest::qWait(50);
        QCOMPARE(finished.count(), 0);
    }

    QCOMPARE(m_record.triesText(), tries);
    QCOMPARE(m_record.interruptedReads, 1);
    // The cancelled search said nothing after its first request; the new one started from port 1.
    const QList<int> expected = startAgain ? QList<int>{0, 1, 0, 1} : QList<int>{0, 1};
    QList<int> attempts;
    for (const QList<QVariant>& step : std::as_const(steps))
        attempts.append(step.at(2).toInt());
    QCOMPARE(attempts, expected);
}

void TestPortSearch::destroyedFromItsOwnSignal()
{
    m_record.holdReads = true;
    auto search = makeSearch();
    connect(search.get(), &PortSearch::trying, this, [&search](int, int, int attempt) {
        if (attempt == 1)
            search.reset();
    });
    search->setMaxPort(5);
    QVERIFY(search->start());
    QTRY_VERIFY_WITH_TIMEOUT(!search, SearchTimeoutMs);
    QCOMPARE(m_record.triesText(), QStringLiteral("1@10"));
    QCOMPARE(m_record.closes, 1);
    QCOMPARE(m_record.interruptedReads, 1);
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
    QSignalSpy finished(search.get(), &PortSearch::finished);
    QVERIFY(search->start());
    QVERIFY(finished.wait(SearchTimeoutMs));
    QCOMPARE(finished.first().first().value<PortSearch::Result>().has_value(), makerLines);
}

QTEST_GUILESS_MAIN(TestPortSearch)
#include "tst_portsearch.moc"
