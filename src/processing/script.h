#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class Delivery;
class Statistics;
struct LocaleFormats;
struct ProcessingOptions;

// The processing script: tokens after ':' stand for the latest result's fields and for characters
// or keys given in hexadecimal; each script line's output is delivered as soon as it is composed.
class ScriptInterpreter
{
public:
    ScriptInterpreter(const ProcessingOptions& options, const Statistics& statistics, Delivery& delivery,
                      const LocaleFormats& formats);

    // Runs the script for the latest result. False when a value could not be formatted: the rest of
    // the script is then not delivered and the result is abandoned.
    bool runScript(const QByteArray& script);
    // The text of a value by the result mask (or the average's mask) and the decimal-separator choice.
    std::optional<QString> FormatValue(bool isAverage, double x) const;
    static qint16 HexDigitValue(char c);

private:
    const ProcessingOptions& m_options;
    const Statistics& m_statistics;
    Delivery& m_delivery;
    const LocaleFormats& m_formats;
};
