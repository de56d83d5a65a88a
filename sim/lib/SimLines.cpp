#include "SimLines.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pty.h>
#include <stdexcept>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace {

[[noreturn]] void Throw(const char* what)
{
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

} // namespace

void UniqueFd::reset(int fd)
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

void SetNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

SimPty OpenSimPty()
{
    int master = -1, slave = -1;
    termios raw{};
    ::cfmakeraw(&raw);
    ::cfsetispeed(&raw, B9600);
    ::cfsetospeed(&raw, B9600);
    if (::openpty(&master, &slave, nullptr, &raw, nullptr) != 0)
        Throw("cannot open a pseudo-terminal");
    SimPty pty{UniqueFd(master), UniqueFd(slave), {}};
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    SetNonBlocking(master);
    const char* name = ::ptsname(master);
    if (!name)
        Throw("cannot name the pseudo-terminal");
    pty.slavePath = QString::fromLocal8Bit(name);
    return pty;
}

SimListener OpenSimListener(quint16 port, bool anyAddress)
{
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.valid())
        Throw("cannot create a TCP socket");
    const int yes = 1;
    ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(anyAddress ? INADDR_ANY : INADDR_LOOPBACK);
    if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        Throw("cannot bind the TCP port");
    if (::listen(fd.get(), 4) != 0)
        Throw("cannot listen on the TCP port");
    socklen_t length = sizeof address;
    ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length);
    SetNonBlocking(fd.get());
    return {std::move(fd), ntohs(address.sin_port)};
}

SimWakePipe OpenSimWakePipe()
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        Throw("cannot create a pipe");
    return {UniqueFd(ends[0]), UniqueFd(ends[1])};
}
