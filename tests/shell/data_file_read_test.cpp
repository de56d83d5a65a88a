#include "QtPrinters.h"
#include "ScriptedPrompts.h"
#include "TempFolder.h"
#include "shell/DataFileRead.h"
#include "shell/IniFile.h"
#include "shell/SessionLog.h"
#include "shell/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// What may stand in a settings file's place in a damaged data folder.
enum class Stand { SymlinkToZero, Fifo, Folder, TwoMegabytes };

struct Damage {
    const char* name;
    Stand stand;
    const char* why;
};

void place(const Damage& d, const QString& path)
{
    switch (d.stand) {
    case Stand::SymlinkToZero:
        ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path));
        break;
    case Stand::Fifo:
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        break;
    case Stand::Folder:
        ASSERT_TRUE(QDir().mkdir(path));
        break;
    case Stand::TwoMegabytes:
        writeBytes(path, "[Password]\r\nValid=True\r\n" + QByteArray(2 * 1024 * 1024, ';'));
        break;
    }
}

const Damage kDamages[] = {
    {"symlink to /dev/zero", Stand::SymlinkToZero, "it is not a regular file"},
    {"FIFO without a writer", Stand::Fifo, "it is not a regular file"},
    {"folder", Stand::Folder, "it is a folder"},
    {"2 MB file", Stand::TwoMegabytes, "it is larger than 1 MB"},
};

} // namespace

// Each damage is skipped unread and at once (a FIFO would block a plain
// open, /dev/zero would never end): the settings read as missing, so the
// callers fall back to their defaults, and nothing is written over the file.
TEST(DataFileRead, SkipsWhatIsNotASmallRegularFile)
{
    for (const Damage& d : kDamages) {
        SCOPED_TRACE(d.name);
        TempFolder tmp;
        const QString path = tmp.file(QStringLiteral("user.txt"));
        place(d, path);
        const DataFileRead read = ReadDataFile(path);
        EXPECT_FALSE(read.bytes.has_value());
        EXPECT_EQ(read.skipped, QString::fromLatin1(d.why));
        EXPECT_FALSE(IniFile::load(path).has_value());
        EXPECT_EQ(ReadSettingsText(path, QStringLiteral("Password"), QStringLiteral("Valid"), QStringLiteral("Unknown")),
            QStringLiteral("Unknown"));
        EXPECT_FALSE(WriteSettingsEntry(path, QStringLiteral("Password"), QStringLiteral("Valid"), QStringLiteral("False")));
    }
}

TEST(DataFileRead, ReadsSmallFilesAndMissingOnesQuietly)
{
    TempFolder tmp;
    const QByteArray atLimit = QByteArray(DataFileMaxBytes, 'x');
    writeBytes(tmp.file(QStringLiteral("limit.txt")), atLimit);
    const DataFileRead full = ReadDataFile(tmp.file(QStringLiteral("limit.txt")));
    EXPECT_EQ(full.bytes, atLimit);
    EXPECT_TRUE(full.skipped.isEmpty());

    const DataFileRead missing = ReadDataFile(tmp.file(QStringLiteral("missing.txt")));
    EXPECT_FALSE(missing.bytes.has_value());
    EXPECT_TRUE(missing.skipped.isEmpty());
}

// The user hears of every skipped file once, by name, and so does the log;
// good and missing files are not mentioned.
TEST(DataFileRead, ReportNamesEachSkippedFile)
{
    TempFolder tmp;
    SessionLog log;
    QStringList logged;
    log.setListener([&](const QString& line, int) { logged << line; });
    ScriptedPrompts prompts;
    QStringList paths{tmp.file(QStringLiteral("good.txt")), tmp.file(QStringLiteral("missing.txt"))};
    writeBytes(paths.first(), "; fine\r\n");
    for (const Damage& d : kDamages) {
        paths << tmp.file(QStringLiteral("damaged%1.txt").arg(paths.size()));
        place(d, paths.last());
    }
    EXPECT_EQ(ReportSkippedDataFiles(log, prompts, QStringLiteral("Tolvi"), paths), 4);
    ASSERT_EQ(prompts.shown().size(), 1);
    const QString shown = prompts.shown().first().text;
    EXPECT_EQ(shown.count(QStringLiteral("Skipped ")), 4) << shown.toStdString();
    EXPECT_TRUE(shown.contains(SkippedDataFileText(paths[2], QStringLiteral("it is not a regular file"))));
    EXPECT_TRUE(shown.contains(SkippedDataFileText(paths[5], QStringLiteral("it is larger than 1 MB"))));
    EXPECT_FALSE(shown.contains(QStringLiteral("good.txt")));
    EXPECT_EQ(logged.filter(QStringLiteral("Skipped ")).size(), 4);
}
