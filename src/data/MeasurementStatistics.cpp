#include "MeasurementStatistics.h"
#include "shell/TimeUnits.h"

#include <QDateTime>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace {
constexpr qint64 kLongestWindow = 7 * 24 * TimeUnits::SecondsPerHour;
constexpr double kWindowCoverage = 0.75;     // share of a window the readings must hold
constexpr double kPercentile = 0.95;
constexpr qint64 kHoldPeriods = 2;           // a reading holds at most this many sampling periods

struct Reading {
    qint64 t = 0;
    double ppm = 0;
    double mgm = 0;
    qint64 hold = 0;
};

qint64 MedianSpacing(const std::vector<Reading>& readings)
{
    std::vector<qint64> spacings;
    spacings.reserve(readings.size());
    for (size_t i = 1; i < readings.size(); ++i) {
        if (const qint64 d = readings[i].t - readings[i - 1].t; d > 0)
            spacings.push_back(d);
    }
    if (spacings.empty())
        return 0;
    std::sort(spacings.begin(), spacings.end());
    const size_t n = spacings.size();
    return n % 2 == 1 ? spacings[n / 2] : (spacings[n / 2 - 1] + spacings[n / 2]) / 2;
}

// The highest time-weighted average over windows that start at a reading and
// whose readings hold at least the required share of the window.
std::optional<TimedValue> HighestWindowAverage(const std::vector<Reading>& r, const std::vector<double>& values,
    qint64 window)
{
    const size_t n = r.size();
    // prefix[i]: the sums over readings 0..i-1.
    std::vector<double> heldSeconds(n + 1, 0.0), heldValue(n + 1, 0.0);
    for (size_t i = 0; i < n; ++i) {
        heldSeconds[i + 1] = heldSeconds[i] + double(r[i].hold);
        heldValue[i + 1] = heldValue[i] + values[i] * double(r[i].hold);
    }
    std::optional<TimedValue> best;
    size_t after = 0;   // the first reading at or after the window's end
    for (size_t i = 0; i < n; ++i) {
        const qint64 end = r[i].t + window;
        after = std::max(after, i + 1);
        while (after < n && r[after].t < end)
            ++after;
        // Readings i..after-2 end inside the window; the last one may run past its end.
        const size_t lastIn = after - 1;
        const double lastHeld = double(std::min(r[lastIn].hold, end - r[lastIn].t));
        const double covered = heldSeconds[lastIn] - heldSeconds[i] + lastHeld;
        if (covered <= 0 || covered < kWindowCoverage * double(window))
            continue;
        const double average = (heldValue[lastIn] - heldValue[i] + values[lastIn] * lastHeld) / covered;
        if (!best || average > best->value)
            best = TimedValue{average, r[i].t};
    }
    return best;
}

UnitStatistics FiguresOf(const std::vector<Reading>& r, const std::vector<double>& values, qint64 covered,
    const std::vector<AveragingWindow>& windows)
{
    UnitStatistics s;
    const size_t n = values.size();
    size_t low = 0, high = 0;
    double sum = 0, weighted = 0;
    for (size_t i = 0; i < n; ++i) {
        if (values[i] < values[low])
            low = i;
        if (values[i] > values[high])
            high = i;
        sum += values[i];
        weighted += values[i] * double(r[i].hold);
    }
    s.minimum = {values[low], r[low].t};
    s.maximum = {values[high], r[high].t};
    s.mean = sum / double(n);
    double squares = 0;
    for (const double v : values)
        squares += (v - s.mean) * (v - s.mean);
    s.standardDeviation = std::sqrt(squares / double(n));

    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    s.median = n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    const double rank = kPercentile * double(n - 1);
    const size_t below = static_cast<size_t>(std::floor(rank));
    const size_t above = std::min(below + 1, n - 1);
    s.percentile95 = sorted[below] + (rank - double(below)) * (sorted[above] - sorted[below]);
    // Readings that hold no time (fewer than two times) weigh alike.
    s.timeWeightedMean = covered > 0 ? weighted / double(covered) : s.mean;
    for (const AveragingWindow& w : windows)
        s.windows.push_back({w, HighestWindowAverage(r, values, w.seconds)});
    return s;
}

// The dates of the readings in time order; a reading's hold may reach a date
// of its own.
class DayBook {
public:
    explicit DayBook(const QTimeZone& zone) : zone_(zone) {}

    DayFigures& at(qint64 t) { return days_[indexAt(t)]; }
    qint64 endOfDayAt(qint64 t)
    {
        indexAt(t);
        return dayEnd_;
    }
    std::vector<DayFigures> take() { return std::move(days_); }

private:
    size_t indexAt(qint64 t)
    {
        if (days_.empty() || t >= dayEnd_) {
            const QDate date = QDateTime::fromSecsSinceEpoch(t, zone_).date();
            dayEnd_ = QDateTime(date.addDays(1), QTime(0, 0), zone_).toSecsSinceEpoch();
            DayFigures day;
            day.date = date;
            days_.push_back(day);
        }
        return days_.size() - 1;
    }

    QTimeZone zone_;
    std::vector<DayFigures> days_;
    qint64 dayEnd_ = 0;
};

