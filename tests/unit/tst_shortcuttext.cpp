#include "core/shortcuttext.h"

#include <QTest>

#include <optional>

using Combination = std::optional<QKeyCombination>;
using OptionalHotKey = std::optional<HotKey>;

namespace QTest {
template <>
char* toString(const OptionalHotKey& hotKey)
{
    if (!hotKey)
        return qstrdup("no hot key");
    return qstrdup(QByteArray("key 0x" + QByteArray::number(hotKey->key, 16) + " modifiers " +
                              QByteArray::number(hotKey->modifiers))
                       .constData());
}
} // namespace QTest

class TestShortCutText : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void readsWhatOtherSpellingsMean_data();
    void readsWhatOtherSpellingsMean();
    void keypadMarkOnOtherKeysIsDropped();
    void unparsableTextIsNoKey_data();
    void unparsableTextIsNoKey();
    void shortCutToHotKey_data();
    void shortCutToHotKey();
    void keyWithoutHotKey_data();
    void keyWithoutHotKey();
};

void TestShortCutText::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Combination>("combination");

    const auto row = [](const QString& text, QKeyCombination combination) {
        QTest::newRow(qPrintable(text)) << text << Combination(combination);
    };
    for (int number = 1; number <= 24; ++number)
        row(QStringLiteral("F%1").arg(number), Qt::Key(Qt::Key_F1 + number - 1));
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        row(QString(QChar(letter)), Qt::Key(letter));
    for (char digit = '0'; digit <= '9'; ++digit) {
        row(QString(QChar(digit)), Qt::Key(digit));
        row(QStringLiteral("Num %1").arg(QChar(digit)), Qt::KeypadModifier | Qt::Key(digit));
    }
    row("Num *", Qt::KeypadModifier | Qt::Key_Asterisk);
    row("Num +", Qt::KeypadModifier | Qt::Key_Plus);
    row("Num -", Qt::KeypadModifier | Qt::Key_Minus);
    row("Num .", Qt::KeypadModifier | Qt::Key_Period);
    row("Num /", Qt::KeypadModifier | Qt::Key_Slash);
    row("Esc", Qt::Key_Escape);
    row("Enter", Qt::Key_Return);
    row("Space", Qt::Key_Space);
    row("Tab", Qt::Key_Tab);
    row("BkSp", Qt::Key_Backspace);
    row("Ins", Qt::Key_Insert);
    row("Del", Qt::Key_Delete);
    row("Home", Qt::Key_Home);
    row("End", Qt::Key_End);
    row("PgUp", Qt::Key_PageUp);
    row("PgDn", Qt::Key_PageDown);
    row("Left", Qt::Key_Left);
    row("Up", Qt::Key_Up);
    row("Right", Qt::Key_Right);
    row("Down", Qt::Key_Down);
    // The main keyboard's punctuation is named by its character.
    row("*", Qt::Key_Asterisk);
    row("+", Qt::Key_Plus);

    row("Shift+F8", Qt::ShiftModifier | Qt::Key_F8);
    row("Ctrl+F9", Qt::ControlModifier | Qt::Key_F9);
    row("Alt+F10", Qt::AltModifier | Qt::Key_F10);
    row("Shift+Ctrl+Alt+F24", Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::Key_F24);
    row("Ctrl+A", Qt::ControlModifier | Qt::Key_A);
    row("Shift+5", Qt::ShiftModifier | Qt::Key_5);
    row("Ctrl+Alt+Num 5", Qt::ControlModifier | Qt::AltModifier | Qt::KeypadModifier | Qt::Key_5);
    row("Shift+Num +", Qt::ShiftModifier | Qt::KeypadModifier | Qt::Key_Plus);
    row("Ctrl++", Qt::ControlModifier | Qt::Key_Plus);
    row("Alt+Ins", Qt::AltModifier | Qt::Key_Insert);
    row("Shift+Del", Qt::ShiftModifier | Qt::Key_Delete);
    row("Ctrl+PgDn", Qt::ControlModifier | Qt::Key_PageDown);
    row("Shift+Ctrl+Esc", Qt::ShiftModifier | Qt::ControlModifier | Qt::Key_Escape);
    row("Alt+Space", Qt::AltModifier | Qt::Key_Space);
    row("Ctrl+Left", Qt::ControlModifier | Qt::Key_Left);
    QTest::newRow("empty") << "" << Combination();
}

void TestShortCutText::roundTrip()
{
    QFETCH(QString, text);
    QFETCH(Combination, combination);

    QCOMPARE(textToShortCut(text), combination);
    QCOMPARE(shortCutToText(combination), text);
}

// Files written by hand that still mean one of the stored texts.
void TestShortCutText::readsWhatOtherSpellingsMean_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Combination>("combination");

    QTest::newRow("lower case") << "shift+ctrl+f8" << Combination(Qt::ShiftModifier | Qt::ControlModifier | Qt::Key_F8);
    QTest::newRow("lower-case letter") << "a" << Combination(Qt::Key_A);
    QTest::newRow("keypad name in lower case") << "num 7" << Combination(Qt::KeypadModifier | Qt::Key_7);
}

