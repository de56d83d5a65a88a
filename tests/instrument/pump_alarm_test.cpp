#include "InstrumentRig.h"
#include "instrument/PumpValveAlarm.h"

#include <gtest/gtest.h>

using namespace tolviM;

namespace {

const QByteArray CalibrationReads[] = {"G000207", "G000002", "G00280B"};

}

TEST(PumpValve, DeltaBytesRoundTrip)
{
    struct Case {
        uint8_t byte;
        float seconds;
    };
    const Case cases[] = {{0xFB, -0.5f}, {0x7F, 12.7f}, {0x80, -12.8f}, {0x00, 0.0f}, {0x05, 0.5f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "byte " << int(c.byte));
        InstrumentRig rig;
        // valve timed, delta; time 2.5 s; pump always, delta; start at time zero
        rig.memory.setEeprom(0x0042, QByteArray::fromHex("01") + char(c.byte) + QByteArray::fromHex("1902")
                + char(c.byte) + QByteArray::fromHex("FF"));
        rig.memory.setEeprom(0x0020, QByteArray::fromHex("FF"));
        rig.start();
        ASSERT_TRUE(GetPNVDetails(rig.link, rig.services, rig.info));
        EXPECT_FLOAT_EQ(rig.info.PumpDelta, c.seconds);
        EXPECT_FLOAT_EQ(rig.info.ValveDelta, c.seconds);
        EXPECT_FLOAT_EQ(rig.info.PumpTime, 25.5f);
        EXPECT_FLOAT_EQ(rig.info.ValveTime, 2.5f);
        EXPECT_TRUE(rig.info.PumpAlways && !rig.info.PumpTimed && !rig.info.PumpNever);
        EXPECT_TRUE(rig.info.ValveTimed && !rig.info.ValveAlways && !rig.info.ValveNever);
        EXPECT_TRUE(rig.info.SampleAtTimeZero && !rig.info.SampleAtButtonPress);

        rig.responder->clearReceived();
        rig.prompts.answers.push_back(Prompts::Answer::Yes);
        EXPECT_TRUE(SetPNVDetails(rig.link, rig.services, rig.info));
        const QByteArray delta = QByteArray(1, char(c.byte)).toHex().toUpper();
        QList<QByteArray> expected{"B0020FF", "B004201" + delta + "1902" + delta + "FF", "B000543"};
        expected += QList<QByteArray>(std::begin(CalibrationReads), std::end(CalibrationReads));
        EXPECT_EQ(rig.received(), expected);
    }
}

TEST(PumpValve, UnknownModeLeavesTheFlags)
{
    InstrumentRig rig;
    rig.info.ValveNever = true;
    rig.info.ValveTimed = true;
    rig.memory.setEeprom(0x0042, QByteArray::fromHex("030000000000"));
    rig.start();
    EXPECT_TRUE(GetPNVDetails(rig.link, rig.services, rig.info));
    EXPECT_EQ(rig.info.ValveMode, 3);
    EXPECT_TRUE(rig.info.ValveNever && rig.info.ValveTimed && !rig.info.ValveAlways);
    EXPECT_TRUE(rig.info.PumpNever);
    EXPECT_TRUE(rig.info.SampleAtButtonPress);
    EXPECT_EQ(rig.received(), (QList<QByteArray>{"G004206", "G002001"}));
    EXPECT_TRUE(rig.hasLine("Valve is in mode 3 at 0s for 0s", SessionLog::Info));
}

