#include "InstrumentArchive.h"

#include "ArchiveSqlReason.h"
#include "instrument/DownloadTable.h"
#include "shell/SessionLog.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>

namespace {
// One step of the schema: the statements that bring a database of the
// version before it up to its version. New steps are appended; old ones are
// never changed, since databases written with them exist.
struct Migration {
    int version;
    QStringList statements;
};

const QList<Migration>& Migrations()
{
    static const QList<Migration> migrations{
        {1,
            {
                QStringLiteral("CREATE TABLE generations ("
                               " number INTEGER PRIMARY KEY,"
                               " started_utc TEXT NOT NULL)"),
                QStringLiteral("CREATE TABLE downloads ("
                               " id INTEGER PRIMARY KEY,"
                               " generation INTEGER NOT NULL REFERENCES generations(number),"
                               " downloaded_utc TEXT NOT NULL,"
                               " kind TEXT NOT NULL,"
                               " first_slot INTEGER NOT NULL,"
                               " last_slot INTEGER NOT NULL,"
                               " slots_read INTEGER NOT NULL,"
                               " slots_added INTEGER NOT NULL,"
                               " slots_used INTEGER NOT NULL,"
                               " firmware TEXT NOT NULL,"
                               " firmware_version REAL NOT NULL,"
                               " program_version TEXT NOT NULL,"
                               " mgm_factor INTEGER NOT NULL,"
                               " mgm_fixed INTEGER NOT NULL)"),
                QStringLiteral("CREATE TABLE slots ("
                               " generation INTEGER NOT NULL REFERENCES generations(number),"
                               " slot INTEGER NOT NULL,"
                               " raw_hex TEXT NOT NULL CHECK (length(raw_hex) = 32),"
                               " download INTEGER NOT NULL REFERENCES downloads(id),"
                               " time_stamp INTEGER NOT NULL,"
                               " reading REAL NOT NULL,"
                               " reading_mgm REAL NOT NULL,"
                               " temperature REAL NOT NULL,"
                               " humidity REAL NOT NULL,"
                               " sample_mode INTEGER NOT NULL,"
                               " flags INTEGER NOT NULL,"
                               " scheduled INTEGER NOT NULL,"
                               " PRIMARY KEY (generation, slot)) WITHOUT ROWID"),
            }},
    };
    return migrations;
}

QString NewConnectionName()
{
    static std::atomic<quint64> next{0};
    return QStringLiteral("tolvi-archive-%1").arg(next.fetch_add(1));
}

QString KindText(ArchiveDownload::Kind kind)
{
    switch (kind) {
    case ArchiveDownload::Kind::All: return QStringLiteral("all");
    case ArchiveDownload::Kind::Portion: return QStringLiteral("portion");
    case ArchiveDownload::Kind::New: return QStringLiteral("new");
    }
    return QString();
}

// Text for a NOT NULL column: a null text (nothing read) is stored empty.
QVariant TextValue(const QString& text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

bool IsReadSlot(const SlotRecord& slot)
{
    return slot.RawHex.size() == 32;
}

// A raw slot as the archive must hold it: 32 hexadecimal characters.
bool IsSlotText(const QString& text)
{
    if (text.size() != 32)
        return false;
    for (const QChar c : text) {
        if (!c.isDigit() && !(c.toUpper() >= QLatin1Char('A') && c.toUpper() <= QLatin1Char('F')))
            return false;
    }
    return true;
}

// A write transaction, rolled back unless committed. It takes the write
// lock as it begins, so two writers queue there (for the busy timeout)
// instead of both reading and then finding the other in the way.
class WriteTransaction {
public:
    explicit WriteTransaction(QSqlDatabase& db) : query_(db)
    {
        open_ = query_.exec(QStringLiteral("BEGIN IMMEDIATE"));
    }
    ~WriteTransaction()
    {
        if (open_)
            query_.exec(QStringLiteral("ROLLBACK"));
    }
    bool begun() const { return open_; }
    QSqlError error() const { return query_.lastError(); }
    bool commit()
    {
        open_ = !query_.exec(QStringLiteral("COMMIT"));
        return !open_;
    }

private:
    QSqlQuery query_;
    bool open_ = false;
};
} // namespace

QString InstrumentArchive::pathIn(const QString& recordFolder)
{
    return QDir(recordFolder).filePath(FileName);
}

InstrumentArchive::InstrumentArchive(const QString& path, SessionLog& log)
    : path_(path), connection_(NewConnectionName()), log_(log)
{
}

InstrumentArchive::~InstrumentArchive()
{
    if (db_.isValid()) {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection_);
    }
}

