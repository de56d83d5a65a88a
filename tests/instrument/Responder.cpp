#include "Responder.h"

#include "link/Frame.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

Responder::Responder(Handler handler) : handler_(std::move(handler))
{
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::listen(listener_, 1) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0
        || ::pipe(wakePipe_) != 0)
        throw std::runtime_error("responder cannot listen");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { run(); });
}

Responder::~Responder()
{
    const char stop = 0;
    (void)::write(wakePipe_[1], &stop, 1);
    thread_.join();
    ::close(listener_);
    ::close(wakePipe_[0]);
    ::close(wakePipe_[1]);
}

QList<QByteArray> Responder::received() const
{
    QMutexLocker lock(&mutex_);
    return received_;
}

void Responder::clearReceived()
{
    QMutexLocker lock(&mutex_);
    received_.clear();
}

QByteArray Responder::Reply(const QByteArray& payload)
{
    return ComposeMessage(payload);
}

QByteArray Responder::Spoilt(const QByteArray& payload)
{
    QByteArray frame = ComposeMessage(payload);
    char& lastChecksumDigit = frame[frame.size() - 2];
    lastChecksumDigit = lastChecksumDigit == '0' ? '1' : '0';
    return frame;
}

void Responder::run()
{
    int connection = -1;
    QByteArray frame;
    bool inFrame = false;
    for (;;) {
        pollfd fds[2] = {{wakePipe_[0], POLLIN, 0}, {connection >= 0 ? connection : listener_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 || (fds[0].revents & POLLIN))
            break;
        if (!(fds[1].revents & (POLLIN | POLLHUP)))
            continue;
        if (connection < 0) {
            connection = ::accept(listener_, nullptr, nullptr);
            continue;
        }
        char buffer[512];
        const ssize_t count = ::read(connection, buffer, sizeof buffer);
        if (count <= 0) {
            ::close(connection);
            connection = -1;
            continue;
        }
        for (ssize_t i = 0; i < count; ++i) {
            const char c = buffer[i];
            if (c == Frame::StartChar) {
                frame.clear();
                inFrame = true;
            } else if (c == Frame::EndChar && inFrame) {
                inFrame = false;
                const QByteArray payload = frame.mid(1, frame.size() - 3);
                {
                    QMutexLocker lock(&mutex_);
                    received_.append(payload);
                }
                const QByteArray reply = handler_(payload);
                if (!reply.isEmpty())
                    (void)::write(connection, reply.constData(), size_t(reply.size()));
            } else if (inFrame) {
                frame.append(c);
            }
        }
    }
    if (connection >= 0)
        ::close(connection);
}
