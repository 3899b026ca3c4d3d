#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// What a weighing scale does with the bytes it hears and the keys its operator presses, without any
// I/O: a transport feeds it received bytes and sends whatever it returns.
class ScaleModel
{
public:
    // A real scale's receive buffer is small; a longer line is noise, not a command.
    static constexpr qsizetype MaxLineLength = 64;
    static constexpr const char* DefaultFormat = "%11.3f kg\r\n";

    enum class ReportKind { Plain, Scan };

    ScaleModel();

    // Backslash escapes as typed on a command line: \r \n \t \\ and \xHH. Returns a null array when
    // the text holds an escape that means nothing.
    static QByteArray unescape(QByteArrayView text);

    // A printf-like pattern with exactly one floating conversion (%f %e %g, with flags, width and
    // precision) and %% for a percent sign; the pattern is kept only when it is valid.
    bool setFormat(const QByteArray& pattern, QString* error = nullptr);
    // Patterns for the line shapes of common scale makers, by name ("header", "signed", "glued",
    // "letters", "framed"), for trying Kwelta's makers' formats; null for another name.
    static QByteArray makerFormat(QByteArrayView name);
    static QList<QByteArrayView> makerFormatNames();
    QByteArray format() const { return m_format; }

    void setTareAcknowledgement(const QByteArray& bytes) { m_tareAck = bytes; }
    void setZeroAcknowledgement(const QByteArray& bytes) { m_zeroAck = bytes; }

    void setLoad(double gross) { m_gross = gross; }
    double gross() const { return m_gross; }
    double tareWeight() const { return m_tare; }
    double net() const { return m_gross - m_tare; }
    void tare();
    void zero();

    // Bytes heard on the line; returns the bytes the scale answers with.
    QByteArray receive(QByteArrayView bytes);
    // Drops a partly received command, as after bytes that arrived at the wrong line settings.
    void discardPartialLine();

    QByteArray weightLine() const { return render(net()); }
    QByteArray report(ReportKind kind) const;

private:
    QByteArray execute(QByteArray line);
    QByteArray render(double value) const;

    QByteArray m_format;
    QByteArray m_prefix;
    QByteArray m_conversion;
    QByteArray m_suffix;
    int m_precision = 6;
    QByteArray m_tareAck;
    QByteArray m_zeroAck;
    double m_gross = 12.345;
    double m_tare = 0.0;
    QByteArray m_line;
    bool m_overlong = false;
};
