#include "processing/arrivallog.h"

#include "core/scaletext.h"
#include "platform/windowactivation.h"

#include <QDateTime>

namespace {

// The control characters a scale's protocol uses, by their ASCII names; the rest of 0x00-0x1F is shown
// in hex, which says more to someone comparing with a protocol table than a rare name would.
const char* controlName(unsigned char byte)
{
    static constexpr const char* names[] = {
        "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS", "HT", "LF", "VT", "FF", "CR",
    };
    if (byte < std::size(names))
        return names[byte];
    switch (byte) {
    case 0x10:
        return "DLE";
    case 0x11:
        return "DC1";
    case 0x13:
        return "DC3";
    case 0x15:
        return "NAK";
    case 0x17:
        return "ETB";
    case 0x18:
        return "CAN";
    default:
        return nullptr;
    }
}

QString marked(const QString& inner)
{
    return u'\x27E8' + inner + u'\x27E9';
}

QString hexMark(uint code)
{
    return marked(QString::number(code, 16).toUpper().rightJustified(2, u'0'));
}

} // namespace

QString visibleScaleText(const QByteArray& bytes)
{
    QString shown;
    shown.reserve(bytes.size() + 8);
    qsizetype runStart = 0;
    const auto flushRun = [&](qsizetype end) {
        if (end <= runStart)
            return;
        // Decoded as the intake decodes it, so UTF-8 and single-byte texts read as they are typed. A
        // byte that is no character of UTF-8 comes out as the ISO 8859-1 one of its code; 0x80-0x9F
        // are control codes there and stay codes here.
        for (const QChar c : decodeScaleText(bytes.mid(runStart, end - runStart))) {
            if (c.unicode() >= 0x80 && c.unicode() <= 0x9F)
                shown += hexMark(c.unicode());
            else
                shown += c;
        }
    };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x20 && byte != 0x7F)
            continue;
        flushRun(i);
        runStart = i + 1;
        if (const char* name = controlName(byte))
            shown += marked(QLatin1StringView(name));
        else
            shown += hexMark(byte);
    }
    flushRun(bytes.size());
    return shown;
}

ArrivalLog::ArrivalLog(QObject* parent)
    : QAbstractTableModel(parent)
    , m_now(&QDateTime::currentMSecsSinceEpoch)
    , m_windowTitle(&focusedWindowTitle)
{}

void ArrivalLog::record(const Arrival& arrival)
{
    Entry entry{m_now(), m_link, arrival, std::nullopt};
    // Asked at once: by the time someone looks, the focus may be elsewhere.
    if (arrival.delivery.typed && m_windowTitle)
        entry.window = m_windowTitle();
    add(std::move(entry));
}

void ArrivalLog::recordTooShort(const QByteArray& line)
{
    Arrival arrival;
    arrival.text = line;
    arrival.outcome = Arrival::Outcome::TooShort;
    add(Entry{m_now(), m_link, std::move(arrival), std::nullopt});
}

void ArrivalLog::recordSent(const QByteArray& command)
{
    Arrival arrival;
    arrival.text = command;
    arrival.outcome = Arrival::Outcome::Sent;
    add(Entry{m_now(), m_link, std::move(arrival), std::nullopt});
}

void ArrivalLog::add(Entry entry)
{
    if (m_entries.size() == std::size_t(Capacity)) {
        if (m_attached)
            beginRemoveRows({}, 0, 0);
        m_entries.pop_front();
        if (m_attached)
            endRemoveRows();
    }
    if (m_attached)
        beginInsertRows({}, int(m_entries.size()), int(m_entries.size()));
    m_entries.push_back(std::move(entry));
    if (m_attached)
        endInsertRows();
}

void ArrivalLog::clear()
{
    beginResetModel();
    m_entries.clear();
    m_frozen.clear();
    endResetModel();
}

void ArrivalLog::setAttached(bool attached)
{
    if (attached == m_attached)
        return;
    beginResetModel();
    m_attached = attached;
    m_frozen.clear();
    if (!attached)
        m_frozen.assign(m_entries.begin(), m_entries.end());
    endResetModel();
}

const ArrivalLog::Entry& ArrivalLog::shown(int row) const
{
    if (!m_attached)
        return m_frozen[std::size_t(row)];
    return m_entries[std::size_t(row)];
}

int ArrivalLog::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return int(m_attached ? m_entries.size() : m_frozen.size());
}

int ArrivalLog::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ArrivalLog::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    const Entry& entry = shown(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return cellText(entry, index.column());
    case Qt::ToolTipRole:
        if (index.column() == TimeColumn)
            return QDateTime::fromMSecsSinceEpoch(entry.time).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
        return cellText(entry, index.column());
    default:
        return {};
    }
}

