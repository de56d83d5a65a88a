// The serial port table and the port choice over a real pseudo-terminal.
#include "LinkRig.h"
#include "link/PortMap.h"
#include "link/SerialPortTable.h"

#include <gtest/gtest.h>

#include <QTemporaryFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

namespace {
const QString Settings = SerialPortTable::InstrumentSettings;

TEST(PortMap, FixedFamiliesAndOverrides)
{
    PortMap map;
    map.addOverride(3, QStringLiteral("/dev/serial/by-id/meter"));
    map.addOverride(150, QStringLiteral("/dev/pts/7"));
    struct Case {
        int port;
        QString path;
    };
    const Case cases[] = {
        {1, "/dev/ttyS0"}, {32, "/dev/ttyS31"}, {33, "/dev/ttyUSB0"}, {64, "/dev/ttyUSB31"},
        {65, "/dev/ttyACM0"}, {256, "/dev/ttyACM191"}, {3, "/dev/serial/by-id/meter"},
        {150, "/dev/pts/7"}, {0, ""}, {257, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(map.devicePath(c.port), c.path) << c.port;
        if (!c.path.isEmpty()) {
            EXPECT_EQ(map.portNumber(c.path), c.port) << c.port;
        }
    }
    EXPECT_EQ(map.portNumber("/dev/ttyS2"), 3);   // the fixed name still maps back
    EXPECT_EQ(map.portNumber("/dev/ttyS02"), -1);
    EXPECT_EQ(map.portNumber("/dev/null"), -1);
}

class SerialPortTableTest : public ::testing::Test {
protected:
    // Reads whatever the terminal side has queued for the link, up to count bytes, within a bound.
    QByteArray readQueued(int id, int count)
    {
        QByteArray all;
        const QDeadlineTimer deadline(5000);
        while (all.size() < count && !deadline.hasExpired()) {
            table.CommWaitForInput(id, deadline);
            QByteArray data;
            if (table.CommRead(id, data, count - all.size()) > 0)
                all += data;
        }
        return all;
    }

    LinkRig rig;
    PtyFarEnd far{rig.portMap, LinkRig::TestPort, {{{}}}};
    SerialPortTable table{rig.log, rig.portMap};
};

TEST_F(SerialPortTableTest, OpenByNumberRewritesTheName)
{
    QString name = QString::number(LinkRig::TestPort);
    ASSERT_EQ(table.CommOpen(1, name, Settings), 0);
    EXPECT_EQ(name, far.devicePath());
    EXPECT_EQ(table.CommPortName(1), far.devicePath());
    EXPECT_TRUE(table.CommIsOpen(1));

    QString again = QStringLiteral("other");
    EXPECT_EQ(table.CommOpen(1, again, Settings), SerialPortTable::CommInUse);
    EXPECT_EQ(again, "other");

    EXPECT_EQ(table.CommClose(1), 0);
    EXPECT_FALSE(table.CommIsOpen(1));
    EXPECT_EQ(table.CommPortName(1), far.devicePath());   // kept for a fallback reopen
    name = far.devicePath();
    EXPECT_EQ(table.CommOpen(1, name, Settings), 0);
}

TEST_F(SerialPortTableTest, ReadTakesOnlyWhatIsQueued)
{
    QString name = far.devicePath();
    ASSERT_EQ(table.CommOpen(1, name, Settings), 0);
    QByteArray data = "stale";
    EXPECT_EQ(table.CommRead(1, data, 0), 0);
    EXPECT_TRUE(data.isEmpty());

    far.push("0123456789");
    ASSERT_EQ(table.CommWaitForInput(1, QDeadlineTimer(5000)), SerialDevice::WaitResult::Readable);
    const QDeadlineTimer deadline(5000);
    while (table.CommGetQueue(1) < 10 && !deadline.hasExpired())
        rig.link.WaitFor(0.01);
    EXPECT_EQ(table.CommRead(1, data, 1), 1);
    EXPECT_EQ(data, "0");
    EXPECT_EQ(table.CommGetQueue(1), 9);
    EXPECT_EQ(table.CommRead(1, data, 0), 9);
    EXPECT_EQ(data, "123456789");
}

TEST_F(SerialPortTableTest, WriteWithSizeZeroWritesAllAndSetsTheSize)
{
    QString name = far.devicePath();
    ASSERT_EQ(table.CommOpen(1, name, Settings), 0);
    qint32 size = 0;
    EXPECT_EQ(table.CommWrite(1, "hello\r", size), 6);
    EXPECT_EQ(size, 6);
    ASSERT_TRUE(far.waitForRequests(1));
    EXPECT_EQ(far.requests().first(), "hello\r");
}

TEST_F(SerialPortTableTest, FlushDiscardsQueuedInput)
{
    QString name = far.devicePath();
    ASSERT_EQ(table.CommOpen(1, name, Settings), 0);
    far.push("abc");
    ASSERT_EQ(table.CommWaitForInput(1, QDeadlineTimer(5000)), SerialDevice::WaitResult::Readable);
    EXPECT_EQ(table.CommFlush(1), 0);
    EXPECT_EQ(table.CommGetQueue(1), 0);
    far.push("d");
    EXPECT_EQ(readQueued(1, 1), "d");
}

TEST_F(SerialPortTableTest, ClosedAndInvalidEntries)
{
    table.CommCloseAll();   // nothing open: nothing happens
    QByteArray data;
    qint32 size = 0;
    for (int id : {0, 1, 256, 257}) {
        EXPECT_FALSE(table.CommIsOpen(id)) << id;
        EXPECT_EQ(table.CommClose(id), 0) << id;
        EXPECT_EQ(table.CommRead(id, data, 0), SerialPortTable::CommFailure) << id;
        EXPECT_EQ(table.CommWrite(id, "x", size), SerialPortTable::CommFailure) << id;
        EXPECT_EQ(table.CommGetQueue(id), SerialPortTable::CommFailure) << id;
        EXPECT_TRUE(table.CommPortName(id).isEmpty()) << id;
    }
    QString name = far.devicePath();
    EXPECT_EQ(table.CommOpen(0, name, Settings), SerialPortTable::CommInUse);
}

// A pseudo-terminal keeps 8 data bits without parity whatever it is told, so
// speed, stop bits and raw mode are what can be seen here.
TEST_F(SerialPortTableTest, LineSettings)
{
    struct Case {
        QString settings;
        speed_t speed;
        bool twoStop;
    };
    const Case cases[] = {
        {"baud=9600 parity=N data=8 stop=1", B9600, false},
        {"baud=9600 parity=n data=8 stop=1", B9600, false},
        {"BAUD=19200 PARITY=e DATA=7 STOP=2", B19200, true},
        {"baud=115200 parity=O data=8 stop=1", B115200, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.settings.toStdString());
        QString name = far.devicePath();
        ASSERT_EQ(table.CommOpen(1, name, c.settings), 0) << c.settings.toStdString();
        termios tio{};
        ASSERT_EQ(::tcgetattr(far.terminalFd(), &tio), 0);
        EXPECT_EQ(::cfgetispeed(&tio), c.speed) << c.settings.toStdString();
        EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.twoStop) << c.settings.toStdString();
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u) << c.settings.toStdString();
        EXPECT_EQ(tio.c_iflag & (IXON | ICRNL), 0u) << c.settings.toStdString();
        table.CommClose(1);
    }
}

