#include "processing/script.h"

#include "processing/delivery.h"
#include "processing/localeformats.h"
#include "processing/numbermask.h"
#include "processing/processingoptions.h"
#include "processing/statistics.h"

#include <QList>

namespace {

// Lines end at CR LF, CR or LF; a break at the very end does not open an extra empty line.
QList<QByteArrayView> scriptLines(QByteArrayView script)
{
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < script.size()) {
        const char c = script[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        lines.append(script.sliced(start, i - start));
        i += (c == '\r' && i + 1 < script.size() && script[i + 1] == '\n') ? 2 : 1;
        start = i;
    }
    if (start < script.size())
        lines.append(script.sliced(start));
    return lines;
}

enum class CodeState { None, FirstDigit, SecondDigit };

} // namespace

ScriptInterpreter::ScriptInterpreter(const ProcessingOptions& options, const Statistics& statistics, Delivery& delivery,
                                     const LocaleFormats& formats)
    : m_options(options)
    , m_statistics(statistics)
    , m_delivery(delivery)
    , m_formats(formats)
{}

qint16 ScriptInterpreter::HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<qint16>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<qint16>(c - 'A' + 10);
    return -1;
}

std::optional<QString> ScriptInterpreter::FormatValue(bool isAverage, double x) const
{
    const Statistics& statistics = m_statistics;
    QString mask = m_options.useResultFormat ? m_options.resultFormat : statistics.valueMask();
    // The average always shows one decimal more than the results it is made of.
    if (isAverage)
        mask = statistics.valueMask() == u"0" ? QStringLiteral("0.0") : statistics.valueMask() + u'0';

    std::optional<MaskedNumber> formatted =
        formatWithMask(x, mask, m_formats.decimalSeparator, m_formats.groupSeparator);
    if (!formatted)
        return std::nullopt;

    // Only the decimal separator that the mask produced is replaced: a grouping '.' or a '.' in
    // quoted mask text stays what it is.
    if (formatted->decimalSeparatorAt >= 0) {
        QString separator;
        switch (m_options.decimalSeparatorChoice) {
        case 1:
            separator = QStringLiteral(",");
            break;
        case 2:
            separator = QStringLiteral(".");
            break;
        default:
            separator = m_formats.decimalSeparator;
            break;
        }
        formatted->text.replace(formatted->decimalSeparatorAt, m_formats.decimalSeparator.size(), separator);
    }
    return formatted->text;
}

bool ScriptInterpreter::runScript(const QByteArray& script)
{
    const Statistics& statistics = m_statistics;
    const QList<QByteArrayView> lines = scriptLines(script);

    // A pending colon and a half-read code carry over from one line to the next.
    bool colonPending = false;
    CodeState codeState = CodeState::None;
    int code = 0;
    bool codeIsKey = false;

    for (qsizetype lineIndex = 0; lineIndex < lines.size(); ++lineIndex) {
        QByteArray output;
        // Output before a key token is typed before the key; only what follows is typed at the end.
        qsizetype typedUpTo = 0;
        const auto typePending = [&] {
            if (m_options.typeIntoFocusedWindow && output.size() > typedUpTo)
                m_delivery.typeText(output.mid(typedUpTo));
            typedUpTo = output.size();
        };
        const auto appendValue = [&](bool isAverage, double x) {
            const std::optional<QString> text = FormatValue(isAverage, x);
            if (text)
                output += text->toUtf8();
            return text.has_value();
        };

        for (const char c : lines[lineIndex]) {
            if (c == ':') {
                if (colonPending)
                    output += ':';
                colonPending = !colonPending;
                continue;
            }
            if (colonPending) {
                colonPending = false;
                codeState = CodeState::None;
                code = 0;
                codeIsKey = false;
                switch (c) {
                case '#':
                    codeState = CodeState::FirstDigit;
                    break;
                case '$':
                    codeState = CodeState::FirstDigit;
                    codeIsKey = true;
                    break;
                case 'm':
                    if (!appendValue(false, statistics.lastValue()))
                        return false;
                    break;
                case 'u':
                    output += statistics.unit();
                    break;
                case 't':
                    output += statistics.timeText().toUtf8();
                    break;
                case 'd':
                    output += statistics.dateText().toUtf8();
                    break;
                case 'c':
                    output += QByteArray::number(statistics.count());
                    break;
                case 's':
                    if (!appendValue(false, statistics.sum()))
                        return false;
                    break;
                case 'a':
                    if (!appendValue(true, statistics.sum() / statistics.count()))
                        return false;
                    break;
                default:
                    break;
                }
                continue;
            }
            if (codeState != CodeState::None) {
                const qint16 digit = HexDigitValue(c);
                if (digit < 0) {
                    codeState = CodeState::None;
                    code = 0;
                    codeIsKey = false;
                    continue;
                }
                if (codeState == CodeState::FirstDigit) {
                    code = 16 * digit;
                    codeState = CodeState::SecondDigit;
                    continue;
                }
                code += digit;
                codeState = CodeState::None;
                if (codeIsKey) {
                    typePending();
                    if (m_options.typeIntoFocusedWindow)
                        m_delivery.sendKeyCode(static_cast<quint8>(code));
                } else {
                    output += static_cast<char>(code);
                }
                code = 0;
                continue;
            }
            output += c;
        }

        if (lineIndex + 1 < lines.size())
            output += "\r\n";
        typePending();
        if (m_options.appendToFile && !m_options.outputFile.isEmpty())
            m_delivery.appendToOutputFile(output);
    }
    return true;
}
