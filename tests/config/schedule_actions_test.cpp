// The Schedule page's instrument work against the simulated instrument, over
// a pseudo-terminal and over TCP: the refresh's probe, "Use These Settings"
// and "Start/Stop Schedule".
#include "../data/SimRig.h"
#include "../instrument/ZoneForTest.h"
#include "QtPrinters.h"
#include "config/ScheduleActions.h"
#include "instrument/Schedule.h"
#include "Transports.h"

#include <gtest/gtest.h>

namespace {

class ScheduleActionsTest : public ::testing::TestWithParam<Transport> {
protected:
    // A fresh instrument and page; unless told otherwise, as the connection
    // leaves them: the schedule read, the page refreshed.
    bool start(const SimScenario& scenario, bool refreshed = true)
    {
        rig = std::make_unique<SimRig>();
        page = SchedulePageModel();
        sentBefore = 0;
        if (!rig->start(scenario, GetParam() == Transport::Network))
            return false;
        if (refreshed) {
            tolviM::GetScheduleDetails(rig->link, rig->services, rig->info);
            UpdateSchedulePage(page, rig->link, rig->services, rig->info);
        }
        sentBefore = rig->payloads().size();
        return true;
    }
    // Payloads sent since the page was refreshed.
    QStringList sentSince() const { return rig->payloads().mid(sentBefore); }
    ScheduleContext context() { return ScheduleContext{rig->services, rig->link, rig->info, rig->observer, {}}; }
    int instrumentState() const
    {
        return rig->sim->engine().inspect([](const SimInstrument& i) { return i.scheduleState(); });
    }

    std::unique_ptr<SimRig> rig;
    SchedulePageModel page;
    qsizetype sentBefore = 0;
};

SimScenario WithState(std::optional<int> state, bool parkSensor = true)
{
    SimScenario s = SimRig::scenario(3);
    s.schedule.state = state;
    s.schedule.enabled = state.value_or(0) & 1;
    s.parkSensor = parkSensor;
    return s;
}

} // namespace

TEST_P(ScheduleActionsTest, RefreshProbesTheParkSensorOnce)
{
    for (const bool park : {true, false}) {
        SCOPED_TRACE(park ? "park sensor" : "no park sensor");
        ASSERT_TRUE(start(WithState(0, park)));
        EXPECT_EQ(rig->payloads().mid(0, 5), (QStringList{"A00", "G020001", "G005401", "A04", "G01F002"}));
        EXPECT_EQ(page.parkSensorAvailable(), park);
        EXPECT_EQ(page.schedulePanel(), "Schedule: Disabled");
    }
}

TEST_P(ScheduleActionsTest, UseTheseSettingsSendsTheEditedScheduleAndReadsItBack)
{
    const ZoneForTest zone("UTC-1");   // one hour east of UTC
    ASSERT_TRUE(start(WithState(std::nullopt)));
    page.toggleView();
    page.setStart(QTime(22, 0));
    page.setLength(QTime(4, 0));
    page.setFrequency(15);
    page.applyPreset(WeekMasks::WeekendOnly);
    page.chooseMemoryFull(MemoryFullOption::Overwrite);
    rig->prompts.answers = {Prompts::Answer::Yes};
    ScheduleContext c = context();
    EXPECT_EQ(SendSchedule(c, page.recordToSend(QDate::currentDate())), ScheduleSendOutcome::Sent);

    // Overwrite on firmware whose memory-full byte is inverted: FF. The start
    // goes as UTC minutes (21:00 = 0x04EC), the length plus one (0x00F1); the
    // schedule is not enabled, so "A03" follows.
    EXPECT_EQ(sentSince(), (QStringList{"B0200FF", "A0100030F04EC00F1FFFF0000", "B005400", "A03", "A00", "G020001",
                               "G005401", "A04"}));
    EXPECT_EQ(rig->prompts.texts_of(QStringLiteral("yesno")), QStringList{ScheduleMessages::SendQuestion});
    EXPECT_EQ(rig->observer.panel1.last(), "New schedule sent to instrument.");
    EXPECT_EQ(rig->info.StartTime.time(), QTime(22, 0));   // read back as local time
    EXPECT_EQ(rig->info.WeekMask, WeekMasks::WeekendOnly);
    EXPECT_TRUE(rig->info.ContinueOnFull);
    EXPECT_TRUE(rig->historyLines().value(0).startsWith("::: New schedule uploaded by "));
    EXPECT_GE(rig->link.lastCommsAt().secsTo(QDateTime::currentDateTime()), 59);

    page.sent(ScheduleRecord::of(rig->info));
    EXPECT_EQ(page.record().Config, 0);   // the instrument keeps only the counter bit
    EXPECT_EQ(page.start(), QTime(22, 0)); // the controls stay as they were
}

