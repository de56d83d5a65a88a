// The soft timers on a clock the test sets, and the link's interruptible wait.
#include "LinkRig.h"
#include "ScriptedPrompts.h"
#include "link/SoftTimers.h"
#include "shell/Operation.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <future>
#include <thread>

namespace {
const QDate Day(2026, 3, 14);

QDateTime at(QDate date, double secondsSinceMidnight)
{
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(secondsSinceMidnight * 1000)));
}

class SoftTimersTest : public ::testing::Test {
protected:
    SessionLog log;
    QDateTime now;
    SoftTimers timers{log, [this] { return now; }};
};

// Started at 86399.5 s for 2 s, the timer expires at 1.5 s on the next day.
TEST_F(SoftTimersTest, TimerRunsPastMidnight)
{
    now = at(Day, 86399.5);
    ASSERT_TRUE(timers.BackgroundTimerSet(1, 2));

    struct Probe {
        QDateTime when;
        bool running;
    };
    const Probe probes[] = {
        {at(Day, 86399.9), true},            // same, earlier day
        {at(Day.addDays(1), 1.4), true},
        {at(Day.addDays(1), 1.6), false},    // expiry reported once
        {at(Day.addDays(1), 1.0), false},    // and the timer stays inactive
    };
    for (const Probe& p : probes) {
        now = p.when;
        EXPECT_EQ(timers.BackgroundTimer(1), p.running) << p.when.toString().toStdString();
    }
}

TEST_F(SoftTimersTest, TimerLeftRunningFromAnEarlierDayHasExpired)
{
    now = at(Day, 100);
    ASSERT_TRUE(timers.BackgroundTimerSet(5, 10));
    now = at(Day.addDays(1), 50);
    EXPECT_FALSE(timers.BackgroundTimer(5));
}

TEST_F(SoftTimersTest, NegativeTimeCountsAsItsSize)
{
    now = at(Day, 100);
    ASSERT_TRUE(timers.TimerControl(7, -3));   // any value but -1 starts the timer
    now = at(Day, 102.5);
    EXPECT_TRUE(timers.BackgroundTimer(7));
    EXPECT_FALSE(timers.BackgroundTimer(8));   // never started
}

TEST_F(SoftTimersTest, IndexOutOfBoundsGoesThroughTheErrorPath)
{
    ScriptedPrompts prompts;
    timers.setPrompts(&prompts);
    QStringList logged;
    log.setListener([&](const QString& line, int level) {
        if (level == SessionLog::Error)
            logged.append(line.section(QLatin1Char('\t'), 2));
    });
    now = at(Day, 100);
    for (int index : {-1, 261}) {
        EXPECT_FALSE(timers.BackgroundTimerSet(index, 1));
        EXPECT_FALSE(timers.BackgroundTimer(index));
    }
    ASSERT_EQ(logged.size(), 4);
    EXPECT_EQ(logged[1],
        "Error 9 (TimerIndex -1 is out of bounds) on line 0 in procedure TimerControl of Module MyLibraryModule.");
    EXPECT_TRUE(logged[3].contains("TimerIndex 261 is out of bounds"));
    EXPECT_EQ(prompts.texts_of("message"), logged);
    EXPECT_TRUE(timers.BackgroundTimerSet(260, 1));
}

// A cancel request, made before or during the wait, cuts it short.
TEST(WaitFor, CancelRequestEndsTheWait)
{
    constexpr double LongWaitSeconds = 30;
    for (const bool before : {true, false}) {
        SCOPED_TRACE(before ? "requested before the wait" : "requested during the wait");
        LinkRig rig;
        CancelToken cancel;
        rig.link.setCancelToken(&cancel);
        if (before)
            cancel.request();
        auto waiting = std::async(std::launch::async, [&] { rig.link.WaitFor(LongWaitSeconds); });
        if (!before) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            cancel.request();
        }
        EXPECT_EQ(waiting.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    }
}

// A request withdrawn again (a new job resets the token) leaves nothing
// behind that would cut the next wait short.
TEST(WaitFor, WithdrawnRequestDoesNotCutTheNextWait)
{
    LinkRig rig;
    CancelToken cancel;
    rig.link.setCancelToken(&cancel);
    cancel.request();
    cancel.reset();
    QElapsedTimer clock;
    clock.start();
    rig.link.WaitFor(0.3);
    EXPECT_GE(clock.elapsed(), 290);
}
}
