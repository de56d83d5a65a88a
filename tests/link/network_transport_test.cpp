// The network transport's state numbers and the streaming receive over loopback TCP.
#include "LinkRig.h"

#include <QTcpServer>

#include <gtest/gtest.h>

#include <future>

namespace {
TEST(NetworkTransport, StatesThroughConnectAndClose)
{
    LinkRig rig;
    NetworkTransport& net = rig.link.network();
    EXPECT_EQ(net.state(), NetworkTransport::Closed);

    TcpFarEnd bridge({});
    EXPECT_EQ(net.connectTo(QStringLiteral("127.0.0.1"), bridge.port(), 5000), NetworkTransport::Connected);
    EXPECT_EQ(net.remoteHost(), "127.0.0.1");
    EXPECT_EQ(net.remotePort(), bridge.port());
    net.close();
    EXPECT_EQ(net.state(), NetworkTransport::Closed);
    EXPECT_TRUE(rig.lines().isEmpty());
}

// Another thread (the window showing the state) sees the last state and
// cannot disturb the connection the instrument thread drives.
TEST(NetworkTransport, OtherThreadsSeeTheStateOnly)
{
    LinkRig rig;
    ASSERT_TRUE(rig.connect(Transport::Network, {{Framed(Body("S0123")), true}}));
    NetworkTransport& net = rig.link.network();
    auto seen = std::async(std::launch::async, [&] {
        char byte = 0;
        return std::make_tuple(net.state(), net.bytesWaiting(), net.readByte(byte), net.send("x"));
    }).get();
    EXPECT_EQ(seen, std::make_tuple(int(NetworkTransport::Connected), qint64(0), false, false));
    EXPECT_EQ(rig.link.SendMessage(ComposeMessage("S"), true, 2).result, InstrumentLink::ReplyOk);
}

TEST(NetworkTransport, RefusedConnectionIsAnErrorState)
{
    quint16 unusedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        unusedPort = probe.serverPort();
    }
    LinkRig rig;
    EXPECT_EQ(rig.link.network().connectTo(QStringLiteral("127.0.0.1"), unusedPort, 5000), NetworkTransport::Error);
    ASSERT_FALSE(rig.lines().isEmpty());
    EXPECT_EQ(rig.lines().last().level, SessionLog::Problem);
    EXPECT_TRUE(rig.lines().last().text.startsWith("[NET] "));
    EXPECT_FALSE(rig.link.network().lastErrorText().isEmpty());
    rig.link.setUseNetwork(true);
    EXPECT_EQ(rig.link.SendMessage(ComposeMessage("S"), true, 5).result, InstrumentLink::NotSent);
}

// The bridge drops the connection: the state reads "closing", and an
// exchange on it is refused rather than left waiting.
TEST(NetworkTransport, BridgeClosingTheConnection)
{
    LinkRig rig;
    auto bridge = std::make_unique<TcpFarEnd>(Script{});
    ASSERT_EQ(rig.link.network().connectTo(QStringLiteral("127.0.0.1"), bridge->port(), 5000),
        NetworkTransport::Connected);
    bridge.reset();
    rig.link.network().waitForBytes(QDeadlineTimer(5000));
    EXPECT_EQ(rig.link.network().state(), NetworkTransport::Closing);
    rig.link.setUseNetwork(true);
    EXPECT_EQ(rig.link.SendMessage(ComposeMessage("S"), true, 5).result, InstrumentLink::NotSent);
}

// A message begun on the network is waited for to its end.
TEST(NetworkTransport, StreamingReceiveWaitsForTheRestOfAMessage)
{
    const QByteArray message = Framed(Body("G00210C"));
    LinkRig rig;
    ASSERT_TRUE(rig.connect(Transport::Network,
        {{message.left(5), false}, {message.mid(5), false, 300}}));
    EXPECT_EQ(rig.link.IncommingMessage(5000), Body("G00210C"));
}

// ... but not for ever: a message cut off leaves the call at its bound, the
// part kept for the next call.
TEST(NetworkTransport, StreamingReceiveGivesUpOnACutMessage)
{
    const QByteArray message = Framed(Body("G00210C"));
    LinkRig rig;
    ASSERT_TRUE(rig.connect(Transport::Network, {{message.left(5), false}, {message.mid(5), false, 1500}}));
    EXPECT_EQ(rig.link.IncommingMessage(500), std::nullopt);
    EXPECT_EQ(rig.link.IncommingMessage(5000), Body("G00210C"));
}

TEST(NetworkTransport, StreamingReceiveReturnsAtOnceWhenNothingCame)
{
    LinkRig rig;
    ASSERT_TRUE(rig.connect(Transport::Network, {}));
    EXPECT_EQ(rig.link.IncommingMessage(), std::nullopt);
}
}
