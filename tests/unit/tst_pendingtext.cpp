// How the links cut what arrived into what the intake receives: the serial reader poll by poll, the
// Ethernet link arrival by arrival.
#include "link/pendingtext.h"

#include <QTest>

Q_DECLARE_METATYPE(ReadMode)

class TestPendingText : public QObject
{
    Q_OBJECT

private slots:
    void cutsByReadMode_data();
    void cutsByReadMode();
    void newModeAppliesToWhatIsPending();
    void carriageReturnAloneEndsALineWhenChosen_data();
    void carriageReturnAloneEndsALineWhenChosen();
    void carriageReturnEndsANetworkLine();
    void switchingOnEndsTheWaitingLines();
    void overlongLineIsDroppedWhole();
    void tooManyLinesDropTheOldestWhole();
    void reportNeverDropsWhatOnePollRead();
    void networkCutsEveryLine_data();
    void networkCutsEveryLine();
    void droppedLinesAreKeptOnlyWhenAsked();
};

namespace {

// One poll: what arrived before it (may be empty), and what it handed on (empty: nothing).
struct Poll
{
    QByteArray arrived;
    QByteArray handed;
};

// One arrival at the Ethernet link, and the lines the cut took from it.
struct Arrival
{
    QByteArray arrived;
    QList<QByteArray> lines;
};

} // namespace

Q_DECLARE_METATYPE(QList<Poll>)
Q_DECLARE_METATYPE(QList<Arrival>)

void TestPendingText::cutsByReadMode_data()
{
    QTest::addColumn<ReadMode>("mode");
    QTest::addColumn<QList<Poll>>("polls");
    QTest::addColumn<QByteArray>("left");

    const QByteArray weight("     12.345 kg\r\n");
    QTest::newRow("indication: a ten-byte line alone waits")
        << ReadMode::Indication << QList<Poll>{{"12345678\r\n", ""}, {"", ""}} << QByteArray("12345678\r\n");
    QTest::newRow("indication: a ten-byte line is dropped once more follows")
        << ReadMode::Indication << QList<Poll>{{"12345678\r\n", ""}, {"1", ""}} << QByteArray("1");
    QTest::newRow("indication: nine characters, CR and LF go on whole")
        << ReadMode::Indication << QList<Poll>{{"123456789\r\n", "123456789\r\n"}} << QByteArray();
    QTest::newRow("indication: short lines ahead of a result are dropped")
        << ReadMode::Indication << QList<Poll>{{"OK\r\nST\r\n" + weight, weight}} << QByteArray();
    QTest::newRow("indication: three lines at once, one per poll")
        << ReadMode::Indication
        << QList<Poll>{{weight + "      1.000 kg\r\n" + "      2.000 kg\r\n", weight},
                       {"", "      1.000 kg\r\n"},
                       {"", "      2.000 kg\r\n"},
                       {"", ""}}
        << QByteArray();
    QTest::newRow("indication: a line in pieces goes on when its LF arrives")
        << ReadMode::Indication << QList<Poll>{{"     12.3", ""}, {"45 kg\r", ""}, {"\n", weight}} << QByteArray();
    QTest::newRow("recognize: three lines at once, one per poll")
        << ReadMode::Recognize << QList<Poll>{{"a\r\nbb\r\n\n", "a\r\n"}, {"", "bb\r\n"}, {"", "\n"}, {"", ""}}
        << QByteArray();
    QTest::newRow("recognize: a lone LF is a line") << ReadMode::Recognize << QList<Poll>{{"\n", "\n"}} << QByteArray();
    QTest::newRow("recognize: the text after the last LF waits")
        << ReadMode::Recognize << QList<Poll>{{"12.5 kg\r\n12.", "12.5 kg\r\n"}, {"", ""}} << QByteArray("12.");
    QTest::newRow("report: half a line now, the rest next time")
        << ReadMode::Report << QList<Poll>{{"     12.3", "     12.3"}, {"45 kg\r\n", "45 kg\r\n"}} << QByteArray();
    QTest::newRow("report: several lines at once")
        << ReadMode::Report << QList<Poll>{{"SCAN\r\na\r\nb\r\n", "SCAN\r\na\r\nb\r\n"}} << QByteArray();
    QTest::newRow("CR alone ends no line in indication")
        << ReadMode::Indication << QList<Poll>{{"     12.345 kg\r", ""}, {"     12.345 kg\r", ""}}
        << QByteArray("     12.345 kg\r     12.345 kg\r");
    QTest::newRow("CR alone ends no line in recognize")
        << ReadMode::Recognize << QList<Poll>{{"1 kg\r", ""}, {"2 kg\r", ""}} << QByteArray("1 kg\r2 kg\r");
    QTest::newRow("zero bytes are kept") << ReadMode::Recognize
                                         << QList<Poll>{{QByteArray("\0 12.5\0 kg\r\n", 12),
                                                         QByteArray("\0 12.5\0 kg\r\n", 12)}}
                                         << QByteArray();
}

