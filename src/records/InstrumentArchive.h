#pragma once
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
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

// The instrument's archive: every download and every slot ever downloaded,
// in one SQLite database in the record folder. Slots are grouped into
// memory generations: a generation holds what one filling of the memory
// held, and a new one starts when the memory no longer matches (after an
// erase, or when a slot read differs from the one archived under its number).
//
// Each download is written in one transaction, so a crash or a full disk
// leaves the database as it was before that download. The schema version is
// kept in the database (PRAGMA user_version) and older databases are brought
// up to date by the migrations when opened.
//
// The object owns its own database connection (named uniquely, closed and
// removed when it goes): use it on the thread that made it.
class InstrumentArchive {
public:
    static constexpr int SchemaVersion = 1;
    static inline const QString FileName = QStringLiteral("archive.sqlite");
    static QString pathIn(const QString& recordFolder);

    InstrumentArchive(const QString& path, SessionLog& log);
    ~InstrumentArchive();
    InstrumentArchive(const InstrumentArchive&) = delete;
    InstrumentArchive& operator=(const InstrumentArchive&) = delete;

    // Opens (creating when asked) and migrates the database. False with
    // error() set when it cannot be used.
    bool open(bool create = true);
    QString error() const { return error_; }

    // The newest generation, 0 when the archive holds none.
    int currentGeneration();
    // The raw slots of a generation, index = slot number (index 0 unused,
    // empty text where the generation holds no such slot).
    QStringList generationSlots(int generation);
    QList<ArchiveGeneration> generations();
    // The firmware and factor of the newest download of a generation.
    std::optional<ArchiveFirmware> generationFirmware(int generation);

    // Records a completed download: its read slots (32 hexadecimal
    // characters; slots that could not be read are left out) go to the
    // current generation when every one of them that it already holds is
    // unchanged and the memory has not shrunk below it, else to a new
    // generation. The generation written, or nullopt (error() set) when
    // nothing was written.
    std::optional<int> recordDownload(const ArchiveDownload& download, const DownloadTable& table);

private:
    bool migrate();
    bool fail(const QString& what);
    // The current generation when the download agrees with it, else 0.
    int generationFor(const ArchiveDownload& download, const DownloadTable& table);

    QString path_;
    QString connection_;
    SessionLog& log_;
    QString error_;
    QSqlDatabase db_;
};
