#include "MeasurementReport.h"

#include "data/ReadingChartModel.h"
#include "shell/TimeConv.h"
#include "shell/TimeUnits.h"

#include <QLocale>

namespace {
constexpr int kDecimals = 3;
constexpr int kBoundScale = 1000;            // the concentration bars count in 0.001 ppm

QString DateText(const QDateTime& date)
{
    return date.isValid() && date != ZeroDate() ? date.date().toString(Qt::ISODate) : QStringLiteral("not recorded");
}

QString CalibrationText(std::optional<bool> valid)
{
    if (!valid)
        return QStringLiteral("not recorded");
    return *valid ? QStringLiteral("valid") : QStringLiteral("not valid");
}

QString Bound(int bar)
{
    return ReportNumber(double(bar) / kBoundScale) + QStringLiteral(" ppm");
}

QStringList Pair(const QString& label, const QString& ppm, const QString& mgm)
{
    return {label, ppm, mgm};
}

void AddFigures(ReportTable& t, const MeasurementStatistics& s, const QTimeZone& zone)
{
    const UnitStatistics& p = s.ppm;
    const UnitStatistics& m = s.mgm;
    t.title = QStringLiteral("Figures");
    t.headings = {QStringLiteral("Figure"), QStringLiteral("ppm"), QStringLiteral("mg/m^3")};
    t.rows.push_back(Pair(QStringLiteral("Minimum"), ReportNumber(p.minimum.value), ReportNumber(m.minimum.value)));
    t.rows.push_back(Pair(QStringLiteral("  at"), ReportTime(p.minimum.utcSeconds, zone), ReportTime(m.minimum.utcSeconds, zone)));
    t.rows.push_back(Pair(QStringLiteral("Maximum"), ReportNumber(p.maximum.value), ReportNumber(m.maximum.value)));
    t.rows.push_back(Pair(QStringLiteral("  at"), ReportTime(p.maximum.utcSeconds, zone), ReportTime(m.maximum.utcSeconds, zone)));
    t.rows.push_back(Pair(QStringLiteral("Mean"), ReportNumber(p.mean), ReportNumber(m.mean)));
    t.rows.push_back(Pair(QStringLiteral("Median"), ReportNumber(p.median), ReportNumber(m.median)));
    t.rows.push_back(Pair(QStringLiteral("95th percentile"), ReportNumber(p.percentile95), ReportNumber(m.percentile95)));
    t.rows.push_back(Pair(QStringLiteral("Standard deviation"), ReportNumber(p.standardDeviation), ReportNumber(m.standardDeviation)));
    t.rows.push_back(Pair(QStringLiteral("Time-weighted mean"), ReportNumber(p.timeWeightedMean), ReportNumber(m.timeWeightedMean)));
    for (size_t i = 0; i < p.windows.size(); ++i) {
        const auto& wp = p.windows[i].highest;
        const auto& wm = m.windows[i].highest;
        const QString notCovered = QStringLiteral("not covered");
        t.rows.push_back(Pair(QStringLiteral("Highest %1 average").arg(p.windows[i].window.name),
            wp ? ReportNumber(wp->value) : notCovered, wm ? ReportNumber(wm->value) : notCovered));
        t.rows.push_back(Pair(QStringLiteral("  from"), wp ? ReportTime(wp->utcSeconds, zone) : QString(),
            wm ? ReportTime(wm->utcSeconds, zone) : QString()));
    }
}

void AddDays(ReportTable& t, const MeasurementStatistics& s, bool limit)
{
    t.title = QStringLiteral("Days");
    t.headings = {QStringLiteral("Date"), QStringLiteral("Readings"), QStringLiteral("Mean ppm"), QStringLiteral("Max ppm"),
        QStringLiteral("Mean mg/m^3"), QStringLiteral("Max mg/m^3"), QStringLiteral("Above limit")};
    for (const DayFigures& d : s.days) {
        const bool any = d.readings > 0;
        const QString none = QStringLiteral("-");
        t.rows.push_back({d.date.toString(Qt::ISODate), QString::number(d.readings),
            any ? ReportNumber(d.meanPpm) : none, any ? ReportNumber(d.maxPpm) : none,
            any ? ReportNumber(d.meanMgm) : none, any ? ReportNumber(d.maxMgm) : none,
            limit ? ReportDuration(d.secondsAboveLimit) : none});
    }
}

void AddEpisodes(ReportTable& t, const MeasurementStatistics& s, const QTimeZone& zone)
{
    t.title = QStringLiteral("Episodes above the limit");
    t.headings = {QStringLiteral("No."), QStringLiteral("Start"), QStringLiteral("End"), QStringLiteral("Duration"),
        QStringLiteral("Highest ppm"), QStringLiteral("Highest mg/m^3")};
    t.whenEmpty = s.limitPpm ? QStringLiteral("No reading is above the limit.")
                             : QStringLiteral("No limit: the alarm is off and none was given.");
    for (size_t i = 0; i < s.episodes.size(); ++i) {
        const Episode& e = s.episodes[i];
        t.rows.push_back({QString::number(i + 1), ReportTime(e.start, zone), ReportTime(e.end, zone),
            ReportDuration(e.seconds()), ReportNumber(e.highestPpm), ReportNumber(e.highestMgm)});
    }
}

void AddGaps(ReportTable& t, const MeasurementStatistics& s, const QTimeZone& zone)
{
    t.title = QStringLiteral("Gaps");
    t.headings = {QStringLiteral("Last reading before"), QStringLiteral("Next reading"), QStringLiteral("Length")};
    t.whenEmpty = QStringLiteral("No gap longer than two sampling periods.");
    for (const ReadingGap& g : s.gaps)
        t.rows.push_back({ReportTime(g.start, zone), ReportTime(g.start + g.seconds, zone), ReportDuration(g.seconds)});
}
} // namespace

