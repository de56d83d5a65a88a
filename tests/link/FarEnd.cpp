#include "FarEnd.h"

#include "link/PortMap.h"

#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr int RequestWaitMs = 5000;
}

QList<QByteArray> FarEnd::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

bool FarEnd::waitForRequests(int count, int timeoutMs)
{
    std::unique_lock lock(mutex_);
    return requestCondition_.wait_for(
        lock, std::chrono::milliseconds(timeoutMs), [&] { return requests_.size() >= count; });
}

void FarEnd::start(Script script)
{
    thread_ = std::thread([this, script = std::move(script)] {
        if (open())
            play(script);
        waitForStop();
        close();
    });
}

void FarEnd::play(const Script& script)
{
    for (const ScriptStep& step : script) {
        if (step.afterRequest) {
            QByteArray frame;
            if (!readRequest(frame))
                return;
            {
                std::lock_guard lock(mutex_);
                requests_.append(frame);
            }
            requestCondition_.notify_all();
        }
        if (step.pauseMs > 0) {
            std::unique_lock lock(mutex_);
            if (stopCondition_.wait_for(lock, std::chrono::milliseconds(step.pauseMs), [this] { return stop_; }))
                return;
        }
        writeBytes(step.bytes);
    }
}

void FarEnd::stop()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    stopCondition_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool FarEnd::stopping() const
{
    std::lock_guard lock(mutex_);
    return stop_;
}

void FarEnd::waitForStop()
{
    std::unique_lock lock(mutex_);
    stopCondition_.wait(lock, [this] { return stop_; });
}

// ---- pseudo-terminal ---------------------------------------------------------

PtyFarEnd::PtyFarEnd(PortMap& portMap, int port, Script script) : portMap_(portMap), port_(port)
{
    char name[128] = {};
    if (::openpty(&controller_, &terminal_, name, nullptr, nullptr) != 0)
        return;
    termios raw{};
    ::tcgetattr(terminal_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(terminal_, TCSANOW, &raw);
    devicePath_ = QString::fromLocal8Bit(name);
    portMap_.addOverride(port_, devicePath_);
    start(std::move(script));
}

PtyFarEnd::~PtyFarEnd()
{
    stop();
    portMap_.removeOverride(port_);
    if (controller_ >= 0)
        ::close(controller_);
    if (terminal_ >= 0)
        ::close(terminal_);
}

bool PtyFarEnd::readRequest(QByteArray& frame)
{
    const QDeadlineTimer deadline(RequestWaitMs);
    while (!frame.endsWith('\r') && !stopping()) {
        pollfd input{controller_, POLLIN, 0};
        // Short polls so that a stop request is noticed while waiting.
        if (::poll(&input, 1, static_cast<int>(std::min<qint64>(deadline.remainingTime(), 100))) <= 0) {
            if (deadline.hasExpired())
                return false;
            continue;
        }
        char byte = 0;
        if (::read(controller_, &byte, 1) == 1)
            frame.append(byte);
    }
    return frame.endsWith('\r');
}

void PtyFarEnd::writeBytes(const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(controller_, bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return;
        done += n;
    }
}

// ---- loopback TCP --------------------------------------------------------------

struct TcpFarEnd::Server {
    QTcpServer listener;
    QTcpSocket* connection = nullptr;
};

TcpFarEnd::TcpFarEnd(Script script)
{
    start(std::move(script));
    std::unique_lock lock(portMutex_);
    portReady_.wait(lock, [this] { return listening_; });
}

TcpFarEnd::~TcpFarEnd()
{
    stop();
}

bool TcpFarEnd::open()
{
    server_ = new Server;
    const bool ok = server_->listener.listen(QHostAddress::LocalHost, 0);
    {
        std::lock_guard lock(portMutex_);
        port_ = server_->listener.serverPort();
        listening_ = true;
    }
    portReady_.notify_all();
    if (!ok || !server_->listener.waitForNewConnection(RequestWaitMs))
        return false;
    server_->connection = server_->listener.nextPendingConnection();
    return server_->connection != nullptr;
}

bool TcpFarEnd::readRequest(QByteArray& frame)
{
    QTcpSocket* s = server_->connection;
    const QDeadlineTimer deadline(RequestWaitMs);
    while (!frame.endsWith('\r') && !stopping()) {
        char byte = 0;
        if (s->getChar(&byte)) {
            frame.append(byte);
            continue;
        }
        if (deadline.hasExpired() || s->state() != QAbstractSocket::ConnectedState)
            return false;
        s->waitForReadyRead(static_cast<int>(std::min<qint64>(deadline.remainingTime(), 100)));
    }
    return frame.endsWith('\r');
}

void TcpFarEnd::writeBytes(const QByteArray& bytes)
{
    QTcpSocket* s = server_->connection;
    if (bytes.isEmpty() || !s)
        return;
    s->write(bytes);
    while (s->bytesToWrite() > 0 && s->waitForBytesWritten(RequestWaitMs)) {
    }
}

void TcpFarEnd::close()
{
    delete server_;   // closes the connection and the listener on their own thread
    server_ = nullptr;
}
