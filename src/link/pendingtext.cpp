#include "link/pendingtext.h"

#include <utility>

namespace {

// Lines of up to this many bytes, "\n" included, are a scale's status or acknowledgement rather than a
// result, and Indication drops them.
constexpr qsizetype longestDroppedLine = 10;

} // namespace

namespace {

// The text with an LF after every CR that has none after it; lineFeedAdded tells whether the last
// byte was such a CR.
QByteArray endedAtCarriageReturns(QByteArrayView text, bool& lineFeedAdded)
{
    QByteArray ended;
    ended.reserve(text.size() + 2);
    lineFeedAdded = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        ended += text[i];
        if (text[i] != '\r' || (i + 1 < text.size() && text[i + 1] == '\n'))
            continue;
        ended += '\n';
        lineFeedAdded = i + 1 == text.size();
    }
    return ended;
}

} // namespace

void PendingText::setMakerLines(bool on)
{
    // What is waiting counts as if it had come after the change: lines a CR ended go on at the next cut.
    if (on && !m_makerLines)
        m_text = endedAtCarriageReturns(m_text, m_lineFeedAdded);
    if (!on)
        m_lineFeedAdded = false;
    m_makerLines = on;
}

void PendingText::append(const char* data, qsizetype size)
{
    if (size <= 0)
        return;
    QByteArrayView received(data, size);
    QByteArray ended;
    if (m_makerLines) {
        if (std::exchange(m_lineFeedAdded, false) && received.front() == '\n')
            received = received.sliced(1);
        ended = endedAtCarriageReturns(received, m_lineFeedAdded);
        received = ended;
    }
    if (m_droppingOverlongLine) {
        const qsizetype end = received.indexOf('\n');
        if (end < 0)
            return;
        received = received.sliced(end + 1);
        m_droppingOverlongLine = false;
    }
    m_text.append(received);
}

PendingText::Cut PendingText::nextCut(ReadMode mode) const
{
    switch (mode) {
    case ReadMode::Report:
        return {0, m_text.size()};
    case ReadMode::Indication:
        if (!m_makerLines)
            break;
        [[fallthrough]];
    case ReadMode::Recognize: {
        const qsizetype end = m_text.indexOf('\n');
        return {0, end < 0 ? 0 : end + 1};
    }
    }
    qsizetype offset = 0;
    for (;;) {
        const qsizetype end = m_text.indexOf('\n', offset);
        if (end < 0)
            return {offset, 0};
        const qsizetype lineLength = end + 1 - offset;
        if (lineLength > longestDroppedLine)
            return {offset, lineLength};
        // A short line is dropped only once more text follows it; alone, it waits.
        if (m_text.size() - offset <= longestDroppedLine)
            return {offset, 0};
        offset = end + 1;
    }
}

void PendingText::setKeepDropped(bool on)
{
    m_keepDropped = on;
    if (!on)
        m_dropped.clear();
}

QByteArray PendingText::take(ReadMode mode)
{
    const Cut cut = nextCut(mode);
    if (m_keepDropped) {
        // Only whole short lines come before the cut's line.
        for (qsizetype start = 0; start < cut.dropped;) {
            const qsizetype end = m_text.indexOf('\n', start);
            m_dropped.append(m_text.mid(start, end + 1 - start));
            start = end + 1;
        }
    }
    QByteArray handed = m_text.mid(cut.dropped, cut.handed);
    m_text.remove(0, cut.dropped + cut.handed);
    return handed;
}

QList<QByteArray> PendingText::takeNetworkLines()
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype end = m_text.indexOf('\n'); end >= 0; end = m_text.indexOf('\n', start)) {
        if (end - start >= NetworkShortestLine || m_makerLines)
            lines.append(m_text.mid(start, end + 1 - start));
        else if (m_keepDropped)
            m_dropped.append(m_text.mid(start, end + 1 - start));
        start = end + 1;
    }
    m_text.remove(0, start);
    return lines;
}

void PendingText::enforceLimit()
{
    const qsizetype excess = m_text.size() - Limit;
    if (excess <= 0)
        return;
    const qsizetype end = m_text.indexOf('\n', excess - 1);
    if (end >= 0) {
        m_text.remove(0, end + 1);
        return;
    }
    m_text.clear();
    m_droppingOverlongLine = true;
}

void PendingText::clear()
{
    m_text.clear();
    m_dropped.clear();
    m_droppingOverlongLine = false;
    m_lineFeedAdded = false;
}
