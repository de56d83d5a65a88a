#include "ArchiveLocation.h"

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
        const QFileInfo file(path);
        if (file.exists() || file.isSymLink())
            found.push_back({serial, path});
    }
    return found;
}
