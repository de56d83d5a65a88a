#include "InstrumentRig.h"
#include "instrument/Clock.h"
#include "shell/TimeConv.h"

#include <QTimeZone>
#include <gtest/gtest.h>

using namespace tolviM;

TEST(Clock, BcdBytesDecodeAsUtc)
{
    InstrumentRig rig;
    rig.memory.setReply("K", "K26123104235958");
    rig.start();
    EXPECT_EQ(GetRTCDetails(rig.link, rig.services, rig.info), rig.info.RTCDelay);
    EXPECT_EQ(rig.info.RTCYear, 2026);
    EXPECT_EQ(rig.info.RTCMonth, 12);
    EXPECT_EQ(rig.info.RTCDay, 31);
    EXPECT_EQ(rig.info.RTCWeekday, 4);
    EXPECT_EQ(rig.info.RTCHour, 23);
    EXPECT_EQ(rig.info.RTCMinute, 59);
    EXPECT_EQ(rig.info.RTCSecond, 58);
    const qint64 utc = QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58), QTimeZone::utc()).toSecsSinceEpoch();
    EXPECT_EQ(rig.info.RTCSeconds, utc);
    EXPECT_EQ(rig.info.RTCLocal, UTC2VB(utc));
    EXPECT_EQ(rig.received(), QList<QByteArray>{"K"});
}

TEST(Clock, FailedReadLeavesTheFields)
{
    InstrumentRig rig;
    rig.info.RTCYear = 2011;
    rig.memory.setReply("K", "X26123104235958");
    rig.start();
    EXPECT_EQ(GetRTCDetails(rig.link, rig.services, rig.info), 0.0f);
    EXPECT_EQ(rig.info.RTCYear, 2011);
    EXPECT_EQ(rig.received(), QList<QByteArray>{"K"});   // a wrong prefix is not retried
}

TEST(Clock, AllZeroClockWarnsOnlyWhileBeingSet)
{
    struct Case {
        const char* mark;   // nullptr: no mark stored
        bool warns;
    };
    const Case cases[] = {{"True", true}, {nullptr, false}, {"False", false}};
    const QString section = "Instrument\\12345";
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << (c.mark ? c.mark : "no mark"));
        InstrumentRig rig;
        if (c.mark)
            rig.perUser.setValue(section, "SettingRTC", QString::fromLatin1(c.mark));
        rig.memory.setReply("K", "K00000000000000");
        rig.start();
        GetRTCDetails(rig.link, rig.services, rig.info);
        const QStringList balloons = rig.prompts.texts_of("balloon");
        EXPECT_EQ(balloons.size(), c.warns ? 1 : 0) << (c.mark ? c.mark : "none");
        if (c.warns) {
            EXPECT_EQ(balloons.first(), "There may be a persistent problem with the clock on this instrument, please "
                                        "contact your agent as soon as possible.");
            EXPECT_TRUE(rig.hasLine("There may be a serious problem with the clock on this instruemnt, please "
                                    "contact your agent",
                SessionLog::Warning));
        }
        EXPECT_FALSE(rig.perUser.contains(section, "SettingRTC"));
        // Day 0 and month 0 normalise: 30 November 1999.
        EXPECT_EQ(QDateTime::fromSecsSinceEpoch(rig.info.RTCSeconds, QTimeZone::utc()).date(), QDate(1999, 11, 30));
    }
}

TEST(Clock, SetPayloadCarriesTheWeekdayFromMonday)
{
    const QDateTime sunday(QDate(2026, 6, 7), QTime(14, 5, 9), QTimeZone::utc());
    EXPECT_EQ(ClockSetPayload(sunday), "K26060707140509");
    const QDateTime monday(QDate(2030, 1, 7), QTime(0, 0, 0), QTimeZone::utc());
    EXPECT_EQ(ClockSetPayload(monday), "K30010701000000");
}

TEST(Clock, SetSendsThePcUtcTimeOnce)
{
    InstrumentRig rig;
    rig.start([](const QByteArray& payload) { return Responder::Reply(payload.left(1)); });
    const QDateTime before = GMTNow();
    SetRTCDetails(rig.link, rig.services);
    const QDateTime after = GMTNow();
    ASSERT_EQ(rig.received().size(), 1);
    QList<QByteArray> possible;
    for (QDateTime t = before; t <= after; t = t.addSecs(1))
        possible << ClockSetPayload(t);
    EXPECT_TRUE(possible.contains(rig.received().first())) << rig.received().first().constData();
}
