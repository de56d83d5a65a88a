#include "shell/IniFile.h"

#include <gtest/gtest.h>

namespace {

// A file as people and older versions leave it: CR LF and LF-only line ends,
// a comment, a junk line, an entry before any section, spaces around names,
// a Latin-1 byte, a section twice and no final line end.
const QByteArray kMessy =
    "; === User Settings ===\r\n"
    "orphan=1\r\n"
    "[Password]\r\n"
    "  Valid = True \r\n"
    "this line is junk\n"
    "Value=abc\n"
    "\r\n"
    "[Datafiles]\r\n"
    "Filter=2\r\n"
    "Owner=J\xF6rg\r\n"
    "[password]\r\n"
    "Valid=False\r\n"
    "Extra=second block\r\n"
    "[LastRemote]\r\n"
    "Address=10.0.0.5";

} // namespace

TEST(IniFile, ReadsEntriesFromMessyFile)
{
    struct Case { const char* section; const char* key; std::optional<QString> expected; };
    const Case cases[] = {
        {"Password", "Valid", QStringLiteral("True")},          // first block wins, spaces trimmed
        {"PASSWORD", "value", QStringLiteral("abc")},           // names match in any case
        {"Password", "Extra", QStringLiteral("second block")},  // a later block still counts
        {"Datafiles", "Owner", QStringLiteral("J\u00F6rg")},   // Latin-1 byte read as such
        {"LastRemote", "Address", QStringLiteral("10.0.0.5")}, // last line without line end
        {"Datafiles", "this line is junk", std::nullopt},
        {"", "orphan", std::nullopt},                           // entries before any section belong to none
        {"Missing", "Valid", std::nullopt},
    };
    const IniFile file = IniFile::fromBytes(kMessy);
    for (const auto& c : cases)
        EXPECT_EQ(file.value(QString::fromLatin1(c.section), QString::fromLatin1(c.key)), c.expected)
            << c.section << "/" << c.key;
}

TEST(IniFile, ListsSectionsAndEntriesOnce)
{
    const IniFile file = IniFile::fromBytes(kMessy);
    EXPECT_EQ(file.sections(), (QStringList{"Password", "Datafiles", "LastRemote"}));
    const QList<IniFile::Entry> expected = {{"Valid", "True"}, {"Value", "abc"}, {"Extra", "second block"}};
    EXPECT_EQ(file.entries(QStringLiteral("password")), expected);
}

TEST(IniFile, LoadingAndSavingUnchangedKeepsEveryByte)
{
    const QByteArray fixtures[] = {
        kMessy,
        "",
        "\xEF\xBB\xBF[S]\r\nk=\xC3\xA9\r\n",  // UTF-8 with a byte order mark
        "[S]\rk=v\r",                        // CR-only line ends: one unparsable line, kept
        QByteArray("[S]\r\nk=a\0b\r\n", 13), // a NUL inside a value
        "\xFF\xFE;\x00",
    };
    for (const QByteArray& bytes : fixtures)
        EXPECT_EQ(IniFile::fromBytes(bytes).toBytes(), bytes) << bytes.toHex().toStdString();
}

TEST(IniFile, ReadsUtf8WithByteOrderMark)
{
    const IniFile file = IniFile::fromBytes("\xEF\xBB\xBF[S]\r\nk=\xC3\xA9\r\n");
    EXPECT_EQ(file.value(QStringLiteral("S"), QStringLiteral("k")), QStringLiteral("\u00E9"));
}

