// Download and save speed against the simulated instrument.
//
//   bench_download_save            both runs below
//   bench_download_save fast       16,384 slots, unthrottled: download, then save as CSV
//   bench_download_save paced      500 slots at 9600 baud: wall time against the wire-limit time
//
// CPU times are those of the thread that runs the procedures (the program's
// own work; the simulated instrument runs in the same process on its own
// thread and is counted apart).
#include "SimHost.h"
#include "data/DataFileSettings.h"
#include "data/DownloadFilter.h"
#include "data/MemoryDownload.h"
#include "data/SaveData.h"
#include "instrument/DownloadTable.h"
#include "instrument/InstrumentInfo.h"
#include "link/InstrumentLink.h"
#include "link/PortMap.h"
#include "shell/Operation.h"
#include "shell/PerUserSettings.h"
#include "shell/Prompts.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"
#include "shell/TextFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <sys/resource.h>

namespace {
constexpr int kPort = 250;

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long peakMemoryKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Answers the save dialog with one file; says nothing.
class QuietPrompts : public Prompts {
public:
    QString path;
    void message(Icon, const QString& text, const QString&) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    Answer askYesNo(const QString&, const QString&, Icon) override { return Answer::Yes; }
    Answer askYesNoCancel(const QString&, const QString&, Icon) override { return Answer::Yes; }
    void balloon(const QString&, const QString&, Icon, int) override {}
    std::optional<QString> askText(const QString&, const QString&, bool) override { return std::nullopt; }
    std::optional<FileChosen> chooseSaveFile(const FileChoice&) override { return FileChosen{path, 0}; }
    std::optional<FileChosen> chooseOpenFile(const FileChoice&) override { return std::nullopt; }
    bool openPath(const QString&, OpenVerb) override { return false; }
};

struct Bench {
    QTemporaryDir dir;
    SessionLog log;
    QuietPrompts prompts;
    PerUserSettings perUser{dir.filePath(QStringLiteral("per-user.ini"))};
    Services services{log, prompts, perUser, AppPaths{dir.path(), dir.path()}};
    PortMap portMap;
    std::unique_ptr<SimHost> sim;
    InstrumentLink link{log, portMap};
    InstrumentInfo info;
    DownloadTable table;
    OperationObserver observer;
    CancelToken cancel;

    bool start(int slots, int baud)
    {
        // The session log is written as the program writes it: a file, opened per line.
        log.setLogFilePath(dir.filePath(QStringLiteral("session.txt")));
        log.setLogToFile(true);
        SimScenario s;
        s.framChipsOriginal = s.framChipsFitted = 8;
        s.framMap = 0xFF;
        SimSlotRun run;
        run.count = slots;
        run.start = 1796389500;
        run.kinds = {SimSlotKind::Manual, SimSlotKind::Scheduled, SimSlotKind::FirstInSchedule};
        s.slots = GenerateSlots(run);
        s.timing.baud = baud;
        sim = std::make_unique<SimHost>(s);
        portMap.addOverride(kPort, sim->ptyPath());
        int port = kPort;
        link.PickComms(port);
        link.firmwareFlags().FwNewSlotStatus = true;
        link.firmwareFlags().FwFirstInSchedule = true;
        info.SlotsUsed = slots;
        info.SerialNumber = QStringLiteral("10234F");
        return port == kPort;
    }

    bool download()
    {
        DownloadContext context{services, link, info, table, observer, cancel};
        return DownloadAllMemory(context) == DownloadOutcome::Completed && table.count() == info.SlotsUsed;
    }

    // Bytes both ways, start and end characters included.
    qint64 wireBytes() const
    {
        qint64 bytes = 0;
        for (const SimFrameRecord& frame : sim->engine().frameLog())
            bytes += frame.text.size() + 2;
        return bytes;
    }
};

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
    int requests = 0;
    for (const SimFrameRecord& frame : b.sim->engine().frameLog())
        requests += frame.direction == SimFrameRecord::Received ? 1 : 0;
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
