#include "processing/localeformats.h"

namespace {

// Qt's long time formats end with the time zone ("HH:mm:ss t"); the time of a weighing is the
// clock time alone, as the hours, minutes and seconds that the desktop shows.
QString withoutTimeZone(const QString& format)
{
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't') {
            while (result.endsWith(u' '))
                result.chop(1);
            continue;
        }
        result.append(c);
    }
    return result.trimmed();
}

} // namespace

LocaleFormats LocaleFormats::fromLocale(const QLocale& locale)
{
    LocaleFormats formats;
    formats.decimalSeparator = locale.decimalPoint();
    formats.groupSeparator = locale.groupSeparator();
    formats.shortDateFormat = locale.dateFormat(QLocale::ShortFormat);
    formats.longTimeFormat = withoutTimeZone(locale.timeFormat(QLocale::LongFormat));
    return formats;
}

QString LocaleFormats::dateText(const QDateTime& dateTime) const
{
    return dateTime.date().toString(shortDateFormat);
}

QString LocaleFormats::timeText(const QDateTime& dateTime) const
{
    return dateTime.time().toString(longTimeFormat);
}

QString LocaleFormats::dateTimeText(const QDateTime& dateTime) const
{
    if (dateTime.time().msecsSinceStartOfDay() == 0)
        return dateText(dateTime);
    return dateText(dateTime) + u' ' + timeText(dateTime);
}
