#include "ModelRig.h"
#include "QtPrinters.h"
#include "SilentLine.h"
#include "SimHost.h"
#include "session/ConnectionControl.h"
#include "link/SettingsStore.h"

#include <QDir>
#include <QTcpServer>
#include <gtest/gtest.h>

namespace {

const QString CheckCable = QStringLiteral("Please check the connection cable and that the instrument is turned on.");

SimScenario scenarioWith(const QString& firmware, quint32 serial = 10234)
{
    SimScenario s;
    s.firmware = firmware;
    s.serial = serial;
    return s;
}

std::unique_ptr<SimHost> simOnTcp(SimScenario scenario)
{
    SimHostOptions options;
    options.pty = false;
    options.tcp = true;
    return std::make_unique<SimHost>(std::move(scenario), options);
}

// A loopback port that nothing listens on.
quint16 closedTcpPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();   // closed again when server goes
}

int historyLineCount(const QString& folder)
{
    QFile f(QDir(folder).filePath(QStringLiteral("history.txt")));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return int(f.readAll().count("\r\n"));
}

} // namespace

TEST(Connection, AutoConnectPassesSeparatorsAndADeadPortThenRecordsTheInstrument)
{
    ModelRig rig;
    SilentLine dead;
    SimHost sim(scenarioWith(QStringLiteral("V2.31")));
    rig.portMap.addOverride(3, dead.path());
    rig.portMap.addOverride(5, sim.ptyPath());
    rig.devices = {QStringLiteral("\\Device\\VCP0=COM3")};
    StoreWrite(rig.userFile(), QStringLiteral("LastRemote"), QStringLiteral("Address"), QStringLiteral("S"),
        QStringLiteral("127.0.0.1"));
    StoreWrite(rig.userFile(), QStringLiteral("LastRemote"), QStringLiteral("Port"), QStringLiteral("S"),
        QString::number(closedTcpPort()));

    ASSERT_TRUE(rig.model->autoConnect());
    // The dead USB port comes first, then the separator, then the instrument.
    EXPECT_EQ(rig.model->portEntries().mid(0, 3),
        (QStringList{"COM Port 3 - " + dead.path(), PortEntry::Separator, "COM Port 5 - " + sim.ptyPath()}));
    EXPECT_EQ(rig.logTexts.count(QStringLiteral("...Connection BAD")), 2);
    EXPECT_TRUE(rig.logged(QStringLiteral("...Connection OK!")));
    EXPECT_EQ(rig.model->connectedPort(), 5);

    const QString label = QStringLiteral("Connected to 10234F (V2.31)");
    EXPECT_EQ(rig.model->connectionLabel(), label);
    EXPECT_EQ(rig.model->statusPanel(1), label);
    EXPECT_FALSE(rig.model->upgradeNotice());
    const MainModel::Buttons b = rig.model->buttons();
    EXPECT_FALSE(b.selectPort || b.autoSelect || b.rescanPorts || b.useNetwork);
    EXPECT_TRUE(b.disconnect && b.pageTabs && b.diagnose);
    EXPECT_TRUE(rig.model->keepAliveEnabled());
    EXPECT_EQ(rig.model->trayMenu(), (MainModel::TrayMenu{false, true, true, true}));
    EXPECT_EQ(rig.model->statusPanel(3), QStringLiteral("Schedule: Disabled"));
    EXPECT_TRUE(rig.model->statusPanel(4).startsWith(QStringLiteral("Memory Used:")));
    const QString identity = rig.model->instrumentIdentity();
    EXPECT_TRUE(identity.startsWith(QStringLiteral("Serial number: 10234F\nFirmware: V2.31\n"))) << identity.toStdString();
    EXPECT_TRUE(identity.contains(QStringLiteral("\nMemory: "))) << identity.toStdString();

    const QString folder = rig.data.file(QStringLiteral("10234F"));
    EXPECT_EQ(rig.model->session().instrument().RecordFolder, folder);
    EXPECT_EQ(historyLineCount(folder), 12);
    EXPECT_TRUE(rig.logged(QStringLiteral("This instrument has not been seen before!")));

    rig.model->disconnect();
    EXPECT_EQ(rig.model->statusPanel(1), MainModel::SelectPortText);
    EXPECT_EQ(rig.model->statusPanel(2), QStringLiteral("Clock Error:"));
    EXPECT_EQ(rig.model->statusPanel(3), QStringLiteral("Schedule:"));
    EXPECT_EQ(rig.model->statusPanel(4), QStringLiteral("Memory Used:"));
    // As before the first connection: connect buttons on, the instrument's
    // pages and service buttons off, its identity gone.
    EXPECT_EQ(rig.model->buttons(), MainModel::Buttons{});
    EXPECT_TRUE(rig.model->instrumentIdentity().isEmpty());
    EXPECT_EQ(rig.model->trayMenu(), MainModel::TrayMenu{});
    EXPECT_FALSE(rig.model->keepAliveEnabled());
    EXPECT_EQ(rig.model->linkState(), MainModel::LinkState::NotConnected);
    EXPECT_TRUE(rig.prompts.texts_of(QStringLiteral("balloon")).contains(QStringLiteral("Disconnected from Instrument.")));

    // The second connection of the same instrument adds only its block.
    rig.model->setPortEditText(QStringLiteral("COM Port 5"));
    ASSERT_TRUE(rig.model->connectSelected());
    EXPECT_EQ(historyLineCount(folder), 21);
}

