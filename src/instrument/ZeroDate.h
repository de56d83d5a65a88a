#pragma once
#include <QDate>
#include <QDateTime>
#include <QTime>

namespace tolviM {

// The neutral date value: day 0 of the calendar (30 December 1899, midnight,
// local time). Date procedures return it when a read fails.
inline QDateTime ZeroDate()
{
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0));
}

inline bool IsZeroDate(const QDateTime& value)
{
    return value == ZeroDate();
}

}
