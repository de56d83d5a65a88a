#include "ArchiveFolder.h"
#include "QtPrinters.h"
#include "data/DataFileSettings.h"
#include "data/DownloadFilter.h"
#include "data/SaveData.h"
#include "records/ArchivedDownload.h"
#include "records/InstrumentArchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {
// "Download New Data" after a first download of Archived slots (none in the
// first case), against what the instrument holds at the second.
struct NewDataCase {
    const char* name;
    bool archivedBefore;
    SimScenario memory;
    QStringList slotRequests;               // the J01 requests of the second download
    QList<GenerationFigures> generations;   // the archive afterwards
    bool scheduleRunning = false;
};

class DownloadNewData_ : public ::testing::TestWithParam<NewDataCase> {};

TEST_P(DownloadNewData_, ReadsOnlyWhatTheArchiveLacksAndHoldsTheWholeMemory)
{
    const NewDataCase& c = GetParam();
    ArchiveFolder folder;
    if (c.archivedBefore) {
        auto first = folder.connect(MemoryOf(Archived));
        DownloadContext context = first->download();
        ASSERT_EQ(DownloadAllAndArchive(context), DownloadOutcome::Completed);
    }
    auto rig = folder.connect(c.memory);
    rig->info.ScheduleEnabled = rig->info.ScheduleRunning = c.scheduleRunning;
    DownloadContext context = rig->download();
    ASSERT_EQ(DownloadNewData(context), DownloadOutcome::Completed);

    EXPECT_EQ(SlotRequests(*rig), c.slotRequests);
    // Read once: a second read would take the chip errors the first cleared for none.
    EXPECT_EQ(rig->payloads().count(QStringLiteral("J00")), 1);
    EXPECT_EQ(RawOf(rig->table), MemoryRaw(*rig)) << "the table holds the whole memory";
    EXPECT_EQ(FiguresOf(folder.generations()), c.generations);
}

SimScenario Overwritten()
{
    // Memory full in overwrite mode: the oldest slot gave way to a new one.
    SimScenario s = MemoryOf(Archived + 1);
    s.slots.removeFirst();
    return s;
}

INSTANTIATE_TEST_SUITE_P(Archive, DownloadNewData_,
    ::testing::Values(
        NewDataCase{"FirstDownloadArchivesEverything", false, MemoryOf(Archived), {"J0100010014"}, {{20, 1}}},
        NewDataCase{"FiveNewSlotsAreTheOnlyOnesRead", true, MemoryOf(Archived + 5),
            {"J0100010001", "J0100140001", "J0100150004", "J0100190001"}, {{25, 2}}},
        NewDataCase{"RunningScheduleReadsTheMemoryDetailsOnce", true, MemoryOf(Archived + 5),
            {"J0100010001", "J0100140001", "J0100150004", "J0100190001"}, {{25, 2}}, true},
        NewDataCase{"NothingNewReadsTwoSlots", true, MemoryOf(Archived), {"J0100010001", "J0100140001"}, {{20, 1}}},
        NewDataCase{"ErasedAndRefilledStartsANewGenerationAndKeepsTheOld", true,
            MemoryOf(8, SimRig::FirstSampleTime + 86400), {"J0100010008"}, {{20, 1}, {8, 1}}},
        NewDataCase{"ChangedFirstSlotFallsBackToAFullDownload", true, Overwritten(),
            {"J0100010001", "J0100010014"}, {{20, 1}, {20, 1}}}),
    [](const auto& info) { return std::string(info.param.name); });

// A later full or portion download goes to the generation its slots agree with.
TEST(Archive, DownloadsOfTheSameMemoryShareAGeneration)
{
    ArchiveFolder folder;
    {
        auto rig = folder.connect(MemoryOf(30));
        DownloadContext context = rig->download();
        ASSERT_EQ(DownloadPortionAndArchive(context, 5, 4), DownloadOutcome::Completed);
        ASSERT_EQ(DownloadAllAndArchive(context), DownloadOutcome::Completed);
    }
    EXPECT_EQ(FiguresOf(folder.generations()), (QList<GenerationFigures>{{30, 2}}));
    auto rig = folder.connect(MemoryOf(12, SimRig::FirstSampleTime + 86400));
    DownloadContext context = rig->download();
    ASSERT_EQ(DownloadAllAndArchive(context), DownloadOutcome::Completed);
    EXPECT_EQ(FiguresOf(folder.generations()), (QList<GenerationFigures>{{30, 2}, {12, 1}}));
}

