#include "SimTestSupport.h"

#include <gtest/gtest.h>

using namespace simtest;

namespace {

QList<int> SlotNumbers(const QList<QByteArray>& frames)
{
    QList<int> slots;
    for (const QByteArray& f : frames)
        slots.append(PayloadOf(f).mid(3, 4).toInt(nullptr, 16));
    return slots;
}

TEST(SimStream, BulkReadStreamsOneMessagePerSlotPacedByTheLine)
{
    SimScenario s = SmallScenario();
    s.timing.baud = 9600;
    s.timing.slotDelayMs = 20;
    SimEngine engine(s, FixedUtc);
    const auto chunks = engine.exchange(ComposeMessage("J0100030004"));
    ASSERT_EQ(chunks.size(), 4);
    QList<QByteArray> frames;
    for (const auto& c : chunks)
        frames += SplitFrames(c.bytes);
    EXPECT_EQ(SlotNumbers(frames), (QList<int>{3, 4, 5, 6}));
    for (const QByteArray& f : frames) {
        EXPECT_TRUE(f.mid(1).startsWith("GJ03"));
        EXPECT_EQ(f, ComposeMessage(PayloadOf(f)));
    }
    // 44 bytes at 960 bytes a second take 45.8 ms; each next slot waits 20 ms more.
    EXPECT_EQ(chunks[0].atMs, 45);
    for (int i = 1; i < chunks.size(); ++i)
        EXPECT_NEAR(chunks[i].atMs - chunks[i - 1].atMs, 66, 1);
    // The stream carries exactly the slots a single read returns.
    EXPECT_EQ(PayloadOf(frames[1]), PayloadOf(Ask(engine, "J0100040001").value(0)));
}

TEST(SimStream, EndRequestStopsTheStreamAndIsAnsweredWithTheStatus)
{
    SimScenario s = SmallScenario();
    s.timing.baud = 9600;
    SimEngine engine(s, FixedUtc);
    const auto t0 = SimEngine::Clock::now();
    engine.receive(ComposeMessage("J010001000C"), t0);
    const auto later = t0 + std::chrono::milliseconds(100);
    const QList<QByteArray> before = SplitFrames(engine.takeDue(later).bytes);
    EXPECT_EQ(SlotNumbers(before), (QList<int>{1, 2}));

    engine.receive(ComposeMessage("C"), later);
    QByteArray after;
    while (const auto due = engine.nextDue())
        after += engine.takeDue(*due).bytes;
    const QList<QByteArray> frames = SplitFrames(after);
    ASSERT_EQ(frames.size(), 1);
    EXPECT_TRUE(frames[0].mid(1).startsWith("7S"));
}

TEST(SimStream, SlotsPastTheStoredOnesReadAsErasedMemory)
{
    SimEngine engine(SmallScenario(), FixedUtc);
    const QByteArray payload = PayloadOf(Ask(engine, "J0100200001").value(0));
    EXPECT_EQ(payload, "J030020" + QByteArray(32, 'F'));
}

TEST(SimStream, EraseRemovesTheOldestSlots)
{
    SimEngine engine(SmallScenario(), FixedUtc);
    const QByteArray fourth = PayloadOf(Ask(engine, "J0100040001").value(0)).mid(7);
    EXPECT_EQ(PayloadOf(Ask(engine, "J020003").value(0)), QByteArray("J040009"));
    EXPECT_EQ(PayloadOf(Ask(engine, "J0100010001").value(0)).mid(7), fourth);
    EXPECT_EQ(PayloadOf(Ask(engine, "S03").value(0)), QByteArray("S03200000000003" "0009"));
    // More than is stored empties the memory.
    EXPECT_EQ(PayloadOf(Ask(engine, "J02FFFF").value(0)), QByteArray("J040000"));
}

// Versions 1.08 and 1.09 frame their slot replies with a length character
// four short and a checksum summed over it; the payload itself is sound.
TEST(SimStream, OldFirmwareSendsSlotRepliesWithTheWrongLengthCharacter)
{
    struct Case {
        const char* firmware;
        bool buggy;
    };
    for (const Case c : {Case{"V1.08", true}, Case{"V1.09", true}, Case{"V1.10", false}, Case{"V2.31", false}}) {
        SimScenario s = SmallScenario();
        s.firmware = QString::fromLatin1(c.firmware);
        SimEngine engine(s, FixedUtc);
        QList<QByteArray> frames = Ask(engine, "J0100010001");
        for (const auto& chunk : engine.exchange(ComposeMessage("J0100020002")))
            frames += SplitFrames(chunk.bytes);
        ASSERT_EQ(frames.size(), 3) << c.firmware;
        for (const QByteArray& f : frames) {
            EXPECT_EQ(f.mid(1, 4), c.buggy ? QByteArray("CJ03") : QByteArray("GJ03")) << c.firmware;
            EXPECT_EQ(f != ComposeMessage(PayloadOf(f)), c.buggy) << c.firmware;
        }
        // Other replies are framed correctly whatever the version.
        const QByteArray j00 = Ask(engine, "J00").value(0);
        EXPECT_EQ(j00, ComposeMessage(PayloadOf(j00))) << c.firmware;
    }
}

} // namespace
