#pragma once
#include <QDateTime>
#include <QLocale>
#include <QString>

// Text from numbers and dates by picture strings, in the user's locale (decimal
// separator, date and time separators, month and weekday abbreviations).
//
// Number pictures: "0" a digit that always shows, "#" a digit shown only when
// significant, "." the decimal separator (shown even with no digit after it),
// "," between integer digits groups thousands, "%" shows "%" and multiplies by 100,
// "\x" shows x, "text" in double quotes shows as it stands, anything else shows as
// it stands. Up to three sections separated by ";": positive (and the default),
// negative (shown without a sign of its own), zero (used when the value shows as
// zero). Rounding is half away from zero on the value's first 15 significant digits.
// A negative value under the first section gets a leading "-", unless it shows as zero.
QString FormatNumber(double value, const QString& picture, const QLocale& locale = QLocale::system());

// Date pictures, letters in either case: "d" "dd" day, "ddd" weekday abbreviation,
// "dddd" weekday name, "ddddd" short date, "dddddd" long date, "w" weekday (Sunday 1),
// "m" "mm" month, or minute right after an hour field or right before a second field,
// "mmm" month abbreviation, "mmmm" month name, "n" "nn" minute, "h" "hh" hour,
// "s" "ss" second, "y" day of the year, "yy" two-digit year, "yyyy" year, "q" quarter,
// "AM/PM" "am/pm" "A/P" "a/p" a 12-hour clock with its marker, "c" the general form,
// "/" the date separator, ":" the time separator, "\x" and "text" literal.
// An empty picture gives the general form: the short date and the long time, the date
// alone at midnight, the time alone on the zero date. Times round to the second.
// The date-time's own fields are shown (a UTC date-time shows UTC).
QString FormatDate(const QDateTime& value, const QString& picture = {},
    const QLocale& locale = QLocale::system());

// A day number (a date value, or a duration in days) by a date picture.
QString FormatDays(double dayNumber, const QString& picture, const QLocale& locale = QLocale::system());

// The locale's separators as the pictures use them.
QString DateSeparator(const QLocale& locale = QLocale::system());
QString TimeSeparator(const QLocale& locale = QLocale::system());
