#include "ArchiveSelection.h"
#include "CliSession.h"
#include "Commands.h"
#include "DataFileOptions.h"
#include "DownloadRun.h"
#include "ExitCode.h"
#include "MemoryCommands.h"
#include "ReportPdf.h"
#include "data/MeasurementReport.h"
#include "data/ReadingChartModel.h"
#include "data/StatisticsJson.h"
#include "link/InstrumentLink.h"
#include "shell/OutputFile.h"
#include "shell/Services.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <cmath>
#include <cstdio>

namespace {
struct SummaryRequest {
    DataFileRequest filter;
    std::optional<double> limitPpm;
    std::vector<AveragingWindow> windows = DefaultAveragingWindows();
    bool json = false;
    QString pdf;                                      // empty: no PDF
    bool archive = false;
    QString serial;
    SlotSelection slots;
};

void print(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
}

std::optional<SummaryRequest> readRequest(const QCommandLineParser& parser, QString& problem)
{
    SummaryRequest r;
    const auto filter = ReadFilterRequest(parser, problem);
    if (!filter)
        return std::nullopt;
    r.filter = *filter;
    if (parser.isSet(QStringLiteral("limit"))) {
        bool ok = false;
        const double limit = parser.value(QStringLiteral("limit")).trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(limit) || limit < 0) {
            problem = QStringLiteral("--limit takes a concentration in ppm, 0 or more");
            return std::nullopt;
        }
        r.limitPpm = limit;
    }
    if (parser.isSet(QStringLiteral("window"))) {
        r.windows.clear();
        for (const QString& text : parser.values(QStringLiteral("window"))) {
            const auto window = ParseAveragingWindow(text);
            if (!window) {
                problem = QStringLiteral("--window takes a time such as 8h, 15m or 1h30m (up to 168h): ") + text;
                return std::nullopt;
            }
            r.windows.push_back(*window);
        }
    }
    r.json = parser.isSet(QStringLiteral("json"));
    if (parser.isSet(QStringLiteral("pdf"))) {
        r.pdf = parser.value(QStringLiteral("pdf"));
        // A PDF is not for a terminal or a pipe of text.
        if (r.pdf.isEmpty() || IsStandardOutput(r.pdf)) {
            problem = QStringLiteral("--pdf takes a file name (not -)");
            return std::nullopt;
        }
        problem = OutputProblem(r.pdf);
        if (!problem.isEmpty())
            return std::nullopt;
    }
    r.archive = parser.isSet(QStringLiteral("archive"));
    if (r.archive) {
        if (parser.isSet(QStringLiteral("from")) || parser.isSet(QStringLiteral("new"))) {
            problem = QStringLiteral("--archive reads no instrument: --from, --to and --new do not go with it");
            return std::nullopt;
        }
        r.serial = ChosenArchiveSerial(parser);
        if (r.serial.isEmpty()) {
            problem = QStringLiteral("summary --archive needs --serial S (see archive list)");
            return std::nullopt;
        }
    } else {
        if (parser.isSet(QStringLiteral("generation")) || parser.isSet(QStringLiteral("all"))) {
            problem = QStringLiteral("--generation and --all choose from an archive: give --archive --serial S");
            return std::nullopt;
        }
        const auto slots = ReadSlotSelection(parser, problem);
        if (!slots)
            return std::nullopt;
        r.slots = *slots;
    }
    return r;
}

// The report as text: the facts, then each table with aligned columns.
QString AsText(const MeasurementReport& report)
{
    QString text = report.title + QLatin1Char('\n');
    int labelWidth = 0;
    for (const auto& [label, value] : report.facts)
        labelWidth = std::max(labelWidth, int(label.size()) + 1);
    for (const auto& [label, value] : report.facts)
        text += QStringLiteral("  %1 %2\n").arg(label + QLatin1Char(':'), -labelWidth).arg(value);
    for (const ReportTable* table : {&report.figures, &report.days, &report.episodes, &report.gaps}) {
        text += QLatin1Char('\n') + table->title + QLatin1Char('\n');
        if (table->rows.empty()) {
            text += QStringLiteral("  ") + table->whenEmpty + QLatin1Char('\n');
            continue;
        }
        std::vector<int> widths;
        for (const QString& h : table->headings)
            widths.push_back(int(h.size()));
        for (const QStringList& row : table->rows)
            for (qsizetype c = 0; c < row.size() && size_t(c) < widths.size(); ++c)
                widths[size_t(c)] = std::max(widths[size_t(c)], int(row[c].size()));
        const auto line = [&widths](const QStringList& cells) {
            QString out = QStringLiteral("  ");
            for (qsizetype c = 0; c < cells.size() && size_t(c) < widths.size(); ++c)
                out += (c == 0 ? cells[c].leftJustified(widths[0]) : QLatin1Char(' ') + cells[c].rightJustified(widths[size_t(c)]));
            while (out.endsWith(QLatin1Char(' ')))
                out.chop(1);
            return out + QLatin1Char('\n');
        };
        text += line(table->headings);
        for (const QStringList& row : table->rows)
            text += line(row);
    }
    return text + QLatin1Char('\n') + report.footer + QLatin1Char('\n');
}

