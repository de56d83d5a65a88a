#pragma once
#include <QString>

class QSqlError;

// Why the database refused, in words for the person at the PC: "the file is
// damaged or is not an archive", "another program is using it", "the disk is
// full"; the database's own words only for a failure without a plainer name.
QString ArchiveSqlReason(const QSqlError& error);

// The database was busy with another writer or reader: worth one more try.
bool ArchiveSqlBusy(const QSqlError& error);
