#include "InstrumentRig.h"
#include "instrument/AddHistory.h"
#include "shell/TimeConv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>

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

// A history.txt that is a link (to a file elsewhere, to a device) or a FIFO
// is not written through: the file it names stays as it was.
TEST(History, AFileThatIsNoRegularFileIsNotWrittenThrough)
{
    InstrumentRig rig;
    const QString folder = rig.folder.file("records");
    QDir().mkpath(folder);
    const QString outside = rig.folder.file("outside.txt");
    QFile file(outside);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("someone else's\n");
    file.close();
    const QString history = QDir(folder).filePath("history.txt");
    const struct {
        const char* name;
        std::function<void()> place;
        bool linkLogged;
    } cases[] = {
        {"link to a file elsewhere", [&] { ASSERT_TRUE(QFile::link(outside, history)); }, true},
        {"link to /dev/null", [&] { ASSERT_TRUE(QFile::link("/dev/null", history)); }, true},
        {"FIFO", [&] { ASSERT_EQ(::mkfifo(QFile::encodeName(history).constData(), 0600), 0); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(history);
        c.place();
        const qsizetype problems = rig.logged(SessionLog::Problem).size();
        EXPECT_FALSE(AddHistory(rig.services, folder, "::: not for the outside file"));
        EXPECT_EQ(rig.logged(SessionLog::Problem).size() - problems, c.linkLogged ? 1 : 0);
        QFile check(outside);
        ASSERT_TRUE(check.open(QIODevice::ReadOnly));
        EXPECT_EQ(check.readAll(), "someone else's\n");
    }
}
