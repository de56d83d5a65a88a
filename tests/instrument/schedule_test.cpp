#include "InstrumentRig.h"
#include "ZoneForTest.h"
#include "instrument/Schedule.h"

#include <gtest/gtest.h>

using namespace tolviM;

namespace {

// Config 01, week mask 7F, every 10 minutes, start 00:00 UTC, 60 minutes, counter 0x8001.
const QByteArray Block = "017F0A0000003DFFFF8001";

}

TEST(Schedule, ReadInAZoneEastOfUtcAndWriteBack)
{
    const ZoneForTest zone("UTC-1");
    InstrumentRig rig;
    rig.memory.setScheduleBlock(Block);
    rig.memory.setScheduleState(3);
    rig.start();

    EXPECT_TRUE(GetScheduleDetails(rig.link, rig.services, rig.info));
    EXPECT_EQ(rig.received(), (QList<QByteArray>{"A00", "G020001", "G005401", "A04"}));
    EXPECT_EQ(rig.info.StartTime.time(), QTime(1, 0));
    EXPECT_EQ(rig.info.Duration.time(), QTime(1, 0));
    EXPECT_EQ(rig.info.Counter, -32767);
    EXPECT_EQ(rig.info.Config, 1);
    EXPECT_EQ(rig.info.WeekMask, 0x7F);
    EXPECT_EQ(rig.info.Frequency, 10);
    EXPECT_TRUE(rig.info.CounterEnabled);
    EXPECT_TRUE(rig.info.ContinueOnFull);
    EXPECT_FALSE(rig.info.StopOnFull);
    EXPECT_FALSE(rig.info.ShortBetweenSamples);
    EXPECT_TRUE(rig.info.ScheduleEnabled);
    EXPECT_TRUE(rig.info.ScheduleRunning);
    EXPECT_TRUE(rig.hasLine("Schedule is running now!", SessionLog::Info));

    rig.responder->clearReceived();
    rig.info.ShortBetweenSamples = true;
    EXPECT_TRUE(SetScheduleDetails(rig.link, rig.services, rig.info));
    EXPECT_EQ(rig.received(), (QList<QByteArray>{"B020000", "A01" + Block, "B0054FF", "A02"}));
    EXPECT_EQ(rig.info.StartTime.time(), QTime(0, 0));   // now the UTC time sent
    const QStringList history = rig.historyTexts();
    ASSERT_EQ(history.size(), 10);
    EXPECT_TRUE(history[0].startsWith("::: New schedule uploaded by "));
    EXPECT_EQ(history.mid(1, 3), (QStringList{": Enabled  = True", ": Config   = 0b00000001", ": Weekmask = 0b01111111"}));
    EXPECT_TRUE(history[4].startsWith(": Starts at ") && history[4].endsWith(" GMT"));
    EXPECT_EQ(history.mid(6), (QStringList{": Counter = -32767", ": Continue on memory full.",
                                  ": Short sensor between samples.", ":"}));
}

TEST(Schedule, MemoryFullByteFollowsTheInversionFlag)
{
    struct Case {
        bool stopOnFull, inverted;
        QByteArray write;
    };
    const Case cases[] = {
        {true, false, "B0200FF"}, {true, true, "B020000"}, {false, false, "B020000"}, {false, true, "B0200FF"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "stop on full " << c.stopOnFull << ", inverted " << c.inverted);
        InstrumentRig rig;
        rig.start();
        rig.link.firmwareFlags().FwMemoryFullInverted = c.inverted;
        rig.info.StopOnFull = c.stopOnFull;
        rig.info.ContinueOnFull = !c.stopOnFull;
        EXPECT_TRUE(SetScheduleDetails(rig.link, rig.services, rig.info));
        EXPECT_EQ(rig.received().first(), c.write);
        EXPECT_EQ(rig.historyTexts().contains(": Stop     on memory full."), c.stopOnFull);

        // Reading the byte back gives the same setting.
        rig.info.StopOnFull = !c.stopOnFull;
        GetScheduleDetails(rig.link, rig.services, rig.info);
        EXPECT_EQ(rig.info.StopOnFull, c.stopOnFull);
        EXPECT_EQ(rig.info.ContinueOnFull, !c.stopOnFull);
    }
}

TEST(Schedule, StateAndLengthEdges)
{
    InstrumentRig rig;
    rig.memory.setScheduleBlock("0000000000000000000000");
    rig.memory.setScheduleState(6);   // only the two low bits count: running, not enabled
    rig.start();
    EXPECT_FALSE(GetScheduleDetails(rig.link, rig.services, rig.info));
    EXPECT_FALSE(rig.info.ScheduleEnabled);
    EXPECT_TRUE(rig.info.ScheduleRunning);
    EXPECT_TRUE(rig.hasLine("Schedule is running but not enabled!", SessionLog::Warning));
    EXPECT_TRUE(rig.hasLine("No schedule set.", SessionLog::Info));
    EXPECT_EQ(rig.info.Duration, ZeroDate().addSecs(-60));   // length field 0: minus one minute
}

TEST(Schedule, CounterBeyondSixteenBitsIsRefusedBeforeSending)
{
    for (int counter : {65536, -32769}) {
        InstrumentRig rig;
        rig.start();
        rig.info.CounterEnabled = true;
        rig.info.Counter = counter;
        EXPECT_FALSE(SetScheduleDetails(rig.link, rig.services, rig.info));
        EXPECT_TRUE(rig.received().isEmpty());
        EXPECT_EQ(rig.prompts.texts_of("message").size(), 1);
        EXPECT_TRUE(rig.historyTexts().isEmpty());
    }
}

TEST(Schedule, CounterOfSixteenBitsIsSentAsItsLowBits)
{
    InstrumentRig rig;
    rig.start();
    rig.info.Counter = 65535;
    EXPECT_TRUE(SetScheduleDetails(rig.link, rig.services, rig.info));
    EXPECT_TRUE(rig.received().at(1).endsWith("FFFFFFFF"));
}

TEST(Schedule, BlockEchoMismatchFailsWithoutHistory)
{
    InstrumentRig rig;
    rig.start([&rig](const QByteArray& payload) {
        if (payload.startsWith("A01"))
            return Responder::Reply("A01" + QByteArray(22, '1'));
        return rig.memory.answer(payload);
    });
    EXPECT_FALSE(SetScheduleDetails(rig.link, rig.services, rig.info));
    EXPECT_EQ(rig.received().size(), 2);   // no short-sensor write, no start or stop
    EXPECT_TRUE(rig.historyTexts().isEmpty());
}

TEST(RemoteSave, ReadWriteAndDeadInstrument)
{
    InstrumentRig rig;
    rig.start();
    EXPECT_TRUE(SetRFSFlag(rig.link, rig.services, true));
    EXPECT_EQ(rig.memory.eeprom(0x01F3, 1), QByteArray::fromHex("FF"));
    EXPECT_FALSE(SetRFSFlag(rig.link, rig.services, false));
    EXPECT_EQ(rig.received(), (QList<QByteArray>{"B01F3FF", "G01F301", "B01F300", "G01F301"}));

    InstrumentRig dead;
    dead.start([](const QByteArray& payload) { return Responder::Spoilt(payload); });
    EXPECT_FALSE(SetRFSFlag(dead.link, dead.services, true));
    QList<QByteArray> expected;
    for (int i = 0; i < 6; ++i)
        expected.prepend("B01F3FF"), expected.append("G01F301");
    EXPECT_EQ(dead.received(), expected);
}