// Settings the device cannot take fail the open and leave the entry closed,
// so a retry with good settings can use it.
TEST_F(SerialPortTableTest, BadSettingsLeaveTheEntryClosed)
{
    for (const char* bad : {"baud=12345 parity=N data=8 stop=1", "baud=9600 parity=X data=8 stop=1",
             "baud=9600 parity=N data=9 stop=1", "baud=9600 parity=N data=8 stop=3", "speed=9600", ""}) {
        QString name = far.devicePath();
        EXPECT_EQ(table.CommOpen(1, name, QString::fromLatin1(bad)), EINVAL) << bad;
        EXPECT_FALSE(table.CommIsOpen(1)) << bad;
    }
    QString name = far.devicePath();
    EXPECT_EQ(table.CommOpen(1, name, Settings), 0);
}

TEST_F(SerialPortTableTest, DeviceHeldByAnotherProgram)
{
    const int other = ::open(far.devicePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);

    QString name = far.devicePath();
    EXPECT_EQ(table.CommOpen(1, name, Settings), EBUSY);
    EXPECT_FALSE(table.CommIsOpen(1));
    EXPECT_FALSE(table.COMAvailable(LinkRig::TestPort));
    const auto lines = rig.lines();
    ASSERT_EQ(lines.size(), 4);   // two from the open, two from the probe
    for (int i : {0, 2}) {
        EXPECT_EQ(lines[i].text, "System Error when accessing " + far.devicePath());
        EXPECT_EQ(lines[i + 1].text, "0x10: " + QString::fromLocal8Bit(std::strerror(EBUSY)));
        EXPECT_EQ(lines[i].level, SessionLog::Problem);
        EXPECT_EQ(lines[i + 1].level, SessionLog::Problem);
    }
    ::close(other);

    EXPECT_TRUE(table.COMAvailable(LinkRig::TestPort));
}

