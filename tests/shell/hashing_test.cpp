#include "QtPrinters.h"
#include "TempFolder.h"
#include "shell/Hashing.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

TEST(Hashing, TextIsHashedWithItsLineFeedAsLatin1)
{
    struct Case { const char16_t* text; bool upper; const char* digest; };
    const Case cases[] = {
        {u"abc", false, "0bee89b07a248e27c83fc3d5951213c1"},
        {u"abc", true, "0BEE89B07A248E27C83FC3D5951213C1"},
        {u"", false, "68b329da9893e34099c7d8ad5cb9c940"},      // the line feed alone
        {u"café", false, "70941b2a2a6a84556c97b2a3220ef4be"},  // é as the single byte E9
    };
    for (const auto& c : cases)
        EXPECT_EQ(MD5Hash::HashText(QString::fromUtf16(c.text), c.upper), QString::fromLatin1(c.digest));
}

TEST(Hashing, FileIsHashedOverAllItsBlocks)
{
    TempFolder tmp;
    struct Case { const char* name; QByteArray content; const char* digest; };
    const Case cases[] = {
        {"empty.bin", QByteArray(), "d41d8cd98f00b204e9800998ecf8427e"},
        {"hello.txt", QByteArray("hello world"), "5eb63bbbe01eeed093cb22bb8f5acdc3"},
        {"large.bin", QByteArray(100000, 'a'), "1af6d6f2f682f76f80e606aeaaee1680"},
    };
    for (const auto& c : cases) {
        const QString path = tmp.file(QString::fromLatin1(c.name));
        writeFile(path, c.content);
        EXPECT_EQ(MD5Hash::HashFile(path), QString::fromLatin1(c.digest)) << c.name;
    }
    EXPECT_EQ(MD5Hash::HashFile(tmp.file(QStringLiteral("hello.txt")), true),
        QStringLiteral("5EB63BBBE01EEED093CB22BB8F5ACDC3"));
}

TEST(Hashing, MissingFileRaisesWithItsSource)
{
    TempFolder tmp;
    for (const QString& path : {tmp.file(QStringLiteral("absent.txt")), tmp.path()}) {
        try {
            MD5Hash::HashFile(path);
            ADD_FAILURE() << "no failure for " << path.toStdString();
        } catch (const MD5Hash::Failure& failure) {
            EXPECT_EQ(failure.source(), QStringLiteral("MD5Hash.HashFile"));
            EXPECT_EQ(failure.text(), QStringLiteral("File doesn't exist"));
        }
    }
}

TEST(Hashing, UnreadableFileRaisesInsteadOfGivingADigest)
{
    TempFolder tmp;
    const QString locked = tmp.file(QStringLiteral("locked.txt"));
    writeFile(locked, "secret");
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::Permissions()));
    // A file that cannot be opened, and one that opens but fails to read
    // (process memory at address 0 gives an I/O error on Linux).
    QStringList unreadable;
    if (QFile probe(locked); !probe.open(QIODevice::ReadOnly))
        unreadable << locked;
    if (QFileInfo(QStringLiteral("/proc/self/mem")).isFile())
        unreadable << QStringLiteral("/proc/self/mem");
    if (unreadable.isEmpty())
        GTEST_SKIP() << "no unreadable file on this system";
    for (const QString& path : unreadable) {
        try {
            const QString digest = MD5Hash::HashFile(path);
            ADD_FAILURE() << "digest " << digest.toStdString() << " for " << path.toStdString();
        } catch (const MD5Hash::Failure& failure) {
            EXPECT_TRUE(failure.text().startsWith(QStringLiteral("Failed to hash data block, system error ")))
                << failure.text().toStdString();
        }
    }
}
