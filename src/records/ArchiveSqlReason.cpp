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

namespace {
// The server's or the client's own words, on one line.
QString ServerWords(const QSqlError& error)
{
    const QString words = (error.databaseText().isEmpty() ? error.text() : error.databaseText()).simplified();
    return words.isEmpty() ? QStringLiteral("no reason given") : words;
}
} // namespace

bool ServerSqlBusy(const QSqlError& error)
{
    const QString state = error.nativeErrorCode();
    // lock_not_available (the lock time-out), deadlock, serialization failure
    return state == QLatin1String("55P03") || state == QLatin1String("40P01") || state == QLatin1String("40001");
}

QString ServerSqlReason(const QSqlError& error)
{
    const QString state = error.nativeErrorCode();
    if (ServerSqlBusy(error))
        return QStringLiteral("another PC is archiving this instrument; try again when it has finished");
    // Without a state the client lost the server (or never reached it); class
    // 08 is a connection failure, 57P0x a server shutting down.
    if (state.isEmpty() || state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P")))
        return QStringLiteral("the archive server cannot be reached (") + ServerWords(error) + QLatin1Char(')');
    if (state.startsWith(QLatin1String("28")))
        return QStringLiteral("the archive server refused the user or password (") + ServerWords(error) + QLatin1Char(')');
    if (state == QLatin1String("3D000"))
        return QStringLiteral("the archive database does not exist (") + ServerWords(error) + QLatin1Char(')');
    if (state == QLatin1String("42501") || state == QLatin1String("25006"))
        return QStringLiteral("permission was refused (") + ServerWords(error) + QLatin1Char(')');
    if (state == QLatin1String("53100"))
        return QStringLiteral("the archive server's disk is full");
    return QStringLiteral("the database reported: ") + ServerWords(error);
}
