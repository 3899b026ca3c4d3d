#include "processing/outputpreview.h"

#include "platform/keyboardinjector.h"
#include "platform/virtualkeysyms.h"
#include "processing/delivery.h"
#include "processing/localeformats.h"
#include "processing/processingoptions.h"
#include "processing/script.h"
#include "processing/statistics.h"

#include <QList>

namespace {

// Keys sent by virtual-key code are told apart from characters (at most 0x10FFFF) by this bit.
constexpr quint32 VirtualKeyBit = 0x80000000u;

// A keyboard that types nothing and writes down every key that goes down. Every character has a key
// of its own, with no modifiers and no Caps Lock, so the record reads back as the characters the
// delivery chose to type; a key code is known exactly when the real backends know it.
class RecordingKeys : public KeyboardInjector
{
public:
    QList<quint32> pressed;

    bool isAvailable() const override { return true; }
    void beginBurst() override {}
    void endBurst() override {}
    std::optional<KeyChord> chordForCharacter(char32_t character) override { return KeyChord{quint32(character)}; }
    std::optional<quint32> keyForVirtualKey(quint8 virtualKey) override
    {
        if (keysymForVirtualKey(virtualKey) == 0)
            return std::nullopt;
        return VirtualKeyBit | virtualKey;
    }
    std::optional<quint32> modifierKey(ModifierKey) override { return std::nullopt; }
    bool isCapsLockOn() override { return false; }
    void sendKey(quint32 key, bool down) override
    {
        if (down)
            pressed.append(key);
    }
};

QString bracketed(const QString& name)
{
    return u'[' + name + u']';
}

QString codeName(char32_t character)
{
    return bracketed(QStringLiteral("U+%1").arg(quint32(character), 4, 16, QLatin1Char('0')).toUpper());
}

// Characters a field would show as nothing, or as a blank that cannot be told from a space.
bool printsNothing(char32_t character)
{
    if (character == U' ')
        return false;
    switch (QChar::category(character)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_NotAssigned:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

QString shownCharacter(char32_t character)
{
    switch (character) {
    case U'\t':
        return QStringLiteral("⇥");
    case U'\r':
        return QStringLiteral("⏎");
    case U'\b':
        return bracketed(OutputPreview::tr("Backspace"));
    case 0x1B:
        return bracketed(QStringLiteral("Esc"));
    default:
        break;
    }
    if (printsNothing(character))
        return codeName(character);
    return QString::fromUcs4(&character, 1);
}

QString shownVirtualKey(quint8 code)
{
    // Digits and letters are keys here, not characters: the brackets tell the two apart.
    if (code >= 0x30 && code <= 0x39)
        return bracketed(QString(QChar(code)));
    if (code >= 0x41 && code <= 0x5A)
        return bracketed(QString(QChar(code)));
    if (code >= 0x60 && code <= 0x69)
        return bracketed(QStringLiteral("Num %1").arg(code - 0x60));
    if (code >= 0x70 && code <= 0x87)
        return bracketed(QStringLiteral("F%1").arg(code - 0x70 + 1));
    switch (code) {
    case 0x08:
        return bracketed(OutputPreview::tr("Backspace"));
    case 0x09:
        return QStringLiteral("⇥");
    case 0x0D:
        return QStringLiteral("⏎");
    case 0x1B:
        return bracketed(QStringLiteral("Esc"));
    case 0x20:
        return bracketed(OutputPreview::tr("Spacja"));
    case 0x21:
        return bracketed(QStringLiteral("PgUp"));
    case 0x22:
        return bracketed(QStringLiteral("PgDn"));
    case 0x23:
        return bracketed(QStringLiteral("End"));
    case 0x24:
        return bracketed(QStringLiteral("Home"));
    case 0x25:
        return bracketed(QStringLiteral("←"));
    case 0x26:
        return bracketed(QStringLiteral("↑"));
    case 0x27:
        return bracketed(QStringLiteral("→"));
    case 0x28:
        return bracketed(QStringLiteral("↓"));
    case 0x2D:
        return bracketed(QStringLiteral("Ins"));
    case 0x2E:
        return bracketed(QStringLiteral("Del"));
    case 0x6A:
        return bracketed(QStringLiteral("Num *"));
    case 0x6B:
        return bracketed(QStringLiteral("Num +"));
    case 0x6C:
        return bracketed(QStringLiteral("Num Sep"));
    case 0x6D:
        return bracketed(QStringLiteral("Num -"));
    case 0x6E:
        return bracketed(QStringLiteral("Num ."));
    case 0x6F:
        return bracketed(QStringLiteral("Num /"));
    default:
        return bracketed(QStringLiteral("0x%1").arg(code, 2, 16, QLatin1Char('0')).toUpper());
    }
}

} // namespace

OutputPreview OutputPreview::of(const ProcessingOptions& options, const Statistics& statistics,
                                const LocaleFormats& formats)
{
    ProcessingOptions dryRun = options;
    dryRun.typeIntoFocusedWindow = true;
    // Never a file: the preview must leave no trace.
    dryRun.appendToFile = false;
    dryRun.outputFile.clear();

    RecordingKeys keys;
    Delivery delivery(dryRun, keys);
    ScriptInterpreter interpreter(dryRun, statistics, delivery, formats);
    const bool ranToEnd = interpreter.runScript(dryRun.scriptToRun());

    OutputPreview preview;
    for (const quint32 key : std::as_const(keys.pressed)) {
        preview.shown += (key & VirtualKeyBit) ? shownVirtualKey(quint8(key & 0xFF)) : shownCharacter(char32_t(key));
    }
    // The interpreter stops only where a value cannot be formatted: the mask is too long for it.
    if (!ranToEnd)
        preview.error = tr("błąd: wartości nie da się zapisać tą maską, wynik zostanie pominięty");
    return preview;
}

void OutputPreview::addExampleResult(Statistics& statistics, const LocaleFormats& formats, const QDateTime& when)
{
    statistics.add(12.345, QStringLiteral("0.000"), QByteArrayLiteral("kg"), formats.dateText(when),
                   formats.timeText(when));
}

QString OutputPreview::line() const
{
    if (error.isEmpty())
        return shown;
    if (shown.isEmpty())
        return error;
    return shown + QStringLiteral("  ") + error;
}
