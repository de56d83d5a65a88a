#include "SimMemoryImage.h"
#include "SimPortsFile.h"
#include "SimTestSupport.h"
#include "TempFolder.h"
#include "link/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace simtest;

namespace {

QByteArray Read(SimEngine& engine, const char* request) { return PayloadOf(Ask(engine, request).value(0)); }

// Slot byte 0 by kind and firmware band: status and ready bits where the
// band has them, first-in-schedule as remote plus scheduled from 1.47/2.19.
TEST(SimSlotEncoding, FlagByteFollowsKindAndFirmwareBand)
{
    using K = SimSlotKind;
    struct Case {
        const char* firmware;
        K kind;
        quint8 flags;
    };
    const Case cases[] = {
        {"V2.31", K::Manual, 0xA1}, {"V2.31", K::Scheduled, 0xA9}, {"V2.31", K::FirstInSchedule, 0xB9},
        {"V2.31", K::Remote, 0xB1}, {"V2.31", K::NoReading, 0xA0}, {"V2.31", K::LowBattery, 0x81},
        {"V2.31", K::Uncalibrated, 0xE1}, {"V2.16", K::FirstInSchedule, 0xA9}, {"V1.43", K::Manual, 0xA2},
        {"V1.43", K::NoReading, 0xA1}, {"V1.43", K::FirstInSchedule, 0xAA}, {"V1.08", K::Manual, 0x20},
        {"V1.08", K::Scheduled, 0x28}, {"V2.10", K::Manual, 0x20}, {"V2.31", K::Limit4, 0xA1},
    };
    for (const Case& c : cases) {
        SimSlotEntry slot;
        slot.kind = c.kind;
        const QByteArray bytes = EncodeSlot(slot, SimFirmwareBand::fromFirmwareString(QString::fromLatin1(c.firmware)));
        EXPECT_EQ(quint8(bytes[0]), c.flags) << c.firmware << " " << SimSlotKindName(c.kind).toStdString();
    }
}

TEST(SimSlotEncoding, FieldsLandWhereTheDecoderReadsThem)
{
    SimSlotEntry slot;
    slot.time = 1199145600;
    slot.ppm = 5.0;
    slot.mode = 1;
    slot.limit = 4;        // stored as a tenth: 500
    slot.temperature = 25.0;
    slot.humidity = 60.0;
    slot.tenths = 25.6;    // 256: the top bits share byte 11
    const QByteArray b = EncodeSlot(slot, SimFirmwareBand::fromFirmwareString(QStringLiteral("V2.31")));
    EXPECT_EQ(b.mid(1, 4).toHex(), QByteArray("47798280"));
    EXPECT_EQ(b.mid(5, 2).toHex(), QByteArray("01f4"));
    EXPECT_EQ(quint8(b[11]), 0x45);
    EXPECT_EQ(quint8(b[12]), 0x00);
    EXPECT_EQ(b.mid(13, 3).toHex(), QByteArray("271258"));

    slot.limit = 1;
    slot.kind = SimSlotKind::Limit4;
    EXPECT_EQ(EncodeSlot(slot, SimFirmwareBand::fromFirmwareString(QStringLiteral("V2.31"))), b);

    slot.kind = SimSlotKind::NoReading;
    const QByteArray none = EncodeSlot(slot, SimFirmwareBand::fromFirmwareString(QStringLiteral("V2.31")));
    EXPECT_EQ(none.mid(5, 6).toHex(), QByteArray("ffffffffffff"));
}

TEST(SimScenarioFile, FieldsReachTheInstrumentsMemory)
{
    const QByteArray json = R"({
        "identity": {"firmware": "V1.43", "serial": 65536, "serialType": 5, "usage": -1},
        "dates": {"manufactured": "2009-12-31", "calibrated": null},
        "measurement": {"mode": 2, "limit": 4, "mgmFactorStep": 7},
        "calibration": {"calibrated": false},
        "limitTable": "0102030405060708090A0B0C0D0E0F1011121314",
        "fram": {"original": 4, "fitted": 3, "map": 7, "errors": 2, "capacity": 100},
        "switches": {"memoryFullStop": true, "shortSensor": true, "remoteSave": true, "parkSensor": false},
        "slots": ["A1000000000001000200030410005000",
                  {"kind": "lowBattery", "time": "2026-11-02T08:00:00Z", "ppm": 1.5, "mode": 0},
                  {"generate": {"count": 3, "start": 1793606400, "kinds": ["remote"], "modes": [2]}}],
        "eventLogs": [{"log": 3, "entry": 7, "time": 100, "bytes": "FF38"}],
        "eeprom": {"0x0020": "64", "0059": "00"},
        "schedule": {"state": 2}
    })";
    QString error;
    const auto scenario = SimScenarioFromJson(json, &error);
    ASSERT_TRUE(scenario) << error.toStdString();
    SimEngine engine(*scenario, FixedUtc);
    const std::pair<const char*, const char*> cases[] = {
        {"G010904", "G010905010000"}, {"G000902", "G0009FFFF"}, {"G010003", "G0100311209"},
        {"G010303", "G0103FFFFFF"}, {"G002102", "G00210204"}, {"G007102", "G00710107"},
        {"G000501", "G000543"}, {"E010106", "E0101010203040506"}, {"G01E904", "G01E904030702"},
        {"S03", "S030064000000000005"}, {"G020001", "G0200FF"}, {"G005401", "G0054FF"},
        {"G01F301", "G01F3FF"}, {"G01F002", "G01F00000"}, {"G002001", "G002064"}, {"G005901", "G005900"},
        {"A04", "A0002"}, {"G100307", "G1003070000006" "4FF38"}, {"J0100010001", "J030001A1000000000001000200030410005000"},
    };
    for (const auto& [request, reply] : cases)
        EXPECT_EQ(Read(engine, request), QByteArray(reply)) << request;
    // The low-battery slot on this band: status, ready in bit 1, battery bit clear.
    EXPECT_EQ(Read(engine, "J0100020001").mid(7, 2), QByteArray("82"));
}