bool InstrumentArchive::fail(const QString& what)
{
    error_ = what;
    log_.debugMessage(QStringLiteral("Archive ") + path_ + QStringLiteral(": ") + what, SessionLog::Problem);
    return false;
}

bool InstrumentArchive::failOn(const QSqlError& error, const QString& doing)
{
    sqlError_ = error;
    log_.debugMessage(QStringLiteral("Archive ") + path_ + QStringLiteral(": ") + error.text(), SessionLog::Detail);
    return fail(doing.isEmpty() ? ArchiveSqlReason(error) : doing + QStringLiteral(": ") + ArchiveSqlReason(error));
}

bool InstrumentArchive::open(Access access)
{
    const QFileInfo file(path_);
    if (file.exists() || file.isSymLink()) {
        // SQLite would wait on a pipe and read a device as zeros.
        if (!file.isFile())
            return fail(QStringLiteral("it is not a regular file"));
    } else if (access == Access::ReadOnly) {
        return fail(QStringLiteral("there is no archive"));
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return fail(QStringLiteral("the SQLite driver of Qt SQL is not installed"));
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db_.setDatabaseName(path_);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs);
    if (access == Access::ReadOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    db_.setConnectOptions(options);
    if (!db_.open())
        return failOn(db_.lastError());
    QSqlQuery pragma(db_);
    if (!pragma.exec(QStringLiteral("PRAGMA foreign_keys = ON")))
        return failOn(pragma.lastError());
    return access == Access::ReadOnly ? checkReadableVersion() : migrate();
}

namespace {
std::optional<int> SchemaVersionOf(QSqlDatabase& db, QSqlError& error)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
        error = query.lastError();
        return std::nullopt;
    }
    return query.value(0).toInt();
}

QString NewerSchemaText(int version)
{
    return QStringLiteral("it was written by a newer version of the program (schema %1, this one knows %2)")
        .arg(version)
        .arg(InstrumentArchive::SchemaVersion);
}
} // namespace

bool InstrumentArchive::checkReadableVersion()
{
    QSqlError error;
    const std::optional<int> version = SchemaVersionOf(db_, error);
    // A writer that died left its journal: only a writer may roll it back.
    if (!version && !ArchiveSqlBusy(error) && QFileInfo::exists(path_ + QStringLiteral("-journal"))) {
        log_.debugMessage(QStringLiteral("Archive ") + path_ + QStringLiteral(": ") + error.text(), SessionLog::Detail);
        return fail(QStringLiteral("a download was interrupted while writing to it; the next download of this"
                                   " instrument puts it right"));
    }
    if (!version)
        return failOn(error);
    if (*version > SchemaVersion)
        return fail(NewerSchemaText(*version));
    if (*version < SchemaVersion) {
        return fail(*version == 0 ? QStringLiteral("it holds no archive")
                                  : QStringLiteral("it was written by an older version of the program; a download"
                                                   " brings it up to date"));
    }
    return true;
}

bool InstrumentArchive::migrate()
{
    QSqlError error;
    std::optional<int> version = SchemaVersionOf(db_, error);
    if (!version)
        return failOn(error);
    if (*version == SchemaVersion)
        return true;
    if (*version > SchemaVersion)
        return fail(NewerSchemaText(*version));
    // Read again under the write lock: another program may have migrated it
    // in the meantime.
    WriteTransaction transaction(db_);
    if (!transaction.begun())
        return failOn(transaction.error());
    version = SchemaVersionOf(db_, error);
    if (!version)
        return failOn(error);
    if (*version > SchemaVersion)
        return fail(NewerSchemaText(*version));
    QSqlQuery query(db_);
    for (const Migration& migration : Migrations()) {
        if (migration.version <= *version)
            continue;
        for (const QString& statement : migration.statements) {
            if (!query.exec(statement))
                return failOn(query.lastError(), QStringLiteral("schema %1").arg(migration.version));
        }
        if (!query.exec(QStringLiteral("PRAGMA user_version = %1").arg(migration.version)))
            return failOn(query.lastError(), QStringLiteral("schema %1").arg(migration.version));
    }
    if (!transaction.commit())
        return failOn(transaction.error());
    return true;
}

std::optional<int> InstrumentArchive::currentGeneration()
{
    QSqlQuery query(db_);
    if (!query.exec(QStringLiteral("SELECT MAX(number) FROM generations")) || !query.next()) {
        failOn(query.lastError());
        return std::nullopt;
    }
    return query.value(0).toInt();
}

