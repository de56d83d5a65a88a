// The request/reply exchange over a pseudo-terminal and over loopback TCP,
// each with a scripted far end.
#include "LinkRig.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "shell/Bits.h"
#include "shell/Operation.h"

namespace {
const QByteArray Request = ComposeMessage("G002101");
const QByteArray Reply = Body("G00210C");

// An extended-length message of 522 characters: even length character,
// length field "01" at positions 5-6 (N = 128), plain checksum.
QByteArray ExtendedMessage()
{
    QByteArray text = "DM00" + QByteArray("01") + QByteArray(514, 'A');
    return text + HexL(Frame::Checksum(text), 2).toLatin1();
}

// A firmware 1.08/1.09 memory reply: length character and checksum both wrong.
const QByteArray BuggyMemoryReply = "CJ030000A1B2C3" + QByteArray("00");

struct ExchangeCase {
    const char* name;
    QByteArray farEndSends;     // raw bytes after the request; empty: no reply
    double timeout;
    int result;
    QByteArray received;        // the reply as it arrived
    QByteArray checked;         // the reply as the check left it
    QString logText;            // a line the exchange must log
    int logLevel;
};

QByteArray corrupted(QByteArray body)
{
    body[3] = body[3] == '0' ? '1' : '0';
    return body;
}

const ExchangeCase Cases[] = {
    {"OrdinaryReply", Framed(Reply), 2, InstrumentLink::ReplyOk, Reply, Reply, "'G0021016E", SessionLog::Sent},
    {"ReplyLogged", Framed(Reply), 2, InstrumentLink::ReplyOk, Reply, Reply, QString::fromLatin1(Reply),
        SessionLog::Received},
    {"ChecksumMismatch", Framed(corrupted(Reply)), 2, InstrumentLink::ReplyRejected, corrupted(Reply),
        corrupted(Reply), "Message checksum did not match calculated value. Message ignored.", SessionLog::Info},
    {"BuggyMemoryReplyRepaired", Framed(BuggyMemoryReply), 2, InstrumentLink::ReplyOk, BuggyMemoryReply,
        Body("J030000A1B2C3"), "Buggy FRAM message V108/V109 found.", SessionLog::Warning},
    {"ExtendedMessage", Framed(ExtendedMessage()), 2, InstrumentLink::ReplyOk, ExtendedMessage(),
        ExtendedMessage(), "Possible extended length message found.", SessionLog::Detail},
    {"SettleInfoUnchecked", Framed("2XYZ99"), 2, InstrumentLink::ReplyOk, "2XYZ99", "2XYZ99",
        "Skipped check -- Settle Info?", SessionLog::Info},
    {"GarbageBeforeStart", "zz\x01q" + Framed(Reply), 2, InstrumentLink::ReplyOk, Reply, Reply, "'G0021016E",
        SessionLog::Sent},
    {"NoReply", {}, 0.3, InstrumentLink::NoReply, {}, {}, "Timeout after 0.3 seconds", SessionLog::Warning},
};

class ExchangeTest : public ::testing::TestWithParam<std::tuple<Transport, ExchangeCase>> {};

TEST_P(ExchangeTest, ResultReplyAndLog)
{
    const auto& [transport, c] = GetParam();
    LinkRig rig;
    ASSERT_TRUE(rig.connect(transport, {{c.farEndSends}}));

    const ExchangeOutcome outcome = rig.link.SendMessage(Request, true, c.timeout);
    EXPECT_EQ(outcome.result, c.result);
    EXPECT_EQ(outcome.received, c.received);
    EXPECT_EQ(outcome.checked, c.checked);
    EXPECT_TRUE(rig.logged(c.logText, c.logLevel)) << c.logText.toStdString();
    EXPECT_EQ(rig.far->requests(), QList<QByteArray>{Request});
    EXPECT_TRUE(rig.link.lastCommsAt().isValid());
}

INSTANTIATE_TEST_SUITE_P(Link, ExchangeTest,
    ::testing::Combine(BothTransports(), ::testing::ValuesIn(Cases)),
    TransportAndCaseName());

class LinkTransportTest : public ::testing::TestWithParam<Transport> {};

// The exchange's reply is the first message: what follows stays for the
// streaming receive, noise between messages dropped, and the reply the
// exchange returned is not changed by what comes after it.
TEST_P(LinkTransportTest, MessagesAfterTheReplyGoToTheStreamingReceive)
{
    const QByteArray second = Body("G00210D");
    const QByteArray third = Body("G00210E");
    LinkRig rig;
    ASSERT_TRUE(rig.connect(GetParam(), {{Framed(Reply) + Framed(second) + "noise" + Framed(third)}}));

    const ExchangeOutcome outcome = rig.link.SendMessage(Request, true, 2);
    ASSERT_EQ(outcome.result, InstrumentLink::ReplyOk);
    EXPECT_EQ(rig.link.IncommingMessage(500), second);
    EXPECT_EQ(rig.link.IncommingMessage(500), third);
    EXPECT_EQ(rig.link.IncommingMessage(0), std::nullopt);
    EXPECT_EQ(outcome.received, Reply);
}

// A new exchange starts clean: messages left over from the last one (read
// from the transport already or not) are not taken for its reply.
TEST_P(LinkTransportTest, NewExchangeDiscardsWhatTheLastOneLeft)
{
    const QByteArray leftOver = Body("G00210D");
    const QByteArray secondReply = Body("G00210E");
    LinkRig rig;
    ASSERT_TRUE(rig.connect(GetParam(), {{Framed(Reply) + Framed(leftOver)}, {Framed(secondReply)}}));

    ASSERT_EQ(rig.link.SendMessage(Request, true, 2).received, Reply);
    const ExchangeOutcome second = rig.link.SendMessage(Request, true, 2);
    EXPECT_EQ(second.result, InstrumentLink::ReplyOk);
    EXPECT_EQ(second.received, secondReply);
}

TEST_P(LinkTransportTest, SendWithoutWaitReturnsSent)
{
    LinkRig rig;
    ASSERT_TRUE(rig.connect(GetParam(), {{{}}}));
    EXPECT_EQ(rig.link.SendMessage(Request, false, 5).result, InstrumentLink::Sent);
    EXPECT_FALSE(rig.logged("Timeout after 5 seconds", SessionLog::Warning));
}

// A cancel request ends a wait for the instrument at once, over either
// transport: the waits here would otherwise run their whole 30 seconds.
struct CancelledWaitCase {
    const char* name;
    std::function<bool(InstrumentLink&)> waitEndedEmpty;   // runs the wait; true when it came back with nothing
};

constexpr double LongWaitSeconds = 30;

const CancelledWaitCase CancelledWaits[] = {
    {"ReplyWait", [](InstrumentLink& link) {
         return link.SendMessage(Request, true, LongWaitSeconds).result == InstrumentLink::NoReply;
     }},
    {"StreamingReceive", [](InstrumentLink& link) {
         return !link.IncommingMessage(int(LongWaitSeconds * 1000)).has_value();
     }},
};

class CancelledWaitTest : public ::testing::TestWithParam<std::tuple<Transport, CancelledWaitCase>> {};

TEST_P(CancelledWaitTest, CancelRequestEndsTheWaitAtOnce)
{
    const auto& [transport, c] = GetParam();
    LinkRig rig;
    CancelToken cancel;
    rig.link.setCancelToken(&cancel);
    // The link is opened on the waiting thread: the socket is driven from the thread that connected it.
    std::promise<bool> opened;
    auto waiting = std::async(std::launch::async, [&] {
        const bool open = rig.connect(transport, {{{}}});
        opened.set_value(open);
        return open && c.waitEndedEmpty(rig.link);
    });
    ASSERT_TRUE(opened.get_future().get());
    // Into the wait proper (past the pause after a request).
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    cancel.request();

    ASSERT_EQ(waiting.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_TRUE(waiting.get());
}

INSTANTIATE_TEST_SUITE_P(Link, CancelledWaitTest,
    ::testing::Combine(BothTransports(), ::testing::ValuesIn(CancelledWaits)),
    TransportAndCaseName());

INSTANTIATE_TEST_SUITE_P(Link, LinkTransportTest, BothTransports(), TransportName);

TEST(Exchange, NothingSentWhenTheLinkIsNotOpen)
{
    LinkRig rig;
    EXPECT_EQ(rig.link.SendMessage(Request, true, 5).result, InstrumentLink::NotSent);
    rig.link.setUseNetwork(true);
    EXPECT_EQ(rig.link.SendMessage(Request, true, 5).result, InstrumentLink::NotSent);
    EXPECT_FALSE(rig.link.lastCommsAt().isValid());
    EXPECT_TRUE(rig.lines().isEmpty());
}

TEST(Exchange, EmptyFrameIsNotSent)
{
    LinkRig rig;
    ASSERT_TRUE(rig.connect(Transport::Serial, {}));
    EXPECT_EQ(rig.link.SendMessage({}, true, 5).result, InstrumentLink::NotSent);
    EXPECT_FALSE(rig.link.lastCommsAt().isValid());
}

TEST(Exchange, NetworkRefusedWhileTheSerialPortIsOpen)
{
    LinkRig rig;
    ASSERT_TRUE(rig.connect(Transport::Serial, {}));
    TcpFarEnd bridge({});
    ASSERT_EQ(rig.link.network().connectTo(QStringLiteral("127.0.0.1"), bridge.port(), 5000),
        NetworkTransport::Connected);
    rig.link.setUseNetwork(true);
    EXPECT_EQ(rig.link.SendMessage(Request, false, 5).result, InstrumentLink::NotSent);
}

TEST(Exchange, SecondExchangeWhileOneWaitsIsRefused)
{
    LinkRig rig;
    ASSERT_TRUE(rig.connect(Transport::Serial, {{{}}}));
    // The first exchange has sent once the far end holds its request.
    auto first = std::async(std::launch::async, [&] { return rig.link.SendMessage(Request, true, 3).result; });
    ASSERT_TRUE(rig.far->waitForRequests(1));

    EXPECT_EQ(rig.link.SendMessage(Request, true, 1).result, InstrumentLink::NotSent);
    EXPECT_TRUE(rig.logged("Exchange refused: another exchange is in progress.", SessionLog::Warning));
    EXPECT_EQ(first.get(), InstrumentLink::NoReply);
    EXPECT_EQ(rig.far->requests().size(), 1);
}
}
