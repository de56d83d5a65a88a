// The per-user settings file in a damaged data folder: whatever stands in
// its place is not waited on, not read into memory and not written over;
// the values of the run are kept in memory instead.
#include "TempFolder.h"
#include "shell/PerUserSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>

namespace {

void sized(const QString& path, qint64 size)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Settings]\nSettingRTC=7\n");
    ASSERT_TRUE(f.resize(size));
}

} // namespace

TEST(PerUserFile, WhatIsNoSmallRegularFileIsSkippedUnread)
{
    const struct {
        const char* name;
        std::function<void(const QString&)> place;
        const char* why;
    } cases[] = {
        {"FIFO without a writer",
            [](const QString& path) { ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); },
            "it is not a regular file"},
        {"link to /dev/zero", [](const QString& path) { ASSERT_TRUE(QFile::link("/dev/zero", path)); },
            "it is not a regular file"},
        {"folder", [](const QString& path) { ASSERT_TRUE(QDir().mkdir(path)); }, "it is a folder"},
        {"3 GB sparse", [](const QString& path) { sized(path, 3LL * 1024 * 1024 * 1024); }, "it is larger than 1 MB"},
        {"200 MB", [](const QString& path) { sized(path, 200LL * 1024 * 1024); }, "it is larger than 1 MB"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const QString path = folder.file(QStringLiteral("peruser.ini"));
        c.place(path);
        const QFileInfo before(path);
        PerUserSettings perUser(path);
        EXPECT_EQ(perUser.skipped(), QString::fromLatin1(c.why));
        EXPECT_FALSE(perUser.contains(QStringLiteral("Settings"), QStringLiteral("SettingRTC")));
        // The run goes on in memory; the file is left as it stood.
        perUser.setValue(QStringLiteral("Settings"), QStringLiteral("SettingRTC"), 3);
        perUser.setValue(QStringLiteral("Settings"), QStringLiteral("Other"), 4);
        EXPECT_EQ(perUser.value(QStringLiteral("Settings"), QStringLiteral("SettingRTC")).toInt(), 3);
        EXPECT_EQ(perUser.keys(QStringLiteral("Settings")), (QStringList{"Other", "SettingRTC"}));
        perUser.remove(QString(), QStringLiteral("Settings"));
        EXPECT_TRUE(perUser.keys(QStringLiteral("Settings")).isEmpty());
        const QFileInfo after(path);
        EXPECT_EQ(after.isSymLink(), before.isSymLink());
        EXPECT_EQ(after.isFile(), before.isFile());
        EXPECT_EQ(after.size(), before.size());
    }
}

TEST(PerUserFile, ASmallFileIsReadAndWritten)
{
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("peruser.ini"));
    sized(path, 24);
    {
        PerUserSettings perUser(path);
        EXPECT_TRUE(perUser.skipped().isEmpty());
        EXPECT_EQ(perUser.value(QStringLiteral("Settings"), QStringLiteral("SettingRTC")).toInt(), 7);
        perUser.setValue(QStringLiteral("Settings"), QStringLiteral("SettingRTC"), 8);
    }
    EXPECT_EQ(PerUserSettings(path).value(QStringLiteral("Settings"), QStringLiteral("SettingRTC")).toInt(), 8);
}
