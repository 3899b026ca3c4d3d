#include "platform/x11/xhandles.h"
#include "platform/x11/xkbcharactermap.h"

#include <QTest>

#include <map>
#include <memory>

namespace {

// "Shift+AltGr+AC01" for a chord, by the keys' names in the keymap; empty for none.
QString describe(xkb_keymap* keymap, const std::optional<KeyChord>& chord)
{
    if (!chord)
        return {};
    QString text;
    if (chord->shift)
        text += QStringLiteral("Shift+");
    if (chord->altGr)
        text += QStringLiteral("AltGr+");
    return text + QString::fromLatin1(xkb_keymap_key_get_name(keymap, chord->key));
}

QString keyName(xkb_keymap* keymap, const std::optional<quint32>& key)
{
    return key ? QString::fromLatin1(xkb_keymap_key_get_name(keymap, *key)) : QString();
}

} // namespace

// The tables are read from keymaps that Debian's xkb-data compiles for real layouts, so the cases
// below are what a user of that layout sees, not what a hand-written keymap happens to contain.
class TestXkbCharacterMap : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void chordForCharacter_data();
    void chordForCharacter();
    void modifierKeysReachTheirLevels_data();
    void modifierKeysReachTheirLevels();
    void keyForVirtualKey_data();
    void keyForVirtualKey();

private:
    xkb_keymap* keymap(const QString& layouts);

    XkbContextPtr m_context;
    std::map<QString, XkbKeymapPtr> m_keymaps;
};

