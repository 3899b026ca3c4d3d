#include "scalemodel.h"

#include <QString>

#include <cmath>

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads up to two digits: wider fields or more decimals than that are no scale's, and the bound keeps
// the rendered line small whatever the user typed.
int readSmallNumber(QByteArrayView text, qsizetype& i)
{
    int value = 0;
    int digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        if (++digits > 2)
            return -1;
        value = value * 10 + (text[i] - '0');
        ++i;
    }
    return value;
}

// The makers' shapes: a status header with a gross code, a sign glued to zero-padded digits, a unit
// glued to the number with CR alone, status letters, and an STX frame with CR alone.
struct MakerFormat
{
    QByteArrayView name;
    QByteArrayView pattern;
};
constexpr MakerFormat MakerFormats[] = {
    {"header", "ST,GS,%+011.4f  kg\r\n"}, {"signed", "%+08.2f GN\r\n"},   {"glued", "%.2fg\r"},
    {"letters", "S S %10.2f g\r\n"},      {"framed", "\x02%+010.3fkg\r"},
};

// Sample loads of the printed report besides the current one, so it shows several weighings.
constexpr double ReportSampleLoads[] = {1.25, 0.75};
constexpr const char* ReportCodes[] = {"10001", "10002", "10003"};

} // namespace

QByteArray ScaleModel::makerFormat(QByteArrayView name)
{
    for (const MakerFormat& format : MakerFormats) {
        if (format.name == name)
            return format.pattern.toByteArray();
    }
    return {};
}

QList<QByteArrayView> ScaleModel::makerFormatNames()
{
    QList<QByteArrayView> names;
    for (const MakerFormat& format : MakerFormats)
        names.append(format.name);
    return names;
}

ScaleModel::ScaleModel()
{
    setFormat(DefaultFormat);
}

QByteArray ScaleModel::unescape(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= text.size())
            return {};
        switch (text[i]) {
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case '\\':
            out += '\\';
            break;
        case 'x': {
            const int high = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
            if (high < 0 || low < 0)
                return {};
            out += char(high * 16 + low);
            i += 2;
            break;
        }
        default:
            return {};
        }
    }
    if (out.isNull())
        out = QByteArray("");
    return out;
}

bool ScaleModel::setFormat(const QByteArray& pattern, QString* error)
{
    QByteArray prefix;
    QByteArray conversion;
    QByteArray suffix;
    int precision = 6;
    bool found = false;
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        QByteArray& text = found ? suffix : prefix;
        if (pattern[i] != '%') {
            text += pattern[i];
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            text += '%';
            ++i;
            continue;
        }
        if (found)
            return fail(QStringLiteral("the format holds more than one conversion"));
        const qsizetype start = i++;
        while (i < pattern.size() && QByteArrayView("-+ #0").contains(pattern[i]))
            ++i;
        if (readSmallNumber(pattern, i) < 0)
            return fail(QStringLiteral("the field width has more than two digits"));
        if (i < pattern.size() && pattern[i] == '.') {
            ++i;
            precision = readSmallNumber(pattern, i);
            if (precision < 0)
                return fail(QStringLiteral("the precision has more than two digits"));
        }
        if (i >= pattern.size() || !QByteArrayView("fFeEgG").contains(pattern[i]))
            return fail(QStringLiteral("the conversion must be one of %f %F %e %E %g %G"));
        conversion = pattern.mid(start, i - start + 1);
        found = true;
    }
    if (!found)
        return fail(QStringLiteral("the format has no conversion for the weight"));
    m_format = pattern;
    m_prefix = prefix;
    m_conversion = conversion;
    m_suffix = suffix;
    m_precision = precision;
    return true;
}

void ScaleModel::tare()
{
    m_tare = m_gross;
}

void ScaleModel::zero()
{
    // A zeroed scale reads 0 whatever was tared before, so the tare goes with the load.
    m_gross = 0.0;
    m_tare = 0.0;
}

QByteArray ScaleModel::receive(QByteArrayView bytes)
{
    QByteArray out;
    for (const char c : bytes) {
        if (c == '\n') {
            if (!m_overlong)
                out += execute(m_line);
            m_line.clear();
            m_overlong = false;
            continue;
        }
        if (m_overlong)
            continue;
        if (m_line.size() >= MaxLineLength) {
            // The tail of an overlong line must not run as a command of its own.
            m_line.clear();
            m_overlong = true;
            continue;
        }
        m_line += c;
    }
    return out;
}

void ScaleModel::discardPartialLine()
{
    m_line.clear();
    m_overlong = false;
}

QByteArray ScaleModel::execute(QByteArray line)
{
    line = line.trimmed();
    if (line == "SI" || line == "Sx1")
        return weightLine();
    if (line == "ST") {
        tare();
        return m_tareAck;
    }
    if (line == "SZ") {
        zero();
        return m_zeroAck;
    }
    return {};
}

QByteArray ScaleModel::render(double value) const
{
    // A value that rounds to zero prints without a minus sign, as a scale's display shows it.
    if (std::abs(value) < 0.5 * std::pow(10.0, -m_precision))
        value = 0.0;
    // QString::asprintf formats numbers in the C locale, so the user's locale never changes the decimal mark.
    return m_prefix + QString::asprintf(m_conversion.constData(), value).toLatin1() + m_suffix;
}

QByteArray ScaleModel::report(ReportKind kind) const
{
    QByteArray out = "WEIGHING REPORT\r\n";
    double total = 0.0;
    qsizetype index = 0;
    auto weighing = [&](double value) {
        if (kind == ReportKind::Scan)
            out += QByteArray("SCAN") + ReportCodes[index] + "\r\n";
        out += render(value);
        total += value;
        ++index;
    };
    for (const double load : ReportSampleLoads)
        weighing(load);
    weighing(net());
    out += "TOTAL" + render(total);
    return out;
}
