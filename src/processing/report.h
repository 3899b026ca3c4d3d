#pragma once

#include <QByteArray>

class Clock;
class Delivery;
class MainWindowControls;
struct LocaleFormats;

// Report mode: whatever the scale prints is passed on chunk by chunk, optionally with the scanner
// frame word "SCAN" and its line break cut out and a date and time in front of each report.
class ReportMode
{
public:
    ReportMode(MainWindowControls& controls, Delivery& delivery, const Clock& clock, const LocaleFormats& formats);

    void ProcessReport(const QByteArray& text);

private:
    QByteArray cutScannerFrame(const QByteArray& chunk) const;

    MainWindowControls& m_controls;
    Delivery& m_delivery;
    const Clock& m_clock;
    const LocaleFormats& m_formats;
};
