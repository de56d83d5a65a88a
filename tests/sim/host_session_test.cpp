#include "SimHost.h"
#include "SimTestSupport.h"
#include "shell/Bits.h"

#include <QDeadlineTimer>
#include <QTcpSocket>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace simtest;

namespace {

// The program's side of a line to the simulator, as a test drives it.
class Line {
public:
    virtual ~Line() = default;
    virtual bool write(const QByteArray& bytes) = 0;
    // Reads whatever arrives until the deadline; false when the line closed.
    virtual bool readUntil(QByteArray& into, const QDeadlineTimer& deadline, int wantedFrames) = 0;

    // Sends a request and collects reply frames until `count` arrived or 5 s passed.
    QList<QByteArray> ask(const QByteArray& payload, int count = 1)
    {
        if (!write(ComposeMessage(payload)))
            return {};
        QByteArray bytes;
        readUntil(bytes, QDeadlineTimer(5000), count);
        return SplitFrames(bytes);
    }
};

class PtyLine : public Line {
public:
    explicit PtyLine(const QString& path) : fd_(::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY))
    {
        termios t{};
        ::tcgetattr(fd_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd_, TCSANOW, &t);
    }
    ~PtyLine() override
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool open() const { return fd_ >= 0; }
    bool write(const QByteArray& bytes) override { return ::write(fd_, bytes.constData(), size_t(bytes.size())) == bytes.size(); }
    bool readUntil(QByteArray& into, const QDeadlineTimer& deadline, int wantedFrames) override
    {
        while (SplitFrames(into).size() < wantedFrames) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, int(deadline.remainingTime())) <= 0)
                return true;
            char buffer[1024];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0)
                return false;
            into.append(buffer, int(n));
        }
        return true;
    }

private:
    int fd_;
};

class TcpLine : public Line {
public:
    explicit TcpLine(quint16 port)
    {
        socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
        socket_.waitForConnected(5000);
    }
    bool open() const { return socket_.state() == QAbstractSocket::ConnectedState; }
    bool write(const QByteArray& bytes) override
    {
        return socket_.write(bytes) == bytes.size() && socket_.waitForBytesWritten(5000);
    }
    bool readUntil(QByteArray& into, const QDeadlineTimer& deadline, int wantedFrames) override
    {
        while (SplitFrames(into).size() < wantedFrames) {
            if (socket_.bytesAvailable() == 0 && !socket_.waitForReadyRead(int(deadline.remainingTime())))
                return socket_.state() == QAbstractSocket::ConnectedState;
            into += socket_.readAll();
        }
        return true;
    }

private:
    QTcpSocket socket_;
};

enum class HostTransport { Pty, Tcp };

struct Session {
    std::unique_ptr<SimHost> host;
    std::unique_ptr<Line> line;
};

Session Open(HostTransport transport, SimScenario scenario = SmallScenario())
{
    SimHostOptions options;
    options.pty = transport == HostTransport::Pty;
    options.tcp = transport == HostTransport::Tcp;
    Session s;
    s.host = std::make_unique<SimHost>(std::move(scenario), options, FixedUtc);
    if (transport == HostTransport::Pty) {
        auto line = std::make_unique<PtyLine>(s.host->ptyPath());
        EXPECT_TRUE(line->open()) << s.host->ptyPath().toStdString();
        s.line = std::move(line);
    } else {
        auto line = std::make_unique<TcpLine>(s.host->tcpPort());
        EXPECT_TRUE(line->open());
        s.line = std::move(line);
    }
    return s;
}

class SimSession : public ::testing::TestWithParam<HostTransport> {};

