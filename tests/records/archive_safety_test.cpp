// The archive as a hostile file system, a hostile database and a second
// writer leave it: the download still completes and is saved, the archive is
// left as it was, and the reason is worded for the user.
#include "ArchiveFolder.h"
#include "QtPrinters.h"
#include "records/ArchiveExport.h"
#include "records/ArchivedDownload.h"
#include "records/InstrumentArchive.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <functional>
#include <gtest/gtest.h>
#include <latch>
#include <sys/stat.h>
#include <thread>

namespace {
QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Bytes no database starts with, the same every run.
QByteArray Garbage(int size, quint32 seed)
{
    QByteArray bytes(size, '\0');
    for (char& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<char>(seed >> 24);
    }
    return bytes;
}

// What the archive's path is: its kind, a link's target, a file's bytes.
QString Snapshot(const QString& path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return QStringLiteral("link to ") + info.symLinkTarget();
    if (info.isDir())
        return QStringLiteral("folder");
    if (info.isFile())
        return QStringLiteral("file ") + QString::fromLatin1(QCryptographicHash::hash(Bytes(path), QCryptographicHash::Sha256).toHex());
    return info.exists() ? QStringLiteral("other") : QStringLiteral("missing");
}

// A connection of the test's own to the archive, for what no program of
// ours would write. Closed and removed with the object.
class OwnConnection {
public:
    explicit OwnConnection(const QString& path) : name_(QUuid::createUuid().toString())
    {
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db_.setDatabaseName(path);
        EXPECT_TRUE(db_.open()) << db_.lastError().text().toStdString();
    }
    ~OwnConnection()
    {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }
    void exec(const QString& statement)
    {
        QSqlQuery query(db_);
        EXPECT_TRUE(query.exec(statement)) << statement.toStdString() << ": " << query.lastError().text().toStdString();
    }

private:
    QString name_;
    QSqlDatabase db_;
};

// A valid archive of one synthetic download of count slots.
void WriteArchive(const QString& path, int count)
{
    SessionLog log;
    InstrumentArchive archive(path, log);
    ASSERT_TRUE(archive.open()) << archive.error().toStdString();
    ASSERT_TRUE(archive.recordDownload(SyntheticDescription(count, false), SyntheticDownload(count, 1)));
}

// --- An archive that cannot be opened or read ---

struct UnreadableCase {
    const char* name;
    std::function<void(const QString& path)> make;   // turns the archive's path into this
    QString reason;                                  // what the user is told
};

class UnreadableArchive : public ::testing::TestWithParam<UnreadableCase> {};

// "Download New Data" reads all of the memory, leaves the archive as it
// found it and says why the readings are not in it.
TEST_P(UnreadableArchive, NewDataDownloadsAllOfTheMemoryAndLeavesTheArchiveAlone)
{
    const UnreadableCase& c = GetParam();
    ArchiveFolder folder;
    const QString path = InstrumentArchive::pathIn(folder.records.path());
    c.make(path);
    const QString before = Snapshot(path);
    {
        // Held for the whole download when the case holds the write lock.
        auto rig = folder.connect(MemoryOf(Archived));
        DownloadContext context = rig->download();
        ASSERT_EQ(DownloadNewData(context), DownloadOutcome::Completed);
        EXPECT_EQ(RawOf(rig->table), MemoryRaw(*rig)) << "the table holds the whole memory";
        EXPECT_EQ(SlotRequests(*rig), QStringList{"J0100010014"});
        EXPECT_EQ(context.notArchived, c.reason);
    }
    EXPECT_EQ(Snapshot(path), before);
}

void MakeFifo(const QString& path) { ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0); }

// An archive whose header is sound and whose other pages are not.
void DamagePagesAfterTheFirst(const QString& path)
{
    WriteArchive(path, 2000);
    QByteArray bytes = Bytes(path);
    ASSERT_GT(bytes.size(), 3 * 4096);
    bytes.replace(4096, bytes.size() - 4096, Garbage(int(bytes.size()) - 4096, 7));
    ASSERT_TRUE(WriteBytes(path, bytes));
}

const QString NotRegular = QStringLiteral("it is not a regular file");
const QString Damaged = QStringLiteral("the file is damaged");

