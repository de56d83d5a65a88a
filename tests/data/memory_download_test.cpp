#include "SimRig.h"
#include "data/MemoryRangeSlider.h"
#include "instrument/LinkPresence.h"
#include "link/Frame.h"

#include <gtest/gtest.h>

namespace {
// The time stamps the table holds, from index 1.
QList<qint64> stampsOf(const DownloadTable& table)
{
    QList<qint64> stamps;
    for (int i = 1; i <= table.count(); ++i)
        stamps << table[i].TimeStamp;
    return stamps;
}

QList<qint64> expectedStamps(int firstSlot, int count)
{
    QList<qint64> stamps;
    for (int slot = firstSlot; slot < firstSlot + count; ++slot)
        stamps << SimRig::FirstSampleTime + (slot - 1) * 600;
    return stamps;
}
}

TEST(MemoryDownload, SlotsTheStreamLeftOutAreReadOneByOne)
{
    for (const bool network : {false, true}) {
        SimRig rig;
        SimScenario s = SimRig::scenario(12);
        s.faults.stopStreamAfter = 10;
        ASSERT_TRUE(rig.start(s, network));
        rig.info.MGMFixed = true;
        rig.info.MGMFactor = 1024;
        DownloadContext context = rig.download();

        EXPECT_EQ(DownloadAllMemory(context), DownloadOutcome::Completed) << network;
        EXPECT_EQ(rig.payloads(), (QStringList{"A050001", "J010001000C", "J01000B0001", "J01000C0001", "A050000"}));
        EXPECT_EQ(rig.linesAt(SessionLog::Note), (QStringList{"Slot #000B is missing:", "Slot #000C is missing:"}));
        EXPECT_EQ(stampsOf(rig.table), expectedStamps(1, 12));
        for (int i = 1; i <= 12; ++i) // the instrument's own factor, streamed or read again
            EXPECT_FLOAT_EQ(rig.table[i].ReadingMGM, rig.table[i].Reading * 2.0f) << i;
        EXPECT_TRUE(rig.linesAt(SessionLog::Detail).contains(QStringLiteral("Downloading all 12 memory slots")));
        EXPECT_TRUE(rig.linesAt(SessionLog::Detail).contains(QStringLiteral("Pausing schedule for 1s...")));
        EXPECT_EQ(rig.observer.panel1.last(), QStringLiteral("Download complete, ready to filter and save data."));
        EXPECT_TRUE(rig.observer.panel1.contains(QStringLiteral("Checking downloaded data for errors: 100%")));
        EXPECT_TRUE(std::any_of(rig.observer.panel1.begin(), rig.observer.panel1.end(), [](const QString& t) {
            return t.startsWith(
                QStringLiteral("Downloading the whole of memory from the instrument: 083% done. (ETA 0:00:0"));
        }));
    }
}

TEST(MemoryDownload, PortionFetchesItsLastSlotInTheCheck)
{
    SimRig rig;
    ASSERT_TRUE(rig.start(SimRig::scenario(20)));
    DownloadContext context = rig.download();
    EXPECT_EQ(DownloadMemoryPortion(context, 5, 4), DownloadOutcome::Completed);
    EXPECT_EQ(rig.payloads(), (QStringList{"A050000", "J0100050004", "J0100090001", "A050000"}));
    EXPECT_EQ(rig.linesAt(SessionLog::Note), QStringList{"Slot #0009 is missing:"});
    EXPECT_EQ(stampsOf(rig.table), expectedStamps(5, 5));
    EXPECT_TRUE(rig.linesAt(SessionLog::Detail).contains(QStringLiteral("Downloading from 5 to 9")));
}

