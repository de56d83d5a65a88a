#pragma once
#include "instrument/DownloadTable.h"
#include "instrument/InstrumentInfo.h"
#include "link/FirmwareFlags.h"

#include <QList>
#include <QString>

class InstrumentArchive;
class SessionLog;

// An instrument whose record folder holds an archive.
struct ArchiveLocation {
    QString serial;
    QString path;
};

// The archives in the data folder, by serial number.
QList<ArchiveLocation> ArchivesIn(const QString& dataFolder);

// The archive's generations as a data file takes them: every archived slot
// of the chosen generations, oldest generation first, each decoded under the
// firmware and mg/m^3 factor of that generation's last download (the
// instrument information and flags of the newest one are what the file's
// header gives).
struct ArchiveExport {
    DownloadTable table;
    InstrumentInfo info;
    FirmwareFlags flags;
};
ArchiveExport ExportArchive(InstrumentArchive& archive, const QString& serial, const QString& recordFolder,
    const QList<int>& generations, SessionLog& log);
