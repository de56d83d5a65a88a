#include "InstrumentArchive.h"

#include "ArchiveSqlReason.h"
#include "instrument/DownloadTable.h"
#include "shell/SessionLog.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>
#include <algorithm>
#include <atomic>

namespace {
// The current schema, as a new database gets it. %1: a key the database
// numbers, %2: the ending of a table kept by its key alone.
QStringList CurrentSchema(const ArchiveDialect& dialect)
{
    const QStringList statements{
        QStringLiteral("CREATE TABLE schema_migrations ("
                       " version INTEGER PRIMARY KEY,"
                       " applied_utc TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE instruments ("
                       " id %1,"
                       " serial TEXT NOT NULL UNIQUE)"),
        QStringLiteral("CREATE TABLE generations ("
                       " instrument BIGINT NOT NULL REFERENCES instruments(id),"
                       " number INTEGER NOT NULL,"
                       " started_utc TEXT NOT NULL,"
                       " PRIMARY KEY (instrument, number))%2"),
        QStringLiteral("CREATE TABLE downloads ("
                       " id %1,"
                       " uid TEXT NOT NULL UNIQUE,"
                       " instrument BIGINT NOT NULL,"
                       " generation INTEGER NOT NULL,"
                       " downloaded_utc TEXT NOT NULL,"
                       " kind TEXT NOT NULL,"
                       " first_slot INTEGER NOT NULL,"
                       " last_slot INTEGER NOT NULL,"
                       " slots_read INTEGER NOT NULL,"
                       " slots_added INTEGER NOT NULL,"
                       " slots_used INTEGER NOT NULL,"
                       " firmware TEXT NOT NULL,"
                       " firmware_version DOUBLE PRECISION NOT NULL,"
                       " program_version TEXT NOT NULL,"
                       " mgm_factor INTEGER NOT NULL,"
                       " mgm_fixed INTEGER NOT NULL,"
                       " FOREIGN KEY (instrument, generation) REFERENCES generations(instrument, number))"),
        QStringLiteral("CREATE INDEX downloads_of_generation ON downloads (instrument, generation)"),
        QStringLiteral("CREATE TABLE slots ("
                       " instrument BIGINT NOT NULL,"
                       " generation INTEGER NOT NULL,"
                       " slot INTEGER NOT NULL,"
                       " raw_hex TEXT NOT NULL CHECK (length(raw_hex) = 32),"
                       " download BIGINT NOT NULL REFERENCES downloads(id),"
                       " time_stamp BIGINT NOT NULL,"
                       " reading DOUBLE PRECISION NOT NULL,"
                       " reading_mgm DOUBLE PRECISION NOT NULL,"
                       " temperature DOUBLE PRECISION NOT NULL,"
                       " humidity DOUBLE PRECISION NOT NULL,"
                       " sample_mode INTEGER NOT NULL,"
                       " flags INTEGER NOT NULL,"
                       " scheduled INTEGER NOT NULL,"
                       " PRIMARY KEY (instrument, generation, slot),"
                       " FOREIGN KEY (instrument, generation) REFERENCES generations(instrument, number))%2"),
    };
    QStringList filled;
    for (const QString& statement : statements)
        filled << QString(statement).replace(QStringLiteral("%1"), dialect.numberedKey())
                      .replace(QStringLiteral("%2"), dialect.keyedTable());
    return filled;
}

// Schema 1 was one SQLite file per instrument without the instruments
// table: its tables are set aside, the current ones made, and its rows
// copied as the rows of the file's one instrument (:serial).
QStringList FromSchemaOne(const ArchiveDialect& dialect)
{
    QStringList statements{
        QStringLiteral("ALTER TABLE slots RENAME TO slots_1"),
        QStringLiteral("ALTER TABLE downloads RENAME TO downloads_1"),
        QStringLiteral("ALTER TABLE generations RENAME TO generations_1"),
    };
    statements << CurrentSchema(dialect);
    statements << QStringLiteral("INSERT INTO instruments (id, serial) VALUES (1, :serial)")
               << QStringLiteral("INSERT INTO generations SELECT 1, number, started_utc FROM generations_1")
               << QStringLiteral("INSERT INTO downloads SELECT id, lower(hex(randomblob(16))), 1, generation,"
                                 " downloaded_utc, kind, first_slot, last_slot, slots_read, slots_added, slots_used,"
                                 " firmware, firmware_version, program_version, mgm_factor, mgm_fixed FROM downloads_1")
               << QStringLiteral("INSERT INTO slots SELECT 1, generation, slot, raw_hex, download, time_stamp, reading,"
                                 " reading_mgm, temperature, humidity, sample_mode, flags, scheduled FROM slots_1")
               << QStringLiteral("DROP TABLE slots_1") << QStringLiteral("DROP TABLE downloads_1")
               << QStringLiteral("DROP TABLE generations_1");
    return statements;
}

// Slot rows written by one statement: few statements for a large download
// (each is a round trip to a server), well within the variables a statement
// may bind.
constexpr int SlotRowsPerStatement = 500;
constexpr int SlotColumns = 13;

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

ArchiveDownload::Kind KindOf(const QString& text)
{
    if (text == QLatin1String("portion"))
        return ArchiveDownload::Kind::Portion;
    if (text == QLatin1String("new"))
        return ArchiveDownload::Kind::New;
    return ArchiveDownload::Kind::All;
}

// A slot number as stored: a whole number from 1 to the highest slot, else 0.
qint64 SlotNumber(const QVariant& value)
{
    const bool whole = value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int;
    const qint64 slot = whole ? value.toLongLong() : 0;
    return slot >= 1 && slot <= InstrumentArchive::HighestSlot ? slot : 0;
}

// A write transaction, rolled back unless committed. It takes the write
// lock as it begins (SQLite), so two writers queue there (for the busy
// timeout) instead of both reading and then finding the other in the way.
class WriteTransaction {
public:
    WriteTransaction(QSqlDatabase& db, const ArchiveDialect& dialect) : query_(db)
    {
        open_ = query_.exec(dialect.beginWrite());
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

// The migration lock of a server, held for the object's life (nothing on
// SQLite, where the write transaction holds the file).
class SchemaLock {
public:
    SchemaLock(QSqlDatabase& db, const ArchiveDialect& dialect) : query_(db), unlock_(dialect.unlockSchema())
    {
        const QString lock = dialect.lockSchema();
        taken_ = lock.isEmpty() || query_.exec(lock);
    }
    ~SchemaLock()
    {
        if (taken_ && !unlock_.isEmpty())
            query_.exec(unlock_);
    }
    bool taken() const { return taken_; }
    QSqlError error() const { return query_.lastError(); }

private:
    QSqlQuery query_;
    QString unlock_;
    bool taken_ = false;
};

QString NewerSchemaText(int version)
{
    return QStringLiteral("it was written by a newer version of the program (schema %1, this one knows %2)")
        .arg(version)
        .arg(InstrumentArchive::SchemaVersion);
}
} // namespace

QString InstrumentArchive::pathIn(const QString& recordFolder)
{
    return QDir(recordFolder).filePath(FileName);
}

InstrumentArchive::InstrumentArchive(const QString& path, SessionLog& log)
    : dialect_(SqliteDialect(path, BusyTimeoutMs)), connection_(NewConnectionName()), log_(log)
{
}

InstrumentArchive::InstrumentArchive(const ArchiveServer& server, const QString& serial, SessionLog& log)
    : dialect_(ServerDialect(server, BusyTimeoutMs)), serial_(serial), serialGiven_(true),
      connection_(NewConnectionName()), log_(log)
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

QString InstrumentArchive::where() const
{
    return dialect_->where();
}

bool InstrumentArchive::fail(const QString& what)
{
    error_ = what;
    QString who = QStringLiteral("Archive ") + where();
    if (serialGiven_ && !serial_.isEmpty())
        who += QStringLiteral(" (instrument ") + serial_ + QLatin1Char(')');
    log_.debugMessage(who + QStringLiteral(": ") + what, SessionLog::Problem);
    return false;
}

bool InstrumentArchive::failOn(const QSqlError& error, const QString& doing)
{
    sqlError_ = error;
    log_.debugMessage(QStringLiteral("Archive ") + where() + QStringLiteral(": ") + error.text(), SessionLog::Detail);
    const QString reason = dialect_->reason(error);
    return fail(doing.isEmpty() ? reason : doing + QStringLiteral(": ") + reason);
}

bool InstrumentArchive::open(Access access)
{
    QString refusal;
    if (!dialect_->open(db_, connection_, access, refusal))
        return refusal.isEmpty() ? failOn(db_.lastError()) : fail(refusal);
    if (!(access == Access::ReadOnly ? checkReadableVersion() : migrate()))
        return false;
    if (!findInstrument())
        return false;
    if (access == Access::ReadOnly && serialGiven_ && !serial_.isEmpty() && instrument_ < 0)
        return fail(QStringLiteral("there is no archive"));
    return true;
}

bool InstrumentArchive::checkReadableVersion()
{
    QSqlError error;
    const std::optional<int> version = dialect_->schemaVersion(db_, error);
    if (!version) {
        const QString interrupted = dialect_->interruptedWriter(error);
        if (interrupted.isEmpty())
            return failOn(error);
        log_.debugMessage(QStringLiteral("Archive ") + where() + QStringLiteral(": ") + error.text(), SessionLog::Detail);
        return fail(interrupted);
    }
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
    std::optional<int> version = dialect_->schemaVersion(db_, error);
    if (!version)
        return failOn(error);
    if (*version == SchemaVersion)
        return true;
    if (*version > SchemaVersion)
        return fail(NewerSchemaText(*version));
    // Read again under the lock: another program may have migrated it in
    // the meantime.
    SchemaLock lock(db_, *dialect_);
    if (!lock.taken())
        return failOn(lock.error());
    WriteTransaction transaction(db_, *dialect_);
    if (!transaction.begun())
        return failOn(transaction.error());
    version = dialect_->schemaVersion(db_, error);
    if (!version)
        return failOn(error);
    if (*version > SchemaVersion)
        return fail(NewerSchemaText(*version));
    if (*version < SchemaVersion && !createSchema(*version))
        return false;
    if (!transaction.commit())
        return failOn(transaction.error());
    return true;
}

// Within the migration's transaction: the current schema, made afresh or
// from the version the database holds.
bool InstrumentArchive::createSchema(int fromVersion)
{
    const QString doing = QStringLiteral("schema %1").arg(SchemaVersion);
    if (fromVersion != 0 && fromVersion != 1)
        return fail(QStringLiteral("it holds schema %1, which this program cannot bring up to date").arg(fromVersion));
    // A file of schema 1 belongs to the instrument of its record folder.
    const QString fileSerial = QFileInfo(QFileInfo(where()).absolutePath()).fileName();
    QSqlQuery query(db_);
    for (const QString& statement : fromVersion == 0 ? CurrentSchema(*dialect_) : FromSchemaOne(*dialect_)) {
        // Only a statement with a value is prepared: a server prepares no
        // table definitions.
        bool done = false;
        if (statement.contains(QLatin1String(":serial"))) {
            query.prepare(statement);
            query.bindValue(QStringLiteral(":serial"), fileSerial);
            done = query.exec();
        } else {
            done = query.exec(statement);
        }
        if (!done)
            return failOn(query.lastError(), doing);
    }
    query.prepare(QStringLiteral("INSERT INTO schema_migrations (version, applied_utc) VALUES (?, ?)"));
    query.addBindValue(SchemaVersion);
    query.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    if (!query.exec())
        return failOn(query.lastError(), doing);
    for (const QString& statement : dialect_->recordVersion(SchemaVersion)) {
        if (!query.exec(statement))
            return failOn(query.lastError(), doing);
    }
    return true;
}

// The instrument's row: by its serial number on a server; a file's one
// instrument (a file without one takes its folder's name when written).
bool InstrumentArchive::findInstrument()
{
    QSqlQuery query(db_);
    if (serialGiven_) {
        query.prepare(QStringLiteral("SELECT id, serial FROM instruments WHERE serial = ?"));
        query.addBindValue(serial_);
    } else {
        query.prepare(QStringLiteral("SELECT id, serial FROM instruments ORDER BY id LIMIT 1"));
    }
    if (!query.exec())
        return failOn(query.lastError());
    instrument_ = -1;
    if (query.next()) {
        instrument_ = query.value(0).toLongLong();
        serial_ = query.value(1).toString();
    } else if (!serialGiven_) {
        serial_ = QFileInfo(QFileInfo(where()).absolutePath()).fileName();
    }
    return true;
}

std::optional<QStringList> InstrumentArchive::instruments()
{
    QSqlQuery query(db_);
    QStringList serials;
    if (!query.exec(QStringLiteral("SELECT serial FROM instruments ORDER BY serial"))) {
        failOn(query.lastError());
        return std::nullopt;
    }
    while (query.next())
        serials << query.value(0).toString();
    if (query.lastError().isValid()) {
        failOn(query.lastError());
        return std::nullopt;
    }
    return serials;
}

std::optional<int> InstrumentArchive::currentGeneration()
{
    QSqlQuery query(db_);
    query.prepare(QStringLiteral("SELECT MAX(number) FROM generations WHERE instrument = ?"));
    query.addBindValue(instrument_);
    if (!query.exec() || !query.next()) {
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
    query.prepare(QStringLiteral("SELECT slot, raw_hex FROM slots WHERE instrument = ? AND generation = ? ORDER BY slot"));
    query.addBindValue(instrument_);
    query.addBindValue(generation);
    if (!query.exec()) {
        failOn(query.lastError());
        result.error = error_;
        return result;
    }
    while (query.next()) {
        const QVariant number = query.value(0);
        const qint64 slot = SlotNumber(number);
        const QString raw = query.value(1).toString();
        if (slot == 0) {
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
    query.prepare(QStringLiteral(
        "SELECT g.number, g.started_utc,"
        " (SELECT COUNT(*) FROM downloads d WHERE d.instrument = g.instrument AND d.generation = g.number),"
        " COUNT(s.slot), COALESCE(MAX(s.slot), 0), COALESCE(MIN(s.time_stamp), 0), COALESCE(MAX(s.time_stamp), 0)"
        " FROM generations g LEFT JOIN slots s ON s.instrument = g.instrument AND s.generation = g.number"
        " WHERE g.instrument = ?"
        " GROUP BY g.instrument, g.number, g.started_utc ORDER BY g.number"));
    query.addBindValue(instrument_);
    if (!query.exec()) {
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
                                 " WHERE instrument = ? AND generation = ? ORDER BY id DESC LIMIT 1"));
    query.addBindValue(instrument_);
    query.addBindValue(generation);
    if (!query.exec() || !query.next())
        return std::nullopt;
    return ArchiveFirmware{query.value(0).toString(), query.value(1).toDouble(), query.value(2).toInt(),
        query.value(3).toBool()};
}

std::optional<QList<StoredDownload>> InstrumentArchive::downloads()
{
    QList<StoredDownload> list;
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral(
        "SELECT uid, generation, downloaded_utc, kind, first_slot, last_slot, slots_used, firmware, firmware_version,"
        " program_version, mgm_factor, mgm_fixed FROM downloads WHERE instrument = ? ORDER BY id"));
    query.addBindValue(instrument_);
    if (!query.exec()) {
        failOn(query.lastError());
        return std::nullopt;
    }
    while (query.next()) {
        StoredDownload stored;
        ArchiveDownload& d = stored.download;
        d.uid = query.value(0).toString();
        stored.generation = query.value(1).toInt();
        d.whenUtc = QDateTime::fromString(query.value(2).toString(), Qt::ISODate);
        d.kind = KindOf(query.value(3).toString());
        d.firstSlot = query.value(4).toInt();
        stored.lastSlot = query.value(5).toInt();
        d.slotsUsed = query.value(6).toInt();
        d.firmware = query.value(7).toString();
        d.firmwareVersion = query.value(8).toDouble();
        d.programVersion = query.value(9).toString();
        d.mgmFactor = query.value(10).toInt();
        d.mgmFixed = query.value(11).toBool();
        list << stored;
    }
    if (query.lastError().isValid()) {
        failOn(query.lastError());
        return std::nullopt;
    }
    return list;
}

std::optional<DownloadTable> InstrumentArchive::downloadSlots(const StoredDownload& stored)
{
    const int first = stored.download.firstSlot;
    if (first < 1 || stored.lastSlot < first || stored.lastSlot > HighestSlot) {
        fail(QStringLiteral("a download names slots %1 to %2").arg(first).arg(stored.lastSlot));
        return std::nullopt;
    }
    DownloadTable table;
    table.resize(stored.lastSlot - first + 1);
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral(
        "SELECT slot, raw_hex, time_stamp, reading, reading_mgm, temperature, humidity, sample_mode, flags, scheduled"
        " FROM slots WHERE instrument = ? AND generation = ? AND slot BETWEEN ? AND ? ORDER BY slot"));
    for (const QVariant& value : {QVariant(instrument_), QVariant(stored.generation), QVariant(first), QVariant(stored.lastSlot)})
        query.addBindValue(value);
    if (!query.exec()) {
        failOn(query.lastError());
        return std::nullopt;
    }
    while (query.next()) {
        const qint64 slot = SlotNumber(query.value(0));
        const QString raw = query.value(1).toString();
        if (slot < first || slot > stored.lastSlot || !IsSlotText(raw))
            continue;   // not a slot: never copied as one
        SlotRecord& record = table[int(slot) - first + 1];
        record.RawHex = raw;
        record.TimeStamp = static_cast<int32_t>(query.value(2).toLongLong());
        record.Reading = float(query.value(3).toDouble());
        record.ReadingMGM = float(query.value(4).toDouble());
        record.Temperature = float(query.value(5).toDouble());
        record.Humidity = float(query.value(6).toDouble());
        record.SampleMode = static_cast<uint8_t>(query.value(7).toInt());
        record.Flags = static_cast<uint8_t>(query.value(8).toInt());
        record.Scheduled = query.value(9).toInt() != 0;
    }
    if (query.lastError().isValid()) {
        failOn(query.lastError());
        return std::nullopt;
    }
    return table;
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
    const std::optional<RecordedDownload> recorded = addDownload(download, table);
    return recorded ? std::optional<int>(recorded->generation) : std::nullopt;
}

std::optional<RecordedDownload> InstrumentArchive::addDownload(const ArchiveDownload& download, const DownloadTable& table)
{
    if (!db_.isOpen()) {
        fail(QStringLiteral("not open"));
        return std::nullopt;
    }
    bool busy = false;
    std::optional<RecordedDownload> written = writeDownload(download, table, busy);
    if (!written && busy) {
        // Another writer held the archive past the busy timeout: the whole
        // transaction once more, deciding the generation afresh.
        log_.debugMessage(QStringLiteral("The archive was busy: writing the download once more."), SessionLog::Info);
        written = writeDownload(download, table, busy);
    }
    return written;
}

std::optional<RecordedDownload> InstrumentArchive::writeDownload(const ArchiveDownload& download,
    const DownloadTable& table, bool& busy)
{
    auto failed = [&](const QSqlError& error) -> std::optional<RecordedDownload> {
        busy = dialect_->busy(error);
        failOn(error);
        return std::nullopt;
    };
    busy = false;
    WriteTransaction transaction(db_, *dialect_);
    if (!transaction.begun())
        return failed(transaction.error());
    // The instrument's row, locked until the transaction ends: the writers
    // of one instrument decide its generations one after the other.
    QSqlQuery query(db_);
    query.prepare(QStringLiteral("INSERT INTO instruments (serial) VALUES (?) ON CONFLICT (serial) DO NOTHING"));
    query.addBindValue(serial_);
    if (!query.exec())
        return failed(query.lastError());
    query.prepare(QStringLiteral("SELECT id FROM instruments WHERE serial = ?") + dialect_->lockRow());
    query.addBindValue(serial_);
    if (!query.exec() || !query.next())
        return failed(query.lastError());
    instrument_ = query.value(0).toLongLong();

    if (!download.uid.isEmpty()) {
        query.prepare(QStringLiteral("SELECT generation FROM downloads WHERE uid = ?"));
        query.addBindValue(download.uid);
        if (!query.exec())
            return failed(query.lastError());
        if (query.next())
            return RecordedDownload{query.value(0).toInt(), 0, true};
    }

    std::optional<int> decided = generationFor(download, table);
    if (!decided) {
        busy = dialect_->busy(sqlError_);
        return std::nullopt;
    }
    int generation = *decided;
    const QString now = download.whenUtc.toUTC().toString(Qt::ISODate);
    if (generation == 0) {
        const std::optional<int> current = currentGeneration();
        if (!current) {
            busy = dialect_->busy(sqlError_);
            return std::nullopt;
        }
        generation = *current + 1;
        query.prepare(QStringLiteral("INSERT INTO generations (instrument, number, started_utc) VALUES (?, ?, ?)"));
        query.addBindValue(instrument_);
        query.addBindValue(generation);
        query.addBindValue(now);
        if (!query.exec())
            return failed(query.lastError());
    }

    int read = 0;
    for (int i = 1; i <= table.count(); ++i)
        read += IsReadSlot(table[i]) ? 1 : 0;
    const QString uid = download.uid.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces) : download.uid;
    query.prepare(QStringLiteral(
        "INSERT INTO downloads (uid, instrument, generation, downloaded_utc, kind, first_slot, last_slot, slots_read,"
        " slots_added, slots_used, firmware, firmware_version, program_version, mgm_factor, mgm_fixed)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, 0, ?, ?, ?, ?, ?, ?) RETURNING id"));
    for (const QVariant& value : {QVariant(uid), QVariant(instrument_), QVariant(generation), QVariant(now),
             QVariant(KindText(download.kind)), QVariant(download.firstSlot),
             QVariant(download.firstSlot + table.count() - 1), QVariant(read), QVariant(download.slotsUsed),
             TextValue(download.firmware), QVariant(download.firmwareVersion), TextValue(download.programVersion),
             QVariant(download.mgmFactor), QVariant(download.mgmFixed ? 1 : 0)})
        query.addBindValue(value);
    if (!query.exec() || !query.next())
        return failed(query.lastError());
    const qint64 downloadId = query.value(0).toLongLong();
    query.finish();

