#include "ArchiveExport.h"

#include "records/ArchivedDownload.h"
#include "records/InstrumentArchive.h"
#include "records/InstrumentRecords.h"

#include <QDir>
#include <QFileInfo>

QList<ArchiveLocation> ArchivesIn(const QString& dataFolder)
{
    const QDir data(dataFolder);
    QList<ArchiveLocation> found;
    for (const QString& serial : data.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString path = InstrumentArchive::pathIn(RecordFolderFor(data.path(), serial));
        if (QFileInfo::exists(path))
            found.push_back({serial, path});
    }
    return found;
}

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
        result.info.FirmwareID = firmware->firmware;
        result.info.FirmwareVersion = firmware->firmwareVersion;
        result.info.MGMFactor = firmware->mgmFactor;
        result.info.MGMFixed = firmware->mgmFixed;
        result.flags = FirmwareFlagsFor(firmware->firmwareVersion);
        DownloadTable decoded;
        FillTableFromArchive(archive.generationSlots(generation), decoded, result.flags, result.info, log);
        for (int i = 1; i <= decoded.count(); ++i) {
            if (!decoded[i].RawHex.isEmpty())
                result.table.records.push_back(std::move(decoded[i]));
        }
    }
    return result;
}
