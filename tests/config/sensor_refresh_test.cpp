#include "ConfigRig.h"
#include "QtPrinters.h"
#include "QuickTiming.h"
#include "config/RefreshParameters.h"
#include "link/SettingsStore.h"
#include "shell/SystemInfo.h"

#include <gtest/gtest.h>

namespace {

// The demo instrument's pump and valve bytes: 0x0020 = 32, 0x0042-0x0046 = 01 00 32 01 FB.
const QStringList SaveReads{"G002001", "G004205"};
const QStringList Restore{"B002032", "B004201003201FB"};
const QString RefreshedBox = QStringLiteral(
    "The sensor has been refreshed, disconnect from the instrument and turn off for about an hour before using it again.");

QStringList Concat(std::initializer_list<QStringList> parts)
{
    QStringList all;
    for (const QStringList& part : parts)
        all += part;
    return all;
}

QStringList Repeat(const QString& payload, int times)
{
    QStringList list;
    for (int i = 0; i < times; ++i)
        list << payload;
    return list;
}

QByteArray EepromBytes(ConfigRig& rig, int address, int count)
{
    return rig.sim->engine().inspect([&](const SimInstrument& i) { return i.eeprom().mid(address, count); });
}

// Milliseconds between the cycle requests the instrument received.
QList<qint64> CycleSpacingMs(ConfigRig& rig)
{
    QList<qint64> at;
    for (const SimFrameRecord& frame : rig.sim->engine().frameLog())
        if (frame.direction == SimFrameRecord::Received && frame.payload() == "P")
            at << frame.ms;
    QList<qint64> spacing;
    for (int i = 1; i < at.size(); ++i)
        spacing << at[i] - at[i - 1];
    return spacing;
}

} // namespace