void FillDaysAndEpisodes(MeasurementStatistics& s, const std::vector<Reading>& r, const StatisticsOptions& options)
{
    DayBook book(options.zone);
    const qint64 gapAfter = kHoldPeriods * s.samplingPeriod;
    bool inEpisode = false;
    for (size_t i = 0; i < r.size(); ++i) {
        DayFigures& day = book.at(r[i].t);
        day.readings += 1;
        day.meanPpm += r[i].ppm;   // sums until the end
        day.meanMgm += r[i].mgm;
        day.maxPpm = day.readings == 1 ? r[i].ppm : std::max(day.maxPpm, r[i].ppm);
        day.maxMgm = day.readings == 1 ? r[i].mgm : std::max(day.maxMgm, r[i].mgm);

        const bool above = s.limitPpm && r[i].ppm > *s.limitPpm;
        if (!above) {
            inEpisode = false;
            continue;
        }
        const bool afterGap = i > 0 && r[i].t - r[i - 1].t > gapAfter;
        if (!inEpisode || afterGap)
            s.episodes.push_back({r[i].t, r[i].t, r[i].ppm, r[i].mgm});
        inEpisode = true;
        Episode& episode = s.episodes.back();
        episode.end = r[i].t + r[i].hold;
        episode.highestPpm = std::max(episode.highestPpm, r[i].ppm);
        episode.highestMgm = std::max(episode.highestMgm, r[i].mgm);
        s.secondsAboveLimit += r[i].hold;
        // The hold counts for the dates it spans.
        for (qint64 from = r[i].t, end = r[i].t + r[i].hold; from < end;) {
            const qint64 to = std::min(end, book.endOfDayAt(from));
            book.at(from).secondsAboveLimit += to - from;
            from = to;
        }
    }
    s.days = book.take();
    for (DayFigures& day : s.days) {
        if (day.readings > 0) {
            day.meanPpm /= day.readings;
            day.meanMgm /= day.readings;
        }
    }
    for (size_t i = 0; i < s.episodes.size(); ++i) {
        if (!s.longestEpisode || s.episodes[i].seconds() > s.episodes[*s.longestEpisode].seconds())
            s.longestEpisode = i;
    }
}
} // namespace

std::optional<AveragingWindow> ParseAveragingWindow(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^(?:(\\d{1,3})h)?(?:(\\d{1,5})m)?(?:(\\d{1,6})s)?$"));
    const QString trimmed = text.trimmed().toLower();
    const QRegularExpressionMatch m = form.match(trimmed);
    if (trimmed.isEmpty() || !m.hasMatch())
        return std::nullopt;
    const qint64 seconds = m.captured(1).toLongLong() * TimeUnits::SecondsPerHour + m.captured(2).toLongLong() * TimeUnits::SecondsPerMinute
        + m.captured(3).toLongLong();
    if (seconds < 1 || seconds > kLongestWindow)
        return std::nullopt;
    return AveragingWindow{trimmed, seconds};
}

std::vector<AveragingWindow> DefaultAveragingWindows()
{
    return {{QStringLiteral("8h"), 8 * TimeUnits::SecondsPerHour}, {QStringLiteral("15m"), 15 * TimeUnits::SecondsPerMinute}};
}

QString NoReadingsMessage()
{
    return QStringLiteral("No reading passes this filter: there is nothing to summarise.");
}

MeasurementStatistics ComputeStatistics(std::vector<MeasuredSample> samples, const StatisticsOptions& options)
{
    MeasurementStatistics s;
    s.limitPpm = options.limitPpm;
    std::stable_sort(samples.begin(), samples.end(),
        [](const MeasuredSample& a, const MeasuredSample& b) { return a.utcSeconds < b.utcSeconds; });
    s.samples = static_cast<int>(samples.size());
    if (samples.empty())
        return s;
    s.first = samples.front().utcSeconds;
    s.last = samples.back().utcSeconds;

    std::vector<Reading> r;
    r.reserve(samples.size());
    for (const MeasuredSample& sample : samples) {
        if (sample.hasReading)
            r.push_back({sample.utcSeconds, sample.ppm, sample.mgm, 0});
    }
    s.readings = static_cast<int>(r.size());
    if (r.empty())
        return s;

    s.samplingPeriod = MedianSpacing(r);
    const qint64 longestHold = kHoldPeriods * s.samplingPeriod;
    for (size_t i = 0; i < r.size(); ++i) {
        if (i + 1 < r.size()) {
            const qint64 spacing = r[i + 1].t - r[i].t;
            r[i].hold = std::min(spacing, longestHold);
            if (s.samplingPeriod > 0 && spacing > longestHold)
                s.gaps.push_back({r[i].t, spacing});
        } else {
            r[i].hold = s.samplingPeriod;
        }
        s.coveredSeconds += r[i].hold;
    }

    std::vector<double> ppm(r.size()), mgm(r.size());
    std::transform(r.begin(), r.end(), ppm.begin(), [](const Reading& x) { return x.ppm; });
    std::transform(r.begin(), r.end(), mgm.begin(), [](const Reading& x) { return x.mgm; });
    s.ppm = FiguresOf(r, ppm, s.coveredSeconds, options.windows);
    s.mgm = FiguresOf(r, mgm, s.coveredSeconds, options.windows);
    FillDaysAndEpisodes(s, r, options);
    return s;
}
