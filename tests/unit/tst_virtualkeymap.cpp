// The Wayland backend's own keymap: compiled by libxkbcommon as the compositor and every client compile
// it, each key must produce its character with no modifier, whatever the user's layout.
#include "platform/virtualkeysyms.h"
#include "platform/wayland/virtualkeymap.h"
#include "platform/x11/xhandles.h"

#include <QTest>

#include <xkbcommon/xkbcommon.h>

#include <string_view>

namespace {

// Compiled as compositors do, from the text alone: the developer's XKB_DEFAULT_* variables play no part.
XkbKeymapPtr compile(QByteArray text)
{
    if (!text.endsWith('\0'))
        return nullptr;
    const XkbContextPtr context(xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    return XkbKeymapPtr(xkb_keymap_new_from_string(context.get(), text.constData(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                                   XKB_KEYMAP_COMPILE_NO_FLAGS));
}

// What the key types in a client's plain state: its keysym, as a client's xkb_state reads it.
xkb_keysym_t keysymOf(xkb_keymap* keymap, quint32 key)
{
    const XkbStatePtr state(xkb_state_new(keymap));
    return xkb_state_key_get_one_sym(state.get(), key);
}

} // namespace

class TestVirtualKeymap : public QObject
{
    Q_OBJECT

private slots:
    void charactersComeFromPlainKeys_data();
    void charactersComeFromPlainKeys();
    void onlyANewCharacterChangesTheKeymap();
    void aFullKeymapGivesUpTheKeyUsedLongestAgo();
    void heldKeysKeepTheirKeysym();
};

void TestVirtualKeymap::charactersComeFromPlainKeys_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<quint32>>("keysyms"); // empty: the characters' own, read back as UTF-32

    QTest::newRow("a weighing line") << QStringLiteral("12.5 kg") << QList<quint32>{};
    QTest::newRow("both cases of a letter, on keys of their own") << QStringLiteral("aAzZ") << QList<quint32>{};
    // Characters that the US layout lacks and the Polish one reaches only through AltGr.
    QTest::newRow("Polish letters and the micro sign")
        << QStringLiteral("zażółć gęślą jaźń ŻÓŁĆ µg") << QList<quint32>{};
    QTest::newRow("characters no common layout has") << QStringLiteral("→€№ǅ") << QList<quint32>{};
    QTest::newRow("control characters with keys")
        << QStringLiteral("\t\r\b\x1b")
        << QList<quint32>{XKB_KEY_Tab, XKB_KEY_Return, XKB_KEY_BackSpace, XKB_KEY_Escape};
}

void TestVirtualKeymap::charactersComeFromPlainKeys()
{
    QFETCH(QString, text);
    QFETCH(QList<quint32>, keysyms);

    VirtualKeymap virtualKeymap;
    QList<quint32> keys;
    for (const char32_t character : text.toStdU32String()) {
        const std::optional<quint32> key = virtualKeymap.keyFor(keysymForCharacter(character));
        QVERIFY(key);
        QVERIFY(*key >= VirtualKeymap::firstKeycode && *key <= VirtualKeymap::lastKeycode);
        keys.append(*key);
    }
    const XkbKeymapPtr keymap = compile(virtualKeymap.takeText());
    QVERIFY(keymap);

    const std::u32string characters = text.toStdU32String();
    for (qsizetype index = 0; index < keys.size(); ++index) {
        const xkb_keysym_t keysym = keysymOf(keymap.get(), keys[index]);
        if (keysyms.isEmpty())
            QCOMPARE(uint(xkb_keysym_to_utf32(keysym)), uint(characters[size_t(index)]));
        else
            QCOMPARE(uint(keysym), uint(keysyms[index]));
    }
}

// Each new keymap costs the compositor, the focused client and XWayland a compile, so it is sent only
// when a character needs a key it does not have yet.
void TestVirtualKeymap::onlyANewCharacterChangesTheKeymap()
{
    VirtualKeymap keymap;
    QVERIFY(keymap.isChanged());
    keymap.takeText();
    QVERIFY(!keymap.isChanged());

    for (const char32_t character : std::u32string_view(U"0123456789.,-+ kgKGlb\t\r"))
        QVERIFY(keymap.keyFor(keysymForCharacter(character)));
    QVERIFY(!keymap.isChanged());

    const std::optional<quint32> key = keymap.keyFor(keysymForCharacter(U'ą'));
    QVERIFY(keymap.isChanged());
    keymap.takeText();
    QCOMPARE(keymap.keyFor(keysymForCharacter(U'ą')), key);
    QVERIFY(!keymap.isChanged());

    // Control characters without a key of their own are the caller's to map; they get none here.
    QCOMPARE(keysymForCharacter(U'\n'), quint32(XKB_KEY_NoSymbol));
    QCOMPARE(keysymForCharacter(0x01), quint32(XKB_KEY_NoSymbol));
    QCOMPARE(keymap.keyFor(XKB_KEY_NoSymbol), std::nullopt);
}

void TestVirtualKeymap::aFullKeymapGivesUpTheKeyUsedLongestAgo()
{
    VirtualKeymap keymap;
    const std::optional<quint32> digit = keymap.keyFor(XKB_KEY_5);
    QVERIFY(digit);

    // More new characters than there are keys: the latest ones and the digit, used again all along,
    // keep theirs.
    QList<quint32> latest;
    for (char32_t character = 0x400; character < 0x400 + 2 * VirtualKeymap::keyCount; ++character) {
        const std::optional<quint32> key = keymap.keyFor(keysymForCharacter(character));
        QVERIFY(key);
        QCOMPARE(keymap.keyFor(XKB_KEY_5), digit);
        latest.append(*key);
    }
    const XkbKeymapPtr compiled = compile(keymap.takeText());
    QVERIFY(compiled);
    QCOMPARE(keysymOf(compiled.get(), *digit), xkb_keysym_t(XKB_KEY_5));
    // Each of the last keyCount - 1 characters still sits on the key it was given.
    const int kept = VirtualKeymap::keyCount - 1;
    for (int back = 1; back <= kept; ++back) {
        const char32_t character = char32_t(0x400 + 2 * VirtualKeymap::keyCount - back);
        QCOMPARE(uint(xkb_keysym_to_utf32(keysymOf(compiled.get(), latest[latest.size() - back]))), uint(character));
    }
    // The earlier ones were given up: asking again hands out a key anew.
    QVERIFY(!keymap.isChanged());
    QVERIFY(keymap.keyFor(keysymForCharacter(0x400)));
    QVERIFY(keymap.isChanged());
}

// A key goes up on the keysym it went down with, so a held key is never given away; with every key
// held there is none to give.
void TestVirtualKeymap::heldKeysKeepTheirKeysym()
{
    VirtualKeymap keymap;
    const std::optional<quint32> held = keymap.keyFor(XKB_KEY_a);
    QVERIFY(held);
    keymap.setHeld(*held, true);
    for (char32_t character = 0x400; character < 0x400 + 2 * VirtualKeymap::keyCount; ++character) {
        const std::optional<quint32> key = keymap.keyFor(keysymForCharacter(character));
        QVERIFY(key);
        QVERIFY(key != held);
    }
    QCOMPARE(keymap.keyFor(XKB_KEY_a), held);

    for (quint32 key = VirtualKeymap::firstKeycode; key <= VirtualKeymap::lastKeycode; ++key)
        keymap.setHeld(key, true);
    QCOMPARE(keymap.keyFor(keysymForCharacter(U'ż')), std::nullopt);
    keymap.setHeld(*held, false);
    QCOMPARE(keymap.keyFor(keysymForCharacter(U'ż')), held);
}

QTEST_GUILESS_MAIN(TestVirtualKeymap)
#include "tst_virtualkeymap.moc"
