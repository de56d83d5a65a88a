#include "SimTestSupport.h"

#include <gtest/gtest.h>

using namespace simtest;

namespace {

struct ReplyCase {
    const char* request;
    const char* reply; // the whole reply payload, or its beginning when prefixOnly
    bool prefixOnly = false;
};

// Each request's reply: the exact frame the program expects (length
// character, echo, data, checksum), on a known instrument.
TEST(SimReplies, EachCommandAnswersInItsExpectedForm)
{
    const ReplyCase cases[] = {
        {"S", "S", true},
        {"G010904", "G01090400007B"},                 // serial 123, type "F"
        {"G002101", "G002101"},                       // mode peak
        {"G002201", "G002201"},                       // limit 1
        {"G000207", "G000200080B44009C40"},           // calibration block A
        {"G000002", "G00002301"},                     // time to peak 12.3 s, BCD low byte first
        {"G00280B", "G00281508000B0000000000CB20"},   // calibration block B
        {"G010003", "G0100120321"},                   // manufactured 12 Mar 2021
        {"G000902", "G0009D204"},                     // usage 1234, low byte first
        {"E003006", "E0030563", true},                // "V2.31" starts the firmware string
        {"E010106", "E01010000FA0001F4"},             // limit table bytes 1-6
        {"E010D08", "E010D000A000F00140019"},         // limit table bytes 13-20
        {"G01E904", "G01E904040F00"},                 // 4 chips, map 1111, no errors
        {"J00", "J04000C"},                           // 12 slots hold data
        {"S03", "S03200000000000000C"},               // 8192 slots, offset 0, 12 used
        {"J01000B0001", "J03000B", true},             // one slot
        {"K", "K26123104235958"},                     // the fixed clock
        {"K26060707140509", "K26060707140509"},       // set, answered with the new reading
        {"A00", "A01107C0A01E00259FFFF0000"},
        {"A01017F3C00000001FFFF0005", "A01017F3C00000001FFFF0005"},
        {"A04", "A0000"},                             // not enabled, not running
        {"A05003C", "A05003C"},
        {"A050000", "A050000"},
        {"A05", "A050000"},                           // no pause left
        {"G020001", "G020000"},                       // stop when full (this band stores it as 00)
        {"B0200FF", "B0200FF"},
        {"G005401", "G005400"},
        {"G01F301", "G01F300"},
        {"B01F3FF", "B01F3FF"},
        {"G004206", "G004201003201FBFF"},
        {"B00420100" "0A", "B004201000A"},
        {"G004804", "G00480000" "0564"},
        {"G002E02", "G002E0000"},
        {"B002E1000", "B002E1000"},
        {"G01F002", "G01F05231"},                   // park sensor available
        {"G000903", "G0009D20407"},
        {"G002C02", "G002C0000"},
        {"G100100", "G1001006A96A928" "01F632"},      // pump log entry 0
        {"G100101", "G10010100000000" "FFFFFF"},      // an empty entry
        {"J020005", "J040007"},                       // five erased, seven left
        {"C", "S", true},
    };
    SimEngine engine(SmallScenario(), FixedUtc);
    for (const ReplyCase& c : cases) {
        const QList<QByteArray> frames = Ask(engine, c.request);
        ASSERT_EQ(frames.size(), 1) << c.request;
        const QByteArray payload = PayloadOf(frames[0]);
        EXPECT_EQ(frames[0], ComposeMessage(payload)) << c.request << ": frame not well formed";
        if (c.prefixOnly)
            EXPECT_TRUE(payload.startsWith(c.reply)) << c.request << " -> " << payload.constData();
        else
            EXPECT_EQ(payload, QByteArray(c.reply)) << c.request;
    }
}

// The reply heads that the program checks, length character included.
TEST(SimReplies, ReplyHeadsMatchWhatTheProgramChecks)
{
    const std::pair<const char*, const char*> cases[] = {
        {"S", "7S"}, {"G010904", "-G0109"}, {"G002101", "'G0021"}, {"G007102", ")G0071"}, {"G000207", "3G0002"},
        {"G00280B", ";G0028"}, {"E010D08", "5E010D"}, {"E003006", "1E0030"}, {"G01E904", "-G01E9"},
        {"J00", "'J04"}, {"S03", "3S"}, {"J0100010001", "GJ03"}, {"K", "/K"}, {"A00", "9A01"}, {"A02", "%A00"},
        {"A03", "%A00"}, {"A04", "%A00"}, {"A050050", "'A05"}, {"J020001", "'J04"}, {"G004205", "/G0042"},
        {"B0042010032", "+B0042"}, {"B002E0001", ")B002E"}, {"G004804", "-G0048"},
    };
    SimEngine engine(SmallScenario(), FixedUtc);
    for (const auto& [request, head] : cases) {
        const QList<QByteArray> frames = Ask(engine, request);
        ASSERT_FALSE(frames.isEmpty()) << request;
        EXPECT_TRUE(frames[0].mid(1).startsWith(head)) << request << " -> " << frames[0].mid(1).constData();
    }
}

TEST(SimReplies, AllZeroClockGivesTheKnownReply)
{
    SimScenario s = SmallScenario();
    s.clockZero = true;
    SimEngine engine(s, FixedUtc);
    EXPECT_EQ(Ask(engine, "K").value(0), QByteArray("\x02/K0000000000000066\r"));
}

TEST(SimReplies, WritesChangeWhatLaterReadsReturn)
{
    SimEngine engine(SmallScenario(), FixedUtc);
    Ask(engine, "B0048FF05C8");
    EXPECT_EQ(PayloadOf(Ask(engine, "G004804").value(0)), QByteArray("G0048FF05C864"));

    Ask(engine, "A01017F3C00000001FFFF0005");
    EXPECT_EQ(PayloadOf(Ask(engine, "A00").value(0)), QByteArray("A01017F3C00000001FFFF0005"));

    // Start and stop: the fixed clock is outside the stored window, so enabled only.
    EXPECT_EQ(PayloadOf(Ask(engine, "A02").value(0)), QByteArray("A0001"));
    EXPECT_EQ(PayloadOf(Ask(engine, "A04").value(0)), QByteArray("A0001"));
    EXPECT_EQ(PayloadOf(Ask(engine, "A03").value(0)), QByteArray("A0000"));
}

TEST(SimReplies, EepromKeepsCopiesOfTheScheduleAndTheMemoryUse)
{
    SimEngine engine(SmallScenario(), FixedUtc);
    // The schedule block and its enabled byte at 0x0060, the slots used and
    // the oldest slot's offset at 0x01E5, the limit table and its check byte at 0x0078.
    EXPECT_EQ(PayloadOf(Ask(engine, "G00600C").value(0)), QByteArray("G0060107C0A01E00259FFFF000000"));
    EXPECT_EQ(PayloadOf(Ask(engine, "G01E504").value(0)), QByteArray("G01E5000C0000"));
    EXPECT_EQ(PayloadOf(Ask(engine, "G007815").value(0)),
        QByteArray("G00780000FA0001F40003E80009C4000A000F00140019ED"));

    Ask(engine, "A01017F3C00000001FFFF0005");
    Ask(engine, "A02");
    Ask(engine, "J020002");
    EXPECT_EQ(PayloadOf(Ask(engine, "G00600C").value(0)), QByteArray("G0060017F3C00000001FFFF000501"));
    EXPECT_EQ(PayloadOf(Ask(engine, "G01E504").value(0)), QByteArray("G01E5000A0002"));
}

TEST(SimReplies, ScheduleRunsInsideItsWindowAndPausesOnRequest)
{
    SimScenario s = SmallScenario();
    s.schedule.enabled = true; // Monday to Friday 08:00 to 18:00 UTC
    const QDateTime thursdayNoon(QDate(2026, 12, 31), QTime(12, 0), QTimeZone::utc());
    SimEngine engine(s, [thursdayNoon] { return thursdayNoon; });
    EXPECT_EQ(PayloadOf(Ask(engine, "A04").value(0)), QByteArray("A0003"));
    Ask(engine, "A05003C");
    EXPECT_EQ(PayloadOf(Ask(engine, "A04").value(0)), QByteArray("A0001"));
    EXPECT_EQ(PayloadOf(Ask(engine, "A05").value(0)), QByteArray("A05003C"));
    Ask(engine, "A050000");
    EXPECT_EQ(PayloadOf(Ask(engine, "A04").value(0)), QByteArray("A0003"));
}

TEST(SimReplies, ClockSetKeepsRunningFromTheNewTime)
{
    QDateTime pc = FixedUtc();
    SimEngine engine(SmallScenario(), [&pc] { return pc; });
    Ask(engine, "K26060707140509");
    pc = pc.addSecs(61);
    EXPECT_EQ(PayloadOf(Ask(engine, "K").value(0)), QByteArray("K26060707140610"));
    // A reading that is no date leaves the clock alone.
    Ask(engine, "K26136107140509");
    EXPECT_EQ(PayloadOf(Ask(engine, "K").value(0)), QByteArray("K26060707140610"));
}

TEST(SimReplies, ChipBlockResetCountsTheChipsAgain)
{
    struct Case {
        bool persist;
        const char* after;
    };
    for (const Case c : {Case{false, "G01E904040F00"}, Case{true, "G01E904040F03"}}) {
        SimScenario s = SmallScenario();
        s.framChipsFitted = 3;
        s.framMap = 0x07;
        s.framErrors = 3;
        s.framErrorsPersist = c.persist;
        SimEngine engine(s, FixedUtc);
        EXPECT_EQ(PayloadOf(Ask(engine, "G01E904").value(0)), QByteArray("G01E90403070" "3"));
        Ask(engine, "B01E9FFFFFF00");
        EXPECT_EQ(PayloadOf(Ask(engine, "G01E904").value(0)), QByteArray(c.after));
    }
}

TEST(SimReplies, TestModeAnswersOnlyAfterItsEntryRequest)
{
    SimEngine engine(SmallScenario(), FixedUtc);
    EXPECT_TRUE(Ask(engine, "O").isEmpty());
    EXPECT_TRUE(Ask(engine, "L").isEmpty());
    EXPECT_TRUE(Ask(engine, "D5C31A7F2").isEmpty());
    EXPECT_TRUE(Ask(engine, "O").value(0).startsWith("\x02'O"));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(Ask(engine, "P").isEmpty());
    EXPECT_EQ(engine.inspect([](const SimInstrument& i) { return i.testCycles(); }), 3);
    EXPECT_TRUE(Ask(engine, "C").value(0).startsWith("\x02" "7S"));
    EXPECT_FALSE(engine.inspect([](const SimInstrument& i) { return i.testMode(); }));
    EXPECT_TRUE(Ask(engine, "U").isEmpty());
}

TEST(SimReplies, FramesThatCannotBeTrustedGetNoReply)
{
    SimEngine engine(SmallScenario(), FixedUtc);
    QByteArray badChecksum = ComposeMessage("S");
    badChecksum[3] = badChecksum[3] == '0' ? '1' : '0';
    QByteArray badLength = ComposeMessage("S");
    badLength[1] = '"';
    const QByteArray cases[] = {badChecksum, badLength, "S\r", ComposeMessage("Z123"), ComposeMessage("G01"),
        ComposeMessage("B0048F"), ComposeMessage("G0048ZZ")};
    for (const QByteArray& bytes : cases)
        EXPECT_TRUE(engine.exchange(bytes).isEmpty()) << bytes.toHex().constData();
    // Characters after a frame's end (as after a frame sent with a tail) are dropped.
    const auto replies = engine.exchange(ComposeMessage("B00420100" "0A") + "0100");
    EXPECT_EQ(SplitFrames(replies.value(0).bytes).size(), 1);
    EXPECT_EQ(PayloadOf(Ask(engine, "S").value(0)).left(1), "S");
}

TEST(SimReplies, FrameLogHoldsEverythingReceivedAndSent)
{
    SimEngine engine(SmallScenario(), FixedUtc);
    Ask(engine, "J00");
    engine.exchange("noise" + ComposeMessage("S").left(4) + "\r");
    const QList<SimFrameRecord> log = engine.frameLog();
    ASSERT_EQ(log.size(), 3);
    EXPECT_EQ(log[0].direction, SimFrameRecord::Received);
    EXPECT_EQ(log[0].payload(), QByteArray("J00"));
    EXPECT_EQ(log[1].direction, SimFrameRecord::Sent);
    EXPECT_EQ(log[1].text, QByteArray("'J04000C58"));
    EXPECT_FALSE(log[2].valid);
    EXPECT_EQ(engine.receivedPayloads(), QList<QByteArray>{"J00"});
}

} // namespace

