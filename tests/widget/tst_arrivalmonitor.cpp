#include "processing/arrivallog.h"
#include "support/filecontents.h"
#include "support/fixedclock.h"
#include "support/scriptedmessages.h"
#include "ui/arrivalmonitor.h"

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

class TestArrivalMonitor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void attachedOnlyWhileShownAndNotPaused();
    void pauseKeepsTheTableAndResumeCatchesUp();
    void clearEmptiesTheLog();
    void copiesTheSelectedRows();
    void savesTheWholeLog();
    void followsTheNewestRowUntilTheUserScrollsUp();
    void theLogMayEndBeforeThePage();

private:
    QPushButton* button(const char* name) const { return m_monitor->findChild<QPushButton*>(name); }
    int shownRows() const { return m_monitor->table()->model()->rowCount(); }
    void record(int from, int count)
    {
        for (int n = from; n < from + count; ++n)
            m_log->recordSent("Z" + QByteArray::number(n) + "\r\n");
    }

    FixedClock m_clock;
    std::unique_ptr<ArrivalLog> m_log;
    std::unique_ptr<ArrivalMonitor> m_monitor;
};

void TestArrivalMonitor::init()
{
    m_log = std::make_unique<ArrivalLog>();
    m_log->setTimeSource([this] { return m_clock.now().toMSecsSinceEpoch(); });
    m_log->setLink(QStringLiteral("COM2"));
    m_monitor = std::make_unique<ArrivalMonitor>(*m_log);
    m_monitor->resize(700, 300);
}

void TestArrivalMonitor::cleanup()
{
    m_monitor.reset();
    m_log.reset();
}

void TestArrivalMonitor::attachedOnlyWhileShownAndNotPaused()
{
    QVERIFY(!m_log->isAttached());
    m_monitor->show();
    QVERIFY(m_log->isAttached());
    button("pauseButton")->click();
    QVERIFY(!m_log->isAttached());
    m_monitor->hide();
    button("pauseButton")->click();
    QVERIFY(!m_log->isAttached());
    m_monitor->show();
    QVERIFY(m_log->isAttached());
    m_monitor.reset();
    QVERIFY(!m_log->isAttached());
}

void TestArrivalMonitor::pauseKeepsTheTableAndResumeCatchesUp()
{
    m_monitor->show();
    record(0, 3);
    QCOMPARE(shownRows(), 3);

    button("pauseButton")->click();
    QVERIFY(m_monitor->isPaused());
    record(3, 2);
    QCOMPARE(shownRows(), 3);
    QCOMPARE(m_monitor->table()->model()->index(2, ArrivalLog::TextColumn).data().toString(),
             QStringLiteral("Z2⟨CR⟩⟨LF⟩"));
    // What came meanwhile was recorded all the same.
    QCOMPARE(m_log->toText().count(u'\n'), 5);

    button("pauseButton")->click();
    QCOMPARE(shownRows(), 5);
    QCOMPARE(m_monitor->table()->model()->index(4, ArrivalLog::TextColumn).data().toString(),
             QStringLiteral("Z4⟨CR⟩⟨LF⟩"));
}

void TestArrivalMonitor::clearEmptiesTheLog()
{
    m_monitor->show();
    record(0, 3);
    button("pauseButton")->click();
    button("clearButton")->click();
    QCOMPARE(shownRows(), 0);
    QCOMPARE(m_log->toText(), QString());
    button("pauseButton")->click();
    record(3, 1);
    QCOMPARE(shownRows(), 1);
}

void TestArrivalMonitor::copiesTheSelectedRows()
{
    m_monitor->show();
    record(0, 4);
    QTableView* table = m_monitor->table();
    table->selectRow(3);
    table->selectionModel()->select(table->model()->index(1, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    button("copyButton")->click();
    // In the table's order, whatever order they were selected in.
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("2026-03-14 09:26:53.000\tCOM2\tZ1⟨CR⟩⟨LF⟩\tpolecenie\twysłano do wagi\n"
                            "2026-03-14 09:26:53.000\tCOM2\tZ3⟨CR⟩⟨LF⟩\tpolecenie\twysłano do wagi\n"));

    // Ctrl+C in the table does the same.
    QGuiApplication::clipboard()->clear();
    table->setFocus();
    table->selectRow(0);
    QTest::keySequence(table, QKeySequence::Copy);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("2026-03-14 09:26:53.000\tCOM2\tZ0⟨CR⟩⟨LF⟩\tpolecenie\twysłano do wagi\n"));
}

void TestArrivalMonitor::savesTheWholeLog()
{
    QTemporaryDir dir;
    ScriptedMessages messages;
    m_monitor->show();
    record(0, 2);
    button("pauseButton")->click();
    record(2, 1);
    const QString path = dir.filePath(QStringLiteral("lines.txt"));
    m_monitor->setFileChooser([&path](QWidget*) { return std::optional(path); });
    button("saveButton")->click();
    // Everything the log holds, also what came while the table was paused.
    QCOMPARE(QString::fromUtf8(fileContents(path)), m_log->toText());
    QCOMPARE(fileContents(path).count('\n'), 3);
    QVERIFY(messages.shown.isEmpty());

    const QString unwritable = dir.filePath(QStringLiteral("missing/lines.txt"));
    m_monitor->setFileChooser([&unwritable](QWidget*) { return std::optional(unwritable); });
    button("saveButton")->click();
    QCOMPARE(messages.shown.size(), 1);
    QVERIFY(messages.shown.first().text.contains(unwritable));
    QCOMPARE(messages.shown.first().icon, MessagePresenter::Icon::Error);
}

void TestArrivalMonitor::followsTheNewestRowUntilTheUserScrollsUp()
{
    m_monitor->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_monitor.get()));
    QScrollBar* scroll = m_monitor->table()->verticalScrollBar();
    record(0, 200);
    QTRY_VERIFY(scroll->maximum() > 0);
    QTRY_COMPARE(scroll->value(), scroll->maximum());

    scroll->triggerAction(QAbstractSlider::SliderPageStepSub);
    const int readingAt = scroll->value();
    QVERIFY(readingAt < scroll->maximum());
    const int maximumBefore = scroll->maximum();
    record(200, 50);
    QTRY_VERIFY(scroll->maximum() > maximumBefore);
    QCOMPARE(scroll->value(), readingAt);

    scroll->triggerAction(QAbstractSlider::SliderToMaximum);
    const int maximumNow = scroll->maximum();
    record(250, 50);
    QTRY_VERIFY(scroll->maximum() > maximumNow);
    QTRY_COMPARE(scroll->value(), scroll->maximum());
}

// The window's children go in their own order; the page must not touch a log that went before it.
void TestArrivalMonitor::theLogMayEndBeforeThePage()
{
    m_monitor->show();
    record(0, 2);
    m_log.reset();
    QVERIFY(!m_monitor->table()->model());
    button("pauseButton")->click();
    button("clearButton")->click();
    button("copyButton")->click();
    m_monitor->hide();
    m_monitor.reset();
}

QTEST_MAIN(TestArrivalMonitor)
#include "tst_arrivalmonitor.moc"
