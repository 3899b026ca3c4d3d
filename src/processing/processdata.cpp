#include "processing/processdata.h"

#include "core/clock.h"
#include "core/global.h"
#include "processing/makerformats.h"

#include <charconv>
#include <utility>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isControlOrSpace(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

// Recognize mode passes a line to the parser only when it could be nothing but a displayed result.
bool looksLikeWeighingLine(QByteArrayView text)
{
    for (const char c : text) {
        const bool allowed = c == ' ' || c == '+' || c == '-' || c == '.' || c == '\r' || c == '\n' || isDigit(c) ||
                             (c >= 'a' && c <= 'z');
        if (!allowed)
            return false;
    }
    return true;
}

struct ParsedLine
{
    bool negative = false;
    qsizetype numberStart = -1;
    qsizetype numberEnd = -1;
    qsizetype decimalAt = -1;
    qsizetype unitStart = -1;
    qsizetype unitEnd = -1;
};

// The scan: one number followed by a unit, ended by CR LF or by a blank and any further character.
std::optional<ParsedLine> scanWeighingLine(QByteArrayView text)
{
    enum class State { Gap, Skip, Minus, Number, AfterNumber, Unit, AfterUnit, AfterCR };

    State state = State::Gap;
    ParsedLine line;
    const auto startNumber = [&](qsizetype at, bool negative) {
        state = State::Number;
        line.negative = negative;
        line.numberStart = at;
        line.numberEnd = -1;
        line.decimalAt = -1;
    };
    const auto startUnit = [&](qsizetype at) {
        state = State::Unit;
        line.unitStart = at;
        line.unitEnd = -1;
    };

    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (state) {
        case State::Gap:
            if (c == '-') {
                state = State::Minus;
                line.negative = true;
            } else if (isDigit(c)) {
                startNumber(i, false);
            } else if (!isBlank(c)) {
                state = State::Skip;
            }
            break;
        case State::Skip:
            if (isBlank(c))
                state = State::Gap;
            break;
        case State::Minus:
            if (isDigit(c))
                startNumber(i, true);
            else if (!isBlank(c))
                state = State::Skip;
            break;
        case State::Number:
            if (isLetter(c)) {
                line.numberEnd = i - 1;
                startUnit(i);
            } else if (isBlank(c)) {
                line.numberEnd = i - 1;
                state = State::AfterNumber;
            } else if (c == '.' || c == ',') {
                if (line.decimalAt < 0)
                    line.decimalAt = i;
                else
                    state = State::Skip;
            } else if (!isDigit(c) && c != '[' && c != ']') {
                state = State::Skip;
            }
            break;
        case State::AfterNumber:
            if (isLetter(c))
                startUnit(i);
            else if (isDigit(c))
                startNumber(i, false);
            else if (!isBlank(c))
                state = State::Skip;
            break;
        case State::Unit:
            if (isBlank(c)) {
                line.unitEnd = i;
                state = State::AfterUnit;
            } else if (c == '\r') {
                line.unitEnd = i;
                state = State::AfterCR;
            } else if (isDigit(c)) {
                startNumber(i, false);
            } else if (!isLetter(c) && c != '*') {
                state = State::Skip;
            }
            break;
        case State::AfterUnit:
            if (c == '\r')
                state = State::AfterCR;
            else if (isDigit(c))
                startNumber(i, false);
            else if (!isBlank(c))
                return line;
            break;
        case State::AfterCR:
            if (c == '\n')
                return line;
            if (isDigit(c))
                startNumber(i, false);
            else
                state = State::Skip;
            break;
        }
    }
    return std::nullopt;
}