void TestShortCutText::readsWhatOtherSpellingsMean()
{
    QFETCH(QString, text);
    QFETCH(Combination, combination);

    QCOMPARE(textToShortCut(text), combination);
}

// Qt marks the keypad's Home, arrows and Enter too; they are stored as the main keyboard's keys, which
// are the same keys to the X server.
void TestShortCutText::keypadMarkOnOtherKeysIsDropped()
{
    QCOMPARE(shortCutToText(Qt::KeypadModifier | Qt::Key_Home), QStringLiteral("Home"));
    QCOMPARE(shortCutToText(Qt::ControlModifier | Qt::KeypadModifier | Qt::Key_Left), QStringLiteral("Ctrl+Left"));
    QCOMPARE(ShortCutToHotKey(Qt::KeypadModifier | Qt::Key_Home), OptionalHotKey(HotKey{0x24, 0}));
}

void TestShortCutText::unparsableTextIsNoKey_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("garbage") << "not a key";
    QTest::newRow("modifier only") << "Ctrl+";
    QTest::newRow("two keys") << "F7, F8";
    QTest::newRow("F0") << "F0";
    QTest::newRow("F25") << "F25";
    QTest::newRow("leading zero") << "F07";
    QTest::newRow("keypad without digit") << "Num ";
    QTest::newRow("keypad letter") << "Num A";
    QTest::newRow("translated name") << "Strzałka w lewo";
    QTest::newRow("modifier after the key") << "F8+Ctrl";
}

void TestShortCutText::unparsableTextIsNoKey()
{
    QFETCH(QString, text);
    QVERIFY(!textToShortCut(text).has_value());
    QCOMPARE(ShortCutToHotKey(textToShortCut(text)), std::nullopt);
}

void TestShortCutText::shortCutToHotKey_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");

    const auto row = [](const QString& text, int key, int modifiers) {
        QTest::newRow(qPrintable(text)) << text << key << modifiers;
    };
    row("F1", 0x70, 0);
    row("F7", 0x76, 0);
    row("F8", 0x77, 0);
    row("F9", 0x78, 0);
    row("F10", 0x79, 0);
    row("F24", 0x87, 0);
    row("A", 0x41, 0);
    row("Z", 0x5A, 0);
    row("0", 0x30, 0);
    row("9", 0x39, 0);
    row("Num 0", 0x60, 0);
    row("Num 9", 0x69, 0);
    row("Num *", 0x6A, 0);
    row("Num +", 0x6B, 0);
    row("Num -", 0x6D, 0);
    row("Num .", 0x6E, 0);
    row("Num /", 0x6F, 0);
    row("BkSp", 0x08, 0);
    row("Tab", 0x09, 0);
    row("Enter", 0x0D, 0);
    row("Esc", 0x1B, 0);
    row("Space", 0x20, 0);
    row("PgUp", 0x21, 0);
    row("PgDn", 0x22, 0);
    row("End", 0x23, 0);
    row("Home", 0x24, 0);
    row("Left", 0x25, 0);
    row("Up", 0x26, 0);
    row("Right", 0x27, 0);
    row("Down", 0x28, 0);
    row("Ins", 0x2D, 0);
    row("Del", 0x2E, 0);
    row("Alt+F8", 0x77, 1);
    row("Ctrl+F8", 0x77, 2);
    row("Shift+F8", 0x77, 4);
    row("Ctrl+Alt+F8", 0x77, 3);
    row("Shift+Alt+F8", 0x77, 5);
    row("Shift+Ctrl+F8", 0x77, 6);
    row("Shift+Ctrl+Alt+F8", 0x77, 7);
    row("Shift+Ctrl+Num 5", 0x65, 6);
    row("Alt+Ins", 0x2D, 1);
}

void TestShortCutText::shortCutToHotKey()
{
    QFETCH(QString, text);
    QFETCH(int, key);
    QFETCH(int, modifiers);

    QCOMPARE(ShortCutToHotKey(textToShortCut(text)), OptionalHotKey(HotKey{quint8(key), quint8(modifiers)}));
}

// Punctuation sits on different keys in different layouts; a hot key on it would move with the layout.
void TestShortCutText::keyWithoutHotKey_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("asterisk") << "*";
    QTest::newRow("plus with Ctrl") << "Ctrl++";
    QTest::newRow("comma") << ",";
    QTest::newRow("no key") << "";
}

void TestShortCutText::keyWithoutHotKey()
{
    QFETCH(QString, text);
    QCOMPARE(ShortCutToHotKey(textToShortCut(text)), std::nullopt);
}

QTEST_APPLESS_MAIN(TestShortCutText)
#include "tst_shortcuttext.moc"
