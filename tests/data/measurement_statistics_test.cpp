#include "SlotFixtures.h"
#include "data/MeasurementReport.h"
#include "data/MeasurementStatistics.h"
#include "data/ReadingChartModel.h"
#include "instrument/InstrumentInfo.h"
#include "link/FirmwareFlags.h"

#include <gtest/gtest.h>

namespace {
const qint64 kMidnightUtc = QDateTime(QDate(2026, 12, 4), QTime(0, 0), QTimeZone::utc()).toSecsSinceEpoch();
constexpr double kMgmPerPpm = 1.25;
constexpr double kNoReading = -1;

// Readings every period seconds from start; kNoReading marks a sample without one.
std::vector<MeasuredSample> Series(qint64 start, qint64 period, const std::vector<double>& ppm)
{
    std::vector<MeasuredSample> samples;
    for (size_t i = 0; i < ppm.size(); ++i) {
        const bool reading = ppm[i] >= 0;
        samples.push_back({start + qint64(i) * period, reading, reading ? ppm[i] : 0, reading ? ppm[i] * kMgmPerPpm : 0});
    }
    return samples;
}

StatisticsOptions InUtc(std::optional<double> limit = std::nullopt)
{
    StatisticsOptions options;
    options.zone = QTimeZone::utc();
    options.limitPpm = limit;
    return options;
}
} // namespace

// The figures of a unit from hand-computed series: every reading holds until
// the next one, at most two sampling periods, the last one for one period.
TEST(MeasurementStatistics, FiguresOfSmallSeries)
{
    struct Case {
        const char* name;
        std::vector<MeasuredSample> samples;
        int samplesCount, readings;
        qint64 period, covered;
        double min, max, mean, median, p95, sd, twa;
        qint64 maxAt;
    };
    const qint64 t = kMidnightUtc;
    // The gap: spacings 60, 60, 1080, 60 -> period 60; the reading before the
    // gap holds 120 s, so the mean of time is (3 x 60 + 120 + 2 x 5 x 60) / 360.
    std::vector<MeasuredSample> gap = Series(t, 60, {1, 1, 1});
    for (const MeasuredSample& s : Series(t + 1200, 60, {5, 5}))
        gap.push_back(s);
    const QList<Case> cases{
        {"constant", Series(t, 60, {2, 2, 2, 2, 2}), 5, 5, 60, 300, 2, 2, 2, 2, 2, 0, 2, t},
        {"ramp: the 95th percentile lies between ranks", Series(t, 60, {0, 1, 2, 3, 4}), 5, 5, 60, 300, 0, 4, 2, 2,
            3.8, std::sqrt(2.0), 2, t + 240},
        {"step", Series(t, 60, {1, 1, 1, 3, 3}), 5, 5, 60, 300, 1, 3, 1.8, 1, 3, std::sqrt(0.96), 1.8, t + 180},
        {"gap", gap, 5, 5, 60, 360, 1, 5, 2.6, 1, 5, std::sqrt(3.84), 840.0 / 360, t + 1200},
        {"samples without a reading are counted, not read", Series(t, 60, {2, kNoReading, 4, kNoReading}), 4, 2, 120, 240,
            2, 4, 3, 3, 3.9, 1, (2 * 120 + 4 * 120) / 240.0, t + 120},
        {"in any order", [&] { auto s = Series(t, 60, {0, 1, 2, 3, 4}); std::reverse(s.begin(), s.end()); return s; }(),
            5, 5, 60, 300, 0, 4, 2, 2, 3.8, std::sqrt(2.0), 2, t + 240},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MeasurementStatistics s = ComputeStatistics(c.samples, InUtc());
        EXPECT_EQ(s.samples, c.samplesCount);
        EXPECT_EQ(s.readings, c.readings);
        EXPECT_EQ(s.samplingPeriod, c.period);
        EXPECT_EQ(s.coveredSeconds, c.covered);
        EXPECT_DOUBLE_EQ(s.ppm.minimum.value, c.min);
        EXPECT_DOUBLE_EQ(s.ppm.maximum.value, c.max);
        EXPECT_EQ(s.ppm.maximum.utcSeconds, c.maxAt);
        EXPECT_DOUBLE_EQ(s.ppm.mean, c.mean);
        EXPECT_DOUBLE_EQ(s.ppm.median, c.median);
        EXPECT_NEAR(s.ppm.percentile95, c.p95, 1e-12);
        EXPECT_NEAR(s.ppm.standardDeviation, c.sd, 1e-12);
        EXPECT_NEAR(s.ppm.timeWeightedMean, c.twa, 1e-12);
        // The same figures in mg/m^3, since every sample converts alike here.
        EXPECT_NEAR(s.mgm.mean, c.mean * kMgmPerPpm, 1e-12);
        EXPECT_NEAR(s.mgm.timeWeightedMean, c.twa * kMgmPerPpm, 1e-12);
        EXPECT_EQ(s.first, c.samples.front().utcSeconds < c.samples.back().utcSeconds ? c.samples.front().utcSeconds
                                                                                      : c.samples.back().utcSeconds);
    }
}

