#include "QtPrinters.h"
#include "ScopedEnvironment.h"
#include "shell/TimeConv.h"

#include <gtest/gtest.h>

namespace {

// A zone with daylight saving: one hour east of UTC in winter, two in summer.
const QByteArray centralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

qint64 utcSeconds(int year, int month, int day, int hour)
{
    return QDateTime(QDate(year, month, day), QTime(hour, 0), Qt::UTC).toSecsSinceEpoch();
}

} // namespace

TEST(TimeConv, EachInstantConvertsWithItsOwnOffset)
{
    ScopedEnvironment zone("TZ", centralEurope);
    struct Case { qint64 utc; QTime local; };
    const Case cases[] = {
        {utcSeconds(2026, 1, 15, 12), QTime(13, 0)},    // winter: +1 h
        {utcSeconds(2026, 7, 15, 12), QTime(14, 0)},    // summer: +2 h
        {utcSeconds(2026, 3, 29, 0), QTime(1, 0)},      // the hour before the change
        {utcSeconds(2026, 3, 29, 1), QTime(3, 0)},      // the hour after it
    };
    for (const auto& c : cases) {
        const QDateTime local = UTC2VB(c.utc);
        EXPECT_EQ(local.time(), c.local) << c.utc;
        EXPECT_EQ(local.date(), QDateTime::fromSecsSinceEpoch(c.utc, Qt::UTC).date()) << c.utc;
        EXPECT_EQ(VB2UTC(QDateTime(local.date(), local.time()), false), c.utc) << c.utc;
    }
}

TEST(TimeConv, OneHourEastWithoutDaylightSaving)
{
    ScopedEnvironment zone("TZ", "UTC-1");
    const QDateTime epoch = UTC2VB(0);
    EXPECT_EQ(epoch.date(), QDate(1970, 1, 1));
    EXPECT_EQ(epoch.time(), QTime(1, 0));
    EXPECT_EQ(VB2UTC(QDateTime(QDate(1970, 1, 1), QTime(1, 0)), false), 0);
    // Already UTC: the fields are read as UTC whatever the local zone.
    EXPECT_EQ(VB2UTC(QDateTime(QDate(1970, 1, 1), QTime(0, 0)), true), 0);
    EXPECT_EQ(VB2UTC(QDateTime(QDate(1970, 1, 1), QTime(0, 0), Qt::UTC), true), 0);
}

TEST(TimeConv, Vb2UtcRoundsHalvesToTheEvenSecond)
{
    struct Case { int msec; qint64 seconds; };
    const Case cases[] = {{499, 100}, {500, 100}, {501, 101}, {1500, 102}, {2500, 102}, {-500, 100}, {-501, 99}};
    const QDateTime base = QDateTime::fromSecsSinceEpoch(100, Qt::UTC);
    for (const auto& c : cases)
        EXPECT_EQ(VB2UTC(base.addMSecs(c.msec), true), c.seconds) << c.msec;
    EXPECT_EQ(VB2UTC(QDateTime(), true), 0);
}

TEST(TimeConv, DayNumbersCountFromTheZeroDate)
{
    struct Case { QDate date; QTime time; double days; };
    const Case cases[] = {
        {QDate(1899, 12, 30), QTime(0, 0), 0.0},
        {QDate(1970, 1, 1), QTime(0, 0), kUnixEpochDayNumber},
        {QDate(1970, 1, 1), QTime(18, 0), kUnixEpochDayNumber + 0.75},
        {QDate(1899, 12, 29), QTime(6, 0), -1.25},     // the fraction stays the time of day
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(ToDayNumber(QDateTime(c.date, c.time)), c.days) << c.days;
        const QDateTime back = FromDayNumber(c.days);
        EXPECT_EQ(back.date(), c.date) << c.days;
        EXPECT_EQ(back.time(), c.time) << c.days;
    }
    EXPECT_EQ(ZeroDate(), QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
    // A fraction a hair below a whole day is the next midnight, not 24:00.
    EXPECT_EQ(FromDayNumber(1.0 - 1e-12, Qt::UTC), QDateTime(QDate(1899, 12, 31), QTime(0, 0), Qt::UTC));
}

TEST(TimeConv, NowIsUtcToTheSecond)
{
    const QDateTime now = GMTNow();
    EXPECT_EQ(now.timeSpec(), Qt::UTC);
    EXPECT_EQ(now.time().msec(), 0);
    const qint64 whole = UTCNow();
    const double precise = UTCNow(true);
    EXPECT_GE(precise, double(whole));
    EXPECT_LT(precise, double(whole) + 2.0);   // read one after the other
}
