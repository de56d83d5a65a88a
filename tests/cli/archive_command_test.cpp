#include "CliProcess.h"
#include "QtPrinters.h"
#include "TempFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <functional>
#include <gtest/gtest.h>

namespace {
// The built-in simulated instrument's serial number, its record folder's name.
const QString kSerial = QStringLiteral("10234F");

CliFinished RunDemo(const TempFolder& folder, QStringList arguments)
{
    arguments.prepend(QStringLiteral("--demo"));
    return RunCliWithData(folder.path(), arguments);
}

QByteArray FileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}

// A portion, then --new, then a full download of the same memory: one
// generation; --new and the export write what the full download writes.
TEST(ArchiveCommand, DownloadsAreArchivedListedAndExportedAsAFullDownloadSaves)
{
    TempFolder folder;
    const QString part = folder.file(QStringLiteral("part.csv"));
    const QString fresh = folder.file(QStringLiteral("new.csv"));
    const QString full = folder.file(QStringLiteral("full.csv"));
    const QString exported = folder.file(QStringLiteral("export.csv"));
    for (const QStringList& arguments : {QStringList{"download", "--from", "5", "--to", "9", "-o", part},
             QStringList{"download", "--new", "-o", fresh}, QStringList{"download", "-o", full}}) {
        const CliFinished run = RunDemo(folder, arguments);
        ASSERT_EQ(run.exitCode, 0) << arguments.join(QLatin1Char(' ')).toStdString() << run.err.toStdString();
    }
    EXPECT_EQ(FileBytes(fresh), FileBytes(full));

    const CliFinished list = RunCliWithData(folder.path(), {"archive", "list"});
    ASSERT_EQ(list.exitCode, 0) << list.err.toStdString();
    const QStringList lines = list.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << list.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Instrument 10234F ("))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral(" 3 downloads, 301 slots (last slot 301), readings 2026-11-02 ")))
        << lines[1].toStdString();

    const CliFinished run = RunCliWithData(folder.path(), {"archive", "export", "--serial", kSerial, "-o", exported});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("301 data points saved to '%1'.\n").arg(exported));
    EXPECT_EQ(FileBytes(exported), FileBytes(full));
}

TEST(ArchiveCommand, BadRequestsSayWhatIsWrong)
{
    TempFolder folder;
    ASSERT_EQ(RunDemo(folder, {"download", "-o", folder.file(QStringLiteral("a.csv"))}).exitCode, 0);
    struct Case {
        QStringList arguments;
        int exitCode;
        QString error;
    };
    const QString out = folder.file(QStringLiteral("x.csv"));
    const QList<Case> cases{
        {{"archive", "show"}, 1, "archive takes list, export or push"},
        {{"archive", "export", "-o", out}, 1, "archive export needs --serial S (see archive list)"},
        {{"archive", "export", "--serial", kSerial}, 1, "archive export needs -o FILE"},
        {{"archive", "export", "--serial", "NOPE", "-o", out}, 3, "No archive for instrument NOPE: there is no archive"},
        {{"archive", "export", "--serial", kSerial, "--generation", "2", "-o", out}, 1,
            "--generation takes one of the archive's generations (see archive list)"},
        {{"archive", "export", "--serial", kSerial, "--generation", "1", "--all", "-o", out}, 1,
            "--generation and --all exclude each other"},
        {{"--demo", "download", "--new", "--from", "1", "--to", "2", "-o", out}, 1,
            "--new and --from/--to exclude each other"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const CliFinished run = RunCliWithData(folder.path(), c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.err.trimmed(), QStringLiteral("tolvi-cli: ") + c.error);
        EXPECT_FALSE(QFile::exists(out));
    }
}

namespace {
// Bytes no database starts with, the same every run.
QByteArray Garbage(int size)
{
    QByteArray bytes(size, '\0');
    quint32 seed = 11;
    for (char& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<char>(seed >> 24);
    }
    return bytes;
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QString ArchiveIn(const TempFolder& folder, const QString& serial)
{
    return folder.file(serial + QStringLiteral("/archive.sqlite"));
}

// Runs the sqlite3 tool on a database; its output, or nothing when it failed.
QString Sqlite(const QString& path, const QString& statements)
{
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"), {path, statements});
    if (!sqlite.waitForFinished(30000) || sqlite.exitCode() != 0)
        return QString();
    return QString::fromUtf8(sqlite.readAllStandardOutput());
}
} // namespace

// list opens every archive read-only: a sound one is listed, each other one
// is named with the reason on stderr (exit 3), and none is changed.
TEST(ArchiveCommand, ListChangesNothingAndSaysWhyAnArchiveCannotBeRead)
{
    TempFolder folder;
    ASSERT_EQ(RunDemo(folder, {"download", "-o", folder.file(QStringLiteral("a.csv"))}).exitCode, 0);
    struct Unreadable {
        QString serial;
        std::function<bool(const QString&)> make;
        QString reason;
    };
    const QList<Unreadable> unreadable{
        {"EMPTY", [](const QString& p) { return WriteBytes(p, {}); }, "it holds no archive"},
        {"FOLDER", [](const QString& p) { return QDir().mkdir(p); }, "it is not a regular file"},
        {"JUNK", [](const QString& p) { return WriteBytes(p, Garbage(3000)); },
            "the file is damaged or is not an archive"},
        {"NEWER", [](const QString& p) { return !Sqlite(p, "PRAGMA user_version = 7; SELECT 1;").isEmpty(); },
            "it was written by a newer version of the program (schema 7, this one knows 2)"},
    };
    QStringList expectedErrors;
    QMap<QString, QByteArray> before;
    for (const Unreadable& u : unreadable) {
        ASSERT_TRUE(QDir(folder.path()).mkdir(u.serial));
        const QString path = ArchiveIn(folder, u.serial);
        ASSERT_TRUE(u.make(path)) << u.serial.toStdString();
        before[path] = FileBytes(path);
        expectedErrors << QStringLiteral("tolvi-cli: The archive of instrument %1 (%2) cannot be read: %3")
                              .arg(u.serial, path, u.reason);
    }
    const QString sound = ArchiveIn(folder, kSerial);
    before[sound] = FileBytes(sound);

    const CliFinished list = RunCliWithData(folder.path(), {"archive", "list"});
    EXPECT_EQ(list.exitCode, 3);
    EXPECT_EQ(list.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts), expectedErrors);
    EXPECT_TRUE(list.out.startsWith(QStringLiteral("Instrument 10234F ("))) << list.out.toStdString();
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        EXPECT_EQ(FileBytes(it.key()), it.value()) << it.key().toStdString();
        EXPECT_FALSE(QFileInfo::exists(it.key() + QStringLiteral("-journal")));
    }
}

