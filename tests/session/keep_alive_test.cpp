#include "ModelRig.h"
#include "QtPrinters.h"
#include "SilentLine.h"
#include "SimHost.h"
#include "session/KeepAlive.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// A connected model on a pseudo-terminal (port 5), a silent line on port 6
// to stand in for a lost instrument, and a clock the test sets.
struct KeepAliveRig : ModelRig {
    SilentLine silent;
    SimHost sim;
    QDateTime now = QDateTime::currentDateTime();

    explicit KeepAliveRig(SimScenario scenario = {}) : sim(std::move(scenario))
    {
        portMap.addOverride(5, sim.ptyPath());
        portMap.addOverride(6, silent.path());
        model->setClock([this] { return now; });
        model->setPortEditText(QStringLiteral("COM Port 5"));
        connected = model->connectSelected();
    }

    // One tick after the given idle time.
    void tickAfterIdle(int seconds)
    {
        link.setLastCommsAt(now.addSecs(-seconds));
        logTexts.clear();
        prompts.clear();
        model->keepAliveTick();
    }
    void moveLinkTo(int port)
    {
        int p = port;
        link.PickComms(p);
    }
    qsizetype framesReceived() const { return sim.engine().receivedPayloads().size(); }

    bool connected = false;
};

SimScenario clockOffBy(qint64 seconds)
{
    SimScenario s;
    s.clockOffsetSeconds = seconds;
    return s;
}

} // namespace

TEST(KeepAlive, IdleLinkIsLeftAloneUntilAMinutePasses)
{
    KeepAliveRig rig;
    ASSERT_TRUE(rig.connected);
    const auto before = rig.framesReceived();
    rig.tickAfterIdle(40);
    EXPECT_TRUE(rig.logged(QStringLiteral("Comms Idle for 40 seconds")));
    EXPECT_FALSE(rig.logged(QStringLiteral("PING Triggered")));
    EXPECT_EQ(rig.framesReceived(), before);

    rig.tickAfterIdle(61);
    EXPECT_TRUE(rig.logged(QStringLiteral("PING Triggered")));
    EXPECT_TRUE(rig.logged(QStringLiteral("PING Complete")));
    EXPECT_EQ(rig.sim.engine().receivedPayloads().mid(before).first(), QByteArray("S"));
    EXPECT_EQ(rig.model->statusPanel(1), rig.model->connectionLabel());
    EXPECT_EQ(rig.model->statusPanel(3), QStringLiteral("Schedule: Disabled"));
    EXPECT_TRUE(rig.model->statusPanel(2).startsWith(QStringLiteral("Clock Error: ")));
    EXPECT_TRUE(rig.prompts.texts_of(QStringLiteral("balloon")).isEmpty());
}

TEST(KeepAlive, LostAndFoundAgain)
{
    KeepAliveRig rig;
    ASSERT_TRUE(rig.connected);

    rig.moveLinkTo(6);   // the instrument stops answering
    rig.tickAfterIdle(61);
    EXPECT_EQ(rig.model->statusPanel(1), LinkLostText);
    EXPECT_EQ(rig.prompts.texts_of(QStringLiteral("balloon")), QStringList{LinkLostText});
    EXPECT_EQ(rig.model->statusPicture(), MainModel::StatusPicture::Lost);
    EXPECT_EQ(rig.model->linkState(), MainModel::LinkState::Lost);
    EXPECT_TRUE(rig.model->keepAliveEnabled());

    rig.moveLinkTo(5);   // and answers again
    rig.tickAfterIdle(61);
    EXPECT_EQ(rig.model->statusPanel(1), FoundAgainText);
    EXPECT_EQ(rig.prompts.texts_of(QStringLiteral("balloon")), QStringList{FoundAgainText});
    EXPECT_EQ(rig.model->linkState(), MainModel::LinkState::Connected);
    EXPECT_NE(rig.model->statusPicture(), MainModel::StatusPicture::Lost);

    // The next good ping shows the connection again.
    rig.tickAfterIdle(61);
    EXPECT_EQ(rig.model->statusPanel(1), rig.model->connectionLabel());
}

TEST(KeepAlive, IdleTimeAcrossMidnight)
{
    KeepAliveRig rig;
    ASSERT_TRUE(rig.connected);
    const QDate day(2026, 12, 10);
    rig.now = QDateTime(day.addDays(1), QTime(0, 0, 31));

    rig.link.setLastCommsAt(QDateTime(day, QTime(23, 59, 50)));
    rig.logTexts.clear();
    rig.model->keepAliveTick();
    EXPECT_TRUE(rig.logged(QStringLiteral("Comms Idle for 41 seconds")));
    EXPECT_FALSE(rig.logged(QStringLiteral("PING Triggered")));

    rig.link.setLastCommsAt(QDateTime(day, QTime(23, 59, 30)));
    rig.logTexts.clear();
    rig.model->keepAliveTick();
    EXPECT_TRUE(rig.logged(QStringLiteral("PING Triggered")));
    EXPECT_EQ(rig.model->linkState(), MainModel::LinkState::Connected);

    EXPECT_DOUBLE_EQ(IdleSeconds(QDateTime(day, QTime(23, 59, 30)), rig.now), 61);
    EXPECT_TRUE(std::isinf(IdleSeconds(QDateTime(), rig.now)));
}

TEST(KeepAlive, ClockErrorOfThreeMinutesIsAnnounced)
{
    struct Case { qint64 instrumentAhead; const char* panel; };
    const Case cases[] = {{-180, "^Clock Error: \\+00:0(2:59|3:00|3:01)$"}, {180, "^Clock Error: -00:0(2:59|3:00|3:01)$"}};
    for (const Case& c : cases) {
        KeepAliveRig rig(clockOffBy(c.instrumentAhead));
        ASSERT_TRUE(rig.connected);
        rig.tickAfterIdle(61);
        EXPECT_TRUE(QRegularExpression(QString::fromLatin1(c.panel)).match(rig.model->statusPanel(2)).hasMatch())
            << rig.model->statusPanel(2).toStdString();
        const QStringList balloons = rig.prompts.texts_of(QStringLiteral("balloon"));
        ASSERT_EQ(balloons.size(), 1);
        EXPECT_TRUE(balloons[0].startsWith(QStringLiteral("Instrument clock has an error of more than 2 minutes (")));
        EXPECT_TRUE(balloons[0].endsWith(QStringLiteral(
            "). It's recommended that you check you PC clock and adjust the instrument clock to match.")));
    }
}

TEST(KeepAlive, ClockErrorTexts)
{
    struct Case { double seconds; const char* text; bool balloon; };
    const Case cases[] = {{0, "Clock Error: None", false}, {30, "Clock Error: +00:00:30", false},
        {-30, "Clock Error: -00:00:30", false}, {-180, "Clock Error: -00:03:00", true},
        {3723, "Clock Error: +01:02:03", true}, {119, "Clock Error: +00:01:59", false},
        {120, "Clock Error: +00:02:00", true}};
    for (const Case& c : cases) {
        const double days = c.seconds / 86400;
        EXPECT_EQ(ClockErrorText(days), QString::fromLatin1(c.text)) << c.seconds;
        EXPECT_EQ(std::fabs(days) >= ClockErrorBalloonDays, c.balloon) << c.seconds;
    }
}