TEST(PumpValve, WriteResetsCalibrationAndRecordsHistory)
{
    InstrumentRig rig;
    rig.memory.setEeprom(0x0002, QByteArray::fromHex("00080B44000FA0"));
    rig.start();
    rig.info.PumpMode = 1, rig.info.PumpTime = 1.5f, rig.info.PumpDelta = -0.5f;
    rig.info.ValveMode = 2, rig.info.ValveTime = 0.3f, rig.info.ValveDelta = 1.2f;
    rig.info.SampleAtButtonPress = true;
    rig.prompts.answers.push_back(Prompts::Answer::Yes);
    EXPECT_TRUE(SetPNVDetails(rig.link, rig.services, rig.info));
    EXPECT_EQ(rig.memory.eeprom(0x0042, 6), QByteArray::fromHex("020C0301FB00"));
    EXPECT_EQ(rig.memory.eeprom(0x0020, 1), QByteArray::fromHex("0F"));
    EXPECT_EQ(rig.memory.eeprom(0x0005, 1), QByteArray::fromHex("43"));
    EXPECT_FALSE(rig.info.CalibrationValid);
    EXPECT_EQ(rig.prompts.texts_of("yesno"),
        QStringList{"You must recalibrate the instrument after altering its Pump or Valve settings. Are you sure "
                    "you wish to continue?"});
    EXPECT_EQ(rig.prompts.texts_of("message"),
        QStringList{"You must recalibrate the instrument after altering its Pump or Valve settings. The "
                    "instrument will now be set to the un-calibrated state."});
    const QStringList history = rig.historyTexts();
    ASSERT_EQ(history.size(), 11);
    EXPECT_TRUE(history[0].startsWith("::: Pump and Valve settings changed by "));
    EXPECT_EQ(history.mid(1),
        (QStringList{":", ":  Pump.Mode  = 1", ":  Pump.Delta = -0.5", ":  Pump.Time  = 1.5", ": Valve.Mode  = 2",
            ": Valve.Delta = 1.2", ": Valve.Time  = 0.3", ": Sample starts at Button Press.",
            ": Calibration reset by software.", ":"}));
}

TEST(PumpValve, RefusalsSendNothing)
{
    struct Case {
        const char* name;
        float pumpTime, valveDelta;
        Prompts::Answer answer;
        int messages;
    };
    const Case cases[] = {
        {"user says no", 1.0f, 0.0f, Prompts::Answer::No, 0},
        {"pump time over 25.5 s", 25.6f, 0.0f, Prompts::Answer::Yes, 1},
        {"valve delta under -12.8 s", 1.0f, -12.9f, Prompts::Answer::Yes, 1},
    };
    for (const Case& c : cases) {
        InstrumentRig rig;
        rig.start();
        rig.info.PumpTime = c.pumpTime;
        rig.info.ValveDelta = c.valveDelta;
        rig.prompts.answers.push_back(c.answer);
        EXPECT_FALSE(SetPNVDetails(rig.link, rig.services, rig.info)) << c.name;
        EXPECT_TRUE(rig.received().isEmpty()) << c.name;
        EXPECT_EQ(rig.prompts.texts_of("message").size(), c.messages) << c.name;
        EXPECT_TRUE(rig.historyTexts().isEmpty()) << c.name;
    }
}

TEST(PumpValve, FailedBlockWriteStillUncalibrates)
{
    InstrumentRig rig;
    rig.start([&rig](const QByteArray& payload) {
        return payload.startsWith("B0042") ? Responder::Spoilt(payload) : rig.memory.answer(payload);
    });
    rig.prompts.answers.push_back(Prompts::Answer::Yes);
    EXPECT_FALSE(SetPNVDetails(rig.link, rig.services, rig.info));
    EXPECT_EQ(rig.memory.eeprom(0x0005, 1), QByteArray::fromHex("43"));
    EXPECT_EQ(rig.prompts.texts_of("message").size(), 1);
    EXPECT_TRUE(rig.historyTexts().isEmpty());
    // The block write gets the whole shared budget.
    int blockWrites = 0;
    for (const QByteArray& payload : rig.received())
        blockWrites += payload.startsWith("B0042") ? 1 : 0;
    EXPECT_EQ(blockWrites, 6);
}

