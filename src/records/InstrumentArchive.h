#pragma once
#include "records/ArchiveDialect.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

struct DownloadTable;
class SessionLog;

// What one completed download adds to the archive besides its slots.
struct ArchiveDownload {
    enum class Kind { All, Portion, New };
    Kind kind = Kind::All;
    QDateTime whenUtc;
    int firstSlot = 1;               // the slot number at table index 1
    int slotsUsed = 0;               // the instrument's used slots at the time
    QString firmware;                // firmware string
    double firmwareVersion = 0;
    QString programVersion;
    int mgmFactor = 0;               // fixed factor step, -1 dynamic
    bool mgmFixed = false;
    // The memory is known not to match the current generation (a failed
    // check of "Download New Data"): start a new one whatever the slots say.
    bool newGeneration = false;
    // Names the download wherever it is copied (a push adds it once); a new
    // one is made when empty.
    QString uid;
};

// A download as the archive holds it, for copying it elsewhere.
struct StoredDownload {
    int generation = 0;
    int lastSlot = 0;
    ArchiveDownload download;
};

// What recording a download did.
struct RecordedDownload {
    int generation = 0;
    int slotsAdded = 0;
    bool alreadyArchived = false;   // a download of that uid was there: nothing written
};

// A row of the archive that cannot stand for a reading: its slot number is
// outside 1..65535 or its text is not 32 hexadecimal characters. It is left
// out of every reading, and its generation is never extended by "Download
// New Data".
struct BadArchiveRow {
    int generation = 0;
    QString slot;                    // the slot number as stored
    QString why;
    bool operator==(const BadArchiveRow&) const = default;
};

// The slots of one generation as read from the archive.
struct GenerationSlots {
    QStringList raw;                 // index = slot number (0 unused), empty text where none
    QList<BadArchiveRow> bad;        // rows left out of raw
    QString error;                   // the rows could not be read: raw is not the generation
    // The generation stands for a run of the memory: every row read and good.
    bool sound() const { return error.isEmpty() && bad.isEmpty(); }
};

// One memory generation as `archive list` shows it.
struct ArchiveGeneration {
    int number = 0;
    QDateTime startedUtc;
    int downloads = 0;
    int slots = 0;
    int lastSlot = 0;
    qint64 firstReading = 0;         // slot time stamps, seconds since 1970 UTC
    qint64 lastReading = 0;
};

// The download that last wrote to a generation, for decoding its slots.
struct ArchiveFirmware {
    QString firmware;
    double firmwareVersion = 0;
    int mgmFactor = 0;
    bool mgmFixed = false;
};

// The instrument's archive: every download and every slot ever downloaded.
// It lives in one SQLite database in the record folder (the default), or in
// a PostgreSQL database that holds the archives of many instruments and is
// shared by several PCs; the schema (instruments, generations, downloads,
// slots) and everything said here are the same for both, and an
// `ArchiveDialect` holds the little that differs. Slots are grouped into
// memory generations: a generation holds what one filling of the memory
// held, and a new one starts when the memory no longer matches (after an
// erase, or when a slot read differs from the one archived under its number).
//
// Each download is written in one transaction, so a crash, a full disk or a
// server that goes away leaves the database as it was before that download.
// The schema version is kept in the table schema_migrations (and, for
// SQLite, in PRAGMA user_version, which programs from before that table
// read); older databases are brought up to date when opened for writing, and
// a database from a newer program is refused.
//
// Writers of one instrument take turns: a download's transaction first takes
// the lock on the instrument (SQLite: the file's write lock as it begins;
// PostgreSQL: the instrument's row, SELECT ... FOR UPDATE), waiting for
// another writer for a bounded time, and is run once more from the start
// when the archive was still busy. A slot is kept once per instrument,
// generation and slot number (the table's key). Readers open it read-only
// and never create or change anything.
//
// Every row read back is checked (slot number, 32 hexadecimal characters),
// as the database may have been changed by anyone. Errors are worded for a
// person ("the file is damaged", "the archive server cannot be reached").
//
// The object owns its own database connection (named uniquely, closed and
// removed when it goes): use it on the thread that made it.
class InstrumentArchive {
public:
    static constexpr int SchemaVersion = 2;
    static constexpr int HighestSlot = 65535;
    // How long a writer waits for another one before giving up, in ms.
    static constexpr int BusyTimeoutMs = 5000;
    using Access = ArchiveAccess;
    static inline const QString FileName = QStringLiteral("archive.sqlite");
    static QString pathIn(const QString& recordFolder);

