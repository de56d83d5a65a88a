#include "InstrumentArchive.h"

#include "instrument/DownloadTable.h"
#include "shell/SessionLog.h"

#include <QDir>
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

// A transaction that is rolled back unless committed.
class Transaction {
public:
    explicit Transaction(QSqlDatabase& db) : db_(db), open_(db.transaction()) {}
    ~Transaction()
    {
        if (open_)
            db_.rollback();
    }
    bool begun() const { return open_; }
    bool commit()
    {
        open_ = !db_.commit();
        return !open_;
    }

private:
    QSqlDatabase& db_;
    bool open_;
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

bool InstrumentArchive::open(bool create)
{
    if (!create && !QFileInfo::exists(path_))
        return fail(QStringLiteral("there is no archive"));
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return fail(QStringLiteral("the SQLite driver of Qt SQL is not installed"));
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db_.setDatabaseName(path_);
    // Another connection writing at the same moment is waited for, briefly.
    db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db_.open())
        return fail(db_.lastError().text());
    QSqlQuery pragma(db_);
    if (!pragma.exec(QStringLiteral("PRAGMA foreign_keys = ON")))
        return fail(pragma.lastError().text());
    return migrate();
}

bool InstrumentArchive::migrate()
{
    QSqlQuery query(db_);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return fail(QStringLiteral("not an archive database: ") + query.lastError().text());
    int version = query.value(0).toInt();
    if (version > SchemaVersion) {
        return fail(QStringLiteral("written by a newer version of the program (schema %1, this one knows %2)")
                .arg(version)
                .arg(SchemaVersion));
    }
    for (const Migration& migration : Migrations()) {
        if (migration.version <= version)
            continue;
        Transaction transaction(db_);
        if (!transaction.begun())
            return fail(db_.lastError().text());
        for (const QString& statement : migration.statements) {
            if (!query.exec(statement))
                return fail(QStringLiteral("schema %1: ").arg(migration.version) + query.lastError().text());
        }
        if (!query.exec(QStringLiteral("PRAGMA user_version = %1").arg(migration.version)) || !transaction.commit())
            return fail(QStringLiteral("schema %1: ").arg(migration.version) + db_.lastError().text());
        version = migration.version;
    }
    return true;
}

int InstrumentArchive::currentGeneration()
{
    QSqlQuery query(db_);
    if (query.exec(QStringLiteral("SELECT MAX(number) FROM generations")) && query.next())
        return query.value(0).toInt();
    return 0;
}

QStringList InstrumentArchive::generationSlots(int generation)
{
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT slot, raw_hex FROM slots WHERE generation = ? ORDER BY slot"));
    query.addBindValue(generation);
    QStringList slots(1);
    if (!query.exec())
        return slots;
    while (query.next()) {
        const int slot = query.value(0).toInt();
        if (slot >= slots.size())
            slots.resize(slot + 1);
        slots[slot] = query.value(1).toString();
    }
    return slots;
}

QList<ArchiveGeneration> InstrumentArchive::generations()
{
    QList<ArchiveGeneration> list;
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral(
            "SELECT g.number, g.started_utc,"
            " (SELECT COUNT(*) FROM downloads d WHERE d.generation = g.number),"
            " COUNT(s.slot), COALESCE(MAX(s.slot), 0), COALESCE(MIN(s.time_stamp), 0), COALESCE(MAX(s.time_stamp), 0)"
            " FROM generations g LEFT JOIN slots s ON s.generation = g.number"
            " GROUP BY g.number ORDER BY g.number")))
        return list;
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
int InstrumentArchive::generationFor(const ArchiveDownload& download, const DownloadTable& table)
{
    const int generation = download.newGeneration ? 0 : currentGeneration();
    if (generation == 0)
        return 0;
    const QStringList archived = generationSlots(generation);
    const int archivedLast = static_cast<int>(archived.size()) - 1;
    if (download.slotsUsed < archivedLast) {
        log_.debugMessage(QStringLiteral("The memory holds fewer slots than archived: a new memory generation."),
            SessionLog::Info);
        return 0;
    }
    for (int i = 1; i <= table.count(); ++i) {
        const int slot = download.firstSlot + i - 1;
        if (slot <= archivedLast && IsReadSlot(table[i]) && !archived[slot].isEmpty() && archived[slot] != table[i].RawHex) {
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
    Transaction transaction(db_);
    if (!transaction.begun()) {
        fail(db_.lastError().text());
        return std::nullopt;
    }
    int generation = generationFor(download, table);
    const QString now = download.whenUtc.toUTC().toString(Qt::ISODate);
    QSqlQuery query(db_);
    if (generation == 0) {
        query.prepare(QStringLiteral("INSERT INTO generations (started_utc) VALUES (?)"));
        query.addBindValue(now);
        if (!query.exec()) {
            fail(query.lastError().text());
            return std::nullopt;
        }
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
    if (!query.exec()) {
        fail(query.lastError().text());
        return std::nullopt;
    }
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
        if (!insert.exec()) {
            fail(insert.lastError().text());
            return std::nullopt;
        }
        added += insert.numRowsAffected() > 0 ? 1 : 0;
    }
    query.prepare(QStringLiteral("UPDATE downloads SET slots_added = ? WHERE id = ?"));
    query.addBindValue(added);
    query.addBindValue(downloadId);
    if (!query.exec() || !transaction.commit()) {
        fail(QStringLiteral("could not write the download: ") + db_.lastError().text());
        return std::nullopt;
    }
    log_.debugMessage(QStringLiteral("Archived %1 slots (%2 new) in memory generation %3.").arg(read).arg(added).arg(generation),
        SessionLog::Detail);
    return generation;
}
