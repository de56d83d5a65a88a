// Cutting a byte stream into messages, on both sides of the line.
#include "link/Frame.h"
#include "link/FrameAssembler.h"
#include "LinkRig.h"

#include <QList>

#include <gtest/gtest.h>

namespace {
using Framing = FrameAssembler::Framing;

const QByteArray OverLong(FrameAssembler::MaxMessageSize + 1, 'A');

struct AssemblerCase {
    const char* name;
    Framing framing;
    QList<QByteArray> feeds;        // fed one after another, the messages drained after each
    QList<QByteArray> messages;     // what comes out, in order
    int dropped = 0;
};

// Every byte fed on its own.
QList<QByteArray> Bytewise(const QByteArray& bytes)
{
    QList<QByteArray> feeds;
    for (char byte : bytes)
        feeds.append(QByteArray(1, byte));
    return feeds;
}

const AssemblerCase AssemblerCases[] = {
    {"WholeMessage", Framing::EndCompletes, {Framed("-G0109")}, {"-G0109"}},
    {"ByteByByte", Framing::EndCompletes, Bytewise(Framed("-G0109") + Framed("3S03")), {"-G0109", "3S03"}},
    {"TwoMessagesInOneRead", Framing::EndCompletes, {Framed("a") + Framed("b")}, {"a", "b"}},
    {"SplitAcrossReads", Framing::EndCompletes, {"\x02-G0", "109\r\x02", "3S03\r"}, {"-G0109", "3S03"}},
    {"StartBeginsAfresh", Framing::EndCompletes, {"\x02half\x02whole\r"}, {"whole"}},
    {"NoiseBeforeTheStartDropped", Framing::EndCompletes, {"noise" + Framed("a")}, {"a"}},
    // A reply that lost its start character is still reported (and then rejected).
    {"EndWithoutStartCompletes", Framing::EndCompletes, {"lost start\r"}, {"lost start"}},
    {"EndAloneIsAnEmptyMessage", Framing::EndCompletes, {"\r"}, {""}},
    {"EndWithoutStartIgnoredOnTheInstrumentSide", Framing::StartRequired, {"lost start\r" + Framed("a")}, {"a"}},
    {"NoiseBetweenMessagesIgnoredOnTheInstrumentSide", Framing::StartRequired, {Framed("a") + "noise" + Framed("b")},
        {"a", "b"}},
    {"OverLongMessageDropped", Framing::EndCompletes, {Framed(OverLong) + Framed("after")}, {"after"}, 1},
    {"OverLongMessageDroppedUpToItsEnd", Framing::EndCompletes, {"\x02" + OverLong, "tail\r" + Framed("after")},
        {"after"}, 1},
    {"LongestMessageKept", Framing::EndCompletes, {Framed(OverLong.left(FrameAssembler::MaxMessageSize))},
        {OverLong.left(FrameAssembler::MaxMessageSize)}},
};

class FrameAssemblerTest : public ::testing::TestWithParam<AssemblerCase> {};

TEST_P(FrameAssemblerTest, MessagesComeOutInOrder)
{
    const AssemblerCase& c = GetParam();
    FrameAssembler assembler(c.framing);
    QList<QByteArray> messages;
    for (const QByteArray& bytes : c.feeds) {
        assembler.feed(bytes);
        while (std::optional<QByteArray> message = assembler.next())
            messages.append(*message);
    }
    EXPECT_EQ(messages, c.messages);
    EXPECT_EQ(assembler.droppedMessages(), c.dropped);
}

INSTANTIATE_TEST_SUITE_P(Link, FrameAssemblerTest, ::testing::ValuesIn(AssemblerCases),
    [](const auto& info) { return std::string(info.param.name); });

// Forgetting drops the message begun, so the next one does not inherit its start.
TEST(FrameAssembler, ClearForgetsTheMessageBegun)
{
    FrameAssembler assembler;
    assembler.feed("\x02stale part");
    EXPECT_EQ(assembler.next(), std::nullopt);
    assembler.clear();
    assembler.feed("fresh\r");
    EXPECT_EQ(assembler.next(), QByteArray("fresh"));
}
}
