#include "InstrumentRig.h"
#include "instrument/Measurement.h"

#include <gtest/gtest.h>

using namespace tolviM;

TEST(MeasurementTexts, ModeLimitAndGateNames)
{
    struct Case {
        uint8_t mode, limit, gtn, a2t;
        QString modeText, limitText, gateText, modeLog;
    };
    const Case cases[] = {
        {0, 1, 0, 1, "Timed Sample", "QRA", "GTN unused A2T in use", "Time (0)"},
        {1, 2, 1, 0, "Peak Detection", "QRB", "GTN in use A2T unused", "Peak (1)"},
        {2, 3, 5, 5, "Area Calculation", "QRA+", "GTN in use A2T in use", "Area (2)"},
        {3, 4, 0, 0, "Unknown Mode", "QRA++", "GTN unused A2T unused", "3 : Unknown"},
        {0, 0, 0, 0, "Timed Sample", "Unknown Limit!", "GTN unused A2T unused", "Time (0)"},
        {0, 5, 0, 0, "Timed Sample", "Unknown Limit!", "GTN unused A2T unused", "Time (0)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << int(c.mode) << " limit " << int(c.limit) << " gtn " << int(c.gtn) << " a2t " << int(c.a2t));
        InstrumentRig rig;
        rig.memory.setEeprom(0x0021, QByteArray(1, char(c.mode)));
        rig.memory.setEeprom(0x0022, QByteArray(1, char(c.limit)));
        rig.memory.setEeprom(0x004C, QByteArray(1, char(c.gtn)));
        rig.memory.setEeprom(0x0057, QByteArray(1, char(c.a2t)));
        rig.start();
        EXPECT_EQ(GetMode(rig.link, rig.services), c.mode);
        EXPECT_EQ(GetLimit(rig.link, rig.services), c.limit);
        EXPECT_EQ(GetModeString(rig.link, rig.services), c.modeText);
        EXPECT_EQ(GetLimitString(rig.link, rig.services), c.limitText);
        EXPECT_EQ(GetGateString(rig.link, rig.services), c.gateText);
        EXPECT_TRUE(rig.hasLine(c.modeLog, SessionLog::Info)) << c.modeLog.toStdString();
        EXPECT_TRUE(rig.hasLine("Gate is " + c.gateText, SessionLog::Info));
        EXPECT_EQ(rig.received(),
            (QList<QByteArray>{"G002101", "G002201", "G002101", "G002201", "G004C01", "G005701"}));
    }
}

TEST(MeasurementTexts, GateKeepsTheFirstPartWhenTheSecondReadFails)
{
    InstrumentRig rig;
    rig.memory.setEeprom(0x004C, QByteArray(1, '\x01'));
    rig.start([&rig](const QByteArray& payload) {
        return payload == "G005701" ? Responder::Spoilt(payload) : rig.memory.answer(payload);
    });
    EXPECT_EQ(GetGateString(rig.link, rig.services), "GTN in use");
}

TEST(MgmFactor, FixedStepOrDynamic)
{
    struct Case {
        QByteArray bytes;
        int32_t factor;
        QString logLine;
    };
    const Case cases[] = {
        {QByteArray::fromHex("0100"), 532, "Fixed at 1.0390625"},
        {QByteArray::fromHex("FFFF"), 787, "Fixed at 1.537109375"},
        {QByteArray::fromHex("0017"), -1, "Dynamic conversion"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.bytes.toHex().constData());
        InstrumentRig rig;
        rig.memory.setEeprom(0x0071, c.bytes);
        rig.start();
        EXPECT_EQ(GetMGMFactor(rig.link, rig.services), c.factor);
        EXPECT_TRUE(rig.hasLine(c.logLine, SessionLog::Info)) << c.logLine.toStdString();
        EXPECT_EQ(rig.received(), QList<QByteArray>{"G007102"});
    }
}

TEST(Calibration, TimeToPeakDigits)
{
    EXPECT_FLOAT_EQ(TimeToPeakSeconds(0x0A, 0x00), 0.0f);   // "000A" reads as 0
    EXPECT_FLOAT_EQ(TimeToPeakSeconds(0x50, 0x01), 15.0f);
    EXPECT_FLOAT_EQ(TimeToPeakSeconds(0x34, 0x12), 123.4f);
}

TEST(Calibration, RatioOfOneUsesTheUpperLimitDivisors)
{
    struct Case {
        QByteArray peakValue;   // 24-bit, most significant first
        bool limit4;
        float peakPpm;
        float areaPpm;
    };
    // Peak gain 0x0800 / 2^11 = 1.0; area gain 0x0400 / 2^10 = 1.0, area value 2000.
    const Case cases[] = {
        {QByteArray::fromHex("000FA0"), false, 1.0f, 2.0f},    // 4000: R = 1.0 exactly
        {QByteArray::fromHex("000F9F"), true, 9.9975f, 20.0f}, // 3999: R < 1, made in limit 4
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.peakValue.toHex().constData());
        InstrumentRig rig;
        rig.memory.setEeprom(0x0002, QByteArray::fromHex("00080B44") + c.peakValue);
        rig.memory.setEeprom(0x0000, QByteArray::fromHex("5001"));
        rig.memory.setEeprom(0x0028, QByteArray::fromHex("1704000AFFFFFFFF0007D0"));
        rig.start();
        EXPECT_TRUE(GetCalibration(rig.link, rig.services, rig.info));
        EXPECT_FLOAT_EQ(rig.info.PeakGain, 1.0f);
        EXPECT_EQ(rig.info.PeakGainMantissa, 0x0800);
        EXPECT_EQ(rig.info.PeakGainExponent, 11);
        EXPECT_FLOAT_EQ(rig.info.AreaGain, 1.0f);
        EXPECT_FLOAT_EQ(rig.info.TimeToPeak, 15.0f);
        EXPECT_FLOAT_EQ(rig.info.CalTemperature, 23.0f);
        EXPECT_FLOAT_EQ(rig.info.PeakValue, c.peakPpm);
        EXPECT_FLOAT_EQ(rig.info.AreaValue, c.areaPpm);
        const QStringList lines = rig.logged(SessionLog::Info);
        EXPECT_EQ(lines.filter("(in Limit 4?)").size(), c.limit4 ? 1 : 0);
        EXPECT_TRUE(lines.contains("Peak gain is 1 ( 0x0800 / 2 ^ 0x0B )"));
        EXPECT_TRUE(lines.contains("Temperature was about 23oC"));
        EXPECT_EQ(rig.received(), (QList<QByteArray>{"G000207", "G000002", "G00280B"}));
    }
}