std::vector<MeasuredSample> SelectedSamples(const ChartSource& source, const DownloadFilter& filter)
{
    DownloadFilter kept = filter;
    kept.selectDefaultFormatIfNone();
    kept.normaliseBounds();
    std::vector<MeasuredSample> samples;
    samples.reserve(source.slots.size());
    for (size_t i = 0; i < source.slots.size(); ++i) {
        const SlotRecord& slot = source.slots[i];
        if (!kept.keeps(slot))
            continue;
        const bool reading = slot.Reading >= 0;
        samples.push_back({source.times[i] / TimeUnits::MsPerSecond, reading, reading ? double(slot.Reading) : 0.0,
            reading ? double(slot.ReadingMGM) : 0.0});
    }
    return samples;
}

std::optional<double> ReportLimit(const ChartSource& source, std::optional<double> given)
{
    if (given)
        return given;
    if (source.alarmEnabled)
        return double(source.alarmPpm);
    return std::nullopt;
}

QString ReportLimitOrigin(const ChartSource& source, std::optional<double> given)
{
    if (given)
        return QStringLiteral("given");
    return source.alarmEnabled ? QStringLiteral("alarm") : QStringLiteral("none");
}

MeasurementStatistics StatisticsFor(const ChartSource& source, const ReportRequest& request)
{
    StatisticsOptions options;
    options.windows = request.windows;
    options.limitPpm = ReportLimit(source, request.limitPpm);
    options.zone = request.zone;
    return ComputeStatistics(SelectedSamples(source, request.filter), options);
}

