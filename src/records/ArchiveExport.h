#pragma once
#include "instrument/DownloadTable.h"
#include "instrument/InstrumentInfo.h"
#include "link/FirmwareFlags.h"
#include "records/ArchiveLocation.h"
#include "records/InstrumentArchive.h"

#include <QList>
#include <QString>

class SessionLog;

// The archive's generations as a data file takes them: every archived slot
// of the chosen generations, oldest generation first, each decoded under the
// firmware and mg/m^3 factor of that generation's last download (the
// instrument information and flags of the newest one are what the file's
// header gives). Rows that are not slots are never taken as readings: they
// are named in bad. When a generation cannot be read, error says why and
// the table holds what came before it.
struct ArchiveExport {
    DownloadTable table;
    InstrumentInfo info;
    FirmwareFlags flags;
    QList<BadArchiveRow> bad;
    QString error;
};
ArchiveExport ExportArchive(InstrumentArchive& archive, const QString& serial, const QString& recordFolder,
    const QList<int>& generations, SessionLog& log);

// The slots of one generation (slot n at index n, from 1 to the last
// archived slot) decoded under the given firmware flags and the instrument's
// mg/m^3 factor, as a download would have stored them.
void FillTableFromArchive(const QStringList& rawSlots, DownloadTable& table, FirmwareFlags& flags,
    const InstrumentInfo& info, SessionLog& log);
