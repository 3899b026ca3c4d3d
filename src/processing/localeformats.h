#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// The user's number, date and time conventions, taken once from the locale (LANG, LC_ALL, ...).
struct LocaleFormats
{
    QString decimalSeparator;
    QString groupSeparator;
    QString shortDateFormat;
    QString longTimeFormat;

    static LocaleFormats fromLocale(const QLocale& locale);

    QString dateText(const QDateTime& dateTime) const;
    QString timeText(const QDateTime& dateTime) const;
    // Date, a blank and the time; the time is left out at exactly midnight.
    QString dateTimeText(const QDateTime& dateTime) const;
};
