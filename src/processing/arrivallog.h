#pragma once

#include "processing/arrival.h"

#include <QAbstractTableModel>
#include <QString>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

// The control characters of scale text made visible, by their ASCII names (⟨CR⟩, ⟨LF⟩, ⟨STX⟩) or, where
// a byte has no name worth reading, its code in hex (⟨1B⟩); the rest read as the intake reads it.
QString visibleScaleText(const QByteArray& bytes);

// The last arrivals from the scale and the commands sent to it, newest last: the time, the link, the
// text, what it became and what was done. Recording is a copy into a queue of Capacity entries; the
// texts are only composed when a view asks. While no view is attached the model stands still (no row
// signals at all), so the log costs next to nothing while nobody looks; attaching catches it up.
class ArrivalLog : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int Capacity = 1000;
    enum Column { TimeColumn, LinkColumn, TextColumn, OutcomeColumn, ActionColumn, ColumnCount };
    // The title of the window that has the focus, where the platform tells it.
    using WindowTitleSource = std::function<std::optional<QString>()>;

    // Milliseconds since the epoch. Taken for every arrival, so it is read without a conversion to local
    // time, which the C library does with a look at the time zone file each time.
    using TimeSource = std::function<qint64()>;

    // The time is the system's until another source is set.
    explicit ArrivalLog(QObject* parent = nullptr);

    void setTimeSource(TimeSource source) { m_now = std::move(source); }
    // The link the next arrivals come over, as the user knows it ("COM3", "TCP 10.0.0.5:4001").
    void setLink(const QString& link) { m_link = link; }
    const QString& link() const { return m_link; }
    void setWindowTitleSource(WindowTitleSource source) { m_windowTitle = std::move(source); }

    // What the processing took (ProcessData::setArrivalObserver).
    void record(const Arrival& arrival);
    // A line the link's cut dropped as too short to be a result.
    void recordTooShort(const QByteArray& line);
    // A command the program sent to the scale, as it went out.
    void recordSent(const QByteArray& command);
    void clear();

    // While attached, rows are inserted (and the oldest removed) as entries come; while detached the
    // rows stay as they were when it was detached.
    void setAttached(bool attached);
    bool isAttached() const { return m_attached; }

    // Every entry the log holds, oldest first, one line each with tab-separated columns.
    QString toText() const;
    // The rows' entries as toText writes them.
    QString rowsText(const QList<int>& rows) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Entry
    {
        qint64 time = 0;
        QString link;
        Arrival arrival;
        // Where the platform told the focused window's title when the output was typed.
        std::optional<QString> window;
    };

    void add(Entry entry);
    // The entry a row shows: the live queue while attached, the frozen copy otherwise.
    const Entry& shown(int row) const;
    QString cellText(const Entry& entry, int column) const;
    QString outcomeText(const Arrival& arrival) const;
    QString actionText(const Entry& entry) const;
    QString ruleText(QByteArrayView rule) const;
    static QString lineOf(const ArrivalLog& log, const Entry& entry);

    TimeSource m_now;
    QString m_link;
    WindowTitleSource m_windowTitle;
    // Oldest first; the oldest goes when a new one would exceed Capacity.
    std::deque<Entry> m_entries;
    bool m_attached = false;
    // What the rows showed when the view detached.
    std::vector<Entry> m_frozen;
};
