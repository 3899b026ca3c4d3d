#include "core/shortcuttext.h"

#include <QTest>

#include <optional>

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
    QTest::addColumn<std::optional<QKeyCombination>>("combination");

    QTest::newRow("function key") << "F7" << std::optional<QKeyCombination>(Qt::Key_F7);
    QTest::newRow("modifiers in stored order")
        << "Shift+Ctrl+Alt+F10" << std::optional<QKeyCombination>(Qt::SHIFT | Qt::CTRL | Qt::ALT | Qt::Key_F10);
    QTest::newRow("escape") << "Esc" << std::optional<QKeyCombination>(Qt::Key_Escape);
    QTest::newRow("backspace") << "BkSp" << std::optional<QKeyCombination>(Qt::Key_Backspace);
    QTest::newRow("page down") << "Ctrl+PgDn" << std::optional<QKeyCombination>(Qt::CTRL | Qt::Key_PageDown);
    QTest::newRow("insert") << "Alt+Ins" << std::optional<QKeyCombination>(Qt::ALT | Qt::Key_Insert);
    QTest::newRow("letter") << "Ctrl+A" << std::optional<QKeyCombination>(Qt::CTRL | Qt::Key_A);
    QTest::newRow("digit") << "Shift+5" << std::optional<QKeyCombination>(Qt::SHIFT | Qt::Key_5);
    QTest::newRow("empty") << "" << std::optional<QKeyCombination>();
}

void TestShortCutText::roundTrip()
{
    QFETCH(QString, text);
    using Combination = std::optional<QKeyCombination>;
    QFETCH(Combination, combination);

    QCOMPARE(textToShortCut(text), combination);
    QCOMPARE(shortCutToText(combination), text);
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
    QVERIFY(!textToShortCut(text).has_value());
}

QTEST_APPLESS_MAIN(TestShortCutText)
#include "tst_shortcuttext.moc"
