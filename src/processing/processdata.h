#pragma once

#include "processing/arrival.h"
#include "processing/delivery.h"
#include "processing/localeformats.h"
#include "processing/processingoptions.h"
#include "processing/report.h"
#include "processing/script.h"
#include "processing/statistics.h"

#include <QByteArray>
#include <QLocale>

#include <functional>

class Clock;
class KeyboardInjector;

// The entry of all received scale text: routes it by read mode to report mode or to the weighing-line
// parser, which recognises a result, updates the statistics and has the script deliver the output.
// It works with the options it was last given; its parts read the same copy. Main thread only.
class ProcessData
{
public:
    ProcessData(KeyboardInjector& keyboard, const Clock& clock, const QLocale& locale = QLocale::system());

    void setOptions(const ProcessingOptions& options) { m_options = options; }
    const ProcessingOptions& options() const { return m_options; }
    // Whether a window of our own is active, asked before anything is typed.
    void setOwnWindowActive(Delivery::OwnWindowActive check) { m_delivery.setOwnWindowActive(std::move(check)); }

    // Told of every text takeScaleText took, after it is done with it: what it became and what was done
    // with its output. Nothing is gathered while none is set.
    using ArrivalObserver = std::function<void(const Arrival&)>;
    void setArrivalObserver(ArrivalObserver observer) { m_observer = std::move(observer); }

    void takeScaleText(const QByteArray& text);
    // With the makers' formats chosen, a line in one of their shapes first; any other line as the plain
    // parser reads it.
    void parseWeighingLine(const QByteArray& text);
    // Whether parseWeighingLine would take a result from the line with these choices, touching nothing:
    // what tells the port search that a scale answered. Safe on any thread.
    static bool acceptsAnswer(const QByteArray& answer, bool makerFormats, bool onlyStable);

    Statistics& statistics() { return m_statistics; }
    Delivery& delivery() { return m_delivery; }
    ScriptInterpreter& script() { return m_script; }
    ReportMode& report() { return m_report; }
    const LocaleFormats& formats() const { return m_formats; }

private:
    void route(const QByteArray& text);
    void routeLine(const QByteArray& text);
    // True when the line is in a maker's shape (and the makers' formats are chosen), whether it gave a
    // result or only a status.
    bool takeMakerLine(const QByteArray& text);
    void parsePlainLine(const QByteArray& text);
    // A recognised value: the statistics, the script's output, the statistics announced. Decimals -1: no
    // mark.
    void takeResult(double value, int decimals, const QByteArray& unit);

    ProcessingOptions m_options;
    Statistics m_statistics;
    const Clock& m_clock;
    const LocaleFormats m_formats;
    Delivery m_delivery;
    ScriptInterpreter m_script;
    ReportMode m_report;
    ArrivalObserver m_observer;
    // The arrival being taken while an observer listens; nullptr otherwise.
    Arrival* m_arrival = nullptr;
};