TEST_F(SerialPortTableTest, MissingDeviceIsUnavailableWithoutALogLine)
{
    rig.portMap.addOverride(LinkRig::TestPort + 1, QStringLiteral("/dev/no-such-meter"));
    EXPECT_TRUE(table.COMAvailable(LinkRig::TestPort));
    EXPECT_FALSE(table.COMAvailable(LinkRig::TestPort + 1));
    QString name = QString::number(LinkRig::TestPort + 1);
    EXPECT_EQ(table.CommOpen(1, name, Settings), ENOENT);
    EXPECT_TRUE(rig.lines().isEmpty());
}

// The table holds its device against a second open, also within this process.
TEST_F(SerialPortTableTest, OpenDeviceIsNotAvailableToOthers)
{
    QString name = far.devicePath();
    ASSERT_EQ(table.CommOpen(1, name, Settings), 0);
    SerialPortTable second(rig.log, rig.portMap);
    name = far.devicePath();
    EXPECT_NE(second.CommOpen(1, name, Settings), 0);
    EXPECT_FALSE(second.COMAvailable(LinkRig::TestPort));
    table.CommCloseAll();
    EXPECT_TRUE(second.COMAvailable(LinkRig::TestPort));
}

// ---- port choice ----------------------------------------------------------------

class PickCommsTest : public ::testing::Test {
protected:
    int pick(int port)
    {
        rig.link.PickComms(port);
        return port;
    }
    bool linkOpen() { return rig.link.ports().CommIsOpen(InstrumentLink::LinkPortId); }

    LinkRig rig;
    PtyFarEnd far{rig.portMap, LinkRig::TestPort, {}};
};

TEST_F(PickCommsTest, OpensTheChosenPortAndClosesItAgain)
{
    EXPECT_EQ(pick(LinkRig::TestPort), LinkRig::TestPort);
    EXPECT_TRUE(linkOpen());
    EXPECT_EQ(rig.link.ports().CommPortName(InstrumentLink::LinkPortId), far.devicePath());
    EXPECT_EQ(pick(0), 0);
    EXPECT_FALSE(linkOpen());

    ASSERT_EQ(pick(LinkRig::TestPort), LinkRig::TestPort);
    rig.link.StopComms();
    EXPECT_FALSE(linkOpen());
}

TEST_F(PickCommsTest, UnavailablePortGivesMinusOne)
{
    rig.portMap.addOverride(LinkRig::TestPort + 1, QStringLiteral("/dev/no-such-meter"));
    EXPECT_EQ(pick(LinkRig::TestPort + 1), -1);
    EXPECT_FALSE(linkOpen());
}

// A device that opens but cannot be set up as a serial line (here a plain
// file): the link goes back to the port it had.
TEST_F(PickCommsTest, FallsBackToThePreviousPort)
{
    QTemporaryFile notSerial;
    ASSERT_TRUE(notSerial.open());
    rig.portMap.addOverride(LinkRig::TestPort + 1, notSerial.fileName());

    ASSERT_EQ(pick(LinkRig::TestPort), LinkRig::TestPort);
    EXPECT_EQ(pick(LinkRig::TestPort + 1), LinkRig::TestPort);
    EXPECT_TRUE(linkOpen());
    EXPECT_EQ(rig.link.ports().CommPortName(InstrumentLink::LinkPortId), far.devicePath());
}
}
