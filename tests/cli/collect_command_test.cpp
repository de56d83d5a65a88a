// tolvi-cli collect over simulated instruments on pseudo-terminals and
// loopback network bridges. The port list holds the test's pseudo-terminals
// only: every other port number is pointed at a device that does not exist,
// so the machine's own serial ports stay out of it.
#include "CliProcess.h"
#include "PortsSection.h"
#include "QtPrinters.h"
#include "SimHost.h"
#include "TempFolder.h"

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {
constexpr qint64 kFirstSample = 1796389500;
constexpr int kPacedSlotMs = 15;   // streamed slots over a pseudo-terminal are paced

// An instrument with slots samples; its serial number reads "<serial>F".
SimScenario FleetInstrument(quint32 serial, int slots)
{
    SimScenario s;
    s.serial = serial;
    s.slots = VariedSlots(slots, kFirstSample);
    s.timing.slotDelayMs = kPacedSlotMs;
    return s;
}

QString SerialText(quint32 serial) { return QString::number(serial) + QLatin1Char('F'); }

quint16 ClosedTcpPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

// Runs the sqlite3 tool on a database; its output trimmed, or nothing when it failed.
QString SqliteOut(const QString& path, const QString& statement)
{
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"), {path, statement});
    if (!sqlite.waitForFinished(30000) || sqlite.exitCode() != 0)
        return QString();
    return QString::fromUtf8(sqlite.readAllStandardOutput()).trimmed();
}

// Simulated instruments and the data folder's app.txt that lists them: the
// serial ones as ports, the bridges in section "Collect".
class Fleet {
public:
    void onSerialPort(const SimScenario& scenario)
    {
        sims_.push_back(std::make_unique<SimHost>(scenario));
        ports_ << sims_.back()->ptyPath();
    }
    void onBridge(const SimScenario& scenario)
    {
        SimHostOptions options;
        options.pty = false;
        options.tcp = true;
        sims_.push_back(std::make_unique<SimHost>(scenario, options));
        bridges_ << sims_.back()->networkAddress();
    }
    // A bridge entry as written in app.txt.
    void listBridge(const QString& entry) { bridges_ << entry; }

    CliFinished collect()
    {
        QByteArray app = "; === Application Settings ===\r\n" + PortsSection(ports_, data.path());
        app += "[Collect]\r\nBridges=" + bridges_.join(QStringLiteral(", ")).toLocal8Bit() + "\r\n";
        QFile file(data.file(QStringLiteral("app.txt")));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(app) != app.size())
            return {};
        file.close();
        return RunCliWithData(data.path(), {QStringLiteral("collect")});
    }

    // The slots the instrument's archive holds; empty when it cannot be read.
    QString archivedSlots(quint32 serial) const
    {
        return SqliteOut(data.file(SerialText(serial) + QStringLiteral("/archive.sqlite")),
            QStringLiteral("SELECT COUNT(*) FROM slots"));
    }

    QString pty(int index) const { return ports_[index]; }
    QString bridge(int index) const { return bridges_[index]; }

    TempFolder data;

private:
    std::vector<std::unique_ptr<SimHost>> sims_;
    QStringList ports_;
    QStringList bridges_;
};

QStringList CollectedLines(const QString& text) { return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
} // namespace

// Two instruments on serial ports and one behind a bridge, collected in one
// run: a line each, every slot archived; a second run adds nothing.
TEST(CollectCommand, CollectsEveryInstrumentAndASecondRunAddsNothing)
{
    Fleet fleet;
    fleet.onSerialPort(FleetInstrument(1001, 12));
    fleet.onSerialPort(FleetInstrument(1002, 7));
    fleet.onBridge(FleetInstrument(1003, 9));

    const CliFinished first = fleet.collect();
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_EQ(first.err, QString());
    EXPECT_EQ(CollectedLines(first.out),
        (QStringList{"1001F on " + fleet.pty(0) + ": 12 slots added", "1002F on " + fleet.pty(1) + ": 7 slots added",
            "1003F on " + fleet.bridge(0) + ": 9 slots added"}));
    EXPECT_EQ(fleet.archivedSlots(1001), QStringLiteral("12"));
    EXPECT_EQ(fleet.archivedSlots(1002), QStringLiteral("7"));
    EXPECT_EQ(fleet.archivedSlots(1003), QStringLiteral("9"));

    const CliFinished second = fleet.collect();
    ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_EQ(CollectedLines(second.out),
        (QStringList{"1001F on " + fleet.pty(0) + ": 0 slots added", "1002F on " + fleet.pty(1) + ": 0 slots added",
            "1003F on " + fleet.bridge(0) + ": 0 slots added"}));
    EXPECT_EQ(fleet.archivedSlots(1001), QStringLiteral("12"));
    EXPECT_EQ(fleet.archivedSlots(1003), QStringLiteral("9"));
}