void TestPendingText::cutsByReadMode()
{
    QFETCH(ReadMode, mode);
    QFETCH(QList<Poll>, polls);
    QFETCH(QByteArray, left);

    PendingText pending;
    for (qsizetype i = 0; i < polls.size(); ++i) {
        pending.append(polls[i].arrived.constData(), polls[i].arrived.size());
        QCOMPARE(pending.take(mode), polls[i].handed);
        const bool moreDue = i + 1 < polls.size() && polls[i + 1].arrived.isEmpty() && !polls[i + 1].handed.isEmpty();
        QCOMPARE(pending.hasDue(mode), moreDue);
    }
    QCOMPARE(pending.text(), left);
}

void TestPendingText::carriageReturnAloneEndsALineWhenChosen_data()
{
    QTest::addColumn<ReadMode>("mode");
    QTest::addColumn<QList<Poll>>("polls");
    QTest::addColumn<QByteArray>("left");

    const QByteArray weight("     12.345 kg\r");
    const QByteArray ended("     12.345 kg\r\n");
    QTest::newRow("indication: each CR ends a line")
        << ReadMode::Indication << QList<Poll>{{weight, ended}, {weight, ended}} << QByteArray();
    QTest::newRow("recognize: two lines in one arrival")
        << ReadMode::Recognize << QList<Poll>{{"1 kg\r2 kg\r", "1 kg\r\n"}, {"", "2 kg\r\n"}, {"", ""}} << QByteArray();
    QTest::newRow("CR LF together stays one line end")
        << ReadMode::Recognize << QList<Poll>{{"1 kg\r\n2 kg\r\n", "1 kg\r\n"}, {"", "2 kg\r\n"}, {"", ""}}
        << QByteArray();
    QTest::newRow("CR LF split between arrivals stays one line end")
        << ReadMode::Indication << QList<Poll>{{weight, ended}, {"\n", ""}, {weight + "\n", ended}} << QByteArray();
    QTest::newRow("an LF later than right after the CR is a line of its own")
        << ReadMode::Recognize << QList<Poll>{{"1 kg\r", "1 kg\r\n"}, {"x\n", "x\n"}} << QByteArray();
    QTest::newRow("report: the lines of a printout")
        << ReadMode::Report << QList<Poll>{{"SCAN\rline\r", "SCAN\r\nline\r\n"}} << QByteArray();
    QTest::newRow("indication: a short result goes on, even before more text")
        << ReadMode::Indication << QList<Poll>{{"1250LG\rOK\r\n", "1250LG\r\n"}, {"", "OK\r\n"}} << QByteArray();
    QTest::newRow("a line without its CR waits")
        << ReadMode::Recognize << QList<Poll>{{"ST,+001", ""}, {".5 g\r", "ST,+001.5 g\r\n"}} << QByteArray();
}

// What a CR-only scale sends, as the cuts see it once a CR alone ends a line.
void TestPendingText::carriageReturnAloneEndsALineWhenChosen()
{
    QFETCH(ReadMode, mode);
    QFETCH(QList<Poll>, polls);
    QFETCH(QByteArray, left);

    PendingText pending;
    pending.setMakerLines(true);
    for (const Poll& poll : polls) {
        pending.append(poll.arrived.constData(), poll.arrived.size());
        QCOMPARE(pending.take(mode), poll.handed);
    }
    QCOMPARE(pending.text(), left);
}