TEST(Connection, ManualConnectNamesThePortActuallyOpened)
{
    ModelRig rig;
    SimHost sim(scenarioWith(QStringLiteral("V2.31")));
    rig.portMap.addOverride(5, sim.ptyPath());
    // Port 7 exists but is no serial device: opening it fails, and the link
    // falls back to the port it had before.
    const QString notSerial = rig.data.file(QStringLiteral("not-a-serial-device"));
    QFile file(notSerial);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    rig.portMap.addOverride(7, notSerial);

    rig.model->setPortEditText(QStringLiteral("COM Port 5"));
    ASSERT_TRUE(rig.model->connectSelected());
    rig.model->disconnect();
    rig.model->setPortEditText(QStringLiteral("COM Port 7"));
    ASSERT_TRUE(rig.model->connectSelected());
    EXPECT_EQ(rig.model->connectedPort(), 5);

    // The entry as the list shows it, with the device after the number.
    rig.model->disconnect();
    rig.model->setPortEditText(QStringLiteral("COM Port 5 - ") + sim.ptyPath());
    ASSERT_TRUE(rig.model->connectSelected());
    EXPECT_EQ(rig.model->connectedPort(), 5);
}

TEST(Connection, AutoConnectWithNothingToTry)
{
    ModelRig rig;
    EXPECT_FALSE(rig.model->autoConnect());
    EXPECT_TRUE(rig.prompts.texts_of(QStringLiteral("balloon"))
                    .contains(QStringLiteral("Sorry, autoscan failed to find any instruments. ") + CheckCable));
    EXPECT_EQ(rig.model->statusPanel(1), MainModel::SelectPortText);
    EXPECT_TRUE(rig.logged(QStringLiteral("Connection failed on all ports!")));
    EXPECT_TRUE(rig.model->buttons().autoSelect);
}

TEST(Connection, ManualConnectFailures)
{
    SilentLine dead;
    const QString closed = QStringLiteral("net://127.0.0.1:%1").arg(closedTcpPort());
    struct Case {
        QString entry;
        QString message;
    };
    const Case cases[] = {
        {QStringLiteral("Please select..."), QStringLiteral("Please select a port first.")},
        {QStringLiteral("COM Port 3"),
            QStringLiteral("Sorry, failed to find any instruments on COM Port 3:\r\n") + CheckCable},
        {QStringLiteral("COM Port 3 - /dev/ttyUSB2 FT232R USB UART"),
            QStringLiteral("Sorry, failed to find any instruments on COM Port 3:\r\n") + CheckCable},
        {closed, QStringLiteral("Sorry, failed to find any instruments on ") + closed + QStringLiteral(":\r\n")
                + CheckCable},
    };
    for (const Case& c : cases) {
        ModelRig rig;
        rig.portMap.addOverride(3, dead.path());
        rig.model->setPortEditText(c.entry);
        EXPECT_FALSE(rig.model->connectSelected()) << c.entry.toStdString();
        EXPECT_EQ(rig.prompts.texts_of(QStringLiteral("message")), QStringList{c.message}) << c.entry.toStdString();
        EXPECT_FALSE(rig.link.ports().CommIsOpen(InstrumentLink::LinkPortId));
        EXPECT_EQ(rig.model->linkState(), MainModel::LinkState::NotConnected);
        EXPECT_TRUE(rig.model->buttons().selectPort);
    }
}

