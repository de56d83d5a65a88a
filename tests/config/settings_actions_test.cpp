#include "SettingsRig.h"
#include "instrument/ClockError.h"
#include "shell/SystemInfo.h"

#include <cmath>

namespace {

const QStringList RefreshFrames{"K", "G004206", "G002001", "G002101", "G002201", "G004C01", "G005701", "G007102",
    "G01F301", "G002E02", "G004804", "G005901", "G000207", "G000002", "G00280B", "G000903", "G002C02", "G004F01"};

const QString User = GetUserName();

class SettingsActions : public ::testing::TestWithParam<Transport> {
protected:
    bool start(const SimScenario& s = {}) { return rig.start(s, GetParam()); }
    SettingsRig rig;
};

} // namespace

TEST_P(SettingsActions, RefreshReadsEverythingInOrder)
{
    // Cycles 0x1234 with pointer 10, the fake-mode marker "QX", switches with auto-off blocked.
    ASSERT_TRUE(start(SettingsRig::withEeprom({{0x0009, "34120A"}, {0x002C, "5158"}, {0x002E, "1000"}})));
    const SettingsReading r = UpdateSettingsPage(rig.context);
    EXPECT_EQ(rig.payloads(), RefreshFrames);
    EXPECT_EQ(r.cycles, 4660);
    EXPECT_EQ(r.cyclePointer, 10);
    EXPECT_TRUE(r.fakeMode);
    EXPECT_EQ(r.switches, 0x1000);
    EXPECT_EQ(r.dataDump, false);
    EXPECT_EQ(r.mode, "Peak Detection");
    EXPECT_EQ(r.mgmFactor, -1);
    EXPECT_FLOAT_EQ(r.info.PumpDelta, -0.5f);
    EXPECT_EQ(rig.panels.panels[2].size(), 1);
}

TEST_P(SettingsActions, PumpValveSendAsksWritesAndRefreshes)
{
    ASSERT_TRUE(start());
    PumpValveSettings s;
    s.pumpMode = 1, s.pumpDelta = -2.5f, s.pumpTime = 1.5f;
    s.valveMode = 2, s.valveDelta = 0.0f, s.valveTime = 0.3f;
    s.sampleAtButtonPress = false;
    rig.prompts.answers = {Prompts::Answer::Yes};
    const PumpValveResult result = UsePumpValveSettings(rig.context, s);
    EXPECT_EQ(result.outcome, SettingsOutcome::Done);
    const QStringList sent = rig.payloads();
    ASSERT_GE(sent.size(), 3);
    EXPECT_EQ(sent.mid(0, 3), (QStringList{"B00200F", "B004202000301E7FF", "B000543"}));
    EXPECT_EQ(sent.mid(sent.size() - RefreshFrames.size()), RefreshFrames);
    ASSERT_TRUE(result.reading);
    EXPECT_FLOAT_EQ(result.reading->info.PumpDelta, -2.5f);
    EXPECT_FALSE(result.reading->info.CalibrationValid);
    EXPECT_EQ(rig.panels.panels[1], QStringList{SettingsMessages::PumpValveSent});
    EXPECT_EQ(rig.historyLines().value(0), "::: Pump and Valve settings changed by " + User);
}

TEST_P(SettingsActions, AlarmSendWritesFourBytesAndTheHistory)
{
    ASSERT_TRUE(start());
    const AlarmSettings alarm{true, true, 0, 1.25f};
    EXPECT_EQ(UseAlarmSettings(rig.context, alarm), SettingsOutcome::Done);
    EXPECT_EQ(rig.payloads(), (QStringList{"B0048FF", "B004A00", "B004B7D", "B0059FF"}));
    EXPECT_EQ(rig.panels.panels[1], QStringList{SettingsMessages::AlarmSent});
    EXPECT_EQ(rig.historyLines(), (QStringList{"::: Alarm settings changed by " + User, ":", ": Enabled  = True",
                                      ": Duration = 0", ": Level    = 1.25", ": Triggers if  over level", ":"}));
}

