#include "SimRig.h"
#include "data/DataFileSettings.h"
#include "data/DownloadPageModel.h"
#include "instrument/LinkPresence.h"
#include "shell/Password.h"
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
    ASSERT_EQ(rig.prompts.texts_of(QStringLiteral("okcancel")).size(), 1);
    EXPECT_TRUE(rig.prompts.texts_of(QStringLiteral("okcancel")).first().startsWith(
        "Are you sure you want to completely and irreversibly delete the memory bank?"));

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
    // The user is told, not only the log.
    EXPECT_EQ(rig.prompts.texts_of(QStringLiteral("message")), QStringList{EraseNotConfirmedText});
}

// The confirmations keep their question, name the slots that go and default
// to Cancel, so Enter alone erases nothing.
TEST(MemoryErase, ConfirmationsNameTheSlotsAndDefaultToCancel)
{
    struct Case { const char* name; bool all; int selLength; const char* text; };
    const Case cases[] = {
        {"all", true, 0, "Are you sure you want to completely and irreversibly delete the memory bank?\r\n\r\n"
                         "Slots 1 to 300 (300 samples) will be erased."},
        {"portion", false, 28, "Are you sure you want to completely and irreversibly delete entries from the memory "
                               "bank?\r\n\r\nSlots 1 to 29 (29 samples) will be erased."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimRig rig;
        ASSERT_TRUE(rig.start(SimRig::scenario(300)));
        rig.prompts.answers = {Prompts::Answer::Cancel};
        EraseContext context = rig.erase();
        EXPECT_EQ(c.all ? EraseAllMemory(context) : EraseMemoryPortion(context, 1, c.selLength),
            EraseOutcome::NotAllowed);
        ASSERT_EQ(rig.prompts.shown().size(), 1);
        const ScriptedPrompts::Shown shown = rig.prompts.shown().first();
        EXPECT_EQ(shown.kind, QStringLiteral("okcancel"));
        EXPECT_EQ(shown.text, QString::fromLatin1(c.text));
        EXPECT_EQ(shown.defaultButton, Prompts::Answer::Cancel);
        EXPECT_TRUE(rig.payloads().isEmpty());
    }
}

// What is refused before anything is asked or sent: a portion of one slot
// (it would send "J020000" and record "1 samples erased") and a closed link
// (no password is asked for an erase that cannot go out).
TEST(MemoryErase, RefusedBeforeAskingWithAMessage)
{
    struct Case { const char* name; bool closeLink; bool all; EraseOutcome outcome; QString message; };
    const Case cases[] = {
        {"portion of one slot", false, false, EraseOutcome::NothingToErase, MemoryRangeSlider::NoPortionText},
        {"erase all, no instrument", true, true, EraseOutcome::NoInstrument, NoInstrumentText},
        {"portion, no instrument", true, false, EraseOutcome::NoInstrument, NoInstrumentText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimRig rig;
        ASSERT_TRUE(rig.start(SimRig::scenario(30)));
        // A password is required: it must not be asked for.
        WriteFileAtomically(rig.tmp.file(QStringLiteral("user.txt")),
            "[Password]\r\nValid=True\r\nValue=" + PasswordHash(QStringLiteral("pass")).toUtf8() + "\r\n");
        if (c.closeLink) {
            int none = 0;
            rig.link.PickComms(none);
        }
        rig.prompts.answers = {Prompts::Answer::Ok};
        rig.prompts.texts = {QStringLiteral("pass")};
        fillTable(rig, 30);
        EraseContext context = rig.erase();
        EXPECT_EQ(c.all ? EraseAllMemory(context) : EraseMemoryPortion(context, 1, c.closeLink ? 9 : 0), c.outcome);
        EXPECT_EQ(rig.prompts.texts_of(QStringLiteral("message")), QStringList{c.message});
        EXPECT_TRUE(rig.prompts.texts_of(QStringLiteral("text")).isEmpty()) << "no password asked";
        EXPECT_TRUE(rig.prompts.texts_of(QStringLiteral("okcancel")).isEmpty());
        EXPECT_TRUE(rig.payloads().isEmpty());
        EXPECT_TRUE(rig.historyLines().isEmpty());
        EXPECT_EQ(rig.table.count(), 30);
        EXPECT_EQ(rig.info.SlotsUsed, 30);
    }
}
