#include "ArchiveFolder.h"
#include "QtPrinters.h"
#include "records/ArchivedDownload.h"
#include "records/ArchivedErase.h"

#include <gtest/gtest.h>

// The erase asks once more when slots it would erase were never downloaded:
// the archive's current generation says which were, as long as the
// instrument's memory is still that generation.
struct EraseCheckCase {
    const char* name;
    int archived;                 // slots downloaded (archived) before; 0: none
    SimScenario memory;           // what the instrument holds at the erase
    int portionLast;              // 0: erase all, else slots 1..portionLast
    int notDownloaded;            // 0: no second question
};

class ErasedNotDownloaded : public ::testing::TestWithParam<EraseCheckCase> {};

TEST_P(ErasedNotDownloaded, AsksOnceMoreAndCancelKeepsTheMemory)
{
    const EraseCheckCase& c = GetParam();
    for (const Prompts::Answer second : {Prompts::Answer::Cancel, Prompts::Answer::Ok}) {
        SCOPED_TRACE(second == Prompts::Answer::Ok ? "second question answered OK" : "second question cancelled");
        ArchiveFolder folder;
        if (c.archived > 0) {
            auto first = folder.connect(MemoryOf(c.archived));
            DownloadContext context = first->download();
            ASSERT_EQ(DownloadAllAndArchive(context), DownloadOutcome::Completed);
        }
        auto rig = folder.connect(c.memory);
        const int used = rig->info.SlotsUsed;
        rig->prompts.answers = {Prompts::Answer::Ok, second};
        EraseContext context = rig->erase();
        const EraseOutcome outcome = c.portionLast == 0 ? EraseAllMemoryChecked(context)
                                                        : EraseMemoryPortionChecked(context, 1, c.portionLast - 1);
        const QList<ScriptedPrompts::Shown> shown = rig->prompts.shown();
        const bool asked = c.notDownloaded > 0;
        ASSERT_EQ(shown.size(), asked ? 2 : 1);
        if (asked) {
            EXPECT_EQ(shown[1].kind, "okcancel");
            EXPECT_EQ(shown[1].text, NotDownloadedQuestion(c.notDownloaded));
            EXPECT_EQ(shown[1].defaultButton, Prompts::Answer::Cancel);
        }
        const bool erased = !asked || second == Prompts::Answer::Ok;
        EXPECT_EQ(outcome, erased ? EraseOutcome::Erased : EraseOutcome::NotAllowed);
        EXPECT_EQ(rig->payloads().filter(QStringLiteral("J02")).size(), erased ? 1 : 0);
        if (!erased) {
            EXPECT_EQ(rig->info.SlotsUsed, used);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Erase, ErasedNotDownloaded,
    ::testing::Values(
        EraseCheckCase{"NothingDownloaded", 0, MemoryOf(30), 0, 30},
        EraseCheckCase{"AllDownloaded", 20, MemoryOf(20), 0, 0},
        EraseCheckCase{"FiveNewSlots", 20, MemoryOf(25), 0, 5},
        EraseCheckCase{"PortionOfDownloadedSlots", 20, MemoryOf(25), 12, 0},
        EraseCheckCase{"PortionReachingNewSlots", 20, MemoryOf(25), 22, 2},
        EraseCheckCase{"MemoryRefilledSinceTheDownload", 20, MemoryOf(20, SimRig::FirstSampleTime + 86400), 0, 20}),
    [](const auto& info) { return std::string(info.param.name); });

// The question counts in words a person reads.
TEST(ErasedNotDownloaded, QuestionSaysHowMany)
{
    EXPECT_EQ(NotDownloadedQuestion(1),
        "1 slot has not been downloaded: its sample will be lost.\r\n\r\nErase it all the same?");
    EXPECT_TRUE(NotDownloadedQuestion(30).startsWith("30 slots have not been downloaded: "));
}