TEST_P(SettingsActions, KeyLockWithAutoOffSetIsDisabled)
{
    ASSERT_TRUE(start(SettingsRig::withEeprom({{0x002E, "1001"}})));
    const KeyLockResult result = ToggleKeyLock(rig.context);
    EXPECT_EQ(result.outcome, SettingsOutcome::Done);
    EXPECT_EQ(rig.payloads(), (QStringList{"G002E02", "B002E1000"}));
    EXPECT_EQ(rig.eeprom(0x002E, 2), QByteArray::fromHex("1000"));
    EXPECT_EQ(rig.prompts.texts_of("message"), QStringList{SettingsMessages::KeyLockDisabled});
    EXPECT_EQ(rig.historyLines(), QStringList{"::: Flag settings changed by " + User + " to 0b0001000000000000"});
}

TEST_P(SettingsActions, SwitchBoxesWriteOnlyWhatDiffers)
{
    struct Case {
        const char* name;
        bool autoOff;          // else "Save All"
        const char* switches;  // word at 0x002E
        bool remoteSave;
        bool checked;
        SettingsOutcome outcome;
        QStringList frames;
        QStringList history;
    };
    const Case cases[] = {
        {"auto-off blocked", true, "0001", false, true, SettingsOutcome::Done, {"G002E02", "B002E1001"},
            {"::: Flag settings changed by " + User + " to 0b0001000000000001"}},
        {"auto-off already blocked", true, "1000", false, true, SettingsOutcome::Unchanged, {"G002E02"}, {}},
        {"save all on", false, "0000", false, true, SettingsOutcome::Done, {"G01F301", "B01F3FF", "G01F301"},
            {"::: Remote FRAM Save flasg was toggled by " + User + " to be True"}},
        {"save all off", false, "0000", true, false, SettingsOutcome::Done, {"G01F301", "B01F300", "G01F301"},
            {"::: Remote FRAM Save flasg was toggled by " + User + " to be False"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsRig rig;
        SimScenario s = SettingsRig::withEeprom({{0x002E, c.switches}});
        s.remoteSave = c.remoteSave;
        ASSERT_TRUE(rig.start(s, GetParam()));
        const FlagBoxResult result =
            c.autoOff ? SetAutoOffBlocked(rig.context, c.checked) : SetSaveAll(rig.context, c.checked);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.checked, c.checked);
        EXPECT_EQ(rig.payloads(), c.frames);
        EXPECT_EQ(rig.historyLines(), c.history);
    }
}

TEST_P(SettingsActions, DataDumpAsksWritesAndFlipsTheCaption)
{
    ASSERT_TRUE(start());
    rig.prompts.answers = {Prompts::Answer::Yes, Prompts::Answer::Yes};
    DataDumpResult on = ToggleDataDump(rig.context, false);
    EXPECT_EQ(on.outcome, SettingsOutcome::Done);
    EXPECT_TRUE(on.enabled);
    EXPECT_EQ(rig.eeprom(0x004F, 1), QByteArray::fromHex("FF"));
    DataDumpResult off = ToggleDataDump(rig.context, true);
    EXPECT_FALSE(off.enabled);
    EXPECT_EQ(rig.payloads(), (QStringList{"B004FFF", "B004F00"}));
    EXPECT_EQ(rig.prompts.texts_of("yesno"),
        (QStringList{SettingsMessages::DataDumpEnableQuestion, SettingsMessages::DataDumpDisableQuestion}));
    EXPECT_EQ(rig.prompts.texts_of("message"),
        (QStringList{SettingsMessages::DataDumpEnabledBox, SettingsMessages::DataDumpDisabledBox}));
    EXPECT_EQ(rig.panels.panels[1], (QStringList{"Data Dump mode activated.", "Data Dump mode de-activated."}));
    EXPECT_EQ(rig.historyLines(),
        (QStringList{"::: Data Dump mode enabled by " + User, "::: Data Dump mode disabled by " + User}));
    EXPECT_TRUE(rig.linesAt(SessionLog::Info).contains("Data Dump Mode enabled."));
    // The warning before switching it on defaults to No; switching it off, to Yes.
    const QList<ScriptedPrompts::Shown> shown = rig.prompts.shown();
    ASSERT_EQ(shown.size(), 4);
    EXPECT_EQ(shown[0].defaultButton, Prompts::Answer::No);
    EXPECT_EQ(shown[0].icon, Prompts::Icon::Exclamation);
    EXPECT_EQ(shown[2].defaultButton, Prompts::Answer::Yes);
}

TEST_P(SettingsActions, ClockSetReadsBackAndMarksTheStateStale)
{
    SimScenario s;
    s.clockOffsetSeconds = -180;
    ASSERT_TRUE(start(s));
    // The cancel cuts the 5-second wait short; the clock is still read back.
    const auto started = std::chrono::steady_clock::now();
    {
        const std::jthread gesture = rig.cancelAfter(std::chrono::milliseconds(1000));
        EXPECT_EQ(SetClockToPcTime(rig.context), SettingsOutcome::Done);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4));
    const QStringList sent = rig.payloads();
    ASSERT_EQ(sent.size(), 2);
    EXPECT_TRUE(sent[0].startsWith("K") && sent[0].size() == 15) << sent[0].toStdString();
    EXPECT_EQ(sent[1], "K");
    EXPECT_FALSE(rig.cancel.isRequested());
    EXPECT_LT(std::fabs(ClockErrorDays(rig.info)), ClockErrorBalloonDays);
    EXPECT_EQ(rig.panels.panels[1], QStringList{SettingsMessages::ClockSet});
    // The reading just taken is shown at once, as the identity shows it.
    EXPECT_EQ(rig.panels.panels[2], QStringList{ClockErrorText(ClockErrorDays(rig.info))});
    EXPECT_EQ(rig.historyLines(), QStringList{"::: Instrument clock set by " + User});
    const qint64 idle = rig.link.lastCommsAt().secsTo(QDateTime::currentDateTime());
    EXPECT_GE(idle, 59);
    EXPECT_LE(idle, 65);
}

