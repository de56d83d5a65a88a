#include "SlotFixtures.h"
#include "data/DownloadFilter.h"
#include "shell/SessionLog.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {
// Log lines of one run, through the log's own listener.
struct LogCapture {
    SessionLog log;
    QStringList lines;
    LogCapture() { log.setListener([this](const QString& line, int) { lines << line; }); }
    bool contains(const QString& text) const
    {
        return std::any_of(lines.begin(), lines.end(), [&](const QString& l) { return l.endsWith(text); });
    }
};

QList<float> readingsOf(const SaveList& list)
{
    QList<float> readings;
    for (const SlotRecord* s : list.records)
        readings << s->Reading;
    return readings;
}
}

TEST(DownloadFilter, BoundsAreSwappedSoTheLeftBarHoldsTheSmaller)
{
    DownloadFilter filter; // bars at 1000 and 500 after a download
    filter.formatIndex = static_cast<int>(DataFormat::ByConcentration);
    const DownloadTable t = table({slot(0.4f), slot(0.5f), slot(0.75f), slot(1.0f), slot(1.001f)});
    LogCapture capture;
    const SaveList list = BuildSaveList(t, filter, capture.log);
    EXPECT_EQ(filter.boundA, 500);
    EXPECT_EQ(filter.boundB, 1000);
    EXPECT_EQ(readingsOf(list), (QList<float>{0.5f, 0.75f, 1.0f}));
}

TEST(DownloadFilter, ConcentrationRules)
{
    const DownloadTable t = table({slot(-1.0f), slot(0.5f), slot(0.501f), slot(0.8f), slot(2.0f)});
    using Rule = DownloadFilter::ConcentrationRule;
    struct Case { Rule rule; int a, b; QList<float> kept; };
    const Case cases[] = {
        {Rule::Between, 500, 1000, {0.5f, 0.501f, 0.8f}},
        {Rule::Outside, 500, 1000, {-1.0f, 2.0f}},           // no reading counts as -1: kept
        {Rule::EqualToA, 500, 1000, {0.5f}},                  // exactly 500/1000 in singles, not 0.501
        {Rule::Between, 0, 0, {}},
    };
    for (const Case& c : cases) {
        DownloadFilter filter;
        filter.formatIndex = static_cast<int>(DataFormat::ByConcentration);
        filter.rule = c.rule;
        filter.boundA = c.a;
        filter.boundB = c.b;
        LogCapture capture;
        EXPECT_EQ(readingsOf(BuildSaveList(t, filter, capture.log)), c.kept) << static_cast<int>(c.rule);
    }
}

TEST(DownloadFilter, ScheduleBoxSelectsScheduledOrTheOthers)
{
    const DownloadTable t = table({scheduled(1.0f), slot(2.0f), scheduled(3.0f, true)});
    DownloadFilter filter;
    filter.formatIndex = static_cast<int>(DataFormat::BySchedule);
    LogCapture capture;
    filter.onlyScheduled = true;
    EXPECT_EQ(readingsOf(BuildSaveList(t, filter, capture.log)), (QList<float>{1.0f, 3.0f}));
    filter.onlyScheduled = false;
    EXPECT_EQ(readingsOf(BuildSaveList(t, filter, capture.log)), (QList<float>{2.0f}));
    EXPECT_TRUE(capture.contains(QStringLiteral("2 slots removed by Schedule Filter")));

    const DownloadTable onlyScheduled = table({scheduled(1.0f), scheduled(2.0f)});
    EXPECT_EQ(BuildSaveList(onlyScheduled, filter, capture.log).count(), 0);
    EXPECT_TRUE(capture.contains(QStringLiteral("2 slots removed by Schedule Filter")));
}

TEST(DownloadFilter, DateRangeIncludesBothEnds)
{
    const QDateTime noon(QDate(2026, 3, 1), QTime(12, 0, 0));
    SlotRecord before = slot(1.0f, noon.addSecs(-1));
    SlotRecord atFrom = slot(2.0f, noon);
    SlotRecord atTo = slot(3.0f, noon.addSecs(3600));
    SlotRecord after = slot(4.0f, noon.addSecs(3601));
    const DownloadTable t = table({before, atFrom, atTo, after});
    DownloadFilter filter;
    filter.formatIndex = static_cast<int>(DataFormat::ByDateRange);
    filter.from = noon;
    filter.to = noon.addSecs(3600);
    LogCapture capture;
    EXPECT_EQ(readingsOf(BuildSaveList(t, filter, capture.log)), (QList<float>{2.0f, 3.0f}));
    EXPECT_TRUE(capture.contains(QStringLiteral("2 slots removed by Time Filter")));

    std::swap(filter.from, filter.to); // From after To keeps nothing, without complaint
    EXPECT_EQ(BuildSaveList(t, filter, capture.log).count(), 0);
}

