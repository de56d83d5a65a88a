#include "InstrumentRig.h"
#include "instrument/AddHistory.h"
#include "shell/TimeConv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

TEST(History, LinesCarryTheUtcStampAndEndCrLf)
{
    InstrumentRig rig;
    const QString folder = rig.folder.file("new");
    QDir().mkpath(folder);
    const qint64 before = UTCNow();
    EXPECT_TRUE(AddHistory(rig.services, folder, "::: Alarm settings changed by someone"));
    EXPECT_TRUE(AddHistory(rig.services, folder, QString()));
    const qint64 after = UTCNow();

    QFile file(QDir(folder).filePath("history.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), 3);   // two lines and the empty rest after the last LF
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(lines[i].endsWith('\r'));
        const qint64 stamp = lines[i].split('\t').first().toLongLong();
        EXPECT_GE(stamp, before);
        EXPECT_LE(stamp, after);
    }
    EXPECT_TRUE(lines[0].endsWith("\t::: Alarm settings changed by someone\r"));
    EXPECT_TRUE(lines[1].endsWith("\t\r"));
}

TEST(History, NoRecordFolderWritesNothing)
{
    InstrumentRig rig;
    EXPECT_FALSE(AddHistory(rig.services, QString(), "text"));
    EXPECT_FALSE(QFile::exists(rig.folder.file("history.txt")));
    EXPECT_EQ(rig.logged(SessionLog::Warning).size(), 1);
}
