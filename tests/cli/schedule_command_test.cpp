// tolvi-cli schedule: against a simulated instrument kept across runs, so
// that what one run sends is what the next one reads.
#include "CliProcess.h"
#include "QtPrinters.h"
#include "SimHost.h"
#include "TempFolder.h"

#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

const QString Cli = BriskCli();

// A data folder whose user chose to have no password.
struct CliFolder : TempFolder {
    CliFolder()
    {
        QFile user(file(QStringLiteral("user.txt")));
        if (user.open(QIODevice::WriteOnly))
            user.write("[Password]\r\nValid=False\r\n");
    }
    // A run in this folder, in UTC so that start times go to the instrument unshifted.
    CliFinished run(const QStringList& arguments) const
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(path());
        process.start(Cli, QStringList{QStringLiteral("--data-dir"), path()} + arguments);
        return FinishCli(process);
    }
    QByteArray read(const QString& name) const
    {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void write(const QString& name, const QByteArray& content) const
    {
        QFile f(file(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(content);
    }
};

// The instrument on TCP: Monday to Friday from 08:00 for ten hours, every ten minutes.
struct Instrument {
    std::unique_ptr<SimHost> host;
    explicit Instrument(std::optional<int> state = std::nullopt)
    {
        SimScenario scenario;
        scenario.schedule.state = state;
        scenario.schedule.enabled = state.value_or(0) & 1;
        SimHostOptions options;
        options.pty = false;
        options.tcp = true;
        host = std::make_unique<SimHost>(scenario, options);
    }
    QStringList port() const { return {QStringLiteral("--port"), host->networkAddress()}; }
    QString block() const
    {
        return QString::fromLatin1(
            host->engine().inspect([](const SimInstrument& i) { return i.scheduleBlock(); }).toHex().toUpper());
    }
    bool received(const QByteArray& prefix) const
    {
        for (const QByteArray& payload : host->engine().receivedPayloads())
            if (payload.startsWith(prefix))
                return true;
        return false;
    }
};

const QString StartingBlock = QStringLiteral("107C0A01E00259FFFF0000");

} // namespace

TEST(ScheduleCommand, ShowsThePageAsTheWindowDoes)
{
    Instrument instrument(1);
    CliFolder folder;
    const CliFinished run = folder.run(instrument.port() + QStringList{"schedule", "show"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "Start: 08:00\nLength: 10:00\nEvery: 10 minutes\n"
                       "Days: Monday, Tuesday, Wednesday, Thursday, Friday\nOn full: until-full (Repeat (Until Full))\n"
                       "Counter: off\nPark sensor: off\nState: enabled\n");
    const CliFinished json = folder.run(instrument.port() + QStringList{"schedule", "show", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    EXPECT_TRUE(json.out.contains("\"days\": [\n        \"Monday\",")) << json.out.toStdString();
    EXPECT_TRUE(json.out.contains("\"every\": 10,"));
    EXPECT_TRUE(json.out.contains("\"parkSensorAvailable\": true,"));
}

TEST(ScheduleCommand, SetSendsTheNamedFieldsAndKeepsTheRest)
{
    Instrument instrument;
    CliFolder folder;
    // Without --yes and without a terminal the confirmation is refused.
    const CliFinished refused = folder.run(instrument.port() + QStringList{"schedule", "set", "--days", "weekend"});
    EXPECT_EQ(refused.exitCode, 4) << refused.err.toStdString();
    EXPECT_FALSE(instrument.received("A01"));

    const CliFinished run = folder.run(
        instrument.port() + QStringList{"--yes", "schedule", "set", "--start", "22:00", "--days", "weekend"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    // Counter bit only, Saturday and Sunday, every 10, 22:00 = 0x0528, length kept.
    EXPECT_EQ(instrument.block(), "00030A05280259FFFF0000");
    EXPECT_TRUE(run.out.startsWith("New schedule sent to instrument.\nStart: 22:00\nLength: 10:00\n"))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("Days: Saturday, Sunday\n"));
}

TEST(ScheduleCommand, DaysByNameOrTheirFirstThreeLetters)
{
    Instrument instrument;
    CliFolder folder;
    const CliFinished run =
        folder.run(instrument.port() + QStringList{"--yes", "schedule", "set", "--days", "Saturday,sun"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(instrument.block().mid(2, 2), "03");   // Saturday and Sunday
}

TEST(ScheduleCommand, StartAndStopByState)
{
    struct Case {
        const char* name;
        int state;
        QStringList arguments;
        int exitCode;
        const char* out;
        const char* err;
        bool sent;
    };
    const Case cases[] = {
        {"start an idle schedule", 0, {"schedule", "start"}, 0, "Schedule started.\n", "", true},
        {"start an enabled one", 1, {"schedule", "start"}, 0, "The schedule is already enabled; nothing was sent.\n",
            "", false},
        {"stop an idle one", 0, {"schedule", "stop"}, 0, "The schedule is not enabled; nothing was sent.\n", "", false},
        {"stop an enabled one", 1, {"schedule", "stop"}, 0, "Schedule stopped.\n", "", true},
        {"stop a running one, unconfirmed", 3, {"schedule", "stop"}, 4, "", "", false},
        {"stop a running one, confirmed", 3, {"--yes", "schedule", "stop"}, 0, "Schedule stopped.\n", "", true},
        {"running, not enabled", 2, {"schedule", "start"}, 3, "",
            "tolvi-cli: Schedule is running but not enabled! Nothing was sent.\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Instrument instrument(c.state);
        CliFolder folder;
        const CliFinished run = folder.run(instrument.port() + c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        EXPECT_EQ(run.out, QString::fromLatin1(c.out));
        if (*c.err) {
            EXPECT_EQ(run.err, QString::fromLatin1(c.err));
        }
        EXPECT_EQ(instrument.received("A02") || instrument.received("A03"), c.sent);
    }
}

TEST(ScheduleCommand, SaveLoadAndSendAFile)
{
    Instrument instrument;
    CliFolder folder;
    const CliFinished saved = folder.run(instrument.port() + QStringList{"schedule", "save", "week.sch"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err.toStdString();
    EXPECT_EQ(folder.read(QStringLiteral("week.sch")),
        "# Karvex Technology Ltd. Tolvi-M Schedule File.\r\nS 08:00:00\r\nL 10:00:00\r\nF 10\r\nW 124\r\nC 16\r\n"
        "? Click here to add a comment to the saved schedule setup...\r\n# END OF FILE\r\n");

    // Load alone needs no instrument and prints what the file holds.
    folder.write(QStringLiteral("part.sch"), "S 06:00:00\r\nW 65\r\n? north, east\r\n");
    const CliFinished shown = folder.run({"schedule", "load", "part.sch"});
    ASSERT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    EXPECT_EQ(shown.out, "Start: 06:00\nLength: (not in the file)\nEvery: (not in the file)\nDays: Monday, Sunday\n"
                         "Config: (not in the file)\nComment: north, east\n");

    // A bad value anywhere: nothing applied, nothing sent.
    folder.write(QStringLiteral("bad.sch"), "S 06:00:00\r\nF eleven\r\n");
    const CliFinished bad = folder.run(instrument.port() + QStringList{"--yes", "schedule", "load", "bad.sch", "--send"});
    EXPECT_EQ(bad.exitCode, 3);
    EXPECT_TRUE(bad.err.contains("Error 13 (Type mismatch) on line 2 in procedure btnSchedLoadFromFile_Click"))
        << bad.err.toStdString();
    EXPECT_EQ(instrument.block(), StartingBlock);

    // The file's fields over the instrument's, sent: 06:00 = 0x0168, Sunday and Monday.
    const CliFinished sent = folder.run(instrument.port() + QStringList{"--yes", "schedule", "load", "part.sch", "--send"});
    ASSERT_EQ(sent.exitCode, 0) << sent.err.toStdString();
    EXPECT_EQ(instrument.block(), "00410A01680259FFFF0000");
}

TEST(ScheduleCommand, SaveTakesTheCommentGiven)
{
    Instrument instrument;
    CliFolder folder;
    const CliFinished saved = folder.run(
        instrument.port() + QStringList{"schedule", "save", "week.sch", "--comment", "Site 4, north wall"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err.toStdString();
    EXPECT_TRUE(folder.read(QStringLiteral("week.sch")).contains("\r\n? Site 4, north wall\r\n# END OF FILE\r\n"));
    const CliFinished twoLines = folder.run({"schedule", "save", "x.sch", "--comment", "a\nb"});
    EXPECT_EQ(twoLines.exitCode, 1);
    EXPECT_TRUE(twoLines.err.contains("--comment takes one line of text")) << twoLines.err.toStdString();
}

// A file that is no schedule, or holds a value the page cannot show, is
// refused before the instrument is asked anything: nothing is sent.
TEST(ScheduleCommand, ARefusedFileSendsNothing)
{
    const struct {
        const char* name;
        QByteArray content;
        const char* error;
    } cases[] = {
        {"empty", "", "Error 13 (Type mismatch: no schedule setting in the file) in file "},
        {"1000 NUL bytes", QByteArray(1000, '\0'), "Error 13 (Type mismatch: no schedule setting in the file) in file "},
        {"F 200", "S 06:00:00\r\nF 200\r\n", "Error 6 (Overflow: F 200 is outside 0 to 60) on line 2"},
        {"W 255", "W 255\r\n", "Error 6 (Overflow: W 255 is outside 0 to 127) on line 1"},
        {"C 255", "C 255\r\n", "Error 6 (Overflow: C 255 sets configuration bits the schedule does not use) on line 1"},
    };
    Instrument instrument;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CliFolder folder;
        folder.write(QStringLiteral("bad.sch"), c.content);
        const CliFinished run = folder.run(instrument.port() + QStringList{"--yes", "schedule", "load", "bad.sch", "--send"});
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_TRUE(run.err.contains(QString::fromLatin1(c.error))) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains("on line 0")) << run.err.toStdString();
    }
    EXPECT_TRUE(instrument.host->engine().receivedPayloads().isEmpty());
    EXPECT_EQ(instrument.block(), StartingBlock);

    // Line ends of CR alone are lines all the same.
    CliFolder folder;
    folder.write(QStringLiteral("cr.sch"), "W 3\rF 5\r");
    const CliFinished shown = folder.run({"schedule", "load", "cr.sch"});
    ASSERT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    EXPECT_TRUE(shown.out.contains("Every: 5 minutes\nDays: Saturday, Sunday\n")) << shown.out.toStdString();
}

TEST(ScheduleCommand, UsageErrorsComeBeforeConnecting)
{
    struct Case { QStringList arguments; const char* message; };
    const Case cases[] = {
        {{"schedule"}, "usage: tolvi-cli [options] schedule"},
        {{"schedule", "frob"}, "usage: tolvi-cli [options] schedule show|set|start|stop|save FILE|load FILE"},
        {{"schedule", "save"}, "usage: tolvi-cli [options] schedule show|set|start|stop|save FILE|load FILE"},
        {{"schedule", "show", "extra"}, "usage: tolvi-cli [options] schedule show|set|start|stop|save FILE|load FILE"},
        {{"--demo", "schedule", "set"}, "schedule set needs at least one of"},
        {{"--demo", "schedule", "set", "--every", "61"}, "--every takes minutes from 0 (continuous) to 60"},
        {{"--demo", "schedule", "set", "--start", "25:00"}, "--start takes a time of day HH:MM"},
        {{"--demo", "schedule", "set", "--days", "mon,xyz"}, "--days takes all, weekdays, weekend"},
        {{"--demo", "schedule", "set", "--days", "monkey"}, "--days takes all, weekdays, weekend"},
        {{"--demo", "schedule", "set", "--days", "tues"}, "--days takes all, weekdays, weekend"},
        {{"--demo", "schedule", "set", "--on-full", "never"}, "--on-full takes overwrite or until-full"},
        {{"--demo", "schedule", "set", "--park", "maybe"}, "--park takes on or off"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        CliFolder folder;
        const CliFinished run = folder.run(c.arguments);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(QString::fromLatin1(c.message))) << run.err.toStdString();
        EXPECT_FALSE(folder.read(QStringLiteral("session.txt")).contains("Instrument replied."));
    }
}
