#include "processing/numbermask.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

constexpr qsizetype unusableMaskLength = LongestMask + 1;
// Beyond 15 significant digits a double carries binary noise, not digits anyone typed or weighed.
constexpr int significantDigits = 15;

// A non-negative decimal number: digits[0] stands for 10^exponent, each further digit one power lower.
// No leading or trailing zeros are kept, so zero has no digits at all.
struct Decimal
{
    QByteArray digits;
    int exponent = 0;

    bool isZero() const { return digits.isEmpty(); }
    int lowestPower() const { return exponent - int(digits.size()) + 1; }
    char digitAt(int power) const
    {
        const qsizetype index = qsizetype(exponent) - power;
        return index >= 0 && index < digits.size() ? digits.at(index) : '0';
    }
    void dropTrailingZeros()
    {
        while (!digits.isEmpty() && digits.back() == '0')
            digits.chop(1);
    }
};

// Rounding has to start from the decimal text a person would read for the value (2.675, not
// 2.67499999999999982236431605997495353221893310546875), hence the detour through 15 digits.
Decimal toDecimal(double magnitude)
{
    Decimal result;
    if (magnitude == 0)
        return result;
    char buffer[64];
    const auto converted =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, significantDigits - 1);
    const char* p = buffer;
    for (; p != converted.ptr && *p != 'e'; ++p) {
        if (*p != '.')
            result.digits.append(*p);
    }
    if (p != converted.ptr)
        ++p;
    // from_chars accepts a leading minus but not a plus.
    if (p != converted.ptr && *p == '+')
        ++p;
    std::from_chars(p, converted.ptr, result.exponent);
    result.dropTrailingZeros();
    return result;
}

// Keeps the digits down to 10^lowestPower, rounding the rest half away from zero.
Decimal roundAt(Decimal value, int lowestPower)
{
    if (value.isZero() || value.lowestPower() >= lowestPower)
        return value;
    const qsizetype kept = qsizetype(value.exponent) - lowestPower + 1;
    if (kept < 0)
        return {};
    const bool up = value.digits.at(kept) >= '5';
    value.digits.truncate(kept);
    if (up) {
        while (!value.digits.isEmpty() && value.digits.back() == '9')
            value.digits.chop(1);
        if (value.digits.isEmpty()) {
            value.digits = "1";
            value.exponent = lowestPower + int(kept);
            return value;
        }
        ++value.digits.back();
    }
    value.dropTrailingZeros();
    return value;
}

struct Token
{
    enum Kind { Literal, Digit, Point, Group, Exponent };
    Kind kind = Literal;
    QString text;
    bool forced = false;
    bool integral = false;
};

struct Section
{
    QList<Token> tokens;
    bool grouping = false;
    int integralCount = 0;
    int fractionCount = 0;
    // Placeholder counts that must always be shown: from the leftmost integral '0' rightwards and
    // from the point to the rightmost fractional '0'.
    int forcedIntegral = 0;
    int forcedFraction = 0;
    // Token in front of which the integral digits that have no placeholder of their own go; -1 when the
    // section is only text and shows no number.
    qsizetype anchor = -1;
    bool scientific = false;
    QChar exponentLetter;
    bool exponentPlus = false;
    int exponentDigits = 0;
};

bool isQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

// Returns the index of the quote closing the one at start, or the end when it is never closed.
qsizetype closingQuote(QStringView text, qsizetype start)
{
    const qsizetype found = text.indexOf(text.at(start), start + 1);
    return found < 0 ? text.size() : found;
}

QList<QStringView> splitSections(QStringView mask)
{
    QList<QStringView> sections;
    qsizetype begin = 0;
    for (qsizetype i = 0; i < mask.size() && sections.size() < 2; ++i) {
        if (isQuote(mask.at(i)))
            i = closingQuote(mask, i);
        else if (mask.at(i) == u';') {
            sections.append(mask.mid(begin, i - begin));
            begin = i + 1;
        }
    }
    QStringView last = mask.mid(begin);
    // A third ';' ends the zero section; what follows it is dropped.
    for (qsizetype i = 0; i < last.size(); ++i) {
        if (isQuote(last.at(i)))
            i = closingQuote(last, i);
        else if (last.at(i) == u';') {
            last = last.left(i);
            break;
        }
    }
    sections.append(last);
    return sections;
}

void appendLiteral(QList<Token>& tokens, QStringView text)
{
    if (text.isEmpty())
        return;
    if (tokens.isEmpty() || tokens.back().kind != Token::Literal)
        tokens.append(Token{Token::Literal, QString(), false, false});
    tokens.back().text += text;
}