// With the schedule running, samples may have been added since the memory was
// read: both downloads read its details again before anything else.
TEST(MemoryDownload, RunningScheduleRereadsTheMemoryDetailsFirst)
{
    struct Case { const char* name; bool portion; };
    for (const Case c : {Case{"whole memory", false}, Case{"portion", true}}) {
        SCOPED_TRACE(c.name);
        SimRig rig;
        ASSERT_TRUE(rig.start(SimRig::scenario(20)));
        rig.info.ScheduleEnabled = rig.info.ScheduleRunning = true;
        rig.info.SlotsUsed = 10; // what the last read said
        DownloadContext context = rig.download();
        const DownloadOutcome outcome = c.portion ? DownloadMemoryPortion(context, 5, 4) : DownloadAllMemory(context);
        EXPECT_EQ(outcome, DownloadOutcome::Completed);
        const QStringList sent = rig.payloads();
        ASSERT_GE(sent.size(), 3);
        EXPECT_EQ(sent.mid(0, 3), (QStringList{"G01E904", "J00", "S03"}));
        EXPECT_EQ(rig.info.SlotsUsed, 20);
    }
}

TEST(MemoryDownload, EmptyMemorySendsNothing)
{
    SimRig rig;
    ASSERT_TRUE(rig.start(SimRig::scenario(0)));
    DownloadContext context = rig.download();
    EXPECT_EQ(DownloadAllMemory(context), DownloadOutcome::EmptyMemory);
    EXPECT_TRUE(rig.payloads().isEmpty());
    EXPECT_EQ(rig.prompts.texts_of(QStringLiteral("balloon")), QStringList{"The instrument memory is empty!"});
}

TEST(MemoryDownload, ThousandSlotsPauseTheScheduleForEightySeconds)
{
    SimRig rig;
    ASSERT_TRUE(rig.start(SimRig::scenario(1000)));
    rig.info.ScheduleEnabled = true; // not running: no fresh memory read first
    DownloadContext context = rig.download();
    context.windowHidden = true;
    EXPECT_EQ(DownloadAllMemory(context), DownloadOutcome::Completed);
    EXPECT_EQ(rig.payloads(), (QStringList{"A050050", "J01000103E8", "A050000"}));
    EXPECT_EQ(stampsOf(rig.table), expectedStamps(1, 1000));
    EXPECT_TRUE(rig.linesAt(SessionLog::Note).isEmpty());
    EXPECT_EQ(rig.prompts.texts_of(QStringLiteral("balloon")),
        (QStringList{"Downloading 1000 slots.", "Download complete - ready to save..."}));
}

TEST(MemoryDownload, CancelWhileStreamingStopsTheStreamAndEmptiesTheTable)
{
    SimRig rig;
    SimScenario s = SimRig::scenario(60);
    s.timing.slotDelayMs = 20;
    ASSERT_TRUE(rig.start(s));
    // The user's gesture as soon as the status bar tells of the download.
    rig.observer.onText = [&rig](const QString& text) { CancelGesture(text, rig.cancel, rig.services); };
    DownloadContext context = rig.download();
    EXPECT_EQ(DownloadAllMemory(context), DownloadOutcome::Cancelled);
    const QStringList sent = rig.payloads();
    ASSERT_GE(sent.size(), 4);
    EXPECT_EQ(sent.mid(0, 2), (QStringList{"A050005", "J010001003C"}));
    EXPECT_EQ(sent.mid(sent.size() - 2), (QStringList{"C", "A050000"}));
    EXPECT_EQ(rig.table.count(), 0);
    EXPECT_TRUE(rig.cancel.isRequested());
    EXPECT_EQ(rig.observer.panel1.last(), QStringLiteral("Download has been cancelled."));
    EXPECT_TRUE(rig.linesAt(SessionLog::Info).contains(QStringLiteral("Download cancelled by user...")));
    // The clean-up waited for the instrument's answers instead of being cut short too.
    EXPECT_TRUE(rig.linesAt(SessionLog::Warning).filter(QStringLiteral("Timeout after")).isEmpty())
        << rig.linesAt(SessionLog::Warning).join(QLatin1Char('\n')).toStdString();
}

