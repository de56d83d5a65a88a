#pragma once
#include <QDateTime>

// Time stamps exchanged with the instrument and written to data files are whole
// seconds since 1970-01-01 00:00:00 UTC. Date-times shown to the user are local
// QDateTimes. Day numbers count days since the zero date 1899-12-30 00:00:00 with
// the time of day as a fraction (1970-01-01 is day 25569), so arithmetic such as
// "date - 25569" or "error in days" keeps its meaning.

constexpr double kUnixEpochDayNumber = 25569.0;

// 1899-12-30 00:00:00 local: the empty date-time.
QDateTime ZeroDate();

// The day number of a date-time's own date and time fields (whether it is UTC or local is not
// consulted: a UTC date-time gives the UTC day number).
double ToDayNumber(const QDateTime& dateTime);
// The date-time with the fields of a day number, to the millisecond. Before the zero
// date the whole days count backwards while the fraction is still the time of day
// (-1.25 is 1899-12-29 06:00). Wall-clock fields of the given kind (UTC or local);
// invalid for a number beyond 9999-12-31.
QDateTime FromDayNumber(double dayNumber, Qt::TimeSpec timeKind = Qt::LocalTime);

// The current UTC date-time from the system clock, to the second (marked as UTC).
QDateTime GMTNow();
// The current time as whole UTC seconds.
qint64 UTCNow();
// With withMilliseconds, the current UTC seconds including the milliseconds.
double UTCNow(bool withMilliseconds);

// Local date-time of UTC seconds, converted with the offset in force at that instant.
QDateTime UTC2VB(qint64 utcSeconds);
// UTC seconds of a date-time's fields: read as UTC when alreadyUtc, else as local
// wall-clock time converted with the offset in force at that instant. Rounded to
// the nearest second, ties to even.
qint64 VB2UTC(const QDateTime& dateTime, bool alreadyUtc);