INSTANTIATE_TEST_SUITE_P(Archive, UnreadableArchive,
    ::testing::Values(
        UnreadableCase{"RandomBytes", [](const QString& p) { ASSERT_TRUE(WriteBytes(p, Garbage(5000, 1))); },
            QStringLiteral("the file is damaged or is not an archive")},
        UnreadableCase{"Truncated",
            [](const QString& p) {
                WriteArchive(p, 2000);
                ASSERT_TRUE(QFile::resize(p, 2 * 4096 + 100));
            },
            Damaged},
        UnreadableCase{"GarbagePagesBehindAValidHeader", DamagePagesAfterTheFirst, Damaged},
        UnreadableCase{"LinkToDevZero", [](const QString& p) { ASSERT_TRUE(QFile::link("/dev/zero", p)); }, NotRegular},
        UnreadableCase{"Fifo", MakeFifo, NotRegular},
        UnreadableCase{"Folder", [](const QString& p) { ASSERT_TRUE(QDir().mkdir(p)); }, NotRegular},
        UnreadableCase{"NewerSchema",
            [](const QString& p) { OwnConnection(p).exec(QStringLiteral("PRAGMA user_version = 99")); },
            QStringLiteral("it was written by a newer version of the program (schema 99, this one knows 2)")}),
    [](const auto& info) { return std::string(info.param.name); });

// Another program holding the write lock for longer than a writer waits.
TEST(Archive, ArchiveHeldByAnotherProgramIsLeftAloneAndNamedAsBusy)
{
    ArchiveFolder folder;
    const QString path = InstrumentArchive::pathIn(folder.records.path());
    WriteArchive(path, Archived);
    OwnConnection holder(path);
    holder.exec(QStringLiteral("BEGIN EXCLUSIVE"));
    const QString before = Snapshot(path);
    auto rig = folder.connect(MemoryOf(Archived + 5));
    DownloadContext context = rig->download();
    ASSERT_EQ(DownloadNewData(context), DownloadOutcome::Completed);
    EXPECT_EQ(RawOf(rig->table), MemoryRaw(*rig));
    EXPECT_EQ(context.notArchived, QStringLiteral("another program is using it; try again when it has finished"));
    holder.exec(QStringLiteral("ROLLBACK"));
    EXPECT_EQ(Snapshot(path), before);
    EXPECT_EQ(FiguresOf(folder.generations()), (QList<GenerationFigures>{{Archived, 1}}));
}

// A full download into an archive that cannot take it: completed, not
// archived, the reason given, the file as it was.
TEST(Archive, FullDownloadIntoADamagedArchiveIsCompletedButNotArchived)
{
    ArchiveFolder folder;
    const QString path = InstrumentArchive::pathIn(folder.records.path());
    DamagePagesAfterTheFirst(path);
    const QString before = Snapshot(path);
    auto rig = folder.connect(MemoryOf(Archived));
    DownloadContext context = rig->download();
    ASSERT_EQ(DownloadAllAndArchive(context), DownloadOutcome::Completed);
    EXPECT_EQ(context.notArchived, Damaged);
    EXPECT_EQ(Snapshot(path), before);
}

// --- Rows no download writes ---

struct HostileRowCase {
    const char* name;
    QString statement;        // run on an archive of the first download
    BadArchiveRow bad;        // what the export names
    int lostSlot;             // the first download's slot it spoilt, 0 for none
};

class HostileRow : public ::testing::TestWithParam<HostileRowCase> {};

