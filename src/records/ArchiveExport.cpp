#include "ArchiveExport.h"

#include "data/ReadingFormat.h"
#include "instrument/SlotDecoder.h"

ArchiveExport ExportArchive(InstrumentArchive& archive, const QString& serial, const QString& recordFolder,
    const QList<int>& generations, SessionLog& log)
{
    ArchiveExport result;
    result.info.SerialNumber = serial;
    result.info.RecordFolder = recordFolder;
    for (const int generation : generations) {
        const std::optional<ArchiveFirmware> firmware = archive.generationFirmware(generation);
        if (!firmware)
            continue;
        const GenerationSlots slots = archive.generationSlots(generation);
        result.bad << slots.bad;
        if (!slots.error.isEmpty()) {
            result.error = slots.error;
            break;
        }
        result.info.FirmwareID = firmware->firmware;
        result.info.FirmwareVersion = firmware->firmwareVersion;
        result.info.MGMFactor = firmware->mgmFactor;
        result.info.MGMFixed = firmware->mgmFixed;
        result.flags = FirmwareFlagsFor(firmware->firmwareVersion);
        DownloadTable decoded;
        FillTableFromArchive(slots.raw, decoded, result.flags, result.info, log);
        for (int i = 1; i <= decoded.count(); ++i) {
            if (!decoded[i].RawHex.isEmpty())
                result.table.records.push_back(std::move(decoded[i]));
        }
    }
    return result;
}

void FillTableFromArchive(const QStringList& rawSlots, DownloadTable& table, FirmwareFlags& flags,
    const InstrumentInfo& info, SessionLog& log)
{
    table.clear();
    table.resize(static_cast<int>(rawSlots.size()) - 1);
    for (int slot = 1; slot < rawSlots.size(); ++slot) {
        if (rawSlots[slot].isEmpty())
            continue;
        const QByteArray raw = rawSlots[slot].toLatin1();
        SlotRecord record = tolviM::DecodeReceivedSlot(raw, flags, log);
        record.ReadingMGM = StoredSlotMGM(record, flags, info);
        table[slot] = std::move(record);
    }
}
