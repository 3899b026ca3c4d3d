#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// What was done with the output of one arrival, as the delivery saw it.
struct DeliveryRecord
{
    // Why output meant for the focused window was not typed.
    enum class NotTyped { No, TypingOff, OwnWindowActive, NoKeyboard };

    // Keystrokes went out to the window that had the focus.
    bool typed = false;
    NotTyped notTyped = NotTyped::No;
    // An append to the output file arrived whole.
    bool fileWritten = false;
    // The reason the last append of this arrival failed; empty when none did.
    QString fileError;
};

// What one piece of received text became, and what was done with it: what the monitor of received
// lines shows.
struct Arrival
{
    enum class Outcome {
        Weight,           // a result was taken
        UnsettledSkipped, // a maker's unsettled result, skipped since only settled ones count
        Status,           // a maker's status line, no weight
        NotWeighing,      // no weighing line: nothing was taken
        Report,           // passed on as (a part of) a report
        TooShort,         // dropped by the link's cut as a scale's status or acknowledgement
        Sent,             // a command sent to the scale
    };

    QByteArray text;
    Outcome outcome = Outcome::NotWeighing;
    double value = 0;
    // Digits after the decimal mark; -1 without a mark.
    int decimals = -1;
    QByteArray unit;
    // The makers' shape rule that read the line; empty when the plain parser did. Static text.
    QByteArrayView rule;
    DeliveryRecord delivery;
};
