#include "ArchivedDownload.h"

#include "ArchiveExport.h"
#include "InstrumentArchive.h"
#include "instrument/DownloadTable.h"
#include "instrument/InstrumentInfo.h"
#include "instrument/SampleMemory.h"
#include "link/FirmwareFlags.h"
#include "link/InstrumentLink.h"
#include "shell/ErrorReport.h"
#include "shell/Operation.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

#include <QDateTime>

namespace {
const QString NothingNewText =
    QStringLiteral("No new data since the last download: the whole memory is ready to filter and save.");

ArchiveDownload DescribeDownload(const DownloadContext& context, ArchiveDownload::Kind kind, int firstSlot)
{
    const InstrumentInfo& info = context.info;
    ArchiveDownload d;
    d.kind = kind;
    d.whenUtc = QDateTime::currentDateTimeUtc();
    d.firstSlot = firstSlot;
    d.slotsUsed = info.SlotsUsed;
    d.firmware = info.FirmwareID;
    d.firmwareVersion = info.FirmwareVersion;
    d.programVersion = QStringLiteral(TOLVI_VERSION);
    d.mgmFactor = info.MGMFactor;
    d.mgmFixed = info.MGMFixed;
    return d;
}

// Adds the completed download in the table to the archive: the slots it
// added (0 when it added none); when it cannot be added the context says
// why (the download itself stands).
int Archive(DownloadContext& context, const ArchiveDownload& download, const ArchiveStore& store)
{
    SessionLog& log = context.services.log;
    if (context.info.RecordFolder.isEmpty()) {
        log.debugMessage(QStringLiteral("No record folder: the download is not archived."), SessionLog::Warning);
        return 0;
    }
    if (!store.problem.isEmpty()) {
        context.notArchived = store.problem;
        return 0;
    }
    const std::unique_ptr<InstrumentArchive> archive
        = store.archiveOf(context.info.SerialNumber, context.info.RecordFolder, log);
    if (archive->open()) {
        if (const std::optional<RecordedDownload> recorded = archive->addDownload(download, context.table))
            return recorded->slotsAdded;
    }
    context.notArchived = archive->error();
    return 0;
}

DownloadOutcome ArchiveWhenCompleted(DownloadContext& context, DownloadOutcome outcome, const ArchiveDownload& download,
    const ArchiveStore& store, int* slotsAdded = nullptr)
{
    if (outcome == DownloadOutcome::Completed) {
        const int added = Archive(context, download, store);
        if (slotsAdded)
            *slotsAdded = added;
    }
    return outcome;
}

// All of the memory, archived.
DownloadOutcome DownloadAllCounted(DownloadContext& context, const ArchiveStore& store, int* slotsAdded)
{
    const DownloadOutcome outcome = DownloadAllMemory(context);
    return ArchiveWhenCompleted(context, outcome, DescribeDownload(context, ArchiveDownload::Kind::All, 1), store,
        slotsAdded);
}

// All of the memory for "Download New Data"; newGeneration when the memory
// is known not to match the archive, else its slots decide.
DownloadOutcome DownloadAllForNewData(DownloadContext& context, bool newGeneration, const ArchiveStore& store,
    int* slotsAdded)
{
    const DownloadOutcome outcome = DownloadAllMemory(context);
    ArchiveDownload download = DescribeDownload(context, ArchiveDownload::Kind::New, 1);
    download.newGeneration = newGeneration;
    return ArchiveWhenCompleted(context, outcome, download, store, slotsAdded);
}

// The archive's current generation, read and closed again before the
// instrument is read.
GenerationSlots CurrentGenerationIn(const ArchiveStore& store, const InstrumentInfo& info, SessionLog& log)
{
    GenerationSlots archived;
    if (!store.problem.isEmpty()) {
        archived.error = store.problem;
        return archived;
    }
    const std::unique_ptr<InstrumentArchive> archive = store.archiveOf(info.SerialNumber, info.RecordFolder, log);
    std::optional<int> current;
    if (archive->open() && (current = archive->currentGeneration()))
        archived = archive->generationSlots(*current);
    else
        archived.error = archive->error();
    return archived;
}

// The number k of slots 1..k the generation holds without a gap; 0 when it
// holds anything beyond them (the archive cannot stand for the memory then).
int UnbrokenRun(const QStringList& slots)
{
    for (qsizetype n = 1; n < slots.size(); ++n) {
        if (slots[n].isEmpty())
            return 0;
    }
    return static_cast<int>(slots.size()) - 1;
}

// The instrument's slot, read on its own, is the archived one.
bool SlotStillArchived(DownloadContext& context, const QStringList& archived, int slot)
{
    const SlotRecord read = tolviM::GetFRAMSlot(context.link, context.services, slot);
    return !read.RawHex.isEmpty() && read.RawHex == archived[slot];
}
} // namespace

