#pragma once
#include "records/ArchiveServer.h"
#include "records/InstrumentArchive.h"

#include <QString>
#include <memory>
#include <optional>

struct AppPaths;
class SessionLog;

// Where the instrument archives are kept: an SQLite file in each record
// folder (the default, no server needed), or one PostgreSQL database that
// several PCs share.
struct ArchiveStore {
    std::optional<ArchiveServer> server;   // none: the record folders
    // The settings name a database that cannot be used: nothing is archived,
    // and this says why.
    QString problem;

    // The archive of an instrument (not yet opened).
    std::unique_ptr<InstrumentArchive> archiveOf(const QString& serial, const QString& recordFolder,
        SessionLog& log) const;
    // The database address, or empty for the record folders.
    QString where() const { return server ? server->address : QString(); }
};

// The section and key that name the shared database in "user.txt" (this
// user) or "app.txt" (every user of the data folder); the user's wins.
inline const QString ArchiveSection = QStringLiteral("Archive");
inline const QString ArchiveDatabaseKey = QStringLiteral("Database");

// The store the settings choose; an address that cannot be used is logged
// and kept in problem.
ArchiveStore ArchiveStoreFromSettings(const AppPaths& paths, SessionLog& log);
// The store a database address chooses (empty: the record folders);
// nullopt with the reason in problem.
std::optional<ArchiveStore> ArchiveStoreAt(const QString& address, QString& problem);
