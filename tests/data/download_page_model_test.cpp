#include "ScriptedPrompts.h"
#include "SlotFixtures.h"
#include "TempFolder.h"
#include "data/DataFileSettings.h"
#include "data/DownloadPageModel.h"
#include "shell/TextFile.h"

#include <functional>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {
struct PageFixture {
    TempFolder tmp;
    QString userFile = tmp.file(QStringLiteral("user.txt"));
    bool created = WriteFileAtomically(userFile, QByteArray());
    DataFileSettings settings{userFile};
    DownloadPageModel page{settings, english};
};
}

TEST(DownloadPage, GaugeLabelsColourAndMemoryPanel)
{
    PageFixture f;
    struct Case { int used, total; int red, green; const char* panel; };
    const Case cases[] = {
        {0, 2048, 0, 255, "Memory Used:0%"},
        {2048, 2048, 255, 0, "Memory Used:100%"},
        {512, 2048, 64, 191, "Memory Used:25%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "used " << c.used << " of " << c.total);
        f.page.updateDownloadPage(c.used, c.total);
        EXPECT_EQ(f.page.gauge.usedLabel, QStringLiteral("Used : %1").arg(c.used));
        EXPECT_EQ(f.page.gauge.freeLabel, QStringLiteral("Free : %1").arg(c.total - c.used));
        EXPECT_EQ(f.page.gauge.maxLabel, QStringLiteral("Max : %1").arg(c.total));
        EXPECT_EQ(f.page.gauge.colour.red, c.red) << c.used;
        EXPECT_EQ(f.page.gauge.colour.green, c.green) << c.used;
        EXPECT_EQ(f.page.gauge.memoryPanel, QString::fromLatin1(c.panel));
    }
    f.page.updateDownloadPage(5, 0); // no capacity known: colour and panel stay
    EXPECT_EQ(f.page.gauge.memoryPanel, QStringLiteral("Memory Used:25%"));
    EXPECT_EQ(f.page.gauge.freeLabel, QStringLiteral("Free : -5"));
}

TEST(DownloadPage, SliderTicksAndVisibility)
{
    struct Case { int used; int ticks; bool visible; };
    const Case cases[] = {{2, 1, false}, {3, 1, true}, {19, 1, true}, {20, 5, true}, {119, 5, true}, {120, 30, true},
        {1440, 60, true}, {4320, 480, true}, {7199, 480, true}, {7200, 720, true}, {14400, 720, true}, {14401, 1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "used " << c.used);
        PageFixture f;
        f.page.updateDownloadPage(c.used, 16384);
        EXPECT_EQ(f.page.slider.visible, c.visible) << c.used;
        if (c.visible) {
            EXPECT_EQ(f.page.slider.tickFrequency, c.ticks) << c.used;
            EXPECT_EQ(f.page.slider.max, c.used);
        }
    }
}

TEST(DownloadPage, ShiftDragSelectsAPortionInEitherDirection)
{
    MemoryRangeSlider slider;
    slider.fitTo(100);
    slider.setValue(40);
    slider.mouseDown(true, true);
    slider.setValue(10);
    slider.mouseUp(true);
    EXPECT_EQ(slider.selStart, 10);
    EXPECT_EQ(slider.selLength, 30);
    EXPECT_EQ(slider.downloadCaption, QStringLiteral("Download from 10 to 40"));
    EXPECT_TRUE(slider.downloadEnabled);
    EXPECT_EQ(slider.eraseCaption, QStringLiteral("Erase from 10 to 40"));
    EXPECT_FALSE(slider.eraseEnabled); // erasing starts at the first slot only

    slider.setValue(1);
    slider.mouseDown(true, true);
    slider.setValue(51);
    slider.mouseUp(true);
    EXPECT_EQ(slider.selStart, 1);
    EXPECT_EQ(slider.selLength, 50);
    EXPECT_TRUE(slider.eraseEnabled);
    EXPECT_EQ(slider.pointer, MemoryRangeSlider::Pointer::Cross);

    slider.mouseDown(true, false); // a plain click drops the selection
    slider.mouseUp(true);
    EXPECT_EQ(slider.selLength, 0);
    EXPECT_EQ(slider.downloadCaption, QStringLiteral("Download Memory Portion"));
    EXPECT_EQ(slider.eraseCaption, QStringLiteral("Erase Memory Portion"));
    EXPECT_FALSE(slider.downloadEnabled);
    EXPECT_FALSE(slider.eraseEnabled);
}

TEST(DownloadPage, FewSlotsHideTheSliderAndDisableBothPortionButtons)
{
    PageFixture f;
    f.page.updateDownloadPage(300, 2048);
    f.page.slider.setValue(1);
    f.page.slider.mouseDown(true, true);
    f.page.slider.setValue(51);
    f.page.slider.mouseUp(true);
    ASSERT_TRUE(f.page.slider.eraseEnabled);
    f.page.updateDownloadPage(2, 2048);
    EXPECT_FALSE(f.page.slider.visible);
    EXPECT_EQ(f.page.slider.value, 1);
    EXPECT_EQ(f.page.slider.selLength, 0);
    EXPECT_FALSE(f.page.slider.downloadEnabled);
    EXPECT_FALSE(f.page.slider.eraseEnabled);
    EXPECT_EQ(f.page.slider.downloadCaption, QStringLiteral("Download Memory Portion"));
}

TEST(DownloadPage, UtcAndComprehensiveGreyTheSingleColumnBoxAndRestoreIt)
{
    PageFixture f;
    f.page.setSingleColumn(false);
    EXPECT_FALSE(f.settings.combineDateAndTime());
    f.page.selectFormat(static_cast<int>(DataFormat::AllUtc));
    EXPECT_EQ(f.page.singleColumnBox.value, SingleColumnBox::Greyed);
    EXPECT_FALSE(f.page.singleColumnBox.enabled);
    f.page.selectFormat(static_cast<int>(DataFormat::Comprehensive));
    f.page.setSingleColumn(true); // a greyed box ignores clicks
    EXPECT_EQ(f.page.singleColumnBox.value, SingleColumnBox::Greyed);
    f.page.selectFormat(static_cast<int>(DataFormat::AllDayMonthName));
    EXPECT_EQ(f.page.singleColumnBox.value, SingleColumnBox::Clear);
    EXPECT_TRUE(f.page.singleColumnBox.enabled);

    f.page.setSingleColumn(true);
    f.page.selectFormat(static_cast<int>(DataFormat::AllUtc));
    EXPECT_FALSE(f.settings.combineDateAndTime()); // greyed stores "not single column"
    f.page.selectFormat(static_cast<int>(DataFormat::ByDateRange));
    EXPECT_TRUE(f.settings.combineDateAndTime());
    EXPECT_EQ(f.page.optionFrame(), FilterOptionFrame::Dates);
}

TEST(DownloadPage, OptionFramesByEntry)
{
    PageFixture f;
    struct Case { int index; FilterOptionFrame frame; };
    const Case cases[] = {{0, FilterOptionFrame::AllData}, {3, FilterOptionFrame::AllData},
        {4, FilterOptionFrame::Schedules}, {5, FilterOptionFrame::Dates}, {6, FilterOptionFrame::Concentrations},
        {8, FilterOptionFrame::AllData}, {-1, FilterOptionFrame::AllData}};
    for (const Case& c : cases) {
        f.page.selectFormat(c.index);
        EXPECT_EQ(f.page.optionFrame(), c.frame) << c.index;
    }
}

TEST(DownloadPage, CompletedDownloadSelectsTheStoredEntryAndShowsTheFilters)
{
    PageFixture f;
    f.settings.setFilter(6);
    const QDateTime first(QDate(2026, 2, 3), QTime(4, 5, 6));
    const DownloadTable t = table({slot(1.0f, first)});
    f.page.filter.boundA = 3;
    f.page.downloadCompleted(t, first.addDays(1));
    EXPECT_TRUE(f.page.filterFrameVisible);
    EXPECT_EQ(f.page.filter.formatIndex, 6);
    EXPECT_EQ(f.page.filter.from, first);
    EXPECT_EQ(f.page.boundALabel(), QStringLiteral("1.000 ppm"));
    EXPECT_EQ(f.page.boundBLabel(), QStringLiteral("0.500 ppm"));
}

TEST(DownloadPage, TestFilterCountsOrAsksForADownloadFirst)
{
    PageFixture f;
    ScriptedPrompts prompts;
    EXPECT_EQ(f.page.testFilter(DownloadTable{}, prompts, QStringLiteral("Tolvi")), -1);
    const DownloadTable t = table({slot(0.7f), slot(0.9f), slot(1.2f)});
    f.page.selectFormat(static_cast<int>(DataFormat::ByConcentration));
    EXPECT_EQ(f.page.testFilter(t, prompts, QStringLiteral("Tolvi")), 2);
    EXPECT_EQ(f.page.filter.boundA, 500);
    EXPECT_EQ(prompts.texts_of(QStringLiteral("okcancel")),
        QStringList{QStringLiteral("You need to download some data before you can apply any filters to it!")});
    EXPECT_EQ(prompts.texts_of(QStringLiteral("message")), QStringList{QStringLiteral("Using this filter will return 2 records.")});
}

// After any erase the portion buttons go back to "... Memory Portion" and
// off until a new selection: their old range names slots that hold other
// samples now, and erase's reset of the selection to the first slot must not
// leave "Erase from 1 to 29" pressable for an erase of no slots.
TEST(DownloadPage, EraseDropsTheSelectionAndBothPortionButtons)
{
    struct Case { const char* name; bool portion; int left; int value; };
    const Case cases[] = {{"portion", true, 271, 1}, {"all", false, 0, 1}, {"portion leaving few", true, 2, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PageFixture f;
        f.page.updateDownloadPage(300, 2048);
        f.page.slider.setValue(1);
        f.page.slider.mouseDown(true, true);
        f.page.slider.setValue(29);
        f.page.slider.mouseUp(true);
        ASSERT_TRUE(f.page.slider.eraseEnabled);
        f.page.memoryErased(c.left, 2048, c.portion);
        EXPECT_EQ(f.page.slider.downloadCaption, QStringLiteral("Download Memory Portion"));
        EXPECT_EQ(f.page.slider.eraseCaption, QStringLiteral("Erase Memory Portion"));
        EXPECT_FALSE(f.page.slider.downloadEnabled);
        EXPECT_FALSE(f.page.slider.eraseEnabled);
        EXPECT_EQ(f.page.slider.selLength, 0);
        EXPECT_EQ(f.page.slider.value, c.value);
        // The next redraw (a keep-alive, a refresh) keeps them off.
        f.page.updateDownloadPage(c.left, 2048);
        EXPECT_FALSE(f.page.slider.eraseEnabled);
        EXPECT_FALSE(f.page.slider.downloadEnabled);
    }
}

// A selection of one slot (start = end) can be downloaded, its slot read
// singly, but not erased: the erase request would ask for no slots.
TEST(DownloadPage, SelectionsOfOneSlotDownloadButDoNotErase)
{
    PageFixture f;
    f.page.updateDownloadPage(300, 2048);
    struct Case {
        const char* name;
        std::function<void(MemoryRangeSlider&)> select;
        const char* download;
        bool erase;
        const char* eraseCaption;
    };
    const Case cases[] = {
        {"drag back to the start", [](MemoryRangeSlider& s) {
             s.setValue(1); s.mouseDown(true, true); s.setValue(1); s.mouseUp(true); },
            "Download from 1 to 1", false, "Erase Memory Portion"},
        {"set directly", [](MemoryRangeSlider& s) { s.select(5, 0); }, "Download from 5 to 5", false,
            "Erase Memory Portion"},
        {"two slots from the first", [](MemoryRangeSlider& s) { s.select(1, 1); }, "Download from 1 to 2", true,
            "Erase from 1 to 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.select(f.page.slider);
        EXPECT_TRUE(f.page.slider.downloadEnabled);
        EXPECT_EQ(f.page.slider.downloadCaption, QString::fromLatin1(c.download));
        EXPECT_EQ(f.page.slider.eraseEnabled, c.erase);
        EXPECT_EQ(f.page.slider.eraseCaption, QString::fromLatin1(c.eraseCaption));
    }
}

// A selection that reaches past the used slots (the memory shrank under it)
// is dropped by the redraw.
TEST(DownloadPage, ShrunkMemoryDropsASelectionPastItsEnd)
{
    PageFixture f;
    f.page.updateDownloadPage(300, 2048);
    f.page.slider.select(1, 99);
    ASSERT_TRUE(f.page.slider.eraseEnabled);
    f.page.updateDownloadPage(50, 2048);
    EXPECT_FALSE(f.page.slider.downloadEnabled);
    EXPECT_FALSE(f.page.slider.eraseEnabled);
    EXPECT_LE(f.page.slider.value, 50);
}

TEST(DownloadPage, ShiftArrowKeysChooseARangeFromTheThumb)
{
    PageFixture f;
    f.page.updateDownloadPage(300, 2048);
    MemoryRangeSlider& s = f.page.slider;
    s.setValue(10);
    struct Step { const char* name; int to; bool shift; int start, length; const char* text; bool enabled; };
    const Step steps[] = {
        {"shift right", 11, true, 10, 1, "Slots 10 to 11 (2 slots)", true},
        {"shift page right", 40, true, 10, 30, "Slots 10 to 40 (31 slots)", true},
        {"shift left past the anchor", 7, true, 7, 3, "Slots 7 to 10 (4 slots)", true},
        {"shift home", 1, true, 1, 9, "Slots 1 to 10 (10 slots)", true},
        {"plain right drops it", 2, false, 2, 0, "Slot 2", false},
        {"a new anchor", 5, true, 2, 3, "Slots 2 to 5 (4 slots)", true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        if (step.shift)
            s.extendTo(step.to);
        else
            s.moveTo(step.to);
        EXPECT_EQ(s.selStart, step.start);
        EXPECT_EQ(s.selLength, step.length);
        EXPECT_EQ(s.positionText(), QString::fromLatin1(step.text));
        EXPECT_EQ(s.downloadEnabled, step.enabled);
    }
    EXPECT_EQ(s.eraseCaption, QStringLiteral("Erase from 2 to 5"));
    EXPECT_FALSE(s.eraseEnabled); // erasing starts at the first slot
}

TEST(DownloadPage, DragShowsTheSlotsOfTheSelectionBeingMade)
{
    PageFixture f;
    f.page.updateDownloadPage(300, 2048);
    MemoryRangeSlider& s = f.page.slider;
    s.setValue(40);
    EXPECT_EQ(s.positionText(), QStringLiteral("Slot 40"));
    s.mouseDown(true, true);
    s.setValue(12); // dragged left of the start
    EXPECT_EQ(s.positionText(), QStringLiteral("Slots 12 to 40 (29 slots)"));
    s.mouseUp(true);
    EXPECT_EQ(s.positionText(), QStringLiteral("Slots 12 to 40 (29 slots)"));
}

// With the instrument gone nothing read from it stays: no figures, no
// memory-use text for the status bar, no slider, no portion buttons; the
// downloaded data stays for saving.
TEST(DownloadPage, InstrumentGoneClearsTheFigures)
{
    PageFixture f;
    f.page.updateDownloadPage(273, 8192);
    f.page.slider.select(1, 28);
    f.page.filterFrameVisible = true;
    f.page.instrumentGone();
    EXPECT_EQ(f.page.gauge.usedLabel, QStringLiteral("Used : 0"));
    EXPECT_EQ(f.page.gauge.maxLabel, QStringLiteral("Max : 0"));
    EXPECT_TRUE(f.page.gauge.memoryPanel.isEmpty());
    EXPECT_FALSE(f.page.slider.visible);
    EXPECT_FALSE(f.page.slider.downloadEnabled);
    EXPECT_FALSE(f.page.slider.eraseEnabled);
    EXPECT_TRUE(f.page.filterFrameVisible);
}

// Readings that could not be archived: each save of them says so, naming the
// file; a later download that was archived, or an erase, ends it.
TEST(DownloadPage, SavingReadingsThatAreNotArchivedSaysSo)
{
    PageFixture f;
    const QString reason = QStringLiteral("the file is damaged");
    const QString saved = QStringLiteral("/home/lab/run 1.csv");
    f.page.downloadEnded(DownloadOutcome::Completed, DownloadSummary{}, ChartSource{}, QDateTime::currentDateTime(),
        reason);
    EXPECT_EQ(f.page.savedNotice(saved),
        QStringLiteral("The readings were saved to /home/lab/run 1.csv but not added to the archive: the file is damaged"));
    EXPECT_EQ(f.page.savedNotice(saved), f.page.savedNotice(saved)) << "said at every save";

    f.page.downloadEnded(DownloadOutcome::NoInstrument, DownloadSummary{}, ChartSource{}, QDateTime::currentDateTime());
    EXPECT_FALSE(f.page.savedNotice(saved).isEmpty()) << "nothing was downloaded: the table is the one not archived";

    f.page.downloadEnded(DownloadOutcome::Completed, DownloadSummary{}, ChartSource{}, QDateTime::currentDateTime());
    EXPECT_EQ(f.page.savedNotice(saved), QString());

    f.page.downloadEnded(DownloadOutcome::Completed, DownloadSummary{}, ChartSource{}, QDateTime::currentDateTime(),
        reason);
    f.page.memoryErased(0, 16384, false);
    EXPECT_EQ(f.page.savedNotice(saved), QString());
}
