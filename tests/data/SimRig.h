#pragma once
#include "ScriptedPrompts.h"
#include "SimHost.h"
#include "TempFolder.h"
#include "data/MemoryDownload.h"
#include "data/MemoryErase.h"
#include "instrument/DownloadTable.h"
#include "instrument/InstrumentInfo.h"
#include "link/InstrumentLink.h"
#include "link/PortMap.h"
#include "shell/Operation.h"
#include "shell/PerUserSettings.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"
#include "shell/TextFile.h"

#include <QMutex>
#include <functional>
#include <memory>

// Status texts and progress a procedure reported; optionally acts on a text
// (the cancel gesture of a test).
struct RecordingObserver : OperationObserver {
    QStringList panel1;
    QList<int> percents;   // the progress bar's values, in order
    std::function<void(const QString&)> onText;
    void progress(int percent) override { percents << percent; }
    void statusText(int panel, const QString& text) override
    {
        if (panel != 1)
            return;
        panel1 << text;
        if (onText)
            onText(text);
    }
};

// The simulated instrument on a pseudo-terminal, the link opened on it, and
// everything a download or erase is given, with the log captured.
class SimRig {
public:
    static constexpr int Port = 201;
    static constexpr qint64 FirstSampleTime = 1796389500; // 4 December 2026 13:05:00 UTC

    struct Line {
        QString text;
        int level;
    };

    SimRig()
    {
        log.setListener([this](const QString& line, int level) {
            QMutexLocker lock(&mutex_);
            lines_.append({line.section(QLatin1Char('\t'), 2), level});
        });
        WriteFileAtomically(tmp.file(QStringLiteral("user.txt")), "[Password]\r\nValid=False\r\n");
        info.RecordFolder = tmp.path();
    }

    // count generated slots, ten minutes apart from start, manual and scheduled in turn.
    static SimScenario scenario(int count, qint64 start = FirstSampleTime)
    {
        SimScenario s;
        SimSlotRun run;
        run.count = count;
        run.start = start;
        run.kinds = {SimSlotKind::Manual, SimSlotKind::Scheduled};
        s.slots = GenerateSlots(run);
        return s;
    }

    // Starts the instrument and opens the link to it, on a pseudo-terminal or
    // (network) over TCP; the firmware flags are those of its V2.31.
    bool start(const SimScenario& s, bool network = false)
    {
        SimHostOptions options;
        options.pty = !network;
        options.tcp = network;
        sim = std::make_unique<SimHost>(s, options);
        bool open = false;
        if (network) {
            link.setUseNetwork(true);
            open = link.network().connectTo(QStringLiteral("127.0.0.1"), sim->tcpPort(), 5000)
                == NetworkTransport::Connected;
        } else {
            portMap.addOverride(Port, sim->ptyPath());
            int port = Port;
            link.PickComms(port);
            open = port == Port;
        }
        // As on the instrument thread: the user's cancel request also cuts the link's waits.
        link.setCancelToken(&cancel);
        FirmwareFlags& flags = link.firmwareFlags();
        flags.FwNewSlotStatus = true;
        flags.FwFirstInSchedule = true;
        flags.FwMemoryFullInverted = true;
        info.SlotsUsed = static_cast<int>(s.slots.size());
        info.SlotsTotal = 8192;
        return open;
    }

    QStringList payloads() const
    {
        QStringList list;
        for (const QByteArray& p : sim->engine().receivedPayloads())
            list << QString::fromLatin1(p);
        return list;
    }
    QStringList linesAt(int level) const
    {
        QMutexLocker lock(&mutex_);
        QStringList texts;
        for (const Line& line : lines_) {
            if (line.level == level)
                texts << line.text;
        }
        return texts;
    }
    QStringList historyLines() const
    {
        QFile f(tmp.file(QStringLiteral("history.txt")));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines;
        for (const QString& line : QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
            lines << line.section(QLatin1Char('\t'), 1);
        return lines;
    }

    DownloadContext download() { return DownloadContext{services, link, info, table, observer, cancel}; }
    EraseContext erase() { return EraseContext{services, link, info, table, observer, {}}; }

    TempFolder tmp;
    SessionLog log;
    ScriptedPrompts prompts;
    PerUserSettings perUser{tmp.file(QStringLiteral("per-user.ini"))};
    Services services{log, prompts, perUser, tmp.paths()};
    PortMap portMap;
    std::unique_ptr<SimHost> sim;
    InstrumentLink link{log, portMap};   // closed before the instrument goes
    InstrumentInfo info;
    DownloadTable table;
    RecordingObserver observer;
    CancelToken cancel;

private:
    mutable QMutex mutex_;
    QList<Line> lines_;
};
