#include "InstrumentRig.h"
#include "instrument/SampleMemory.h"
#include "instrument/SlotDecoder.h"
#include "link/FirmwareFlags.h"
#include "link/SettingsStore.h"
#include "shell/TimeConv.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace tolviM;

namespace {

struct SlotBytes {
    uint8_t flags = 0x20;          // battery good
    uint32_t time = 1300000000;
    uint16_t peak = 0, timed = 0, area = 0;
    uint8_t limit = 1, mode = 0;
    uint16_t tenths = 0;
    QByteArray climate = QByteArray::fromHex("271258");   // 25.0 oC, 60.0 %rh

    QByteArray hex() const
    {
        QByteArray bytes;
        bytes.append(char(flags));
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.append(char(time >> shift));
        for (uint16_t word : {peak, timed, area}) {
            bytes.append(char(word >> 8));
            bytes.append(char(word));
        }
        bytes.append(char(limit << 4 | mode << 2 | (tenths >> 8 & 3)));
        bytes.append(char(tenths));
        bytes.append(climate);
        return bytes.toHex().toUpper();
    }
};

FirmwareFlags NewBand()
{
    FirmwareFlags flags;
    flags.FwNewSlotStatus = true;
    return flags;
}

FirmwareFlags OldBand()
{
    FirmwareFlags flags;
    flags.FwOldSlotStatus = true;
    return flags;
}

}

TEST(SlotDecoding, ReadingsScalesAndFields)
{
    struct Case {
        const char* name;
        SlotBytes bytes;
        float peak, reading, mgm;
    };
    SlotBytes limit4;
    limit4.limit = 4, limit4.mode = 1, limit4.peak = 0x01F4;
    SlotBytes noReading;
    noReading.mode = 1, noReading.peak = 0xFFFF;
    SlotBytes timed;
    timed.timed = 1000;
    SlotBytes unknownMode;
    unknownMode.mode = 3, unknownMode.peak = 100;
    SlotBytes area;
    area.mode = 2, area.area = 2500, area.limit = 4;
    const float mgmOfOnePpm = float(3040.76325 / ((25.0 + 273.15) * 8.314472));
    const Case cases[] = {
        {"limit 4 peak", limit4, 5.0f, 5.0f, 5.0f * mgmOfOnePpm},
        {"peak FFFF", noReading, -0.001f, -0.001f, -1.0f},
        {"timed", timed, 0.0f, 1.0f, mgmOfOnePpm},
        {"mode 3", unknownMode, 0.1f, -1.0f, -1.0f},
        {"area limit 4", area, 0.0f, 25.0f, 25.0f * mgmOfOnePpm},
    };
    for (const Case& c : cases) {
        const SlotRecord slot = DecodeSlot(c.bytes.hex(), FirmwareFlags{});
        EXPECT_FLOAT_EQ(slot.PeakReading, c.peak) << c.name;
        EXPECT_FLOAT_EQ(slot.Reading, c.reading) << c.name;
        EXPECT_NEAR(slot.ReadingMGM, c.mgm, 1e-5) << c.name;
        EXPECT_EQ(slot.RawHex, QString::fromLatin1(c.bytes.hex())) << c.name;
    }
}

TEST(SlotDecoding, TemperatureHumidityTenthsAndTime)
{
    SlotBytes bytes;
    bytes.limit = 2, bytes.mode = 2, bytes.tenths = 0x3FF, bytes.time = 0;
    SlotRecord slot = DecodeSlot(bytes.hex(), FirmwareFlags{});
    EXPECT_FLOAT_EQ(slot.Temperature, 25.0f);   // the two low bits of byte 14 belong to the humidity
    EXPECT_FLOAT_EQ(slot.Humidity, 60.0f);
    EXPECT_FLOAT_EQ(slot.TenthsValue, 102.3f);
    EXPECT_EQ(slot.Limit, 2);
    EXPECT_EQ(slot.SampleMode, 2);
    EXPECT_EQ(slot.TimeStamp, EarliestSlotTime);   // floored at 1 January 2008
    EXPECT_EQ(slot.SampleTime, UTC2VB(EarliestSlotTime));

    bytes.climate = QByteArray::fromHex("FC1B00");   // word FC18 after clearing: -1000; humidity 0x300
    bytes.time = 1300000000;
    slot = DecodeSlot(bytes.hex(), FirmwareFlags{});
    EXPECT_FLOAT_EQ(slot.Temperature, -2.5f);
    EXPECT_FLOAT_EQ(slot.Humidity, 76.8f);
    EXPECT_EQ(slot.TimeStamp, 1300000000);
}

