#pragma once
#include "records/ArchiveServer.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QSqlDatabase;
class QSqlError;

enum class ArchiveAccess {
    Write,      // created when missing, brought up to the current schema
    ReadOnly,   // must exist; opened read-only, never changed
};

// What differs between the archive's two back ends, an SQLite file in the
// record folder and a PostgreSQL database shared by several PCs: how the
// connection is opened, the few SQL texts that differ, how a writer takes
// its locks, where the schema version is read, and how a refusal is worded.
// Everything else (the schema, the queries, the generation rules) is the
// archive's own and the same for both.
class ArchiveDialect {
public:
    virtual ~ArchiveDialect() = default;

    // The file or the database address, for messages and the log.
    virtual QString where() const = 0;
    // Opens the connection; false with refusal set when it was not even
    // tried (in words), else with the database's error in db.lastError().
    virtual bool open(QSqlDatabase& db, const QString& connection, ArchiveAccess access, QString& refusal) const = 0;

    // The schema version the database holds (0 when it holds none).
    virtual std::optional<int> schemaVersion(QSqlDatabase& db, QSqlError& error) const = 0;
    // Run after a migration step, besides its row in schema_migrations.
    virtual QStringList recordVersion(int version) const = 0;

    // Begins a transaction that writes.
    virtual QString beginWrite() const = 0;
    // Run before a migration's transaction begins, and after it ends: keeps
    // a second program out meanwhile. (Taken before the transaction, so the
    // second one's transaction sees the tables the first one made.)
    virtual QString lockSchema() const = 0;
    virtual QString unlockSchema() const = 0;
    // Appended to the query that reads the instrument's row in a write:
    // holds that row until the transaction ends.
    virtual QString lockRow() const = 0;
    // A column type: a key numbered by the database.
    virtual QString numberedKey() const = 0;
    // Appended to a table definition keyed by its primary key alone.
    virtual QString keyedTable() const = 0;

    // Why the database refused, in words for a person.
    virtual QString reason(const QSqlError& error) const = 0;
    // Another writer was in the way: worth one more try.
    virtual bool busy(const QSqlError& error) const = 0;
    // A reader's failure that a killed writer left behind, in words; empty
    // for any other failure.
    virtual QString interruptedWriter(const QSqlError& error) const = 0;
};

std::unique_ptr<ArchiveDialect> SqliteDialect(const QString& path, int busyTimeoutMs);
std::unique_ptr<ArchiveDialect> ServerDialect(const ArchiveServer& server, int lockTimeoutMs);