QString FilterDescription(DownloadFilter filter)
{
    filter.selectDefaultFormatIfNone();
    filter.normaliseBounds();
    const QString caption = DataFormats::caption(filter.format());
    switch (DataFormats::selection(filter.format())) {
    case DataFormats::Selection::All:
        return caption + QStringLiteral(": every sample");
    case DataFormats::Selection::Schedule:
        return caption + (filter.onlyScheduled ? QStringLiteral(": scheduled samples only")
                                               : QStringLiteral(": manual and remote samples only"));
    case DataFormats::Selection::DateRange:
        return caption + QStringLiteral(": from %1 to %2").arg(filter.from.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            filter.to.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    case DataFormats::Selection::Concentration: {
        const QString a = Bound(filter.boundA);
        const QString b = Bound(filter.boundB);
        switch (filter.rule) {
        case DownloadFilter::ConcentrationRule::Between: return caption + QStringLiteral(": %1 <= C <= %2").arg(a, b);
        case DownloadFilter::ConcentrationRule::Outside: return caption + QStringLiteral(": not %1 <= C <= %2").arg(a, b);
        case DownloadFilter::ConcentrationRule::EqualToA: return caption + QStringLiteral(": C == %1").arg(a);
        }
        break;
    }
    }
    return caption;
}

MeasurementReport BuildMeasurementReport(const ChartSource& source, const ReportRequest& request,
    const MeasurementStatistics& s, const QString& program, const QDateTime& made)
{
    const QTimeZone& zone = request.zone;
    MeasurementReport r;
    r.title = QStringLiteral("Measurement report: instrument ") + source.serialNumber;
    auto fact = [&r](const QString& label, const QString& value) { r.facts.emplace_back(label, value); };
    fact(QStringLiteral("Serial number"), source.serialNumber);
    fact(QStringLiteral("Firmware"), source.firmware.isEmpty() ? QStringLiteral("not recorded") : source.firmware);
    fact(QStringLiteral("Calibrated"), DateText(source.calibrated));
    fact(QStringLiteral("Serviced"), DateText(source.serviced));
    fact(QStringLiteral("Calibration"), CalibrationText(source.calibrationValid));
    fact(QStringLiteral("Slots from"), request.origin);
    fact(QStringLiteral("Filter"), FilterDescription(request.filter));
    fact(QStringLiteral("Period"), ReportTime(s.first, zone) + QStringLiteral(" to ") + ReportTime(s.last, zone));
    fact(QStringLiteral("Samples"), QStringLiteral("%1, of which %2 with a reading").arg(s.samples).arg(s.readings));
    fact(QStringLiteral("Sampling period"), ReportDuration(s.samplingPeriod));
    fact(QStringLiteral("Time covered"), ReportDuration(s.coveredSeconds));
    if (s.limitPpm) {
        const QString origin = request.limitPpm ? QStringLiteral("given") : QStringLiteral("the instrument's alarm level");
        fact(QStringLiteral("Limit"), ReportNumber(*s.limitPpm) + QStringLiteral(" ppm (") + origin + QLatin1Char(')'));
        fact(QStringLiteral("Episodes above it"), QString::number(s.episodes.size()));
        fact(QStringLiteral("Time above it"), ReportDuration(s.secondsAboveLimit));
        if (s.longestEpisode) {
            const Episode& e = s.episodes[*s.longestEpisode];
            fact(QStringLiteral("Longest episode"), ReportTime(e.start, zone) + QStringLiteral(" to ")
                    + ReportTime(e.end, zone) + QStringLiteral(" (") + ReportDuration(e.seconds()) + QLatin1Char(')'));
        }
    } else {
        fact(QStringLiteral("Limit"), QStringLiteral("none (the alarm is off and none was given)"));
    }
    AddFigures(r.figures, s, zone);
    AddDays(r.days, s, s.limitPpm.has_value());
    AddEpisodes(r.episodes, s, zone);
    AddGaps(r.gaps, s, zone);
    r.footer = program + QStringLiteral(", report made ") + made.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return r;
}

QString ReportNumber(double value)
{
    return QString::number(value, 'f', kDecimals);
}

QString ReportTime(qint64 utcSeconds, const QTimeZone& zone)
{
    return QDateTime::fromSecsSinceEpoch(utcSeconds, zone).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString ReportDuration(qint64 seconds)
{
    const qint64 hours = seconds / TimeUnits::SecondsPerHour;
    const qint64 minutes = seconds % TimeUnits::SecondsPerHour / TimeUnits::SecondsPerMinute;
    return QStringLiteral("%1:%2:%3")
        .arg(hours)
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(seconds % TimeUnits::SecondsPerMinute, 2, 10, QLatin1Char('0'));
}

ReportPaper PaperFor(const QLocale& locale)
{
    // Letter is the custom in these countries; the rest of the world uses A4.
    static const QList<QLocale::Territory> letter{QLocale::UnitedStates, QLocale::Canada, QLocale::Mexico,
        QLocale::Philippines, QLocale::Chile, QLocale::Colombia, QLocale::Venezuela, QLocale::CostaRica,
        QLocale::Guatemala, QLocale::PuertoRico};
    return letter.contains(locale.territory()) || locale.measurementSystem() == QLocale::ImperialUSSystem
        ? ReportPaper::Letter
        : ReportPaper::A4;
}
