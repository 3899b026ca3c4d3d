// The port search without a window: what it tries, the order and thread of what it reports, that it can
// be cancelled at any step, and that it never leaves a port open, even when a handler of its own signal
// destroys it.
#include "link/portsearch.h"
#include "link/sio.h"
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
    void onlyAnAnswerAfterTheRequestCounts_data();
    void onlyAnAnswerAfterTheRequestCounts();
    void portsAreOpenedInTheLineFormat();
    void saysWhatHappenedOnEachPort();

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

void TestPortSearch::onlyAnAnswerAfterTheRequestCounts_data()
{
    QTest::addColumn<QPoint>("stale");
    QTest::addColumn<QPoint>("scale");
    QTest::addColumn<QPoint>("found");

    // A scale streaming at 9600 by itself leaves whole lines in the queue of a port nobody reads; opened
    // at 4800, they must not pass for an answer at 4800.
    QTest::newRow("stale line at 4800, scale at 9600") << QPoint(1, 10) << QPoint(1, 12) << QPoint(1, 12);
    QTest::newRow("stale line on COM1, scale on COM2") << QPoint(1, 12) << QPoint(2, 10) << QPoint(2, 10);
    QTest::newRow("stale line, no scale") << QPoint(1, 10) << QPoint() << QPoint();
}

void TestPortSearch::onlyAnAnswerAfterTheRequestCounts()
{
    QFETCH(QPoint, stale);
    QFETCH(QPoint, scale);
    QFETCH(QPoint, found);

    m_record.waiting.insert({stale.x(), stale.y()}, ScaleLine + ScaleLine);
    if (!scale.isNull())
        m_record.scaleAt(scale.x(), scale.y());
    auto search = makeSearch();
    search->setTiming({0, 0, 0});
    search->setMaxPort(2);
    QSignalSpy finished(search.get(), &PortSearch::finished);
    QVERIFY(search->start());
    QVERIFY(finished.wait(SearchTimeoutMs));

    const auto result = finished.first().first().value<PortSearch::Result>();
    QCOMPARE(result.has_value(), !found.isNull());
    if (!found.isNull())
        QCOMPARE(*result, (PortSearch::Found{found.x(), found.y()}));
    // Every request went out on an emptied input: after the opening, after the settling, before each.
    for (const LinkRecord::Try& attempt : std::as_const(m_record.tries)) {
        QCOMPARE(attempt.flushedBeforeRead, QList<bool>(attempt.reads, true));
        QCOMPARE(attempt.flushes, 2 + attempt.reads);
    }
}

void TestPortSearch::portsAreOpenedInTheLineFormat()
{
    auto search = makeSearch();
    LineFormat format;
    format.dataBits = 7;
    format.parity = LineFormat::Parity::Even;
    format.flowControl = LineFormat::FlowControl::Hardware;
    search->setLineFormat(format);
    search->setTiming({0, 0, 0});
    QSignalSpy finished(search.get(), &PortSearch::finished);
    QVERIFY(search->start());
    // Taken at the start: a change while the search runs is for the next one.
    search->setLineFormat(LineFormat());
    QVERIFY(finished.wait(SearchTimeoutMs));

    QCOMPARE(m_record.triesText(), QStringLiteral("1@10 1@12"));
    for (const LinkRecord::Try& attempt : std::as_const(m_record.tries)) {
        QCOMPARE(attempt.settings.DataBits + attempt.settings.ParityBits + attempt.settings.StopBits,
                 Sio::DataBits7 + Sio::ParityEven + Sio::StopBits1);
        QVERIFY(attempt.settings.HardwareFlow && !attempt.settings.SoftwareFlow);
        QCOMPARE(attempt.settings.Dtr, quint8(1));
    }
}

// What a search that found nothing tells about each port, and the one answer it keeps to show.
void TestPortSearch::saysWhatHappenedOnEachPort()
{
    using Kind = PortSearchOutcome::Kind;
    using Problem = PortAccess::Problem;
    PortAccess missing;
    missing.problem = Problem::NoDevice;
    PortAccess forbidden;
    forbidden.problem = Problem::PermissionDenied;
    forbidden.group = QStringLiteral("dialout");
    PortAccess held;
    held.problem = Problem::Busy;
    held.holder = QStringLiteral("minicom (4242)");
    m_record.unopenable = {1, 2, 3};
    m_record.refusals = {{1, missing}, {2, forbidden}, {3, held}};
    // COM4 is silent. COM5 sends noise at 4800 and a maker's line, which the plain parser does not take,
    // at 9600. COM6 answers with an echo only, at both speeds.
    m_record.answers.insert({5, 10}, {"\x81\x92", QByteArray(), "\x81"});
    m_record.answers.insert({5, 12}, {QByteArray(), "1250LG\r\n"});
    m_record.answers.insert({6, 10}, {"SI\r\n"});
    m_record.answers.insert({6, 12}, {"SI\r\n"});

    auto search = makeSearch();
    search->setMakerFormatsParser([](const QByteArray& answer) { return answer.startsWith("1250LG"); });
    search->setTiming({0, 0, 0});
    search->setMaxPort(6);
    QSignalSpy finished(search.get(), &PortSearch::finished);
    QVERIFY(search->start());
    QVERIFY(finished.wait(SearchTimeoutMs));
    QVERIFY(!finished.first().first().value<PortSearch::Result>());

    const QList<PortSearchOutcome> outcomes = search->outcomes();
    QCOMPARE(outcomes.size(), 6);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(outcomes.at(i).port, i + 1);
    const QList<Kind> kinds = {Kind::NotOpened, Kind::NotOpened,   Kind::NotOpened,
                               Kind::Silent,    Kind::NotWeighing, Kind::NotWeighing};
    for (int i = 0; i < 6; ++i)
        QCOMPARE(outcomes.at(i).kind, kinds.at(i));
    QCOMPARE(outcomes.at(0).access.problem, Problem::NoDevice);
    QCOMPARE(outcomes.at(1).access.problem, Problem::PermissionDenied);
    QCOMPARE(outcomes.at(1).access.group, QStringLiteral("dialout"));
    QCOMPARE(outcomes.at(2).access.holder, QStringLiteral("minicom (4242)"));
    QCOMPARE(outcomes.at(3).sample, QByteArray());
    // The maker's line is the one kept, since it tells the user what to turn on.
    QCOMPARE(outcomes.at(4).sample, QByteArray("1250LG\r\n"));
    QCOMPARE(outcomes.at(4).sampleBaudCode, 12);
    QVERIFY(outcomes.at(4).makerFormatsRead);
    QCOMPARE(outcomes.at(5).sample, QByteArray("SI\r\n"));
    QCOMPARE(outcomes.at(5).sampleBaudCode, 10);
    QVERIFY(!outcomes.at(5).makerFormatsRead);

    // A found scale is an outcome too, and the ports after it are not tried.
    m_record = LinkRecord();
    m_record.scaleAt(2, 12);
    QVERIFY(search->start());
    QVERIFY(finished.wait(SearchTimeoutMs));
    QCOMPARE(search->outcomes().size(), 2);
    QCOMPARE(search->outcomes().at(0).kind, Kind::Silent);
    QCOMPARE(search->outcomes().at(1).kind, Kind::Found);
}

QTEST_GUILESS_MAIN(TestPortSearch)
#include "tst_portsearch.moc"
