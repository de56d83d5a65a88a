#include "SimTestSupport.h"

#include <gtest/gtest.h>

using namespace simtest;

namespace {

SimFaultRule Rule(const char* prefix, int times = 0)
{
    SimFaultRule r;
    r.prefix = QString::fromLatin1(prefix);
    r.times = times;
    return r;
}

// What the line carried for a run of requests.
struct Observed {
    QList<int> framesPerRequest;
    QList<bool> wellFormed;
    QList<qint64> firstAtMs;
    bool garbageSeen = false;
    bool closed = false;
};

Observed RunRequests(const SimFaults& faults, const QList<QByteArray>& requests)
{
    SimScenario s = SmallScenario();
    s.faults = faults;
    SimEngine engine(s, FixedUtc);
    Observed o;
    for (const QByteArray& request : requests) {
        const auto chunks = engine.exchange(ComposeMessage(request));
        QByteArray all;
        for (const auto& c : chunks) {
            all += c.bytes;
            o.closed = o.closed || c.closeConnection;
        }
        const QList<QByteArray> frames = SplitFrames(all);
        o.framesPerRequest.append(int(frames.size()));
        o.firstAtMs.append(chunks.isEmpty() ? -1 : chunks[0].atMs);
        o.garbageSeen = o.garbageSeen || (!all.isEmpty() && all[0] != Frame::StartChar);
        for (const QByteArray& f : frames)
            o.wellFormed.append(f == ComposeMessage(PayloadOf(f)));
    }
    return o;
}

TEST(SimFaultsOnReplies, RequestFaultsHitOnlyTheMatchingRequestsAndOnlyAsOftenAsAsked)
{
    SimFaults noReply;
    noReply.noReply = {Rule("G0109", 2)};
    Observed o = RunRequests(noReply, {"G010904", "S", "G010904", "G010904", "G010904"});
    EXPECT_EQ(o.framesPerRequest, (QList<int>{0, 1, 0, 1, 1}));

    SimFaults corrupt;
    corrupt.corruptReply = {Rule("S", 1)};
    o = RunRequests(corrupt, {"S", "S"});
    EXPECT_EQ(o.wellFormed, (QList<bool>{false, true}));

    SimFaults late;
    late.lateReply = {Rule("K")};
    o = RunRequests(late, {"K", "S"});
    EXPECT_EQ(o.firstAtMs, (QList<qint64>{6000, 0}));

    SimFaults garbage;
    SimFaultRule noise = Rule("");
    noise.bytes = "\x7F#~";
    garbage.garbage = {noise};
    o = RunRequests(garbage, {"S"});
    EXPECT_TRUE(o.garbageSeen);
    EXPECT_EQ(o.framesPerRequest, QList<int>{1});
    EXPECT_EQ(o.wellFormed, QList<bool>{true});
}

TEST(SimFaultsOnReplies, IgnoredRequestsChangeNothing)
{
    SimScenario s = SmallScenario();
    s.faults.noReply = {Rule("J02", 1)};
    SimEngine engine(s, FixedUtc);
    EXPECT_TRUE(Ask(engine, "J020004").isEmpty());
    EXPECT_EQ(PayloadOf(Ask(engine, "J00").value(0)), QByteArray("J04000C"));
}

TEST(SimFaultsOnStreams, StreamFaultsShapeWhatArrives)
{
    struct Case {
        const char* name;
        SimFaults faults;
        QList<int> slots;      // slot numbers that arrived
        QList<bool> wellFormed;
        bool closed;
    };
    SimFaults drop, corrupt, stop, close;
    drop.dropSlots = {2, 4};
    corrupt.corruptSlots = {3};
    stop.stopStreamAfter = 2;
    close.closeAfterSlots = 3;
    const Case cases[] = {
        {"drop", drop, {1, 3, 5}, {true, true, true}, false},
        {"corrupt", corrupt, {1, 2, 3, 4, 5}, {true, true, false, true, true}, false},
        {"stop", stop, {1, 2}, {true, true}, false},
        {"close", close, {1, 2, 3}, {true, true, true}, true},
    };
    for (const Case& c : cases) {
        SimScenario s = SmallScenario();
        s.faults = c.faults;
        SimEngine engine(s, FixedUtc);
        QByteArray all;
        bool closed = false;
        for (const auto& chunk : engine.exchange(ComposeMessage("J0100010005"))) {
            all += chunk.bytes;
            closed = closed || chunk.closeConnection;
        }
        QList<int> slots;
        QList<bool> wellFormed;
        for (const QByteArray& f : SplitFrames(all)) {
            slots.append(PayloadOf(f).mid(3, 4).toInt(nullptr, 16));
            wellFormed.append(f == ComposeMessage(PayloadOf(f)));
        }
        EXPECT_EQ(slots, c.slots) << c.name;
        EXPECT_EQ(wellFormed, c.wellFormed) << c.name;
        EXPECT_EQ(closed, c.closed) << c.name;
        // The single-slot read of a dropped slot still works: the program's repair path.
        EXPECT_EQ(Ask(engine, "J0100020001").size(), 1) << c.name;
    }
}

TEST(SimFaultsOnReplies, ASwitchedOffInstrumentStaysSilentAndUnchanged)
{
    SimScenario s = SmallScenario();
    s.faults.switchOff = Rule("P", 2);
    SimEngine engine(s, FixedUtc);
    struct Step { const char* request; int replies; };
    const Step steps[] = {
        {"D5C31A7F2", 0}, {"O", 1}, {"P", 0}, {"O", 1},
        {"P", 0},                       // the second cycle request: switched off here
        {"O", 0}, {"C", 0}, {"S", 0}, {"G002001", 0},
    };
    for (const Step& step : steps)
        EXPECT_EQ(Ask(engine, step.request).size(), step.replies) << step.request;
    // Neither the second cycle nor the "C" after it reached the instrument.
    EXPECT_EQ(engine.inspect([](const SimInstrument& i) { return i.testCycles(); }), 1);
    EXPECT_TRUE(engine.inspect([](const SimInstrument& i) { return i.testMode(); }));
    // Every request still shows in the frame log, as the line carried it.
    EXPECT_EQ(engine.receivedPayloads().size(), qsizetype(std::size(steps)));

    // The fault in a scenario file, and back.
    SimFaults parsed;
    QString error;
    ASSERT_TRUE(SimFaultsFromJson(QJsonObject{{QStringLiteral("switchOffAt"), QStringLiteral("C:3")}}, parsed, &error))
        << error.toStdString();
    ASSERT_TRUE(parsed.switchOff.has_value());
    EXPECT_EQ(parsed.switchOff->prefix, QStringLiteral("C"));
    EXPECT_EQ(parsed.switchOff->times, 3);
    SimFaults again;
    ASSERT_TRUE(SimFaultsFromJson(SimFaultsToJson(parsed), again, &error));
    EXPECT_EQ(again.switchOff, parsed.switchOff);
}

TEST(SimFaultsParsing, TextFormsOfRulesAndSlotLists)
{
    SimFaultRule rule;
    QString error;
    ASSERT_TRUE(ParseFaultRule(QStringLiteral("G0109:2"), rule, &error));
    EXPECT_EQ(rule.prefix, QStringLiteral("G0109"));
    EXPECT_EQ(rule.times, 2);
    ASSERT_TRUE(ParseFaultRule(QStringLiteral("K:1:7500"), rule, &error));
    EXPECT_EQ(rule.delayMs, 7500);
    EXPECT_FALSE(ParseFaultRule(QStringLiteral("S:x"), rule, &error));
    EXPECT_FALSE(error.isEmpty());

    QSet<int> slots;
    ASSERT_TRUE(ParseSlotSet(QStringLiteral("3,5,9-11"), slots, &error));
    EXPECT_EQ(slots, (QSet<int>{3, 5, 9, 10, 11}));
    ASSERT_TRUE(ParseSlotSet(QStringLiteral("65535"), slots, &error));
    // Past the last slot: "1-2147483647" once counted up past the largest int.
    for (const char* bad : {"0", "5-3", "x", "1-2-3", "65536", "1-2147483647"}) {
        QSet<int> none;
        EXPECT_FALSE(ParseSlotSet(QString::fromLatin1(bad), none, &error)) << bad;
    }
}

} // namespace

