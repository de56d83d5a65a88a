#include "CliProcess.h"
#include "QtPrinters.h"
#include "TempFolder.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {
const QString kCli = BriskCli();

// tolvi-cli on the built-in simulated instrument, its data in the folder.
void startDemo(QProcess& process, const TempFolder& folder, const QStringList& arguments)
{
    process.setWorkingDirectory(folder.path());
    process.start(kCli, QStringList{QStringLiteral("--demo"), QStringLiteral("--data-dir"), folder.path()} + arguments);
}

CliFinished runDemo(const TempFolder& folder, const QStringList& arguments)
{
    QProcess process;
    startDemo(process, folder, arguments);
    return FinishCli(process);
}

QString fileText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Whether the session log shows the text within the time allowed.
bool logShows(const TempFolder& folder, const QString& text, int withinMs)
{
    const QDeadlineTimer deadline(withinMs);
    while (!deadline.hasExpired()) {
        if (fileText(folder.file(QStringLiteral("session.txt"))).contains(text))
            return true;
        QThread::msleep(20);
    }
    return false;
}
}

TEST(DownloadCommand, PortionFilteredAndSavedWithTheChosenLayout)
{
    TempFolder folder;
    const CliFinished run = runDemo(folder, {"download", "-o", "part.txt", "--from", "5", "--to", "9", "--format", "utc",
                                             "--sep", "tab"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("5 data points saved to '") + folder.file(QStringLiteral("part.txt"))
            + QStringLiteral("'.\n"));
    const QStringList lines = fileText(folder.file(QStringLiteral("part.txt"))).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("UTC\tReading/ppm\t")));
    EXPECT_EQ(lines[1].count(QLatin1Char('\t')), 5);
    // The choices are kept for the next save, as the dialog keeps them.
    const QString user = fileText(folder.file(QStringLiteral("user.txt")));
    EXPECT_TRUE(user.contains(QStringLiteral("Filter=3")));
    EXPECT_TRUE(user.contains(QStringLiteral("Delimiter=3")));
}

// A target that is not a regular file is written in place: a FIFO's reader
// gets the data and the FIFO stays a FIFO; "-" puts the data alone on
// standard output and the count on stderr.
TEST(DownloadCommand, WritesFifosAndStandardOutputInPlace)
{
    const QStringList portion{"--from", "5", "--to", "9", "--format", "utc"};
    TempFolder folder;
    const CliFinished toStdout = runDemo(folder, QStringList{"download", "-o", "-"} + portion);
    ASSERT_EQ(toStdout.exitCode, 0) << toStdout.err.toStdString();
    const QStringList lines = toStdout.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6) << toStdout.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("UTC,Reading/ppm,"))) << lines[0].toStdString();
    EXPECT_TRUE(toStdout.err.contains(QStringLiteral("5 data points saved to standard output.\n")))
        << toStdout.err.toStdString();
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("-"))));

    const QString fifo = folder.file(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QProcess reader;
    reader.start(QStringLiteral("cat"), {fifo});
    ASSERT_TRUE(reader.waitForStarted());
    const CliFinished toFifo = runDemo(folder, QStringList{"download", "-o", "pipe"} + portion);
    EXPECT_EQ(toFifo.exitCode, 0) << toFifo.err.toStdString();
    if (!reader.waitForFinished(10000))
        reader.kill();
    EXPECT_EQ(QString::fromUtf8(reader.readAllStandardOutput()), toStdout.out);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
}

