#include "SoftTimers.h"

#include "shell/ErrorReport.h"
#include "shell/SessionLog.h"

#include <cmath>

namespace {
constexpr double SecondsPerDay = 86400;

double secondsSinceMidnight(const QDateTime& now)
{
    return now.time().msecsSinceStartOfDay() / 1000.0;
}

// The day's 00:00:00 as seconds since 1970, counting the local date as if it were UTC.
qint32 dayStampOf(const QDateTime& now)
{
    return static_cast<qint32>(QDate(1970, 1, 1).daysTo(now.date()) * qint64(SecondsPerDay));
}
}

SoftTimers::SoftTimers(SessionLog& log, Clock clock) : log_(log), clock_(std::move(clock)) {}

bool SoftTimers::TimerControl(int index, double seconds)
{
    if (index < 0 || index > LastIndex) {
        const QString description = QStringLiteral("TimerIndex %1 is out of bounds").arg(index);
        const ErrorSite site{"TimerControl", "MyLibraryModule"};
        if (prompts_)
            ReportError(log_, *prompts_, site, ErrorNumber::SubscriptOutOfRange, description);
        else
            log_.debugMessage(ErrorText(ErrorNumber::SubscriptOutOfRange, description, 0, site), SessionLog::Error);
        return false;
    }

    const QDateTime now = clock_();
    const double nowSeconds = secondsSinceMidnight(now);
    const qint32 today = dayStampOf(now);

    QMutexLocker lock(&mutex_);
    Entry& entry = entries_[index];
    if (seconds != Query) {
        double expiry = nowSeconds + std::fabs(seconds);
        qint32 day = today;
        while (expiry > SecondsPerDay) {
            expiry -= SecondsPerDay;
            day += static_cast<qint32>(SecondsPerDay);
        }
        entry = Entry{expiry, day, true};
        return true;
    }

    if (!entry.active)
        return false;
    if (entry.dayStamp == today)
        entry.active = nowSeconds <= entry.expiry;
    else
        entry.active = entry.dayStamp > today;
    return entry.active;
}
