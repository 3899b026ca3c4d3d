#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// What a weighing line in one of the shapes that scales of many makers print says: a weight, with its
// sign, unit, decimals and stability, or only a status (overload, underload, an error, a reply with no
// weight). These are shapes the plain parser does not take: a status header before the number
// ("ST,GS,+012.3456  kg"), a sign glued to zero-padded digits ("+0142.02 GN"), a unit glued to the
// number ("186.65g"), a status letter before a sign ("S-  186.65g"), an STX frame, a line ended by CR
// alone.
struct MakerReading
{
    enum class Kind { Weight, StatusOnly };

    Kind kind = Kind::Weight;
    double value = 0;
    // Digits after the decimal mark; -1 without a mark.
    int decimals = -1;
    QByteArray unit;
    bool stable = true;
    // The shape rule that matched, as the log and the tests name it.
    QByteArrayView shape;
};

// The reading of a whole line (one line, its line end and frame bytes included), or nothing when no
// shape rule takes the whole of it; such a line is left to the plain parser.
std::optional<MakerReading> recogniseMakerLine(QByteArrayView line);