    QSqlError slotError;
    const std::optional<int> added = insertSlots(download, table, generation, downloadId, slotError);
    if (!added)
        return failed(slotError);
    query.prepare(QStringLiteral("UPDATE downloads SET slots_added = ? WHERE id = ?"));
    query.addBindValue(*added);
    query.addBindValue(downloadId);
    if (!query.exec())
        return failed(query.lastError());
    if (!transaction.commit())
        return failed(transaction.error());
    log_.debugMessage(QStringLiteral("Archived %1 slots (%2 new) in memory generation %3.").arg(read).arg(*added).arg(generation),
        SessionLog::Detail);
    return RecordedDownload{generation, *added, false};
}

std::optional<int> InstrumentArchive::insertSlots(const ArchiveDownload& download, const DownloadTable& table,
    int generation, qint64 downloadId, QSqlError& error)
{
    QList<int> indexes;
    for (int i = 1; i <= table.count(); ++i) {
        if (IsReadSlot(table[i]))
            indexes << i;
    }
    // Slots the generation already holds are the same bytes: they stay.
    auto statementFor = [](qsizetype rows) {
        const QString row = QLatin1Char('(') + QStringList(SlotColumns, QStringLiteral("?")).join(QLatin1Char(',')) + QLatin1Char(')');
        return QStringLiteral("INSERT INTO slots (instrument, generation, slot, raw_hex, download, time_stamp, reading,"
                              " reading_mgm, temperature, humidity, sample_mode, flags, scheduled) VALUES ")
            + QStringList(rows, row).join(QLatin1Char(',')) + QStringLiteral(" ON CONFLICT DO NOTHING");
    };
    QSqlQuery insert(db_);
    qsizetype prepared = 0;
    int added = 0;
    for (qsizetype start = 0; start < indexes.size(); start += SlotRowsPerStatement) {
        const qsizetype rows = std::min<qsizetype>(SlotRowsPerStatement, indexes.size() - start);
        if (rows != prepared) {
            insert.prepare(statementFor(rows));
            prepared = rows;
        }
        int column = 0;
        for (qsizetype r = start; r < start + rows; ++r) {
            const int i = indexes[r];
            const SlotRecord& slot = table[i];
            for (const QVariant& value : {QVariant(instrument_), QVariant(generation), QVariant(download.firstSlot + i - 1),
                     QVariant(slot.RawHex), QVariant(downloadId), QVariant(qint64(slot.TimeStamp)),
                     QVariant(double(slot.Reading)), QVariant(double(slot.ReadingMGM)), QVariant(double(slot.Temperature)),
                     QVariant(double(slot.Humidity)), QVariant(int(slot.SampleMode)), QVariant(int(slot.Flags)),
                     QVariant(slot.Scheduled ? 1 : 0)})
                insert.bindValue(column++, value);
        }
        if (!insert.exec()) {
            error = insert.lastError();
            return std::nullopt;
        }
        added += std::max(0, insert.numRowsAffected());
    }
    return added;
}
