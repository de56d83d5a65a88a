// Download and save speed against the simulated instrument.
//
//   bench_download_save            both runs below
//   bench_download_save fast       16,384 slots, unthrottled: download, then save as CSV
//   bench_download_save paced      500 slots at 9600 baud: wall time against the wire-limit time
//
// CPU times are those of the thread that runs the procedures (the program's
// own work; the simulated instrument runs in the same process on its own
// thread and is counted apart).
#include "BenchRig.h"
#include "data/DataFileSettings.h"
#include "data/DownloadFilter.h"
#include "data/SaveData.h"
#include "shell/TextFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {
int fast()
{
    Bench b;
    if (!b.start(16384, 0))
        return 1;
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds(RUSAGE_THREAD);
    const double all0 = cpuSeconds(RUSAGE_SELF);
    if (!b.download()) {
        std::fprintf(stderr, "download failed\n");
        return 1;
    }
    const double downloadWall = wall.elapsed() / 1000.0;
    const double downloadCpu = cpuSeconds(RUSAGE_THREAD) - cpu0;
    const double downloadAll = cpuSeconds(RUSAGE_SELF) - all0;

    const QString userFile = b.dir.filePath(QStringLiteral("user.txt"));
    WriteFileAtomically(userFile, QByteArray());
    DataFileSettings settings(userFile);
    b.prompts.path = b.dir.filePath(QStringLiteral("all.csv"));
    DownloadFilter filter;
    SaveDataContext save{b.services, settings, b.table, b.info, b.link.firmwareFlags(), b.observer, ProgramIdentity{}};
    wall.restart();
    const double save0 = cpuSeconds(RUSAGE_THREAD);
    const SaveDataResult saved = SaveData(save, filter, true);
    const double saveWall = wall.elapsed() / 1000.0;
    const double saveCpu = cpuSeconds(RUSAGE_THREAD) - save0;
    if (!saved.saved || saved.count != 16384) {
        std::fprintf(stderr, "save failed\n");
        return 1;
    }
    std::printf("fast: 16384 slots, unthrottled\n");
    std::printf("  download: wall %.2f s, program CPU %.2f s (process incl. simulator %.2f s)\n", downloadWall,
        downloadCpu, downloadAll);
    std::printf("  save CSV: wall %.2f s, program CPU %.2f s\n", saveWall, saveCpu);
    std::printf("  peak memory: %.1f MiB\n", peakMemoryKiB() / 1024.0);
    return 0;
}

int paced()
{
    Bench b;
    if (!b.start(500, 9600))
        return 1;
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds(RUSAGE_THREAD);
    if (!b.download()) {
        std::fprintf(stderr, "download failed\n");
        return 1;
    }
    const double seconds = wall.elapsed() / 1000.0;
    const double cpu = cpuSeconds(RUSAGE_THREAD) - cpu0;
    // The waits the procedure is meant to make: 0.1 s after each request sent,
    // and the second of silence that ends the stream.
    const int requests = b.requests();
    const double fixedWaits = requests * 0.1 + 1.0;
    const double wireSeconds = b.wireBytes() / 960.0;
    std::printf("paced: 500 slots at 9600 baud\n");
    std::printf("  wall %.2f s, wire-limit %.2f s (%lld bytes), fixed waits %.2f s (%d requests + end of stream)\n",
        seconds, wireSeconds, static_cast<long long>(b.wireBytes()), fixedWaits, requests);
    std::printf("  (wall - fixed waits) / wire-limit = %.3f\n", (seconds - fixedWaits) / wireSeconds);
    std::printf("  program CPU %.3f s = %.2f%% of wall\n", cpu, 100.0 * cpu / seconds);
    return 0;
}
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString which = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
    int status = 0;
    if (which.isEmpty() || which == QLatin1String("fast"))
        status |= fast();
    if (which.isEmpty() || which == QLatin1String("paced"))
        status |= paced();
    return status;
}