// A memory read that gets no good reply from an instrument that still
// answers is followed by single reads; when every read is refused the
// download ends as the cancel path does ("C", the unpause, an empty table),
// but says what failed: "Download has been cancelled." is for the user's own
// cancel.
TEST(MemoryDownload, RefusedBulkReadFailsAndSaysWhy)
{
    SimRig rig;
    SimScenario s = SimRig::scenario(5);
    s.faults.corruptReply = {SimFaultRule::on(QStringLiteral("J01"))};
    ASSERT_TRUE(rig.start(s));
    DownloadContext context = rig.download();
    EXPECT_EQ(DownloadAllMemory(context), DownloadOutcome::Failed);
    const QStringList sent = rig.payloads();
    EXPECT_EQ(sent.count(QStringLiteral("J0100010005")), 6);
    EXPECT_EQ(sent.count(QStringLiteral("J0100010001")), 6);   // the fallback's single read of slot 1
    EXPECT_EQ(sent.mid(sent.size() - 2), (QStringList{"C", "A050000"}));
    EXPECT_TRUE(rig.linesAt(SessionLog::Problem).contains(QStringLiteral("Bad reply to FRAM Read - skipping!")));
    EXPECT_TRUE(rig.linesAt(SessionLog::Problem)
                    .contains(QStringLiteral("the instrument's reply to the memory read was damaged: the slots are "
                                             "read one by one.")));
    EXPECT_EQ(rig.table.count(), 0);
    EXPECT_EQ(context.report.message, QStringLiteral("slots 1-5 could not be read: the instrument gave no good reply for them"));
    EXPECT_EQ(rig.observer.panel1.last(),
        QStringLiteral("Download failed: slots 1-5 could not be read: the instrument gave no good reply for them."));
    EXPECT_FALSE(rig.cancel.isRequested());
}

// A portion of one slot has no bulk part: its slot is read singly, at once.
TEST(MemoryDownload, OneSlotPortionIsReadSingly)
{
    SimRig rig;
    ASSERT_TRUE(rig.start(SimRig::scenario(20)));
    DownloadContext context = rig.download();
    EXPECT_EQ(DownloadMemoryPortion(context, 7, 0), DownloadOutcome::Completed);
    EXPECT_EQ(rig.payloads(), (QStringList{"A050000", "J0100070001", "A050000"}));
    EXPECT_EQ(stampsOf(rig.table), expectedStamps(7, 1));
}