    // The SQLite archive at path: the instrument its file holds (a new file
    // takes the name of its folder, the record folder's serial number).
    InstrumentArchive(const QString& path, SessionLog& log);
    // The instrument's archive in a PostgreSQL database; with an empty
    // serial only instruments() may be asked.
    InstrumentArchive(const ArchiveServer& server, const QString& serial, SessionLog& log);
    ~InstrumentArchive();
    InstrumentArchive(const InstrumentArchive&) = delete;
    InstrumentArchive& operator=(const InstrumentArchive&) = delete;

    // Opens the database; for writing it is created when missing and
    // migrated. False with error() set when it cannot be used; a file that
    // is not a regular one (a folder, a device, a pipe, a link to one) is
    // never opened. Read-only, an instrument the server does not know has
    // "no archive".
    bool open(Access access = Access::Write);
    QString error() const { return error_; }
    // The file or the database address.
    QString where() const;
    // The serial numbers of the instruments the database holds (a file
    // holds one); nullopt (error() set) when they could not be read.
    std::optional<QStringList> instruments();

    // The newest generation, 0 when the archive holds none; nullopt (error()
    // set) when it could not be read.
    std::optional<int> currentGeneration();
    // The slots of a generation, each row checked.
    GenerationSlots generationSlots(int generation);
    // nullopt (error() set) when they could not be read.
    std::optional<QList<ArchiveGeneration>> generations();
    // The firmware and factor of the newest download of a generation.
    std::optional<ArchiveFirmware> generationFirmware(int generation);

    // Records a completed download: its read slots (32 hexadecimal
    // characters; slots that could not be read are left out) go to the
    // current generation when every one of them that it already holds is
    // unchanged and the memory has not shrunk below it, else to a new
    // generation. The generation written, or nullopt (error() set) when
    // nothing was written.
    std::optional<int> recordDownload(const ArchiveDownload& download, const DownloadTable& table);
    // The same, saying what it did: a download whose uid the archive holds
    // is not written again.
    std::optional<RecordedDownload> addDownload(const ArchiveDownload& download, const DownloadTable& table);

    // Every download, oldest first; nullopt (error() set) when they could
    // not be read.
    std::optional<QList<StoredDownload>> downloads();
    // The slots a download covered as the archive holds them (index 1 is its
    // first slot; a slot not held stays empty); rows that are not slots are
    // left out. nullopt (error() set) when they could not be read.
    std::optional<DownloadTable> downloadSlots(const StoredDownload& stored);

private:
    bool migrate();
    bool createSchema(int fromVersion);
    bool findInstrument();
    bool checkReadableVersion();
    bool fail(const QString& what);
    bool failOn(const QSqlError& error, const QString& doing = QString());
    // One attempt at writing the download in one transaction; busy is set
    // when it failed because another writer held the archive.
    std::optional<RecordedDownload> writeDownload(const ArchiveDownload& download, const DownloadTable& table, bool& busy);
    // Writes the read slots of the table, a statement per block of rows; the
    // number of slots added, nullopt when a statement failed.
    std::optional<int> insertSlots(const ArchiveDownload& download, const DownloadTable& table, int generation,
        qint64 downloadId, QSqlError& error);
    // The current generation when the download agrees with it, 0 when a
    // new one is needed; nullopt when the archive could not be read.
    std::optional<int> generationFor(const ArchiveDownload& download, const DownloadTable& table);

    std::unique_ptr<ArchiveDialect> dialect_;
    QString serial_;                 // the instrument's; for a file, as it holds it
    bool serialGiven_ = false;       // named by the caller, not taken from the file
    qint64 instrument_ = -1;         // its row, -1 while it has none
    QString connection_;
    SessionLog& log_;
    QString error_;
    QSqlError sqlError_;             // the database's own error behind error_
    QSqlDatabase db_;
};
