#include "QtPrinters.h"
#include "session/UpdateList.h"
#include "session/UpdateNames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(UpdateList, EveryLineKind)
{
    const QList<UpdateLine> lines = ParseUpdateList(QStringLiteral(
        "# a comment\r\n"
        "\r\n"
        "*?Go on?\n"
        "*\r"
        "$For the log\r\n"
        "%For a balloon too\r\n"
        "a.dll_:_0123_:_http://h/a.dll_:_ r _:_Newer a_:_extra\r\n"
        "short_:_entry\r\n"));
    ASSERT_EQ(lines.size(), 8);
    using K = UpdateLine::Kind;
    const K kinds[] = {K::Comment, K::Comment, K::InlineCommand, K::InlineCommand, K::LogText, K::BalloonText,
        K::FileEntry, K::FileEntry};
    for (int i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(lines[i].kind, kinds[i]);
        EXPECT_EQ(lines[i].lineNumber, i + 1);
    }
    EXPECT_EQ(lines[2].command, QLatin1Char('?'));
    EXPECT_EQ(lines[2].argument, QStringLiteral("Go on?"));
    EXPECT_EQ(lines[2].text, QStringLiteral("?Go on?"));
    EXPECT_TRUE(lines[3].command.isNull());
    EXPECT_EQ(lines[4].text, QStringLiteral("For the log"));
    EXPECT_EQ(lines[5].text, QStringLiteral("For a balloon too"));

    UpdateFileEntry entry;
    ASSERT_TRUE(ReadFileEntry(lines[6], entry));
    EXPECT_EQ(entry.name, QStringLiteral("a.dll"));
    EXPECT_EQ(entry.hash, QStringLiteral("0123"));
    EXPECT_EQ(entry.address, QStringLiteral("http://h/a.dll"));
    EXPECT_EQ(entry.command, QLatin1Char('R'));  // " r " counts as "R"
    EXPECT_EQ(entry.description, QStringLiteral("Newer a"));
    EXPECT_FALSE(ReadFileEntry(lines[7], entry));
}

TEST(UpdateList, CommandLettersAndNumbers)
{
    const struct { const char* field; QChar letter; } letters[] = {
        {"R", u'R'}, {" r ", u'R'}, {"\tu", u'U'}, {"x-ray", u'X'}, {"", QChar()}, {"   ", QChar()},
    };
    for (const auto& c : letters)
        EXPECT_EQ(UpdateCommandLetter(QString::fromLatin1(c.field)), c.letter) << c.field;

    const struct { const char* text; double value; } numbers[] = {
        {"3", 3}, {" 12abc", 12}, {"2.5", 2.5}, {"-1", -1}, {"abc", 0}, {"", 0}, {".5", 0.5},
    };
    for (const auto& c : numbers)
        EXPECT_DOUBLE_EQ(ListNumber(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(UpdateList, ListNameFromTheVersion)
{
    EXPECT_EQ(VersionListName(QStringLiteral("Tolvi"), QStringLiteral("1.0.0")), QStringLiteral("Tolvi_001000.txt"));
    EXPECT_EQ(VersionListName(QStringLiteral("Tolvi"), QStringLiteral("12.345.6")), QStringLiteral("Tolvi_012345.txt"));
    EXPECT_EQ(VersionRevision(QStringLiteral("1.2.7")), 7);
    EXPECT_EQ(VersionRevision(QStringLiteral("1.2")), 0);
}

TEST(UpdateList, ConfinedNames)
{
    QTemporaryDir root;
    const QString app = root.filePath(QStringLiteral("app"));
    QDir().mkpath(app + QStringLiteral("/sub"));
    QFile(root.filePath(QStringLiteral("outside.txt"))).open(QIODevice::WriteOnly);
    QFile(app + QStringLiteral("/inside.txt")).open(QIODevice::WriteOnly);
    QFile::link(root.filePath(QStringLiteral("outside.txt")), app + QStringLiteral("/out"));
    QFile::link(root.path(), app + QStringLiteral("/up"));
    QFile::link(app + QStringLiteral("/inside.txt"), app + QStringLiteral("/in"));
    QFile::link(root.filePath(QStringLiteral("nothing")), app + QStringLiteral("/dangling"));
    const QString base = QFileInfo(app).canonicalFilePath();

    const struct { const char* name; const char* path; bool throughLink; } usable[] = {
        {"a.dll", "/a.dll", false},
        {"sub\\b.dll", "/sub/b.dll", false},
        {"sub/../a.dll", "/a.dll", false},
        {"new/deeper/c.dll", "/new/deeper/c.dll", false},
        {"in", "/inside.txt", true},
    };
    for (const auto& c : usable) {
        SCOPED_TRACE(c.name);
        const ConfinedPath confined = ConfineToFolder(app, QString::fromLatin1(c.name));
        EXPECT_TRUE(confined.usable()) << confined.refusal.toStdString();
        EXPECT_EQ(confined.path, base + QString::fromLatin1(c.path));
        EXPECT_EQ(confined.throughLink, c.throughLink);
    }
    const char* refused[] = {"", "../outside.txt", "..\\outside.txt", "sub/../../outside.txt", "/etc/passwd",
        "\\\\server\\share", "C:\\Windows\\x.dll", "file.txt:stream", ".", "sub/..", "out", "up/outside.txt",
        "dangling", "a\nb"};
    for (const char* name : refused) {
        SCOPED_TRACE(name);
        const ConfinedPath confined = ConfineToFolder(app, QString::fromLatin1(name));
        EXPECT_FALSE(confined.usable());
        EXPECT_TRUE(confined.path.isEmpty());
    }
}

TEST(UpdateList, PlainFileNamesAndWebAddresses)
{
    for (const char* name : {"setup.exe", "notes v2.pdf", "..x"})
        EXPECT_TRUE(IsPlainFileName(QString::fromLatin1(name))) << name;
    for (const char* name : {"", ".", "..", "a/b.exe", "a\\b.exe", "../b.exe", "C:b.exe", "a\tb"})
        EXPECT_FALSE(IsPlainFileName(QString::fromLatin1(name))) << name;
    for (const char* address : {"http://host/a", "https://host:8443/ftp/x.exe", "HTTP://host/"})
        EXPECT_TRUE(IsWebAddress(QString::fromLatin1(address))) << address;
    for (const char* address : {"", "file:///etc/passwd", "ftp://host/a", "javascript:alert(1)", "http://", "host/a"})
        EXPECT_FALSE(IsWebAddress(QString::fromLatin1(address))) << address;
}