int runSummary(CliSession& session, const QStringList&, const QCommandLineParser& parser)
{
    QString problem;
    const auto request = readRequest(parser, problem);
    if (!request) {
        session.error(problem);
        return ExitUsage;
    }
    const std::optional<ArchiveStore> store = ChosenArchiveStore(session, parser);
    if (!store)
        return ExitUsage;
    ReportRequest report;
    report.limitPpm = request->limitPpm;
    report.windows = request->windows;
    ChartSource source;
    int status = ExitOk;
    if (request->archive) {
        ArchiveExport exported;
        status = ExportChosenGenerations(session, parser, *store, request->serial, exported, report.origin);
        if (status != ExitOk)
            return status;
        report.filter = FilterAsRequested(session, request->filter, exported.table);
        source = ChartSource::taking(std::move(exported.table), exported.info, exported.flags);
        source.calibrationValid.reset();       // the archive does not keep it
    } else {
        TerminalProgress progress;
        QString notArchived;
        status = DownloadSelectedSlots(session, request->slots, *store, progress, notArchived);
        if (status != ExitOk && status != ExitIncomplete)
            return status;
        if (!notArchived.isEmpty())
            session.error(QStringLiteral("The readings were not added to the archive: ") + notArchived);
        const DownloadTable& table = session.downloads();
        report.filter = FilterAsRequested(session, request->filter, table);
        source = ChartSource::of(table, session.instrument(), session.link().firmwareFlags());
        report.origin = QStringLiteral("Download from the instrument (%1 slots)").arg(table.readCount());
    }

    const MeasurementStatistics statistics = StatisticsFor(source, report);
    if (!statistics.hasReadings()) {
        session.error(NoReadingsMessage());
        return ExitFailed;
    }
    const MeasurementReport text = BuildMeasurementReport(source, report, statistics,
        QStringLiteral("tolvi-cli " TOLVI_VERSION), QDateTime::currentDateTime());
    if (request->json)
        print(QString::fromUtf8(QJsonDocument(StatisticsJson(source, report, statistics)).toJson(QJsonDocument::Indented)));
    else
        print(AsText(text));
    if (!request->pdf.isEmpty()) {
        ReadingChartModel chart;
        chart.setSource(std::move(source));
        chart.setFilter(report.filter);
        if (!WriteReportPdf(request->pdf, text, chart.chart(), PaperFor(QLocale::system()))) {
            session.error(QStringLiteral("cannot write ") + request->pdf);
            return ExitFailed;
        }
        // With --json standard output carries the JSON alone.
        std::fputs(QStringLiteral("Report saved to '%1'.\n").arg(request->pdf).toLocal8Bit().constData(),
            request->json ? stderr : stdout);
    }
    return status;
}
} // namespace

// Statistics of the filtered readings of a download or of an archive, as
// text, as JSON, and as a printed report.
CliCommand SummaryCommand()
{
    CliCommand command;
    command.name = QStringLiteral("summary");
    command.summary = QStringLiteral("Statistics of the filtered readings (download, or --archive --serial S); --json, --pdf FILE.");
    command.options = FilterOptions();
    command.options
        << QCommandLineOption(QStringLiteral("limit"), QStringLiteral("summary: the limit in ppm (default: the alarm level when on)."),
               QStringLiteral("VALUE"))
        << QCommandLineOption(QStringLiteral("window"),
               QStringLiteral("summary: a rolling average's time, such as 8h or 15m (repeatable; default 8h and 15m)."),
               QStringLiteral("TIME"))
        << QCommandLineOption(QStringLiteral("pdf"), QStringLiteral("summary: also write the report as a PDF file."),
               QStringLiteral("FILE"))
        << QCommandLineOption(QStringLiteral("archive"), QStringLiteral("summary: read the archive of --serial S, not the instrument."))
        << QCommandLineOption(QStringLiteral("json"), QStringLiteral("schedule show, settings show, summary: as JSON."))
        << ArchiveDatabaseOption();
    command.run = runSummary;
    return command;
}