TEST(Archive, SavedFileAfterNewDataIsTheFileOfAFullDownload)
{
    ArchiveFolder folder;
    {
        auto first = folder.connect(MemoryOf(Archived));
        DownloadContext context = first->download();
        ASSERT_EQ(DownloadAllAndArchive(context), DownloadOutcome::Completed);
    }
    auto saveAfter = [&](bool onlyNew) {
        auto rig = folder.connect(MemoryOf(Archived + 5));
        rig->info.MGMFixed = true;
        rig->info.MGMFactor = 700;
        DownloadContext context = rig->download();
        EXPECT_EQ(onlyNew ? DownloadNewData(context) : DownloadAllMemory(context), DownloadOutcome::Completed);
        const QString path = folder.records.file(onlyNew ? QStringLiteral("new.csv") : QStringLiteral("full.csv"));
        rig->prompts.files.push_back(Prompts::FileChosen{path, 0});
        DataFileSettings settings(rig->tmp.file(QStringLiteral("user.txt")));
        DownloadFilter filter;
        SaveDataContext save{rig->services, settings, rig->table, rig->info, rig->link.firmwareFlags(), rig->observer,
            ProgramIdentity{}, QLocale(QLocale::English, QLocale::UnitedKingdom)};
        EXPECT_TRUE(SaveData(save, filter, true).saved);
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray afterNew = saveAfter(true);
    const QByteArray afterFull = saveAfter(false);
    EXPECT_FALSE(afterNew.isEmpty());
    EXPECT_EQ(afterNew, afterFull);
}

TEST(Archive, CancelledDownloadArchivesNothing)
{
    struct Case { const char* name; bool archivedBefore; QList<GenerationFigures> after; };
    for (const Case& c : {Case{"first download", false, {}}, Case{"new slots", true, {{20, 1}}}}) {
        SCOPED_TRACE(c.name);
        ArchiveFolder folder;
        if (c.archivedBefore) {
            auto first = folder.connect(MemoryOf(Archived));
            DownloadContext context = first->download();
            ASSERT_EQ(DownloadAllAndArchive(context), DownloadOutcome::Completed);
        }
        auto rig = folder.connect(MemoryOf(Archived + 200));
        rig->observer.onText = [&](const QString& text) {
            if (text.startsWith(QLatin1String("Downloading")))
                rig->cancel.request();
        };
        DownloadContext context = rig->download();
        EXPECT_EQ(DownloadNewData(context), DownloadOutcome::Cancelled);
        EXPECT_EQ(rig->table.count(), 0);
        EXPECT_EQ(FiguresOf(folder.generations()), c.after);
    }
}

// What the sqlite3 tool reads: the schema version and the slots as written.
TEST(Archive, TheSqliteToolReadsTheArchive)
{
    ArchiveFolder folder;
    auto rig = folder.connect(MemoryOf(Archived));
    DownloadContext context = rig->download();
    ASSERT_EQ(DownloadAllAndArchive(context), DownloadOutcome::Completed);
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"),
        {InstrumentArchive::pathIn(folder.records.path()),
            QStringLiteral("PRAGMA user_version; PRAGMA integrity_check;"
                           " SELECT COUNT(*), MIN(slot), MAX(slot) FROM slots;"
                           " SELECT raw_hex FROM slots WHERE slot = 20;"
                           " SELECT kind, first_slot, last_slot, slots_read, firmware FROM downloads;")});
    ASSERT_TRUE(sqlite.waitForFinished(30000));
    ASSERT_EQ(sqlite.exitCode(), 0) << sqlite.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(sqlite.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines, (QStringList{"2", "ok", "20|1|20", MemoryRaw(*rig).at(19), "all|1|20|20|V2.31"}));
}

// An archive written by a newer program is refused, not changed; an archive
// at an older schema version is brought up to date.
TEST(Archive, SchemaVersionIsCheckedAndMigrated)
{
    TempFolder tmp;
    SessionLog log;
    const QString path = tmp.file(QStringLiteral("archive.sqlite"));
    {
        InstrumentArchive archive(path, log);
        ASSERT_TRUE(archive.open());
    }
    auto setVersion = [&](int version) {
        const QString name = QStringLiteral("schema-test");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(path);
            ASSERT_TRUE(db.open());
            QSqlQuery(db).exec(QStringLiteral("PRAGMA user_version = %1").arg(version));
        }
        QSqlDatabase::removeDatabase(name);
    };
    setVersion(InstrumentArchive::SchemaVersion + 1);
    InstrumentArchive newer(path, log);
    EXPECT_FALSE(newer.open());
    EXPECT_TRUE(newer.error().contains(QStringLiteral("newer version"))) << newer.error().toStdString();

    QFile::remove(path);
    setVersion(0); // an empty database at version 0
    InstrumentArchive older(path, log);
    EXPECT_TRUE(older.open()) << older.error().toStdString();
    EXPECT_EQ(older.currentGeneration(), std::optional<int>(0));
}

// --- A writer that dies or runs out of room in the middle of a download ---