// The row is never a reading: "Download New Data" reads all of the memory
// into a new generation, the export leaves it out and names it.
TEST_P(HostileRow, MakesItsGenerationUnusableAndIsNeverExported)
{
    const HostileRowCase& c = GetParam();
    ArchiveFolder folder;
    const QString path = InstrumentArchive::pathIn(folder.records.path());
    QStringList firstRaw;
    {
        auto first = folder.connect(MemoryOf(Archived));
        DownloadContext context = first->download();
        ASSERT_EQ(DownloadAllAndArchive(context), DownloadOutcome::Completed);
        firstRaw = RawOf(first->table);
    }
    OwnConnection(path).exec(c.statement);

    SessionLog log;
    {
        InstrumentArchive archive(path, log);
        ASSERT_TRUE(archive.open(InstrumentArchive::Access::ReadOnly)) << archive.error().toStdString();
        const ArchiveExport exported = ExportArchive(archive, QStringLiteral("10234F"), folder.records.path(), {1}, log);
        EXPECT_EQ(exported.bad, QList<BadArchiveRow>{c.bad});
        EXPECT_TRUE(exported.error.isEmpty());
        QStringList expected = firstRaw;
        expected.removeAll(QString()); // none: every slot was read
        if (c.lostSlot > 0)
            expected.removeAt(c.lostSlot - 1);
        EXPECT_EQ(RawOf(exported.table), expected);
    }

    auto rig = folder.connect(MemoryOf(Archived + 5));
    DownloadContext context = rig->download();
    ASSERT_EQ(DownloadNewData(context), DownloadOutcome::Completed);
    EXPECT_EQ(SlotRequests(*rig), QStringList{"J0100010019"});
    EXPECT_EQ(RawOf(rig->table), MemoryRaw(*rig));
    EXPECT_TRUE(context.notArchived.isEmpty()) << context.notArchived.toStdString();
    const QList<ArchiveGeneration> generations = folder.generations();
    ASSERT_EQ(generations.size(), 2);
    EXPECT_EQ(FiguresOf({generations[1]}), (QList<GenerationFigures>{{Archived + 5, 1}}));
}

const QString CopyOfSlotOne = QStringLiteral(
    "INSERT INTO slots SELECT instrument, generation, %1, raw_hex, download, time_stamp, reading, reading_mgm, temperature,"
    " humidity, sample_mode, flags, scheduled FROM slots WHERE slot = 1");

INSTANTIATE_TEST_SUITE_P(Archive, HostileRow,
    ::testing::Values(
        HostileRowCase{"NegativeSlot", CopyOfSlotOne.arg(-5), {1, "-5", "slot number out of range"}, 0},
        HostileRowCase{"SlotBeyondAnyMemory", CopyOfSlotOne.arg(100000000), {1, "100000000", "slot number out of range"}, 0},
        HostileRowCase{"SlotZero", CopyOfSlotOne.arg(0), {1, "0", "slot number out of range"}, 0},
        HostileRowCase{"SlotNumberAsText", QStringLiteral("UPDATE slots SET slot = 'seven' WHERE slot = 7"),
            {1, "seven", "slot number out of range"}, 7},
        HostileRowCase{"NotHexadecimal",
            QStringLiteral("UPDATE slots SET raw_hex = '%1' WHERE slot = 5").arg(QString(32, QLatin1Char('Z'))),
            {1, "5", "not 32 hexadecimal characters"}, 5},
        HostileRowCase{"SlotAsBlob", QStringLiteral("UPDATE slots SET raw_hex = randomblob(32) WHERE slot = 3"),
            {1, "3", "not 32 hexadecimal characters"}, 3}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Two writers at once ---

// Two downloads of the same memory archived at the same moment into a fresh
// archive: both are written, into one generation, every time.
TEST(Archive, TwoWritersOnAFreshArchiveTakeTurns)
{
    constexpr int Rounds = 5;
    constexpr int Slots = 500;
    for (int round = 0; round < Rounds; ++round) {
        SCOPED_TRACE(round);
        TempFolder tmp;
        const QString path = tmp.file(QStringLiteral("archive.sqlite"));
        std::latch start(2);
        QString errors[2];
        auto writer = [&](int which) {
            SessionLog log;
            InstrumentArchive archive(path, log);
            start.arrive_and_wait();
            if (!archive.open() || !archive.recordDownload(SyntheticDescription(Slots, false), SyntheticDownload(Slots, 1)))
                errors[which] = archive.error();
        };
        std::thread a(writer, 0), b(writer, 1);
        a.join();
        b.join();
        EXPECT_EQ(errors[0], QString());
        EXPECT_EQ(errors[1], QString());
        SessionLog log;
        InstrumentArchive archive(path, log);
        ASSERT_TRUE(archive.open(InstrumentArchive::Access::ReadOnly));
        EXPECT_EQ(FiguresOf(archive.generations().value_or(QList<ArchiveGeneration>{})),
            (QList<GenerationFigures>{{Slots, 2}}));
    }
}
} // namespace
