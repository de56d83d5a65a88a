#include "SimHost.h"

#include "SimLines.h"

#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

struct SimHost::Lines {
    std::optional<SimPty> pty;
    std::optional<SimListener> listener;
    UniqueFd client;
    SimWakePipe wake;
};

namespace {

enum class Line { None, Pty, Client };

int PollTimeoutMs(const std::optional<SimEngine::Clock::time_point>& due)
{
    if (!due)
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - SimEngine::Clock::now()).count();
    return int(std::clamp<qint64>(left, 0, 60000));
}

// Reads what is waiting; false when the other end has gone.
bool ReadInto(int fd, QByteArray& bytes)
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, int(n));
            continue;
        }
        if (n == 0)
            return false;
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    }
}

} // namespace

SimHost::SimHost(SimScenario scenario, SimHostOptions options, SimInstrument::UtcClock utcNow)
    : engine_(std::make_unique<SimEngine>(std::move(scenario), std::move(utcNow)))
    , lines_(std::make_unique<Lines>())
{
    lines_->wake = OpenSimWakePipe();
    if (options.pty)
        lines_->pty = OpenSimPty();
    if (options.tcp)
        lines_->listener = OpenSimListener(options.tcpPort, options.tcpAnyAddress);
    thread_ = std::thread([this] { run(); });
}

SimHost::~SimHost()
{
    stopping_ = true;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(lines_->wake.writeEnd.get(), &byte, 1);
    if (thread_.joinable())
        thread_.join();
}

QString SimHost::ptyPath() const { return lines_->pty ? lines_->pty->slavePath : QString(); }

quint16 SimHost::tcpPort() const { return lines_->listener ? lines_->listener->port : 0; }

QString SimHost::networkAddress() const
{
    return tcpPort() ? QStringLiteral("net://127.0.0.1:%1").arg(tcpPort()) : QString();
}

void SimHost::run()
{
    Lines& l = *lines_;
    Line active = Line::None; // the line that spoke last gets the replies
    QByteArray out;
    bool closeAfterOut = false;

    auto fdOf = [&l](Line line) {
        return line == Line::Pty && l.pty ? l.pty->master.get() : line == Line::Client ? l.client.get() : -1;
    };
    auto dropClient = [&] {
        l.client.reset();
        if (active == Line::Client) {
            active = Line::None;
            out.clear();
            closeAfterOut = false;
            engine_->resetLine();
        }
    };

    while (!stopping_) {
        pollfd fds[4];
        int n = 0;
        fds[n++] = {l.wake.readEnd.get(), POLLIN, 0};
        const int ptyIndex = l.pty ? n : -1;
        if (l.pty)
            fds[n++] = {l.pty->master.get(), short(POLLIN | (active == Line::Pty && !out.isEmpty() ? POLLOUT : 0)), 0};
        const int listenIndex = l.listener ? n : -1;
        if (l.listener)
            fds[n++] = {l.listener->fd.get(), POLLIN, 0};
        const int clientIndex = l.client.valid() ? n : -1;
        if (l.client.valid())
            fds[n++] = {l.client.get(), short(POLLIN | (active == Line::Client && !out.isEmpty() ? POLLOUT : 0)), 0};

        const int timeout = out.isEmpty() ? PollTimeoutMs(engine_->nextDue()) : -1;
        if (::poll(fds, nfds_t(n), timeout) < 0 && errno != EINTR)
            break;
        if (fds[0].revents)
            break;

        if (listenIndex >= 0 && (fds[listenIndex].revents & POLLIN)) {
            // The bridge serves one client: a new connection replaces the old one.
            UniqueFd accepted(::accept4(l.listener->fd.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
            if (accepted.valid()) {
                dropClient();
                const int yes = 1;
                ::setsockopt(accepted.get(), IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
                l.client = std::move(accepted);
                engine_->resetLine();
                if (active == Line::Client)
                    active = Line::None;
            }
        }
        auto readLine = [&](int index, Line line) {
            if (index < 0 || !(fds[index].revents & (POLLIN | POLLHUP | POLLERR)))
                return;
            QByteArray bytes;
            const bool open = ReadInto(fdOf(line), bytes);
            if (!bytes.isEmpty()) {
                if (active != line) {
                    out.clear();
                    closeAfterOut = false;
                }
                active = line;
                engine_->receive(bytes, SimEngine::Clock::now());
            }
            if (!open && line == Line::Client)
                dropClient();
        };
        readLine(ptyIndex, Line::Pty);
        if (clientIndex >= 0 && l.client.valid())
            readLine(clientIndex, Line::Client);

        if (out.isEmpty()) {
            const SimOutput due = engine_->takeDue(SimEngine::Clock::now());
            out = due.bytes;
            closeAfterOut = due.closeConnection;
        }
        const int fd = fdOf(active);
        if (fd < 0) {
            out.clear(); // nobody to hear it
            closeAfterOut = false;
            continue;
        }
        while (!out.isEmpty()) {
            const ssize_t written = active == Line::Client ? ::send(fd, out.constData(), size_t(out.size()), MSG_NOSIGNAL)
                                                           : ::write(fd, out.constData(), size_t(out.size()));
            if (written > 0) {
                out.remove(0, int(written));
                continue;
            }
            if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
                break; // the line is full; poll says when it drains
            if (active == Line::Client)
                dropClient();
            out.clear();
            break;
        }
        if (out.isEmpty() && closeAfterOut) {
            closeAfterOut = false;
            if (active == Line::Client)
                dropClient();
        }
    }
}
