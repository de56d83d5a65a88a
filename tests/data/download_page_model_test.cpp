#include "ScriptedPrompts.h"
#include "SlotFixtures.h"
#include "TempFolder.h"
#include "data/DataFileSettings.h"
#include "data/DownloadPageModel.h"
#include "shell/TextFile.h"

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
