#pragma once
#include "data/MeasurementReport.h"

#include <QByteArray>
#include <QString>

struct ReadingChart;

// The measurement report as a PDF document: the facts, the chart as the
// Download page draws it (as lines, not a picture), the figures, the days,
// the episodes above the limit and the gaps, with the program and the time
// on every page and its number. Text stays text, so a reader can select and
// search it. Needs a QGuiApplication (the fonts).
QByteArray RenderReportPdf(const MeasurementReport& report, const ReadingChart& chart, ReportPaper paper);

// Renders the report and writes it as the whole of path (shell/OutputFile:
// a regular file is replaced in one step). False when it could not be written.
bool WriteReportPdf(const QString& path, const MeasurementReport& report, const ReadingChart& chart, ReportPaper paper);