DownloadOutcome DownloadAllAndArchive(DownloadContext& context, const ArchiveStore& store)
{
    return DownloadAllCounted(context, store, nullptr);
}

DownloadOutcome DownloadPortionAndArchive(DownloadContext& context, int selStart, int selLength, const ArchiveStore& store)
{
    const DownloadOutcome outcome = DownloadMemoryPortion(context, selStart, selLength);
    return ArchiveWhenCompleted(context, outcome, DescribeDownload(context, ArchiveDownload::Kind::Portion, selStart),
        store);
}

DownloadOutcome DownloadNewData(DownloadContext& context, const ArchiveStore& store, int* slotsAdded)
{
    if (slotsAdded)
        *slotsAdded = 0;
    Services& services = context.services;
    SessionLog& log = services.log;
    InstrumentInfo& info = context.info;
    try {
        tolviM::GetFRAMDetails(context.link, services, info);
    } catch (const std::exception& e) {
        ReportError(log, services.prompts, ErrorSite{"btnDownloadNew_Click", "frmMain", true}, 5,
            QString::fromLocal8Bit(e.what()));
        return DownloadOutcome::Failed;
    }
    context.memoryDetailsFresh = true;
    if (info.SlotsUsed <= 0 || info.RecordFolder.isEmpty())
        return DownloadAllCounted(context, store, slotsAdded);

    const GenerationSlots archived = CurrentGenerationIn(store, info, log);
    if (!archived.error.isEmpty()) {
        // The archive is left as it is: the readings go to the file only.
        log.debugMessage(QStringLiteral("The archive cannot be read: downloading all of the memory without archiving it."),
            SessionLog::Warning);
        const DownloadOutcome outcome = DownloadAllMemory(context);
        if (outcome == DownloadOutcome::Completed)
            context.notArchived = archived.error;
        return outcome;
    }
    if (!archived.bad.isEmpty()) {
        log.debugMessage(QStringLiteral("The archive's current generation holds rows that are not slots: downloading all"
                                        " of the memory into a new generation."),
            SessionLog::Warning);
        return DownloadAllForNewData(context, true, store, slotsAdded);
    }
    const int k = UnbrokenRun(archived.raw);
    if (k == 0 || k > info.SlotsUsed) {
        log.debugMessage(QStringLiteral("The archive holds no run of this memory from its first slot: downloading all of it."),
            SessionLog::Detail);
        return DownloadAllForNewData(context, false, store, slotsAdded);
    }
    context.cancel.reset();
    // The check reads decode slots out of order; the slots are decoded below
    // in memory order, as a full download decodes them (an instrument on
    // the old status band moves to the new one at its first such slot).
    const FirmwareFlags flagsBefore = context.link.firmwareFlags();
    const bool stillArchived
        = SlotStillArchived(context, archived.raw, 1) && (k == 1 || SlotStillArchived(context, archived.raw, k));
    context.link.firmwareFlags() = flagsBefore;
    if (!stillArchived) {
        log.debugMessage(QStringLiteral("The memory no longer matches the archive: downloading all of it."),
            SessionLog::Detail);
        return DownloadAllForNewData(context, true, store, slotsAdded);
    }

    // The whole memory: the archived run, then what is read now.
    FillTableFromArchive(archived.raw, context.table, context.link.firmwareFlags(), info, log);
    DownloadTable fresh;
    DownloadOutcome outcome = DownloadOutcome::Completed;
    if (k < info.SlotsUsed) {
        log.debugMessage(QStringLiteral("Slots 1 to %1 are archived: downloading %2 to %3.").arg(k).arg(k + 1).arg(info.SlotsUsed),
            SessionLog::Detail);
        DownloadContext portion{services, context.link, info, fresh, context.observer, context.cancel, context.windowHidden,
            true};
        outcome = DownloadMemoryPortion(portion, k + 1, info.SlotsUsed - k - 1);
        context.report = portion.report;
        if (!SlotsWereRead(outcome)) {
            context.table.clear();
            return outcome;
        }
        // Only a whole download goes into the archive: it keeps no holes.
        if (outcome == DownloadOutcome::Completed) {
            const int added = Archive(portion, DescribeDownload(context, ArchiveDownload::Kind::New, k + 1), store);
            if (slotsAdded)
                *slotsAdded = added;
            context.notArchived = portion.notArchived;
        }
    } else {
        log.debugMessage(QStringLiteral("No new data since the last download."), SessionLog::Detail);
        // Said where the user looks, not only in the log.
        context.observer.statusText(StatusPanel::Message, NothingNewText);
    }
    context.table.resize(k + fresh.count());
    for (int i = 1; i <= fresh.count(); ++i)
        context.table[k + i] = std::move(fresh[i]);
    for (const int unread : fresh.unread)
        context.table.markUnread(k + unread);
    return outcome;
}
