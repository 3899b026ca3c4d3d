#include "processing/makerformats.h"

#include <charconv>
#include <span>

namespace {

// What a code says: a weight follows, or the line carries this status instead of one.
enum class Status { Weight, Overload, Underload, Error, Unsettled };

// A code a scale prints around the number, and what it says.
struct Code
{
    QByteArrayView text;
    Status status = Status::Weight;
    bool stable = true;
};

// One shape of weighing line: [header [separator second header]] [sign] digits [mark digits] unit
// [trailer], with blanks allowed between the parts, the unit glued to the number or apart from it.
struct ShapeRule
{
    QByteArrayView name;
    // The codes the line may start with, tried in order (longer codes first where one begins another).
    std::span<const Code> headers;
    bool headerRequired = false;
    // What follows a header: a comma, or blanks or nothing (a sign glued to a status letter).
    char headerSeparator = ',';
    // Gross, net or tare codes after the first header, each followed by the separator.
    std::span<const Code> secondHeaders;
    // Codes after the unit.
    std::span<const Code> trailers;
};

// The comma-separated status header: stable, unstable, a count, overload and underload.
constexpr Code statusHeaders[] = {
    {"ST"}, {"US", Status::Weight, false}, {"QT"}, {"OL", Status::Overload}, {"UL", Status::Underload},
};
// Gross, net and tare, first or after a status header.
constexpr Code grossNetTare[] = {
    {"GS"}, {"GR"}, {"NT"}, {"NET"}, {"TR"}, {"TA"}, {"PT"},
};
// A status letter or two before the number, apart from it or glued to its sign: stable, dynamic.
constexpr Code statusLetters[] = {
    {"S S"},
    {"S D", Status::Weight, false},
    {"SD", Status::Weight, false},
    {"S"},
};
// The question mark some scales print beside an unsettled value.
constexpr Code unsettledMark[] = {
    {"?", Status::Weight, false},
};

constexpr ShapeRule shapeRules[] = {
    {"status header", statusHeaders, true, ',', grossNetTare, {}},
    {"gross/net header", grossNetTare, true, ',', {}, {}},
    {"status letter", statusLetters, true, ' ', {}, {}},
    {"signed number", unsettledMark, false, ' ', {}, unsettledMark},
};

// Whole lines that carry a status and no weight.
constexpr Code statusLines[] = {
    {"OL", Status::Overload}, {"+OL", Status::Overload}, {"-OL", Status::Underload}, {"UL", Status::Underload},
    {"+", Status::Overload},  {"-", Status::Underload},  {"S +", Status::Overload},  {"S -", Status::Underload},
    {"S I", Status::Error},   {"I", Status::Error},      {"ES", Status::Error},      {"ET", Status::Error},
    {"EL", Status::Error},    {"US", Status::Unsettled}, {"?", Status::Unsettled},
};

constexpr char STX = '\x02';
constexpr char ETX = '\x03';

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isUnitCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '%';
}

