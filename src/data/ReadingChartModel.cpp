#include "ReadingChartModel.h"

#include "instrument/DownloadTable.h"
#include "instrument/InstrumentInfo.h"
#include "link/FirmwareFlags.h"
#include "shell/TimeUnits.h"

#include <algorithm>

namespace {
constexpr double kHeadroom = 0.05;             // share of the span left above the highest point
constexpr double kMgmFactorScale = 512.0;      // the instrument's factor counts in 1/512 mg/m^3 per ppm
constexpr qint64 kLoneSampleMs = 30 * 60 * 1000; // time either side of a single sample
constexpr double kClimateDefaultMax = 100.0;   // %rh scale when nothing is drawn
// A line is broken where samples are further apart than this many of their
// usual spacings (the median spacing of the samples drawn).
constexpr double kGapSpacings = 3.0;
// An empty chart still needs a time axis: the first hour the slot times can hold.
const qint64 kEmptyTimeStart = QDateTime(QDate(2008, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();

struct Extent {
    double min = 0;
    double max = 0;
    bool any = false;
    void add(double v)
    {
        min = any ? std::min(min, v) : v;
        max = any ? std::max(max, v) : v;
        any = true;
    }
    void add(const QList<QPointF>& points)
    {
        for (const QPointF& p : points)
            add(p.y());
    }
};

// Concentrations start at zero (or below, for a negative reading) and leave
// headroom above the highest point or the alarm line.
ChartRange ConcentrationRange(Extent e)
{
    e.add(0.0);
    const double span = e.max - e.min;
    return span > 0 ? ChartRange{e.min, e.max + span * kHeadroom} : ChartRange{e.min, e.min + 1};
}

ChartRange ClimateRange(const Extent& e)
{
    if (!e.any)
        return {0, kClimateDefaultMax};
    const double pad = std::max((e.max - e.min) * kHeadroom, 1.0);
    return {e.min - pad, e.max + pad};
}

// kGapSpacings times the median spacing of the times, 0 when there are
// fewer than two spacings or the samples share one time.
double GapThreshold(const std::vector<double>& sortedTimes)
{
    std::vector<double> spacings;
    spacings.reserve(sortedTimes.size());
    for (size_t i = 1; i < sortedTimes.size(); ++i) {
        if (sortedTimes[i] > sortedTimes[i - 1])
            spacings.push_back(sortedTimes[i] - sortedTimes[i - 1]);
    }
    if (spacings.size() < 2)
        return 0;
    const auto middle = spacings.begin() + static_cast<std::ptrdiff_t>(spacings.size() / 2);
    std::nth_element(spacings.begin(), middle, spacings.end());
    return *middle * kGapSpacings;
}

ChartRange TimeRange(const QList<QPointF>& concentration, const QList<QPointF>& climate)
{
    const QList<QPointF>& points = concentration.isEmpty() ? climate : concentration;
    if (points.isEmpty())
        return {double(kEmptyTimeStart), double(kEmptyTimeStart + 2 * kLoneSampleMs)};
    double first = points.front().x();
    double last = points.back().x();
    if (!climate.isEmpty()) {
        first = std::min(first, climate.front().x());
        last = std::max(last, climate.back().x());
    }
    if (first == last)
        return {first - kLoneSampleMs, last + kLoneSampleMs};
    return {first, last};
}
} // namespace

QList<QList<QPointF>> ReadingChart::segments(const QList<QPointF>& series) const
{
    QList<QList<QPointF>> lines;
    for (qsizetype i = 0; i < series.size(); ++i) {
        if (lines.isEmpty() || (gapMs > 0 && series[i].x() - series[i - 1].x() > gapMs))
            lines.append(QList<QPointF>{});
        lines.last().append(series[i]);
    }
    return lines;
}

QString UnitText(ConcentrationUnit unit)
{
    return unit == ConcentrationUnit::Ppm ? QStringLiteral("ppm") : QStringLiteral("mg/m^3");
}

namespace {
// Everything but the slots.
void TakeInstrument(ChartSource& source, const InstrumentInfo& info, const FirmwareFlags& flags)
{
    source.serialNumber = info.SerialNumber;
    source.firmware = info.FirmwareID;
    source.calibrated = info.Calibrated;
    source.serviced = info.Serviced;
    source.calibrationValid = info.CalibrationValid;
    source.alarmEnabled = info.AlarmEnabled;
    source.alarmOver = info.AlarmOver;
    source.alarmPpm = info.AlarmSetting;
    // The same choice the download makes for each slot's mg/m^3 value.
    if (flags.FwNewSlotStatus && info.MGMFixed)
        source.fixedMgmPerPpm = info.MGMFactor / kMgmFactorScale;
}
}

ChartSource ChartSource::of(const DownloadTable& table, const InstrumentInfo& info, const FirmwareFlags& flags)
{
    ChartSource source;
    source.slots.reserve(static_cast<size_t>(std::max(table.count(), 0)));
    source.times.reserve(source.slots.capacity());
    for (int i = 1; i <= table.count(); ++i) {
        if (table[i].SampleTime.isValid()) {
            source.slots.push_back(table[i]);
            source.times.push_back(qint64(table[i].TimeStamp) * TimeUnits::MsPerSecond);
        }
    }
    TakeInstrument(source, info, flags);
    return source;
}

ChartSource ChartSource::taking(DownloadTable&& table, const InstrumentInfo& info, const FirmwareFlags& flags)
{
    ChartSource source;
    // The slots stay where they are: only the table's unused first record
    // and the slots without a time are taken out.
    source.slots = std::move(table.records);
    table.clear();
    std::erase_if(source.slots, [](const SlotRecord& slot) { return !slot.SampleTime.isValid(); });
    source.times.reserve(source.slots.size());
    for (const SlotRecord& slot : source.slots)
        source.times.push_back(qint64(slot.TimeStamp) * TimeUnits::MsPerSecond);
    TakeInstrument(source, info, flags);
    return source;
}

ReadingChartModel::ReadingChartModel()
{
    rebuild();
}

void ReadingChartModel::setSource(ChartSource source)
{
    source_ = std::move(source);
    rebuild();
}

void ReadingChartModel::clear()
{
    source_ = ChartSource{};
    rebuild();
}

void ReadingChartModel::setFilter(DownloadFilter filter)
{
    filter_ = std::move(filter);
    filter_.selectDefaultFormatIfNone();
    filter_.normaliseBounds();
    rebuild();
}

void ReadingChartModel::setRequestedUnit(ConcentrationUnit unit)
{
    requestedUnit_ = unit;
    rebuild();
}

void ReadingChartModel::setClimateShown(bool shown)
{
    climateShown_ = shown;
    rebuild();
}

bool ReadingChartModel::mgmOffered() const
{
    return DataFormats::layout(filter_.format()) != DataFormats::Layout::PlotScript;
}

void ReadingChartModel::rebuild()
{
    ReadingChart c;
    c.unit = mgmOffered() ? requestedUnit_ : ConcentrationUnit::Ppm;
    c.climateShown = climateShown_;

    std::vector<size_t> kept;   // indexes into the source
    kept.reserve(source_.slots.size());
    for (size_t i = 0; i < source_.slots.size(); ++i) {
        if (filter_.keeps(source_.slots[i]))
            kept.push_back(i);
    }
    // Table order is usually time order; a clock set back in between is not.
    const std::vector<qint64>& times = source_.times;
    const auto earlier = [&times](size_t a, size_t b) { return times[a] < times[b]; };
    if (!std::is_sorted(kept.begin(), kept.end(), earlier))
        std::stable_sort(kept.begin(), kept.end(), earlier);
    c.slotsShown = static_cast<int>(kept.size());

    const bool mgm = c.unit == ConcentrationUnit::MgPerCubicMetre;
    c.concentration.reserve(c.slotsShown);
    if (climateShown_) {
        c.temperature.reserve(c.slotsShown);
        c.humidity.reserve(c.slotsShown);
    }
    for (size_t i : kept) {
        const SlotRecord& slot = source_.slots[i];
        const double x = double(times[i]);
        if (slot.Reading >= 0)
            c.concentration.append(QPointF(x, mgm ? slot.ReadingMGM : slot.Reading));
        if (climateShown_) {
            c.temperature.append(QPointF(x, slot.Temperature));
            c.humidity.append(QPointF(x, slot.Humidity));
        }
    }

    const int withReading = int(c.concentration.size());
    c.countText = withReading == c.slotsShown
        ? QStringLiteral("%1 samples").arg(c.slotsShown)
        : QStringLiteral("%1 of %2 samples have a reading").arg(withReading).arg(c.slotsShown);

    // The alarm compares ppm; in mg/m^3 it is a single line only when the
    // conversion does not follow each sample's temperature.
    if (source_.alarmEnabled && (!mgm || source_.fixedMgmPerPpm)) {
        const double level = mgm ? source_.alarmPpm * *source_.fixedMgmPerPpm : source_.alarmPpm;
        c.alarmLevel = level;
        c.alarmName = (source_.alarmOver ? QStringLiteral("Alarm over ") : QStringLiteral("Alarm under "))
            + QString::number(level, 'f', 2) + QLatin1Char(' ') + UnitText(c.unit);
    }

    Extent concentration;
    concentration.add(c.concentration);
    if (c.alarmLevel)
        concentration.add(*c.alarmLevel);
    c.concentrationRange = ConcentrationRange(concentration);
    Extent climate;
    climate.add(c.temperature);
    climate.add(c.humidity);
    c.climateRange = ClimateRange(climate);
    c.time = TimeRange(c.concentration, c.temperature);
    std::vector<double> keptTimes;
    keptTimes.reserve(kept.size());
    for (size_t i : kept)
        keptTimes.push_back(double(times[i]));
    c.gapMs = GapThreshold(keptTimes);

    c.title = !hasData() ? QStringLiteral("No data downloaded.")
        : c.slotsShown == 0 ? QStringLiteral("No readings pass this filter.")
                            : QStringLiteral("Data Downloaded from ") + source_.serialNumber + QLatin1Char('.');
    // Short axis titles fit a low chart; the legend names the series.
    c.concentrationTitle = UnitText(c.unit);
    c.climateTitle = QStringLiteral("oC, %rh");
    chart_ = std::move(c);
    ++revision_;
}
