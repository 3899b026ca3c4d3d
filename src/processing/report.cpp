#include "processing/report.h"

#include "core/clock.h"
#include "processing/delivery.h"
#include "processing/localeformats.h"
#include "processing/processingoptions.h"

namespace {

constexpr QByteArrayView frameWord = "SCAN";
constexpr QByteArrayView lineBreak = "\r\n";

// Removes the first CR LF; false when there is none.
bool removeFirstLineBreak(QByteArray& text)
{
    const qsizetype at = text.indexOf(lineBreak);
    if (at < 0)
        return false;
    text.remove(at, lineBreak.size());
    return true;
}

} // namespace

ReportMode::ReportMode(const ProcessingOptions& options, Delivery& delivery, const Clock& clock,
                       const LocaleFormats& formats)
    : m_options(options)
    , m_delivery(delivery)
    , m_clock(clock)
    , m_formats(formats)
{}

// The frame word may be split over two chunks, so up to three characters that could begin it are
// held back until the next chunk shows whether they do.
QByteArray ReportMode::cutScannerFrame(const QByteArray& chunk)
{
    QByteArray beforeFrame;
    QByteArray work = chunk;

    // The line break that ends the previous frame is dropped first, so a frame word later in this
    // chunk cannot bring it back.
    if (m_breakPending && removeFirstLineBreak(work))
        m_breakPending = false;

    bool frameCut = false;
    QByteArray& tail = m_frameTail;
    if (const qsizetype at = work.indexOf(frameWord); at >= 0) {
        beforeFrame = work.left(at);
        work = work.mid(at + frameWord.size());
        frameCut = true;
    } else if (!tail.isEmpty()) {
        const qsizetype missing = frameWord.size() - tail.size();
        if (tail + work.left(missing) == frameWord) {
            work = work.mid(missing);
            frameCut = true;
        } else {
            work.prepend(tail);
        }
    }
    tail.clear();

    if (frameCut) {
        m_breakPending = !removeFirstLineBreak(work);
    } else {
        for (const QByteArrayView start : {QByteArrayView("SCA"), QByteArrayView("SC"), QByteArrayView("S")}) {
            if (work.endsWith(start)) {
                tail = start.toByteArray();
                work.chop(start.size());
                break;
            }
        }
    }
    return beforeFrame + work;
}

void ReportMode::startConnection()
{
    m_breakPending = false;
    m_frameTail.clear();
}

void ReportMode::setLastReportTime(const QDateTime& time)
{
    m_lastReportTime = dateTimeToDays(time);
}

void ReportMode::processReport(const QByteArray& text)
{
    QByteArray output = m_options.removeScannerFrame ? cutScannerFrame(text) : text;

    if (m_options.dateBeforeReport) {
        const QDateTime now = m_clock.now();
        const double nowDays = dateTimeToDays(now);
        const qint64 elapsedMs = qRound64((nowDays - m_lastReportTime) * 86'400'000.0);
        // Chunks closer together than the delay belong to one report; -1 (no item) dates every chunk.
        if (elapsedMs > qint64(m_options.reportDataDelay) * 1000) {
            output.prepend(m_formats.dateTimeText(now).toUtf8() + '\t');
            m_lastReportTime = nowDays;
        }
    }

    if (m_options.typeIntoFocusedWindow)
        m_delivery.typeText(output);
    if (m_options.appendToFile && !m_options.outputFile.isEmpty())
        m_delivery.appendToOutputFile(output);
}