TEST(SimScenarioFile, BadFieldsAreNamed)
{
    const std::pair<const char*, const char*> cases[] = {
        {"{", "not valid JSON"},
        {"[1]", "JSON object"},
        {R"({"measurement": {"mode": "peak"}})", "\"mode\""},
        {R"({"dates": {"serviced": "31/12/2009"}})", "\"serviced\""},
        {R"({"slots": [{"kind": "sideways"}]})", "sideways"},
        {R"({"slots": ["ABC"]})", "raw slot"},
        {R"({"limitTable": "0102"})", "\"limitTable\""},
        {R"({"eeprom": {"0x0500": "00"}})", "0x0500"},
        {R"({"faults": {"noReply": ["S:x"]}})", "faults"},
        {R"({"slots": [{"generate": {"count": 2, "modes": [7]}}]})", "\"modes\""},
        {R"({"slots": [{"generate": {"count": 65535}}, "28123456789ABCDEF0123456789ABCDE"]})",
            "more than 65535 slots"},
    };
    for (const auto& [json, mention] : cases) {
        QString error;
        EXPECT_FALSE(SimScenarioFromJson(json, &error)) << json;
        EXPECT_TRUE(error.contains(QString::fromLatin1(mention))) << json << " -> " << error.toStdString();
    }
    QString error;
    EXPECT_FALSE(LoadSimScenario(QStringLiteral("/nonexistent/scenario.json"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("/nonexistent/scenario.json")));
}

// A value of the wrong kind is refused by name instead of standing in for a
// default the file never asked for.
TEST(SimScenarioFile, ValuesOfTheWrongKindAreRefused)
{
    const std::pair<const char*, const char*> cases[] = {
        {R"({"schedule": [1, 2]})", "\"schedule\" must be an object"},
        {R"({"faults": "stop"})", "\"faults\" must be an object"},
        {R"({"slots": {"kind": "manual"}})", "\"slots\" must be a list"},
        {R"({"slots": [null]})", "\"slots\""},
        {R"({"slots": [{"generate": 3}]})", "\"generate\" must be an object"},
        {R"({"slots": [{"generate": {"count": 2, "kinds": "manual"}}]})", "\"kinds\" must be a list"},
        {R"({"slots": [{"generate": {"count": 2, "limits": [2.5]}}]})", "\"limits\""},
        {R"({"slots": [{"time": -1e300}]})", "\"time\""},
        {R"({"slots": [{"time": 253402300800}]})", "\"time\""},
        {R"({"eventLogs": [7]})", "\"eventLogs\""},
        {R"({"timing": {"baud": 1e300}})", "\"baud\""},
        {R"({"faults": {"closeAfterSlots": 2.5}})", "\"closeAfterSlots\""},
        {R"({"faults": {"stopStreamAfter": 1e300}})", "\"stopStreamAfter\""},
    };
    for (const auto& [json, mention] : cases) {
        QString error;
        EXPECT_FALSE(SimScenarioFromJson(json, &error)) << json;
        EXPECT_TRUE(error.contains(QString::fromLatin1(mention))) << json << " -> " << error.toStdString();
    }

    // The edges of what is right still load.
    QString error;
    const auto edges = SimScenarioFromJson(R"({"clock": {"offsetSeconds": -253402300799},
        "slots": [{"time": 253402300799}], "faults": {"stopStreamAfter": -1, "closeAfterSlots": 0}})", &error);
    ASSERT_TRUE(edges) << error.toStdString();
    EXPECT_EQ(edges->clockOffsetSeconds, -253402300799);
    EXPECT_EQ(edges->slots.value(0).time, 253402300799);
    EXPECT_EQ(edges->faults.stopStreamAfter, -1);
    const auto full = SimScenarioFromJson(R"({"slots": [{"generate": {"count": 65534}}, {"kind": "manual"}]})", &error);
    ASSERT_TRUE(full) << error.toStdString();
    EXPECT_EQ(full->slots.size(), MaxSimSlots);
    EXPECT_EQ(edges->faults.closeAfterSlots, 0);
}

