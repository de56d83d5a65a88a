// The request/reply exchange over a pseudo-terminal and over loopback TCP,
// each with a scripted far end.
#include "LinkRig.h"

#include <gtest/gtest.h>

#include <future>

#include "shell/Bits.h"

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
    QByteArray received;        // receivedMessage() afterwards
    QString logText;            // a line the exchange must log
    int logLevel;
};

QByteArray corrupted(QByteArray body)
{
    body[3] = body[3] == '0' ? '1' : '0';
    return body;
}

const ExchangeCase Cases[] = {
    {"OrdinaryReply", Framed(Reply), 2, InstrumentLink::ReplyOk, Reply, "'G0021016E", SessionLog::Sent},
    {"ReplyLogged", Framed(Reply), 2, InstrumentLink::ReplyOk, Reply, QString::fromLatin1(Reply), SessionLog::Received},
    {"ChecksumMismatch", Framed(corrupted(Reply)), 2, InstrumentLink::ReplyRejected, corrupted(Reply),
        "Message checksum did not match calculated value. Message ignored.", SessionLog::Info},
    {"BuggyMemoryReplyRepaired", Framed(BuggyMemoryReply), 2, InstrumentLink::ReplyOk, BuggyMemoryReply,
        "Buggy FRAM message V108/V109 found.", SessionLog::Warning},
    {"ExtendedMessage", Framed(ExtendedMessage()), 2, InstrumentLink::ReplyOk, ExtendedMessage(),
        "Possible extended length message found.", SessionLog::Detail},
    {"SettleInfoUnchecked", Framed("2XYZ99"), 2, InstrumentLink::ReplyOk, "2XYZ99",
        "Skipped check -- Settle Info?", SessionLog::Info},
    {"GarbageBeforeStart", "zz\x01q" + Framed(Reply), 2, InstrumentLink::ReplyOk, Reply, "'G0021016E",
        SessionLog::Sent},
    {"NoReply", {}, 0.3, InstrumentLink::NoReply, "previous", "Timeout after 0.3 seconds", SessionLog::Warning},
};

class ExchangeTest : public ::testing::TestWithParam<std::tuple<Transport, ExchangeCase>> {};

TEST_P(ExchangeTest, ResultReplyAndLog)
{
    const auto& [transport, c] = GetParam();
    LinkRig rig;
    ASSERT_TRUE(rig.connect(transport, {{c.farEndSends}}));
    rig.link.setReceivedMessage("previous");

    EXPECT_EQ(rig.link.SendMessage(Request, true, c.timeout), c.result);
    EXPECT_EQ(rig.link.receivedMessage(), c.received);
    EXPECT_EQ(rig.link.messageComplete(), c.result != InstrumentLink::NoReply);
    EXPECT_TRUE(rig.logged(c.logText, c.logLevel)) << c.logText.toStdString();
    EXPECT_EQ(rig.far->requests(), QList<QByteArray>{Request});
    EXPECT_TRUE(rig.link.lastCommsAt().isValid());
}

INSTANTIATE_TEST_SUITE_P(Link, ExchangeTest,
    ::testing::Combine(::testing::Values(Transport::Serial, Transport::Network), ::testing::ValuesIn(Cases)),
    TransportAndCaseName());

class LinkTransportTest : public ::testing::TestWithParam<Transport> {};

// The exchange stops at the first end character: what follows stays queued
// for the streaming receive, and a message completed while the last one is
// unread is dropped.
TEST_P(LinkTransportTest, UnreadMessageIsNotOverwritten)
{
    const QByteArray second = Body("G00210D");
    LinkRig rig;
    ASSERT_TRUE(rig.connect(GetParam(), {{Framed(Reply) + Framed(second)}}));

    ASSERT_EQ(rig.link.SendMessage(Request, true, 2), InstrumentLink::ReplyOk);
    rig.link.IncommingMessage(500);
    EXPECT_EQ(rig.link.receivedMessage(), Reply);
}

TEST_P(LinkTransportTest, StreamedMessageIsTakenWhenTheFlagIsClear)
{
    const QByteArray second = Body("G00210D");
    LinkRig rig;
    ASSERT_TRUE(rig.connect(GetParam(), {{Framed(Reply) + "noise" + Framed(second)}}));

    ASSERT_EQ(rig.link.SendMessage(Request, true, 2), InstrumentLink::ReplyOk);
    rig.link.setMessageComplete(false);
    rig.link.IncommingMessage(500);
    EXPECT_TRUE(rig.link.messageComplete());
    EXPECT_EQ(rig.link.receivedMessage(), second);
}

TEST_P(LinkTransportTest, SendWithoutWaitReturnsSent)
{
    LinkRig rig;
    ASSERT_TRUE(rig.connect(GetParam(), {{{}}}));
    EXPECT_EQ(rig.link.SendMessage(Request, false, 5), InstrumentLink::Sent);
    EXPECT_FALSE(rig.logged("Timeout after 5 seconds", SessionLog::Warning));
}

INSTANTIATE_TEST_SUITE_P(Link, LinkTransportTest, ::testing::Values(Transport::Serial, Transport::Network),
    [](const auto& info) { return info.param == Transport::Serial ? "Serial" : "Network"; });

TEST(Exchange, NothingSentWhenTheLinkIsNotOpen)
{
    LinkRig rig;
    EXPECT_EQ(rig.link.SendMessage(Request, true, 5), InstrumentLink::NotSent);
    rig.link.setUseNetwork(true);
    EXPECT_EQ(rig.link.SendMessage(Request, true, 5), InstrumentLink::NotSent);
    EXPECT_FALSE(rig.link.lastCommsAt().isValid());
    EXPECT_TRUE(rig.lines().isEmpty());
}

TEST(Exchange, EmptyFrameIsNotSent)
{
    LinkRig rig;
    ASSERT_TRUE(rig.connect(Transport::Serial, {}));
    EXPECT_EQ(rig.link.SendMessage({}, true, 5), InstrumentLink::NotSent);
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
    EXPECT_EQ(rig.link.SendMessage(Request, false, 5), InstrumentLink::NotSent);
}

TEST(Exchange, SecondExchangeWhileOneWaitsIsRefused)
{
    LinkRig rig;
    ASSERT_TRUE(rig.connect(Transport::Serial, {{{}}}));
    // The first exchange has sent once the far end holds its request.
    auto first = std::async(std::launch::async, [&] { return rig.link.SendMessage(Request, true, 3); });
    ASSERT_TRUE(rig.far->waitForRequests(1));

    EXPECT_EQ(rig.link.SendMessage(Request, true, 1), InstrumentLink::NotSent);
    EXPECT_TRUE(rig.logged("Exchange refused: another exchange is in progress.", SessionLog::Warning));
    EXPECT_EQ(first.get(), InstrumentLink::NoReply);
    EXPECT_EQ(rig.far->requests().size(), 1);
}
}
