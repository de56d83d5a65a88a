#pragma once
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <optional>

struct Services;
class ReadingChartModel;

// "Report...": the Download page's readings, as its chart shows them (the
// last tested filter, the chosen unit), as a PDF report. With the alarm off
// it asks for a limit (none when left empty), asks for the file (in the
// folder of the last save), writes it, and offers to open it. The path
// written, or nullopt when nothing was (no reading, cancelled, failed; said).
std::optional<QString> SaveMeasurementReport(Services& services, const ReadingChartModel& chart,
    const QString& program, const QDateTime& localNow, const QLocale& locale = QLocale::system());