// The first line of the text without its frame: from after leading line ends, blanks and STX up to the
// first CR, LF or ETX, trailing blanks dropped.
QByteArrayView firstLine(QByteArrayView text)
{
    while (!text.isEmpty() && (text.front() == '\r' || text.front() == '\n' || text.front() == STX ||
                               isBlank(text.front()) || text.front() == '\0'))
        text = text.sliced(1);
    qsizetype end = 0;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n' && text[end] != ETX)
        ++end;
    text = text.first(end);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

class Cursor
{
public:
    explicit Cursor(QByteArrayView text)
        : m_text(text)
    {}

    bool atEnd() const { return m_at == m_text.size(); }
    char peek() const { return atEnd() ? '\0' : m_text[m_at]; }
    qsizetype position() const { return m_at; }
    void rewind(qsizetype to) { m_at = to; }
    void skipBlanks()
    {
        while (!atEnd() && isBlank(peek()))
            ++m_at;
    }
    bool take(char c)
    {
        if (peek() != c || atEnd())
            return false;
        ++m_at;
        return true;
    }
    bool take(QByteArrayView word)
    {
        if (!m_text.sliced(m_at).startsWith(word))
            return false;
        m_at += word.size();
        return true;
    }
    QByteArrayView takeWhile(bool (*accepts)(char))
    {
        const qsizetype from = m_at;
        while (!atEnd() && accepts(peek()))
            ++m_at;
        return m_text.sliced(from, m_at - from);
    }

private:
    QByteArrayView m_text;
    qsizetype m_at = 0;
};

// A header code and its separator; a comma may have blanks around it, blanks may be missing.
const Code* takeCode(Cursor& cursor, std::span<const Code> codes, char separator)
{
    const qsizetype start = cursor.position();
    for (const Code& code : codes) {
        cursor.rewind(start);
        if (!cursor.take(code.text))
            continue;
        if (separator == ',') {
            cursor.skipBlanks();
            if (!cursor.take(','))
                continue;
            cursor.skipBlanks();
            return &code;
        }
        // A letter right after the code would make it part of a word, not a header.
        if (isUnitCharacter(cursor.peek()))
            continue;
        cursor.skipBlanks();
        return &code;
    }
    cursor.rewind(start);
    return nullptr;
}

struct Number
{
    double value = 0;
    int decimals = -1;
};

// Digits with at most one decimal mark, converted without the C library's locale.
std::optional<Number> takeNumber(Cursor& cursor)
{
    QByteArray plain;
    Number number;
    while (!cursor.atEnd()) {
        const char c = cursor.peek();
        if (isDigit(c)) {
            plain += c;
            if (number.decimals >= 0)
                ++number.decimals;
        } else if ((c == '.' || c == ',') && number.decimals < 0 && !plain.isEmpty()) {
            plain += '.';
            number.decimals = 0;
        } else {
            break;
        }
        cursor.take(c);
    }
    if (plain.isEmpty())
        return std::nullopt;
    const char* end = plain.constData() + plain.size();
    const auto [ptr, error] = std::from_chars(plain.constData(), end, number.value);
    if (error != std::errc() || ptr != end)
        return std::nullopt;
    return number;
}

std::optional<MakerReading> match(const ShapeRule& rule, QByteArrayView line)
{
    Cursor cursor(line);
    MakerReading reading;
    reading.shape = rule.name;
    if (const Code* header = takeCode(cursor, rule.headers, rule.headerSeparator)) {
        if (header->status != Status::Weight) {
            reading.kind = MakerReading::Kind::StatusOnly;
            return reading;
        }
        reading.stable = header->stable;
        if (const Code* second = takeCode(cursor, rule.secondHeaders, rule.headerSeparator))
            reading.stable = reading.stable && second->stable;
    } else if (rule.headerRequired) {
        return std::nullopt;
    }

    const bool negative = cursor.take('-');
    if (!negative)
        cursor.take('+');
    cursor.skipBlanks();
    const std::optional<Number> number = takeNumber(cursor);
    if (!number)
        return std::nullopt;
    cursor.skipBlanks();
    reading.unit = cursor.takeWhile(isUnitCharacter).toByteArray();
    if (reading.unit.isEmpty())
        return std::nullopt;
    cursor.skipBlanks();
    if (const Code* trailer = takeCode(cursor, rule.trailers, ' '))
        reading.stable = reading.stable && trailer->stable;
    if (!cursor.atEnd())
        return std::nullopt;

    reading.value = negative ? -number->value : number->value;
    reading.decimals = number->decimals;
    return reading;
}

// "+9999999E+19" and the like: the largest number the scale can print, standing for an overload.
bool isOverloadNumber(QByteArrayView line)
{
    Cursor cursor(line);
    if (!cursor.take('+'))
        cursor.take('-');
    const QByteArrayView nines = cursor.takeWhile([](char c) { return c == '9'; });
    if (nines.size() < 5 || !(cursor.take('E') || cursor.take('e')))
        return false;
    if (!cursor.take('+'))
        cursor.take('-');
    return !cursor.takeWhile(isDigit).isEmpty() && cursor.atEnd();
}

// "E03", "Err", "ERR 12": an error reply, with or without its number.
bool isErrorReply(QByteArrayView line)
{
    Cursor cursor(line);
    const bool word = cursor.take(QByteArrayView("ERROR")) || cursor.take(QByteArrayView("Error")) ||
                      cursor.take(QByteArrayView("ERR")) || cursor.take(QByteArrayView("Err"));
    if (!word && !cursor.take('E'))
        return false;
    if (word)
        cursor.skipBlanks();
    const QByteArrayView code = cursor.takeWhile(isDigit);
    return cursor.atEnd() && (word || (!code.isEmpty() && code.size() <= 3));
}

} // namespace

std::optional<MakerReading> recogniseMakerLine(QByteArrayView text)
{
    const QByteArrayView line = firstLine(text);
    if (line.isEmpty())
        return std::nullopt;

    for (const Code& status : statusLines) {
        if (line == status.text) {
            MakerReading reading;
            reading.kind = MakerReading::Kind::StatusOnly;
            reading.stable = status.status != Status::Unsettled;
            reading.shape = "status line";
            return reading;
        }
    }
    if (isOverloadNumber(line) || isErrorReply(line)) {
        MakerReading reading;
        reading.kind = MakerReading::Kind::StatusOnly;
        reading.shape = "status line";
        return reading;
    }
    for (const ShapeRule& rule : shapeRules) {
        if (std::optional<MakerReading> reading = match(rule, line))
            return reading;
    }
    return std::nullopt;
}