TEST(Alarm, LevelRoundTripAndHistory)
{
    InstrumentRig rig;
    rig.memory.setEeprom(0x0048, QByteArray::fromHex("FF001E64"));
    rig.memory.setEeprom(0x0059, QByteArray::fromHex("01"));
    rig.start();
    EXPECT_TRUE(GetAlarm(rig.link, rig.services, rig.info));
    EXPECT_FLOAT_EQ(rig.info.AlarmSetting, 1.0f);
    EXPECT_EQ(rig.info.AlarmDuration, 30);
    EXPECT_TRUE(rig.info.AlarmOver);
    EXPECT_TRUE(rig.hasLine("Alarm set if gt 1ppm for 30s", SessionLog::Info));

    rig.responder->clearReceived();
    EXPECT_TRUE(SetAlarm(rig.link, rig.services, rig.info));
    EXPECT_EQ(rig.received(), (QList<QByteArray>{"B0048FF", "B004A1E", "B004B64", "B0059FF"}));
    const QStringList history = rig.historyTexts();
    ASSERT_EQ(history.size(), 7);
    EXPECT_TRUE(history[0].startsWith("::: Alarm settings changed by "));
    EXPECT_EQ(history.mid(1), (QStringList{":", ": Enabled  = True", ": Duration = 30", ": Level    = 1",
                                  ": Triggers if  over level", ":"}));
}

TEST(Alarm, LevelOverTheByteIsRefused)
{
    InstrumentRig rig;
    rig.start();
    rig.info.AlarmSetting = 2.56f;
    EXPECT_FALSE(SetAlarm(rig.link, rig.services, rig.info));
    EXPECT_TRUE(rig.received().isEmpty());
    EXPECT_EQ(rig.prompts.texts_of("message").size(), 1);

    rig.info.AlarmSetting = 2.55f;
    EXPECT_TRUE(SetAlarm(rig.link, rig.services, rig.info));
    EXPECT_EQ(rig.received().at(2), "B004BFF");
}

TEST(Alarm, FailedWriteStopsWithoutHistory)
{
    InstrumentRig rig;
    rig.start([&rig](const QByteArray& payload) {
        return payload.startsWith("B004A") ? Responder::Spoilt(payload) : rig.memory.answer(payload);
    });
    EXPECT_FALSE(SetAlarm(rig.link, rig.services, rig.info));
    EXPECT_EQ(rig.received().first(), "B004800");
    EXPECT_FALSE(rig.received().contains("B005900"));
    EXPECT_TRUE(rig.historyTexts().isEmpty());
}

TEST(Switches, KeyLockAndAutoOff)
{
    InstrumentRig rig;
    rig.memory.setEeprom(0x002E, QByteArray::fromHex("1001"));
    rig.start();
    const int16_t word = GetControlSwitches(rig.link, rig.services);
    EXPECT_EQ(word, 0x1001);
    EXPECT_TRUE(rig.hasLine("Switches are 0x002e : 0001000000000001 0x002F", SessionLog::Info));
    EXPECT_TRUE(SetControlSwitches(rig.link, rig.services, word ^ 0x0001));
    EXPECT_TRUE(SetControlSwitches(rig.link, rig.services, word ^ 0x1000));
    EXPECT_EQ(rig.received(), (QList<QByteArray>{"G002E02", "B002E1000", "B002E0001"}));
}

TEST(Switches, HighBitWordsAndOutOfRange)
{
    InstrumentRig rig;
    rig.memory.setEeprom(0x002E, QByteArray::fromHex("8001"));
    rig.start();
    const int16_t word = GetControlSwitches(rig.link, rig.services);
    EXPECT_EQ(word, int16_t(0x8001));
    EXPECT_TRUE(rig.hasLine("Switches are 0x002e : 1000000000000001 0x002F", SessionLog::Info));
    EXPECT_TRUE(SetControlSwitches(rig.link, rig.services, word ^ 0x0001));
    EXPECT_FALSE(SetControlSwitches(rig.link, rig.services, 0x10000));
    EXPECT_EQ(rig.received(), (QList<QByteArray>{"G002E02", "B002E8000"}));
    EXPECT_EQ(rig.prompts.texts_of("message").size(), 1);
}