// Switched on while lines ended by CR alone wait: they are due at once, in order, and an LF that the
// last CR still gets is not a line of its own.
void TestPendingText::switchingOnEndsTheWaitingLines()
{
    PendingText pending;
    const QByteArray waiting("1 kg\r2 kg\r");
    pending.append(waiting.constData(), waiting.size());
    QCOMPARE(pending.take(ReadMode::Recognize), QByteArray());
    pending.setMakerLines(true);
    QCOMPARE(pending.take(ReadMode::Recognize), QByteArray("1 kg\r\n"));
    pending.append("\n3 kg\r", 6);
    QCOMPARE(pending.take(ReadMode::Recognize), QByteArray("2 kg\r\n"));
    QCOMPARE(pending.take(ReadMode::Recognize), QByteArray("3 kg\r\n"));
    QVERIFY(pending.isEmpty());
}

// The Ethernet cut looks for the same line end.
void TestPendingText::carriageReturnEndsANetworkLine()
{
    PendingText network;
    network.setMakerLines(true);
    const QByteArray datagram("ST,+00123.45  g\r");
    network.append(datagram.constData(), datagram.size());
    QCOMPARE(network.takeNetworkLines(), QList<QByteArray>{datagram + '\n'});
    // However short the lines, and however many came at once.
    network.append("186.65g\r1.5g\r\n2g\r", 17);
    QCOMPARE(network.takeNetworkLines(), (QList<QByteArray>{"186.65g\r\n", "1.5g\r\n", "2g\r\n"}));
    QVERIFY(network.isEmpty());
}

void TestPendingText::newModeAppliesToWhatIsPending()
{
    PendingText pending;
    const QByteArray text("OK\r\n12.");
    pending.append(text.constData(), text.size());
    QVERIFY(!pending.hasDue(ReadMode::Indication));
    QVERIFY(pending.hasDue(ReadMode::Recognize));
    QVERIFY(pending.hasDue(ReadMode::Report));
    QCOMPARE(pending.take(ReadMode::Recognize), QByteArray("OK\r\n"));
    QCOMPARE(pending.take(ReadMode::Report), QByteArray("12."));
    QVERIFY(pending.isEmpty());
}

// A scale that never sends LF in a line mode: what is pending is bounded, and the end of the overlong
// line, when its LF finally comes, must not reach the intake as if it were a line of its own.
void TestPendingText::overlongLineIsDroppedWhole()
{
    PendingText pending;
    const QByteArray noLineEnd(PendingText::Limit + 100, '7');
    pending.append(noLineEnd.constData(), noLineEnd.size());
    QCOMPARE(pending.take(ReadMode::Recognize), QByteArray());
    pending.enforceLimit();
    QVERIFY(pending.isEmpty());

    const QByteArray more = QByteArray(5000, '7') + " kg\r\n      1.000 kg\r\n";
    pending.append(more.constData(), more.size());
    QCOMPARE(pending.take(ReadMode::Indication), QByteArray("      1.000 kg\r\n"));
    QVERIFY(pending.isEmpty());
}

// Lines arriving faster than one per poll: the oldest go, whole, and the newest stay.
void TestPendingText::tooManyLinesDropTheOldestWhole()
{
    PendingText pending;
    QByteArray lines;
    int count = 0;
    while (lines.size() <= PendingText::Limit + 1000)
        lines += QByteArray::number(++count).rightJustified(11, ' ') + " kg\r\n";
    pending.append(lines.constData(), lines.size());
    pending.enforceLimit();

    QVERIFY(pending.size() <= PendingText::Limit);
    QVERIFY(pending.size() > PendingText::Limit - 20);
    QVERIFY(pending.text().endsWith(QByteArray::number(count) + " kg\r\n"));
    // Every line left is whole: it starts where an earlier one ended.
    QVERIFY(lines.endsWith(pending.text()));
    QCOMPARE(lines.at(lines.size() - pending.size() - 1), '\n');
}