namespace {

// Whatever arrives, the engine answers with well-formed frames or not at all.
TEST(SimReplies, ArbitraryRequestsNeverBreakTheFrame)
{
    SimEngine engine(SmallScenario(), FixedUtc);
    quint32 state = 12345;
    auto next = [&state](int range) {
        state = state * 1103515245u + 12345u;
        return int((state >> 16) % quint32(range));
    };
    const QByteArray letters = "GBEJKSACLOPUDZ";
    const QByteArray digits = "0123456789ABCDEF0123456789ABCDEFxG";
    int answered = 0;
    for (int i = 0; i < 3000; ++i) {
        QByteArray payload(1 + next(i % 10 == 0 ? 220 : 14), ' ');
        for (char& c : payload)
            c = digits[next(int(digits.size()))];
        payload[0] = letters[next(int(letters.size()))];
        if (payload.startsWith("J01") || payload.startsWith("J02"))
            continue; // streams and erases are covered on their own
        for (const auto& chunk : engine.exchange(ComposeMessage(payload), 10000))
            for (const QByteArray& f : SplitFrames(chunk.bytes)) {
                ASSERT_EQ(f, ComposeMessage(PayloadOf(f))) << payload.constData();
                ++answered;
            }
    }
    EXPECT_GT(answered, 50);  // the mix reached the command handlers
}

} // namespace