TEST(SlotDecoding, FlagBitsAndStatusRulesByBand)
{
    struct Case {
        const char* name;
        uint8_t flags;
        FirmwareFlags band;
        bool status, ready, notReady, settling, offset, gate, remote, firstInSchedule, lowBattery;
    };
    FirmwareFlags firstInSchedule = NewBand();
    firstInSchedule.FwFirstInSchedule = true;
    FirmwareFlags quirk;
    quirk.FwRemoteQuirk = true;
    const Case cases[] = {
        // no status band: bit 7 stays a plain bit
        {"no band", 0xA7, FirmwareFlags{}, false, false, false, false, true, true, false, false, false},
        {"new ready", 0xA3, NewBand(), true, true, false, false, false, false, false, false, false},
        {"new not ready", 0xA2, NewBand(), true, false, true, false, false, false, false, false, false},
        {"new no status", 0x22, NewBand(), false, false, false, false, true, false, false, false, false},
        {"old ready", 0xA6, OldBand(), true, true, false, false, true, false, false, false, false},
        {"old settling", 0xA5, OldBand(), true, false, true, true, false, false, false, false, false},
        {"first in schedule", 0x38, firstInSchedule, false, false, false, false, false, false, false, true, false},
        {"remote kept", 0x30, NewBand(), false, false, false, false, false, false, true, false, false},
        {"remote quirk", 0x30, quirk, false, false, false, false, false, false, false, false, false},
        {"low battery", 0x00, FirmwareFlags{}, false, false, false, false, false, false, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.name);
        SlotBytes bytes;
        bytes.flags = c.flags;
        const SlotRecord slot = DecodeSlot(bytes.hex(), c.band);
        EXPECT_EQ(slot.Flags, c.flags) << c.name;
        EXPECT_EQ(slot.Status, c.status) << c.name;
        EXPECT_EQ(slot.Ready, c.ready) << c.name;
        EXPECT_EQ(slot.NotReady, c.notReady) << c.name;
        EXPECT_EQ(slot.Settling, c.settling) << c.name;
        EXPECT_EQ(slot.Offset, c.offset) << c.name;
        EXPECT_EQ(slot.Gate, c.gate) << c.name;
        EXPECT_EQ(slot.Remote, c.remote) << c.name;
        EXPECT_EQ(slot.FirstInSchedule, c.firstInSchedule) << c.name;
        EXPECT_EQ(slot.LowBattery, c.lowBattery) << c.name;
        EXPECT_EQ(slot.Bit7, (c.flags & 0x80) && !c.status && !c.band.FwNewSlotStatus && !c.band.FwOldSlotStatus)
            << c.name;
    }
}

TEST(SlotDecoding, NotReadyPeakIsKept)
{
    SlotBytes bytes;
    bytes.flags = 0xA0, bytes.mode = 1, bytes.peak = 500;
    const SlotRecord slot = DecodeSlot(bytes.hex(), NewBand());
    EXPECT_TRUE(slot.NotReady);
    EXPECT_FLOAT_EQ(slot.SavedPeakReading, 0.5f);
    EXPECT_FLOAT_EQ(slot.PeakReading, -0.001f);
    EXPECT_FLOAT_EQ(slot.ReadingMGM, -1.0f);
}

TEST(FramSlot, OldBandSwitchesToTheNewAfterTheFirstSlot)
{
    InstrumentRig rig;
    SlotBytes bytes;
    bytes.flags = 0xA2;   // status, offset set, bit 0 clear
    bytes.peak = 700;
    rig.memory.setReply("J0100010001", "J030001" + bytes.hex());
    rig.memory.setReply("J0100020001", "J030002" + bytes.hex());
    rig.start();
    rig.link.firmwareFlags() = OldBand();

    const SlotRecord first = GetFRAMSlot(rig.link, rig.services, 1);
    EXPECT_TRUE(first.Ready);           // old band: the offset bit is the ready bit
    EXPECT_TRUE(first.Offset);
    EXPECT_TRUE(rig.link.firmwareFlags().FwNewSlotStatus);
    const SlotRecord second = GetFRAMSlot(rig.link, rig.services, 2);
    EXPECT_TRUE(second.NotReady);       // new band: bit 0 is the ready bit
    EXPECT_FALSE(second.Offset);
    EXPECT_FLOAT_EQ(second.SavedPeakReading, 0.7f);
    EXPECT_EQ(rig.received(), (QList<QByteArray>{"J0100010001", "J0100020001"}));
}

TEST(FramSlot, BadReplyGivesTheEmptyRecord)
{
    InstrumentRig rig;
    rig.start();
    const SlotRecord slot = GetFRAMSlot(rig.link, rig.services, 0x1A2B);
    EXPECT_TRUE(slot.RawHex.isEmpty());
    EXPECT_EQ(slot.TimeStamp, 0);
    EXPECT_EQ(rig.received().size(), 6);
    EXPECT_EQ(rig.received().first(), "J011A2B0001");
    EXPECT_TRUE(rig.hasLine("Bad reply to FRAM Read - skipping!", SessionLog::Problem));
}

TEST(FramSlot, UnknownModeIsLogged)
{
    InstrumentRig rig;
    SlotBytes bytes;
    bytes.mode = 3;
    rig.memory.setReply("J0100050001", "J030005" + bytes.hex());
    rig.start();
    EXPECT_FLOAT_EQ(GetFRAMSlot(rig.link, rig.services, 5).Reading, -1.0f);
    EXPECT_TRUE(rig.hasLine("Unknown sampling mode in slot", SessionLog::Warning));
}

