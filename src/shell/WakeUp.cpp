#include "WakeUp.h"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <system_error>
#include <unistd.h>

WakeUp::WakeUp()
{
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "wake-up descriptor");
    read_ = ends[0];
    write_ = ends[1];
}

WakeUp::~WakeUp()
{
    ::close(read_);
    ::close(write_);
}

void WakeUp::signal() const noexcept
{
    const char byte = 1;
    // A full pipe is readable already, so a failed write loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(write_, &byte, 1);
}

void WakeUp::clear() const noexcept
{
    char bytes[64];
    while (::read(read_, bytes, sizeof bytes) > 0) {
    }
}

int PollTimeoutMs(const QDeadlineTimer& deadline)
{
    const qint64 left = deadline.remainingTime();
    if (left < 0)
        return -1;
    return static_cast<int>(std::min<qint64>(left, std::numeric_limits<int>::max()));
}

WaitResult WaitReadable(int fd, const QDeadlineTimer& deadline, const WakeUp* wake)
{
    for (;;) {
        pollfd watched[2] = {{fd, POLLIN, 0}, {wake ? wake->descriptor() : -1, POLLIN, 0}};
        const int ready = ::poll(watched, 2, PollTimeoutMs(deadline));
        if (ready == 0)
            return WaitResult::TimedOut;
        if (ready < 0) {
            if (errno == EINTR)
                continue;   // a signal handler may have signalled the wake-up: poll again to see it
            return WaitResult::Failed;
        }
        if (watched[1].revents != 0)
            return WaitResult::Woken;
        // A hung-up terminal also reports POLLIN, yet nothing can be read from it.
        if (watched[0].revents & (POLLHUP | POLLERR | POLLNVAL))
            return WaitResult::Failed;
        return WaitResult::Readable;
    }
}
