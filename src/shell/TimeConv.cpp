#include "TimeConv.h"

#include <cmath>

namespace {

const QDate kZeroDay(1899, 12, 30);
constexpr qint64 kMsecsPerDay = 86400000;
constexpr double kLastDayNumber = 2958466.0;   // 9999-12-31: beyond it is no calendar date

// Milliseconds to whole seconds, halves to the even second.
qint64 roundMsecsToSeconds(qint64 msecs)
{
    qint64 seconds = msecs / 1000;
    qint64 rest = msecs % 1000;
    if (rest < 0) {
        rest += 1000;
        --seconds;
    }
    if (rest > 500 || (rest == 500 && (seconds & 1)))
        ++seconds;
    return seconds;
}

} // namespace

QDateTime ZeroDate() { return QDateTime(kZeroDay, QTime(0, 0)); }

double ToDayNumber(const QDateTime& dateTime)
{
    const double days = double(kZeroDay.daysTo(dateTime.date()));
    const double fraction = dateTime.time().msecsSinceStartOfDay() / double(kMsecsPerDay);
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime FromDayNumber(double dayNumber, Qt::TimeSpec timeKind)
{
    if (!std::isfinite(dayNumber) || std::fabs(dayNumber) > kLastDayNumber)
        return {};
    const double whole = std::trunc(dayNumber);
    qint64 msecs = std::llround(std::fabs(dayNumber - whole) * kMsecsPerDay);
    qint64 days = qint64(whole);
    if (msecs >= kMsecsPerDay) {  // a fraction that rounds up to midnight
        msecs -= kMsecsPerDay;
        days += dayNumber >= 0 ? 1 : -1;
    }
    return QDateTime(kZeroDay.addDays(days), QTime::fromMSecsSinceStartOfDay(int(msecs)), timeKind);
}

QDateTime GMTNow()
{
    const qint64 seconds = QDateTime::currentSecsSinceEpoch();
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

qint64 UTCNow() { return VB2UTC(GMTNow(), true); }

double UTCNow(bool withMilliseconds)
{
    if (!withMilliseconds)
        return double(UTCNow());
    return QDateTime::currentMSecsSinceEpoch() / 1000.0;
}

QDateTime UTC2VB(qint64 utcSeconds)
{
    return QDateTime::fromSecsSinceEpoch(utcSeconds, Qt::LocalTime);
}

qint64 VB2UTC(const QDateTime& dateTime, bool alreadyUtc)
{
    if (!dateTime.isValid())
        return 0;
    const QDateTime fields(dateTime.date(), dateTime.time(), alreadyUtc ? Qt::UTC : Qt::LocalTime);
    return roundMsecsToSeconds(fields.toMSecsSinceEpoch());
}
