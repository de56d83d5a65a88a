#pragma once
#include <QString>
#include <atomic>

// What a long procedure reports while it runs: status-bar texts and a
// percentage. The GUI forwards these to its status bar (queued to the GUI
// thread), the command line to the terminal; the default does nothing.
class OperationObserver {
public:
    virtual ~OperationObserver() = default;
    // Panel 1 to 4 of the status bar.
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