// Length of an exponent mark ("E+00", "e-0", ...) starting at i, or 0 when there is none.
qsizetype exponentLength(QStringView text, qsizetype i)
{
    if (text.at(i) != u'E' && text.at(i) != u'e')
        return 0;
    if (i + 2 >= text.size() || (text.at(i + 1) != u'+' && text.at(i + 1) != u'-'))
        return 0;
    qsizetype end = i + 2;
    while (end < text.size() && text.at(end) == u'0')
        ++end;
    return end > i + 2 ? end - i : 0;
}

Section parseSection(QStringView text)
{
    Section section;
    bool pointSeen = false;
    qsizetype pointToken = -1;
    qsizetype firstGroupToken = -1;
    qsizetype firstIntegralToken = -1;
    qsizetype exponentToken = -1;
    int leftmostForcedIntegral = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (isQuote(c)) {
            const qsizetype close = closingQuote(text, i);
            appendLiteral(section.tokens, text.mid(i + 1, close - i - 1));
            i = close;
        } else if (c == u',') {
            section.grouping = true;
            if (firstGroupToken < 0 && !section.scientific) {
                firstGroupToken = section.tokens.size();
                section.tokens.append(Token{Token::Group, QString(), false, false});
            }
        } else if (section.scientific && (c == u'0' || c == u'#' || c == u'.')) {
            // The number ends with its exponent; stray placeholders after it have nowhere to go.
        } else if (c == u'0' || c == u'#') {
            const bool forced = c == u'0';
            if (pointSeen) {
                ++section.fractionCount;
                if (forced)
                    section.forcedFraction = section.fractionCount;
            } else {
                if (firstIntegralToken < 0)
                    firstIntegralToken = section.tokens.size();
                if (forced && leftmostForcedIntegral < 0)
                    leftmostForcedIntegral = section.integralCount;
                ++section.integralCount;
            }
            section.tokens.append(Token{Token::Digit, QString(), forced, !pointSeen});
        } else if (c == u'.') {
            if (!pointSeen) {
                pointSeen = true;
                pointToken = section.tokens.size();
                section.tokens.append(Token{Token::Point, QString(), false, false});
            }
        } else if (const qsizetype length = exponentLength(text, i); length > 0) {
            section.scientific = true;
            section.exponentLetter = c;
            section.exponentPlus = text.at(i + 1) == u'+';
            section.exponentDigits = int(length - 2);
            exponentToken = section.tokens.size();
            section.tokens.append(Token{Token::Exponent, QString(), false, false});
            i += length - 1;
        } else
            appendLiteral(section.tokens, text.mid(i, 1));
    }
    if (leftmostForcedIntegral >= 0)
        section.forcedIntegral = section.integralCount - leftmostForcedIntegral;
    for (const qsizetype candidate : {firstIntegralToken, pointToken, exponentToken, firstGroupToken}) {
        if (candidate >= 0) {
            section.anchor = candidate;
            break;
        }
    }
    return section;
}

class Writer
{
public:
    Writer(const Section& section, const QString& decimalSeparator, const QString& groupSeparator)
        : m_section(section)
        , m_decimalSeparator(decimalSeparator)
        , m_groupSeparator(groupSeparator)
    {}

    MaskedNumber write(double magnitude, bool negative)
    {
        const Section& s = m_section;
        if (s.scientific)
            prepareScientific(magnitude);
        else
            m_number = roundAt(toDecimal(magnitude), -s.fractionCount);
        m_signPending = negative && !m_number.isZero();

        const int integralLength = m_number.isZero() || m_number.exponent < 0 ? 0 : m_number.exponent + 1;
        const int integralShown = std::max(integralLength, s.forcedIntegral);
        const int fractionShown = std::max(std::max(0, -m_number.lowestPower()), s.forcedFraction);
        int integralIndex = 0;
        int fractionIndex = 0;
        for (qsizetype t = 0; t < s.tokens.size(); ++t) {
            const Token& token = s.tokens.at(t);
            if (t == s.anchor) {
                for (int power = integralShown - 1; power >= s.integralCount; --power)
                    writeIntegralDigit(power);
            }
            switch (token.kind) {
            case Token::Literal:
                m_result.text += token.text;
                break;
            case Token::Group:
                break;
            case Token::Digit:
                if (token.integral) {
                    const int power = s.integralCount - 1 - integralIndex++;
                    if (power < integralShown)
                        writeIntegralDigit(power);
                } else if (fractionIndex++ < fractionShown)
                    writeDigit(m_number.digitAt(-fractionIndex));
                break;
            case Token::Point:
                if (fractionShown > 0) {
                    writeSignIfPending();
                    m_result.decimalSeparatorAt = m_result.text.size();
                    m_result.text += m_decimalSeparator;
                }
                break;
            case Token::Exponent:
                writeExponent();
                break;
            }
        }
        return m_result;
    }

private:
    // The mantissa gets as many integral digits as the mask has integral placeholders (at least one).
    void prepareScientific(double magnitude)
    {
        const Section& s = m_section;
        const int integralDigits = std::max(1, s.integralCount);
        const Decimal exact = toDecimal(magnitude);
        if (exact.isZero())
            return;
        m_number = roundAt(exact, exact.exponent - integralDigits - s.fractionCount + 1);
        m_exponent = m_number.exponent - (integralDigits - 1);
        m_number.exponent = integralDigits - 1;
    }