TEST(SensorRefresh, FrameSequenceAgainstTheInstrument)
{
    struct Case {
        const char* name;
        QByteArray refreshSection;
        QStringList overwrite;   // the pump run time, then valve mode 1, delay 0 and the same run time
        int cycles;
    };
    const Case cases[] = {
        {"three short cycles", "[Refresh]\r\nCycles=3\r\nPRT=10\r\nLength=0.2\r\n", {"B00200A", "B004201000A"}, 3},
        {"no cycle at all", "[Refresh]\r\nCycles=0\r\nPRT=10\r\nLength=0.2\r\n", {"B00200A", "B004201000A"}, 0},
        {"longest run time", "[Refresh]\r\nCycles=1\r\nPRT=255\r\nLength=0.1\r\n", {"B0020FF", "B00420100FF"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConfigRig rig;
        ASSERT_TRUE(rig.start({}));
        rig.writeAppSettings(c.refreshSection);
        rig.prompts.answers = {Prompts::Answer::Yes};
        SensorRefreshContext context = rig.refresh();
        EXPECT_EQ(RefreshSensor(context), SensorRefreshOutcome::Refreshed);

        EXPECT_EQ(rig.payloads(), Concat({SaveReads, c.overwrite, {"L", "D5C31A7F2", "O"}, Repeat("P", c.cycles),
                                      {"C"}, Restore, {"U"}}));
        // The instrument left its TEST mode after the cycles and has its own settings back.
        EXPECT_FALSE(rig.sim->engine().inspect([](const SimInstrument& i) { return i.testMode(); }));
        EXPECT_EQ(rig.sim->engine().inspect([](const SimInstrument& i) { return i.testCycles(); }), c.cycles);
        EXPECT_EQ(EepromBytes(rig, 0x0020, 1), QByteArray::fromHex("32"));
        EXPECT_EQ(EepromBytes(rig, 0x0042, 5), QByteArray::fromHex("01003201FB"));

        EXPECT_EQ(rig.prompts.texts_of(QStringLiteral("message")), QStringList{RefreshedBox});
        EXPECT_TRUE(rig.observer.panel1.contains(QStringLiteral("Refreshing the sensor... [Done]")));
        EXPECT_EQ(rig.observer.panel1.last(), QString());
        QStringList cycleLines;
        for (int i = 1; i <= c.cycles; ++i)
            cycleLines << QStringLiteral("Refreshing the sensor... [Cycle %1 of %2]").arg(i).arg(c.cycles);
        EXPECT_EQ(rig.linesAt(SessionLog::Note), cycleLines);
        // Each cycle lasts its length, counted from before its request.
        for (qint64 ms : CycleSpacingMs(rig))
            EXPECT_GE(ms, 190);
    }
}

TEST(SensorRefresh, RefusalsAndUnconfirmedRunsSendNothing)
{
    struct Case {
        const char* name;
        QByteArray refreshSection;
        QString scheduleStatus;
        Prompts::Answer answer;
        SensorRefreshOutcome outcome;
        QString questionPart;   // in the question asked; empty: no question
        QString shownPart;      // in the one message shown; empty: none
    };
    const QString defaultQuestion = QStringLiteral(
        "Are you sure, the procedure will take about 3 minutes and 20 seconds to complete...");
    const Case cases[] = {
        {"schedule running", "", QStringLiteral("Schedule: Running"), Prompts::Answer::Yes,
            SensorRefreshOutcome::ScheduleNotDisabled, {}, QStringLiteral("You must disable the schedule first")},
        {"schedule state unknown", "", QStringLiteral("Schedule: ???"), Prompts::Answer::Yes,
            SensorRefreshOutcome::ScheduleNotDisabled, {}, QStringLiteral("You must disable the schedule first")},
        {"answered No, no Refresh section yet", "", QStringLiteral("Schedule: Disabled"), Prompts::Answer::No,
            SensorRefreshOutcome::NotConfirmed, defaultQuestion, {}},
        {"answered Cancel", "", QStringLiteral("Schedule: Disabled"), Prompts::Answer::Cancel,
            SensorRefreshOutcome::NotConfirmed, defaultQuestion, {}},
        {"an hour and more", "[Refresh]\r\nCycles=255\r\n", QStringLiteral("Schedule: Disabled"), Prompts::Answer::No,
            SensorRefreshOutcome::NotConfirmed, QStringLiteral("about 85 minutes and 0 seconds"), {}},
        {"cycles over a byte", "[Refresh]\r\nCycles=256\r\n", QStringLiteral("Schedule: Disabled"), Prompts::Answer::Yes,
            SensorRefreshOutcome::BadParameters, {},
            QStringLiteral("Error 6 (Overflow: \"Cycles\" in section \"Refresh\" of the settings file is \"256\"; "
                           "it must be 0 to 255) on line 0 in procedure btnDiagnoseProblem_Click of Form frmMain.")},
        {"negative run time", "[Refresh]\r\nPRT=-2\r\n", QStringLiteral("Schedule: Disabled"), Prompts::Answer::Yes,
            SensorRefreshOutcome::BadParameters, {}, QStringLiteral("\"PRT\" in section \"Refresh\"")},
        {"negative length", "[Refresh]\r\nLength=-3\r\n", QStringLiteral("Schedule: Disabled"), Prompts::Answer::Yes,
            SensorRefreshOutcome::BadParameters, {}, QStringLiteral("\"Length\" in section \"Refresh\"")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConfigRig rig;
        ASSERT_TRUE(rig.start({}));
        rig.writeAppSettings(c.refreshSection);
        rig.prompts.answers = {c.answer};
        SensorRefreshContext context = rig.refresh();
        context.scheduleStatus = c.scheduleStatus;
        EXPECT_EQ(RefreshSensor(context), c.outcome);
        EXPECT_EQ(rig.payloads(), QStringList{});

        const QStringList questions = rig.prompts.texts_of(QStringLiteral("yescancel"));
        if (c.questionPart.isEmpty()) {
            EXPECT_TRUE(questions.isEmpty());
        } else {
            ASSERT_EQ(questions.size(), 1);
            EXPECT_TRUE(questions[0].contains(c.questionPart)) << questions[0].toStdString();
            EXPECT_EQ(rig.observer.panel1, QStringList{QString()});   // the panel is cleared
        }
        const QStringList shown = rig.prompts.texts_of(QStringLiteral("message"));
        if (c.shownPart.isEmpty()) {
            EXPECT_TRUE(shown.isEmpty());
        } else {
            ASSERT_EQ(shown.size(), 1);
            EXPECT_TRUE(shown[0].contains(c.shownPart)) << shown[0].toStdString();
        }
    }
}

TEST(SensorRefresh, MissingKeysAreWrittenWithTheirDefaults)
{
    ConfigRig rig;
    rig.writeAppSettings("[Refresh]\r\nPRT=25\r\n");
    const RefreshParameters read = ReadRefreshParameters(rig.appSettings());
    EXPECT_EQ(read.cycles, 10);
    EXPECT_EQ(read.pumpRunTenths, 25);
    EXPECT_EQ(read.cycleSeconds, 20.0);
    EXPECT_EQ(StoreReadText(rig.appSettings(), RefreshSection, QStringLiteral("Cycles"), {}), QStringLiteral("10"));
    EXPECT_EQ(StoreReadText(rig.appSettings(), RefreshSection, QStringLiteral("PRT"), {}), QStringLiteral("25"));
    EXPECT_EQ(StoreReadText(rig.appSettings(), RefreshSection, QStringLiteral("Length"), {}), QStringLiteral("20"));

    // Values as a service engineer may type them.
    struct Case { const char* text; double number; };
    const Case numbers[] = {{"12", 12}, {" 7 cycles", 7}, {"abc", 0}, {"", 0}, {"2.5", 2.5}, {"-4", -4}, {"+.5s", 0.5}};
    for (const Case& c : numbers)
        EXPECT_EQ(LeadingDecimal(QString::fromLatin1(c.text)), c.number) << c.text;
}

TEST(SensorRefresh, InstrumentSwitchedOffMidWayEndsBoundedAndTellsTheUser)
{
    ConfigRig rig;
    SimScenario scenario;
    scenario.faults.switchOff = SimFaultRule::on(QStringLiteral("P"), 2);
    ASSERT_TRUE(rig.start(scenario));
    rig.writeAppSettings("[Refresh]\r\nCycles=3\r\nPRT=10\r\nLength=0.1\r\n");
    rig.prompts.answers = {Prompts::Answer::Yes};
    rig.link.setTiming(QuickTiming());   // every unanswered request waits out its timeout
    SensorRefreshContext context = rig.refresh(2);
    EXPECT_EQ(RefreshSensor(context), SensorRefreshOutcome::RestoreIncomplete);

    // Every cycle is still asked for; each of the three steps after them is
    // tried twice and given up; the keys are unlocked all the same.
    EXPECT_EQ(rig.payloads(), Concat({SaveReads, {"B00200A", "B004201000A", "L", "D5C31A7F2", "O", "P", "P", "P"},
                                  Repeat("C", 2), Repeat(Restore[0], 2), Repeat(Restore[1], 2), {"U"}}));
    EXPECT_TRUE(rig.observer.panel1.contains(QStringLiteral("Exiting 'TEST' mode... (no answer, attempt 1 of 2)")));

    const QString saved = QStringLiteral("0x0020 = 32, 0x0042 to 0x0046 = 01 00 32 01 FB");
    const QStringList shown = rig.prompts.texts_of(QStringLiteral("message"));
    ASSERT_EQ(shown.size(), 1);   // the warning only, not the "refreshed" box
    EXPECT_TRUE(shown[0].contains(QStringLiteral("It may still be in TEST mode."))) << shown[0].toStdString();
    EXPECT_TRUE(shown[0].contains(QStringLiteral("Its pump and valve settings may not have been restored.")));
    EXPECT_TRUE(shown[0].contains(saved));
    EXPECT_EQ(rig.prompts.shown().last().icon, Prompts::Icon::Exclamation);

    EXPECT_EQ(rig.historyLines(),
        (QStringList{QStringLiteral("::: Sensor refresh by ") + GetUserName() + QStringLiteral(" did not finish"),
            QStringLiteral(": The instrument did not answer when asked to leave TEST mode."),
            QStringLiteral(": The pump and valve settings may not have been restored."),
            QStringLiteral(": Saved settings: ") + saved,
            QStringLiteral(": Restore by hand with B002032 and B004201003201FB")}));
    const QStringList problems = rig.linesAt(SessionLog::Problem);
    EXPECT_TRUE(std::any_of(problems.begin(), problems.end(), [&](const QString& line) {
        return line.contains(saved) && line.contains(QStringLiteral("B004201003201FB"));
    })) << problems.join('\n').toStdString();
}

TEST(SensorRefresh, LeavingTestModeIsRepeatedUntilTheInstrumentAnswers)
{
    ConfigRig rig;
    SimScenario scenario;
    scenario.faults.noReply = {SimFaultRule::on(QStringLiteral("C"), 2)};
    ASSERT_TRUE(rig.start(scenario));
    rig.writeAppSettings("[Refresh]\r\nCycles=1\r\nPRT=10\r\nLength=0.1\r\n");
    rig.prompts.answers = {Prompts::Answer::Yes};
    rig.link.setTiming(QuickTiming());   // the two unanswered "C" wait out their timeouts
    SensorRefreshContext context = rig.refresh(3);
    EXPECT_EQ(RefreshSensor(context), SensorRefreshOutcome::Refreshed);
    EXPECT_EQ(rig.payloads(), Concat({SaveReads, {"B00200A", "B004201000A", "L", "D5C31A7F2", "O", "P"},
                                  Repeat("C", 3), Restore, {"U"}}));
    EXPECT_EQ(rig.prompts.texts_of(QStringLiteral("message")), QStringList{RefreshedBox});
    EXPECT_TRUE(rig.historyLines().isEmpty());
}

TEST(SensorRefresh, CancelStopsBetweenCyclesAndStillRestores)
{
    ConfigRig rig;
    ASSERT_TRUE(rig.start({}));
    rig.writeAppSettings("[Refresh]\r\nCycles=10\r\nPRT=10\r\nLength=0.6\r\n");
    rig.prompts.answers = {Prompts::Answer::Yes};
    // The status bar's cancel gesture, made while the second cycle runs.
    rig.observer.onText = [&](const QString& text) {
        if (text.startsWith(QStringLiteral("Refreshing the sensor... [Cycle 2 of 10]"))) {
            EXPECT_TRUE(SensorRefreshCancelGesture(text, rig.cancel, rig.services));
        }
    };
    SensorRefreshContext context = rig.refresh();
    EXPECT_EQ(RefreshSensor(context), SensorRefreshOutcome::Cancelled);

    // The running cycle is finished, then TEST mode is left and the settings restored.
    EXPECT_EQ(rig.payloads(), Concat({SaveReads, {"B00200A", "B004201000A", "L", "D5C31A7F2", "O", "P", "P", "C"},
                                  Restore, {"U"}}));
    EXPECT_FALSE(rig.sim->engine().inspect([](const SimInstrument& i) { return i.testMode(); }));
    EXPECT_TRUE(rig.observer.panel1.contains(
        QStringLiteral("Refreshing the sensor... [Cycle 2 of 10] (stopping after this cycle)")));
    EXPECT_TRUE(rig.prompts.texts_of(QStringLiteral("message")).isEmpty());
    EXPECT_EQ(rig.observer.panel1.last(),
        QStringLiteral("Sensor refresh cancelled; the pump and valve settings are as they were."));
    EXPECT_TRUE(rig.linesAt(SessionLog::Info).contains(QStringLiteral("Sensor refresh cancelled by user...")));

    // Other panel texts are not this gesture's.
    CancelToken other;
    for (const char* text : {"Downloading 12 of 300", "Refreshing the sensor...", "Refreshing the sensor... [Done]", ""})
        EXPECT_FALSE(SensorRefreshCancelGesture(QString::fromLatin1(text), other, rig.services)) << text;
    EXPECT_FALSE(other.isRequested());
}
