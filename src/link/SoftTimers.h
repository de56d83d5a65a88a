#pragma once
#include <QDateTime>
#include <QMutex>
#include <array>
#include <functional>

class SessionLog;
class Prompts;

// The soft timers: 261 entries, indexes 0 to 260. Each holds an expiry in
// seconds since local midnight (at most 86400) and the day stamp of the
// expiry day (its 00:00:00 in seconds since 1970), so a timer that runs past
// midnight still expires on the right day. Index 1 times the exchange,
// index 256 is kept for WaitFor.
class SoftTimers {
public:
    static constexpr int LastIndex = 260;
    static constexpr int ExchangeTimer = 1;
    static constexpr int WaitTimer = 256;
    static constexpr double Query = -1;

    using Clock = std::function<QDateTime()>;   // local date and time now

    explicit SoftTimers(SessionLog& log, Clock clock = &QDateTime::currentDateTime);

    // Where the out-of-bounds error is shown; without prompts it is only logged.
    void setPrompts(Prompts* prompts) { prompts_ = prompts; }

    // Starts timer index for |seconds| (seconds != -1), or asks whether it
    // still runs (seconds == -1). A running timer reports its expiry once and
    // is inactive afterwards. An index outside 0..260 is an error: reported
    // through the error path, result false.
    bool TimerControl(int index, double seconds);
    bool BackgroundTimerSet(int index, double seconds) { return TimerControl(index, seconds); }
    bool BackgroundTimer(int index) { return TimerControl(index, Query); }

private:
    struct Entry {
        double expiry = 0;      // seconds since midnight
        qint32 dayStamp = 0;    // seconds since 1970 of the expiry day's 00:00:00
        bool active = false;
    };

    SessionLog& log_;
    Prompts* prompts_ = nullptr;
    Clock clock_;
    QMutex mutex_;
    std::array<Entry, LastIndex + 1> entries_{};
};