TEST(DownloadCommand, BadOptionsAreUsageErrors)
{
    struct Case { QStringList arguments; const char* message; };
    const Case cases[] = {
        {{"download"}, "download needs -o FILE"},
        {{"download", "-o", "x.csv", "--from", "3"}, "--from and --to go together"},
        {{"download", "-o", "x.csv", "--from", "9", "--to", "3"}, "--to not below --from"},
        {{"download", "-o", "x.csv", "--format", "pdf"}, "unknown --format: pdf"},
        {{"download", "-o", "x.csv", "--sep", "pipe"}, "--sep takes comma, semicolon, tab or space"},
        {{"download", "-o", "x.csv", "--conc-a", "11"}, "--conc-a takes a concentration from 0 to 10 ppm"},
        {{"download", "-o", "x.csv", "--conc-a", "nan"}, "--conc-a takes a concentration from 0 to 10 ppm"},
        {{"download", "-o", "x.csv", "--conc-b", "inf"}, "--conc-b takes a concentration from 0 to 10 ppm"},
        {{"download", "-o", "-", "--format", "gnuplot"}, "--format gnuplot writes two files: -o - cannot take them"},
        {{"download", "-o", "/dev/null", "--format", "gnuplot"},
            "--format gnuplot writes two files named from -o FILE: /dev/null is not a regular file"},
        {{"download", "-o", "x.csv", "--date-from", "yesterday"}, "--date-from takes \"YYYY-MM-DD hh:mm:ss\""},
        {{"download", "-o", "x.csv", "--from", "1", "--to", "5000"}, "the instrument holds 301 slots"},
        {{"erase"}, "erase needs --all or --to M"},
        {{"download", "-o", "missing/x.csv"}, "cannot write missing/x.csv: no such folder"},
        {{"download", "-o", "."}, "cannot write .: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.message);
        TempFolder folder;
        const CliFinished run = runDemo(folder, c.arguments);
        EXPECT_EQ(run.exitCode, 1) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromLatin1(c.message))) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("x.csv"))));
    }
}

// The stored choice of the last save may be the plot script: a target that
// cannot take its two files is refused before the instrument is asked anything.
TEST(DownloadCommand, StoredPlotFormatNeedsARegularTarget)
{
    for (const char* target : {"-", "/dev/null"}) {
        SCOPED_TRACE(target);
        TempFolder folder;
        QFile user(folder.file(QStringLiteral("user.txt")));
        ASSERT_TRUE(user.open(QIODevice::WriteOnly));
        user.write("[Datafiles]\r\nFilter=8\r\n");
        user.close();
        const CliFinished run = runDemo(folder, {"download", "-o", target});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains("the stored format is gnuplot, which writes two files")) << run.err.toStdString();
        EXPECT_FALSE(fileText(folder.file(QStringLiteral("session.txt"))).contains(QStringLiteral("J0100")));
    }
}

// Ctrl-C while the slots stream in cancels as the status-bar gesture does.
TEST(DownloadCommand, InterruptCancelsTheDownloadAndSavesNothing)
{
    TempFolder folder;
    QProcess process;
    startDemo(process, folder, {"download", "-o", "never.csv"});
    ASSERT_TRUE(logShows(folder, QStringLiteral("J010001012D"), 60000));
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    const CliFinished run = FinishCli(process);
    EXPECT_EQ(run.exitCode, 3) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("Download has been cancelled.")));
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("never.csv"))));
    const QString log = fileText(folder.file(QStringLiteral("session.txt")));
    EXPECT_TRUE(log.indexOf(QStringLiteral("!C1C")) > log.indexOf(QStringLiteral("J010001012D")));
    EXPECT_TRUE(log.contains(QStringLiteral("'A05000073")));
}

// Without a terminal nothing can be asked: a missing password or confirmation
// refuses the erase with one line on stderr that says how to give it, and
// nothing is erased.
TEST(EraseCommand, NeedsThePasswordAndConfirmation)
{
    struct Refusal { QStringList arguments; const char* line; };
    const Refusal refusals[] = {
        {{"erase", "--all"}, "tolvi-cli: No password given (no terminal to ask): use --password or TOLVI_PASSWORD.\n"},
        {{"--password", "any", "erase", "--all"}, "tolvi-cli: Not confirmed (no terminal and no --yes): "},
    };
    TempFolder folder;
    for (const Refusal& r : refusals) {
        const CliFinished refused = runDemo(folder, r.arguments);
        EXPECT_EQ(refused.exitCode, 4) << refused.err.toStdString();
        EXPECT_TRUE(refused.err.startsWith(QString::fromLatin1(r.line))) << refused.err.toStdString();
        EXPECT_EQ(refused.err.count(QLatin1Char('\n')), 1) << refused.err.toStdString();
        EXPECT_FALSE(fileText(folder.file(QStringLiteral("session.txt"))).contains(QStringLiteral("J02")));
    }

    const CliFinished erased = runDemo(folder, {"--yes", "--password", "any", "erase", "--to", "51"});
    EXPECT_EQ(erased.exitCode, 0) << erased.err.toStdString();
    EXPECT_EQ(erased.out, QStringLiteral("Erased; 251 slots still hold data.\n"));
    EXPECT_TRUE(fileText(folder.file(QStringLiteral("session.txt"))).contains(QStringLiteral("J020032")));
}
