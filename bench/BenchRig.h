#pragma once
// What the benchmarks share: CPU and memory figures, quiet prompts, and the
// simulated instrument on a pseudo-terminal with the link open on it.
#include "SimHost.h"
#include "data/MemoryDownload.h"
#include "instrument/DownloadTable.h"
#include "instrument/InstrumentInfo.h"
#include "link/InstrumentLink.h"
#include "link/PortMap.h"
#include "shell/Operation.h"
#include "shell/PerUserSettings.h"
#include "shell/Prompts.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <sys/resource.h>

constexpr int kBenchPort = 250;

inline double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

inline long peakMemoryKiB()
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
    Answer askYesNo(const QString&, const QString&, Icon, Answer) override { return Answer::Yes; }
    Answer askYesCancel(const QString&, const QString&, Icon) override { return Answer::Yes; }
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
        portMap.addOverride(kBenchPort, sim->ptyPath());
        int port = kBenchPort;
        link.PickComms(port);
        link.firmwareFlags().FwNewSlotStatus = true;
        link.firmwareFlags().FwFirstInSchedule = true;
        info.SlotsUsed = slots;
        info.SerialNumber = QStringLiteral("10234F");
        return port == kBenchPort;
    }

    bool download()
    {
        DownloadContext context{services, link, info, table, observer, cancel};
        return DownloadAllMemory(context) == DownloadOutcome::Completed && table.count() == info.SlotsUsed;
    }

    // Requests the instrument received.
    int requests() const
    {
        int count = 0;
        for (const SimFrameRecord& frame : sim->engine().frameLog())
            count += frame.direction == SimFrameRecord::Received ? 1 : 0;
        return count;
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