// Each unit finds its own extremes: the mg/m^3 value follows each sample's
// temperature, so its lowest reading need not be the lowest in ppm.
TEST(MeasurementStatistics, EachUnitHasItsOwnExtremes)
{
    const std::vector<MeasuredSample> samples{{kMidnightUtc, true, 1.0, 3.0}, {kMidnightUtc + 60, true, 2.0, 1.0}};
    const MeasurementStatistics s = ComputeStatistics(samples, InUtc());
    EXPECT_EQ(s.ppm.minimum.utcSeconds, kMidnightUtc);
    EXPECT_EQ(s.mgm.minimum.utcSeconds, kMidnightUtc + 60);
    EXPECT_EQ(s.ppm.maximum.utcSeconds, kMidnightUtc + 60);
    EXPECT_EQ(s.mgm.maximum.utcSeconds, kMidnightUtc);
    EXPECT_DOUBLE_EQ(s.mgm.maximum.value, 3.0);
}

TEST(MeasurementStatistics, GapsAreSpacingsOfMoreThanTwoPeriods)
{
    // Spacings 60, 120 (two periods: held, no gap), 121 (a gap), 60, 60.
    const qint64 t = kMidnightUtc;
    std::vector<MeasuredSample> samples;
    for (const qint64 at : {t, t + 60, t + 180, t + 301, t + 361, t + 421})
        samples.push_back({at, true, 1, 1});
    const MeasurementStatistics s = ComputeStatistics(samples, InUtc());
    EXPECT_EQ(s.samplingPeriod, 60);
    ASSERT_EQ(s.gaps.size(), 1u);
    EXPECT_EQ(s.gaps[0].start, t + 180);
    EXPECT_EQ(s.gaps[0].seconds, 121);
    EXPECT_EQ(s.coveredSeconds, 60 + 120 + 120 + 60 + 60 + 60);
}

