#include "SimHost.h"
#include "SimTestSupport.h"
#include "link/InstrumentLink.h"
#include "link/PortMap.h"
#include "shell/SessionLog.h"
#include "Transports.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <memory>

using namespace simtest;

namespace {

// The program's own link, connected to a simulated instrument over a real
// pseudo-terminal or TCP connection.
struct LinkToSim {
    static constexpr int DemoPort = 99;

    LinkToSim(Transport transport, SimScenario scenario)
    {
        SimHostOptions options;
        options.pty = transport == Transport::Serial;
        options.tcp = transport == Transport::Network;
        host = std::make_unique<SimHost>(std::move(scenario), options, FixedUtc);
        if (transport == Transport::Serial) {
            portMap.addOverride(DemoPort, host->ptyPath());
            int port = DemoPort;
            link.PickComms(port);
            open = port == DemoPort;
        } else {
            link.setUseNetwork(true);
            open = link.network().connectTo(QStringLiteral("127.0.0.1"), host->tcpPort(), 5000)
                == NetworkTransport::Connected;
        }
    }
    ~LinkToSim()
    {
        int close = 0;
        link.PickComms(close);
    }

    ExchangeOutcome send(const QByteArray& payload, double timeoutSeconds = 5)
    {
        return link.SendMessage(ComposeMessage(payload), true, timeoutSeconds);
    }

    SessionLog log;
    PortMap portMap;
    InstrumentLink link{log, portMap};
    std::unique_ptr<SimHost> host;
    bool open = false;
};

class SimWithLink : public ::testing::TestWithParam<Transport> {};

TEST_P(SimWithLink, ExchangesPassTheLinksReplyCheck)
{
    LinkToSim sim(GetParam(), SmallScenario());
    ASSERT_TRUE(sim.open);
    const std::pair<const char*, const char*> cases[] = {
        {"S", "7S"}, {"G010904", "-G010904"}, {"E003006", "1E0030"}, {"J00", "'J04000C"}, {"S03", "3S03"},
        {"K", "/K26123104235958"}, {"A04", "%A0000"}, {"G100100", "5G100100"},
    };
    for (const auto& [request, head] : cases) {
        SCOPED_TRACE(request);
        const ExchangeOutcome outcome = sim.send(request);
        EXPECT_EQ(outcome.result, InstrumentLink::ReplyOk);
        EXPECT_TRUE(outcome.received.startsWith(head)) << outcome.received.constData();
    }
}

// A streamed read as the download takes it: the first slot as the reply,
// the rest message by message. Paced at 9600 baud, none is lost.
TEST_P(SimWithLink, StreamedSlotsArriveOneMessageAtATime)
{
    SimScenario scenario = SmallScenario();
    scenario.timing.baud = 9600;
    LinkToSim sim(GetParam(), scenario);
    ASSERT_TRUE(sim.open);
    const ExchangeOutcome first = sim.send("J010001000C");
    ASSERT_EQ(first.result, InstrumentLink::ReplyOk);
    QList<int> slots{first.received.mid(4, 4).toInt(nullptr, 16)};
    while (std::optional<QByteArray> received = sim.link.IncommingMessage(1000)) {
        QByteArray message = *received;
        EXPECT_FALSE(sim.link.ErrorInMessage(message));
        slots.append(message.mid(4, 4).toInt(nullptr, 16));
    }
    EXPECT_EQ(slots, (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST_P(SimWithLink, OldFirmwareSlotRepliesAreRepairedByTheLink)
{
    SimScenario scenario = SmallScenario();
    scenario.firmware = QStringLiteral("V1.08");
    LinkToSim sim(GetParam(), scenario);
    ASSERT_TRUE(sim.open);
    const ExchangeOutcome outcome = sim.send("J0100030001");
    EXPECT_EQ(outcome.result, InstrumentLink::ReplyOk);
    EXPECT_TRUE(outcome.received.startsWith("CJ030003"));
    EXPECT_TRUE(outcome.checked.startsWith("GJ030003"));
}

TEST_P(SimWithLink, FaultsShowAsTheLinksFailureResults)
{
    SimScenario scenario = SmallScenario();
    scenario.faults.corruptReply = {SimFaultRule::on(QStringLiteral("J00"), 1)};
    scenario.faults.noReply = {SimFaultRule::on(QStringLiteral("K"), 1)};
    SimFaultRule noise = SimFaultRule::on(QStringLiteral("S03"));
    noise.bytes = "\x7F junk ";
    scenario.faults.garbage = {noise};
    LinkToSim sim(GetParam(), scenario);
    ASSERT_TRUE(sim.open);
    EXPECT_EQ(sim.send("J00").result, InstrumentLink::ReplyRejected);
    EXPECT_EQ(sim.send("J00").result, InstrumentLink::ReplyOk);
    EXPECT_EQ(sim.send("K", 1).result, InstrumentLink::NoReply);
    EXPECT_EQ(sim.send("K").result, InstrumentLink::ReplyOk);
    const ExchangeOutcome afterNoise = sim.send("S03");
    EXPECT_EQ(afterNoise.result, InstrumentLink::ReplyOk);
    EXPECT_TRUE(afterNoise.received.startsWith("3S03"));
    // The simulator saw exactly what the link sent.
    const QList<QByteArray> sent{"J00", "J00", "K", "K", "S03"};
    EXPECT_EQ(sim.host->engine().receivedPayloads(), sent);
}

// A stream that turns into characters without an end character: the
// streaming receive still returns when its wait is up, however many bytes
// keep coming, the message it was building is dropped at the protocol's
// longest, and the next request ends the flood and is answered.
TEST_P(SimWithLink, FloodWithoutEndCharacterEndsTheWaitOnTime)
{
    SimScenario scenario = SmallScenario();
    scenario.faults.floodAfterSlots = 2;
    LinkToSim sim(GetParam(), scenario);
    ASSERT_TRUE(sim.open);
    ASSERT_EQ(sim.send("J010001000C").result, InstrumentLink::ReplyOk);
    ASSERT_TRUE(sim.link.IncommingMessage(1000).has_value());   // slot 2
    QElapsedTimer clock;
    clock.start();
    for (int wait = 0; wait < 3; ++wait)
        EXPECT_FALSE(sim.link.IncommingMessage(500).has_value());
    EXPECT_LT(clock.elapsed(), 10000);   // a bound, not a speed: without one it never returns
    const ExchangeOutcome after = sim.send("S");
    EXPECT_EQ(after.result, InstrumentLink::ReplyOk);
    EXPECT_TRUE(after.received.startsWith("7S"));
}

INSTANTIATE_TEST_SUITE_P(Transports, SimWithLink, BothTransports(), TransportName);

} // namespace
