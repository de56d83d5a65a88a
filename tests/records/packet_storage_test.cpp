#include "ArchiveContents.h"
#include "QtPrinters.h"
#include "TempFolder.h"
#include "records/PacketArchive.h"
#include "records/PacketFolder.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <csignal>
#include <stdexcept>
#include <sys/resource.h>

namespace {

void WriteFixture(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// Limits the size of every file this process writes, as a full disk would:
// a write past the limit fails (and raises no signal) until the object goes.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        ok_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    bool ok() const { return ok_; }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
    bool ok_ = false;
};

TEST(PackFolder, PacksTheTreeWithRelativePaths)
{
    TempFolder tmp;
    WriteFixture(tmp.file(QStringLiteral("tree/a.txt")), "a\r\n");
    WriteFixture(tmp.file(QStringLiteral("tree/sub/deeper/b.txt")), "b\r\n");
    QDir(tmp.path()).mkpath(QStringLiteral("tree/empty"));
    WriteFixture(tmp.file(QStringLiteral("outside.txt")), "outside\r\n");
    ASSERT_TRUE(QFile::link(tmp.file(QStringLiteral("outside.txt")), tmp.file(QStringLiteral("tree/link.txt"))));

    const PackResult result = PackFolder(tmp.file(QStringLiteral("tree")), tmp.file(QStringLiteral("out.zip")));

    ASSERT_TRUE(result.ok) << result.message.toStdString();
    const QMap<QString, QByteArray> entries = ArchiveEntries(tmp.file(QStringLiteral("out.zip")));
    EXPECT_EQ(entries.keys(), (QStringList{"a.txt", "empty/", "sub/", "sub/deeper/", "sub/deeper/b.txt"}));
    EXPECT_EQ(entries.value(QStringLiteral("sub/deeper/b.txt")), QByteArray("b\r\n"));
}

TEST(PackFolder, FullDiskKeepsTheEarlierArchive)
{
    TempFolder tmp;
    const QString archive = tmp.file(QStringLiteral("TechnicalFile.tolvi"));
    WriteFixture(archive, "the earlier archive");
    QByteArray noise(64 * 1024, '\0');
    QRandomGenerator generator(7);
    generator.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    WriteFixture(tmp.file(QStringLiteral("tree/noise.bin")), noise);

    PackResult result;
    {
        const FileSizeLimit limit(16 * 1024);
        ASSERT_TRUE(limit.ok());
        result = PackFolder(tmp.file(QStringLiteral("tree")), archive);
    }

    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.message.isEmpty());
    EXPECT_EQ(ReadFile(archive), QByteArray("the earlier archive"));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"TechnicalFile.tolvi"})
        << "no temporary file left behind";
}

TEST(PackFolder, MissingTargetFolderFails)
{
    TempFolder tmp;
    WriteFixture(tmp.file(QStringLiteral("tree/a.txt")), "a\r\n");
    const PackResult result = PackFolder(tmp.file(QStringLiteral("tree")), tmp.file(QStringLiteral("none/out.zip")));
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.message.startsWith(QStringLiteral("Could not create a file in"))) << result.message.toStdString();
}

// The working folder is cleared without reaching anything outside it.
class PacketFolderClear : public ::testing::Test {
protected:
    void SetUp() override
    {
        data = tmp.file(QStringLiteral("data"));
        QDir().mkpath(data);
        WriteFixture(tmp.file(QStringLiteral("outside/keep.txt")), "keep");
    }
    QString packet() const { return data + QStringLiteral("/Packet"); }
    bool outsideKept() const { return ReadFile(tmp.file(QStringLiteral("outside/keep.txt"))) == "keep"; }

    TempFolder tmp;
    QString data;
};

TEST_F(PacketFolderClear, RemovesLinksInsideWithoutFollowingThem)
{
    WriteFixture(packet() + QStringLiteral("/meta/old.txt"), "old");
    ASSERT_TRUE(QFile::link(tmp.file(QStringLiteral("outside")), packet() + QStringLiteral("/meta/folder-link")));
    ASSERT_TRUE(QFile::link(tmp.file(QStringLiteral("outside/keep.txt")), packet() + QStringLiteral("/file-link")));

    PacketFolder(data).clear();

    EXPECT_TRUE(QDir(packet()).exists());
    EXPECT_TRUE(QDir(packet()).isEmpty());
    EXPECT_TRUE(outsideKept());
}

TEST_F(PacketFolderClear, PacketThatIsALinkBecomesAFolderOfItsOwn)
{
    ASSERT_TRUE(QFile::link(tmp.file(QStringLiteral("outside")), packet()));

    PacketFolder(data).prepare();

    EXPECT_FALSE(QFileInfo(packet()).isSymLink());
    EXPECT_TRUE(QFileInfo(packet() + QStringLiteral("/meta/soft/README.TXT")).isFile());
    EXPECT_TRUE(outsideKept());
    EXPECT_EQ(QDir(tmp.file(QStringLiteral("outside"))).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
        QStringList{"keep.txt"});
}

TEST_F(PacketFolderClear, RefusesWhatIsNotItsFolder)
{
    struct Case {
        const char* name;
        QString dataFolder;
    };
    WriteFixture(packet(), "a file named Packet");
    for (const Case& c : {Case{"PacketIsAFile", data}, Case{"RelativeDataFolder", QStringLiteral("data")},
             Case{"NoDataFolder", QString()}}) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(PacketFolder(c.dataFolder).clear(), std::runtime_error);
    }
    EXPECT_EQ(ReadFile(packet()), QByteArray("a file named Packet"));
}

}
