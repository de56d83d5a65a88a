#include "InstrumentRecords.h"

#include "instrument/AddHistory.h"
#include "LegacyValues.h"
#include "RecordFiles.h"
#include "instrument/InstrumentInfo.h"
#include "shell/DataFileRead.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"
#include "shell/TextFile.h"

#include <QDir>

namespace {

bool writeLines(SessionLog& log, const QString& path, const QStringList& lines)
{
    QByteArray content;
    for (const QString& line : lines)
        content += line.toUtf8() + "\r\n";
    if (WriteFileAtomically(path, content))
        return true;
    log.debugMessage(QStringLiteral("Could not write ") + path, SessionLog::Problem);
    return false;
}

bool addHistoryLines(Services& services, const QString& folder, const QStringList& texts)
{
    bool ok = true;
    for (const QString& text : texts)
        ok = AddHistory(services, folder, text) && ok;
    return ok;
}

} // namespace

QString RecordFolderFor(const QString& dataFolder, const QString& serialNumber)
{
    return QDir(dataFolder).filePath(serialNumber);
}

RecordStepResult WriteConnectionRecords(Services& services, const InstrumentInfo& info, const QDateTime& nowGmt,
    const QString& softwareVersion)
{
    RecordStepResult result;
    SessionLog& log = services.log;
    // Without a serial number the records would land in the data folder itself.
    if (info.SerialNumber.isEmpty()) {
        log.debugMessage(QStringLiteral("No serial number read: instrument records not written."), SessionLog::Warning);
        result.filesWritten = false;
        return result;
    }
    result.folder = RecordFolderFor(services.paths.dataFolder, info.SerialNumber);

    if (!QDir(result.folder).exists()) {
        result.newInstrument = true;
        log.debugMessage(QStringLiteral("This instrument has not been seen before!"), SessionLog::Info);
        if (!QDir().mkpath(result.folder)) {
            log.debugMessage(QStringLiteral("Could not create ") + result.folder, SessionLog::Problem);
            result.filesWritten = false;
            return result;
        }
        const LegacyValues legacy = ReadLegacyValues(services.perUser, info.SerialNumber);
        bool ok = writeLines(log, QDir(result.folder).filePath(QStringLiteral("initial.txt")),
            InitialFileLines(info, legacy, nowGmt));
        ok = writeLines(log, QDir(result.folder).filePath(QStringLiteral("settings.txt")), SettingsFileLines(legacy))
            && ok;
        // The legacy values now live in the record files; remove them only
        // once they were written, so a failed write loses nothing.
        if (legacy.present && ok)
            RemoveLegacyValues(services.perUser, info.SerialNumber);
        ok = addHistoryLines(services, result.folder, HistoryHeadTexts(info.SerialNumber)) && ok;
        result.filesWritten = ok;
    }
    // Record files that are not record files are left alone: said once per connection.
    ReportSkippedDataFiles(log, services.prompts, services.appCaption,
        {QDir(result.folder).filePath(QStringLiteral("initial.txt")),
            QDir(result.folder).filePath(QStringLiteral("settings.txt")),
            QDir(result.folder).filePath(QStringLiteral("history.txt"))});
    result.filesWritten = addHistoryLines(services, result.folder, ConnectionBlockTexts(info, softwareVersion, nowGmt))
        && result.filesWritten;
    return result;
}