TEST(IniFile, WritingChangesOnlyTheEntryConcerned)
{
    struct Case {
        const char* what;
        QByteArray before;
        const char* section;
        const char* key;
        QString value;
        QByteArray after;
    };
    const Case cases[] = {
        {"replace keeps the key's spelling and the other lines' bytes and line ends",
            "; c\n[Password]\nVALID = True\nValue=\xF6\n", "password", "Valid", "False",
            "; c\n[Password]\nVALID =False\r\nValue=\xF6\n"},
        {"new key goes after the section's last entry, before its trailing comment",
            "[A]\r\nk=1\r\n; about B\r\n\r\n[B]\r\nx=2\r\n", "A", "n", "3",
            "[A]\r\nk=1\r\nn=3\r\n; about B\r\n\r\n[B]\r\nx=2\r\n"},
        {"new key in a section without entries goes right after the header",
            "[A]\r\n; none yet\r\n", "A", "k", "v", "[A]\r\nk=v\r\n; none yet\r\n"},
        {"new section at the end of a file without final line end",
            "; === Application Settings ===", "Refresh", "Cycles", "4",
            "; === Application Settings ===\r\n[Refresh]\r\nCycles=4\r\n"},
        {"empty file", "", "S", "k", "v", "[S]\r\nk=v\r\n"},
        {"section twice: a new key goes into the first block",
            "[A]\r\nk=1\r\n[B]\r\n[a]\r\nm=2\r\n", "A", "n", "3",
            "[A]\r\nk=1\r\nn=3\r\n[B]\r\n[a]\r\nm=2\r\n"},
        {"section twice: a key of the second block is replaced there",
            "[A]\r\nk=1\r\n[a]\r\nm=2\r\n", "A", "m", "5", "[A]\r\nk=1\r\n[a]\r\nm=5\r\n"},
        {"a changed last line gets its line end", "[S]\r\nk=old", "S", "k", "new", "[S]\r\nk=new\r\n"},
        {"values are written as UTF-8", "[S]\r\n", "S", "who", QStringLiteral("J\u00F6rg"),
            "[S]\r\nwho=J\xC3\xB6rg\r\n"},
        {"a value over 255 characters is kept whole", "[S]\r\n", "S", "k", QString(300, QLatin1Char('x')),
            "[S]\r\nk=" + QByteArray(300, 'x') + "\r\n"},
    };
    for (const auto& c : cases) {
        IniFile file = IniFile::fromBytes(c.before);
        ASSERT_TRUE(file.setValue(QString::fromLatin1(c.section), QString::fromLatin1(c.key), c.value)) << c.what;
        EXPECT_EQ(file.toBytes(), c.after) << c.what;
        EXPECT_EQ(file.value(QString::fromLatin1(c.section), QString::fromLatin1(c.key)), c.value) << c.what;
    }
}

TEST(IniFile, RefusesNamesAndValuesThatWouldNotReadBack)
{
    struct Case { const char* section; QString key; QString value; };
    const Case cases[] = {
        {"S", "", "v"}, {"S", "  ", "v"}, {"S", "a=b", "v"}, {"S", ";k", "v"}, {"S", "[k", "v"},
        {"S]", "k", "v"}, {"S", "k", "line1\r\n[Injected]"}, {"S", "k", "a\nb"}, {"S\n", "k", "v"},
        {"S", "k", QStringLiteral("a") + QChar(0)}, {"S", QChar(0xFEFF) + QStringLiteral("k"), "v"},
    };
    const QByteArray before = "[S]\r\nk=1\r\n";
    for (const auto& c : cases) {
        IniFile file = IniFile::fromBytes(before);
        EXPECT_FALSE(file.setValue(QString::fromLatin1(c.section), c.key, c.value)) << c.section << "/" << c.key.toStdString();
        EXPECT_EQ(file.toBytes(), before);
    }
}

TEST(IniFile, RemovesKeysAndSections)
{
    IniFile file = IniFile::fromBytes("; top\r\n[A]\r\nk=1\r\nk=2\r\nm=3\r\n[B]\r\nx=1\r\n[a]\r\n; in A\r\nz=9\r\n");
    EXPECT_TRUE(file.removeKey(QStringLiteral("a"), QStringLiteral("K")));
    EXPECT_FALSE(file.removeKey(QStringLiteral("A"), QStringLiteral("k")));
    EXPECT_EQ(file.toBytes(), QByteArray("; top\r\n[A]\r\nm=3\r\n[B]\r\nx=1\r\n[a]\r\n; in A\r\nz=9\r\n"));
    EXPECT_TRUE(file.removeSection(QStringLiteral("A")));
    EXPECT_FALSE(file.removeSection(QStringLiteral("A")));
    EXPECT_EQ(file.toBytes(), QByteArray("; top\r\n[B]\r\nx=1\r\n"));
}