// A single-slot read answered for another slot is asked again; a slot that
// never comes back right stays empty, marked unread, and is named.
TEST(MemoryDownload, ReplyForAnotherSlotIsAskedAgain)
{
    struct Case {
        const char* name;
        int wrongTimes;       // 0: every time
        DownloadOutcome outcome;
        int requests;         // single reads of slot 11
    };
    const Case cases[] = {
        {"twice wrong, then right", 2, DownloadOutcome::Completed, 3},
        {"always wrong", 0, DownloadOutcome::Incomplete, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimRig rig;
        SimScenario s = SimRig::scenario(12);
        s.faults.dropSlots = {11};
        s.faults.wrongSlotReply = {SimFaultRule::on(QStringLiteral("J01000B0001"), c.wrongTimes)};
        ASSERT_TRUE(rig.start(s));
        DownloadContext context = rig.download();
        EXPECT_EQ(DownloadAllMemory(context), c.outcome);
        EXPECT_EQ(rig.payloads().count(QStringLiteral("J01000B0001")), c.requests);
        EXPECT_FALSE(rig.payloads().contains(QStringLiteral("S")));   // one failed slot asks no ping
        EXPECT_EQ(rig.table.count(), 12);
        if (c.outcome == DownloadOutcome::Completed) {
            EXPECT_EQ(stampsOf(rig.table), expectedStamps(1, 12));
            continue;
        }
        EXPECT_EQ(rig.table.unread, (std::set<int>{11}));
        EXPECT_EQ(rig.table[11].TimeStamp, 0);
        EXPECT_EQ(context.report.missing, (std::vector<SlotRange>{{11, 11}}));
        EXPECT_EQ(context.report.message,
            QStringLiteral("slot 11 could not be read: the instrument gave no good reply for them"));
        EXPECT_EQ(rig.observer.panel1.last(),
            QStringLiteral("Download incomplete, ready to filter and save what was read."));
        EXPECT_EQ(rig.payloads().last(), QStringLiteral("A050000"));
    }
}

TEST(MemoryDownload, SlotRangesInWords)
{
    EXPECT_EQ(SlotRangesText({{5, 5}}), QStringLiteral("slot 5"));
    EXPECT_EQ(SlotRangesText({{67, 300}}), QStringLiteral("slots 67-300"));
    EXPECT_EQ(SlotRangesText({{3, 3}, {9, 12}}), QStringLiteral("slots 3, 9-12"));
}

// Refused before anything is sent, the table kept: a portion without
// slots and a closed link.
TEST(MemoryDownload, RefusedBeforeSendingWithAMessage)
{
    struct Case { const char* name; bool closeLink; bool all; int first, length; DownloadOutcome outcome; QString message; };
    const Case cases[] = {
        {"portion without slots", false, false, 1, -1, DownloadOutcome::NothingToDownload, MemoryRangeSlider::NoPortionText},
        {"all, no instrument", true, true, 0, 0, DownloadOutcome::NoInstrument, NoInstrumentText},
        {"portion, no instrument", true, false, 1, 9, DownloadOutcome::NoInstrument, NoInstrumentText},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimRig rig;
        ASSERT_TRUE(rig.start(SimRig::scenario(30)));
        if (c.closeLink) {
            int none = 0;
            rig.link.PickComms(none);
        }
        rig.table.resize(30);
        DownloadContext context = rig.download();
        EXPECT_EQ(c.all ? DownloadAllMemory(context) : DownloadMemoryPortion(context, c.first, c.length), c.outcome);
        EXPECT_EQ(rig.prompts.texts_of(QStringLiteral("message")), QStringList{c.message});
        EXPECT_TRUE(rig.payloads().isEmpty());
        EXPECT_EQ(rig.table.count(), 30);
    }
}

// A damaged slot message and a slot number outside the download are not
// stored; the check reads what is missing and the download completes.
TEST(MemoryDownload, DamagedOrForeignSlotsAreReadAgain)
{
    SimRig rig;
    SimScenario s = SimRig::scenario(6);
    s.faults.corruptSlots = {3};
    const QByteArray foreign = ComposeMessage(QByteArray("J03") + "0FFF" + QByteArray(32, '0'));
    s.faults.garbage = {SimFaultRule{QStringLiteral("J01"), 1, 0, foreign}};
    ASSERT_TRUE(rig.start(s));
    DownloadContext context = rig.download();
    EXPECT_EQ(DownloadAllMemory(context), DownloadOutcome::Completed);
    EXPECT_EQ(stampsOf(rig.table), expectedStamps(1, 6));
    EXPECT_EQ(rig.linesAt(SessionLog::Note), QStringList{"Slot #0003 is missing:"});
    EXPECT_EQ(rig.payloads().last(), QStringLiteral("A050000"));
    EXPECT_EQ(rig.linesAt(SessionLog::Problem),
        QStringList{"Streamed slot #0FFF is outside the download - dropped."});
}

TEST(MemoryDownload, CancelGestureCountsOnlyWhileTheStatusTellsOfADownload)
{
    struct Case { const char* panel; bool requested; };
    const Case cases[] = {
        {"Downloading the whole of memory from the instrument: 010% done. (ETA 0:01:00)", true},
        {"Downloading some of memory from the instrument: 050% done. (ETA 0:00:03)", true},
        {"Checking downloaded data for errors: 050%", false},
        {"Download complete, ready to filter and save data.", false},
    };
    for (const Case& c : cases) {
        SimRig rig;
        rig.cancel.request();
        CancelGesture(QString::fromLatin1(c.panel), rig.cancel, rig.services);
        EXPECT_EQ(rig.cancel.isRequested(), c.requested) << c.panel;
    }
}
