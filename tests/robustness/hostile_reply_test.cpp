// The exchange and the streaming receive against a far end that answers
// with damaged, empty, oversized or random replies, over a pseudo-terminal
// and over loopback TCP. Every reply must end in a clear result with the
// bytes kept as they came; nothing may crash or hang past the timeout.
#include "LinkRig.h"
#include "shell/Bits.h"

#include <gtest/gtest.h>

#include <future>
#include <random>

namespace {
const QByteArray Request = ComposeMessage("G002101");
const QByteArray Reply = Body("G00210C");

// Random bytes without the start and end characters, the same on every run.
QByteArray Noise(int size)
{
    std::mt19937 random(20261210);
    QByteArray bytes;
    while (bytes.size() < size) {
        const char byte = char(random() & 0xFF);
        if (byte != Frame::StartChar && byte != Frame::EndChar)
            bytes.append(byte);
    }
    return bytes;
}

QByteArray WithChecksum(const QByteArray& text)
{
    return text + HexL(Frame::Checksum(text), 2).toLatin1();
}

const QString LengthWrong =
    QStringLiteral("Message length was not correct - maybe the programmatic offset is wrong for this device?");
const QString ChecksumWrong = QStringLiteral("Message checksum did not match calculated value. Message ignored.");
const QString ExtendedLengthWrong = QStringLiteral("Extended message length is not correct.");

struct HostileCase {
    const char* name;
    QByteArray farEndSends;
    double timeout;
    int result;
    QByteArray received;   // the reply as it arrived
    QString logText;       // a line the exchange must log (empty: none required)
};

const HostileCase Cases[] = {
    {"EmptyMessage", "\x02\r", 2, InstrumentLink::ReplyRejected, "", LengthWrong},
    {"EndCharacterAlone", "\r", 2, InstrumentLink::ReplyRejected, "", LengthWrong},
    {"LengthCharacterZero", QByteArray("\x02\x00" "AB12\r", 7), 2, InstrumentLink::ReplyRejected,
        QByteArray("\x00" "AB12", 5), ExtendedLengthWrong},
    {"LengthCharacter255", "\x02\xFF" + QByteArray(10, 'A') + "00\r", 2, InstrumentLink::ReplyRejected,
        "\xFF" + QByteArray(10, 'A') + "00", LengthWrong},
    {"ChecksumNotHex", Framed(Reply.left(Reply.size() - 2) + "Z!"), 2, InstrumentLink::ReplyRejected,
        Reply.left(Reply.size() - 2) + "Z!", ChecksumWrong},
    {"ChecksumCutShort", Framed(Reply.left(Reply.size() - 1)), 2, InstrumentLink::ReplyRejected,
        Reply.left(Reply.size() - 1), {}},
    {"NulInPayloadKept", Framed(Body(QByteArray("G0\x00" "12", 5))), 2, InstrumentLink::ReplyOk,
        Body(QByteArray("G0\x00" "12", 5)), {}},
    {"ExtendedOddSize", Framed(WithChecksum("DM0001" + QByteArray(601, 'A'))), 2, InstrumentLink::ReplyRejected,
        WithChecksum("DM0001" + QByteArray(601, 'A')), ExtendedLengthWrong},
    {"ExtendedTooShortForItsLengthField", Framed("DM0"), 2, InstrumentLink::ReplyRejected, "DM0",
        ExtendedLengthWrong},
    {"ExtendedOneCharacter", Framed("D"), 2, InstrumentLink::ReplyRejected, "D", LengthWrong},
    {"NoiseWithoutEnd", Noise(4000), 0.5, InstrumentLink::NoReply, {}, "Timeout after 0.5 seconds"},
    {"NoiseThenReply", Noise(4000) + Framed(Reply), 5, InstrumentLink::ReplyOk, Reply, {}},
    {"LongMessage", Framed(QByteArray(100000, 'A')), 30, InstrumentLink::ReplyRejected, QByteArray(100000, 'A'),
        LengthWrong},
    // Past the bound the message is dropped, and the reply after it still read.
    {"MessageBeyondTheBound", Framed(QByteArray(FrameAssembler::MaxMessageSize + 1, 'A')) + Framed(Reply), 30,
        InstrumentLink::ReplyOk, Reply, "Over-long message dropped."},
};

class HostileReplyTest : public ::testing::TestWithParam<std::tuple<Transport, HostileCase>> {};

TEST_P(HostileReplyTest, ClearResultAndBytesKept)
{
    const auto& [transport, c] = GetParam();
    LinkRig rig;
    ASSERT_TRUE(rig.connect(transport, {{c.farEndSends}}));

    const ExchangeOutcome outcome = rig.link.SendMessage(Request, true, c.timeout);
    EXPECT_EQ(outcome.result, c.result);
    EXPECT_EQ(outcome.received, c.received);
    const auto lines = rig.lines();
    if (!c.logText.isEmpty()) {
        EXPECT_TRUE(std::any_of(lines.cbegin(), lines.cend(),
            [&](const LinkRig::Line& line) { return line.text == c.logText; }))
            << c.logText.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Link, HostileReplyTest,
    ::testing::Combine(BothTransports(), ::testing::ValuesIn(Cases)),
    TransportAndCaseName());

class HostileStreamTest : public ::testing::TestWithParam<Transport> {};

// The streaming receive takes a message out of noise and stray end
// characters: an end character clears nothing until the start character.
TEST_P(HostileStreamTest, MessageAfterNoiseIsTaken)
{
    LinkRig rig;
    // The far end answers a request, so its bytes cannot arrive before the
    // port is open (opening a serial port discards what is queued).
    ASSERT_TRUE(rig.connect(GetParam(), {{Noise(3000) + Framed(Reply)}}));
    ASSERT_EQ(rig.link.SendMessage(Request, false, 0).result, InstrumentLink::Sent);
    const QDeadlineTimer deadline(10000);
    std::optional<QByteArray> message;
    while (!message && !deadline.hasExpired())
        message = rig.link.IncommingMessage(100);
    EXPECT_EQ(message, Reply);
}

INSTANTIATE_TEST_SUITE_P(Link, HostileStreamTest, BothTransports(), TransportName);

// The socket belongs to the thread that connected it; an exchange from any
// other thread cannot send, and must say so rather than wait for a reply.
TEST(NetworkLink, ExchangeFromAnotherThreadIsNotSentOrReachesTheFarEnd)
{
    LinkRig rig;
    ASSERT_TRUE(rig.connect(Transport::Network, {{Framed(Reply)}}));
    auto other = std::async(std::launch::async, [&] { return rig.link.SendMessage(Request, true, 1).result; });
    const int result = other.get();
    EXPECT_TRUE(result == InstrumentLink::NotSent || !rig.far->requests().isEmpty()) << result;
}
} // namespace
