#pragma once
#include "WakeUp.h"

#include <QString>
#include <atomic>

// The panels of the main window's status bar, numbered 1 to Count.
namespace StatusPanel {
enum Number : int {
    Message = 1,    // the connection state and operation messages
    Clock = 2,      // the clock error
    Schedule = 3,   // the schedule state
    Memory = 4,     // the memory use
};
constexpr int Count = 4;
} // namespace StatusPanel

// What a long procedure reports while it runs: status-bar texts and a
// percentage. The GUI forwards these to its status bar (queued to the GUI
// thread), the command line to the terminal; the default does nothing.
class OperationObserver {
public:
    virtual ~OperationObserver() = default;
    // A panel of the status bar (StatusPanel::Number).
    virtual void statusText(int panel, const QString& text) { (void)panel; (void)text; }
    // 0..100; -1 hides the progress display.
    virtual void progress(int percent) { (void)percent; }
};

// A cancel request, set by the GUI thread (double click on status panel 1,
// window close) or a signal handler, polled by the procedure where it may stop.
// A request also signals the token's wake-up, so a blocking wait that watches
// it (the link's waits) ends at once instead of at its deadline.
class CancelToken {
public:
    // Safe in a signal handler.
    void request()
    {
        requested_.store(true);
        wake_.signal();
    }
    void reset()
    {
        requested_.store(false);
        wake_.clear();
    }
    bool isRequested() const { return requested_.load(); }

    // Readable while a request stands.
    const WakeUp& wakeUp() const { return wake_; }
    // Clears a wake-up left behind by a request that a reset raced past, so
    // a waiter does not see it again; a standing request keeps it.
    void clearStaleWakeUp()
    {
        if (!requested_.load())
            wake_.clear();
    }

private:
    std::atomic<bool> requested_{false};
    WakeUp wake_;
};
