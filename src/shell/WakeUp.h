#pragma once
#include <QDeadlineTimer>

// A descriptor that another thread, or a signal handler, makes readable to
// end a blocking wait at once. It stays readable until cleared.
class WakeUp {
public:
    // Throws std::system_error when the system has no descriptor to give.
    WakeUp();
    ~WakeUp();
    WakeUp(const WakeUp&) = delete;
    WakeUp& operator=(const WakeUp&) = delete;

    // Makes the descriptor readable. Safe in a signal handler.
    void signal() const noexcept;
    // Makes it unreadable again.
    void clear() const noexcept;
    // The end to watch with poll().
    int descriptor() const { return read_; }

private:
    int read_ = -1;
    int write_ = -1;
};

enum class WaitResult {
    Readable,
    TimedOut,
    Woken,      // the wake-up was signalled
    Failed,     // the descriptor hung up, failed or is not open
};

// Blocks until fd is readable, it hangs up or fails, the deadline passes, or
// wake is signalled. With fd -1 it waits for the deadline or the wake only;
// wake may be null.
WaitResult WaitReadable(int fd, const QDeadlineTimer& deadline, const WakeUp* wake);

// The deadline as a poll() timeout: -1 for a deadline that never passes.
int PollTimeoutMs(const QDeadlineTimer& deadline);
