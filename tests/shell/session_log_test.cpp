#include "TempFolder.h"
#include "shell/SessionLog.h"
#include "shell/TextFile.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QStringList fileLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString all = QString::fromUtf8(f.readAll());
    QStringList lines = all.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString markerOf(const QString& line) { return line.section(QLatin1Char('\t'), 1, 1); }

} // namespace

TEST(SessionLog, MarkersByLevel)
{
    struct Case { int level; const char* marker; };
    const Case cases[] = {{0, ":::"}, {1, ">>>"}, {2, "<<<"}, {3, "==="}, {4, " : "}, {5, "???"},
        {7, "007"}, {253, "!  "}, {254, "!! "}, {255, "!!!"}, {300, "300"}};
    for (const auto& c : cases) {
        int spinner = 0;
        EXPECT_EQ(SessionLog::marker(c.level, spinner), QString::fromLatin1(c.marker)) << c.level;
    }
}

TEST(SessionLog, SpinnerRotatesThroughFourMarkersThenRepeats)
{
    TempFolder tmp;
    SessionLog log;
    log.setLogFilePath(tmp.file(QStringLiteral("session.txt")));
    log.setLogToFile(true);
    for (int i = 0; i < 5; ++i)
        log.debugMessage(QStringLiteral("tick"), SessionLog::Spinner);
    QStringList markers;
    for (const QString& line : fileLines(log.logFilePath()))
        markers << markerOf(line);
    EXPECT_EQ(markers, (QStringList{"+  ", " + ", "  +", " + ", "+  "}));
}

TEST(SessionLog, LineHasTimeMarkerAndTextAndEndsCrLf)
{
    TempFolder tmp;
    SessionLog log;
    log.setLogFilePath(tmp.file(QStringLiteral("session.txt")));
    log.setLogToFile(true);
    log.debugMessage(QStringLiteral("hello\tworld"), 1);
    QFile f(log.logFilePath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray raw = f.readAll();
    EXPECT_TRUE(raw.endsWith("\r\n"));
    const QString line = QString::fromUtf8(raw.chopped(2));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+[.,]\\d\\d\t>>>\thello\tworld$")).match(line).hasMatch()) << line.toStdString();
}

TEST(SessionLog, TimeFieldHasTwoDecimals)
{
    EXPECT_EQ(SessionLog::timeField(0.5), QStringLiteral("0.50"));
    EXPECT_EQ(SessionLog::timeField(86399.999), QStringLiteral("86400.00"));
    EXPECT_EQ(SessionLog::timeField(12345.6), QStringLiteral("12345.60"));
}

TEST(SessionLog, NothingWrittenWhenFileLoggingIsOff)
{
    TempFolder tmp;
    SessionLog log;
    log.setLogFilePath(tmp.file(QStringLiteral("session.txt")));
    log.debugMessage(QStringLiteral("x"), 0);
    EXPECT_FALSE(QFile::exists(log.logFilePath()));
}

TEST(SessionLog, EmptyPathFallsBackToTitleDebuglogInProfileFolder)
{
    TempFolder tmp;
    SessionLog log(QStringLiteral("Tolvi"), tmp.path());
    log.setLogToFile(true);
    log.debugMessage(QStringLiteral("x"), 0);
    EXPECT_EQ(log.logFilePath(), tmp.file(QStringLiteral("Tolvi_debuglog.txt")));
    EXPECT_EQ(fileLines(log.logFilePath()).size(), 1);
}

// A missing folder, or a FIFO in the log's place (opened, it would block
// until some program read it): the first line turns file logging off.
TEST(SessionLog, FailedWriteTurnsFileLoggingOffAndReportsOnce)
{
    TempFolder tmp;
    ASSERT_EQ(::mkfifo(QFile::encodeName(tmp.file(QStringLiteral("fifo.txt"))).constData(), 0600), 0);
    for (const char* name : {"no/such/folder/session.txt", "fifo.txt"}) {
        SCOPED_TRACE(name);
        SessionLog log;
        QStringList seen;
        log.setListener([&](const QString& line, int) { seen << line; });
        log.setLogFilePath(tmp.file(QString::fromLatin1(name)));
        log.setLogToFile(true);
        log.debugMessage(QStringLiteral("first"), 0);
        EXPECT_FALSE(log.logToFile());
        ASSERT_EQ(seen.size(), 2);
        EXPECT_TRUE(seen[1].endsWith(QStringLiteral("DebugToFile turned off as '") + log.logFilePath()
            + QStringLiteral("' can't be opened.")));
        EXPECT_EQ(markerOf(seen[1]), QStringLiteral("!!!"));
    }
}

TEST(WriteLineToFile, OverwriteAppendVerboseAndRelativePaths)
{
    TempFolder tmp;
    SessionLog log;
    QStringList seen;
    log.setListener([&](const QString& line, int) { seen << line.section(QLatin1Char('\t'), 2); });

    ASSERT_TRUE(WriteLineToFile(tmp.paths(), &log, QStringLiteral("notes.txt"), QStringLiteral("one"), true, false));
    ASSERT_TRUE(WriteLineToFile(tmp.paths(), &log, QStringLiteral("notes.txt"), QStringLiteral("two"), false, true));
    EXPECT_EQ(fileLines(tmp.file(QStringLiteral("notes.txt"))), (QStringList{"one", "two"}));
    EXPECT_EQ(seen, (QStringList{QStringLiteral("Data written to ") + tmp.file(QStringLiteral("notes.txt")) + ":",
                        QStringLiteral("\t\"two\"")}));

    ASSERT_TRUE(WriteLineToFile(tmp.paths(), &log, tmp.file(QStringLiteral("notes.txt")), QString(), true, false));
    EXPECT_EQ(fileLines(tmp.file(QStringLiteral("notes.txt"))), QStringList{QString()});
}
