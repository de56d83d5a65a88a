#include "ArchiveStore.h"

#include "shell/AppPaths.h"
#include "shell/SessionLog.h"
#include "shell/SettingsFile.h"
#include "shell/StartupFiles.h"

std::unique_ptr<InstrumentArchive> ArchiveStore::archiveOf(const QString& serial, const QString& recordFolder,
    SessionLog& log) const
{
    if (server)
        return std::make_unique<InstrumentArchive>(*server, serial, log);
    return std::make_unique<InstrumentArchive>(InstrumentArchive::pathIn(recordFolder), log);
}

std::optional<ArchiveStore> ArchiveStoreAt(const QString& address, QString& problem)
{
    ArchiveStore store;
    if (address.trimmed().isEmpty())
        return store;
    store.server = ArchiveServer::parse(address, problem);
    if (!store.server)
        return std::nullopt;
    return store;
}

ArchiveStore ArchiveStoreFromSettings(const AppPaths& paths, SessionLog& log)
{
    QString address;
    QString file;
    for (const QString& path : {UserSettingsPath(paths), AppSettingsPath(paths)}) {
        const QString entry = ReadSettingsText(path, ArchiveSection, ArchiveDatabaseKey, QString()).trimmed();
        if (!entry.isEmpty()) {
            address = entry;
            file = path;
            break;
        }
    }
    QString problem;
    std::optional<ArchiveStore> store = ArchiveStoreAt(address, problem);
    if (store)
        return *store;
    ArchiveStore unusable;
    unusable.problem = QStringLiteral("the archive database set in %1 cannot be used: %2").arg(file, problem);
    log.debugMessage(unusable.problem, SessionLog::Warning);
    return unusable;
}