const char* const ChildPathVariable = "TOLVI_ARCHIVE_CHILD_PATH";
const char* const ChildModeVariable = "TOLVI_ARCHIVE_CHILD_MODE";
constexpr int FirstDownloadSlots = 100;
constexpr int SecondDownloadSlots = 16384;

extern "C" void KillOnFileTooLarge(int) { kill(getpid(), SIGKILL); }

// Run by the test below in a child process: archives one download, limits
// the file size just above the database, and archives a large second one.
// "kill": the write past the limit kills the process (SIGKILL) mid-transaction;
// "refuse": the write fails as on a full disk and the child exits 0 when the
// archive reported the failure.
TEST(ArchiveChild, DISABLED_WritesTwoDownloadsTheSecondPastAFileLimit)
{
    const QString path = qEnvironmentVariable(ChildPathVariable);
    const bool kill = qEnvironmentVariable(ChildModeVariable) == QLatin1String("kill");
    ASSERT_FALSE(path.isEmpty());
    SessionLog log;
    InstrumentArchive archive(path, log);
    ASSERT_TRUE(archive.open());
    ASSERT_TRUE(archive.recordDownload(SyntheticDescription(FirstDownloadSlots, false), SyntheticDownload(FirstDownloadSlots, 1)))
        << archive.error().toStdString();
    std::signal(SIGXFSZ, kill ? KillOnFileTooLarge : SIG_IGN);
    const rlimit limit{static_cast<rlim_t>(QFileInfo(path).size() + 32768), RLIM_INFINITY};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const auto written = archive.recordDownload(SyntheticDescription(SecondDownloadSlots, true),
        SyntheticDownload(SecondDownloadSlots, 2));
    EXPECT_FALSE(written.has_value());
    EXPECT_FALSE(archive.error().isEmpty());
}

TEST(Archive, DatabaseLeftByAFailedWriterHoldsTheLastCompleteDownload)
{
    struct Case { const char* mode; bool killed; };
    for (const Case& c : {Case{"kill", true}, Case{"refuse", false}}) {
        SCOPED_TRACE(c.mode);
        TempFolder tmp;
        const QString path = tmp.file(QStringLiteral("archive.sqlite"));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(ChildPathVariable), path);
        env.insert(QString::fromLatin1(ChildModeVariable), QString::fromLatin1(c.mode));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
            {QStringLiteral("--gtest_also_run_disabled_tests"),
                QStringLiteral("--gtest_filter=ArchiveChild.DISABLED_WritesTwoDownloadsTheSecondPastAFileLimit")});
        ASSERT_TRUE(child.waitForFinished(120000));
        if (c.killed) {
            ASSERT_EQ(child.exitStatus(), QProcess::CrashExit) << child.readAllStandardOutput().toStdString();
            // Killed inside the transaction: the rollback journal is still there,
            // and a reader, which may not roll it back, says so and leaves it.
            EXPECT_TRUE(QFileInfo::exists(path + QStringLiteral("-journal")));
            SessionLog log;
            InstrumentArchive reader(path, log);
            EXPECT_FALSE(reader.open(InstrumentArchive::Access::ReadOnly));
            EXPECT_EQ(reader.error(), QStringLiteral("a download was interrupted while writing to it; the next"
                                                     " download of this instrument puts it right"));
            EXPECT_TRUE(QFileInfo::exists(path + QStringLiteral("-journal")));
        } else {
            ASSERT_EQ(child.exitStatus(), QProcess::NormalExit);
            ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
        }

        SessionLog log;
        InstrumentArchive archive(path, log);
        ASSERT_TRUE(archive.open()) << archive.error().toStdString();
        const QList<ArchiveGeneration> generations = archive.generations().value_or(QList<ArchiveGeneration>{});
        ASSERT_EQ(generations.size(), 1);
        EXPECT_EQ(generations[0].slots, FirstDownloadSlots);
        EXPECT_EQ(generations[0].downloads, 1);
        const QStringList slots = archive.generationSlots(1).raw;
        EXPECT_EQ(slots.mid(1), RawOf(SyntheticDownload(FirstDownloadSlots, 1)));
        // And it takes the next download.
        EXPECT_EQ(archive.recordDownload(SyntheticDescription(SecondDownloadSlots, true),
                      SyntheticDownload(SecondDownloadSlots, 2)),
            std::optional<int>(2));
    }
}
} // namespace

