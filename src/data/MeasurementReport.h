#pragma once
#include "data/DownloadFilter.h"
#include "data/MeasurementStatistics.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

struct ChartSource;

// What a report is asked for: the selection (the filter, and the words
// that say where the slots came from), the limit and the averaging windows.
struct ReportRequest {
    DownloadFilter filter;
    QString origin;                          // "Download from the instrument", "Archive, generations 1 to 3"
    std::optional<double> limitPpm;          // the user's limit; else the alarm level when the alarm is on
    std::vector<AveragingWindow> windows = DefaultAveragingWindows();
    QTimeZone zone = QTimeZone::systemTimeZone();
};

// The slots the filter keeps (those with a time: slots never read are
// none), as samples for the statistics.
std::vector<MeasuredSample> SelectedSamples(const ChartSource& source, const DownloadFilter& filter);

// The limit of a report: the one given, else the instrument's alarm level
// when its alarm is on, else none.
std::optional<double> ReportLimit(const ChartSource& source, std::optional<double> given);
// Where the limit came from, for the report's words and the JSON.
QString ReportLimitOrigin(const ChartSource& source, std::optional<double> given);

MeasurementStatistics StatisticsFor(const ChartSource& source, const ReportRequest& request);

// The filter in words: the format entry and what it selects by.
QString FilterDescription(DownloadFilter filter);

// A table of a report: the headings and the rows, all as text.
struct ReportTable {
    QString title;
    QStringList headings;
    std::vector<QStringList> rows;
    QString whenEmpty;                       // said instead of an empty table
};

// A report as text, for the printed page and the command line: the facts
// (label and value), the figures in both units, the days, the episodes
// above the limit and the gaps. Numbers are written with a point and three
// decimals, times as local "yyyy-MM-dd hh:mm:ss", durations as h:mm:ss.
struct MeasurementReport {
    QString title;
    std::vector<std::pair<QString, QString>> facts;
    ReportTable figures;
    ReportTable days;
    ReportTable episodes;
    ReportTable gaps;
    QString footer;                          // the program and version, the time the report was made
};

MeasurementReport BuildMeasurementReport(const ChartSource& source, const ReportRequest& request,
    const MeasurementStatistics& statistics, const QString& program, const QDateTime& made);

// The report's figure texts, shared with the tests that read the printed page.
QString ReportNumber(double value);
QString ReportTime(qint64 utcSeconds, const QTimeZone& zone);
QString ReportDuration(qint64 seconds);

// The paper a locale prints on: Letter in North America and where it is
// the custom, A4 elsewhere.
enum class ReportPaper { A4, Letter };
ReportPaper PaperFor(const QLocale& locale);
