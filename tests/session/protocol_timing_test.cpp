// The real protocol timing: each fixed wait has its real value, the programs'
// session gives the link exactly those, and a scaled record keeps the counts.
#include "ScriptedPrompts.h"
#include "TempFolder.h"
#include "link/InstrumentLink.h"
#include "link/ProtocolTiming.h"
#include "session/CoreSession.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct Wait {
    const char* name;
    std::function<double(const ProtocolTiming&)> of;
    double real;
    bool scales;   // a time (scaled with the record), not a count
};

const Wait kWaits[] = {
    {"PauseAfterSend", [](const ProtocolTiming& t) { return t.pauseAfterSendSeconds; }, 0.1, true},
    {"ReplyTimeout", [](const ProtocolTiming& t) { return t.replyTimeoutSeconds; }, 5, true},
    {"ShortReplyTimeout", [](const ProtocolTiming& t) { return t.shortReplyTimeoutSeconds; }, 1, true},
    {"StreamGap", [](const ProtocolTiming& t) { return t.streamGapMs / 1000.0; }, 1, true},
    {"StreamMargin", [](const ProtocolTiming& t) { return t.streamMarginMs / 1000.0; }, 10, true},
    {"TestModeRetryPause", [](const ProtocolTiming& t) { return t.testModeRetryPauseSeconds; }, 5, true},
    {"TestModeAttempts", [](const ProtocolTiming& t) { return double(t.testModeAttempts); }, 6, false},
    {"ClockSettle", [](const ProtocolTiming& t) { return t.clockSettleSeconds; }, 5, true},
    {"KeepAlivePingAfterIdle", [](const ProtocolTiming& t) { return t.keepAlivePingAfterIdleSeconds; }, 60, true},
    {"KeepAliveIdleLog", [](const ProtocolTiming& t) { return t.keepAliveIdleLogSeconds; }, 5, true},
};

TEST(ProtocolTiming, EachWaitHasItsRealValueAndScalesWithTheRecord)
{
    const ProtocolTiming real;
    const ProtocolTiming scaled = real.scaled(0.01);
    for (const Wait& w : kWaits) {
        SCOPED_TRACE(w.name);
        EXPECT_DOUBLE_EQ(w.of(real), w.real);
        EXPECT_DOUBLE_EQ(w.of(scaled), w.scales ? w.real * 0.01 : w.real);
    }
    EXPECT_NE(scaled, real);
}

// Both programs build their core session with the default timing; the link
// it makes runs with the real waits, and a session given a scaled record
// hands that one on.
TEST(ProtocolTiming, TheProgramsSessionGivesTheLinkTheRealWaits)
{
    struct Case {
        const char* name;
        std::function<std::unique_ptr<CoreSession>(const QString&)> make;
        ProtocolTiming expected;
    };
    const ProtocolTiming scaled = ProtocolTiming{}.scaled(0.05);
    const Case cases[] = {
        {"AsTheProgramsMakeIt", [](const QString& ini) { return std::make_unique<CoreSession>(ini); }, ProtocolTiming{}},
        {"Scaled", [&](const QString& ini) { return std::make_unique<CoreSession>(ini, scaled); }, scaled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        ScriptedPrompts prompts;
        const std::unique_ptr<CoreSession> session = c.make(folder.file(QStringLiteral("peruser.ini")));
        session->start(folder.paths(), prompts);
        EXPECT_EQ(session->link().timing(), c.expected);
    }
    SessionLog log;
    PortMap portMap;
    EXPECT_EQ(InstrumentLink(log, portMap).timing(), ProtocolTiming{});
}

}
