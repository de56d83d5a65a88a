#include "ScriptedPrompts.h"
#include "config/SettingsPageModel.h"
#include "config/SettingsRefresh.h"

#include <gtest/gtest.h>

namespace {

using Unit = SettingsPageModel::Unit;

// A reading as the demo instrument gives it: pump timed -0.5 s for 5 s,
// valve timed 0 s for 5 s, sampling at time zero, alarm off, dynamic factor.
SettingsReading BaseReading()
{
    SettingsReading r;
    InstrumentInfo& i = r.info;
    i.PumpMode = 1, i.PumpDelta = -0.5f, i.PumpTime = 5.0f;
    i.ValveMode = 1, i.ValveDelta = 0.0f, i.ValveTime = 5.0f;
    i.SampleStart = 0xFF;
    i.AlarmDuration = 5, i.AlarmSetting = 1.0f;
    i.Manufactured = QDateTime(QDate(2021, 3, 12), QTime());
    r.mode = "Peak Detection", r.limit = "QRA", r.gate = "GTN unused A2T unused";
    r.mgmFactor = -1;
    r.switches = 0;
    return r;
}

struct ReadingCase {
    const char* name;
    std::function<void(SettingsReading&)> reading;
    std::function<void(const SettingsPageModel&)> check;
};

class SettingsPageRefresh : public ::testing::TestWithParam<ReadingCase> {};

} // namespace

TEST_P(SettingsPageRefresh, ShowsWhatWasRead)
{
    SettingsReading r = BaseReading();
    GetParam().reading(r);
    ScriptedPrompts prompts;
    SettingsPageModel page(QLocale::c());
    page.apply(r, prompts);
    GetParam().check(page);
}