// The number's digits with at most one decimal mark; '[' and ']' (digits the scale has not
// verified) are dropped. Converted without the C library's locale, which must not matter here.
std::optional<double> convertNumber(QByteArrayView digits, qsizetype decimalAt)
{
    QByteArray plain;
    plain.reserve(digits.size());
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i == decimalAt)
            plain += '.';
        else if (isDigit(digits[i]))
            plain += digits[i];
    }
    double value = 0;
    const char* end = plain.constData() + plain.size();
    const auto [ptr, error] = std::from_chars(plain.constData(), end, value);
    if (error != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

// Digits after the decimal mark, bracketed ones included.
int decimalsAfter(QByteArrayView digits, qsizetype decimalAt)
{
    int count = 0;
    for (qsizetype i = decimalAt + 1; i < digits.size(); ++i)
        count += isDigit(digits[i]) ? 1 : 0;
    return count;
}

QByteArrayView trimmedControlAndSpace(QByteArrayView text)
{
    while (!text.isEmpty() && isControlOrSpace(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isControlOrSpace(text.back()))
        text.chop(1);
    return text;
}

// The result a plain weighing line gives, if any. Decimals -1: no mark.
struct PlainResult
{
    double value = 0;
    int decimals = -1;
    QByteArray unit;
};

std::optional<PlainResult> readPlainLine(const QByteArray& input)
{
    QByteArrayView text(input);
    while (!text.isEmpty() && isControlOrSpace(text.front()))
        text = text.sliced(1);

    const std::optional<ParsedLine> line = scanWeighingLine(text);
    if (!line)
        return std::nullopt;

    const QByteArrayView digits = text.sliced(line->numberStart, line->numberEnd - line->numberStart + 1);
    const qsizetype decimalAt = line->decimalAt < 0 ? -1 : line->decimalAt - line->numberStart;
    const std::optional<double> value = convertNumber(digits, decimalAt);
    if (!value)
        return std::nullopt;

    return PlainResult{
        line->negative ? -*value : *value, decimalAt < 0 ? -1 : decimalsAfter(digits, decimalAt),
        trimmedControlAndSpace(text.sliced(line->unitStart, line->unitEnd - line->unitStart + 1)).toByteArray()};
}

// The frames between runs of zero bytes, the padding left out; frames of nothing but padding give none.
QList<QByteArrayView> framesBetweenPadding(QByteArrayView text)
{
    QList<QByteArrayView> frames;
    qsizetype start = 0;
    while (start < text.size()) {
        if (text[start] == '\0') {
            ++start;
            continue;
        }
        qsizetype end = text.indexOf('\0', start);
        if (end < 0)
            end = text.size();
        frames.append(text.sliced(start, end - start));
        start = end;
    }
    return frames;
}

// A maker's status line, and an unsettled result where only settled ones count, give nothing.
bool givesResult(const MakerReading& reading, bool onlyStable)
{
    return reading.kind != MakerReading::Kind::StatusOnly && (reading.stable || !onlyStable);
}

} // namespace

ProcessData::ProcessData(KeyboardInjector& keyboard, const Clock& clock, const QLocale& locale)
    : m_clock(clock)
    , m_formats(LocaleFormats::fromLocale(locale))
    , m_delivery(m_options, keyboard)
    , m_script(m_options, m_statistics, m_delivery, m_formats)
    , m_report(m_options, m_delivery, clock, m_formats)
{}

void ProcessData::takeScaleText(const QByteArray& text)
{
    if (!m_observer) {
        route(text);
        return;
    }
    Arrival arrival;
    arrival.text = text;
    // A message box of the window (the output file failed) may take further text before this returns.
    Arrival* const outer = std::exchange(m_arrival, &arrival);
    DeliveryRecord* const outerRecord = m_delivery.record();
    m_delivery.setRecord(&arrival.delivery);
    route(text);
    m_delivery.setRecord(outerRecord);
    m_arrival = outer;

    const bool delivered = arrival.outcome == Arrival::Outcome::Weight || arrival.outcome == Arrival::Outcome::Report;
    if (delivered && !arrival.delivery.typed && arrival.delivery.notTyped == DeliveryRecord::NotTyped::No &&
        !m_options.typeIntoFocusedWindow)
        arrival.delivery.notTyped = DeliveryRecord::NotTyped::TypingOff;
    m_observer(arrival);
}

void ProcessData::route(const QByteArray& text)
{
    // Scales of some makers pad each frame with zero bytes in front, and may send no line end at all
    // between frames: the padding is then all that ends the frame before it. Taken as one line, the
    // plain parser would read the last weight in it whatever its frame said (an unsettled one, with
    // only settled results chosen); so each frame goes on by itself.
    if (m_options.makerFormats && m_options.readMode != ReadMode::Report) {
        if (text.contains('\0')) {
            for (QByteArrayView frame : framesBetweenPadding(text))
                routeLine(frame.toByteArray());
            return;
        }
    }
    routeLine(text);
}

void ProcessData::routeLine(const QByteArray& text)
{
    switch (m_options.readMode) {
    case ReadMode::Report:
        if (m_arrival)
            m_arrival->outcome = Arrival::Outcome::Report;
        m_report.processReport(text);
        break;
    case ReadMode::Recognize:
        // A maker's status line is no report either.
        if (takeMakerLine(text))
            break;
        if (looksLikeWeighingLine(text)) {
            parsePlainLine(text);
        } else {
            if (m_arrival)
                m_arrival->outcome = Arrival::Outcome::Report;
            m_report.processReport(text);
        }
        break;
    case ReadMode::Indication:
        parseWeighingLine(text);
        break;
    }
}

void ProcessData::parseWeighingLine(const QByteArray& text)
{
    if (!takeMakerLine(text))
        parsePlainLine(text);
}

bool ProcessData::acceptsAnswer(const QByteArray& answer, bool makerFormats, bool onlyStable)
{
    if (makerFormats) {
        if (const std::optional<MakerReading> reading = recogniseMakerLine(answer))
            return givesResult(*reading, onlyStable);
    }
    return readPlainLine(answer).has_value();
}

bool ProcessData::takeMakerLine(const QByteArray& text)
{
    if (!m_options.makerFormats)
        return false;
    const std::optional<MakerReading> reading = recogniseMakerLine(text);
    if (!reading)
        return false;
    if (m_arrival) {
        m_arrival->rule = reading->shape;
        m_arrival->outcome = reading->kind == MakerReading::Kind::StatusOnly ? Arrival::Outcome::Status
                                                                             : Arrival::Outcome::UnsettledSkipped;
    }
    if (givesResult(*reading, m_options.readOnlyStable))
        takeResult(reading->value, reading->decimals, reading->unit);
    return true;
}

void ProcessData::parsePlainLine(const QByteArray& input)
{
    if (const std::optional<PlainResult> result = readPlainLine(input))
        takeResult(result->value, result->decimals, result->unit);
}

void ProcessData::takeResult(double value, int decimals, const QByteArray& unit)
{
    if (m_arrival) {
        m_arrival->outcome = Arrival::Outcome::Weight;
        m_arrival->value = value;
        m_arrival->decimals = decimals;
        m_arrival->unit = unit;
    }
    const QDateTime now = m_clock.now();
    m_statistics.add(value, decimals < 0 ? QStringLiteral("0") : QStringLiteral("0.") + QString(decimals, u'0'), unit,
                     m_formats.dateText(now), m_formats.timeText(now), now.date());

    // Typing into our own window would be pointless; the file still gets its output.
    if (!m_delivery.ownWindowActive() || m_options.appendToFile) {
        if (!m_script.runScript(m_options.scriptToRun()))
            return;
    }
    if (m_arrival && m_delivery.ownWindowActive() && m_options.typeIntoFocusedWindow)
        m_arrival->delivery.notTyped = DeliveryRecord::NotTyped::OwnWindowActive;

    m_statistics.announce();
}
