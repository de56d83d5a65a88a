#include "QtPrinters.h"
#include "ScopedEnvironment.h"
#include "TempFolder.h"
#include "shell/SessionLog.h"
#include "shell/SystemInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

// Records every log line with its level.
struct LogCapture {
    SessionLog log;
    QList<QPair<int, QString>> lines;
    LogCapture()
    {
        log.setListener([this](const QString& line, int level) { lines.append({level, line}); });
    }
};

} // namespace

TEST(SystemInfo, FieldSeparatorAvoidsTheDecimalComma)
{
    EXPECT_EQ(FieldSeparator(QLocale(QLocale::English, QLocale::UnitedStates)), QStringLiteral(","));
    EXPECT_EQ(FieldSeparator(QLocale(QLocale::German, QLocale::Germany)), QStringLiteral(";"));
    EXPECT_EQ(FieldSeparator(QLocale(QLocale::French, QLocale::France)), QStringLiteral(";"));
    EXPECT_EQ(FieldSeparator(QLocale::c()), QStringLiteral(","));
}

TEST(SystemInfo, LocationCodeIsLanguageDashCountry)
{
    EXPECT_EQ(GetLocationCode(QLocale(QLocale::English, QLocale::UnitedKingdom)), QStringLiteral("en-GB"));
    EXPECT_EQ(GetLocationCode(QLocale(QLocale::German, QLocale::Austria)), QStringLiteral("de-AT"));
    EXPECT_EQ(GetLocationCode(QLocale::c()), QStringLiteral("en-US"));
}

TEST(SystemInfo, TemporaryFileNamesAreFreshAndTaken)
{
    TempFolder tmp;
    const QString first = TemporaryFileName(tmp.path(), QStringLiteral("rep"));
    const QString second = TemporaryFileName(tmp.path(), QStringLiteral("rep"));
    for (const QString& name : {first, second}) {
        const QFileInfo info(name);
        EXPECT_TRUE(info.isFile()) << name.toStdString();
        EXPECT_EQ(info.absolutePath(), QFileInfo(tmp.path()).absoluteFilePath());
        EXPECT_TRUE(info.fileName().startsWith(QStringLiteral("rep")));
        EXPECT_TRUE(name.endsWith(QStringLiteral(".tmp")));
    }
    EXPECT_NE(first, second);

    const QString defaulted = TemporaryFileName();
    EXPECT_TRUE(QFileInfo(defaulted).fileName().startsWith(QStringLiteral("tmp")));
    EXPECT_EQ(QFileInfo(defaulted).absolutePath(), QFileInfo(TemporaryFolder()).absoluteFilePath());
    QFile::remove(defaulted);

    EXPECT_EQ(TemporaryFileName(tmp.file(QStringLiteral("no/such/folder"))), QString());
}

TEST(SystemInfo, CompactPathKeepsTheStartAndTheFileName)
{
    struct Case { const char16_t* path; int width; const char16_t* shown; };
    const Case cases[] = {
        {u"/home/user/data/file.csv", 40, u"/home/user/data/file.csv"},
        {u"/home/user/data/archive/file.csv", 20, u"/home/user…/file.csv"},
        {u"C:\\dir\\sub\\name.txt", 15, u"C:\\di…\\name.txt"},
        {u"/very/long-file-name-here.csv", 10, u"long-file…"},
        {u"/a/name.csv", 9, u"name.csv"},
        {u"plainname", 5, u"plai…"},
        {u"/a/b.txt", 0, u""},
    };
    for (const auto& c : cases) {
        const QString shown = CompactPath(QString::fromUtf16(c.path), c.width);
        EXPECT_EQ(shown, QString::fromUtf16(c.shown)) << c.width;
        EXPECT_LE(shown.size(), c.width);
    }
}

TEST(SystemInfo, GetDirCreatesTheApplicationDataFolder)
{
    TempFolder tmp;
    const QString wanted = tmp.file(QStringLiteral("user/share"));
    ScopedEnvironment dataHome("XDG_DATA_HOME", wanted.toLocal8Bit());
    LogCapture capture;
    QString path = QStringLiteral("stale");
    EXPECT_EQ(GetDir(capture.log, FolderId::AppData, path), 0);
    EXPECT_EQ(QDir::fromNativeSeparators(path), wanted);
    EXPECT_TRUE(QFileInfo(wanted).isDir());
    EXPECT_TRUE(capture.lines.isEmpty());
}

TEST(SystemInfo, GetDirFailuresGiveNegativeResultsAndWarnings)
{
    TempFolder tmp;
    const QString blocker = tmp.file(QStringLiteral("file"));
    QFile(blocker).open(QIODevice::WriteOnly);
    // The data folder would have to be made inside a plain file.
    ScopedEnvironment dataHome("XDG_DATA_HOME", (blocker + QStringLiteral("/share")).toLocal8Bit());

    struct Case { int id; int result; const char* logged; };
    const Case cases[] = {
        {FolderId::AppData, -1, "SHGetFolderPath( ..., 0x001A,... ) returned FALSE."},
        {0x0024, -1, "SHGetFolderPath( ..., 0x0024,... ) returned FALSE."},   // a folder this platform lacks
        {0x7FFF, -2, "SHGetFolderPath( ..., 0x7FFF,... ) is an invalid CSIDL."},
        {-5, -2, nullptr},
    };
    for (const auto& c : cases) {
        LogCapture capture;
        QString path = QStringLiteral("stale");
        EXPECT_EQ(GetDir(capture.log, c.id, path), c.result) << c.id;
        EXPECT_TRUE(path.isEmpty());
        ASSERT_EQ(capture.lines.size(), 1) << c.id;
        EXPECT_EQ(capture.lines[0].first, SessionLog::Warning);
        if (c.logged) {
            EXPECT_TRUE(capture.lines[0].second.endsWith(QLatin1Char('\t') + QString::fromLatin1(c.logged)))
                << capture.lines[0].second.toStdString();
        }
    }
}

TEST(SystemInfo, UserProfileFallsBackToTheHomeFolder)
{
    {
        ScopedEnvironment profile("USERPROFILE", "/profiles/someone");
        EXPECT_EQ(UsrDir(), QStringLiteral("/profiles/someone"));
    }
    {
        ScopedEnvironment profile("USERPROFILE", "");
        EXPECT_EQ(QDir::fromNativeSeparators(UsrDir()), QDir::homePath());
    }
    EXPECT_FALSE(GetUserName().isEmpty());
}
