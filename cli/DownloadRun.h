#pragma once
#include <QCommandLineParser>
#include <QString>
#include <optional>
#include <utility>

#include "data/MemoryDownload.h"
#include "records/ArchiveStore.h"

#include <functional>

class CliSession;
class TerminalProgress;

// Which slots a download reads: all of them, a portion (--from N --to M), or
// only what the instrument's archive lacks (--new).
struct SlotSelection {
    std::optional<std::pair<int, int>> portion;        // first and last slot
    bool newData = false;
};

// The selection from the options; nullopt with the bad option named in problem.
std::optional<SlotSelection> ReadSlotSelection(const QCommandLineParser& parser, QString& problem);

// One download on the session's link, Ctrl-C cancelling it: its outcome,
// with what the download reported and why it was not archived.
struct DownloadRunResult {
    DownloadOutcome outcome = DownloadOutcome::Failed;
    DownloadReport report;
    QString notArchived;
};
DownloadRunResult RunDownload(CliSession& session, TerminalProgress& progress,
    const std::function<DownloadOutcome(DownloadContext&)>& download);

// The exit status for a download's outcome, its problem said on stderr:
// ExitOk, ExitIncomplete (the rest is in the table), else the failure.
int DownloadStatus(CliSession& session, const DownloadRunResult& run);

// Connects, downloads the selected slots into the session's table and adds
// them to the archive in the store. ExitOk; ExitIncomplete when some slots could not be
// read (said; the rest is in the table); else the failure status, said.
// notArchived gets why the slots read were not added to the archive (empty
// when they were); the caller says it, naming what it saved.
int DownloadSelectedSlots(CliSession& session, const SlotSelection& selection, const ArchiveStore& store,
    TerminalProgress& progress, QString& notArchived);