const ReadingCase ReadingCases[] = {
    {"PumpDelayMinus2_5MovesTheMarker", [](SettingsReading& r) { r.info.PumpDelta = -2.5f; },
        [](const SettingsPageModel& p) {
            EXPECT_EQ(p.pump.delta, -25);
            EXPECT_EQ(p.pump.deltaLabel, "-2.5 s");
            const PumpValveDiagram d = p.diagram();
            EXPECT_EQ(d.buttonPress, -25);
            EXPECT_DOUBLE_EQ(PumpValveDiagram::x(d.buttonPress, 512), 128 - 25);
            EXPECT_EQ(d.pump.from, -25);
            EXPECT_EQ(d.pump.to, 25);
            EXPECT_TRUE(d.pump.visible);
        }},
    {"ValveMode2IsAlways", [](SettingsReading& r) { r.info.ValveMode = 2; },
        [](const SettingsPageModel& p) {
            EXPECT_EQ(p.valve.selected, RunMode::Always);
            EXPECT_EQ(p.valve.deltaLabel, "-");
            EXPECT_EQ(p.valve.timeLabel, "-");
            EXPECT_FALSE(p.valve.controlsEnabled);
            EXPECT_FALSE(p.diagram().valve.visible);
            EXPECT_TRUE(p.diagram().valveFiller);
        }},
    {"UnknownModeLeavesTheOptions", [](SettingsReading& r) { r.info.PumpMode = 3; },
        [](const SettingsPageModel& p) {
            EXPECT_EQ(p.pump.selected, RunMode::Never);   // as the page stood
            EXPECT_FALSE(p.pump.controlsEnabled);
            EXPECT_EQ(p.pump.mode, 3);                    // sent back as read
            EXPECT_EQ(p.pumpValveSettings().pumpMode, 3);
        }},
    {"AlarmZeroIsContinuousAndLevel125", [](SettingsReading& r) {
         r.info.AlarmDuration = 0;
         r.info.AlarmSetting = 1.25f;
     },
        [](const SettingsPageModel& p) {
            EXPECT_EQ(p.alarmDurationLabel, "Continuous");
            EXPECT_EQ(p.alarmLevel, 125);
            EXPECT_EQ(p.alarmLevelLabel, "1.25 ppm");
        }},
    {"AlarmDurationInSeconds", [](SettingsReading& r) { r.info.AlarmDuration = 125; },
        [](const SettingsPageModel& p) { EXPECT_EQ(p.alarmDurationLabel, "125 s"); }},
    {"Factor640IsFixed", [](SettingsReading& r) { r.mgmFactor = 640; },
        [](const SettingsPageModel& p) {
            EXPECT_EQ(p.mgmCaption, "Fixed (c=640)");
            EXPECT_EQ(p.mgmTooltip, "mg/M^3 Conversion is fixed at 1.25");
        }},
    {"FactorMinus1IsDynamic", [](SettingsReading&) {},
        [](const SettingsPageModel& p) {
            EXPECT_EQ(p.mgmCaption, "Dynamic");
            EXPECT_EQ(p.mgmTooltip, "mg/M^3 Conversion changes with temperature");
        }},
    {"UncalibratedWithCyclesAndPointer", [](SettingsReading& r) {
         r.cycles = 4660;
         r.cyclePointer = 10;
     },
        [](const SettingsPageModel& p) {
            EXPECT_EQ(p.calibrationSummary, "\r\nInstrument is not calibrated!Cycles 4660 : Pointer 10");
        }},
    {"CalibratedSummaryAndFakeMode", [](SettingsReading& r) {
         InstrumentInfo& i = r.info;
         i.CalibrationValid = true;
         i.PeakValue = 10.0f, i.CalTemperature = 21, i.TimeToPeak = 12.3f;
         i.PeakGainMantissa = 2048, i.PeakGainExponent = 11, i.PeakGain = 1.0f;
         i.AreaGainMantissa = 3072, i.AreaGainExponent = 11, i.AreaGain = 1.5f;
         r.cycles = -1;
         r.cyclePointer = 0;
         r.fakeMode = true;
     },
        [](const SettingsPageModel& p) {
            EXPECT_EQ(p.calibrationSummary,
                "010.000 ppm@21oC, 012.3 s\r\nNormal:02048 E 011 = x 1.000000\r\nArea:03072 E 011 = x 1.500000\r\n"
                "Cycles -1 : Pointer 0 : Fake Mode");
        }},
    {"AutoOffBitAndKeyLock", [](SettingsReading& r) { r.switches = 0x1001; },
        [](const SettingsPageModel& p) {
            EXPECT_TRUE(p.autoOffBlocked);
            EXPECT_EQ(p.autoOffColour(), (FlagColour{128, 255, 0}));
            EXPECT_EQ(p.keyLocked(), true);
            EXPECT_EQ(p.saveAllColour(), (FlagColour{255, 128, 0}));
        }},
    {"ZeroDateShownAtTheRangeStart", [](SettingsReading& r) { r.info.Serviced = QDateTime(QDate(1899, 12, 30), QTime()); },
        [](const SettingsPageModel& p) {
            EXPECT_EQ(p.serviced, QDate(1900, 1, 1));
            EXPECT_EQ(p.manufactured, QDate(2021, 3, 12));
        }},
    {"DataDumpArmedFlipsTheCaption", [](SettingsReading& r) { r.dataDump = true; },
        [](const SettingsPageModel& p) { EXPECT_EQ(p.dataDumpCaption(), "Disable Data Dump"); }},
};

INSTANTIATE_TEST_SUITE_P(EdgeCases, SettingsPageRefresh, ::testing::ValuesIn(ReadingCases),
    [](const ::testing::TestParamInfo<ReadingCase>& info) { return std::string(info.param.name); });

TEST(SettingsPageModel, FailedReadsLeaveTheControlsAsTheyWere)
{
    ScriptedPrompts prompts;
    SettingsPageModel page(QLocale::c());
    SettingsReading r = BaseReading();
    r.mgmFactor = 640;
    r.switches = 0x1000;
    page.apply(r, prompts);
    SettingsReading failed = BaseReading();
    failed.mode.clear();
    failed.mgmFactor = 0;
    failed.switches.reset();
    page.apply(failed, prompts);
    EXPECT_EQ(page.modeText, "Peak Detection");
    EXPECT_EQ(page.mgmCaption, "Fixed (c=640)");
    EXPECT_TRUE(page.autoOffBlocked);
}