// The faults of a dying or confused instrument: silent after a few streamed
// slots with the line still up, and single-slot reads answered for another
// slot (the next; the one before for the last), the first N times.
TEST(SimFaultsOnStreams, MuteAfterSlotsAndWrongSlotReplies)
{
    const auto slotOf = [](const QByteArray& frame) { return PayloadOf(frame).mid(3, 4).toInt(nullptr, 16); };

    SimScenario mute = SmallScenario();
    mute.faults.muteAfterSlots = 3;
    SimEngine silent(mute, FixedUtc);
    QList<int> streamed;
    for (const QByteArray& frame : Ask(silent, "J010001000C"))
        streamed.append(slotOf(frame));
    EXPECT_EQ(streamed, (QList<int>{1, 2, 3}));
    EXPECT_TRUE(Ask(silent, "S").isEmpty());
    EXPECT_TRUE(Ask(silent, "J0100040001").isEmpty());

    SimScenario wrong = SmallScenario();
    wrong.faults.wrongSlotReply = {Rule("J0100040001", 1), Rule("J01000C0001")};
    SimEngine confused(wrong, FixedUtc);
    EXPECT_EQ(slotOf(Ask(confused, "J0100040001").value(0)), 5);
    EXPECT_EQ(slotOf(Ask(confused, "J0100040001").value(0)), 4);
    EXPECT_EQ(slotOf(Ask(confused, "J01000C0001").value(0)), 11);
    EXPECT_EQ(Ask(confused, "J0100010003").size(), 3);   // a bulk read is left alone

    // The new faults in a scenario file, and back.
    SimFaults faults;
    faults.muteAfterSlots = 7;
    faults.floodAfterSlots = 2;
    faults.wrongSlotReply = {Rule("J01000B", 2)};
    SimFaults again;
    QString error;
    ASSERT_TRUE(SimFaultsFromJson(SimFaultsToJson(faults), again, &error)) << error.toStdString();
    EXPECT_EQ(again.muteAfterSlots, 7);
    EXPECT_EQ(again.floodAfterSlots, 2);
    EXPECT_EQ(again.wrongSlotReply, faults.wrongSlotReply);
    EXPECT_TRUE(again.any());
}
