#include "ModelRig.h"
#include "QtPrinters.h"
#include "SilentLine.h"
#include "ScriptedPrompts.h"
#include "link/PortDiscovery.h"
#include "shell/PerUserSettings.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

// A scan over a fixed device list, a fixed set of ports that open, and
// fixed "LastRemote" values; records what was probed and logged.
struct ScanFixture {
    SessionLog log;
    ScriptedPrompts prompts;
    PerUserSettings perUser{QStringLiteral("/nonexistent/peruser.ini")};
    Services services{log, prompts, perUser, {}, QStringLiteral("Tolvi")};
    QStringList logLines;

    int deviceMapStatus = 0;
    QStringList devices;            // "name=data" elements
    QSet<int> freePorts;
    QMap<QString, QString> remote;  // LastRemote keys present
    QMap<int, QString> descriptions; // what the system says about a port
    QList<int> probed;

    ScanFixture()
    {
        log.setListener([this](const QString& line, int) { logLines << line.section(QLatin1Char('\t'), 2); });
    }

    PortList scan(int first = 1, int last = 256)
    {
        PortScanSources sources;
        sources.readDeviceMap = [this](QString& pairs) {
            for (const QString& d : devices)
                pairs += d + QChar(0);
            pairs += QChar(0);
            return deviceMapStatus;
        };
        sources.portAvailable = [this](int port) {
            probed << port;
            return freePorts.contains(port);
        };
        sources.lastRemote = [this](const QString& key) { return remote.value(key, QStringLiteral("Unknown")); };
        sources.describePort = [this](int port) { return descriptions.value(port); };
        return ScanForPorts(first, last, sources, services);
    }
};

const QString Sep = PortEntry::Separator;

} // namespace

TEST(PortDiscovery, ListOrderFromDeviceListProbeAndRemote)
{
    struct Case {
        const char* name;
        QStringList devices;
        QSet<int> free;
        QMap<QString, QString> remote;
        QStringList expected;
    };
    const Case cases[] = {
        {"usb port before built-in, probed ports after the separator",
            {"\\Device\\Serial0=COM1", "\\Device\\VCP0=COM7"}, {1, 3, 7}, {},
            {"COM Port 7", "COM Port 1", Sep, "COM Port 3"}},
        {"two usb ports: the later one goes to the top",
            {"\\Device\\VCP0=COM7", "\\Device\\VCP1=COM9"}, {7, 9}, {},
            {"COM Port 9", "COM Port 7", Sep}},
        {"registered port that cannot be opened is left out",
            {"\\Device\\Serial0=COM1", "\\Device\\VCP0=COM7"}, {1}, {}, {"COM Port 1", Sep}},
        {"only probed ports", {}, {4}, {}, {Sep, "COM Port 4"}},
        {"malformed elements are skipped",
            {"=COM3", "\\D=COM3", "\\Device\\Serial2=COM3=x", "\\Device\\Serial5=COM5"}, {5}, {},
            {"COM Port 5", Sep}},
        {"network entry after its own separator",
            {"\\Device\\Serial0=COM1"}, {1}, {{"Address", "10.1.2.3"}, {"Port", "8899"}},
            {"COM Port 1", Sep, Sep, "net://10.1.2.3:8899"}},
        {"network entry with the port missing",
            {}, {}, {{"Address", "bridge.local"}}, {Sep, Sep, "net://bridge.local:Unknown"}},
    };
    for (const Case& c : cases) {
        ScanFixture f;
        f.devices = c.devices;
        f.freePorts = c.free;
        f.remote = c.remote;
        const PortList list = f.scan();
        EXPECT_EQ(list.entries, c.expected) << c.name;
        EXPECT_EQ(list.editText, QStringLiteral("Please select...")) << c.name;
        EXPECT_TRUE(f.prompts.shown().isEmpty()) << c.name;
    }
}

// The entries say what each port is; the number stays first, where the
// connection steps and the duplicate check read it.
TEST(PortDiscovery, EntriesCarryTheDevicePathAndAdapterName)
{
    ScanFixture f;
    f.devices = {"\\Device\\VCP0=COM33", "\\Device\\Serial0=COM1"};
    f.freePorts = {1, 33, 40};
    f.descriptions = {{33, "/dev/ttyUSB0 FT232R USB UART"}, {1, "/dev/ttyS0"}};
    const PortList list = f.scan();
    EXPECT_EQ(list.entries, (QStringList{"COM Port 33 - /dev/ttyUSB0 FT232R USB UART", "COM Port 1 - /dev/ttyS0", Sep,
                                "COM Port 40"}));
    const int numbers[] = {33, 1, 0, 40};
    for (int i = 0; i < list.entries.size(); ++i)
        EXPECT_EQ(PortEntry::portNumber(list.entries[i]), numbers[i]) << list.entries[i].toStdString();
}

TEST(PortDiscovery, LogsFoundAndAlsoAvailablePorts)
{
    ScanFixture f;
    f.devices = {"\\Device\\VCP0=COM7"};
    f.freePorts = {2, 7};
    f.scan();
    EXPECT_TRUE(f.logLines.contains(QStringLiteral("Scanning free COMM ports between 1 and 256.")));
    EXPECT_TRUE(f.logLines.contains(QStringLiteral("Found VCP0 on \\\\.\\COM7")));
    EXPECT_TRUE(f.logLines.contains(QStringLiteral("\\\\.\\COM2 Also available.")));
    EXPECT_FALSE(f.logLines.contains(QStringLiteral("\\\\.\\COM7 Also available.")));
}