// Beside two sound instruments (one on a serial port, one behind a bridge)
// stands one that cannot be collected in full: its line says why, the exit
// status says how bad, and the sound ones are archived all the same.
TEST(CollectCommand, OneInstrumentNotCollectedLeavesTheOthersArchived)
{
    struct Case {
        const char* name;
        std::function<void(Fleet&)> add;   // the instrument that fails, as the second bridge
        int exitCode;
        quint32 serial;                    // the instrument read there; 0: none
        QString line;                      // how its line goes on after where it is
    };
    SimScenario slotLost = FleetInstrument(1009, 10);
    slotLost.faults.dropSlots = {4};
    slotLost.faults.corruptReply = {SimFaultRule::on(QStringLiteral("J0100040001"))};
    const QList<Case> cases{
        {"BridgeNobodyListensOn",
            [](Fleet& f) { f.listBridge(QStringLiteral("net://127.0.0.1:%1").arg(ClosedTcpPort())); }, 3, 0,
            ": not collected: no instrument answered"},
        {"MalformedBridgeEntry", [](Fleet& f) { f.listBridge(QStringLiteral("net://127.0.0.1")); }, 3, 0,
            ": not collected: not a network bridge address (the form is net://host:port) in section \"Collect\" of app.txt"},
        {"SlotThatCannotBeRead", [&slotLost](Fleet& f) { f.onBridge(slotLost); }, 5, 1009,
            ": incomplete, nothing added: slot 4 could not be read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fleet fleet;
        fleet.onSerialPort(FleetInstrument(1001, 6));
        fleet.onBridge(FleetInstrument(1003, 5));
        c.add(fleet);
        const CliFinished run = fleet.collect();
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        const QStringList lines = CollectedLines(run.out);
        ASSERT_EQ(lines.size(), 3) << run.out.toStdString();
        EXPECT_EQ(lines[0], "1001F on " + fleet.pty(0) + ": 6 slots added");
        EXPECT_EQ(lines[1], "1003F on " + fleet.bridge(0) + ": 5 slots added");
        const QString who = c.serial ? SerialText(c.serial) + QStringLiteral(" on ") : QString();
        EXPECT_TRUE(lines[2].startsWith(who + fleet.bridge(1) + c.line)) << lines[2].toStdString();
        EXPECT_EQ(fleet.archivedSlots(1001), QStringLiteral("6"));
        EXPECT_EQ(fleet.archivedSlots(1003), QStringLiteral("5"));
        if (c.serial) {
            const QString held = fleet.archivedSlots(c.serial);
            EXPECT_TRUE(held.isEmpty() || held == QStringLiteral("0")) << held.toStdString();
        }
    }
}

// Nothing answers anywhere: status 2 and a line that says where it looked;
// a listed bridge that is silent still gets its line.
TEST(CollectCommand, NoInstrumentAnywhere)
{
    for (const bool silentBridge : {false, true}) {
        SCOPED_TRACE(silentBridge ? "a silent bridge listed" : "no bridge listed");
        Fleet fleet;
        if (silentBridge)
            fleet.listBridge(QStringLiteral("net://127.0.0.1:%1").arg(ClosedTcpPort()));
        const CliFinished run = fleet.collect();
        EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
        EXPECT_EQ(CollectedLines(run.out),
            silentBridge ? QStringList{fleet.bridge(0) + ": not collected: no instrument answered"} : QStringList{});
        EXPECT_TRUE(run.err.endsWith(QStringLiteral("tolvi-cli: no instrument found on the serial ports or on the network"
                                                    " bridges listed in app.txt (section \"Collect\","
                                                    " Bridges=net://host:port ...)\n")))
            << run.err.toStdString();
    }
}