INSTANTIATE_TEST_SUITE_P(Transports, SettingsActions, BothTransports(), TransportName);

TEST(SettingsActionFaults, KeyLockNotTakenWritesNoHistory)
{
    struct Case {
        const char* name;
        const char* spoilt;   // requests the instrument answers with a broken reply
        QStringList frames;
    };
    const QStringList sixReads(6, "G002E02");
    const QStringList sixWrites(6, "B002E0001");
    const Case cases[] = {
        {"write not confirmed", "B002E", QStringList{"G002E02"} + sixWrites},
        // Without the word a write would clear the other switches: nothing is written.
        {"read failed", "G002E", sixReads},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsRig rig;
        SimScenario s;
        s.faults.corruptReply = {SimFaultRule::on(QString::fromLatin1(c.spoilt))};
        ASSERT_TRUE(rig.start(s, Transport::Serial));
        const KeyLockResult result = ToggleKeyLock(rig.context);
        EXPECT_EQ(result.outcome, SettingsOutcome::Failed);
        EXPECT_EQ(rig.payloads(), c.frames);
        EXPECT_TRUE(rig.historyLines().isEmpty());
        EXPECT_EQ(rig.prompts.texts_of("message"), QStringList{SettingsMessages::KeyLockNotChanged});
        EXPECT_TRUE(rig.linesAt(SessionLog::Problem).contains(SettingsMessages::KeyLockNotChanged));
    }
}

