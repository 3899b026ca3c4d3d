#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QString>

class Statistics;
struct LocaleFormats;
struct ProcessingOptions;

// What the latest result would make the program type under the given options, found by running the
// script that real output runs, through the same interpreter and delivery, into a keyboard that only
// records: nothing is typed and no file is written.
struct OutputPreview
{
    Q_DECLARE_TR_FUNCTIONS(OutputPreview)

public:
    // The keystrokes as one line of text: printable characters as they are, Tab as "⇥", Enter as "⏎",
    // other keys by name in brackets ("[F5]", "[Esc]"), characters that print nothing by their code
    // ("[U+00A0]").
    QString shown;
    // Why the script stopped before its end, in the user's words; empty when it ran to the end.
    // What it typed before that is in shown.
    QString error;

    // The preview of the statistics' latest result. Typing is previewed whether or not it is chosen,
    // since typing is what the preview is for.
    static OutputPreview of(const ProcessingOptions& options, const Statistics& statistics,
                            const LocaleFormats& formats);
    // Counts in the result a preview shows before any has arrived: 12.345 kg, taken at the given time.
    static void addExampleResult(Statistics& statistics, const LocaleFormats& formats, const QDateTime& when);
    // The line as a field shows it: the keystrokes, then the error, if any.
    QString line() const;
};
