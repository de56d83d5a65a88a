#include "QtPrinters.h"
#include "ScopedEnvironment.h"
#include "instrument/EepromImage.h"
#include "link/FirmwareFlags.h"
#include "records/EepromReport.h"
#include "records/EventLogReport.h"
#include "records/KeyValueReport.h"

#include <gtest/gtest.h>

namespace {

struct EepromCase {
    const char* name;
    int address;
    QByteArray bytes;
    const char* line;   // a line the report must hold
};

// Each case changes a few bytes of an otherwise empty image.
class EepromSettingsLine : public ::testing::TestWithParam<EepromCase> {};

TEST_P(EepromSettingsLine, DecodesItsBytes)
{
    EepromReport::Image image{};
    const EepromCase& c = GetParam();
    for (int k = 0; k < c.bytes.size(); ++k)
        image[size_t(c.address + k)] = uint8_t(c.bytes[k]);
    const QStringList lines = EepromReport::Settings(image, FirmwareFlags{}, QLocale::c());
    EXPECT_TRUE(lines.contains(QLatin1String(c.line))) << lines.join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Image, EepromSettingsLine,
    ::testing::Values(EepromCase{"BrandSet", 0x0110, "  Service Co    ", "Brand=\"Service Co\""},
        EepromCase{"BrandTilde", 0x0110, "~Karvex         ", "Brand=Unset"},
        EepromCase{"BrandBlank", 0x0110, QByteArray(16, ' '), "Brand=Unset"},
        EepromCase{"FakeModeOff", 0x002C, QByteArray(2, '\0'), "FakeMode=False"},
        EepromCase{"FakeModeQX", 0x002C, "QX", "FakeMode=True ; QX"},
        EepromCase{"FakeModeQZ", 0x002C, "QZ", "FakeMode=True ; QZ"},
        EepromCase{"FakeModeOther", 0x002C, QByteArray::fromHex("5101"), "FakeMode=False ; 0x5101"},
        EepromCase{"ExtKeysOtherLetters", 0x01B4, "KX", "ExtKeys=False"},
        EepromCase{"OffsetPositive", 0x0040, QByteArray::fromHex("01FA"), "Offset=+0.250"},
        EepromCase{"OffsetNegative", 0x0040, QByteArray::fromHex("0005"), "Offset=-0.005"},
        EepromCase{"OffsetNone", 0x0040, QByteArray::fromHex("FF00"), "Offset=None"},
        EepromCase{"ZeroErrorPositive", 0x0050, QByteArray::fromHex("000102"), "MAX132Zero=+258"},
        EepromCase{"FixedMgmFactor", 0x0071, QByteArray::fromHex("01FF"), "mgm_Factor=1.537109375"},
        EepromCase{"NormalDisplay", 0x0023, QByteArray::fromHex("01"), "FineDisplay=False"},
        EepromCase{"AlarmOverLevel", 0x0048, QByteArray::fromHex("FF00FA7B"), "AlarmSetting=1.23"},
        EepromCase{"PumpAlwaysStartsLate", 0x0042, QByteArray::fromHex("0000000205"), "PumpStart=0.5"},
        EepromCase{"ValveUnknownMode", 0x0042, QByteArray::fromHex("09"), "ValveMode=Unknown"},
        EepromCase{"GtnJumpsToArea", 0x004C, QByteArray::fromHex("FF1401"), "NegativeGateMode=Area"},
        EepromCase{"SerialTypeG", 0x0109, QByteArray::fromHex("05001234"), "SerialNumber=4660G"},
        EepromCase{"UsageLowByteFirst", 0x0009, QByteArray::fromHex("3412"), "Counter=4660"},
        EepromCase{"AuxDateBytes", 0x010D, QByteArray::fromHex("311226"), "AUXDate=31--12--26"},
        EepromCase{"SavedSampleWord", 0x0012, QByteArray::fromHex("3039"), "Conc3=12.345"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EepromReport, StopOnFullFollowsTheFirmwaresSense)
{
    EepromReport::Image image{};
    image[0x0200] = 0xFF;
    FirmwareFlags inverted;
    inverted.FwMemoryFullInverted = true;
    EXPECT_TRUE(EepromReport::Settings(image, FirmwareFlags{}, QLocale::c()).contains(QStringLiteral("StopOnFull=True")));
    EXPECT_TRUE(EepromReport::Settings(image, inverted, QLocale::c()).contains(QStringLiteral("StopOnFull=False")));
}

struct EventCase {
    const char* name;
    EventLogKind kind;
    QByteArray bytes;
    QStringList lines;   // the record's keys after its date
};

class EventRecord : public ::testing::TestWithParam<EventCase> {};

TEST_P(EventRecord, WritesItsKeys)
{
    const ScopedEnvironment utc("TZ", "UTC");
    const EventCase& c = GetParam();
    KeyValueReport report(QStringLiteral("T"));
    EventLogReport::AddRecord(report, c.kind, 2, tolviM::EventLogEntry{86400, c.bytes}, QLocale::c());
    const QStringList lines = report.lines().mid(5);
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines.mid(0, 2), (QStringList{lines[0], "Empty=False"}));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Date=\"02-Jan-1970 "))) << lines[2].toStdString();
    EXPECT_EQ(lines.mid(3), c.lines + QStringList{QString()});
}

INSTANTIATE_TEST_SUITE_P(Kinds, EventRecord,
    ::testing::Values(EventCase{"PumpOfUnknownMode", EventLogKind::Pump, QByteArray::fromHex("077F00"),
                          {"Mode=?", "StartAt=+12.7 sec", "RunFor=  0.0 sec"}},
        EventCase{"OffsetLargestNegative", EventLogKind::Offset, QByteArray::fromHex("8000"), {"Value=-32.768"}},
        EventCase{"ScheduleEveryBitPattern", EventLogKind::Schedule, QByteArray::fromHex("8141050200003D8100FF"),
            {"Config=10000001 -______L", "WeekmaskStart=01000001 _MtwtfsS", "WeekmaskEnd=10000001 -mtwtfsS",
                "Start=\"08:32\"", "Length=\"01:00\"", "Frequency=5 min", "LoopCount=255"}},
        EventCase{"CalibrationWithShortRecord", EventLogKind::Calibration, QByteArray::fromHex("40"),
            {"Status=_-______", "Value=64", "Temperature=0°C", "PeakValue=au", "TimeToPeak= 0.0 sec",
                "PeakGain=0.00000", "PeakGainString=\"00000/E00\"", "AreaValue=au", "AreaGain=0.00000",
                "AreaGainString=\"00000/E00\"", "TargetConc=0.000 ppm"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EventRecord, WithoutTimeStampIsEmpty)
{
    KeyValueReport report(QStringLiteral("T"));
    EventLogReport::AddRecord(report, EventLogKind::Schedule, 0, tolviM::EventLogEntry{0, QByteArray(10, '\xFF')}, QLocale::c());
    EXPECT_EQ(report.lines().mid(5), (QStringList{"[SCHEDULE_0]", "Empty=True", ""}));
}

TEST(KeyValueReport, BannerFramesTheTitle)
{
    EXPECT_EQ(KeyValueReport(QStringLiteral("RTC Settings")).lines(),
        (QStringList{"; ====================", "; === RTC Settings ===", "; ====================",
            ";                     ", ""}));
}

}