    void writeSignIfPending()
    {
        if (m_signPending)
            m_result.text += u'-';
        m_signPending = false;
    }

    void writeDigit(char digit)
    {
        writeSignIfPending();
        m_result.text += QLatin1Char(digit);
    }

    void writeIntegralDigit(int power)
    {
        writeDigit(m_number.digitAt(power));
        if (m_section.grouping && power > 0 && power % 3 == 0)
            m_result.text += m_groupSeparator;
    }

    void writeExponent()
    {
        m_result.text += m_section.exponentLetter;
        if (m_exponent < 0)
            m_result.text += u'-';
        else if (m_section.exponentPlus)
            m_result.text += u'+';
        const QString digits = QString::number(std::abs(m_exponent));
        m_result.text += QString(std::max<qsizetype>(0, m_section.exponentDigits - digits.size()), u'0');
        m_result.text += digits;
    }

    const Section& m_section;
    const QString& m_decimalSeparator;
    const QString& m_groupSeparator;
    Decimal m_number;
    int m_exponent = 0;
    bool m_signPending = false;
    MaskedNumber m_result;
};

// Up to 15 significant digits, switching to exponent form only where the plain form would need more
// digits than the value really has.
MaskedNumber writeGeneral(double magnitude, bool negative, const QString& decimalSeparator)
{
    MaskedNumber result;
    const Decimal number = toDecimal(magnitude);
    if (number.isZero()) {
        result.text = QStringLiteral("0");
        return result;
    }
    if (negative)
        result.text += u'-';
    const int length = int(number.digits.size());
    const int plainDigits = number.exponent >= 0 ? std::max(length, number.exponent + 1) : length - number.exponent;
    if (plainDigits <= significantDigits) {
        for (int power = std::max(number.exponent, 0); power >= 0; --power)
            result.text += QLatin1Char(number.digitAt(power));
        if (number.lowestPower() < 0) {
            result.decimalSeparatorAt = result.text.size();
            result.text += decimalSeparator;
            for (int power = -1; power >= number.lowestPower(); --power)
                result.text += QLatin1Char(number.digitAt(power));
        }
        return result;
    }
    result.text += QLatin1Char(number.digits.at(0));
    if (length > 1) {
        result.decimalSeparatorAt = result.text.size();
        result.text += decimalSeparator;
        result.text += QLatin1String(number.digits.mid(1));
    }
    result.text += number.exponent < 0 ? QStringLiteral("E-") : QStringLiteral("E+");
    result.text += QStringLiteral("%1").arg(std::abs(number.exponent), 2, 10, QLatin1Char('0'));
    return result;
}

} // namespace

std::optional<MaskedNumber> formatWithMask(double value, const QString& mask, const QString& decimalSeparator,
                                           const QString& groupSeparator)
{
    if (mask.size() >= unusableMaskLength)
        return std::nullopt;
    if (std::isnan(value))
        return MaskedNumber{QStringLiteral("NAN"), -1};
    if (std::isinf(value))
        return MaskedNumber{value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF"), -1};

    const QList<QStringView> sections = splitSections(mask);
    const auto present = [&sections](qsizetype index) {
        return index < sections.size() && !sections.at(index).isEmpty();
    };
    qsizetype chosen = 0;
    bool minus = false;
    if (value == 0)
        chosen = present(2) ? 2 : 0;
    else if (value < 0 && present(1))
        chosen = 1;
    else
        minus = value < 0;

    if (!present(chosen))
        return writeGeneral(std::abs(value), minus, decimalSeparator);
    const Section section = parseSection(sections.at(chosen));
    if (section.anchor < 0) {
        // Without a single placeholder the section is plain text and the value is not shown.
        MaskedNumber text;
        for (const Token& token : section.tokens)
            text.text += token.text;
        return text;
    }
    return Writer(section, decimalSeparator, groupSeparator).write(std::abs(value), minus);
}
