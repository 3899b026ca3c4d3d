#pragma once

#include <QByteArray>

class Clock;
class Delivery;
class QDateTime;
struct LocaleFormats;
struct ProcessingOptions;

// Report mode: whatever the scale prints is passed on chunk by chunk, optionally with the scanner
// frame word "SCAN" and its line break cut out and a date and time in front of each report.
class ReportMode
{
public:
    ReportMode(const ProcessingOptions& options, Delivery& delivery, const Clock& clock, const LocaleFormats& formats);

    void processReport(const QByteArray& text);
    // A new connection starts afresh: no frame word half seen, no line break of a frame still due.
    void startConnection();
    // Chunks that follow within the report data delay of this time belong to a report begun then, so
    // they get no date of their own.
    void setLastReportTime(const QDateTime& time);

    // The line break that ends the last frame has not arrived yet and is dropped when it does.
    bool breakPending() const { return m_breakPending; }
    // Up to three characters at a chunk's end that may begin the frame word, held for the next chunk.
    const QByteArray& frameTail() const { return m_frameTail; }

private:
    QByteArray cutScannerFrame(const QByteArray& chunk);

    const ProcessingOptions& m_options;
    Delivery& m_delivery;
    const Clock& m_clock;
    const LocaleFormats& m_formats;
    bool m_breakPending = false;
    QByteArray m_frameTail;
    // Days since 1899-12-30 local time, the fraction being the time of day; 0 means "long ago".
    double m_lastReportTime = 0;
};
