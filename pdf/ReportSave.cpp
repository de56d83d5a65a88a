#include "ReportSave.h"

#include "ReportPdf.h"
#include "data/MeasurementReport.h"
#include "data/ReadingChartModel.h"
#include "data/SaveDialogChoice.h"
#include "shell/Prompts.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

#include <QDir>
#include <cmath>

namespace {
const QString kTitle = QStringLiteral("Report");

// The user's limit when the alarm gives none: nullopt (outer) when cancelled
// or not a concentration (said), an empty limit when left empty.
std::optional<std::optional<double>> AskLimit(Prompts& prompts, const QLocale& locale)
{
    const std::optional<QString> text = prompts.askText(
        QStringLiteral("The instrument's alarm is off. Limit in ppm for the time above it (leave empty for none):"),
        kTitle, false);
    if (!text)
        return std::nullopt;
    if (text->trimmed().isEmpty())
        return std::optional<double>();
    // The user's own decimal separator, or a point.
    bool ok = false;
    double limit = locale.toDouble(text->trimmed(), &ok);
    if (!ok)
        limit = text->trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(limit) || limit < 0) {
        prompts.message(Prompts::Icon::Exclamation, QStringLiteral("'%1' is not a concentration in ppm.").arg(*text), kTitle);
        return std::nullopt;
    }
    return std::optional<double>(limit);
}

Prompts::FileChoice PdfFile(const QString& serial, const QDateTime& localNow, const QString& folder)
{
    Prompts::FileChoice choice;
    choice.title = QStringLiteral("Save Report as PDF");
    choice.filters = {QStringLiteral("PDF document (*.pdf)")};
    choice.proposedName = QStringLiteral("Report_") + serial + QLatin1Char('_') + localNow.toString(QStringLiteral("yyMMddHHmmss"));
    choice.defaultExtension = QStringLiteral("pdf");
    choice.folder = folder;
    return choice;
}
} // namespace

std::optional<QString> SaveMeasurementReport(Services& services, const ReadingChartModel& chart,
    const QString& program, const QDateTime& localNow, const QLocale& locale)
{
    Prompts& prompts = services.prompts;
    const ChartSource& source = chart.source();
    ReportRequest request;
    request.filter = chart.filter();
    request.origin = QStringLiteral("Download from the instrument (%1 slots)").arg(source.slots.size());
    if (!source.alarmEnabled && chart.hasData()) {
        const auto limit = AskLimit(prompts, locale);
        if (!limit)
            return std::nullopt;
        request.limitPpm = *limit;
    }
    const MeasurementStatistics statistics = StatisticsFor(source, request);
    if (!statistics.hasReadings()) {
        prompts.message(Prompts::Icon::Exclamation, NoReadingsMessage(), kTitle);
        return std::nullopt;
    }
    const auto chosen = prompts.chooseSaveFile(
        PdfFile(source.serialNumber, localNow, SaveDialogChoice::lastFolder(services.perUser)));
    if (!chosen || chosen->path.isEmpty())
        return std::nullopt;
    const QString path = chosen->path;
    const MeasurementReport report = BuildMeasurementReport(source, request, statistics, program, localNow);
    if (!WriteReportPdf(path, report, chart.chart(), PaperFor(locale))) {
        services.log.debugMessage(QStringLiteral("Report could not be written to ") + path, SessionLog::Warning);
        prompts.message(Prompts::Icon::Critical,
            QStringLiteral("The report could not be saved to '%1'.").arg(QDir::toNativeSeparators(path)), kTitle);
        return std::nullopt;
    }
    SaveDialogChoice::rememberFolder(services.perUser, path);
    services.log.debugMessage(QStringLiteral("Report saved to ") + path, SessionLog::Info);
    if (prompts.askYesNo(QStringLiteral("The report was saved to '%1'. Open it now?").arg(QDir::toNativeSeparators(path)),
            kTitle) == Prompts::Answer::Yes)
        prompts.openPath(path, Prompts::OpenVerb::Open);
    return path;
}
