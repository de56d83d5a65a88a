// The instrument procedures against the simulated instrument, over both
// transports: what the connection reads, and settings written and read back.
#include "InstrumentRig.h"
#include "SimHost.h"
#include "instrument/Clock.h"
#include "instrument/EepromImage.h"
#include "instrument/Identity.h"
#include "instrument/Measurement.h"
#include "instrument/PumpValveAlarm.h"
#include "instrument/SampleMemory.h"
#include "instrument/Schedule.h"
#include "Transports.h"

#include <QTimeZone>
#include <gtest/gtest.h>

using namespace tolviM;

namespace {

constexpr int SimPort = 201;
const QDateTime SimUtc(QDate(2026, 6, 7), QTime(14, 5, 9), QTimeZone::utc());

SimScenario Scenario()
{
    SimScenario scenario;
    SimSlotEntry manual;
    manual.time = 1780000000;
    manual.ppm = 1.5;
    SimSlotEntry scheduled;
    scheduled.kind = SimSlotKind::Scheduled;
    scheduled.time = 1780000600;
    scheduled.ppm = 12.0;
    scheduled.mode = 0;
    scheduled.limit = 4;
    scenario.slots = {manual, scheduled};
    scenario.schedule.enabled = true;
    scenario.eventLogs = {{1, 2, 1780000000, QByteArray::fromHex("0A0B0C")}};
    return scenario;
}

class SimInstrumentTest : public ::testing::TestWithParam<Transport> {
protected:
    void SetUp() override
    {
        SimHostOptions options;
        options.pty = GetParam() == Transport::Serial;
        options.tcp = GetParam() == Transport::Network;
        host = std::make_unique<SimHost>(Scenario(), options, [] { return SimUtc; });
        if (GetParam() == Transport::Serial) {
            rig.portMap.addOverride(SimPort, host->ptyPath());
            int port = SimPort;
            rig.link.PickComms(port);
            ASSERT_EQ(port, SimPort);
        } else {
            rig.link.setUseNetwork(true);
            ASSERT_EQ(rig.link.network().connectTo("127.0.0.1", host->tcpPort(), 5000), NetworkTransport::Connected);
        }
        // Firmware 2.31.
        auto& flags = rig.link.firmwareFlags();
        flags.FwNewSlotStatus = flags.FwFirstInSchedule = flags.FwMemoryFullInverted = true;
    }
    void TearDown() override
    {
        int closed = 0;
        rig.link.PickComms(closed);
    }
    QList<QByteArray> received() const { return host->engine().receivedPayloads(); }

    InstrumentRig rig;
    std::unique_ptr<SimHost> host;
};

}

TEST_P(SimInstrumentTest, ConnectionReads)
{
    Services& s = rig.services;
    InstrumentInfo& info = rig.info;
    EXPECT_EQ(GetSerialNumber(rig.link, s), "10234F");
    EXPECT_EQ(GetFirmwareID(rig.link, s), "V2.31");
    EXPECT_EQ(GetManDate(rig.link, s, info).date(), QDate(2021, 3, 12));
    EXPECT_EQ(GetCalDate(rig.link, s, info).date(), QDate(2026, 9, 1));
    EXPECT_EQ(GetUsage(rig.link, s), 1234);
    EXPECT_EQ(GetLimit(rig.link, s), 1);
    EXPECT_EQ(GetMode(rig.link, s), 1);
    EXPECT_TRUE(GetPNVDetails(rig.link, s, info));
    EXPECT_TRUE(GetCalibration(rig.link, s, info));
    EXPECT_FLOAT_EQ(info.PeakValue, 10.0f);   // gain 1.0 x 40000 au / 4000
    EXPECT_FLOAT_EQ(info.TimeToPeak, 12.3f);
    EXPECT_EQ(GetFlashLimits(rig.link, s, info), 0);
    EXPECT_GT(GetRTCDetails(rig.link, s, info), 0.0f);
    EXPECT_EQ(info.RTCSeconds, SimUtc.toSecsSinceEpoch());
    EXPECT_EQ(info.RTCWeekday, 7);
    EXPECT_EQ(GetFRAMDetails(rig.link, s, info), 4);
    EXPECT_EQ(info.SlotsUsed, 2);
    EXPECT_EQ(info.SlotsTotal, 4 * 2048);
    EXPECT_TRUE(GetScheduleDetails(rig.link, s, info));
    EXPECT_EQ(info.WeekMask, 124);
    EXPECT_EQ(info.Frequency, 10);
    EXPECT_TRUE(info.StopOnFull);

    QList<QByteArray> expected{"G010904"};
    for (int address = 0x30; address < 0x78; address += 6)
        expected << "E" + QByteArray::number(address, 16).toUpper().rightJustified(4, '0') + "06";
    expected << "G010003" << "G010303" << "G000902" << "G002201" << "G002101" << "G004206" << "G002001"
             << "G000207" << "G000002" << "G00280B" << "E010106" << "E010706" << "E010D08" << "K" << "G01E904"
             << "J00" << "S03" << "A00" << "G020001" << "G005401" << "A04";
    EXPECT_EQ(received(), expected);
}

