#pragma once
#include <QString>

// File descriptors with one owner each: closed when the owner goes.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd = -1);

private:
    int fd_ = -1;
};

// A pseudo-terminal in raw mode. The slave stays open here too, so the
// line does not hang up between the program's opens and closes.
struct SimPty {
    UniqueFd master;
    UniqueFd slave;
    QString slavePath;
};
// Throws std::runtime_error on failure.
SimPty OpenSimPty();

// A listening TCP socket on the loopback (or every) interface; port 0 picks a free one.
struct SimListener {
    UniqueFd fd;
    quint16 port = 0;
};
SimListener OpenSimListener(quint16 port, bool anyAddress);

// A pipe whose write end wakes a poll() on its read end.
struct SimWakePipe {
    UniqueFd readEnd;
    UniqueFd writeEnd;
};
SimWakePipe OpenSimWakePipe();

void SetNonBlocking(int fd);
