#pragma once
#include <QString>

class QSqlError;

// Why the database refused, in words for the person at the PC: "the file is
// damaged or is not an archive", "another program is using it", "the disk is
// full"; the database's own words only for a failure without a plainer name.
QString ArchiveSqlReason(const QSqlError& error);

// The database was busy with another writer or reader: worth one more try.
bool ArchiveSqlBusy(const QSqlError& error);

// The same for the PostgreSQL server, by the error's SQLSTATE: a server that
// cannot be reached or went away, a refused login, a missing database,
// another writer holding the instrument past the lock time-out.
QString ServerSqlReason(const QSqlError& error);
bool ServerSqlBusy(const QSqlError& error);
