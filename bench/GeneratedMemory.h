#pragma once
// A full memory of generated samples, decoded as a download decodes them:
// what the report and archive benchmarks fill their archives with.
#include "SimSlots.h"
#include "instrument/DownloadTable.h"
#include "instrument/SlotDecoder.h"
#include "link/FirmwareFlags.h"
#include "records/InstrumentArchive.h"

#include <QDateTime>
#include <QString>

// count samples, one every interval seconds from start; seed tells
// memories apart.
inline DownloadTable GeneratedMemory(int count, qint64 start, int interval, unsigned seed, const QString& firmware)
{
    SimSlotRun run;
    run.count = count;
    run.start = start;
    run.interval = interval;
    run.seed = seed;
    run.kinds = {SimSlotKind::Scheduled, SimSlotKind::Scheduled, SimSlotKind::Manual, SimSlotKind::NoReading};
    const SimFirmwareBand band = SimFirmwareBand::fromFirmwareString(firmware);
    const FirmwareFlags flags = FirmwareFlagsFor(band.version);
    DownloadTable table;
    table.resize(count);
    int i = 1;
    for (const SimSlotEntry& entry : GenerateSlots(run))
        table[i++] = tolviM::DecodeSlot(EncodeSlot(entry, band).toHex().toUpper(), flags);
    return table;
}

// A download of slotsUsed such slots as the archive is told of it, now.
inline ArchiveDownload GeneratedDownload(int slotsUsed, const QString& firmware, bool newGeneration)
{
    ArchiveDownload download;
    download.whenUtc = QDateTime::currentDateTimeUtc();
    download.slotsUsed = slotsUsed;
    download.firmware = firmware;
    download.firmwareVersion = SimFirmwareBand::fromFirmwareString(firmware).version;
    download.newGeneration = newGeneration;
    return download;
}
