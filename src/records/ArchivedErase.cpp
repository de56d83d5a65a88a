#include "ArchivedErase.h"

#include "ArchiveStore.h"
#include "InstrumentArchive.h"
#include "instrument/InstrumentInfo.h"
#include "instrument/SampleMemory.h"
#include "link/InstrumentLink.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

namespace {
// The instrument's slot, read on its own, is the archived one. The read
// decodes the slot, which may move the firmware flags: they are kept.
bool SlotStillArchived(EraseContext& c, const QStringList& archived, int slot)
{
    const FirmwareFlags flagsBefore = c.link.firmwareFlags();
    const SlotRecord read = tolviM::GetFRAMSlot(c.link, c.services, slot);
    c.link.firmwareFlags() = flagsBefore;
    return !read.RawHex.isEmpty() && read.RawHex == archived[slot];
}

// The current generation's slots; empty when there is no readable archive.
QStringList ArchivedSlots(EraseContext& c, const std::optional<ArchiveStore>& given)
{
    if (c.info.RecordFolder.isEmpty())
        return {};
    // The archive the downloads go to: the settings may name a shared database.
    const ArchiveStore store = given ? *given : ArchiveStoreFromSettings(c.services.paths, c.services.log);
    if (!store.problem.isEmpty())
        return {};
    const std::unique_ptr<InstrumentArchive> archive = store.archiveOf(c.info.SerialNumber, c.info.RecordFolder, c.services.log);
    if (!archive->open(InstrumentArchive::Access::ReadOnly))
        return {};
    const std::optional<int> current = archive->currentGeneration();
    if (!current || *current == 0)
        return {};
    GenerationSlots slots = archive->generationSlots(*current);
    if (!slots.error.isEmpty())
        return {};
    return slots.raw;
}

EraseOutcome WithCheck(EraseContext& context, const std::optional<ArchiveStore>& store,
    const std::function<EraseOutcome()>& erase)
{
    context.countNotDownloaded = [&context, store](int first, int last) {
        return CountSlotsNotDownloaded(context, first, last, store);
    };
    return erase();
}
} // namespace

int CountSlotsNotDownloaded(EraseContext& c, int first, int last, const std::optional<ArchiveStore>& store)
{
    if (last < first)
        return 0;
    const QStringList archived = ArchivedSlots(c, store);
    QList<int> held;
    for (int slot = first; slot <= last && slot < archived.size(); ++slot) {
        if (!archived[slot].isEmpty())
            held << slot;
    }
    const int all = last - first + 1;
    if (held.isEmpty())
        return all;
    if (!SlotStillArchived(c, archived, held.first()) || (held.size() > 1 && !SlotStillArchived(c, archived, held.last()))) {
        c.services.log.debugMessage(QStringLiteral("The memory no longer matches the archive: none of it counts as downloaded."),
            SessionLog::Detail);
        return all;
    }
    return all - static_cast<int>(held.size());
}

EraseOutcome EraseAllMemoryChecked(EraseContext& context, const std::optional<ArchiveStore>& store)
{
    return WithCheck(context, store, [&] { return EraseAllMemory(context); });
}

EraseOutcome EraseMemoryPortionChecked(EraseContext& context, int selStart, int selLength,
    const std::optional<ArchiveStore>& store)
{
    return WithCheck(context, store, [&] { return EraseMemoryPortion(context, selStart, selLength); });
}
