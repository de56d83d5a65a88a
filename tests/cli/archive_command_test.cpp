#include "CliProcess.h"
#include "QtPrinters.h"
#include "TempFolder.h"

#include <QFile>
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
        {{"archive", "show"}, 1, "archive takes list or export"},
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