// What the instrument went through (writes, erases, clock, schedule) comes
// back when its saved state starts a new one.
TEST(SimScenarioFile, SavedStateStartsTheSameInstrument)
{
    TempFolder tmp;
    QDateTime pc = FixedUtc();
    SimEngine first(DefaultSimScenario(), [&pc] { return pc; });
    for (const char* change : {"B0048FF", "J020010", "K26060707140509", "A01017F3C00000001FFFF0005", "A02"})
        Ask(first, change);
    const QString path = tmp.file(QStringLiteral("state.json"));
    QString error;
    ASSERT_TRUE(first.writeState(path, &error)) << error.toStdString();

    const auto reloaded = LoadSimScenario(path, &error);
    ASSERT_TRUE(reloaded) << error.toStdString();
    SimEngine second(*reloaded, [&pc] { return pc; });
    for (const char* request : {"G004804", "J00", "J0100050001", "K", "A00", "A04", "E009806", "G100000", "S03"})
        EXPECT_EQ(Read(second, request), Read(first, request)) << request;
}

TEST(SimScenarioFile, DefaultScenarioHasAFewHundredVariedSlots)
{
    SimEngine engine(DefaultSimScenario(), FixedUtc);
    const auto slots = engine.inspect([](const SimInstrument& i) { return i.slots(); });
    EXPECT_GE(slots.size(), 200);
    QSet<quint8> flagBytes, modeLimit;
    for (const QByteArray& s : slots) {
        flagBytes.insert(quint8(s[0]));
        modeLimit.insert(quint8(s[11]) & 0xFC);
    }
    EXPECT_GE(flagBytes.size(), 7);  // every kind
    EXPECT_GE(modeLimit.size(), 6);  // modes and limits
}

TEST(SimPortsFileTest, EntersThePortAndKeepsTheRest)
{
    struct Case {
        const char* before; // nullptr: no file
        std::pair<const char*, const char*> kept; // an entry of section "Ports" that must stay, or none
    };
    const Case cases[] = {
        {nullptr, {nullptr, nullptr}},
        {"[Refresh]\r\nCycles=10\r\n", {nullptr, nullptr}},
        {"[Ports]\r\n3=/dev/ttyUSB0\r\n\r\n[Other]\r\nx=1\r\n", {"3", "/dev/ttyUSB0"}},
        {"[Ports]\r\n99=/dev/pts/2\r\n4=/dev/ttyS9\r\n", {"4", "/dev/ttyS9"}},
    };
    for (const Case& c : cases) {
        TempFolder tmp;
        const QString path = tmp.file(QStringLiteral("app.txt"));
        if (c.before) {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.before);
        }
        QString error;
        ASSERT_TRUE(WritePortToPortsFile(path, 99, QStringLiteral("/dev/pts/7"), &error)) << error.toStdString();
        auto entry = [&path](const QString& section, const char* name) {
            QVariant value;
            StoreRead(path, section, QString::fromLatin1(name), QStringLiteral("S"), QString(), value);
            return value.toString();
        };
        const char* label = c.before ? c.before : "(no file)";
        EXPECT_EQ(entry(QStringLiteral("Ports"), "99"), QStringLiteral("/dev/pts/7")) << label;
        if (c.kept.first) {
            EXPECT_EQ(entry(QStringLiteral("Ports"), c.kept.first), QString::fromLatin1(c.kept.second)) << label;
        }
        if (c.before && QByteArray(c.before).contains("Cycles")) {
            EXPECT_EQ(entry(QStringLiteral("Refresh"), "Cycles"), QStringLiteral("10"));
        }
    }
    QString error;
    EXPECT_FALSE(WritePortToPortsFile(QStringLiteral("/nonexistent/dir/app.txt"), 99, QStringLiteral("/dev/pts/7"), &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace

namespace {

// The scenario files shipped for trying and training all load and start.
TEST(SimScenarioFile, ShippedScenariosLoad)
{
    const QDir folder(QStringLiteral(TOLVI_SOURCE_DIR "/sim/scenarios"));
    const QStringList files = folder.entryList({QStringLiteral("*.json")}, QDir::Files);
    EXPECT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        QString error;
        const auto scenario = LoadSimScenario(folder.filePath(name), &error);
        ASSERT_TRUE(scenario) << error.toStdString();
        SimEngine engine(*scenario, FixedUtc);
        EXPECT_GT(engine.inspect([](const SimInstrument& i) { return i.slotsUsed(); }), 0) << name.toStdString();
    }
}

} // namespace