namespace {
// An archive as the program wrote it before the instruments table: schema 1,
// one generation of three slots from one download.
const QStringList SchemaOneArchive{
    "CREATE TABLE generations (number INTEGER PRIMARY KEY, started_utc TEXT NOT NULL)",
    "CREATE TABLE downloads (id INTEGER PRIMARY KEY, generation INTEGER NOT NULL REFERENCES generations(number),"
    " downloaded_utc TEXT NOT NULL, kind TEXT NOT NULL, first_slot INTEGER NOT NULL, last_slot INTEGER NOT NULL,"
    " slots_read INTEGER NOT NULL, slots_added INTEGER NOT NULL, slots_used INTEGER NOT NULL, firmware TEXT NOT NULL,"
    " firmware_version REAL NOT NULL, program_version TEXT NOT NULL, mgm_factor INTEGER NOT NULL,"
    " mgm_fixed INTEGER NOT NULL)",
    "CREATE TABLE slots (generation INTEGER NOT NULL REFERENCES generations(number), slot INTEGER NOT NULL,"
    " raw_hex TEXT NOT NULL CHECK (length(raw_hex) = 32), download INTEGER NOT NULL REFERENCES downloads(id),"
    " time_stamp INTEGER NOT NULL, reading REAL NOT NULL, reading_mgm REAL NOT NULL, temperature REAL NOT NULL,"
    " humidity REAL NOT NULL, sample_mode INTEGER NOT NULL, flags INTEGER NOT NULL, scheduled INTEGER NOT NULL,"
    " PRIMARY KEY (generation, slot)) WITHOUT ROWID",
    "INSERT INTO generations VALUES (1, '2026-12-01T10:00:00Z')",
    "INSERT INTO downloads VALUES (1, 1, '2026-12-01T10:00:00Z', 'all', 1, 3, 3, 3, 3, 'V2.31', 2.31, '1.0.0', 0, 0)",
    "INSERT INTO slots VALUES (1, 1, '0000000000000000000000000000000A', 1, 1796390100, 0.5, 0.6, 20.5, 40, 0, 0, 1)",
    "INSERT INTO slots VALUES (1, 2, '0000000000000000000000000000000B', 1, 1796390700, 0.7, 0.8, 20.5, 40, 0, 0, 1)",
    "INSERT INTO slots VALUES (1, 3, '0000000000000000000000000000000C', 1, 1796391300, 0.9, 1.0, 20.5, 40, 0, 0, 1)",
    "PRAGMA user_version = 1",
};
} // namespace

// An archive of schema 1 is read by no reader until a writer brings it up to
// date; then its rows are the rows of its folder's instrument, and a new
// download of the same memory joins its generation.
TEST(Archive, ArchiveOfSchemaOneIsBroughtUpToDateByAWriter)
{
    TempFolder tmp;
    ASSERT_TRUE(QDir(tmp.path()).mkdir(QStringLiteral("10234F")));
    const QString path = tmp.file(QStringLiteral("10234F/archive.sqlite"));
    {
        const QString name = QStringLiteral("schema-one");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(path);
            ASSERT_TRUE(db.open());
            for (const QString& statement : SchemaOneArchive) {
                QSqlQuery query(db);
                ASSERT_TRUE(query.exec(statement)) << statement.toStdString();
            }
        }
        QSqlDatabase::removeDatabase(name);
    }
    SessionLog log;
    {
        InstrumentArchive reader(path, log);
        EXPECT_FALSE(reader.open(InstrumentArchive::Access::ReadOnly));
        EXPECT_EQ(reader.error(), QStringLiteral("it was written by an older version of the program; a download brings it up to date"));
    }
    InstrumentArchive archive(path, log);
    ASSERT_TRUE(archive.open()) << archive.error().toStdString();
    EXPECT_EQ(archive.instruments(), std::optional<QStringList>(QStringList{"10234F"}));
    EXPECT_EQ(archive.generationSlots(1).raw, (QStringList{QString(), "0000000000000000000000000000000A",
                                                  "0000000000000000000000000000000B", "0000000000000000000000000000000C"}));
    DownloadTable again;
    again.resize(4);
    for (int i = 1; i <= 4; ++i)
        again[i].RawHex = QStringLiteral("0000000000000000000000000000000%1").arg(QChar(u'A' + (i - 1)));
    ArchiveDownload download;
    download.whenUtc = QDateTime::currentDateTimeUtc();
    download.slotsUsed = 4;
    EXPECT_EQ(archive.recordDownload(download, again), std::optional<int>(1));
    const auto generations = archive.generations();
    ASSERT_TRUE(generations.has_value());
    EXPECT_EQ(FiguresOf(*generations), (QList<GenerationFigures>{{4, 2}}));
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"), {path, QStringLiteral("PRAGMA user_version; SELECT version FROM schema_migrations;"
                                                                  " SELECT COUNT(DISTINCT uid) FROM downloads;")});
    ASSERT_TRUE(sqlite.waitForFinished(30000));
    EXPECT_EQ(QString::fromUtf8(sqlite.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
        (QStringList{"2", "2", "2"}));
}