TEST(DownloadFilter, UnfilteredEntriesKeepEverySlotAndCountMatchesTheSave)
{
    DownloadTable t;
    t.resize(10);
    for (int i = 1; i <= 10; ++i)
        t[i] = slot(i / 10.0f);
    for (int index : {-1, 0, 1, 2, 3, 7, 8}) {
        DownloadFilter filter;
        filter.formatIndex = index;
        LogCapture capture;
        EXPECT_EQ(BuildSaveList(t, filter, capture.log).count(), 10) << index;
        EXPECT_TRUE(capture.contains(QStringLiteral("Not filtering any data"))) << index;
        EXPECT_EQ(filter.formatIndex, index < 0 ? 0 : index);
    }
    DownloadFilter concentration;
    concentration.formatIndex = static_cast<int>(DataFormat::ByConcentration);
    concentration.boundA = 400;
    concentration.boundB = 700;
    DownloadFilter copy = concentration;
    LogCapture capture;
    EXPECT_EQ(CountFilteredRecords(t, concentration), 4);
    EXPECT_EQ(BuildSaveList(t, copy, capture.log).count(), 4);
    EXPECT_TRUE(capture.contains(QStringLiteral("6 slots removed by Concentration Filter")));
}

TEST(DownloadFilter, ResetAfterDownloadTakesTheFirstSlotTime)
{
    const QDateTime first(QDate(2026, 1, 2), QTime(3, 4, 5));
    const DownloadTable t = table({slot(1.0f, first), slot(2.0f, first.addDays(1))});
    DownloadFilter filter;
    filter.boundA = 10;
    filter.boundB = 20;
    filter.rule = DownloadFilter::ConcentrationRule::EqualToA;
    const QDateTime now(QDate(2026, 5, 5), QTime(10, 0));
    filter.resetAfterDownload(t, now);
    EXPECT_EQ(filter.from, first);
    EXPECT_EQ(filter.to, now);
    EXPECT_EQ(filter.boundA, 1000);
    EXPECT_EQ(filter.boundB, 500);
    EXPECT_EQ(filter.rule, DownloadFilter::ConcentrationRule::Between);
}

// The bars count in 0.001 ppm; a typed bound lands on the nearest step within the bar.
TEST(DownloadFilter, BoundsInPpm)
{
    EXPECT_DOUBLE_EQ(BoundPpm(1500), 1.5);
    EXPECT_DOUBLE_EQ(BoundPpm(0), 0.0);
    struct Case { const char* name; double ppm; int bar; };
    const Case cases[] = {{"exact", 0.5, 500}, {"between steps", 1.2346, 1235}, {"below the bar", -1, 0},
        {"above the bar", 12.5, 10000}, {"top", 10, 10000}};
    for (const Case& c : cases)
        EXPECT_EQ(BoundBarValue(c.ppm), c.bar) << c.name;
}

// A slot that could not be read is held empty (a reading of 0 at time 0):
// no entry and no rule may take it for a sample, and it is not counted as
// removed by a filter either.
TEST(DownloadFilter, UnreadSlotsAreNeverSelected)
{
    const QDateTime first(QDate(2026, 1, 2), QTime(3, 4, 5));
    DownloadTable t = table({slot(0.0f, first), slot(0.7f, first.addDays(1)), slot(0.0f, first.addDays(2))});
    t.markUnread(1);
    t.markUnread(3);
    struct Case { DataFormat format; const char* logged; };
    const Case cases[] = {
        {DataFormat::AllDayMonthName, "Not filtering any data"},
        {DataFormat::ByConcentration, "0 slots removed by Concentration Filter"},   // 0 to 1 ppm
        {DataFormat::BySchedule, "0 slots removed by Schedule Filter"},
        {DataFormat::ByDateRange, "0 slots removed by Time Filter"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logged);
        DownloadFilter filter;
        filter.formatIndex = static_cast<int>(c.format);
        filter.boundA = 0;
        filter.boundB = 1000;
        filter.from = first;
        filter.to = first.addDays(3);
        DownloadFilter copy = filter;
        LogCapture capture;
        EXPECT_EQ(readingsOf(BuildSaveList(t, filter, capture.log)), QList<float>{0.7f});
        EXPECT_EQ(CountFilteredRecords(t, copy), 1);
        EXPECT_TRUE(capture.contains(QString::fromLatin1(c.logged)));
    }
    // The filters start from the first slot read.
    DownloadFilter filter;
    filter.resetAfterDownload(t, first.addDays(5));
    EXPECT_EQ(filter.from, first.addDays(1));
}
