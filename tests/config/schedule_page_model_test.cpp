// The Schedule page without widgets: refresh, handlers and preview.
#include "ScriptedPrompts.h"
#include "config/ScheduleFileActions.h"
#include "config/SchedulePageModel.h"
#include "instrument/InstrumentInfo.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

const QDate Today(2026, 12, 10);

QDateTime TimeOfDay(int h, int m) { return QDateTime(ZeroDate().date(), QTime(h, m)); }

// An enabled Monday-to-Friday schedule from 08:00 for ten hours, every ten
// minutes, stopping when the memory is full.
InstrumentInfo Recorded()
{
    InstrumentInfo info;
    info.Config = 0x10;
    info.WeekMask = WeekMasks::WeekdaysOnly;
    info.Frequency = 10;
    info.StartTime = TimeOfDay(8, 0);
    info.Duration = TimeOfDay(10, 0);
    info.StopOnFull = true;
    info.ContinueOnFull = false;
    info.ScheduleEnabled = true;
    return info;
}

struct Page {
    ScriptedPrompts prompts;
    SchedulePageModel model;
    void refresh(const InstrumentInfo& info, std::optional<bool> park = true)
    {
        model.take(info);
        model.refresh({park, info.ScheduleEnabled, info.ScheduleRunning}, prompts, QStringLiteral("Tolvi"));
    }
};

} // namespace

TEST(SchedulePreview, BarsOnTheDayLine)
{
    struct Case {
        const char* name;
        QTime start, length;
        double firstLeft, firstWidth, secondWidth;
    };
    // A line from 100 to 1540: one drawing unit a minute.
    const Case cases[] = {
        {"crosses midnight", QTime(22, 0), QTime(4, 0), 1420, 120, 120},
        {"whole day", QTime(0, 0), QTime(23, 59), 100, 1439, 0},
        {"ends at the right marker", QTime(12, 0), QTime(12, 0), 820, 720, 0},
        {"empty window", QTime(6, 0), QTime(0, 0), 460, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SchedulePageModel page;
        page.setStart(c.start);
        page.setLength(c.length);
        const SchedulePreview p = page.preview(100, 1540);
        EXPECT_DOUBLE_EQ(p.firstLeft, c.firstLeft);
        EXPECT_DOUBLE_EQ(p.firstWidth, c.firstWidth);
        EXPECT_DOUBLE_EQ(p.secondLeft, 100);
        EXPECT_DOUBLE_EQ(p.secondWidth, c.secondWidth);
    }
    // Other line lengths scale the minutes.
    SchedulePageModel page;
    page.setStart(QTime(22, 0));
    page.setLength(QTime(4, 0));
    const SchedulePreview half = page.preview(0, 720);
    EXPECT_DOUBLE_EQ(half.firstLeft, 660);
    EXPECT_DOUBLE_EQ(half.firstWidth, 60);
    EXPECT_DOUBLE_EQ(half.secondWidth, 60);
}

TEST(SchedulePageModel, FrequencyInTheSimpleViewDescribesAWholeWeek)
{
    struct Case {
        const char* name;
        bool advanced;
        int frequency;
        const char* label;
        QTime start, length;
        uint8_t mask;
    };
    const Case cases[] = {
        {"simple, 5 minutes", false, 5, "5 minutes", QTime(0, 0), QTime(23, 59), 127},
        {"simple, continuous", false, 0, "Continuous", QTime(0, 0), QTime(23, 59), 127},
        {"simple, above the range", false, 75, "60 minutes", QTime(0, 0), QTime(23, 59), 127},
        {"advanced keeps the window", true, 5, "5 minutes", QTime(8, 0), QTime(10, 0), 124},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Page page;
        page.refresh(Recorded());
        ASSERT_EQ(page.model.view(), SchedulePageModel::View::Simple);
        if (c.advanced)
            page.model.toggleView();
        page.model.setFrequency(c.frequency);
        EXPECT_EQ(page.model.frequencyLabel(), QString::fromLatin1(c.label));
        EXPECT_EQ(page.model.start(), c.start);
        EXPECT_EQ(page.model.length(), c.length);
        EXPECT_EQ(page.model.weekMaskOfBoxes(), c.mask);
    }
}

TEST(SchedulePageModel, RefreshFillsTheControlsAndKeepsTheView)
{
    Page page;
    InstrumentInfo info = Recorded();
    info.Frequency = 90;     // beyond what the page shows
    info.Counter = -5;
    info.ScheduleRunning = true;
    page.refresh(info);
    const SchedulePageModel& m = page.model;
    // The simple view stays, and the refresh did not apply its all-day rule.
    EXPECT_EQ(m.view(), SchedulePageModel::View::Simple);
    EXPECT_EQ(m.viewToggleText(), "Advanced >");
    EXPECT_FALSE(m.setupExpanded());
    EXPECT_EQ(m.start(), QTime(8, 0));
    EXPECT_EQ(m.length(), QTime(10, 0));
    EXPECT_EQ(m.frequency(), 60);
    EXPECT_EQ(m.record().Frequency, 60);
    EXPECT_EQ(m.weekMaskOfBoxes(), WeekMasks::WeekdaysOnly);
    EXPECT_EQ(m.counterValue(), 0);
    EXPECT_EQ(m.record().Counter, 0);
    EXPECT_EQ(m.counterLabel(), "-");
    EXPECT_FALSE(m.counterEnabled());
    EXPECT_EQ(m.memoryFullOption(), MemoryFullOption::UntilFull);
    EXPECT_EQ(m.schedulePanel(), "Schedule: Running");
    EXPECT_TRUE(page.prompts.shown().isEmpty());
}

// Status panel 3 and the switch button's caption follow the state, as read
// on a refresh and as read again after a switch.
TEST(SchedulePageModel, StatusPanelAndSwitchCaptionByState)
{
    struct Case { bool enabled, running; const char* panel; const char* caption; };
    const Case cases[] = {{true, true, "Schedule: Running", "Stop Schedule"},
        {true, false, "Schedule: Enabled", "Stop Schedule"}, {false, true, "Schedule: Disabled", "Start Schedule"},
        {false, false, "Schedule: Disabled", "Start Schedule"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.panel) + " / " + c.caption);
        Page page;
        InstrumentInfo info = Recorded();
        info.ScheduleEnabled = c.enabled;
        info.ScheduleRunning = c.running;
        page.refresh(info);
        EXPECT_EQ(page.model.schedulePanel(), QString::fromLatin1(c.panel));
        EXPECT_EQ(page.model.switchCaption(), QString::fromLatin1(c.caption));

        Page switched;
        info.ScheduleEnabled = !c.enabled;
        switched.refresh(info);
        switched.model.scheduleSwitched(c.enabled, c.running);
        EXPECT_EQ(switched.model.schedulePanel(), QString::fromLatin1(c.panel)) << "after a switch";
        EXPECT_EQ(switched.model.switchCaption(), QString::fromLatin1(c.caption)) << "after a switch";
    }
}

