// The measurement report: statistics, the PDF, and the report of a large
// archive.
//
//   bench_report              all three below
//   bench_report statistics   the figures of 16,384 samples: CPU time per run
//   bench_report pdf          the PDF of 16,384 samples: wall and CPU time, size, pages
//   bench_report archive      an archive of 100 generations of 16,384 slots
//                             (1.6 million rows): reading them back, the
//                             figures and the PDF, with the peak memory
//
// CPU times are those of the calling thread.
#include "BenchRig.h"
#include "GeneratedMemory.h"
#include "ReportPdf.h"
#include "SimSlots.h"
#include "data/MeasurementReport.h"
#include "data/ReadingChartModel.h"
#include "instrument/SlotDecoder.h"
#include "link/FirmwareFlags.h"
#include "records/ArchiveExport.h"
#include "records/InstrumentArchive.h"
#include "shell/Startup.h"

#include <QElapsedTimer>
#include <QGuiApplication>

namespace {
constexpr int kFullMemory = 16384;
constexpr int kGenerations = 100;
constexpr int kStatisticsRuns = 20;
constexpr int kInterval = 60;
const QString kFirmware = QStringLiteral("V2.31");

// A full memory of generated samples, one a minute from start.
DownloadTable Generated(qint64 start, unsigned seed)
{
    return GeneratedMemory(kFullMemory, start, kInterval, seed, kFirmware);
}

InstrumentInfo Instrument()
{
    InstrumentInfo info;
    info.SerialNumber = QStringLiteral("10234F");
    info.FirmwareID = kFirmware;
    info.FirmwareVersion = 2.31;
    info.AlarmEnabled = true;
    info.AlarmSetting = 1.0f;
    return info;
}

MeasurementReport Report(const ChartSource& source, const ReportRequest& request, const MeasurementStatistics& s)
{
    return BuildMeasurementReport(source, request, s, QStringLiteral("bench"), QDateTime::currentDateTime());
}

int statistics()
{
    const InstrumentInfo info = Instrument();
    const ChartSource source = ChartSource::of(Generated(1796389500, 1), info, FirmwareFlagsFor(2.31));
    ReportRequest request;
    double worst = 0, total = 0;
    int readings = 0;
    for (int run = 0; run < kStatisticsRuns; ++run) {
        const double cpu0 = cpuSeconds(RUSAGE_THREAD);
        readings = StatisticsFor(source, request).readings;
        const double cpu = cpuSeconds(RUSAGE_THREAD) - cpu0;
        worst = std::max(worst, cpu);
        total += cpu;
    }
    std::printf("statistics: %d samples (%d readings), %d runs\n", kFullMemory, readings, kStatisticsRuns);
    std::printf("  CPU per run %.1f ms mean, %.1f ms worst\n", total / kStatisticsRuns * 1000, worst * 1000);
    return 0;
}

int pdf()
{
    ReadingChartModel chart;
    chart.setSource(ChartSource::of(Generated(1796389500, 1), Instrument(), FirmwareFlagsFor(2.31)));
    chart.setFilter(DownloadFilter{});
    ReportRequest request;
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds(RUSAGE_THREAD);
    const MeasurementStatistics s = StatisticsFor(chart.source(), request);
    const QByteArray document = RenderReportPdf(Report(chart.source(), request, s), chart.chart(), ReportPaper::A4);
    std::printf("pdf: %d samples, %zu episodes, %zu gaps\n", kFullMemory, s.episodes.size(), s.gaps.size());
    std::printf("  wall %.3f s, CPU %.3f s, %.0f KiB\n", wall.elapsed() / 1000.0, cpuSeconds(RUSAGE_THREAD) - cpu0,
        document.size() / 1024.0);
    return document.isEmpty() ? 1 : 0;
}

int archive()
{
    QTemporaryDir folder;
    SessionLog log;
    {
        InstrumentArchive archive(InstrumentArchive::pathIn(folder.path()), log);
        if (!archive.open())
            return 1;
        for (int g = 0; g < kGenerations; ++g) {
            const ArchiveDownload download = GeneratedDownload(kFullMemory, kFirmware, true);
            const qint64 start = 1796389500 + qint64(g) * (kFullMemory * kInterval + 86400);
            if (!archive.recordDownload(download, Generated(start, unsigned(g + 1)))) {
                std::fprintf(stderr, "archive failed: %s\n", qPrintable(archive.error()));
                return 1;
            }
        }
    }
    const long before = peakMemoryKiB();
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds(RUSAGE_THREAD);
    InstrumentArchive archive(InstrumentArchive::pathIn(folder.path()), log);
    if (!archive.open(InstrumentArchive::Access::ReadOnly))
        return 1;
    const std::optional<QList<ArchiveGeneration>> generations = archive.generations();
    if (!generations)
        return 1;
    QList<int> all;
    for (const ArchiveGeneration& g : *generations)
        all << g.number;
    ArchiveExport exported = ExportArchive(archive, QStringLiteral("10234F"), folder.path(), all, log);
    const int rows = exported.table.count();
    const double read = wall.elapsed() / 1000.0;
    const double readCpu = cpuSeconds(RUSAGE_THREAD) - cpu0;
    ReadingChartModel chart;
    chart.setSource(ChartSource::taking(std::move(exported.table), exported.info, exported.flags));
    chart.setFilter(DownloadFilter{});
    ReportRequest request;
    request.limitPpm = 1.0;
    const MeasurementStatistics s = StatisticsFor(chart.source(), request);
    const double figures = wall.elapsed() / 1000.0;
    const double figuresCpu = cpuSeconds(RUSAGE_THREAD) - cpu0;
    const QByteArray document = RenderReportPdf(Report(chart.source(), request, s), chart.chart(), ReportPaper::A4);
    std::printf("archive: %d generations, %d rows, %d readings, %zu episodes, %zu days\n", int(all.size()), rows,
        s.readings, s.episodes.size(), s.days.size());
    const double cpu = cpuSeconds(RUSAGE_THREAD) - cpu0;
    std::printf("  wall %.2f s (read back %.2f s, figures %.2f s, PDF %.2f s), %.0f KiB PDF\n", wall.elapsed() / 1000.0,
        read, figures - read, wall.elapsed() / 1000.0 - figures, document.size() / 1024.0);
    std::printf("  CPU %.2f s (read back %.2f s, figures %.2f s, PDF %.2f s)\n", cpu, readCpu, figuresCpu - readCpu,
        cpu - figuresCpu);
    std::printf("  peak memory %.0f MiB (%.0f MiB before reading the archive)\n", peakMemoryKiB() / 1024.0,
        before / 1024.0);
    return document.isEmpty() ? 1 : 0;
}
} // namespace

int main(int argc, char** argv)
{
    PinSystemTimeZone();  // as the programs start
    // The PDF's text needs the fonts, which need a QGuiApplication; it draws off screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString which = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
    int status = 0;
    if (which.isEmpty() || which == QLatin1String("statistics"))
        status |= statistics();
    if (which.isEmpty() || which == QLatin1String("pdf"))
        status |= pdf();
    if (which.isEmpty() || which == QLatin1String("archive"))
        status |= archive();
    return status;
}
