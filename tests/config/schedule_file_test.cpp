// The schedule set-up file: what is written, what is read, and that a file
// with a bad value changes nothing.
#include "ServicesRig.h"
#include "config/ScheduleFile.h"
#include "config/ScheduleFileActions.h"
#include "config/SchedulePageModel.h"
#include "instrument/InstrumentInfo.h"
#include "shell/TextFile.h"

#include <QFile>
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <sys/stat.h>

namespace {

// A page refreshed from a Monday-to-Friday schedule from 08:00 for ten hours.
struct FilePage : ServicesRig {
    SchedulePageModel page;
    QStringList logged[256];

    FilePage()
    {
        log.setListener([this](const QString& line, int level) { logged[level] << line.section(QLatin1Char('\t'), 2); });
        InstrumentInfo info;
        info.Config = 0x10;
        info.WeekMask = WeekMasks::WeekdaysOnly;
        info.Frequency = 10;
        info.StartTime = QDateTime(ZeroDate().date(), QTime(8, 0));
        info.Duration = QDateTime(ZeroDate().date(), QTime(10, 0));
        page.take(info);
        page.refresh({true, false, false}, prompts, services.appCaption);
    }
    QString write(const QByteArray& content)
    {
        const QString path = data.file(QStringLiteral("set-up.sch"));
        WriteFileAtomically(path, content);
        return path;
    }
    bool load(const QByteArray& content) { return LoadScheduleFile(page, services, write(content)); }
};

} // namespace