TEST(SchedulePageModel, WeekdayPresetsAndColours)
{
    struct Case { const char* name; uint8_t preset; std::array<bool, 7> days; };
    // Sunday, Saturday, Friday, Thursday, Wednesday, Tuesday, Monday.
    const Case cases[] = {
        {"All Week", WeekMasks::AllWeek, {true, true, true, true, true, true, true}},
        {"Weekdays Only", WeekMasks::WeekdaysOnly, {false, false, true, true, true, true, true}},
        {"Weekend Only", WeekMasks::WeekendOnly, {true, true, false, false, false, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SchedulePageModel page;
        page.applyPreset(WeekMasks::AllWeek);
        page.applyPreset(c.preset);
        for (int bit = 0; bit < 7; ++bit)
            EXPECT_EQ(page.weekday(bit), c.days[size_t(bit)]) << ScheduleTexts::Weekdays[size_t(bit)].toStdString();
        EXPECT_EQ(page.weekMaskOfBoxes(), c.preset);
    }
    EXPECT_EQ(SchedulePageModel::weekdayColour(true), (WeekdayColour{128, 255, 0}));
    EXPECT_EQ(SchedulePageModel::weekdayColour(false), (WeekdayColour{255, 128, 0}));
}

TEST(SchedulePageModel, MemoryFullOptionsSetTheFlagsAndConfigBits)
{
    struct Case {
        const char* name;
        MemoryFullOption option;
        uint8_t configBefore, configAfter;
        bool singleShot, continueOnFull, stopOnFull;
    };
    const Case cases[] = {
        {"overwrite keeps bit 0x40", MemoryFullOption::Overwrite, 0x51, 0x60, false, true, false},
        {"until full keeps bit 0x40", MemoryFullOption::UntilFull, 0x61, 0x50, false, false, true},
        {"until full without 0x40", MemoryFullOption::UntilFull, 0x21, 0x10, false, false, true},
        // Run only once: recorded as single shot; memory-full flags and Config stay.
        {"run only once", MemoryFullOption::RunOnce, 0x21, 0x21, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Page page;
        InstrumentInfo info = Recorded();
        info.Config = c.configBefore;
        info.ContinueOnFull = true;
        info.StopOnFull = false;
        page.model.take(info);
        page.model.chooseMemoryFull(c.option);
        const ScheduleRecord& r = page.model.record();
        EXPECT_EQ(r.Config, c.configAfter);
        EXPECT_EQ(r.SingleShot, c.singleShot);
        EXPECT_EQ(r.ContinueOnFull, c.continueOnFull);
        EXPECT_EQ(r.StopOnFull, c.stopOnFull);
        EXPECT_EQ(page.model.memoryFullOption(), c.option);
    }
}

TEST(SchedulePageModel, ContradictionSelectsUntilFullWithABalloon)
{
    Page page;
    InstrumentInfo info = Recorded();
    info.Config = 0x61;
    info.StopOnFull = false;
    info.ContinueOnFull = false;
    info.SingleShot = false;
    info.CounterEnabled = false;
    page.refresh(info);
    EXPECT_EQ(page.model.memoryFullOption(), MemoryFullOption::UntilFull);
    EXPECT_TRUE(page.model.record().StopOnFull);
    EXPECT_EQ(page.model.record().Config, 0x50);
    ASSERT_EQ(page.prompts.shown().size(), 1);
    EXPECT_EQ(page.prompts.shown()[0].kind, "balloon");
    EXPECT_EQ(page.prompts.shown()[0].text, "Schedule options contradiction found - using 'Repeat (Until Full)'");
}

TEST(SchedulePageModel, LoopCounterCannotBeSwitchedOn)
{
    // A click on the clear box leaves it clear.
    Page page;
    page.refresh(Recorded());
    page.model.clickCounter();
    EXPECT_FALSE(page.model.counterChecked());
    EXPECT_FALSE(page.model.counterEnabled());
    EXPECT_EQ(page.model.counterLabel(), "-");
    EXPECT_FALSE(page.model.record().CounterEnabled);

    // A record read with the counter in use ends the refresh with it off in
    // the record, while the counter and its label show the count.
    InstrumentInfo info = Recorded();
    info.CounterEnabled = true;
    info.Config = 0x71;
    info.Counter = 12;
    page.refresh(info);
    EXPECT_FALSE(page.model.counterChecked());
    EXPECT_TRUE(page.model.counterEnabled());
    EXPECT_EQ(page.model.counterValue(), 12);
    EXPECT_EQ(page.model.counterLabel(), "12");
    EXPECT_FALSE(page.model.record().CounterEnabled);
    // Config AND 0xB0 (0x30), then the option's own bits: until full, 0x40 kept clear.
    EXPECT_EQ(page.model.record().Config, 0x10);

    page.model.setCounter(40);
    EXPECT_EQ(page.model.record().Counter, 40);
}

TEST(SchedulePageModel, ParkSensorAvailabilityFollowsTheProbe)
{
    struct Case { const char* name; std::optional<bool> first, second; bool available; };
    const Case cases[] = {
        {"bytes 52 31", true, true, true},
        {"other bytes", true, false, false},
        {"no reply keeps the last answer", true, std::nullopt, true},
        {"never answered", std::nullopt, std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Page page;
        InstrumentInfo info = Recorded();
        info.ShortBetweenSamples = true;
        page.refresh(info, c.first);
        page.refresh(info, c.second);
        EXPECT_EQ(page.model.parkSensorAvailable(), c.available);
        // The box still shows the instrument's setting.
        EXPECT_TRUE(page.model.parkSensorChecked());
    }
}

TEST(SchedulePageModel, SendTakesBoxesPickersAndHandlerFields)
{
    Page page;
    page.refresh(Recorded());
    page.model.toggleView();
    page.model.setStart(QTime(22, 15));
    page.model.setLength(QTime(4, 0));
    page.model.setFrequency(30);
    page.model.applyPreset(WeekMasks::WeekendOnly);
    page.model.setWeekday(6, true);   // and Monday
    page.model.chooseMemoryFull(MemoryFullOption::Overwrite);
    page.model.setParkSensor(true);
    const ScheduleRecord r = page.model.recordToSend(Today);
    EXPECT_EQ(r.WeekMask, 67);
    EXPECT_EQ(r.StartTime, QDateTime(Today, QTime(22, 15)));
    EXPECT_EQ(r.Duration, QDateTime(Today, QTime(4, 0)));
    EXPECT_EQ(r.Frequency, 30);
    EXPECT_TRUE(r.ContinueOnFull);
    EXPECT_FALSE(r.StopOnFull);
    EXPECT_TRUE(r.ShortBetweenSamples);
    EXPECT_EQ(r.Config, 0x20);
}

TEST(SchedulePageModel, CommentIsOneLine)
{
    SchedulePageModel page;
    EXPECT_EQ(page.comment(), "Click here to add a comment to the saved schedule setup...");
    page.setComment(QStringLiteral("north site,\r\nshift 2\nline 3"));
    EXPECT_EQ(page.comment(), "north site, shift 2 line 3");
}

// Values the instrument has not got are marked until they are sent or the
// instrument's schedule is taken again; a refresh of the controls is no edit.
TEST(SchedulePageModel, EditsAreUnsentUntilSent)
{
    struct Case {
        const char* name;
        std::function<void(SchedulePageModel&)> edit;
        bool unsent;
    };
    ScheduleFileContent file;
    file.frequency = 5;
    const Case cases[] = {
        {"frequency", [](SchedulePageModel& m) { m.setFrequency(20); }, true},
        {"start", [](SchedulePageModel& m) { m.setStart(QTime(9, 0)); }, true},
        {"length", [](SchedulePageModel& m) { m.setLength(QTime(1, 0)); }, true},
        {"weekday", [](SchedulePageModel& m) { m.setWeekday(0, true); }, true},
        {"preset", [](SchedulePageModel& m) { m.applyPreset(WeekMasks::AllWeek); }, true},
        {"memory full", [](SchedulePageModel& m) { m.chooseMemoryFull(MemoryFullOption::Overwrite); }, true},
        {"park sensor", [](SchedulePageModel& m) { m.setParkSensor(false); }, true},
        {"a loaded file", [&file](SchedulePageModel& m) { m.applyFile(file); }, true},
        {"the view only", [](SchedulePageModel& m) { m.toggleView(); }, false},
        {"the comment, which goes to files only", [](SchedulePageModel& m) { m.setComment("note"); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Page page;
        page.refresh(Recorded());
        EXPECT_FALSE(page.model.unsent()) << "as the instrument has it";
        c.edit(page.model);
        EXPECT_EQ(page.model.unsent(), c.unsent);
        // The page's own refresh (after a load, a switch) keeps the mark.
        page.model.refresh({true, true, false}, page.prompts, QStringLiteral("Tolvi"));
        EXPECT_EQ(page.model.unsent(), c.unsent);
        page.model.sent(page.model.recordToSend(Today));
        EXPECT_FALSE(page.model.unsent()) << "sent";
        c.edit(page.model);
        page.refresh(Recorded());
        EXPECT_FALSE(page.model.unsent()) << "taken from the instrument again";
    }
}

// A load says the file, and when it replaced changes not sent, says that too.
TEST(SchedulePageModel, LoadSaysWhatItReplaced)
{
    EXPECT_EQ(ScheduleLoadedText(QStringLiteral("/tmp/a.sch")),
        "Schedule set-up loaded from '/tmp/a.sch' in place of the page's values; "
        "'Use These Settings' sends it to the instrument.");
    EXPECT_EQ(ScheduleLoadedText(QStringLiteral("/tmp/a.sch"), true),
        "Schedule set-up loaded from '/tmp/a.sch' in place of the page's values, including the changes not sent "
        "yet; 'Use These Settings' sends it to the instrument.");
}