GenerationSlots InstrumentArchive::generationSlots(int generation)
{
    GenerationSlots result;
    result.raw.resize(1);
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT slot, raw_hex FROM slots WHERE generation = ? ORDER BY slot"));
    query.addBindValue(generation);
    if (!query.exec()) {
        failOn(query.lastError());
        result.error = error_;
        return result;
    }
    while (query.next()) {
        const QVariant number = query.value(0);
        const bool whole = number.typeId() == QMetaType::LongLong || number.typeId() == QMetaType::Int;
        const qint64 slot = whole ? number.toLongLong() : 0;
        const QString raw = query.value(1).toString();
        if (slot < 1 || slot > HighestSlot) {
            result.bad << BadArchiveRow{generation, number.toString(), QStringLiteral("slot number out of range")};
            continue;
        }
        if (!IsSlotText(raw)) {
            result.bad << BadArchiveRow{generation, number.toString(), QStringLiteral("not 32 hexadecimal characters")};
            continue;
        }
        if (slot >= result.raw.size())
            result.raw.resize(slot + 1);
        result.raw[slot] = raw;
    }
    // A query stopped by a damaged page ends like one that read every row.
    if (query.lastError().isValid()) {
        failOn(query.lastError());
        result.error = error_;
    }
    return result;
}

std::optional<QList<ArchiveGeneration>> InstrumentArchive::generations()
{
    QList<ArchiveGeneration> list;
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral(
            "SELECT g.number, g.started_utc,"
            " (SELECT COUNT(*) FROM downloads d WHERE d.generation = g.number),"
            " COUNT(s.slot), COALESCE(MAX(s.slot), 0), COALESCE(MIN(s.time_stamp), 0), COALESCE(MAX(s.time_stamp), 0)"
            " FROM generations g LEFT JOIN slots s ON s.generation = g.number"
            " GROUP BY g.number ORDER BY g.number"))) {
        failOn(query.lastError());
        return std::nullopt;
    }
    while (query.next()) {
        ArchiveGeneration g;
        g.number = query.value(0).toInt();
        g.startedUtc = QDateTime::fromString(query.value(1).toString(), Qt::ISODate);
        g.downloads = query.value(2).toInt();
        g.slots = query.value(3).toInt();
        g.lastSlot = query.value(4).toInt();
        g.firstReading = query.value(5).toLongLong();
        g.lastReading = query.value(6).toLongLong();
        list << g;
    }
    if (query.lastError().isValid()) {
        failOn(query.lastError());
        return std::nullopt;
    }
    return list;
}

std::optional<ArchiveFirmware> InstrumentArchive::generationFirmware(int generation)
{
    QSqlQuery query(db_);
    query.prepare(QStringLiteral("SELECT firmware, firmware_version, mgm_factor, mgm_fixed FROM downloads"
                                 " WHERE generation = ? ORDER BY id DESC LIMIT 1"));
    query.addBindValue(generation);
    if (!query.exec() || !query.next())
        return std::nullopt;
    return ArchiveFirmware{query.value(0).toString(), query.value(1).toDouble(), query.value(2).toInt(),
        query.value(3).toBool()};
}

// The current generation when the download agrees with it, else 0 (a new
// one is needed).
std::optional<int> InstrumentArchive::generationFor(const ArchiveDownload& download, const DownloadTable& table)
{
    if (download.newGeneration)
        return 0;
    const std::optional<int> generation = currentGeneration();
    if (!generation || *generation == 0)
        return generation;
    const GenerationSlots archived = generationSlots(*generation);
    if (!archived.error.isEmpty())
        return std::nullopt;
    if (!archived.bad.isEmpty()) {
        log_.debugMessage(QStringLiteral("Memory generation %1 holds rows that are not slots: a new memory generation.")
                              .arg(*generation),
            SessionLog::Warning);
        return 0;
    }
    const int archivedLast = static_cast<int>(archived.raw.size()) - 1;
    if (download.slotsUsed < archivedLast) {
        log_.debugMessage(QStringLiteral("The memory holds fewer slots than archived: a new memory generation."),
            SessionLog::Info);
        return 0;
    }
    for (int i = 1; i <= table.count(); ++i) {
        const int slot = download.firstSlot + i - 1;
        if (slot <= archivedLast && IsReadSlot(table[i]) && !archived.raw[slot].isEmpty()
            && archived.raw[slot] != table[i].RawHex) {
            log_.debugMessage(QStringLiteral("Slot %1 differs from the archived one: a new memory generation.").arg(slot),
                SessionLog::Info);
            return 0;
        }
    }
    return generation;
}