QVariant ArrivalLog::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case TimeColumn:
        return tr("Czas");
    case LinkColumn:
        return tr("Łącze");
    case TextColumn:
        return tr("Odebrany tekst");
    case OutcomeColumn:
        return tr("Co z niego powstało");
    case ActionColumn:
        return tr("Co zrobiono");
    default:
        return {};
    }
}

QString ArrivalLog::cellText(const Entry& entry, int column) const
{
    switch (column) {
    case TimeColumn:
        return QDateTime::fromMSecsSinceEpoch(entry.time).toString(QStringLiteral("HH:mm:ss.zzz"));
    case LinkColumn:
        return entry.link;
    case TextColumn:
        return visibleScaleText(entry.arrival.text);
    case OutcomeColumn:
        return outcomeText(entry.arrival);
    case ActionColumn:
        return actionText(entry);
    default:
        return {};
    }
}

QString ArrivalLog::ruleText(QByteArrayView rule) const
{
    if (rule == "status header")
        return tr("nagłówek stanu");
    if (rule == "gross/net header")
        return tr("nagłówek brutto/netto");
    if (rule == "status letter")
        return tr("litera stanu");
    if (rule == "signed number")
        return tr("liczba ze znakiem");
    if (rule == "status line")
        return tr("wiersz stanu");
    return QString::fromLatin1(rule);
}

QString ArrivalLog::outcomeText(const Arrival& arrival) const
{
    using Outcome = Arrival::Outcome;
    const QString weight =
        QStringLiteral("%1 %2").arg(arrival.decimals < 0 ? QString::number(arrival.value, 'g', 15)
                                                         : QString::number(arrival.value, 'f', arrival.decimals),
                                    decodeScaleText(arrival.unit));
    QString text;
    switch (arrival.outcome) {
    case Outcome::Weight:
        text = tr("waga %1").arg(weight);
        break;
    case Outcome::UnsettledSkipped:
        text = tr("waga niestabilna, pominięta");
        break;
    case Outcome::Status:
        return tr("wiersz stanu, bez wagi");
    case Outcome::NotWeighing:
        return tr("nie jest wierszem ważenia");
    case Outcome::Report:
        return tr("część raportu");
    case Outcome::TooShort:
        return tr("wiersz za krótki");
    case Outcome::Sent:
        return tr("polecenie");
    }
    if (!arrival.rule.isEmpty())
        text += tr(" (formaty producentów: %1)").arg(ruleText(arrival.rule));
    return text;
}

QString ArrivalLog::actionText(const Entry& entry) const
{
    const Arrival& arrival = entry.arrival;
    if (arrival.outcome == Arrival::Outcome::Sent)
        return tr("wysłano do wagi");
    QStringList done;
    const DeliveryRecord& delivery = arrival.delivery;
    if (delivery.typed) {
        done += entry.window ? tr("wpisano do okna „%1”").arg(*entry.window) : tr("wpisano do nieznanego okna");
    } else {
        switch (delivery.notTyped) {
        case DeliveryRecord::NotTyped::No:
            break;
        case DeliveryRecord::NotTyped::TypingOff:
            done += tr("nie wpisano: wpisywanie wyłączone");
            break;
        case DeliveryRecord::NotTyped::OwnWindowActive:
            done += tr("nie wpisano: aktywne było okno programu");
            break;
        case DeliveryRecord::NotTyped::NoKeyboard:
            done += tr("nie wpisano: brak dostępu do klawiatury");
            break;
        }
    }
    if (delivery.fileWritten)
        done += tr("zapisano do pliku");
    if (!delivery.fileError.isEmpty())
        done += tr("błąd zapisu do pliku: %1").arg(delivery.fileError);
    return done.join(QStringLiteral("; "));
}

QString ArrivalLog::lineOf(const ArrivalLog& log, const Entry& entry)
{
    QStringList cells;
    cells += QDateTime::fromMSecsSinceEpoch(entry.time).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    for (int column = LinkColumn; column < ColumnCount; ++column)
        cells += log.cellText(entry, column);
    return cells.join(u'\t');
}

QString ArrivalLog::toText() const
{
    QString text;
    for (const Entry& entry : m_entries)
        text += lineOf(*this, entry) + u'\n';
    return text;
}

QString ArrivalLog::rowsText(const QList<int>& rows) const
{
    QString text;
    for (const int row : rows) {
        if (row >= 0 && row < rowCount())
            text += lineOf(*this, shown(row)) + u'\n';
    }
    return text;
}