TEST(Connection, NewNetworkConnectionIsRememberedAndListed)
{
    ModelRig rig;
    const quint16 closed = closedTcpPort();
    EXPECT_FALSE(rig.model->connectNewNetwork(QStringLiteral("127.0.0.1"), closed));
    EXPECT_EQ(rig.prompts.texts_of(QStringLiteral("message")),
        QStringList{QStringLiteral("Sorry, failed to find any instruments on 127.0.0.1:%1\r\n").arg(closed) + CheckCable});
    EXPECT_FALSE(rig.link.useNetwork());
    EXPECT_EQ(StoreReadText(rig.userFile(), QStringLiteral("LastRemote"), QStringLiteral("Address"), QStringLiteral("Unknown")),
        QStringLiteral("Unknown"));

    auto sim = simOnTcp(scenarioWith(QStringLiteral("V2.31")));
    ASSERT_TRUE(rig.model->connectNewNetwork(QStringLiteral("127.0.0.1"), sim->tcpPort()));
    EXPECT_TRUE(rig.link.useNetwork());
    EXPECT_EQ(rig.model->connectionLabel(), QStringLiteral("Connected to 10234F (V2.31)"));
    // While connected the list holds the bridge and the box names it.
    EXPECT_EQ(rig.model->portEntries().mid(rig.model->portEntries().size() - 2),
        (QStringList{PortEntry::Separator, sim->networkAddress()}));
    EXPECT_EQ(rig.model->portEditText(), sim->networkAddress());
    rig.model->disconnect();

    // The next scan offers the bridge at the end, after a separator, and
    // connecting on that entry reaches the instrument again.
    const QStringList entries = rig.model->portEntries();
    ASSERT_GE(entries.size(), 2);
    EXPECT_EQ(entries.mid(entries.size() - 2), (QStringList{PortEntry::Separator, sim->networkAddress()}));
    rig.model->setPortEditText(entries.last());
    EXPECT_TRUE(rig.model->connectSelected());
    EXPECT_EQ(rig.model->connectedPort(), 0);
}

TEST(Connection, FirmwareBandsAcrossConnectionsInOneRun)
{
    ModelRig rig;
    struct Case {
        const char* firmware;
        FirmwareFlags flags;  // old, new, first, full, remote
        bool upgrade;
        const char* warning;  // expected known-fault log line, or nullptr
    };
    const Case cases[] = {
        {"V1.43", {true, false, false, false, false}, true, nullptr},
        {"V2.20", {false, true, true, false, true}, false, nullptr},
        {"V2.29", {false, true, true, true, false}, false, nullptr},
        {"V1.09", {false, false, false, false, false}, true, "This firmware has a bug in the Read FRAM command."},
        {"V1.15", {false, false, false, false, false}, true, "This firmware has a bug in the Schedule command."},
    };
    for (const Case& c : cases) {
        auto sim = simOnTcp(scenarioWith(QString::fromLatin1(c.firmware)));
        rig.logTexts.clear();
        rig.model->setPortEditText(sim->networkAddress());
        ASSERT_TRUE(rig.model->connectSelected()) << c.firmware;
        const FirmwareFlags& f = rig.link.firmwareFlags();
        EXPECT_EQ(f.FwOldSlotStatus, c.flags.FwOldSlotStatus) << c.firmware;
        EXPECT_EQ(f.FwNewSlotStatus, c.flags.FwNewSlotStatus) << c.firmware;
        EXPECT_EQ(f.FwFirstInSchedule, c.flags.FwFirstInSchedule) << c.firmware;
        EXPECT_EQ(f.FwMemoryFullInverted, c.flags.FwMemoryFullInverted) << c.firmware;
        EXPECT_EQ(f.FwRemoteQuirk, c.flags.FwRemoteQuirk) << c.firmware;
        EXPECT_EQ(rig.model->upgradeNotice(), c.upgrade) << c.firmware;
        EXPECT_EQ(rig.logged(QStringLiteral("Firmware upgrade is available : V1.68")), c.upgrade) << c.firmware;
        if (c.warning) {
            EXPECT_TRUE(rig.logged(QString::fromLatin1(c.warning))) << c.firmware;
        }
        rig.model->disconnect();
    }
}

