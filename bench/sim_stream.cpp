// What the simulated instrument costs and how well it keeps time: the
// engine alone streaming 8192 slots, the same stream read over loopback TCP
// and over a pseudo-terminal unthrottled, a 100-slot stream paced at 9600
// baud against the line time it should take, and the process CPU time of an
// idle simulator (it must wait, not spin).
#include "SimHost.h"
#include "link/Frame.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTcpSocket>

#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

SimScenario WithSlots(int count, int baud)
{
    SimScenario s;
    s.slots = VariedSlots(count, 1793606400);
    s.capacity = count;
    s.timing.baud = baud;
    return s;
}

QByteArray StreamRequest(int count) { return ComposeMessage("J010001" + QByteArray::number(count, 16).toUpper().rightJustified(4, '0')); }

// Reads until `frames` end characters arrived or 120 s passed; returns the count seen.
template <typename ReadSome>
int CountFrames(int frames, ReadSome readSome)
{
    const QDeadlineTimer deadline(120000);
    int seen = 0;
    while (seen < frames && !deadline.hasExpired()) {
        const QByteArray bytes = readSome(deadline);
        seen += int(bytes.count(char(Frame::EndChar)));
    }
    return seen;
}

void Report(const char* name, int slots, double wallSeconds, double cpuSeconds)
{
    std::printf("%-34s %6d slots in %7.3f s: %9.0f slots/s, CPU %6.3f s\n", name, slots, wallSeconds,
        slots / wallSeconds, cpuSeconds);
}

void EngineAlone(int count)
{
    SimEngine engine(WithSlots(count, 0));
    const double cpu = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    int frames = 0;
    for (const auto& chunk : engine.exchange(StreamRequest(count)))
        frames += int(chunk.bytes.count(char(Frame::EndChar)));
    Report("engine alone", frames, wall.nsecsElapsed() / 1e9, CpuSeconds() - cpu);
}

void OverTcp(int count, int baud, const char* name)
{
    SimHostOptions options;
    options.pty = false;
    options.tcp = true;
    SimHost host(WithSlots(count, baud), options);
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), host.tcpPort());
    socket.waitForConnected(5000);
    const double cpu = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    socket.write(StreamRequest(count));
    socket.waitForBytesWritten(5000);
    const int frames = CountFrames(count, [&socket](const QDeadlineTimer& d) {
        if (socket.bytesAvailable() == 0)
            socket.waitForReadyRead(int(d.remainingTime()));
        return socket.readAll();
    });
    const double seconds = wall.nsecsElapsed() / 1e9;
    Report(name, frames, seconds, CpuSeconds() - cpu);
    if (baud > 0) {
        const double lineSeconds = count * 44.0 * 10 / baud;
        std::printf("%-34s line time %.3f s, measured/line %.3f\n", "", lineSeconds, seconds / lineSeconds);
    }
}

void OverPty(int count)
{
    SimHost host(WithSlots(count, 0));
    const int fd = ::open(host.ptyPath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    const double cpu = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const QByteArray request = StreamRequest(count);
    if (::write(fd, request.constData(), size_t(request.size())) != request.size())
        std::printf("pseudo-terminal write failed\n");
    const int frames = CountFrames(count, [fd](const QDeadlineTimer& d) {
        pollfd p{fd, POLLIN, 0};
        QByteArray bytes;
        if (::poll(&p, 1, int(d.remainingTime())) > 0) {
            char buffer[4096];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0)
                bytes.append(buffer, int(n));
        }
        return bytes;
    });
    Report("pseudo-terminal, unthrottled", frames, wall.nsecsElapsed() / 1e9, CpuSeconds() - cpu);
    ::close(fd);
}

void Idle()
{
    SimHostOptions options;
    options.tcp = true;
    options.tcpPort = 0;
    SimHost host(WithSlots(10, 9600), options);
    const double cpu = CpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    std::printf("%-34s CPU %.4f s over 3 s\n", "idle (pty + tcp)", CpuSeconds() - cpu);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    EngineAlone(8192);
    OverTcp(8192, 0, "loopback TCP, unthrottled");
    OverPty(8192);
    OverTcp(100, 9600, "loopback TCP, 9600 baud");
    Idle();
    return 0;
}
