#include "StatisticsJson.h"

#include "data/MeasurementReport.h"
#include "data/MeasurementStatistics.h"
#include "data/ReadingChartModel.h"
#include "shell/TimeConv.h"

#include <QDateTime>
#include <QJsonArray>

namespace {
// Three decimals, rounded as the printed report rounds them.
QJsonValue Number(double value)
{
    return ReportNumber(value).toDouble();
}

QJsonValue Time(qint64 utcSeconds)
{
    return QDateTime::fromSecsSinceEpoch(utcSeconds, QTimeZone::utc()).toString(Qt::ISODate);
}

QJsonValue Date(const QDateTime& date)
{
    return date.isValid() && date != ZeroDate() ? QJsonValue(date.date().toString(Qt::ISODate)) : QJsonValue();
}

QJsonObject Timed(const TimedValue& v)
{
    return {{QStringLiteral("value"), Number(v.value)}, {QStringLiteral("time"), Time(v.utcSeconds)}};
}

QJsonObject Unit(const UnitStatistics& u)
{
    QJsonArray windows;
    for (const WindowAverage& w : u.windows) {
        windows.append(QJsonObject{{QStringLiteral("name"), w.window.name},
            {QStringLiteral("seconds"), w.window.seconds},
            {QStringLiteral("highest"), w.highest ? Number(w.highest->value) : QJsonValue()},
            {QStringLiteral("start"), w.highest ? Time(w.highest->utcSeconds) : QJsonValue()}});
    }
    return {{QStringLiteral("minimum"), Timed(u.minimum)}, {QStringLiteral("maximum"), Timed(u.maximum)},
        {QStringLiteral("mean"), Number(u.mean)}, {QStringLiteral("median"), Number(u.median)},
        {QStringLiteral("percentile95"), Number(u.percentile95)},
        {QStringLiteral("standardDeviation"), Number(u.standardDeviation)},
        {QStringLiteral("timeWeightedMean"), Number(u.timeWeightedMean)}, {QStringLiteral("windows"), windows}};
}

QJsonObject Episodes(const MeasurementStatistics& s)
{
    QJsonArray list;
    for (const Episode& e : s.episodes) {
        list.append(QJsonObject{{QStringLiteral("start"), Time(e.start)}, {QStringLiteral("end"), Time(e.end)},
            {QStringLiteral("seconds"), e.seconds()}, {QStringLiteral("highestPpm"), Number(e.highestPpm)},
            {QStringLiteral("highestMgPerCubicMetre"), Number(e.highestMgm)}});
    }
    return {{QStringLiteral("count"), qint64(s.episodes.size())}, {QStringLiteral("seconds"), s.secondsAboveLimit},
        {QStringLiteral("longest"), s.longestEpisode ? QJsonValue(qint64(*s.longestEpisode)) : QJsonValue()},
        {QStringLiteral("list"), list}};
}

QJsonArray Days(const MeasurementStatistics& s)
{
    QJsonArray days;
    for (const DayFigures& d : s.days) {
        const bool any = d.readings > 0;
        days.append(QJsonObject{{QStringLiteral("date"), d.date.toString(Qt::ISODate)},
            {QStringLiteral("readings"), d.readings},
            {QStringLiteral("meanPpm"), any ? Number(d.meanPpm) : QJsonValue()},
            {QStringLiteral("maxPpm"), any ? Number(d.maxPpm) : QJsonValue()},
            {QStringLiteral("meanMgPerCubicMetre"), any ? Number(d.meanMgm) : QJsonValue()},
            {QStringLiteral("maxMgPerCubicMetre"), any ? Number(d.maxMgm) : QJsonValue()},
            {QStringLiteral("secondsAboveLimit"), s.limitPpm ? QJsonValue(d.secondsAboveLimit) : QJsonValue()}});
    }
    return days;
}

QJsonArray Gaps(const MeasurementStatistics& s)
{
    QJsonArray gaps;
    for (const ReadingGap& g : s.gaps)
        gaps.append(QJsonObject{{QStringLiteral("start"), Time(g.start)}, {QStringLiteral("seconds"), g.seconds}});
    return gaps;
}
} // namespace

QJsonObject StatisticsJson(const ChartSource& source, const ReportRequest& request, const MeasurementStatistics& s)
{
    const QJsonObject instrument{{QStringLiteral("serial"), source.serialNumber},
        {QStringLiteral("firmware"), source.firmware.isEmpty() ? QJsonValue() : QJsonValue(source.firmware)},
        {QStringLiteral("calibrated"), Date(source.calibrated)}, {QStringLiteral("serviced"), Date(source.serviced)},
        {QStringLiteral("calibrationValid"), source.calibrationValid ? QJsonValue(*source.calibrationValid) : QJsonValue()}};
    const QJsonObject selection{{QStringLiteral("origin"), request.origin},
        {QStringLiteral("filter"), FilterDescription(request.filter)}};
    const QJsonObject limit{{QStringLiteral("ppm"), s.limitPpm ? Number(*s.limitPpm) : QJsonValue()},
        {QStringLiteral("from"), ReportLimitOrigin(source, request.limitPpm)}};
    QJsonObject json{{QStringLiteral("layout"), kStatisticsJsonLayout}, {QStringLiteral("instrument"), instrument},
        {QStringLiteral("selection"), selection}, {QStringLiteral("samples"), s.samples},
        {QStringLiteral("readings"), s.readings}, {QStringLiteral("limit"), limit}};
    if (!s.hasReadings())
        return json;
    json.insert(QStringLiteral("first"), Time(s.first));
    json.insert(QStringLiteral("last"), Time(s.last));
    json.insert(QStringLiteral("samplingPeriodSeconds"), s.samplingPeriod);
    json.insert(QStringLiteral("coveredSeconds"), s.coveredSeconds);
    json.insert(QStringLiteral("ppm"), Unit(s.ppm));
    json.insert(QStringLiteral("mgPerCubicMetre"), Unit(s.mgm));
    json.insert(QStringLiteral("episodes"), Episodes(s));
    json.insert(QStringLiteral("days"), Days(s));
    json.insert(QStringLiteral("gaps"), Gaps(s));
    return json;
}