void TestXkbCharacterMap::initTestCase()
{
    // The developer's XKB_DEFAULT_* variables must not change what the layouts below compile to.
    m_context.reset(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    QVERIFY(m_context);
}

xkb_keymap* TestXkbCharacterMap::keymap(const QString& layouts)
{
    auto& slot = m_keymaps[layouts];
    if (!slot) {
        const QByteArray layout = layouts.toLatin1();
        const xkb_rule_names names{"evdev", "pc105", layout.constData(), "", ""};
        slot.reset(xkb_keymap_new_from_names(m_context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
    }
    return slot.get();
}

void TestXkbCharacterMap::chordForCharacter_data()
{
    QTest::addColumn<QString>("layouts");
    QTest::addColumn<int>("group");
    QTest::addColumn<uint>("character");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char* name, const char* layouts, int group, char32_t character, const char* expected) {
        QTest::newRow(name) << QString::fromLatin1(layouts) << group << uint(character)
                            << QString::fromLatin1(expected);
    };
    row("us: plain letter", "us", 0, U'a', "AC01");
    row("us: capital through Shift", "us", 0, U'A', "Shift+AC01");
    row("us: @ on Shift+2", "us", 0, U'@', "Shift+AE02");
    row("us: space", "us", 0, U' ', "SPCE");
    row("us: TAB", "us", 0, U'\t', "TAB");
    row("us: CR", "us", 0, U'\r', "RTRN");
    row("us: backspace", "us", 0, U'\b', "BKSP");
    row("us: escape", "us", 0, 0x1B, "ESC");
    row("us: a with ogonek absent", "us", 0, U'ą', "");
    // The only EuroSign key of an evdev keymap sits above keycode 255, where X cannot reach it.
    row("us: euro only beyond X keycodes", "us", 0, U'€', "");
    // 0x0B is the Clear keysym, which the keypad carries; a character must not turn into it.
    row("us: other control character absent", "us", 0, 0x0B, "");
    row("pl: a with ogonek on AltGr", "pl", 0, U'ą', "AltGr+AC01");
    row("pl: capital a with ogonek", "pl", 0, U'Ą', "Shift+AltGr+AC01");
    row("pl: l with stroke", "pl", 0, U'ł', "AltGr+AC09");
    row("pl: z with dot", "pl", 0, U'ż', "AltGr+AB01");
    row("pl: o with acute", "pl", 0, U'ó', "AltGr+AD09");
    // The layout writes U2030 although a legacy keysym (permille) exists for it.
    row("pl: per mille as Unicode keysym", "pl", 0, U'‰', "Shift+AltGr+AE05");
    row("de: z on the Y position", "de", 0, U'z', "AD06");
    row("de: y on the Z position", "de", 0, U'y', "AB01");
    row("de: @ on AltGr+q", "de", 0, U'@', "AltGr+AD01");
    row("de: euro on AltGr+e", "de", 0, U'€', "AltGr+AD03");
    row("de: sharp s plain", "de", 0, U'ß', "AE11");
    row("de: capital u umlaut", "de", 0, U'Ü', "Shift+AD11");
    row("de: circumflex only as a dead key", "de", 0, U'^', "");
    row("fr: 1 through Shift", "fr", 0, U'1', "Shift+AE01");
    row("fr: a on the Q position", "fr", 0, U'a', "AD01");
    row("fr: @ on AltGr", "fr", 0, U'@', "AltGr+AE10");
    row("us,pl: second group has a with ogonek", "us,pl", 1, U'ą', "AltGr+AC01");
    row("us,pl: first group lacks it", "us,pl", 0, U'ą', "");
    row("us,pl: one-group key in the second group", "us,pl", 1, U'\t', "TAB");
}

void TestXkbCharacterMap::chordForCharacter()
{
    QFETCH(QString, layouts);
    QFETCH(int, group);
    QFETCH(uint, character);
    QFETCH(QString, expected);

    xkb_keymap* compiled = keymap(layouts);
    QVERIFY2(compiled, qPrintable(QStringLiteral("xkb-data cannot compile ") + layouts));
    const XkbCharacterMap map(compiled, xkb_layout_index_t(group));
    QCOMPARE(describe(compiled, map.chordForCharacter(char32_t(character))), expected);
}

void TestXkbCharacterMap::modifierKeysReachTheirLevels_data()
{
    QTest::addColumn<QString>("layouts");
    QTest::addColumn<int>("group");
    QTest::addColumn<QString>("held");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("us Shift") << "us" << 0 << "Shift"
                              << "AC01"
                              << "A";
    QTest::newRow("us Caps Lock") << "us" << 0 << "CapsLock"
                                  << "AC01"
                                  << "A";
    QTest::newRow("pl AltGr") << "pl" << 0 << "AltGr"
                              << "AC01"
                              << "ą";
    QTest::newRow("pl Shift+AltGr") << "pl" << 0 << "Shift+AltGr"
                                    << "AC01"
                                    << "Ą";
    QTest::newRow("de AltGr") << "de" << 0 << "AltGr"
                              << "AD01"
                              << "@";
    QTest::newRow("fr AltGr") << "fr" << 0 << "AltGr"
                              << "AE10"
                              << "@";
    QTest::newRow("us,pl second group AltGr") << "us,pl" << 1 << "AltGr"
                                              << "AC01"
                                              << "ą";
}

// The modifier keys the map answers, pressed in an XKB state of that group, must give the level.
void TestXkbCharacterMap::modifierKeysReachTheirLevels()
{
    QFETCH(QString, layouts);
    QFETCH(int, group);
    QFETCH(QString, held);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    xkb_keymap* compiled = keymap(layouts);
    QVERIFY(compiled);
    const XkbCharacterMap map(compiled, xkb_layout_index_t(group));
    XkbStatePtr state(xkb_state_new(compiled));
    QVERIFY(state);
    xkb_state_update_mask(state.get(), 0, 0, 0, 0, 0, xkb_layout_index_t(group));

    const QStringList modifiers = held.split(u'+');
    if (modifiers.contains(u"Shift")) {
        QVERIFY(map.shiftKey());
        xkb_state_update_key(state.get(), *map.shiftKey(), XKB_KEY_DOWN);
    }
    if (modifiers.contains(u"AltGr")) {
        QVERIFY(map.altGrKey());
        xkb_state_update_key(state.get(), *map.altGrKey(), XKB_KEY_DOWN);
    }
    if (modifiers.contains(u"CapsLock")) {
        QVERIFY(map.capsLockKey());
        xkb_state_update_key(state.get(), *map.capsLockKey(), XKB_KEY_DOWN);
        xkb_state_update_key(state.get(), *map.capsLockKey(), XKB_KEY_UP);
    }

    const xkb_keycode_t keycode = xkb_keymap_key_by_name(compiled, key.toLatin1().constData());
    QVERIFY(keycode != XKB_KEYCODE_INVALID);
    QCOMPARE(QString(QChar(char16_t(xkb_state_key_get_utf32(state.get(), keycode)))), expected);
}

void TestXkbCharacterMap::keyForVirtualKey_data()
{
    QTest::addColumn<QString>("layouts");
    QTest::addColumn<int>("virtualKey");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char* name, const char* layouts, int virtualKey, const char* expected) {
        QTest::newRow(name) << QString::fromLatin1(layouts) << virtualKey << QString::fromLatin1(expected);
    };
    row("A", "us", 0x41, "AC01");
    row("Z", "us", 0x5A, "AB01");
    row("A follows the layout", "fr", 0x41, "AD01");
    row("Z follows the layout", "de", 0x5A, "AD06");
    row("0", "us", 0x30, "AE10");
    row("9", "us", 0x39, "AE09");
    row("1 on a shifted level", "fr", 0x31, "AE01");
    row("F1", "us", 0x70, "FK01");
    row("F12", "us", 0x7B, "FK12");
    row("F13 without an F13 keysym", "us", 0x7C, "FK13");
    row("F24", "us", 0x87, "FK24");
    row("numpad 0", "us", 0x60, "KP0");
    row("numpad 9", "us", 0x69, "KP9");
    row("numpad multiply", "us", 0x6A, "KPMU");
    row("numpad add", "us", 0x6B, "KPAD");
    row("numpad separator", "de", 0x6C, "KPDL");
    row("numpad subtract", "us", 0x6D, "KPSU");
    row("numpad divide", "us", 0x6F, "KPDV");
    row("backspace", "us", 0x08, "BKSP");
    row("tab", "us", 0x09, "TAB");
    row("enter", "us", 0x0D, "RTRN");
    row("escape", "us", 0x1B, "ESC");
    row("space", "us", 0x20, "SPCE");
    row("page up", "us", 0x21, "PGUP");
    row("page down", "us", 0x22, "PGDN");
    row("end", "us", 0x23, "END");
    row("home", "us", 0x24, "HOME");
    row("left", "us", 0x25, "LEFT");
    row("up", "us", 0x26, "UP");
    row("right", "us", 0x27, "RGHT");
    row("down", "us", 0x28, "DOWN");
    row("insert", "us", 0x2D, "INS");
    row("delete", "us", 0x2E, "DELE");
    row("unknown: 0x00", "us", 0x00, "");
    row("unknown: between digits and letters", "us", 0x3A, "");
    row("unknown: Windows key", "us", 0x5B, "");
    row("unknown: past F24", "us", 0x88, "");
    row("unknown: 0xFF", "us", 0xFF, "");
}

void TestXkbCharacterMap::keyForVirtualKey()
{
    QFETCH(QString, layouts);
    QFETCH(int, virtualKey);
    QFETCH(QString, expected);

    xkb_keymap* compiled = keymap(layouts);
    QVERIFY(compiled);
    const XkbCharacterMap map(compiled, 0);
    QCOMPARE(keyName(compiled, map.keyForVirtualKey(quint8(virtualKey))), expected);
}

QTEST_GUILESS_MAIN(TestXkbCharacterMap)
#include "tst_xkbcharactermap.moc"
