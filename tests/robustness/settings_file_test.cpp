// Settings files as users and other programs leave them: random bytes,
// NULs, huge lines, old line ends, broken headers, byte-order marks. They
// load, read what can be read, and a change rewrites only its own line;
// a write that fails leaves the file as it was.
#include "TempFolder.h"
#include "link/SettingsStore.h"
#include "shell/DataFileRead.h"
#include "shell/IniFile.h"
#include "shell/SettingsFile.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <random>

#include <sys/resource.h>
#include <unistd.h>

namespace {

QByteArray RandomBytes(int size)
{
    std::mt19937 random(4711);
    QByteArray bytes(size, '\0');
    for (char& byte : bytes)
        byte = char(random() & 0xFF);
    return bytes;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QString WriteAll(const TempFolder& folder, const QByteArray& bytes)
{
    const QString path = folder.file(QStringLiteral("app.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

struct MessyFile {
    const char* name;
    QByteArray bytes;
    const char* section;   // an entry the file holds, read as value (nullptr: none)
    const char* key;
    QString value;
};

constexpr int kHuge = int(DataFileMaxBytes) - 64;

const MessyFile MessyFiles[] = {
    {"RandomBytes", RandomBytes(4000), nullptr, nullptr, {}},
    {"NulInValue", QByteArray("[S]\r\nk=a\0b\r\n", 12), "S", "k", QStringLiteral("a") + QChar(0) + "b"},
    // Just under the size a data-folder file may have.
    {"HugeLine", QByteArray(kHuge, 'x') + "\r\n[S]\r\nk=v\r\n", "S", "k", "v"},
    {"HugeValue", "[S]\r\nk=" + QByteArray(kHuge, 'v') + "\r\n", "S", "k", QString(kHuge, QLatin1Char('v'))},
    {"CarriageReturnsOnly", "[S]\rk=v\rj=w\r", "S", "j", "w"},
    {"MixedLineEnds", "[S]\nk=v\r\nj=w\rl=x", "S", "l", "x"},
    {"HeaderWithoutBracket", "[T\r\nk=v\r\n[S]\r\nk=w\r\n", "S", "k", "w"},
    {"LinesWithoutEquals", "[S]\r\nnothing here\r\n=novalue\r\nk=v\r\n", "S", "k", "v"},
    {"Utf8ByteOrderMark", "\xEF\xBB\xBF[S]\r\nk=v\r\n", "S", "k", "v"},
    {"Utf16ByteOrderMark", QByteArray("\xFF\xFE[\0S\0]\0\r\0\n\0", 12), nullptr, nullptr, {}},
    {"Latin1Text", "[S]\r\nk=\xE9t\xE9\r\n", "S", "k", QStringLiteral("\u00E9t\u00E9")},
    {"NoLineEndAtAll", "[S]", nullptr, nullptr, {}},
};

class MessyFileTest : public ::testing::TestWithParam<MessyFile> {};

TEST_P(MessyFileTest, LoadsReadsAndKeepsEveryByte)
{
    const MessyFile& f = GetParam();
    const IniFile file = IniFile::fromBytes(f.bytes);
    EXPECT_EQ(file.toBytes(), f.bytes);
    if (f.section) {
        EXPECT_EQ(file.value(f.section, f.key), f.value);
    }
}

// A new entry goes at the end; every byte before it stays as it was.
TEST_P(MessyFileTest, NewEntryLeavesTheRestUntouched)
{
    const MessyFile& f = GetParam();
    TempFolder folder;
    const QString path = WriteAll(folder, f.bytes);

    ASSERT_TRUE(WriteSettingsEntry(path, "Added", "key", "value"));
    const QByteArray after = ReadAll(path);
    EXPECT_TRUE(after.startsWith(f.bytes));
    EXPECT_EQ(ReadSettingsEntry(path, "Added", "key"), "value");
    if (f.section) {
        EXPECT_EQ(ReadSettingsEntry(path, f.section, f.key), f.value);
    }
}

// A file over the size limit is neither read nor rewritten: the entry is
// refused and every byte stays.
TEST(Robustness, OversizedSettingsFileIsLeftAsItWas)
{
    TempFolder folder;
    const QByteArray bytes = "[S]\r\nk=" + QByteArray(int(DataFileMaxBytes), 'v') + "\r\n";
    const QString path = WriteAll(folder, bytes);
    EXPECT_FALSE(WriteSettingsEntry(path, "Added", "key", "value"));
    EXPECT_EQ(ReadAll(path), bytes);
}

INSTANTIATE_TEST_SUITE_P(Robustness, MessyFileTest, ::testing::ValuesIn(MessyFiles),
    [](const auto& info) { return std::string(info.param.name); });

// Changing an entry rewrites that entry's line alone; its neighbours, their
// line ends and the file's own spelling of the key stay as they were.
TEST(SettingsFileChange, OnlyTheChangedLineIsRewritten)
{
    struct Case {
        const char* name;
        QByteArray before;
        const char* key;
        QString value;
        QByteArray after;
    };
    const Case cases[] = {
        {"CarriageReturnsOnly", "[S]\rk=v\rj=w\r", "k", "new", "[S]\rk=new\r\nj=w\r"},
        {"ByteOrderMark", "\xEF\xBB\xBF[S]\r\nk=v\r\n", "k", "new", "\xEF\xBB\xBF[S]\r\nk=new\r\n"},
        {"Latin1Key", "[S]\r\nGr\xF6\xDF" "e=1\nj=w", "Gr\u00F6\u00DFe", QStringLiteral("\u00FC"),
            "[S]\r\nGr\xF6\xDF" "e=\xFC\r\nj=w"},
        {"SpacedKeyKept", "[S]\r\n  K  =  v  \r\n", "k", "new", "[S]\r\n  K  =new\r\n"},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        const QString path = WriteAll(folder, c.before);
        ASSERT_TRUE(WriteSettingsEntry(path, "S", QString::fromUtf8(c.key), c.value)) << c.name;
        EXPECT_EQ(ReadAll(path), c.after) << c.name;
        EXPECT_EQ(ReadSettingsEntry(path, "S", QString::fromUtf8(c.key)), c.value) << c.name;
    }
}

// Makes every write that would grow a file past limit bytes fail (EFBIG),
// as a full disk does, for the life of the object.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

// True when a 4 kB write is refused, i.e. the file-size limit is in force.
bool limitBites(const QString& probePath)
{
    QFile probe(probePath);
    const bool written = probe.open(QIODevice::WriteOnly) && probe.write(QByteArray(4096, 'p')) == 4096
        && probe.flush();
    probe.close();
    probe.remove();
    return !written;
}

// A write that cannot complete reports failure and the file keeps its
// previous content, through every writing path.
TEST(SettingsFileChange, FailedWriteLeavesTheFileIntact)
{
    const QByteArray before = "; settings\r\n[S]\r\nk=v\r\n";
    const QString big(4096, QLatin1Char('x'));
    TempFolder folder;
    const QString path = WriteAll(folder, before);
    {
        FileSizeLimit limit(1024);
        if (!limitBites(folder.file(QStringLiteral("probe"))))
            GTEST_SKIP() << "the file-size limit is not in force here (as under some sanitizers)";
        EXPECT_FALSE(WriteSettingsEntry(path, "S", "k", big));
        EXPECT_EQ(StoreWrite(path, "S", "k", "S", big), 0);
        EXPECT_FALSE(WriteSettingsEntry(path, "T", "new", big));
    }
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"app.txt"}) << "no temporary left behind";
}

TEST(SettingsFileChange, FileInAReadOnlyFolderIsNotReplaced)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "folder permissions do not bind the superuser";
    const QByteArray before = "[S]\r\nk=v\r\n";
    TempFolder folder;
    const QString path = WriteAll(folder, before);
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool written = WriteSettingsEntry(path, "S", "k", "new");
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadAll(path), before);
}

} // namespace