void TestPendingText::reportNeverDropsWhatOnePollRead()
{
    PendingText pending;
    const QByteArray burst(PendingText::Limit * 2, 'x');
    pending.append(burst.constData(), burst.size());
    QCOMPARE(pending.take(ReadMode::Report), burst);
}

void TestPendingText::networkCutsEveryLine_data()
{
    QTest::addColumn<QList<Arrival>>("arrivals");
    QTest::addColumn<QByteArray>("left");

    const QByteArray fourteen("     12.345 kg\r\n"); // the LF at position 16
    const QByteArray thirteen("    12.345 kg\r\n");  // the LF at position 15
    const QByteArray second("      1.000 kg\r\n");
    QTest::newRow("LF at 16 goes on with its CR LF") << QList<Arrival>{{fourteen, {fourteen}}} << QByteArray();
    QTest::newRow("LF at 15 is dropped") << QList<Arrival>{{thirteen, {}}} << QByteArray();
    QTest::newRow("a short answer drops only itself")
        << QList<Arrival>{{"OK\r\n" + fourteen, {fourteen}}} << QByteArray();
    QTest::newRow("three lines in one arrival go on at once, each once")
        << QList<Arrival>{{fourteen + second + fourteen, {fourteen, second, fourteen}}, {"", {}}} << QByteArray();
    QTest::newRow("lines and half a line: the half waits for its end")
        << QList<Arrival>{{fourteen + second + "      2.0", {fourteen, second}}, {"00 kg\r\n", {"      2.000 kg\r\n"}}}
        << QByteArray();
    QTest::newRow("a line in three pieces goes on once, with its LF")
        << QList<Arrival>{{"     12.3", {}}, {"45 kg", {}}, {"\r\n", {fourteen}}} << QByteArray();
    QTest::newRow("no LF: kept") << QList<Arrival>{{"    12.345 kg\r", {}}} << QByteArray("    12.345 kg\r");
    QTest::newRow("zero bytes count as characters")
        << QList<Arrival>{{QByteArray(15, '\0') + '\n', {QByteArray(15, '\0') + '\n'}}} << QByteArray();

    QByteArray burst;
    QList<QByteArray> burstLines;
    for (int i = 0; i < 10000; ++i) {
        burstLines << QByteArray::number(i).rightJustified(11, ' ') + " kg\r\n";
        burst += burstLines.constLast();
    }
    QTest::newRow("10,000 lines in one arrival") << QList<Arrival>{{burst, burstLines}} << QByteArray();
}

void TestPendingText::networkCutsEveryLine()
{
    QFETCH(QList<Arrival>, arrivals);
    QFETCH(QByteArray, left);

    PendingText pending;
    for (const Arrival& arrival : arrivals) {
        pending.append(arrival.arrived.constData(), arrival.arrived.size());
        QCOMPARE(pending.takeNetworkLines(), arrival.lines);
    }
    QCOMPARE(pending.text(), left);
}

// The monitor of received lines shows the short lines the cuts drop; nothing is kept unless it asks.
void TestPendingText::droppedLinesAreKeptOnlyWhenAsked()
{
    const QByteArray weight("     12.345 kg\r\n");
    const QByteArray arrived = "OK\r\n" + QByteArray("\x06\r\n") + weight;
    const QList<QByteArray> shortLines{"OK\r\n", "\x06\r\n"};
    for (const bool keep : {false, true}) {
        PendingText serial;
        serial.setKeepDropped(keep);
        serial.append(arrived.constData(), arrived.size());
        QCOMPARE(serial.take(ReadMode::Indication), weight);
        QCOMPARE(serial.takeDropped(), (keep ? shortLines : QList<QByteArray>()));
        QCOMPARE(serial.takeDropped(), QList<QByteArray>());

        PendingText network;
        network.setKeepDropped(keep);
        network.append(arrived.constData(), arrived.size());
        QCOMPARE(network.takeNetworkLines(), QList<QByteArray>{weight});
        QCOMPARE(network.takeDropped(), (keep ? shortLines : QList<QByteArray>()));
    }
}

QTEST_GUILESS_MAIN(TestPendingText)
#include "tst_pendingtext.moc"
