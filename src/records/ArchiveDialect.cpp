#include "ArchiveDialect.h"

#include "ArchiveSqlReason.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {
// The first column of the first row a statement gives; nothing, with the
// error, when it fails or gives no row.
std::optional<QVariant> FirstValue(QSqlDatabase& db, const QString& statement, QSqlError& error)
{
    QSqlQuery query(db);
    if (!query.exec(statement) || !query.next()) {
        error = query.lastError();
        return std::nullopt;
    }
    return query.value(0);
}

// An SQLite file in the record folder. Writers take the file's write lock as
// their transaction begins and wait for another writer for a bounded time.
class Sqlite final : public ArchiveDialect {
public:
    Sqlite(const QString& path, int busyTimeoutMs) : path_(path), busyTimeoutMs_(busyTimeoutMs) {}

    QString where() const override { return path_; }

    bool open(QSqlDatabase& db, const QString& connection, ArchiveAccess access, QString& refusal) const override
    {
        const QFileInfo file(path_);
        if (file.exists() || file.isSymLink()) {
            // SQLite would wait on a pipe and read a device as zeros.
            if (!file.isFile()) {
                refusal = QStringLiteral("it is not a regular file");
                return false;
            }
        } else if (access == ArchiveAccess::ReadOnly) {
            refusal = QStringLiteral("there is no archive");
            return false;
        }
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
            refusal = QStringLiteral("the SQLite driver of Qt SQL is not installed");
            return false;
        }
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path_);
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs_);
        if (access == ArchiveAccess::ReadOnly)
            options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        db.setConnectOptions(options);
        if (!db.open())
            return false;
        QSqlQuery pragma(db);
        if (!pragma.exec(QStringLiteral("PRAGMA foreign_keys = ON"))) {
            refusal = reason(pragma.lastError());
            return false;
        }
        return true;
    }

    // Kept in PRAGMA user_version, which is also what a program from before
    // the migration table reads: it refuses a newer file by it.
    std::optional<int> schemaVersion(QSqlDatabase& db, QSqlError& error) const override
    {
        const std::optional<QVariant> version = FirstValue(db, QStringLiteral("PRAGMA user_version"), error);
        return version ? std::optional<int>(version->toInt()) : std::nullopt;
    }
    QStringList recordVersion(int version) const override
    {
        return {QStringLiteral("PRAGMA user_version = %1").arg(version)};
    }

    QString beginWrite() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    QString lockSchema() const override { return {}; }      // the file's write lock holds it
    QString unlockSchema() const override { return {}; }
    QString lockRow() const override { return {}; }         // likewise
    QString numberedKey() const override { return QStringLiteral("INTEGER PRIMARY KEY"); }
    QString keyedTable() const override { return QStringLiteral(" WITHOUT ROWID"); }

    QString reason(const QSqlError& error) const override { return ArchiveSqlReason(error); }
    bool busy(const QSqlError& error) const override { return ArchiveSqlBusy(error); }
    QString interruptedWriter(const QSqlError& error) const override
    {
        // A writer that died left its journal: only a writer may roll it back.
        if (ArchiveSqlBusy(error) || !QFileInfo::exists(path_ + QStringLiteral("-journal")))
            return {};
        return QStringLiteral("a download was interrupted while writing to it; the next download of this"
                              " instrument puts it right");
    }

private:
    QString path_;
    int busyTimeoutMs_;
};

// A PostgreSQL database shared by several PCs. Writers lock the
// instrument's row (SELECT ... FOR UPDATE) and wait for another writer of
// the same instrument for a bounded time (lock_timeout); every wait on the
// server is bounded (connect_timeout, TCP keep-alives).
class Server final : public ArchiveDialect {
public:
    Server(const ArchiveServer& server, int lockTimeoutMs) : server_(server), lockTimeoutMs_(lockTimeoutMs) {}

    QString where() const override { return server_.address; }

    bool open(QSqlDatabase& db, const QString& connection, ArchiveAccess access, QString& refusal) const override
    {
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
            refusal = QStringLiteral("the PostgreSQL driver of Qt SQL is not installed (package libqt6sql6-psql)");
            return false;
        }
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
        db.setHostName(server_.host);
        db.setPort(server_.port);
        db.setDatabaseName(server_.database);
        db.setUserName(server_.user);
        // No password: the client reads PGPASSWORD or the password file.
        db.setConnectOptions(QStringLiteral("connect_timeout=%1;keepalives=1;keepalives_idle=%2;"
                                            "keepalives_interval=%3;keepalives_count=%4;application_name=tolvi")
                .arg(ConnectTimeoutS)
                .arg(KeepAliveIdleS)
                .arg(KeepAliveIntervalS)
                .arg(KeepAliveCount));
        if (!db.open())
            return false;
        QStringList settings{QStringLiteral("SET lock_timeout = %1").arg(lockTimeoutMs_),
            QStringLiteral("SET client_min_messages = warning")};
        if (access == ArchiveAccess::ReadOnly)
            settings << QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY");
        QSqlQuery query(db);
        for (const QString& setting : settings) {
            if (!query.exec(setting)) {
                refusal = reason(query.lastError());
                return false;
            }
        }
        return true;
    }

    std::optional<int> schemaVersion(QSqlDatabase& db, QSqlError& error) const override
    {
        const std::optional<QVariant> migrated
            = FirstValue(db, QStringLiteral("SELECT to_regclass('schema_migrations') IS NOT NULL"), error);
        if (!migrated)
            return std::nullopt;
        if (!migrated->toBool())
            return 0;
        const std::optional<QVariant> version
            = FirstValue(db, QStringLiteral("SELECT COALESCE(MAX(version), 0) FROM schema_migrations"), error);
        return version ? std::optional<int>(version->toInt()) : std::nullopt;
    }
    QStringList recordVersion(int) const override { return {}; }

    QString beginWrite() const override { return QStringLiteral("BEGIN"); }
    QString lockSchema() const override { return QStringLiteral("SELECT pg_advisory_lock(%1)").arg(SchemaLockKey); }
    QString unlockSchema() const override { return QStringLiteral("SELECT pg_advisory_unlock(%1)").arg(SchemaLockKey); }
    QString lockRow() const override { return QStringLiteral(" FOR UPDATE"); }
    QString numberedKey() const override { return QStringLiteral("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"); }
    QString keyedTable() const override { return {}; }

    QString reason(const QSqlError& error) const override { return ServerSqlReason(error); }
    bool busy(const QSqlError& error) const override { return ServerSqlBusy(error); }
    QString interruptedWriter(const QSqlError&) const override { return {}; }   // the server rolls it back

private:
    static constexpr int ConnectTimeoutS = 10;
    static constexpr int KeepAliveIdleS = 10;
    static constexpr int KeepAliveIntervalS = 5;
    static constexpr int KeepAliveCount = 3;
    // The advisory lock that migrations of this archive take turns on.
    static constexpr qint64 SchemaLockKey = 0x746f6c7669;   // "tolvi"

    ArchiveServer server_;
    int lockTimeoutMs_;
};
} // namespace

std::unique_ptr<ArchiveDialect> SqliteDialect(const QString& path, int busyTimeoutMs)
{
    return std::make_unique<Sqlite>(path, busyTimeoutMs);
}

std::unique_ptr<ArchiveDialect> ServerDialect(const ArchiveServer& server, int lockTimeoutMs)
{
    return std::make_unique<Server>(server, lockTimeoutMs);
}
