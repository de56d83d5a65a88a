// The instrument archive against the simulated instrument.
//
//   bench_archive            both runs below
//   bench_archive write      archiving a download of 16,384 slots: CPU and wall time
//   bench_archive new        "Download New Data" after one new slot on a full
//                            16,384-slot memory at 9600 baud (wire-paced)
//
// CPU times are those of the thread that runs the procedures.
#include "BenchRig.h"
#include "records/ArchivedDownload.h"
#include "records/InstrumentArchive.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {
constexpr int kFullMemory = 16384;

// Downloads `slots` slots unthrottled into the archive in recordFolder.
bool fillArchive(const QString& recordFolder, int slots)
{
    Bench b;
    if (!b.start(slots, 0))
        return false;
    b.info.RecordFolder = recordFolder;
    DownloadContext context{b.services, b.link, b.info, b.table, b.observer, b.cancel};
    return DownloadAllAndArchive(context) == DownloadOutcome::Completed;
}

int write()
{
    Bench b;
    if (!b.start(kFullMemory, 0) || !b.download()) {
        std::fprintf(stderr, "download failed\n");
        return 1;
    }
    InstrumentArchive archive(InstrumentArchive::pathIn(b.dir.path()), b.log);
    if (!archive.open())
        return 1;
    ArchiveDownload download;
    download.whenUtc = QDateTime::currentDateTimeUtc();
    download.slotsUsed = kFullMemory;
    download.firmware = QStringLiteral("V2.31");
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds(RUSAGE_THREAD);
    if (!archive.recordDownload(download, b.table)) {
        std::fprintf(stderr, "archive failed: %s\n", qPrintable(archive.error()));
        return 1;
    }
    std::printf("write: %d slots archived in one transaction\n", kFullMemory);
    std::printf("  wall %.3f s, program CPU %.3f s, database %.1f MiB\n", wall.elapsed() / 1000.0,
        cpuSeconds(RUSAGE_THREAD) - cpu0,
        QFileInfo(InstrumentArchive::pathIn(b.dir.path())).size() / 1048576.0);
    return 0;
}

int newData()
{
    QTemporaryDir records;
    if (!fillArchive(records.path(), kFullMemory - 1)) {
        std::fprintf(stderr, "first download failed\n");
        return 1;
    }
    Bench b;
    if (!b.start(kFullMemory, 9600))
        return 1;
    b.info.RecordFolder = records.path();
    DownloadContext context{b.services, b.link, b.info, b.table, b.observer, b.cancel};
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds(RUSAGE_THREAD);
    if (DownloadNewData(context) != DownloadOutcome::Completed || b.table.count() != kFullMemory) {
        std::fprintf(stderr, "download of the new data failed\n");
        return 1;
    }
    const double seconds = wall.elapsed() / 1000.0;
    const double cpu = cpuSeconds(RUSAGE_THREAD) - cpu0;
    const int requests = b.requests();
    std::printf("new: one new slot on a full %d-slot memory at 9600 baud\n", kFullMemory);
    std::printf("  wall %.2f s, %d requests, %lld bytes on the wire, program CPU %.3f s\n", seconds, requests,
        static_cast<long long>(b.wireBytes()), cpu);
    std::printf("  (a full download of the memory: about %.0f s on the wire alone)\n",
        kFullMemory * 44 / 960.0);
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString which = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
    int status = 0;
    if (which.isEmpty() || which == QLatin1String("write"))
        status |= write();
    if (which.isEmpty() || which == QLatin1String("new"))
        status |= newData();
    return status;
}