namespace {

class FramDetails : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile file(settingsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[FRAM]\r\nx=0\r\n\r\n[RTC]\r\nx=False\r\n");
    }
    QString settingsPath() const { return QDir(rig.info.RecordFolder).filePath("settings.txt"); }
    QString escalation() const { return StoreReadText(settingsPath(), "FRAM", "x", "missing"); }

    InstrumentRig rig;
};

}

TEST_F(FramDetails, StatusReplyGivesCapacityAndFill)
{
    rig.memory.setEeprom(0x01E9, QByteArray::fromHex("02020500"));
    rig.memory.setReply("J00", "J040007");
    rig.memory.setReply("S03", "S03" "1000" "0000" "0010" "0123");
    rig.start();
    EXPECT_EQ(GetFRAMDetails(rig.link, rig.services, rig.info), 2);
    EXPECT_EQ(rig.info.SlotsTotal, 0x1000);
    EXPECT_EQ(rig.info.SlotsUsed, 0x123);
    EXPECT_EQ(rig.info.FRAMMap, 5);
    EXPECT_TRUE(rig.hasLine("Record Offset : 16", SessionLog::Info));
    EXPECT_TRUE(rig.hasLine("2 fitted (original count was 2) MAP:00000101", SessionLog::Info));
    EXPECT_TRUE(rig.hasLine("291 slots out of 4096 hold data.", SessionLog::Info));
    EXPECT_EQ(rig.received(), (QList<QByteArray>{"G01E904", "J00", "S03"}));
    EXPECT_EQ(escalation(), "0");
}

TEST_F(FramDetails, MissingStatusReplyMeans2048SlotsPerChip)
{
    rig.memory.setEeprom(0x01E9, QByteArray::fromHex("03030700"));
    rig.memory.setReply("J00", "J040000");
    rig.start();   // "S03" gets a spoilt reply: not a good one
    EXPECT_EQ(GetFRAMDetails(rig.link, rig.services, rig.info), 3);
    EXPECT_EQ(rig.info.SlotsTotal, 3 * 2048);
    EXPECT_EQ(rig.info.SlotsUsed, 0);
    EXPECT_EQ(rig.received(), (QList<QByteArray>{"G01E904", "J00", "S03"}));   // "S03" is not retried
    EXPECT_EQ(rig.logged(SessionLog::Info).filter(QRegularExpression("^0 slots out of ")).size(), 1);
}

TEST_F(FramDetails, StatusReplyWithWrongPrefixEndsTheProcedure)
{
    rig.memory.setEeprom(0x01E9, QByteArray::fromHex("01010100"));
    rig.memory.setReply("J00", "J040001");
    rig.memory.setReply("S03", "X03");
    rig.start();
    EXPECT_EQ(GetFRAMDetails(rig.link, rig.services, rig.info), 0);
}

TEST_F(FramDetails, ChipErrorsEscalateOverConnectionsAndReset)
{
    rig.memory.setReply("J00", "J040004");
    rig.start();
    const QString powerCycle = "There is a problem with the memory on this instrument, please download any data now "
                               "and cycle the instrument power as soon as possible.";
    const QString contactAgent = "There may be a persistent problem with the memory on this instrument, please "
                                 "contact your agent as soon as possible.";
    for (int connection = 1; connection <= 6; ++connection) {
        rig.memory.setEeprom(0x01E9, QByteArray::fromHex("01020302"));   // 1 chip originally, 2 now, 2 errors
        rig.prompts.clear();
        rig.responder->clearReceived();
        EXPECT_EQ(GetFRAMDetails(rig.link, rig.services, rig.info), 1) << connection;
        EXPECT_EQ(rig.received(), (QList<QByteArray>{"G01E904", "J00", "S03", "B01E9FFFFFF00"})) << connection;
        EXPECT_EQ(rig.memory.eeprom(0x01E9, 4), QByteArray::fromHex("FFFFFF00"));
        EXPECT_EQ(escalation(), QString::number(connection));
        EXPECT_EQ(rig.prompts.texts_of("balloon"), QStringList{connection <= 4 ? powerCycle : contactAgent})
            << connection;
    }
    EXPECT_TRUE(rig.hasLine("FRAM count error = 2", SessionLog::Warning));
    EXPECT_TRUE(rig.hasLine("There may be a problem with the FRAM chips, please contact your agent.",
        SessionLog::Problem));

    // A connection without errors starts the count again.
    rig.memory.setEeprom(0x01E9, QByteArray::fromHex("01010100"));
    rig.prompts.clear();
    EXPECT_EQ(GetFRAMDetails(rig.link, rig.services, rig.info), 1);
    EXPECT_EQ(escalation(), "0");
    EXPECT_TRUE(rig.prompts.texts_of("balloon").isEmpty());
}
