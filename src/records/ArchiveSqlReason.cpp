#include "ArchiveSqlReason.h"

#include <QSqlError>

namespace {
// SQLite's primary result codes (the low byte of an extended one).
enum SqliteCode {
    Perm = 3,
    Busy = 5,
    Locked = 6,
    NoMem = 7,
    ReadOnly = 8,
    IoErr = 10,
    Corrupt = 11,
    Full = 13,
    CantOpen = 14,
    Auth = 23,
    NotADb = 26,
};

int PrimaryCode(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xFF) : -1;
}
} // namespace

bool ArchiveSqlBusy(const QSqlError& error)
{
    const int code = PrimaryCode(error);
    return code == Busy || code == Locked;
}

QString ArchiveSqlReason(const QSqlError& error)
{
    switch (PrimaryCode(error)) {
    case NotADb:
        return QStringLiteral("the file is damaged or is not an archive");
    case Corrupt:
        return QStringLiteral("the file is damaged");
    case Busy:
    case Locked:
        return QStringLiteral("another program is using it; try again when it has finished");
    case ReadOnly:
        return QStringLiteral("it may not be written (a read-only file or folder)");
    case Perm:
    case Auth:
        return QStringLiteral("permission was refused");
    case CantOpen:
        return QStringLiteral("it cannot be opened (check the file and the permissions of its folder)");
    case Full:
        return QStringLiteral("the disk is full");
    case IoErr:
        return QStringLiteral("the disk could not be read or written");
    case NoMem:
        return QStringLiteral("there was not enough memory");
    default:
        break;
    }
    const QString words = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return QStringLiteral("the database reported: ") + words;
}
