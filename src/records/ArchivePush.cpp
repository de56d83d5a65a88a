#include "ArchivePush.h"

#include "InstrumentArchive.h"
#include "instrument/DownloadTable.h"

ArchivePushResult PushArchive(InstrumentArchive& local, InstrumentArchive& target)
{
    ArchivePushResult result;
    const std::optional<QList<StoredDownload>> downloads = local.downloads();
    if (!downloads) {
        result.error = local.error();
        return result;
    }
    int previousGeneration = 0;
    for (const StoredDownload& stored : *downloads) {
        const std::optional<DownloadTable> table = local.downloadSlots(stored);
        if (!table) {
            result.error = local.error();
            return result;
        }
        ArchiveDownload download = stored.download;
        download.newGeneration = previousGeneration != 0 && stored.generation != previousGeneration;
        previousGeneration = stored.generation;
        const std::optional<RecordedDownload> recorded = target.addDownload(download, *table);
        if (!recorded) {
            result.error = target.error();
            return result;
        }
        if (recorded->alreadyArchived) {
            ++result.alreadyThere;
        } else {
            ++result.added;
            result.slotsAdded += recorded->slotsAdded;
        }
    }
    return result;
}
