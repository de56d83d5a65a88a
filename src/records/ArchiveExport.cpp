#include "ArchiveExport.h"

#include "data/ReadingFormat.h"
#include "instrument/SlotDecoder.h"

#include <algorithm>

namespace {
// One generation's rows, read before any is decoded.
struct FetchedGeneration {
    ArchiveFirmware firmware;
    QStringList raw;
};

// A slot as a download would have stored it; the record keeps the archive's
// text of the slot rather than a copy of it.
SlotRecord DecodeArchivedSlot(const QString& raw, FirmwareFlags& flags, const InstrumentInfo& info, SessionLog& log)
{
    SlotRecord record = tolviM::DecodeReceivedSlot(raw.toLatin1(), flags, log);
    record.RawHex = raw;
    record.ReadingMGM = StoredSlotMGM(record, flags, info);
    return record;
}

size_t ArchivedSlotCount(const QStringList& raw)
{
    return size_t(std::count_if(raw.cbegin(), raw.cend(), [](const QString& text) { return !text.isEmpty(); }));
}
} // namespace

ArchiveExport ExportArchive(InstrumentArchive& archive, const QString& serial, const QString& recordFolder,
    const QList<int>& generations, SessionLog& log)
{
    ArchiveExport result;
    result.info.SerialNumber = serial;
    result.info.RecordFolder = recordFolder;
    // Every generation is read first so the table is allocated once at its
    // full size: a million slots grown a generation at a time would be moved
    // again and again.
    std::vector<FetchedGeneration> fetched;
    size_t slotCount = 0;
    for (const int generation : generations) {
        const std::optional<ArchiveFirmware> firmware = archive.generationFirmware(generation);
        if (!firmware)
            continue;
        GenerationSlots slots = archive.generationSlots(generation);
        result.bad << slots.bad;
        if (!slots.error.isEmpty()) {
            result.error = slots.error;
            break;
        }
        slotCount += ArchivedSlotCount(slots.raw);
        fetched.push_back(FetchedGeneration{*firmware, std::move(slots.raw)});
    }
    std::vector<SlotRecord>& records = result.table.records;
    records.reserve(records.size() + slotCount);
    for (FetchedGeneration& generation : fetched) {
        result.info.FirmwareID = generation.firmware.firmware;
        result.info.FirmwareVersion = generation.firmware.firmwareVersion;
        result.info.MGMFactor = generation.firmware.mgmFactor;
        result.info.MGMFixed = generation.firmware.mgmFixed;
        result.flags = FirmwareFlagsFor(generation.firmware.firmwareVersion);
        for (const QString& raw : std::as_const(generation.raw)) {
            if (!raw.isEmpty())
                records.push_back(DecodeArchivedSlot(raw, result.flags, result.info, log));
        }
        generation.raw = QStringList();
    }
    return result;
}

void FillTableFromArchive(const QStringList& rawSlots, DownloadTable& table, FirmwareFlags& flags,
    const InstrumentInfo& info, SessionLog& log)
{
    table.clear();
    table.resize(static_cast<int>(rawSlots.size()) - 1);
    for (int slot = 1; slot < rawSlots.size(); ++slot) {
        if (!rawSlots[slot].isEmpty())
            table[slot] = DecodeArchivedSlot(rawSlots[slot], flags, info, log);
    }
}
