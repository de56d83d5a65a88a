// What waiting for an instrument that does not answer costs: one SendMessage
// waiting 5 s over a pseudo-terminal and one over loopback TCP, and a
// download-style loop of IncommingMessage on a terminal whose far end is
// gone, each measured as process CPU time over wall time. The target is
// under 2% of one core.
#include "link/Frame.h"
#include "link/InstrumentLink.h"
#include "link/PortMap.h"
#include "shell/SessionLog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>

#include <cstdio>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr double WaitSeconds = 5;
constexpr int PtyPort = 200;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

template <typename Wait>
void measure(const char* name, Wait wait)
{
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const int result = wait();
    const double wallSeconds = wall.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    std::printf("%-22s result %d  wall %.2f s  cpu %.4f s  load %.3f%% of one core\n", name, result,
        wallSeconds, cpu, 100.0 * cpu / wallSeconds);
}

int sendAndWait(InstrumentLink& link)
{
    return link.SendMessage(ComposeMessage("G002101"), true, WaitSeconds).result;
}
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SessionLog log;
    PortMap portMap;

    {
        int controller = -1;
        int terminal = -1;
        char name[128] = {};
        if (openpty(&controller, &terminal, name, nullptr, nullptr) != 0) {
            std::perror("openpty");
            return 1;
        }
        portMap.addOverride(PtyPort, QString::fromLocal8Bit(name));
        InstrumentLink link(log, portMap);
        int port = PtyPort;
        link.PickComms(port);
        if (port != PtyPort) {
            std::fprintf(stderr, "could not open %s\n", name);
            return 1;
        }
        measure("serial SendMessage", [&] { return sendAndWait(link); });

        close(controller);   // the far end goes away
        measure("serial gone, streaming", [&] {
            QElapsedTimer loop;
            loop.start();
            bool received = false;
            while (loop.elapsed() < WaitSeconds * 1000 && !received)
                received = link.IncommingMessage(100).has_value();
            return int(received);
        });
        link.StopComms();
        close(terminal);
    }

    {
        QTcpServer silentBridge;   // accepts at the system level, never answers
        if (!silentBridge.listen(QHostAddress::LocalHost, 0))
            return 1;
        InstrumentLink link(log, portMap);
        link.setUseNetwork(true);
        if (link.network().connectTo(QStringLiteral("127.0.0.1"), silentBridge.serverPort(), 5000)
            != NetworkTransport::Connected)
            return 1;
        measure("network SendMessage", [&] { return sendAndWait(link); });
    }
    return 0;
}
