#pragma once
#include <QDate>
#include <QString>
#include <QTimeZone>
#include <optional>
#include <vector>

// One sample of the selection: its time and, when it holds a reading, the
// reading in ppm and in mg/m^3 (the slot's own conversion, as the data files
// write it).
struct MeasuredSample {
    qint64 utcSeconds = 0;
    bool hasReading = false;
    double ppm = 0;
    double mgm = 0;
};

// A named averaging time for the rolling time-weighted averages ("8h", "15m").
struct AveragingWindow {
    QString name;
    qint64 seconds = 0;
};

// "8h", "15m", "30s", "1h30m": hours, minutes and seconds, at least one
// second and at most a week; nullopt for anything else.
std::optional<AveragingWindow> ParseAveragingWindow(const QString& text);
// 8 hours and 15 minutes.
std::vector<AveragingWindow> DefaultAveragingWindows();

struct StatisticsOptions {
    std::vector<AveragingWindow> windows = DefaultAveragingWindows();
    std::optional<double> limitPpm;          // no limit: no episodes, no time above it
    QTimeZone zone = QTimeZone::systemTimeZone();   // the days are this zone's dates
};

struct TimedValue {
    double value = 0;
    qint64 utcSeconds = 0;
};

struct WindowAverage {
    AveragingWindow window;
    // The highest average of the windows with enough coverage, and the start
    // of its window; unset when no window is covered well enough.
    std::optional<TimedValue> highest;
};

// The figures of one unit.
struct UnitStatistics {
    TimedValue minimum;                      // the first reading of the lowest value
    TimedValue maximum;                      // the first reading of the highest value
    double mean = 0;
    double median = 0;
    double percentile95 = 0;                 // linear between the two nearest ranks
    double standardDeviation = 0;            // of the readings as a whole (divides by n)
    double timeWeightedMean = 0;
    std::vector<WindowAverage> windows;      // in the order of the options
};

// A run of readings above the limit, without a gap in it.
struct Episode {
    qint64 start = 0;                        // the first reading above the limit
    qint64 end = 0;                          // where the last one's hold ends
    double highestPpm = 0;
    double highestMgm = 0;
    qint64 seconds() const { return end - start; }
};

struct DayFigures {
    QDate date;                              // in the options' zone
    int readings = 0;
    double meanPpm = 0, maxPpm = 0;
    double meanMgm = 0, maxMgm = 0;
    qint64 secondsAboveLimit = 0;            // split at midnight
};

// No reading from start for seconds: longer than two sampling periods.
struct ReadingGap {
    qint64 start = 0;                        // the reading before it
    qint64 seconds = 0;                      // to the reading after it
};

// The figures of a selection of samples. Each reading holds its value until
// the next reading, but at most two sampling periods; the last reading holds
// one. Time not held by a reading is not covered.
struct MeasurementStatistics {
    int samples = 0;                         // every sample selected
    int readings = 0;                        // those with a reading
    qint64 first = 0, last = 0;              // the first and last sample's time
    qint64 samplingPeriod = 0;               // the median spacing of the readings, seconds
    qint64 coveredSeconds = 0;               // the time the readings hold
    UnitStatistics ppm;
    UnitStatistics mgm;
    std::optional<double> limitPpm;
    std::vector<Episode> episodes;
    std::optional<size_t> longestEpisode;    // index into episodes (the first of equals)
    qint64 secondsAboveLimit = 0;
    std::vector<DayFigures> days;            // dates with a reading, in order
    std::vector<ReadingGap> gaps;

    bool hasReadings() const { return readings > 0; }
};

// The message for a selection without a reading: there is nothing to report.
QString NoReadingsMessage();

// The figures of the samples (in any order; they are taken in time order).
MeasurementStatistics ComputeStatistics(std::vector<MeasuredSample> samples, const StatisticsOptions& options);
