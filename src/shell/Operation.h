#pragma once
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
class CancelToken {
public:
    void request() { requested_.store(true); }
    void reset() { requested_.store(false); }
    bool isRequested() const { return requested_.load(); }

private:
    std::atomic<bool> requested_{false};
};