TEST(SettingsActionFaults, RefusedPasswordSendsNothingAndPutsTheBoxBack)
{
    struct Case {
        const char* name;
        std::function<bool(SettingsContext&)> act;   // true when the page shows what it showed before
    };
    const Case cases[] = {
        {"pump and valve", [](SettingsContext& c) { return !UsePumpValveSettings(c, {}).reading; }},
        {"alarm", [](SettingsContext& c) { return UseAlarmSettings(c, {}) == SettingsOutcome::Refused; }},
        {"key lock", [](SettingsContext& c) { return !ToggleKeyLock(c).switches; }},
        {"auto-off", [](SettingsContext& c) { return !SetAutoOffBlocked(c, true).checked; }},
        {"save all", [](SettingsContext& c) { return SetSaveAll(c, false).checked; }},
        {"data dump", [](SettingsContext& c) { return !ToggleDataDump(c, false).enabled; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsRig rig;
        ASSERT_TRUE(rig.start({}, Transport::Serial));
        rig.requirePassword("right");
        rig.prompts.texts = {QStringLiteral("wrong")};
        EXPECT_TRUE(c.act(rig.context));
        EXPECT_TRUE(rig.payloads().isEmpty());
        EXPECT_TRUE(rig.historyLines().isEmpty());
        EXPECT_EQ(rig.prompts.texts_of("message"), QStringList{"That's the wrong password - please try again."});
    }
}

TEST(SettingsActionFaults, DeclinedQuestionsSendNothing)
{
    struct Case {
        const char* name;
        std::function<void(SettingsRig&)> act;
    };
    const Case cases[] = {
        {"data dump", [](SettingsRig& r) { EXPECT_EQ(ToggleDataDump(r.context, false).outcome, SettingsOutcome::Refused); }},
        {"clock while the schedule runs", [](SettingsRig& r) {
             r.info.ScheduleRunning = true;
             EXPECT_EQ(SetClockToPcTime(r.context), SettingsOutcome::Refused);
             EXPECT_EQ(r.prompts.texts_of("yesno"), QStringList{SettingsMessages::ClockQuestion});
         }},
        {"pump and valve recalibration", [](SettingsRig& r) {
             EXPECT_EQ(UsePumpValveSettings(r.context, {}).outcome, SettingsOutcome::Failed);
             EXPECT_EQ(r.panels.panels[1], QStringList{SettingsMessages::PumpValveNotSent});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsRig rig;
        ASSERT_TRUE(rig.start({}, Transport::Serial));
        rig.prompts.answers = {Prompts::Answer::No};
        c.act(rig);
        for (const QString& frame : rig.payloads())
            EXPECT_FALSE(frame.startsWith("B") || (frame.size() > 1 && frame.startsWith("K"))) << frame.toStdString();
        EXPECT_TRUE(rig.historyLines().isEmpty());
    }
}

TEST(SettingsActionFaults, ClockThatDoesNotReadBackIsNotRecorded)
{
    SettingsRig rig;
    SimScenario s;
    s.faults.corruptReply = {SimFaultRule::on("K")};
    ASSERT_TRUE(rig.start(s, Transport::Serial));
    const std::jthread gesture = rig.cancelAfter(std::chrono::milliseconds(500));
    EXPECT_EQ(SetClockToPcTime(rig.context), SettingsOutcome::Failed);
    EXPECT_TRUE(rig.historyLines().isEmpty());
    EXPECT_EQ(rig.prompts.texts_of("message"), QStringList{SettingsMessages::ClockNotSet});
    EXPECT_FALSE(rig.panels.panels[1].contains(SettingsMessages::ClockSet));
    EXPECT_EQ(rig.panels.panels[2], QStringList{ClockErrorUnknownText});
}

TEST(SettingsRefreshClock, ErrorPanelAndBalloon)
{
    struct Case {
        const char* name;
        qint64 offset;      // instrument minus PC, seconds
        const char* panel;
        bool balloon;
    };
    const Case cases[] = {
        {"thirty seconds slow", -30, "Clock Error: +00:00:30", false},
        {"three minutes fast", 180, "Clock Error: -00:03:00", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsRig rig;
        SimScenario s;
        s.clockOffsetSeconds = c.offset;
        ASSERT_TRUE(rig.start(s, Transport::Serial));
        UpdateSettingsPage(rig.context);
        // The clock is read to the second; the PC's second may tick on between.
        const QString panel = rig.panels.panels[2].value(0);
        QStringList near;
        for (int tick : {-1, 0, 1})
            near << ClockErrorText((-c.offset + tick) / 86400.0);
        EXPECT_TRUE(near.contains(panel)) << panel.toStdString();
        EXPECT_EQ(near[1], c.panel);
        EXPECT_EQ(rig.prompts.texts_of("balloon").size(), c.balloon ? 1 : 0);
    }
}