TEST(PortDiscovery, PortAboveTheRangeIsProbedButNotListed)
{
    ScanFixture f;
    f.devices = {"\\Device\\VCP0=COM20"};
    f.freePorts = {20};
    const PortList list = f.scan(1, 16);
    EXPECT_TRUE(f.probed.contains(20));
    EXPECT_TRUE(list.entries.isEmpty());
}

TEST(PortDiscovery, NothingFoundGivesAnEmptyListAndTheBalloon)
{
    ScanFixture f;
    f.deviceMapStatus = 2;   // no device list at all
    const PortList list = f.scan();
    EXPECT_TRUE(list.entries.isEmpty());
    EXPECT_EQ(list.editText, QStringLiteral("Please select..."));
    const auto shown = f.prompts.shown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].kind, QStringLiteral("balloon"));
    EXPECT_TRUE(shown[0].text.startsWith(QStringLiteral("No COM ports have been found on your PC")));
    EXPECT_TRUE(shown[0].text.endsWith(QStringLiteral("before trying the 'Rescan PC for new ports' button")));
    EXPECT_EQ(shown[0].title, QStringLiteral("Tolvi"));
}

TEST(PortDiscovery, DeviceListFailureEndsTheScanWithoutAList)
{
    ScanFixture f;
    f.deviceMapStatus = 5;
    f.freePorts = {1};
    const PortList list = f.scan();
    EXPECT_TRUE(list.entries.isEmpty());
    EXPECT_TRUE(list.editText.isEmpty());
    EXPECT_TRUE(f.probed.isEmpty());
    EXPECT_EQ(f.prompts.texts_of(QStringLiteral("message")), QStringList{QStringLiteral("Error searching the Registry!")});
    EXPECT_TRUE(f.logLines.contains(QStringLiteral("Error searching the registry (0x0005)")));
}

TEST(PortDiscovery, EntryPortNumbers)
{
    struct Case { const char* entry; int port; };
    const Case cases[] = {{"COM Port 7", 7}, {"COM Port 256", 256}, {"COM Port 33 - /dev/ttyUSB0 FT232R USB UART", 33},
        {"COM Port 2 - /dev/ttyS1", 2}, {"----------------------------", 0},
        {"net://192.168.1.5:8899", 0}, {"Please select...", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(PortEntry::portNumber(QString::fromLatin1(c.entry)), c.port) << c.entry;
}

TEST(PortDiscovery, NetworkEntryParsing)
{
    struct Case { const char* entry; const char* host; int port; };
    const Case cases[] = {
        {"net://10.0.0.5:8899", "10.0.0.5", 8899},
        {"net://bridge.local:8899", "bridge.local", 8899},
        {"net://fe80:1:8899", "fe80", 1},          // the host is cut at the first ":"
        {"net://a:b:8899", "a", 0},
        {"net://host:Unknown", "host", 0},
        {"net://host", "host", 0},
    };
    for (const Case& c : cases) {
        const auto address = ParseNetworkEntry(QString::fromLatin1(c.entry));
        ASSERT_TRUE(address) << c.entry;
        EXPECT_EQ(address->host, QString::fromLatin1(c.host)) << c.entry;
        EXPECT_EQ(address->port, c.port) << c.entry;
    }
    EXPECT_FALSE(ParseNetworkEntry(QStringLiteral("COM Port 3")));
}

TEST(PortDiscovery, NewNetworkEntryTakesTheBridgesPlaceAndTheBox)
{
    const QString sep = PortEntry::Separator, bridge = QStringLiteral("net://10.0.0.9:8899");
    struct Case {
        const char* name;
        QStringList before;
        QStringList after;
    };
    const Case cases[] = {
        {"no bridge listed", {"COM Port 1", sep, "COM Port 3"}, {"COM Port 1", sep, "COM Port 3", sep, bridge}},
        {"an earlier bridge", {"COM Port 1", sep, sep, "net://10.0.0.5:8899"}, {"COM Port 1", sep, sep, bridge}},
        {"an empty list", {}, {sep, bridge}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PortList shown = WithNetworkEntry(PortList{c.before, QStringLiteral("COM Port 1")}, bridge);
        EXPECT_EQ(shown.entries, c.after);
        EXPECT_EQ(shown.editText, bridge);
    }
}

TEST(PortDiscovery, PortHeldByAnotherProgramIsLeftOut)
{
    ModelRig rig;
    SilentLine held;
    SilentLine free;
    rig.portMap.addOverride(4, held.path());
    rig.portMap.addOverride(7, free.path());
    rig.devices = {QStringLiteral("\\Device\\Serial4=COM4"), QStringLiteral("\\Device\\VCP0=COM7")};

    PortMap otherMap;
    otherMap.addOverride(4, held.path());
    SerialPortTable otherProgram(rig.log, otherMap);
    QString name = QStringLiteral("4");
    ASSERT_EQ(otherProgram.CommOpen(1, name, SerialPortTable::InstrumentSettings), 0);

    rig.logTexts.clear();
    rig.model->rescanPorts();
    // A pseudo-terminal has no adapter name: the entry shows its path.
    EXPECT_EQ(rig.model->portEntries(), (QStringList{"COM Port 7 - " + free.path(), Sep}));
    EXPECT_EQ(rig.model->portEditText(), QStringLiteral("Please select..."));
    EXPECT_TRUE(rig.logged(QStringLiteral("System Error when accessing ") + held.path()));
}