TEST(Calibration, UncalibratedReadsAllBlocksAndWarns)
{
    InstrumentRig rig;
    rig.memory.setEeprom(0x0002, QByteArray::fromHex("00080B43000FA0"));
    rig.start();
    EXPECT_FALSE(GetCalibration(rig.link, rig.services, rig.info));
    EXPECT_FALSE(rig.info.CalibrationValid);
    EXPECT_FLOAT_EQ(rig.info.PeakValue, 4000.0f);   // raw value, not converted
    EXPECT_TRUE(rig.hasLine("Not calibrated!", SessionLog::Warning));
    EXPECT_EQ(rig.received().size(), 3);
}

TEST(FlashLimits, TableFilledAndLogged)
{
    InstrumentRig rig;
    // Limit 1 slope bytes 00 01 00 (weighted 256, 256, 1 -> 256 * 0.25), offset 0x03E8 = 1.000 ppm.
    const QByteArray table = QByteArray::fromHex("000100" "000000" "000000" "000000" "03E8" "0000" "0000" "0000");
    rig.memory.setFlash(0x0101, table);
    rig.start();
    EXPECT_EQ(GetFlashLimits(rig.link, rig.services, rig.info), 0);
    for (int k = 0; k < 20; ++k)
        EXPECT_EQ(rig.info.FlashLimits[size_t(k + 1)], uint8_t(table[k])) << k;
    EXPECT_EQ(rig.received(), (QList<QByteArray>{"E010106", "E010706", "E010D08"}));
    const QStringList lines = rig.logged(SessionLog::Info);
    EXPECT_TRUE(lines.contains("LIMIT 1 : SLOPE  = 64.000 ppb/s"));
    EXPECT_TRUE(lines.contains("        : OFFSET = 1.000 ppm"));
    EXPECT_EQ(lines.count(QString(9, ' ')), 4);
}