TEST(Connection, FirmwareVersionAndFlagsByVersion)
{
    struct VersionCase { const char* firmware; double version; };
    const VersionCase versions[] = {{"HHU V2.31 build", 2.31}, {"V1.08", 1.08}, {"V 1.5", 1.5}, {"2.20", 2.20},
        {"", 0}, {"Vx", 0}, {"V1.4399", 1.439}};
    for (const auto& v : versions)
        EXPECT_DOUBLE_EQ(FirmwareVersionOf(QString::fromLatin1(v.firmware)), v.version) << v.firmware;

    struct FlagCase { double version; FirmwareFlags flags; };
    const FlagCase cases[] = {
        {1.29, {false, false, false, false, false}}, {1.30, {true, false, false, false, false}},
        {1.44, {true, true, false, false, false}}, {1.47, {true, true, true, false, true}},
        {1.61, {true, true, true, true, true}}, {1.99, {true, true, true, true, true}},
        {2.15, {false, false, false, false, false}}, {2.16, {false, true, false, false, false}},
        {2.19, {false, true, true, false, true}}, {2.26, {false, true, true, true, true}},
        {2.29, {false, true, true, true, false}},
    };
    for (const auto& c : cases) {
        const FirmwareFlags f = FirmwareFlagsFor(c.version);
        const bool got[] = {f.FwOldSlotStatus, f.FwNewSlotStatus, f.FwFirstInSchedule, f.FwMemoryFullInverted,
            f.FwRemoteQuirk};
        const bool want[] = {c.flags.FwOldSlotStatus, c.flags.FwNewSlotStatus, c.flags.FwFirstInSchedule,
            c.flags.FwMemoryFullInverted, c.flags.FwRemoteQuirk};
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(got[i], want[i]) << c.version << " flag " << i;
    }
}

TEST(Connection, TerminalDebugModeSkipsTheStateReadsAndDrivesTheTerminal)
{
    ModelRig rig;
    SimHost sim(scenarioWith(QStringLiteral("V2.31")));
    rig.portMap.addOverride(5, sim.ptyPath());
    rig.model->setTerminalDebug(true);
    QList<bool> scans;
    QObject::connect(rig.model.get(), &MainModel::terminalScanChanged, [&scans](bool on) { scans << on; });

    rig.model->setPortEditText(QStringLiteral("COM Port 5"));
    ASSERT_TRUE(rig.model->connectSelected());
    for (const QByteArray& payload : sim.engine().receivedPayloads())
        EXPECT_FALSE(payload.startsWith("K") || payload.startsWith("A") || payload.startsWith("J"))
            << payload.toStdString();
    EXPECT_FALSE(rig.model->keepAliveEnabled());
    EXPECT_FALSE(rig.model->buttons().pageTabs);
    EXPECT_TRUE(rig.model->buttons().disconnect);

    QFile history(QDir(rig.data.file(QStringLiteral("10234F"))).filePath(QStringLiteral("history.txt")));
    ASSERT_TRUE(history.open(QIODevice::ReadOnly));
    EXPECT_TRUE(history.readAll().endsWith("\tConnecting in Terminal Mode.\r\n"));

    rig.model->disconnect();
    EXPECT_EQ(scans, (QList<bool>{true, false}));
    EXPECT_TRUE(rig.prompts.texts_of(QStringLiteral("balloon")).filter(QStringLiteral("Disconnected")).isEmpty());
}