TEST_P(SimInstrumentTest, SlotsAndEventLog)
{
    const SlotRecord first = GetFRAMSlot(rig.link, rig.services, 1);
    EXPECT_NEAR(first.Reading, 1.5f, 0.001f);
    EXPECT_EQ(first.TimeStamp, 1780000000);
    EXPECT_EQ(first.SampleMode, 1);
    const SlotRecord second = GetFRAMSlot(rig.link, rig.services, 2);
    EXPECT_NEAR(second.Reading, 12.0f, 0.01f);
    EXPECT_EQ(second.Limit, 4);
    EXPECT_TRUE(second.Scheduled);

    const auto entry = GetFRAMEventLog(rig.link, rig.services, 1, 2);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->timeStamp, 1780000000);
    EXPECT_EQ(entry->bytes, QByteArray::fromHex("0A0B0C"));
    EXPECT_EQ(received(), (QList<QByteArray>{"J0100010001", "J0100020001", "G100102"}));
}

TEST_P(SimInstrumentTest, SettingsWrittenAndReadBack)
{
    Services& s = rig.services;
    InstrumentInfo& info = rig.info;
    info.AlarmEnabled = true;
    info.AlarmOver = false;
    info.AlarmDuration = 12;
    info.AlarmSetting = 0.75f;
    EXPECT_TRUE(SetAlarm(rig.link, s, info));
    InstrumentInfo readBack;
    EXPECT_TRUE(GetAlarm(rig.link, s, readBack));
    EXPECT_FLOAT_EQ(readBack.AlarmSetting, 0.75f);
    EXPECT_EQ(readBack.AlarmDuration, 12);
    EXPECT_FALSE(readBack.AlarmOver);

    EXPECT_TRUE(SetControlSwitches(rig.link, s, 0x1001));
    EXPECT_EQ(GetControlSwitches(rig.link, s), 0x1001);
    EXPECT_TRUE(SetRFSFlag(rig.link, s, true));

    info.WeekMask = 0x41;
    info.Frequency = 5;
    info.StartTime = QDateTime(ZeroDate().date(), QTime(9, 30));
    info.Duration = QDateTime(ZeroDate().date(), QTime(2, 0));
    info.CounterEnabled = true;
    info.Counter = 3;
    info.StopOnFull = false;
    info.ScheduleEnabled = true;
    EXPECT_TRUE(SetScheduleDetails(rig.link, s, info));
    const QTime sentUtc = info.StartTime.time();
    EXPECT_TRUE(GetScheduleDetails(rig.link, s, readBack));
    EXPECT_EQ(readBack.StartTime.time(), QTime(9, 30));
    EXPECT_EQ(readBack.Duration.time(), QTime(2, 0));
    EXPECT_EQ(readBack.Counter, 3);
    EXPECT_TRUE(readBack.ContinueOnFull);
    EXPECT_EQ(readBack.WeekMask, 0x41);
    EXPECT_TRUE(readBack.ScheduleEnabled);
    EXPECT_EQ(sentUtc, LocalToUtcTimeOfDay(QTime(9, 30)));

    rig.prompts.answers.push_back(Prompts::Answer::Yes);
    info.PumpMode = 1, info.PumpTime = 2.0f, info.PumpDelta = -1.0f;
    EXPECT_TRUE(SetPNVDetails(rig.link, s, info));
    EXPECT_FALSE(info.CalibrationValid);   // the instrument now reports itself uncalibrated

    FillEEPROM(rig.link, s, info);
    const QByteArray eeprom = host->engine().inspect([](const SimInstrument& i) { return i.eeprom(); });
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(info.EEPROMImage.data()), 1024), eeprom.left(1024));
}

INSTANTIATE_TEST_SUITE_P(Transports, SimInstrumentTest, BothTransports(), TransportName);

// Firmware 1.08 and 1.09 answer sample-memory reads with a wrong length
// character and checksum; the repaired reply must still be read as a slot.
TEST(SimOldFirmware, RepairedSlotReplyIsDecoded)
{
    SimScenario scenario = Scenario();
    scenario.firmware = QStringLiteral("V1.08");
    InstrumentRig rig;
    SimHost host(scenario, SimHostOptions{}, [] { return SimUtc; });
    rig.portMap.addOverride(SimPort, host.ptyPath());
    int port = SimPort;
    rig.link.PickComms(port);
    ASSERT_EQ(port, SimPort);
    rig.link.firmwareFlags().FwOldSlotStatus = true;

    const SlotRecord first = GetFRAMSlot(rig.link, rig.services, 1);
    // The reply came as the old firmware sends it, and was repaired.
    const QStringList received = rig.logged(SessionLog::Received);
    ASSERT_FALSE(received.isEmpty());
    EXPECT_TRUE(received.last().startsWith("CJ03"));
    EXPECT_EQ(first.TimeStamp, 1780000000);
    EXPECT_NEAR(first.Reading, 1.5f, 0.001f);
    int closed = 0;
    rig.link.PickComms(closed);
}
