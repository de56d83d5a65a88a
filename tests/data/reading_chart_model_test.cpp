#include "ScriptedPrompts.h"
#include "ServicesRig.h"
#include "SlotFixtures.h"
#include "TempFolder.h"
#include "data/ChartImage.h"
#include "data/DataFileSettings.h"
#include "data/DownloadPageModel.h"
#include "data/ReadingChartModel.h"
#include "instrument/InstrumentInfo.h"
#include "link/FirmwareFlags.h"
#include "shell/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {
const QDateTime kFirst(QDate(2026, 3, 1), QTime(10, 0));

QDateTime hour(int n) { return kFirst.addSecs(3600 * n); }

void setTime(SlotRecord& s, const QDateTime& when)
{
    s.SampleTime = when;
    s.TimeStamp = static_cast<int32_t>(when.toSecsSinceEpoch());
}

// Seven table slots: readings 0.2 to 1.2 ppm an hour apart, slot 3 scheduled
// and read out of time order (its clock was set back), slot 4 without a
// reading, slot 6 never read (no time), slot 7 scheduled.
DownloadTable SampleTable()
{
    SlotRecord third = scheduled(0.6f);
    setTime(third, hour(-1));
    SlotRecord noReading = slot(-1, hour(3));
    noReading.Temperature = 30;
    SlotRecord last = scheduled(1.2f);
    setTime(last, hour(6));
    return table({slot(0.2f, hour(0)), slot(0.4f, hour(1)), third, noReading, slot(1.0f, hour(4)), SlotRecord{},
        last});
}

ChartSource SampleSource(InstrumentInfo info = {}, FirmwareFlags flags = {})
{
    info.SerialNumber = QStringLiteral("123F");
    return ChartSource::of(SampleTable(), info, flags);
}

DownloadFilter FilterFor(DataFormat format)
{
    DownloadFilter f;
    f.formatIndex = static_cast<int>(format);
    return f;
}

QList<double> Xs(const QList<QPointF>& points)
{
    QList<double> xs;
    for (const QPointF& p : points)
        xs << p.x();
    return xs;
}

QList<double> Ys(const QList<QPointF>& points)
{
    QList<double> ys;
    for (const QPointF& p : points)
        ys << p.y();
    return ys;
}

double Ms(const QDateTime& t) { return double(t.toMSecsSinceEpoch()); }
} // namespace

TEST(ReadingChart, TheFilterDecidesWhichSlotsAreDrawnInTimeOrder)
{
    struct Case {
        const char* name;
        DownloadFilter filter;
        int slotsShown;              // kept slots with a time, drawn or not
        QList<float> readings;       // the concentration series, in time order
        const char* count;           // the count beside the chart
    };
    DownloadFilter schedule = FilterFor(DataFormat::BySchedule);
    schedule.onlyScheduled = true;
    DownloadFilter manual = FilterFor(DataFormat::BySchedule);
    DownloadFilter dates = FilterFor(DataFormat::ByDateRange);
    dates.from = hour(1);
    dates.to = hour(4);
    DownloadFilter between = FilterFor(DataFormat::ByConcentration);
    between.boundA = 1000; // put in order by the chart, as by Test Filter
    between.boundB = 400;
    DownloadFilter outside = between;
    outside.rule = DownloadFilter::ConcentrationRule::Outside;
    const Case cases[] = {
        {"every slot", FilterFor(DataFormat::AllDayMonthName), 6, {0.6f, 0.2f, 0.4f, 1.0f, 1.2f},
            "5 of 6 samples have a reading"},
        {"plot script", FilterFor(DataFormat::PlotScript), 6, {0.6f, 0.2f, 0.4f, 1.0f, 1.2f},
            "5 of 6 samples have a reading"},
        {"scheduled only", schedule, 2, {0.6f, 1.2f}, "2 samples"},
        {"manual and remote", manual, 4, {0.2f, 0.4f, 1.0f}, "3 of 4 samples have a reading"},
        {"date range, ends included", dates, 3, {0.4f, 1.0f}, "2 of 3 samples have a reading"},
        {"0.4 to 1.0 ppm", between, 3, {0.6f, 0.4f, 1.0f}, "3 samples"},
        {"outside 0.4 to 1.0 ppm, no reading counts as -1", outside, 3, {0.2f, 1.2f}, "2 of 3 samples have a reading"},
    };
    ReadingChartModel model;
    model.setSource(SampleSource());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        model.setFilter(c.filter);
        const ReadingChart& chart = model.chart();
        EXPECT_EQ(chart.slotsShown, c.slotsShown);
        EXPECT_EQ(chart.countText, QString::fromLatin1(c.count));
        QList<double> expected;
        for (float r : c.readings)
            expected << double(r);
        EXPECT_EQ(Ys(chart.concentration), expected);
        QList<double> xs = Xs(chart.concentration);
        EXPECT_TRUE(std::is_sorted(xs.begin(), xs.end()));
        EXPECT_EQ(chart.title, "Data Downloaded from 123F.");
    }
}

