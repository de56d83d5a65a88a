#pragma once
#include <QJsonObject>

struct ChartSource;
struct MeasurementStatistics;
struct ReportRequest;

// The figures of a report as the JSON object `tolvi-cli summary --json`
// prints. Its layout is stable (docs/man/tolvi-cli.1.rst describes every
// member): "layout" names the version, and a change that would break a
// reader gets a new number. Times are UTC ("2026-12-04T13:05:00Z"), dates
// the local ones, durations whole seconds, concentrations rounded to 0.001.
inline constexpr int kStatisticsJsonLayout = 1;

QJsonObject StatisticsJson(const ChartSource& source, const ReportRequest& request,
    const MeasurementStatistics& statistics);
