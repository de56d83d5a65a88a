// tolvi-cli among other programs and a damaged data folder: a port another
// program holds, settings files that are not settings files, a second
// program on the same data folder, a file-size limit.
#include "CliProcess.h"
#include "QtPrinters.h"
#include "SilentLine.h"
#include "TempFolder.h"
#include "shell/InstanceLock.h"
#include "shell/Startup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

#include <functional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Holds a device the way another program holding it does.
class HeldDevice {
public:
    explicit HeldDevice(const QString& path)
        : fd_(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC))
    {
        held_ = fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
    }
    ~HeldDevice()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    HeldDevice(const HeldDevice&) = delete;
    HeldDevice& operator=(const HeldDevice&) = delete;
    bool held() const { return held_; }

private:
    int fd_;
    bool held_ = false;
};

} // namespace

// A port another program holds was never asked: the line says so instead
// of "failed to find any instruments", for a connecting command and for a
// raw send alike.
TEST(CliSurroundings, APortInUseIsNamedAsSuch)
{
    SilentLine line;
    HeldDevice other(line.path());
    ASSERT_TRUE(other.held());
    const QStringList commands[] = {{"info"}, {"send", "S"}};
    for (const QStringList& command : commands) {
        SCOPED_TRACE(command.join(' ').toStdString());
        TempFolder folder;
        const CliFinished run = RunCliWithData(folder.path(), QStringList{"--port", line.path()} + command);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.startsWith("tolvi-cli: " + line.path() + " is in use by another program."))
            << run.err.toStdString();
        EXPECT_FALSE(run.err.contains("failed to find any instruments")) << run.err.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    }
}

// Settings files that are not settings files are skipped with one line that
// names them; the run goes on with defaults and leaves them as they were.
TEST(CliSurroundings, DamagedSettingsFilesAreSkippedByName)
{
    TempFolder folder;
    const QString app = folder.file("app.txt");
    const QString user = folder.file("user.txt");
    ASSERT_TRUE(QFile::link("/dev/zero", user));
    ASSERT_EQ(::mkfifo(QFile::encodeName(app).constData(), 0600), 0);
    const CliFinished run = RunCliWithData(folder.path(), {"ports"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("COM Port") || run.out.contains("----")) << run.out.toStdString();
    EXPECT_TRUE(run.err.startsWith("tolvi-cli: Skipped " + app + ": it is not a regular file; defaults are used."))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Skipped " + user + ": it is not a regular file")) << run.err.toStdString();
    EXPECT_TRUE(fileBytes(folder.file("session.txt")).contains("Skipped " + user.toUtf8()));
    EXPECT_TRUE(QFileInfo(user).isSymLink());
    EXPECT_FALSE(QFileInfo(app).isFile());
}

// peruser.ini is read before everything else, by every command: one that is
// no small regular file is skipped by name like the settings files, never
// waited on, read or written.
TEST(CliSurroundings, DamagedPerUserFileIsSkippedByName)
{
    const struct {
        const char* name;
        std::function<void(const QString&)> place;
        const char* why;
    } cases[] = {
        {"FIFO", [](const QString& path) { ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); },
            "it is not a regular file"},
        {"3 GB sparse",
            [](const QString& path) {
                QFile f(path);
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                ASSERT_TRUE(f.resize(3LL * 1024 * 1024 * 1024));
            },
            "it is larger than 1 MB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const QString perUser = folder.file("peruser.ini");
        c.place(perUser);
        const CliFinished run = RunCliWithData(folder.path(), {"ports"});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("Skipped " + perUser + ": " + c.why + "; defaults are used."))
            << run.err.toStdString();
        const QFileInfo after(perUser);
        EXPECT_EQ(after.isFile(), QString::fromLatin1(c.name) != "FIFO");
        if (after.isFile()) {
            EXPECT_EQ(after.size(), 3LL * 1024 * 1024 * 1024);
        }
    }
}

// A second program on the data folder leaves the first one's session log
// whole and says that it shares the folder.
TEST(CliSurroundings, SecondProgramKeepsTheFirstOnesLog)
{
    TempFolder folder;
    InstanceLock first(folder.path());
    ASSERT_TRUE(first.isHeld());
    QFile log(folder.file("session.txt"));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write("the running program's line\r\n");
    log.close();
    const CliFinished run = RunCliWithData(folder.path(), {"ports"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err, "tolvi-cli: " + SharedDataFolderText(folder.path()) + "\n");
    const QByteArray both = fileBytes(folder.file("session.txt"));
    EXPECT_TRUE(both.startsWith("the running program's line")) << both.constData();
    EXPECT_TRUE(both.contains("Starting application")) << both.constData();
}

// Past the file-size limit the session log's writes fail and file logging
// turns off; the program runs on to its normal end.
TEST(CliSurroundings, FileSizeLimitEndsLoggingNotTheProgram)
{
    TempFolder folder;
    QProcess shell;
    shell.start("/bin/sh", {"-c", "ulimit -f 1 && exec \"$0\" --data-dir \"$1\" --demo info",
                               TOLVI_BINARY_DIR "/cli/tolvi-cli", folder.path()});
    const CliFinished run = FinishCli(shell);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("Serial number: ")) << run.out.toStdString();
    EXPECT_LE(QFileInfo(folder.file("session.txt")).size(), 1024);
}

// The same for an instrument's record files at connection: a FIFO history
// does not block the run, a record file on /dev/zero does not exhaust it.
TEST(CliSurroundings, DamagedRecordFilesAreSkippedByName)
{
    TempFolder folder;
    ASSERT_TRUE(QDir().mkpath(folder.file("10234F")));
    const QString history = folder.file("10234F/history.txt");
    const QString initial = folder.file("10234F/initial.txt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(history).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", initial));
    const CliFinished run = RunCliWithData(folder.path(), {"--demo", "info"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("Serial number: 10234F")) << run.out.toStdString();
    EXPECT_TRUE(run.err.startsWith("tolvi-cli: Skipped " + initial + ": it is not a regular file")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Skipped " + history + ": it is not a regular file")) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo(history).isFile());
}