// The lines stop where the samples stop: a time without samples longer than
// a few of their usual spacings (the median) is not bridged by a line.
TEST(ReadingChart, LinesBreakAcrossLongGapsOnly)
{
    const auto minute = [](int n) { return kFirst.addSecs(60 * n); };
    struct Case {
        const char* name;
        QList<int> minutes;              // sample times; a negative one has no reading
        QList<QList<double>> segments;   // the concentration line's segments, in minutes
    };
    const Case cases[] = {
        // Spacing 10 minutes: a break needs more than 30.
        {"short gaps stay joined", {0, 10, 20, 30, 45, 55}, {{0, 10, 20, 30, 45, 55}}},
        {"a long gap breaks the line", {0, 10, 20, 30, 45, 120, 130}, {{0, 10, 20, 30, 45}, {120, 130}}},
        {"a sample without a reading is no gap of its own", {0, 10, -20, 30, 40, 50}, {{0, 10, 30, 40, 50}}},
        {"two samples: one line whatever their spacing", {0, 600}, {{0, 600}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DownloadTable samples;
        samples.resize(int(c.minutes.size()));
        for (int i = 0; i < c.minutes.size(); ++i) {
            const int m = c.minutes[i];
            SlotRecord s = slot(m < 0 ? -1.0f : 0.5f, minute(std::abs(m)));
            s.Temperature = 20;
            samples[i + 1] = s;
        }
        ReadingChartModel model;
        model.setSource(ChartSource::of(samples, InstrumentInfo{}, FirmwareFlags{}));
        model.setFilter(FilterFor(DataFormat::AllDayMonthName));
        model.setClimateShown(true);
        const ReadingChart& chart = model.chart();
        QList<QList<double>> drawn;
        for (const QList<QPointF>& line : chart.segments(chart.concentration)) {
            QList<double> at;
            for (double x : Xs(line))
                at << (x - Ms(kFirst)) / 60000.0;
            drawn << at;
        }
        EXPECT_EQ(drawn, c.segments);
        // The climate lines break where the samples do, readings or not.
        const qsizetype climateLines = chart.segments(chart.temperature).size();
        EXPECT_EQ(climateLines, qsizetype(c.segments.size()));
        EXPECT_EQ(chart.segments(chart.humidity).size(), climateLines);
    }
}

TEST(ReadingChart, MgPerCubicMetreOnlyWhereTheFormatWritesThatColumn)
{
    struct Case {
        DataFormat format;
        ConcentrationUnit requested;
        ConcentrationUnit drawn;
    };
    const Case cases[] = {
        {DataFormat::AllDayMonthName, ConcentrationUnit::MgPerCubicMetre, ConcentrationUnit::MgPerCubicMetre},
        {DataFormat::AllUtc, ConcentrationUnit::MgPerCubicMetre, ConcentrationUnit::MgPerCubicMetre},
        {DataFormat::Comprehensive, ConcentrationUnit::MgPerCubicMetre, ConcentrationUnit::MgPerCubicMetre},
        {DataFormat::PlotScript, ConcentrationUnit::MgPerCubicMetre, ConcentrationUnit::Ppm},
        {DataFormat::AllDayMonthName, ConcentrationUnit::Ppm, ConcentrationUnit::Ppm},
    };
    ReadingChartModel model;
    model.setSource(SampleSource());
    for (const Case& c : cases) {
        SCOPED_TRACE(DataFormats::caption(c.format).toStdString());
        model.setFilter(FilterFor(c.format));
        model.setRequestedUnit(c.requested);
        const ReadingChart& chart = model.chart();
        EXPECT_EQ(chart.unit, c.drawn);
        EXPECT_EQ(model.mgmOffered(), c.format != DataFormat::PlotScript);
        const bool mgm = c.drawn == ConcentrationUnit::MgPerCubicMetre;
        EXPECT_EQ(chart.concentrationTitle, mgm ? "mg/m^3" : "ppm");
        ASSERT_EQ(chart.concentration.size(), 5);
        // The slot fixtures keep mg/m^3 at 1.2 times the reading.
        EXPECT_FLOAT_EQ(float(chart.concentration[1].y()), mgm ? 0.2f * 1.2f : 0.2f);
    }
}

TEST(ReadingChart, AlarmLevelIsALineInTheChartsUnit)
{
    struct Case {
        const char* name;
        bool enabled;
        bool fixedFactor;
        ConcentrationUnit unit;
        std::optional<double> level;
        QString legend;
    };
    const Case cases[] = {
        {"off", false, false, ConcentrationUnit::Ppm, std::nullopt, ""},
        {"ppm", true, false, ConcentrationUnit::Ppm, 1.5, "Alarm over 1.50 ppm"},
        {"fixed factor 640/512", true, true, ConcentrationUnit::MgPerCubicMetre, 1.875, "Alarm over 1.88 mg/m^3"},
        // The conversion follows each sample's temperature: no single line.
        {"dynamic conversion", true, false, ConcentrationUnit::MgPerCubicMetre, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstrumentInfo info;
        info.AlarmEnabled = c.enabled;
        info.AlarmOver = true;
        info.AlarmSetting = 1.5f;
        info.MGMFixed = c.fixedFactor;
        info.MGMFactor = c.fixedFactor ? 640 : -1;
        FirmwareFlags flags;
        flags.FwNewSlotStatus = true;
        ReadingChartModel model;
        model.setSource(SampleSource(info, flags));
        model.setFilter(FilterFor(DataFormat::AllDayMonthName));
        model.setRequestedUnit(c.unit);
        const ReadingChart& chart = model.chart();
        ASSERT_EQ(chart.alarmLevel.has_value(), c.level.has_value());
        if (c.level) {
            EXPECT_DOUBLE_EQ(*chart.alarmLevel, *c.level);
            // The line stays in view above the highest reading (1.2 ppm).
            EXPECT_GT(chart.concentrationRange.max, *c.level);
        }
        EXPECT_EQ(chart.alarmName, c.legend);
    }
}

TEST(ReadingChart, FixedFactorOnlyOnFirmwareWithSlotStatus)
{
    InstrumentInfo info;
    info.MGMFixed = true;
    info.MGMFactor = 640;
    FirmwareFlags old;
    EXPECT_FALSE(ChartSource::of(SampleTable(), info, old).fixedMgmPerPpm.has_value());
    FirmwareFlags current;
    current.FwNewSlotStatus = true;
    EXPECT_EQ(ChartSource::of(SampleTable(), info, current).fixedMgmPerPpm, 1.25);
    EXPECT_EQ(ChartSource::of(SampleTable(), info, current).slots.size(), 6u) << "the never-read slot stays out";
}

TEST(ReadingChart, RangesCoverThePointsWithHeadroom)
{
    ReadingChartModel model;
    model.setSource(SampleSource());
    model.setFilter(FilterFor(DataFormat::AllDayMonthName));
    ReadingChart chart = model.chart();
    EXPECT_EQ(chart.time.min, Ms(hour(-1)));
    EXPECT_EQ(chart.time.max, Ms(hour(6)));
    EXPECT_EQ(chart.concentrationRange.min, 0);
    EXPECT_GT(chart.concentrationRange.max, 1.2);
    EXPECT_LT(chart.concentrationRange.max, 1.3);
    EXPECT_TRUE(chart.temperature.isEmpty()) << "second axis off";

    model.setClimateShown(true);
    chart = model.chart();
    // Every kept slot with a time has a temperature, with or without a reading.
    EXPECT_EQ(chart.temperature.size(), 6);
    EXPECT_EQ(chart.humidity.size(), 6);
    EXPECT_EQ(Ys(chart.temperature).count(30.0), 1);
    EXPECT_LT(chart.climateRange.min, 21.5);
    EXPECT_GT(chart.climateRange.max, 40.0);

    // A single sample gets half an hour either side.
    DownloadFilter one = FilterFor(DataFormat::ByDateRange);
    one.from = one.to = hour(4);
    model.setFilter(one);
    chart = model.chart();
    EXPECT_EQ(chart.time.max - chart.time.min, 3600.0 * 1000);
    EXPECT_EQ(chart.concentration.size(), 1);
}

TEST(ReadingChart, NothingToDrawStillGivesAxes)
{
    struct Case {
        const char* name;
        bool downloaded;
        const char* title;
    };
    const Case cases[] = {
        {"before any download", false, "No data downloaded."},
        {"filter keeps nothing", true, "No readings pass this filter."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReadingChartModel model;
        if (c.downloaded)
            model.setSource(SampleSource());
        DownloadFilter none = FilterFor(DataFormat::ByDateRange);
        none.from = hour(100);
        none.to = hour(101);
        model.setFilter(none);
        model.setClimateShown(true);
        const ReadingChart& chart = model.chart();
        EXPECT_EQ(chart.title, c.title);
        EXPECT_TRUE(chart.concentration.isEmpty());
        EXPECT_TRUE(chart.temperature.isEmpty());
        EXPECT_LT(chart.time.min, chart.time.max);
        EXPECT_LT(chart.concentrationRange.min, chart.concentrationRange.max);
        EXPECT_LT(chart.climateRange.min, chart.climateRange.max);
    }
}

// The page model feeds the chart: the download's filter, Test Filter, and a
// dropped table.
TEST(ReadingChart, FollowsThePagesFilterAndDroppedData)
{
    TempFolder tmp;
    const QString userFile = tmp.file(QStringLiteral("user.txt"));
    ASSERT_TRUE(WriteFileAtomically(userFile, QByteArray()));
    DataFileSettings settings{userFile};
    DownloadPageModel page{settings, english};
    const DownloadTable downloaded = SampleTable();

    page.chart.setSource(SampleSource());
    page.downloadCompleted(downloaded, hour(24));
    EXPECT_EQ(page.chart.chart().concentration.size(), 5);

    const int before = page.chart.revision();
    page.selectFormat(static_cast<int>(DataFormat::BySchedule));
    page.filter.onlyScheduled = true;
    EXPECT_EQ(page.chart.revision(), before) << "the chart waits for Test Filter";
    ScriptedPrompts prompts;
    EXPECT_EQ(page.testFilter(downloaded, prompts, QStringLiteral("Tolvi")), 2);
    EXPECT_EQ(page.chart.chart().concentration.size(), 2);

    page.dataDropped();
    EXPECT_FALSE(page.chart.hasData());
    EXPECT_TRUE(page.chart.chart().concentration.isEmpty());
}

// "Save as PNG": the image replaces the file in one step; where it cannot be
// written the user is told and what was there stays.
TEST(ReadingChart, SavingTheImageReportsAFailure)
{
    struct Case {
        const char* name;
        bool folderInTheWay;   // a folder holds the chosen name
        QByteArray png;
        bool saved;
    };
    const Case cases[] = {
        {"replaces an earlier file", false, "PNG bytes", true},
        {"a folder of that name", true, "PNG bytes", false},
        {"nothing drawn", false, QByteArray(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ServicesRig rig;
        const QString path = rig.data.file(QStringLiteral("chart.png"));
        if (c.folderInTheWay)
            ASSERT_TRUE(QDir().mkpath(path));
        else
            ASSERT_TRUE(WriteFileAtomically(path, "earlier"));
        EXPECT_EQ(SaveChartImage(path, c.png, rig.prompts, rig.log), c.saved);
        EXPECT_EQ(QFileInfo(path).isDir(), c.folderInTheWay);
        if (!c.folderInTheWay) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), c.saved ? c.png : QByteArray("earlier"));
        }
        const QStringList messages = rig.prompts.texts_of(QStringLiteral("message"));
        ASSERT_EQ(messages.size(), c.saved ? 0 : 1);
        if (!c.saved) {
            EXPECT_TRUE(messages[0].startsWith(QStringLiteral("The chart could not be saved to ")));
        }
    }
}