TEST(ScheduleFile, WritesEightLinesEndedCrLf)
{
    FilePage f;
    f.page.toggleView();
    f.page.setStart(QTime(22, 5, 0));
    f.page.setLength(QTime(4, 0));
    f.page.applyPreset(WeekMasks::WeekendOnly);
    f.page.setComment(QStringLiteral("Site 4, hall B, north wall"));
    const QString path = f.data.file(QStringLiteral("out.sch"));
    ASSERT_TRUE(SaveScheduleFile(f.page, f.services, path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(),
        "# Karvex Technology Ltd. Tolvi-M Schedule File.\r\nS 22:05:00\r\nL 04:00:00\r\nF 10\r\nW 3\r\nC 16\r\n"
        "? Site 4, hall B, north wall\r\n# END OF FILE\r\n");
    EXPECT_EQ(f.logged[0].count(QStringLiteral("Data written to ") + path + ":"), 8);
}

TEST(ScheduleFile, SavedFileLoadsBackUnchanged)
{
    FilePage f;
    f.page.toggleView();
    f.page.setStart(QTime(6, 30));
    f.page.setLength(QTime(23, 59));
    f.page.setFrequency(45);
    f.page.applyPreset(WeekMasks::AllWeek);
    f.page.setComment(QStringLiteral("a, b,, c"));
    const QString path = f.data.file(QStringLiteral("round.sch"));
    ASSERT_TRUE(SaveScheduleFile(f.page, f.services, path));

    FilePage other;
    ASSERT_TRUE(LoadScheduleFile(other.page, other.services, path));
    other.page.refresh({true, false, false}, other.prompts, other.services.appCaption);
    EXPECT_EQ(other.page.start(), QTime(6, 30));
    EXPECT_EQ(other.page.length(), QTime(23, 59));
    EXPECT_EQ(other.page.frequency(), 45);
    EXPECT_EQ(other.page.weekMaskOfBoxes(), WeekMasks::AllWeek);
    EXPECT_EQ(other.page.comment(), "a, b,, c");
    EXPECT_TRUE(other.logged[0].contains(QStringLiteral("Opening ") + path + " as a Schedule file"));
    EXPECT_TRUE(other.logged[3].contains(QStringLiteral(" Karvex Technology Ltd. Tolvi-M Schedule File.")));
}

TEST(ScheduleFile, MissingAndUnknownKeysLeaveFieldsAlone)
{
    struct Case {
        const char* name;
        QByteArray content;
        uint8_t mask;
        QStringList unknown;
    };
    const Case cases[] = {
        {"only W 65: Sunday and Monday", "W 65\r\n", 65, {}},
        {"lower-case keys are unknown", "s 01:00:00\r\nl 02:00:00\r\nf 5\r\nw 3\r\nc 0\r\nx anything\r\nW 124\r\n",
            WeekMasks::WeekdaysOnly,
            {"Unknown setting in file: s 01:00:00", "Unknown setting in file: l 02:00:00", "Unknown setting in file: f 5",
                "Unknown setting in file: w 3", "Unknown setting in file: c 0", "Unknown setting in file: x anything"}},
        {"lines without CR", "x\nW 1\n", 1, {"Unknown setting in file: x"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FilePage f;
        ASSERT_TRUE(f.load(c.content));
        const ScheduleRecord& r = f.page.record();
        EXPECT_EQ(r.WeekMask, c.mask);
        EXPECT_EQ(r.StartTime.time(), QTime(8, 0));
        EXPECT_EQ(r.Duration.time(), QTime(10, 0));
        EXPECT_EQ(r.Frequency, 10);
        EXPECT_EQ(r.Config, 0x10);
        EXPECT_EQ(f.page.comment(), ScheduleTexts::InitialComment);
        EXPECT_EQ(f.logged[SessionLog::Warning], c.unknown);
    }
}

TEST(ScheduleFile, ABadValueChangesNothing)
{
    struct Case {
        const char* name;
        QByteArray content;
        const char* error;
    };
    const Case cases[] = {
        {"time that is not a time", "W 3\r\nF 20\r\nS 25:61:00\r\n",
            "Error 13 (Type mismatch) on line 3 in procedure btnSchedLoadFromFile_Click of Form frmMain."},
        {"number above a byte", "S 01:00:00\r\nW 3\r\nC 256\r\n",
            "Error 6 (Overflow: C 256 is outside 0 to 255) on line 3 in procedure btnSchedLoadFromFile_Click of Form "
            "frmMain."},
        {"negative number", "F -1\r\n",
            "Error 6 (Overflow: F -1 is outside 0 to 60) on line 1 in procedure btnSchedLoadFromFile_Click of Form "
            "frmMain."},
        // A byte the page cannot show is refused, never cut to fit.
        {"frequency above the control's 60", "W 3\r\nF 200\r\n",
            "Error 6 (Overflow: F 200 is outside 0 to 60) on line 2 in procedure btnSchedLoadFromFile_Click of Form "
            "frmMain."},
        {"week mask with an eighth day", "W 255\r\n",
            "Error 6 (Overflow: W 255 is outside 0 to 127) on line 1 in procedure btnSchedLoadFromFile_Click of Form "
            "frmMain."},
        {"configuration with unused bits", "F 5\r\nC 255\r\n",
            "Error 6 (Overflow: C 255 sets configuration bits the schedule does not use) on line 2 in procedure "
            "btnSchedLoadFromFile_Click of Form frmMain."},
        {"not a number", "S 01:00:00\r\n? kept?\r\nF ten\r\n",
            "Error 13 (Type mismatch) on line 3 in procedure btnSchedLoadFromFile_Click of Form frmMain."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FilePage f;
        const ScheduleRecord before = f.page.record();
        EXPECT_FALSE(f.load(c.content));
        const ScheduleRecord& r = f.page.record();
        EXPECT_EQ(r.WeekMask, before.WeekMask);
        EXPECT_EQ(r.Frequency, before.Frequency);
        EXPECT_EQ(r.StartTime, before.StartTime);
        EXPECT_EQ(r.Config, before.Config);
        EXPECT_EQ(f.page.comment(), ScheduleTexts::InitialComment);
        EXPECT_EQ(f.prompts.texts_of(QStringLiteral("message")), QStringList{QString::fromLatin1(c.error)});
        EXPECT_TRUE(f.logged[SessionLog::Error].contains(QString::fromLatin1(c.error)));
    }
}

TEST(ScheduleFile, TheLargestValuesThePageShowsAreTaken)
{
    FilePage f;
    ASSERT_TRUE(f.load("F 60\r\nW 127\r\nC 241\r\n"));
    EXPECT_EQ(f.page.record().Frequency, 60);
    EXPECT_EQ(f.page.record().WeekMask, 127);
    EXPECT_EQ(f.page.record().Config, 241);
}

TEST(ScheduleFile, LineEndsOfEveryKind)
{
    const struct {
        const char* name;
        QByteArray content;
    } cases[] = {
        {"CR LF", "W 3\r\nF 5\r\n"},
        {"LF", "W 3\nF 5\n"},
        {"CR alone", "W 3\rF 5\r"},
        {"mixed, last line unended", "# a\rW 3\r\n\nF 5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FilePage f;
        ASSERT_TRUE(f.load(c.content));
        EXPECT_EQ(f.page.record().WeekMask, 3);
        EXPECT_EQ(f.page.record().Frequency, 5);
    }
}

// Problems of the file as a whole: named by the file, not "on line 0", and
// nothing applied. A FIFO or device is refused without waiting on it.
TEST(ScheduleFile, AFileThatIsNoScheduleChangesNothing)
{
    std::mt19937 random(25);
    QByteArray noise(3000, '\0');
    for (char& byte : noise)
        byte = char('a' + random() % 26);   // no key of the file, no line end
    const struct {
        const char* name;
        std::function<QString(FilePage&)> make;
        const char* error;   // the part before " in file PATH ..."
    } cases[] = {
        {"missing", [](FilePage& f) { return f.data.file(QStringLiteral("none.sch")); }, "Error 53 (File not found)"},
        {"empty", [](FilePage& f) { return f.write(QByteArray()); },
            "Error 13 (Type mismatch: no schedule setting in the file)"},
        {"1000 NUL bytes", [](FilePage& f) { return f.write(QByteArray(1000, '\0')); },
            "Error 13 (Type mismatch: no schedule setting in the file)"},
        {"3 KB of letters", [&](FilePage& f) { return f.write(noise); },
            "Error 13 (Type mismatch: no schedule setting in the file)"},
        {"comments only", [](FilePage& f) { return f.write("# Karvex Technology Ltd. Tolvi-M Schedule File.\r\n"); },
            "Error 13 (Type mismatch: no schedule setting in the file)"},
        {"larger than 64 KB", [](FilePage& f) { return f.write("W 3\r\n" + QByteArray(70000, '#')); },
            "Error 75 (Path/File access error: it is larger than 65536 bytes)"},
        {"FIFO",
            [](FilePage& f) {
                const QString path = f.data.file(QStringLiteral("fifo.sch"));
                ::mkfifo(QFile::encodeName(path).constData(), 0600);
                return path;
            },
            "Error 75 (Path/File access error: it is not a regular file)"},
        {"link to /dev/zero",
            [](FilePage& f) {
                const QString path = f.data.file(QStringLiteral("zero.sch"));
                QFile::link(QStringLiteral("/dev/zero"), path);
                return path;
            },
            "Error 75 (Path/File access error: it is not a regular file)"},
        {"folder", [](FilePage& f) { return f.data.path(); }, "Error 75 (Path/File access error: it is a folder)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FilePage f;
        const ScheduleRecord before = f.page.record();
        const QString path = c.make(f);
        EXPECT_FALSE(LoadScheduleFile(f.page, f.services, path));
        EXPECT_EQ(f.page.record().WeekMask, before.WeekMask);
        EXPECT_EQ(f.page.record().Frequency, before.Frequency);
        EXPECT_EQ(f.page.comment(), ScheduleTexts::InitialComment);
        EXPECT_EQ(f.prompts.texts_of(QStringLiteral("message")),
            QStringList{QString::fromLatin1(c.error) + " in file " + path
                + " in procedure btnSchedLoadFromFile_Click of Form frmMain."});
    }
}

TEST(ScheduleFile, AFailedSaveNamesTheFile)
{
    FilePage f;
    const QString path = f.data.file(QStringLiteral("no/such/folder/out.sch"));
    EXPECT_FALSE(SaveScheduleFile(f.page, f.services, path));
    EXPECT_EQ(f.prompts.texts_of(QStringLiteral("message")),
        QStringList{"Error 75 (Path/File access error) in file " + path
            + " in procedure btnSchedSaveToFile_Click of Form frmMain."});
}

TEST(ScheduleFile, TimesReadUnderAnyLocale)
{
    struct Case {
        const char* name;
        const char* text;
        const char* locale;
        QTime time;
    };
    const Case cases[] = {
        {"24-hour under English", "22:30:00", "en_US", QTime(22, 30)},
        {"24-hour under German", "22:30:00", "de_DE", QTime(22, 30)},
        {"without seconds", "7:05", "en_GB", QTime(7, 5)},
        {"12-hour, written by an English system", "10:30:00 PM", "de_DE", QTime(22, 30)},
        {"12-hour, lower case", "6:15 am", "fi_FI", QTime(6, 15)},
        {"Finnish dots, read under Finnish", "22.30.00", "fi_FI", QTime(22, 30)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto time = ScheduleFile::ReadTime(QString::fromLatin1(c.text), QLocale(QString::fromLatin1(c.locale)));
        ASSERT_TRUE(time.has_value());
        EXPECT_EQ(*time, c.time);
    }
    EXPECT_FALSE(ScheduleFile::ReadTime(QStringLiteral("noon"), QLocale(QStringLiteral("en_US"))));
    EXPECT_FALSE(ScheduleFile::ReadTime(QString(), QLocale(QStringLiteral("en_US"))));
}

TEST(ScheduleFile, SavedUnderGermanLoadsUnderEnglish)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
    FilePage f;
    f.page.toggleView();
    f.page.setStart(QTime(21, 45));
    f.page.setLength(QTime(3, 30));
    const QString path = f.data.file(QStringLiteral("de.sch"));
    ASSERT_TRUE(SaveScheduleFile(f.page, f.services, path));

    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    const ScheduleFile::ReadResult read = ScheduleFile::Read(path, f.log, QLocale());
    QLocale::setDefault(previous);
    ASSERT_TRUE(read.content.has_value());
    EXPECT_EQ(read.content->start, QTime(21, 45));
    EXPECT_EQ(read.content->length, QTime(3, 30));
}

TEST(ScheduleFile, DialogChoices)
{
    const Prompts::FileChoice save = ScheduleSaveChoice(QDateTime(QDate(2026, 12, 7), QTime(9, 4, 5)));
    EXPECT_EQ(save.proposedName, "SCH_07090405");
    EXPECT_EQ(save.filters, (QStringList{"All Files (*.*)", "Schedule Files (*.sch)"}));
    EXPECT_EQ(save.selectedFilter, 1);
    EXPECT_EQ(save.defaultExtension, "sch");
    EXPECT_EQ(ScheduleOpenChoice().selectedFilter, 1);
}