// Rolling averages start at each reading and count only where the readings
// hold at least 75 % of the window.
TEST(MeasurementStatistics, RollingAveragesNeedThreeQuartersOfTheirWindow)
{
    const qint64 t = kMidnightUtc;
    struct Case {
        const char* name;
        std::vector<MeasuredSample> samples;
        std::optional<TimedValue> highest15m;
    };
    // An hour of 1 ppm with a quarter of an hour of 3 ppm from minute 20.
    std::vector<double> hour(60, 1.0);
    std::fill(hour.begin() + 20, hour.begin() + 35, 3.0);
    const QList<Case> cases{
        // 11 readings hold 660 s of the 900: less than 675.
        {"too little coverage", Series(t, 60, std::vector<double>(11, 1.0)), std::nullopt},
        // 12 readings hold 720 s from the first one: 1 + ... + 12 over 12.
        {"just enough from the first reading only",
            Series(t, 60, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), TimedValue{6.5, t}},
        {"the highest window and its start", Series(t, 60, hour), TimedValue{3.0, t + 1200}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MeasurementStatistics s = ComputeStatistics(c.samples, InUtc());
        ASSERT_EQ(s.ppm.windows.size(), 2u);
        EXPECT_EQ(s.ppm.windows[0].window.name, QStringLiteral("8h"));
        EXPECT_FALSE(s.ppm.windows[0].highest.has_value()) << "an hour never covers 8 hours";
        const auto& w = s.ppm.windows[1].highest;
        ASSERT_EQ(w.has_value(), c.highest15m.has_value());
        if (w) {
            EXPECT_NEAR(w->value, c.highest15m->value, 1e-12);
            EXPECT_EQ(w->utcSeconds, c.highest15m->utcSeconds);
            EXPECT_NEAR(s.mgm.windows[1].highest->value, c.highest15m->value * kMgmPerPpm, 1e-12);
        }
    }
}

TEST(MeasurementStatistics, EpisodesAboveTheLimit)
{
    const qint64 t = kMidnightUtc;
    struct Case {
        const char* name;
        std::vector<MeasuredSample> samples;
        std::optional<double> limit;
        std::vector<std::pair<qint64, qint64>> episodes;   // start, end
        qint64 above;
        std::optional<size_t> longest;
    };
    std::vector<MeasuredSample> gap = Series(t, 60, {2, 2, 2});
    gap.push_back({t + 1000, true, 2, 2 * kMgmPerPpm});
    const QList<Case> cases{
        {"two runs; the second is longest", Series(t, 60, {2, 0, 2, 2, 0}), 1.0, {{t, t + 60}, {t + 120, t + 240}}, 180,
            1},
        {"at the limit is not above it", Series(t, 60, {1, 1, 1}), 1.0, {}, 0, std::nullopt},
        // The reading before the gap holds two periods; the gap ends the episode.
        {"a gap ends an episode", gap, 1.0, {{t, t + 240}, {t + 1000, t + 1060}}, 300, 0},
        {"no limit, no episodes", Series(t, 60, {5, 5}), std::nullopt, {}, 0, std::nullopt},
        {"the last reading holds one period", Series(t, 60, {0, 0, 2}), 1.0, {{t + 120, t + 180}}, 60, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MeasurementStatistics s = ComputeStatistics(c.samples, InUtc(c.limit));
        ASSERT_EQ(s.episodes.size(), c.episodes.size());
        for (size_t i = 0; i < c.episodes.size(); ++i) {
            EXPECT_EQ(s.episodes[i].start, c.episodes[i].first) << "episode " << i;
            EXPECT_EQ(s.episodes[i].end, c.episodes[i].second) << "episode " << i;
            EXPECT_DOUBLE_EQ(s.episodes[i].highestPpm, 2.0);
            EXPECT_DOUBLE_EQ(s.episodes[i].highestMgm, 2.0 * kMgmPerPpm);
        }
        EXPECT_EQ(s.secondsAboveLimit, c.above);
        EXPECT_EQ(s.longestEpisode, c.longest);
    }
}

// An episode from 23:40 to 00:20 local time, an hour east of UTC: each date
// gets its own readings and its own share of the time above the limit.
TEST(MeasurementStatistics, DaysAreLocalDatesAndSplitAnEpisodeAtMidnight)
{
    const QTimeZone eastOfUtc(3600);
    const qint64 start = QDateTime(QDate(2026, 12, 4), QTime(23, 30), eastOfUtc).toSecsSinceEpoch();
    StatisticsOptions options;
    options.zone = eastOfUtc;
    options.limitPpm = 1.0;
    const MeasurementStatistics s = ComputeStatistics(Series(start, 600, {0.5, 2, 2, 2, 2, 0.5}), options);
    ASSERT_EQ(s.episodes.size(), 1u);
    EXPECT_EQ(s.episodes[0].start, start + 600);
    EXPECT_EQ(s.episodes[0].seconds(), 2400);
    ASSERT_EQ(s.days.size(), 2u);
    for (const DayFigures& day : s.days) {
        SCOPED_TRACE(day.date.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(day.readings, 3);
        EXPECT_DOUBLE_EQ(day.meanPpm, 1.5);
        EXPECT_DOUBLE_EQ(day.maxPpm, 2.0);
        EXPECT_DOUBLE_EQ(day.maxMgm, 2.0 * kMgmPerPpm);
        EXPECT_EQ(day.secondsAboveLimit, 1200);
    }
    EXPECT_EQ(s.days[0].date, QDate(2026, 12, 4));
    EXPECT_EQ(s.days[1].date, QDate(2026, 12, 5));
}

TEST(MeasurementStatistics, NothingToSummariseWithoutAReading)
{
    for (const auto& samples : {std::vector<MeasuredSample>{}, Series(kMidnightUtc, 60, {kNoReading, kNoReading})}) {
        const MeasurementStatistics s = ComputeStatistics(samples, InUtc(1.0));
        EXPECT_FALSE(s.hasReadings());
        EXPECT_EQ(s.samples, int(samples.size()));
        EXPECT_TRUE(s.days.empty());
    }
    EXPECT_EQ(NoReadingsMessage(), QStringLiteral("No reading passes this filter: there is nothing to summarise."));
}

// The statistics take the slots the filter keeps; slots that could not be
// read are none of them, and the mg/m^3 values are the slots' own.
TEST(MeasurementStatistics, SelectionSkipsUnreadSlotsAndFollowsTheFilter)
{
    const QDateTime noon(QDate(2026, 12, 4), QTime(12, 0), QTimeZone::utc());
    DownloadTable table = fixtures::table({fixtures::slot(1.0f, noon), fixtures::slot(0.0f, noon.addSecs(60)),
        fixtures::slot(4.0f, noon.addSecs(120)), fixtures::slot(-1.0f, noon.addSecs(180))});
    table.markUnread(2);
    InstrumentInfo info;
    info.SerialNumber = QStringLiteral("123F");
    info.AlarmEnabled = true;
    info.AlarmSetting = 2.0f;
    const ChartSource source = ChartSource::of(table, info, FirmwareFlags{});

    ReportRequest request;
    request.zone = QTimeZone::utc();
    MeasurementStatistics s = StatisticsFor(source, request);
    EXPECT_EQ(s.samples, 3);
    EXPECT_EQ(s.readings, 2);
    EXPECT_NEAR(s.mgm.maximum.value, 4.0 * 1.2, 1e-6);
    EXPECT_EQ(s.limitPpm, std::optional<double>(2.0)) << "the alarm level when the alarm is on";
    EXPECT_EQ(s.episodes.size(), 1u);

    request.limitPpm = 5.0;
    request.filter.formatIndex = static_cast<int>(DataFormat::ByConcentration);
    request.filter.boundA = 500;
    request.filter.boundB = 10000;
    s = StatisticsFor(source, request);
    EXPECT_EQ(s.samples, 2) << "the slot without a reading is outside 0.5 to 10 ppm";
    EXPECT_EQ(s.limitPpm, std::optional<double>(5.0)) << "a given limit wins over the alarm";
    EXPECT_TRUE(s.episodes.empty());
}

TEST(MeasurementStatistics, AveragingWindowNames)
{
    struct Case {
        const char* text;
        std::optional<qint64> seconds;
    };
    const QList<Case> cases{{"8h", 28800}, {"15m", 900}, {"1h30m", 5400}, {"30s", 30}, {" 2H ", 7200},
        {"168h", 604800}, {"169h", std::nullopt}, {"0m", std::nullopt}, {"", std::nullopt}, {"8", std::nullopt},
        {"m15", std::nullopt}, {"8x", std::nullopt}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto window = ParseAveragingWindow(QString::fromLatin1(c.text));
        ASSERT_EQ(window.has_value(), c.seconds.has_value());
        if (window) {
            EXPECT_EQ(window->seconds, *c.seconds);
        }
    }
}

TEST(MeasurementReport, PaperFollowsTheLocale)
{
    EXPECT_EQ(PaperFor(QLocale(QLocale::English, QLocale::UnitedStates)), ReportPaper::Letter);
    EXPECT_EQ(PaperFor(QLocale(QLocale::French, QLocale::Canada)), ReportPaper::Letter);
    EXPECT_EQ(PaperFor(QLocale(QLocale::English, QLocale::UnitedKingdom)), ReportPaper::A4);
    EXPECT_EQ(PaperFor(QLocale(QLocale::Finnish, QLocale::Finland)), ReportPaper::A4);
}
