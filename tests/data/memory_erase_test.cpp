#include "SimRig.h"
#include "data/DataFileSettings.h"
#include "data/DownloadPageModel.h"
#include "shell/SystemInfo.h"

#include <gtest/gtest.h>

namespace {
void fillTable(SimRig& rig, int count)
{
    rig.table.resize(count);
}
}

TEST(MemoryErase, EraseAllSendsTheUsedCountAndWritesTwoHistoryLines)
{
    SimRig rig;
    ASSERT_TRUE(rig.start(SimRig::scenario(300)));
    fillTable(rig, 300);
    rig.prompts.answers = {Prompts::Answer::Ok};
    EraseContext context = rig.erase();
    EXPECT_EQ(EraseAllMemory(context), EraseOutcome::Erased);
    EXPECT_EQ(rig.payloads(), QStringList{"J02012C"});
    EXPECT_EQ(rig.info.SlotsUsed, 0);
    EXPECT_EQ(rig.table.count(), 0);
    EXPECT_EQ(rig.historyLines(),
        (QStringList{QStringLiteral("::: Sample memory erased by ") + GetUserName(), ": 300 samples erased"}));
    EXPECT_EQ(rig.observer.panel1.last(), QStringLiteral("All memory slots have been erased from the instrument."));
    // An OK/Cancel confirmation, not a Yes/No question.
    EXPECT_EQ(rig.prompts.texts_of(QStringLiteral("okcancel")),
        QStringList{"Are you sure you want to completely and irreversibly delete the memory bank?"});

    // The page then shows an empty memory: green gauge, no slider.
    TempFolder tmp;
    WriteFileAtomically(tmp.file(QStringLiteral("user.txt")), QByteArray());
    DataFileSettings settings(tmp.file(QStringLiteral("user.txt")));
    DownloadPageModel page(settings);
    page.filterFrameVisible = true;
    page.memoryErased(rig.info.SlotsUsed, rig.info.SlotsTotal, false);
    EXPECT_EQ(page.gauge.colour.green, 255);
    EXPECT_FALSE(page.slider.visible);
    EXPECT_FALSE(page.filterFrameVisible);
}

TEST(MemoryErase, PortionErasesFromTheFirstSlot)
{
    SimRig rig;
    ASSERT_TRUE(rig.start(SimRig::scenario(300)));
    rig.prompts.answers = {Prompts::Answer::Ok};
    EraseContext context = rig.erase();
    EXPECT_EQ(EraseMemoryPortion(context, 1, 50), EraseOutcome::Erased);
    EXPECT_EQ(rig.payloads(), QStringList{"J020032"});
    EXPECT_EQ(rig.info.SlotsUsed, 250);
    EXPECT_EQ(rig.observer.panel1.last(), QStringLiteral("Memory slots 1 to 51 erased from the instrument."));
    EXPECT_EQ(rig.historyLines(), (QStringList{QStringLiteral("::: Some memory erased by ") + GetUserName(),
                                      ": 51 samples erased, starting with 1"}));
    EXPECT_EQ(rig.prompts.shown().last().title, QStringLiteral("Karvex Technology Ltd."));
}

TEST(MemoryErase, RefusalsSendNothingAndChangeNothing)
{
    struct Case { const char* name; const char* userFile; std::optional<QString> password; Prompts::Answer answer; };
    const Case cases[] = {
        {"confirmation cancelled", "[Password]\r\nValid=False\r\n", std::nullopt, Prompts::Answer::Cancel},
        {"wrong password", "[Password]\r\nValid=True\r\nValue=0123456789abcdef0123456789abcdef\r\n",
            QStringLiteral("guess"), Prompts::Answer::Ok},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.name);
        SimRig rig;
        ASSERT_TRUE(rig.start(SimRig::scenario(10)));
        WriteFileAtomically(rig.tmp.file(QStringLiteral("user.txt")), c.userFile);
        fillTable(rig, 10);
        rig.prompts.answers = {c.answer};
        rig.prompts.texts = {c.password};
        EraseContext context = rig.erase();
        EXPECT_EQ(EraseAllMemory(context), EraseOutcome::NotAllowed) << c.name;
        EXPECT_TRUE(rig.payloads().isEmpty()) << c.name;
        EXPECT_EQ(rig.table.count(), 10) << c.name;
        EXPECT_EQ(rig.info.SlotsUsed, 10) << c.name;
        EXPECT_TRUE(rig.historyLines().isEmpty()) << c.name;
    }
}

TEST(MemoryErase, UnacknowledgedEraseIsTriedThreeTimesAndChangesNothing)
{
    SimRig rig;
    SimScenario s = SimRig::scenario(10);
    s.faults.corruptReply = {SimFaultRule::on(QStringLiteral("J02"))};
    ASSERT_TRUE(rig.start(s));
    fillTable(rig, 10);
    rig.prompts.answers = {Prompts::Answer::Ok};
    EraseContext context = rig.erase();
    EXPECT_EQ(EraseMemoryPortion(context, 1, 4), EraseOutcome::Failed);
    EXPECT_EQ(rig.payloads(), (QStringList{"J020004", "J020004", "J020004"}));
    EXPECT_TRUE(rig.linesAt(SessionLog::Warning).contains(QStringLiteral("FRAM 'Erase chunk' message failed")));
    EXPECT_EQ(rig.table.count(), 10);
    EXPECT_EQ(rig.info.SlotsUsed, 10);
    EXPECT_TRUE(rig.historyLines().isEmpty());
}