std::optional<int> InstrumentArchive::recordDownload(const ArchiveDownload& download, const DownloadTable& table)
{
    if (!db_.isOpen()) {
        fail(QStringLiteral("not open"));
        return std::nullopt;
    }
    bool busy = false;
    std::optional<int> written = writeDownload(download, table, busy);
    if (!written && busy) {
        // Another writer held the archive past the busy timeout: the whole
        // transaction once more, deciding the generation afresh.
        log_.debugMessage(QStringLiteral("The archive was busy: writing the download once more."), SessionLog::Info);
        written = writeDownload(download, table, busy);
    }
    return written;
}

std::optional<int> InstrumentArchive::writeDownload(const ArchiveDownload& download, const DownloadTable& table,
    bool& busy)
{
    auto failed = [&](const QSqlError& error) -> std::optional<int> {
        busy = ArchiveSqlBusy(error);
        failOn(error);
        return std::nullopt;
    };
    busy = false;
    WriteTransaction transaction(db_);
    if (!transaction.begun())
        return failed(transaction.error());
    std::optional<int> decided = generationFor(download, table);
    if (!decided) {
        busy = ArchiveSqlBusy(sqlError_);
        return std::nullopt;
    }
    int generation = *decided;
    const QString now = download.whenUtc.toUTC().toString(Qt::ISODate);
    QSqlQuery query(db_);
    if (generation == 0) {
        query.prepare(QStringLiteral("INSERT INTO generations (started_utc) VALUES (?)"));
        query.addBindValue(now);
        if (!query.exec())
            return failed(query.lastError());
        generation = query.lastInsertId().toInt();
    }

    int read = 0;
    for (int i = 1; i <= table.count(); ++i)
        read += IsReadSlot(table[i]) ? 1 : 0;
    query.prepare(QStringLiteral(
        "INSERT INTO downloads (generation, downloaded_utc, kind, first_slot, last_slot, slots_read, slots_added,"
        " slots_used, firmware, firmware_version, program_version, mgm_factor, mgm_fixed)"
        " VALUES (?, ?, ?, ?, ?, ?, 0, ?, ?, ?, ?, ?, ?)"));
    for (const QVariant& value : {QVariant(generation), QVariant(now), QVariant(KindText(download.kind)),
             QVariant(download.firstSlot), QVariant(download.firstSlot + table.count() - 1), QVariant(read),
             QVariant(download.slotsUsed), TextValue(download.firmware), QVariant(download.firmwareVersion),
             TextValue(download.programVersion), QVariant(download.mgmFactor), QVariant(download.mgmFixed ? 1 : 0)})
        query.addBindValue(value);
    if (!query.exec())
        return failed(query.lastError());
    const qint64 downloadId = query.lastInsertId().toLongLong();

    // Slots the generation already holds are the same bytes: they stay.
    QSqlQuery insert(db_);
    insert.prepare(QStringLiteral(
        "INSERT OR IGNORE INTO slots (generation, slot, raw_hex, download, time_stamp, reading, reading_mgm,"
        " temperature, humidity, sample_mode, flags, scheduled) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    int added = 0;
    for (int i = 1; i <= table.count(); ++i) {
        const SlotRecord& slot = table[i];
        if (!IsReadSlot(slot))
            continue;
        insert.bindValue(0, generation);
        insert.bindValue(1, download.firstSlot + i - 1);
        insert.bindValue(2, slot.RawHex);
        insert.bindValue(3, downloadId);
        insert.bindValue(4, slot.TimeStamp);
        insert.bindValue(5, double(slot.Reading));
        insert.bindValue(6, double(slot.ReadingMGM));
        insert.bindValue(7, double(slot.Temperature));
        insert.bindValue(8, double(slot.Humidity));
        insert.bindValue(9, slot.SampleMode);
        insert.bindValue(10, slot.Flags);
        insert.bindValue(11, slot.Scheduled ? 1 : 0);
        if (!insert.exec())
            return failed(insert.lastError());
        added += insert.numRowsAffected() > 0 ? 1 : 0;
    }
    query.prepare(QStringLiteral("UPDATE downloads SET slots_added = ? WHERE id = ?"));
    query.addBindValue(added);
    query.addBindValue(downloadId);
    if (!query.exec())
        return failed(query.lastError());
    if (!transaction.commit())
        return failed(transaction.error());
    log_.debugMessage(QStringLiteral("Archived %1 slots (%2 new) in memory generation %3.").arg(read).arg(added).arg(generation),
        SessionLog::Detail);
    return generation;
}
