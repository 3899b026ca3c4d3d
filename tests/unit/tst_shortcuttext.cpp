#include "core/shortcuttext.h"

#include <QTest>

class TestShortCutText : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void unparsableTextIsNoKey_data();
    void unparsableTextIsNoKey();
};

void TestShortCutText::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QKeySequence>("sequence");

    QTest::newRow("function key") << "F7" << QKeySequence(Qt::Key_F7);
    QTest::newRow("modifiers in stored order")
        << "Shift+Ctrl+Alt+F10" << QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::ALT | Qt::Key_F10);
    QTest::newRow("escape") << "Esc" << QKeySequence(Qt::Key_Escape);
    QTest::newRow("backspace") << "BkSp" << QKeySequence(Qt::Key_Backspace);
    QTest::newRow("page down") << "Ctrl+PgDn" << QKeySequence(Qt::CTRL | Qt::Key_PageDown);
    QTest::newRow("insert") << "Alt+Ins" << QKeySequence(Qt::ALT | Qt::Key_Insert);
    QTest::newRow("letter") << "Ctrl+A" << QKeySequence(Qt::CTRL | Qt::Key_A);
    QTest::newRow("digit") << "Shift+5" << QKeySequence(Qt::SHIFT | Qt::Key_5);
    QTest::newRow("empty") << "" << QKeySequence();
}

void TestShortCutText::roundTrip()
{
    QFETCH(QString, text);
    QFETCH(QKeySequence, sequence);

    QCOMPARE(textToShortCut(text), sequence);
    QCOMPARE(shortCutToText(sequence), text);
}

void TestShortCutText::unparsableTextIsNoKey_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("garbage") << "not a key";
    QTest::newRow("modifier only") << "Ctrl+";
    QTest::newRow("two keys") << "F7, F8";
}

void TestShortCutText::unparsableTextIsNoKey()
{
    QFETCH(QString, text);
    QVERIFY(textToShortCut(text).isEmpty());
}

QTEST_APPLESS_MAIN(TestShortCutText)
#include "tst_shortcuttext.moc"
