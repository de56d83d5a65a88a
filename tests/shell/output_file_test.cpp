#include "QtPrinters.h"
#include "TempFolder.h"
#include "shell/OutputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

bool isFifo(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}

} // namespace

// Found before any instrument work: the cases a command line gives.
TEST(OutputFile, ProblemsAreFoundBeforeTheWork)
{
    TempFolder tmp;
    ASSERT_TRUE(QDir().mkdir(tmp.file("folder")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(tmp.file("pipe")).constData(), 0600), 0);
    struct Case { QString path; const char* problem; };
    const Case cases[] = {
        {"-", ""},
        {"/dev/null", ""},
        {tmp.file("pipe"), ""},   // checked without opening: a waiting reader would see its end
        {tmp.file("new.csv"), ""},
        {tmp.file("missing/x.csv"), "no such folder, or a folder by that name"},
        {tmp.file("folder"), "no such folder, or a folder by that name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const QString problem = OutputProblem(c.path);
        if (*c.problem)
            EXPECT_EQ(problem, "cannot write " + c.path + ": " + c.problem);
        else
            EXPECT_TRUE(problem.isEmpty()) << problem.toStdString();
    }
    EXPECT_TRUE(isFifo(tmp.file("pipe")));
}

// A FIFO, named directly or through a link, is written in place: the reader
// gets the content and the FIFO and the link stay what they were. A regular
// file is replaced whole.
TEST(OutputFile, FifosAreWrittenInPlaceAndFilesReplaced)
{
    TempFolder tmp;
    const QString fifo = tmp.file("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(fifo, tmp.file("link")));
    const QByteArray content = "UTC,Reading/ppm\r\n" + QByteArray(200000, 'x');   // more than a pipe holds at once
    for (const QString& target : {fifo, tmp.file("link")}) {
        SCOPED_TRACE(target.toStdString());
        // The reader keeps what it reads in a file: its own output pipe
        // would fill while this thread writes.
        const QString received = tmp.file("received");
        QProcess reader;
        reader.start("/bin/sh", {"-c", "cat \"$0\" > \"$1\"", fifo, received});
        ASSERT_TRUE(reader.waitForStarted());
        EXPECT_TRUE(WriteOutputFile(target, content));
        if (!reader.waitForFinished(10000))
            reader.kill();
        QFile got(received);
        ASSERT_TRUE(got.open(QIODevice::ReadOnly));
        EXPECT_EQ(got.readAll(), content);
        EXPECT_TRUE(isFifo(fifo));
    }
    EXPECT_TRUE(QFileInfo(tmp.file("link")).isSymLink());

    const QString file = tmp.file("data.csv");
    ASSERT_TRUE(WriteOutputFile(file, "old"));
    ASSERT_TRUE(WriteOutputFile(file, "new"));
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("new"));
}