TEST_P(ScheduleActionsTest, UseTheseSettingsRefusedSendsNothing)
{
    struct Case { const char* name; QByteArray userFile; Prompts::Answer answer; };
    const Case cases[] = {
        {"question answered No", "[Password]\r\nValid=False\r\n", Prompts::Answer::No},
        {"wrong password", "[Password]\r\nValid=True\r\nValue=0123456789abcdef0123456789abcdef\r\n",
            Prompts::Answer::Yes},
    };
    ASSERT_TRUE(start(WithState(0)));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFileAtomically(rig->tmp.file(QStringLiteral("user.txt")), c.userFile);
        rig->prompts.answers = {c.answer};
        rig->prompts.texts = {QStringLiteral("guess")};
        ScheduleContext ctx = context();
        EXPECT_EQ(SendSchedule(ctx, page.recordToSend(QDate::currentDate())), ScheduleSendOutcome::NotAllowed);
        EXPECT_TRUE(sentSince().isEmpty());
        EXPECT_TRUE(rig->historyLines().isEmpty());
    }
}

TEST_P(ScheduleActionsTest, StartStopByState)
{
    using S = ScheduleSwitch;
    using O = ScheduleSwitchOutcome;
    struct Case {
        const char* name;
        int state;
        S want;
        Prompts::Answer answer;
        QStringList sent;
        O outcome;
        bool enabledAfter;
    };
    const Case cases[] = {
        {"idle: start", 0, S::Toggle, Prompts::Answer::No, {"A04", "A02", "A04"}, O::Switched, true},
        {"enabled: stop", 1, S::Toggle, Prompts::Answer::No, {"A04", "A03", "A04"}, O::Switched, false},
        {"running, not enabled: nothing", 2, S::Toggle, Prompts::Answer::Yes, {"A04"}, O::RunningNotEnabled, false},
        {"running: stop declined", 3, S::Toggle, Prompts::Answer::No, {"A04"}, O::Declined, true},
        {"running: stop confirmed", 3, S::Toggle, Prompts::Answer::Yes, {"A04", "A03", "A04"}, O::Switched, false},
        {"start when enabled", 1, S::Start, Prompts::Answer::Yes, {"A04"}, O::Unchanged, true},
        {"start when running, not enabled", 2, S::Start, Prompts::Answer::Yes, {"A04"}, O::RunningNotEnabled, false},
        {"stop when idle", 0, S::Stop, Prompts::Answer::Yes, {"A04"}, O::Unchanged, false},
        {"stop when running", 3, S::Stop, Prompts::Answer::Yes, {"A04", "A03", "A04"}, O::Switched, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(start(WithState(c.state)));
        rig->prompts.answers = {c.answer};
        ScheduleContext ctx = context();
        const ScheduleSwitchResult result = SwitchSchedule(ctx, c.want, false);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.state, c.state);
        EXPECT_EQ(sentSince(), c.sent);
        EXPECT_EQ(instrumentState() & 1, c.enabledAfter ? 1 : 0);
        const bool switched = c.outcome == O::Switched;
        EXPECT_EQ(rig->linesAt(SessionLog::Info).contains(QStringLiteral("Schedule status toggled")), switched);
        // A switch says which way it went, and knows the state it left.
        const QString said = c.enabledAfter ? QStringLiteral("Schedule started.") : QStringLiteral("Schedule stopped.");
        EXPECT_EQ(rig->observer.panel1.contains(said), switched);
        EXPECT_EQ(result.stateAfter, switched ? std::optional<int>(instrumentState()) : std::nullopt);
        if (switched) {
            EXPECT_EQ(rig->info.ScheduleEnabled, c.enabledAfter);
        }
        EXPECT_EQ(rig->linesAt(SessionLog::Info).contains(QStringLiteral("Schedule is running but not enabled!")),
            c.state == 2);
        EXPECT_EQ(rig->prompts.texts_of(QStringLiteral("yesno")).size(),
            c.state == 3 && c.want != S::Start ? 1 : 0);
    }
}

TEST_P(ScheduleActionsTest, ToggleFromTheTrayShowsABalloonAndMarksTheStateStale)
{
    ASSERT_TRUE(start(WithState(0)));
    ScheduleContext c = context();
    EXPECT_EQ(SwitchSchedule(c, ScheduleSwitch::Toggle, true).outcome, ScheduleSwitchOutcome::Switched);
    const QList<ScriptedPrompts::Shown> shown = rig->prompts.shown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].kind, "balloon");
    EXPECT_EQ(shown[0].text, "Schedule started.");
    EXPECT_GE(rig->link.lastCommsAt().secsTo(QDateTime::currentDateTime()), 59);
}

TEST_P(ScheduleActionsTest, UnansweredStateCommandIsTriedThreeTimesAndEndsSilently)
{
    SimScenario s = WithState(0);
    s.faults.corruptReply = {SimFaultRule::on(QStringLiteral("A04"))};
    ASSERT_TRUE(start(s, false));
    ScheduleContext c = context();
    EXPECT_EQ(SwitchSchedule(c, ScheduleSwitch::Toggle, false).outcome, ScheduleSwitchOutcome::Failed);
    EXPECT_EQ(rig->payloads(), (QStringList{"A04", "A04", "A04"}));
    EXPECT_TRUE(rig->prompts.shown().isEmpty());
    EXPECT_TRUE(rig->observer.panel1.filter(QStringLiteral("Schedule s")).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Transports, ScheduleActionsTest, BothTransports(), TransportName);