TEST(SettingsPageModel, RunOptionsSetControlsLabelsAndDiagram)
{
    struct Case {
        RunMode mode;
        bool enabled;
        const char* timeLabel;
        bool bar, filler;
    };
    const Case cases[] = {
        {RunMode::Never, false, "-", false, false},
        {RunMode::Timed, true, "2.5 s", true, false},
        {RunMode::Always, false, "-", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.mode));
        SettingsPageModel page(QLocale::c());
        page.setRunTime(Unit::Valve, 25);
        page.setDelta(Unit::Valve, -12);
        page.selectRunMode(Unit::Valve, c.mode);
        EXPECT_EQ(page.valve.mode, uint8_t(c.mode));
        EXPECT_EQ(page.valve.controlsEnabled, c.enabled);
        EXPECT_EQ(page.valve.timeLabel, c.timeLabel);
        const PumpValveDiagram d = page.diagram();
        EXPECT_EQ(d.valve.visible, c.bar);
        EXPECT_EQ(d.valveFiller, c.filler);
        // Only a timed valve moves the button press before time zero.
        EXPECT_EQ(d.buttonPress, c.mode == RunMode::Timed ? -12 : 0);
    }
}

TEST(SettingsPageModel, MarkerTakesTheEarlierTimedStartAndNeverPassesTimeZero)
{
    SettingsPageModel page(QLocale::c());
    page.selectRunMode(Unit::Pump, RunMode::Timed);
    page.selectRunMode(Unit::Valve, RunMode::Timed);
    page.setDelta(Unit::Pump, -5);
    page.setDelta(Unit::Valve, -30);
    EXPECT_EQ(page.diagram().buttonPress, -30);
    page.setDelta(Unit::Valve, 40);
    EXPECT_EQ(page.diagram().buttonPress, -5);
    page.setDelta(Unit::Pump, 10);
    EXPECT_EQ(page.diagram().buttonPress, 0);
    // The whole range fits: the earliest start at the left edge, the latest end inside.
    EXPECT_DOUBLE_EQ(PumpValveDiagram::x(SettingsRanges::DeltaMin, 1024), 0);
    EXPECT_LT(PumpValveDiagram::x(SettingsRanges::DeltaMax + SettingsRanges::RunTimeMax, 1024), 1024);
}

TEST(SettingsPageModel, ButtonPressWarnsAndWhatIsSentFollowsTheControls)
{
    ScriptedPrompts prompts;
    SettingsPageModel page(QLocale::c());
    SettingsReading r = BaseReading();
    r.info.SampleStart = 0;
    page.apply(r, prompts);
    EXPECT_EQ(prompts.texts_of("message"), QStringList{SettingsTexts::ButtonPressWarning});
    EXPECT_TRUE(page.sampleAtButtonPress);
    page.selectSampleAtTimeZero();
    page.setRunTime(Unit::Pump, 255);
    page.setAlarmLevel(300);   // the control stops at its end
    page.setAlarmEnabled(true);
    page.setAlarmDriveHigh(true);
    const PumpValveSettings pv = page.pumpValveSettings();
    EXPECT_FALSE(pv.sampleAtButtonPress);
    EXPECT_FLOAT_EQ(pv.pumpTime, 25.5f);
    EXPECT_FLOAT_EQ(pv.pumpDelta, -0.5f);
    const AlarmSettings alarm = page.alarmSettings();
    EXPECT_FLOAT_EQ(alarm.level, 2.55f);
    EXPECT_TRUE(alarm.enabled && alarm.over);
    EXPECT_EQ(prompts.texts_of("message").size(), 1);
}

TEST(SettingsPageModel, AdvancedToggle)
{
    SettingsPageModel page;
    EXPECT_FALSE(page.advancedShown);
    EXPECT_EQ(page.advancedCaption(), "Show Advanced Settings");
    page.toggleAdvanced();
    EXPECT_EQ(page.advancedCaption(), "Hide Advanced Settings");
    page.toggleAdvanced();
    EXPECT_EQ(page.advancedCaption(), "Show Advanced Settings");
}