// The readings are saved whatever the archive: when it cannot take them the
// user is told on stderr and the exit status is 6; the archive stays as it was.
TEST(ArchiveCommand, DownloadSavesAndSaysWhenTheArchiveCannotTakeIt)
{
    struct Case {
        const char* name;
        QStringList download;
        bool damagePagesOnly;   // else the whole file is replaced by garbage
        QString reason;
    };
    const QList<Case> cases{
        {"new data, not a database", {"download", "--new"}, false, "the file is damaged or is not an archive"},
        {"new data, damaged pages", {"download", "--new"}, true, "the file is damaged"},
        {"all of the memory, damaged pages", {"download"}, true, "the file is damaged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        ASSERT_EQ(RunDemo(folder, {"download", "-o", folder.file(QStringLiteral("first.csv"))}).exitCode, 0);
        const QString archive = ArchiveIn(folder, kSerial);
        QByteArray bytes = FileBytes(archive);
        ASSERT_GT(bytes.size(), 2 * 4096);
        if (c.damagePagesOnly)
            bytes.replace(4096, bytes.size() - 4096, Garbage(int(bytes.size()) - 4096));
        else
            bytes = Garbage(int(bytes.size()));
        ASSERT_TRUE(WriteBytes(archive, bytes));

        const QString out = folder.file(QStringLiteral("out.csv"));
        const CliFinished run = RunDemo(folder, c.download + QStringList{"-o", out});
        EXPECT_EQ(run.exitCode, 6);
        EXPECT_EQ(run.out, QStringLiteral("301 data points saved to '%1'.\n").arg(out));
        EXPECT_EQ(FileBytes(out), FileBytes(folder.file(QStringLiteral("first.csv"))));
        EXPECT_EQ(run.err.trimmed(),
            QStringLiteral("tolvi-cli: The readings were saved to %1 but not added to the archive: %2").arg(out, c.reason));
        EXPECT_EQ(FileBytes(archive), bytes);
    }
}

// A row no download writes is left out of the export and named; what could
// be read is saved (exit 5).
TEST(ArchiveCommand, ExportLeavesOutRowsThatAreNotSlots)
{
    TempFolder folder;
    const QString full = folder.file(QStringLiteral("full.csv"));
    ASSERT_EQ(RunDemo(folder, {"download", "-o", full}).exitCode, 0);
    ASSERT_FALSE(Sqlite(ArchiveIn(folder, kSerial),
        "INSERT INTO slots SELECT instrument, generation, -5, raw_hex, download, time_stamp, reading, reading_mgm, temperature,"
        " humidity, sample_mode, flags, scheduled FROM slots WHERE slot = 1; SELECT changes();")
                     .isEmpty());
    const QString exported = folder.file(QStringLiteral("export.csv"));
    const CliFinished run = RunCliWithData(folder.path(), {"archive", "export", "--serial", kSerial, "-o", exported});
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_EQ(run.err.trimmed(), QStringLiteral("tolvi-cli: Generation 1, slot -5 is left out: slot number out of range."));
    EXPECT_EQ(run.out, QStringLiteral("301 data points saved to '%1'.\n").arg(exported));
    EXPECT_EQ(FileBytes(exported), FileBytes(full));
}

// Two "download --new" at the same moment on a fresh archive: both end
// saved and archived (the later one finds the memory archived or joins the
// generation), and the archive reads back whole.
TEST(ArchiveCommand, TwoNewDataDownloadsAtOnceBothEndArchived)
{
    constexpr int Rounds = 3;
    for (int round = 0; round < Rounds; ++round) {
        SCOPED_TRACE(round);
        TempFolder folder;
        QProcess first, second;
        for (auto [process, name] : {std::pair{&first, "a.csv"}, std::pair{&second, "b.csv"}}) {
            process->start(BriskCli(),
                {"--data-dir", folder.path(), "--demo", "download", "--new", "-o", folder.file(QString::fromLatin1(name))});
        }
        for (QProcess* process : {&first, &second}) {
            const CliFinished run = FinishCli(*process);
            EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        }
        const CliFinished list = RunCliWithData(folder.path(), {"archive", "list"});
        EXPECT_EQ(list.exitCode, 0) << list.err.toStdString();
        const QStringList lines = list.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 2) << list.out.toStdString();
        EXPECT_TRUE(lines[1].contains(QStringLiteral(" 301 slots (last slot 301)"))) << lines[1].toStdString();
    }
}
