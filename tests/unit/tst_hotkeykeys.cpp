// The keys a stored hot-key text names, down to the X keysym the backend grabs: the names are never
// read as translated text, so each goes through the explicit tables, and each is checked here.

#include "core/shortcuttext.h"
#include "platform/x11/xkbcharactermap.h"

#include <QTest>

#include <xkbcommon/xkbcommon-keysyms.h>

class TestHotKeyKeys : public QObject
{
    Q_OBJECT

private slots:
    void storedNameToKeysym_data();
    void storedNameToKeysym();
};

void TestHotKeyKeys::storedNameToKeysym_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<uint>("keysym");

    const auto row = [](const QString& text, xkb_keysym_t keysym) {
        QTest::newRow(qPrintable(text)) << text << uint(keysym);
    };
    for (int number = 1; number <= 24; ++number)
        row(QStringLiteral("F%1").arg(number), XKB_KEY_F1 + xkb_keysym_t(number - 1));
    // A letter key's plain level carries the small letter.
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        row(QString(QChar(letter)), XKB_KEY_a + xkb_keysym_t(letter - 'A'));
    for (int digit = 0; digit <= 9; ++digit) {
        row(QString::number(digit), XKB_KEY_0 + xkb_keysym_t(digit));
        row(QStringLiteral("Num %1").arg(digit), XKB_KEY_KP_0 + xkb_keysym_t(digit));
    }
    row("Num *", XKB_KEY_KP_Multiply);
    row("Num +", XKB_KEY_KP_Add);
    row("Num -", XKB_KEY_KP_Subtract);
    row("Num .", XKB_KEY_KP_Decimal);
    row("Num /", XKB_KEY_KP_Divide);
    row("Esc", XKB_KEY_Escape);
    row("Enter", XKB_KEY_Return);
    row("Space", XKB_KEY_space);
    row("Tab", XKB_KEY_Tab);
    row("BkSp", XKB_KEY_BackSpace);
    row("Ins", XKB_KEY_Insert);
    row("Del", XKB_KEY_Delete);
    row("Home", XKB_KEY_Home);
    row("End", XKB_KEY_End);
    row("PgUp", XKB_KEY_Page_Up);
    row("PgDn", XKB_KEY_Page_Down);
    row("Left", XKB_KEY_Left);
    row("Up", XKB_KEY_Up);
    row("Right", XKB_KEY_Right);
    row("Down", XKB_KEY_Down);
    // The modifiers are bits beside the key; the keysym stays the key's own.
    row("Shift+Ctrl+Alt+F8", XKB_KEY_F8);
    row("Ctrl+Num 5", XKB_KEY_KP_5);
}

void TestHotKeyKeys::storedNameToKeysym()
{
    QFETCH(QString, text);
    QFETCH(uint, keysym);

    const std::optional<HotKey> hotKey = ShortCutToHotKey(textToShortCut(text));
    QVERIFY(hotKey);
    QCOMPARE(uint(XkbCharacterMap::keysymForVirtualKey(hotKey->key)), keysym);
}

QTEST_APPLESS_MAIN(TestHotKeyKeys)
#include "tst_hotkeykeys.moc"