// A connection, identification, memory state, a streamed download with its
// end request, an erase: each reply arrives whole, and the simulator's log
// holds exactly what was sent.
TEST_P(SimSession, ScriptedSessionGetsEveryReply)
{
    Session s = Open(GetParam());
    Line& line = *s.line;

    EXPECT_TRUE(line.ask("S").value(0).mid(1).startsWith("7S"));
    EXPECT_EQ(PayloadOf(line.ask("G010904").value(0)), QByteArray("G01090400007B"));
    EXPECT_EQ(PayloadOf(line.ask("J00").value(0)), QByteArray("J04000C"));

    const QList<QByteArray> stream = line.ask("J010001000C", 12);
    ASSERT_EQ(stream.size(), 12);
    for (int i = 0; i < stream.size(); ++i) {
        EXPECT_EQ(PayloadOf(stream[i]).left(7), "J03" + HexL(i + 1, 4).toLatin1());
        EXPECT_EQ(stream[i], ComposeMessage(PayloadOf(stream[i])));
    }
    EXPECT_TRUE(line.ask("C").value(0).mid(1).startsWith("7S"));
    EXPECT_EQ(PayloadOf(line.ask("J02000C").value(0)), QByteArray("J040000"));

    const QList<QByteArray> expected{"S", "G010904", "J00", "J010001000C", "C", "J02000C"};
    EXPECT_EQ(s.host->engine().receivedPayloads(), expected);
}

TEST_P(SimSession, EndRequestCutsALongStreamShort)
{
    SimScenario scenario = SmallScenario();
    scenario.slots = VariedSlots(200, 1793606400);
    scenario.timing.slotDelayMs = 20;
    Session s = Open(GetParam(), scenario);
    // At least two slots before the end request (a busy machine may deliver
    // more in the same read).
    const QList<QByteArray> first = s.line->ask("J01000100C8", 2);
    ASSERT_GE(first.size(), 2);
    s.line->write(ComposeMessage("C"));
    // Slots already on their way may still come; the status reply ends them.
    QByteArray rest;
    const QDeadlineTimer deadline(5000);
    auto endsWithStatus = [&rest] {
        const QList<QByteArray> frames = SplitFrames(rest);
        return !frames.isEmpty() && frames.last().mid(1).startsWith("7S");
    };
    while (!endsWithStatus() && !deadline.hasExpired())
        s.line->readUntil(rest, deadline, int(SplitFrames(rest).size()) + 1);
    QByteArray after;
    s.line->readUntil(after, QDeadlineTimer(300), 1);
    EXPECT_TRUE(endsWithStatus());
    EXPECT_LT(SplitFrames(rest).size(), 190);
    EXPECT_TRUE(after.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Transports, SimSession, ::testing::Values(HostTransport::Pty, HostTransport::Tcp),
    [](const auto& info) { return info.param == HostTransport::Pty ? std::string("Pty") : std::string("Tcp"); });

TEST(SimTcp, ConnectionClosedMidStreamAndANewOneIsServed)
{
    SimScenario scenario = SmallScenario();
    scenario.faults.closeAfterSlots = 4;
    Session s = Open(HostTransport::Tcp, scenario);
    QByteArray bytes;
    s.line->write(ComposeMessage("J010001000C"));
    const bool stillOpen = s.line->readUntil(bytes, QDeadlineTimer(5000), 12);
    EXPECT_FALSE(stillOpen);
    EXPECT_EQ(SplitFrames(bytes).size(), 4);

    TcpLine again(s.host->tcpPort());
    ASSERT_TRUE(again.open());
    EXPECT_TRUE(again.ask("S").value(0).mid(1).startsWith("7S"));
}

TEST(SimTcp, NewestClientTakesTheLine)
{
    Session s = Open(HostTransport::Tcp);
    TcpLine second(s.host->tcpPort());
    ASSERT_TRUE(second.open());
    EXPECT_EQ(PayloadOf(second.ask("J00").value(0)), QByteArray("J04000C"));
}

TEST(SimHostSetup, NetworkAddressNamesTheListeningPort)
{
    SimHostOptions options;
    options.pty = false;
    options.tcp = true;
    SimHost host(SmallScenario(), options);
    EXPECT_TRUE(host.ptyPath().isEmpty());
    EXPECT_GT(host.tcpPort(), 0);
    EXPECT_EQ(host.networkAddress(), QStringLiteral("net://127.0.0.1:%1").arg(host.tcpPort()));
}

} // namespace
