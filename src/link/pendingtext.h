#pragma once

#include "core/global.h"

#include <QByteArray>
#include <QList>

#include <utility>

// What a link delivered and has not yet handed on, byte for byte (zero bytes included), and the rules
// by which it is cut into what the intake receives: the serial reader's by read mode, the Ethernet
// link's by its own thresholds.
class PendingText
{
public:
    // More than this stays pending only while a poll runs. A scale that never ends its lines (or
    // ends them with "\r" alone while a line mode is chosen), or one that sends lines faster than one
    // per poll, would otherwise make it grow without end.
    static constexpr qsizetype Limit = 64 * 1024;

    void append(const char* data, qsizetype size);
    // Lines as the scales of many makers send them, for the makers' formats of the processing. A CR
    // that no LF follows ends a line as CR LF does: such a CR is kept with an LF put after it, so every
    // cut below sees the line end it knows; a CR that ends an arrival gets its LF at once (the scale may
    // have finished), and an LF arriving right after it is dropped, so a CR LF pair split between
    // arrivals still ends one line. And a line goes on whatever its length: such a scale's result can be
    // as short as "1250LG", and its status lines are told apart by what they say, not by their length.
    void setMakerLines(bool on);
    // Removes and returns what one poll hands on in this mode; empty when nothing is due.
    // Indication: the first line with at least ten characters before its "\n", shorter lines ahead of
    // it being dropped while more than ten characters are pending (with maker lines, the first line).
    // Recognize: the first line, whatever its length. Report: everything.
    QByteArray take(ReadMode mode);
    // The Ethernet link's cut: removes every complete line, and returns them in order, each with its
    // "\n". A line with fewer than NetworkShortestLine bytes before its "\n" is dropped (not with maker
    // lines), and only that line. What follows the last "\n" stays pending.
    QList<QByteArray> takeNetworkLines();
    static constexpr qsizetype NetworkShortestLine = 15;
    // Whether take would hand something on now, without further text arriving.
    bool hasDue(ReadMode mode) const { return nextCut(mode).handed > 0; }
    // Drops the oldest text beyond Limit, in whole lines so that no fragment ever reaches the intake
    // as if it were a line: up to and including the first "\n" after which no more than Limit bytes
    // remain. When the newest Limit bytes hold no "\n" at all, everything is dropped, and so is the
    // rest of that overlong line when it arrives.
    void enforceLimit();

    // While on, the lines take and takeNetworkLines drop as too short are kept for takeDropped, each
    // with its "\n", so that whoever shows the user what arrived can say what became of them.
    void setKeepDropped(bool on);
    QList<QByteArray> takeDropped() { return std::exchange(m_dropped, {}); }

    bool isEmpty() const { return m_text.isEmpty(); }
    qsizetype size() const { return m_text.size(); }
    const QByteArray& text() const { return m_text; }
    void clear();

private:
    // What take removes from the front: dropped bytes, then the handed-on ones.
    struct Cut
    {
        qsizetype dropped = 0;
        qsizetype handed = 0;
    };
    Cut nextCut(ReadMode mode) const;

    QByteArray m_text;
    bool m_droppingOverlongLine = false;
    bool m_makerLines = false;
    // The last arrival ended with a CR whose LF was put in for it.
    bool m_lineFeedAdded = false;
    bool m_keepDropped = false;
    QList<QByteArray> m_dropped;
};
