#include "SlotFixtures.h"
#include "data/DataFileLayout.h"
#include "data/DataFileMetadata.h"
#include "instrument/InstrumentInfo.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {
const char* const kSeparators[] = {",", ";", "\t", " "};

// "|" in a template stands for the separator.
QString withSep(const char* text, const QString& sep) { return QString::fromUtf8(text).replace(QLatin1Char('|'), sep); }

DataFileLayout layoutFor(DataFormat format, const QString& sep, bool singleColumn, const QLocale& locale = english)
{
    DataFileLayout layout;
    layout.format = format;
    layout.sep = sep;
    layout.singleColumn = singleColumn;
    layout.locale = locale;
    return layout;
}

SlotRecord scheduledSample()
{
    SlotRecord s = scheduled(1.25f);
    s.ReadingMGM = 1.551f;
    s.TimeStamp = 1796389500;
    return s;
}
}

TEST(DataFileLayout, HeaderAndRowOfEveryDelimitedFormatWithEachSeparator)
{
    struct Case { DataFormat format; bool single; const char* header; const char* row; };
    const Case cases[] = {
        {DataFormat::AllDayMonthName, true, "Date & Time|Reading/ppm|Temperature/oC|Humidity/%rh|Reading/mg.m^-3|Notes",
            "04-Dec-2026 13:05:00| 001.250| 21.50| 40.00| 001.551|Scheduled"},
        {DataFormat::AllDayMonthName, false, "Date|Time|Reading/ppm|Temperature/oC|Humidity/%rh|Reading/mg.m^-3|Notes",
            "04-Dec-2026|13:05:00| 001.250| 21.50| 40.00| 001.551|Scheduled"},
        {DataFormat::AllDayMonthYear, false, "Date|Time|Reading/ppm|Temperature/oC|Humidity/%rh|Reading/mg.m^-3|Notes",
            "04/12/26|13:05:00| 001.250| 21.50| 40.00| 001.551|Scheduled"},
        {DataFormat::AllMonthDayYear, true, "Date & Time|Reading/ppm|Temperature/oC|Humidity/%rh|Reading/mg.m^-3|Notes",
            "12/04/26 13:05:00| 001.250| 21.50| 40.00| 001.551|Scheduled"},
        {DataFormat::AllUtc, true, "UTC|Reading/ppm|Temperature/oC|Humidity/%rh|Reading/mg.m^-3|Notes",
            "1796389500| 001.250| 21.50| 40.00| 001.551|Scheduled"},
        {DataFormat::BySchedule, false, "Date|Time|Reading/ppm|Temperature/oC|Humidity/%rh|Reading/mg.m^-3|Notes",
            "04-Dec-2026|13:05:00| 001.250| 21.50| 40.00| 001.551|Scheduled"},
        {DataFormat::ByDateRange, true, "Date & Time|Reading/ppm|Temperature/oC|Humidity/%rh|Reading/mg.m^-3|Notes",
            "04-Dec-2026 13:05:00| 001.250| 21.50| 40.00| 001.551|Scheduled"},
        {DataFormat::ByConcentration, true, "Date & Time|Reading/ppm|Temperature/oC|Humidity/%rh|Reading/mg.m^-3|Notes",
            "04-Dec-2026 13:05:00| 001.250| 21.50| 40.00| 001.551|Scheduled"},
    };
    const SlotRecord s = scheduledSample();
    for (const Case& c : cases) {
        for (const char* separator : kSeparators) {
            const QString sep = QString::fromLatin1(separator);
            const DataFileLayout layout = layoutFor(c.format, sep, c.single);
            EXPECT_EQ(layout.header(), withSep(c.header, sep)) << static_cast<int>(c.format) << " [" << separator << "]";
            EXPECT_EQ(layout.row(s, 1), withSep(c.row, sep)) << static_cast<int>(c.format) << " [" << separator << "]";
        }
    }
}

TEST(DataFileLayout, RowsFollowTheLocale)
{
    const SlotRecord s = scheduledSample();
    EXPECT_EQ(layoutFor(DataFormat::AllDayMonthYear, QStringLiteral(";"), false, german).row(s, 1),
        QStringLiteral("04.12.26;13:05:00; 001,250; 21,50; 40,00; 001,551;Scheduled"));
    // Delimited files keep the locale's own month abbreviation.
    SlotRecord september = s;
    september.SampleTime = QDateTime(QDate(2026, 9, 4), QTime(13, 5, 0));
    EXPECT_EQ(layoutFor(DataFormat::AllDayMonthName, QStringLiteral(";"), true, german).row(september, 1),
        QStringLiteral("04-") + german.standaloneMonthName(9, QLocale::ShortFormat)
            + QStringLiteral("-2026 13:05:00; 001,250; 21,50; 40,00; 001,551;Scheduled"));
}

TEST(DataFileLayout, NoReadingLeavesBlankFieldsAndSaysSo)
{
    SlotRecord none = slot(-1.0f);
    EXPECT_EQ(layoutFor(DataFormat::AllDayMonthName, QStringLiteral(" "), true).row(none, 1),
        QStringLiteral("04-Dec-2026 13:05:00           21.50  40.00          No Reading:Manual"));
    // The empty record of a slot that could not be read shows the zero date.
    EXPECT_EQ(layoutFor(DataFormat::AllDayMonthName, QStringLiteral(","), false).row(SlotRecord{}, 1),
        QStringLiteral("30-Dec-1899,00:00:00, 000.000, 00.00, 00.00, 000.000,Manual"));
}

TEST(DataFileLayout, ComprehensiveUnderBothFirmwareBands)
{
    SlotRecord s = scheduled(1.25f);
    s.ReadingMGM = 1.551f;
    s.TimeStamp = 1199145600;
    s.SampleTime = QDateTime(QDate(2008, 1, 1), QTime(0, 0));
    s.PeakReading = 1.25f;
    s.TimedReading = 0.5f;
    s.AreaReading = -1.0f;
    s.TenthsValue = 12.3f;
    s.SampleMode = 1;
    s.Flags = 0x88;
    s.Bit7 = true;
    s.RawHex = QStringLiteral("885A7B3E80000000000000000000000");

    const char* head = "Slot|        UTC|      GMT|       lDate|    lTime|    |    Conc|  Temp|  Humi|      MGM|    |"
                       "    Peak|    Time|    Area| T2Pk|    | Lt| Mode|    |      Flags|"
                       " SchedRemoteGateOffsetCalibrationBattery|";
    const char* rowStart = "0001| 1199145600| 00:00:00| 01-Jan-2008| 00:00:00|    |  001.250| 21.50| 40.00| 001.551|    |"
                           " 001.250| 000.500|        | 12.3|    |  1|";
    const QString blanks(33, QLatin1Char(' '));

    DataFileLayout oldBand = layoutFor(DataFormat::Comprehensive, QStringLiteral(","), true);
    EXPECT_EQ(oldBand.header(), withSep(head, QStringLiteral(",")) + QStringLiteral(", Temperature, Deleted, Received"));
    EXPECT_EQ(oldBand.row(s, 1), withSep(rowStart, QStringLiteral(",")) + QStringLiteral(" Peak,    , 0b10001000, S_____,")
            + blanks + QStringLiteral(", ________, Yes, ") + s.RawHex);

    DataFileLayout newBand = oldBand;
    newBand.sep = QStringLiteral("\t");
    newBand.flags.FwNewSlotStatus = true;
    SlotRecord settling = s;
    settling.Bit7 = false;
    settling.Status = true;
    settling.NotReady = true;
    settling.SavedPeakReading = 2.0f;
    EXPECT_EQ(newBand.header(), withSep(head, QStringLiteral("\t")) + QStringLiteral("\t Error   \t Backg'nd\t Received"));
    EXPECT_EQ(newBand.row(settling, 1), withSep(rowStart, QStringLiteral("\t")) + QStringLiteral(" Peak\t    \t 0b10001000\t S__-__\t")
            + blanks + QStringLiteral("\t Settling\t -002.000\t ") + s.RawHex);

    SlotRecord timedOut = settling;
    timedOut.NotReady = false;
    timedOut.Ready = true;
    EXPECT_TRUE(newBand.row(timedOut, 1).endsWith(QStringLiteral(" Max.\t    \t 0b10001000\t S_____\t") + blanks
        + QStringLiteral("\t Timeout \t         \t ") + s.RawHex));

    SlotRecord noStatus = s;
    noStatus.Bit7 = false;
    EXPECT_TRUE(newBand.row(noStatus, 7).startsWith(QStringLiteral("0007\t")));
    EXPECT_TRUE(newBand.row(noStatus, 7).endsWith(QStringLiteral("\t No      \t         \t ") + s.RawHex));
}

TEST(DataFileLayout, ComprehensiveLetters)
{
    struct Case { const char* name; FirmwareFlags flags; SlotRecord slot; const char* letters; };
    SlotRecord firstRun = scheduled(1.0f, true);
    SlotRecord remote = slot(1.0f);
    remote.Remote = true;
    remote.Gate = true;
    remote.Offset = true;
    remote.Uncalibrated = true;
    remote.LowBattery = true;
    SlotRecord oldStatus = remote;
    oldStatus.Status = true;
    FirmwareFlags first;
    first.FwFirstInSchedule = true;
    FirmwareFlags old;
    old.FwOldSlotStatus = true;
    old.FwNewSlotStatus = true;
    const Case cases[] = {
        {"first in schedule", first, firstRun, " Sf____"},
        {"first without its band", FirmwareFlags{}, firstRun, " S_____"},
        {"remote gate offset", FirmwareFlags{}, remote, " _RGOCB"},
        {"old band hides the gate", old, oldStatus, " _R-OCB"},
    };
    for (const Case& c : cases) {
        DataFileLayout layout = layoutFor(DataFormat::Comprehensive, QStringLiteral(","), true);
        layout.flags = c.flags;
        EXPECT_EQ(layout.row(c.slot, 1).split(QLatin1Char(','))[20], QString::fromLatin1(c.letters)) << c.name;
    }
}

TEST(DataFileMetadata, BlockLines)
{
    InstrumentInfo info;
    info.ConnectionStamp = QStringLiteral("1796389500");
    info.UsageCounter = 42;
    info.FirmwareID = QStringLiteral("V2.31");
    info.SerialNumber = QStringLiteral("123F");
    info.Manufactured = QDateTime(QDate(2020, 5, 6), QTime(0, 0));
    info.Serviced = QDateTime(QDate(2024, 1, 2), QTime(0, 0));
    info.PeakGain = 1.5f;
    info.PeakValue = 10.0f;
    info.CalTemperature = 20.5f;
    info.TimeToPeak = 30.0f;
    info.AreaGain = 0.25f;
    info.PCTime = QDateTime(QDate(2026, 12, 4), QTime(12, 0, 0));
    info.RTCLocal = info.PCTime.addSecs(129600); // 1.5 days ahead

    DataFileMetadata m;
    m.retrieved = QDateTime(QDate(2026, 12, 4), QTime(13, 5, 0));
    m.utcOffsetSeconds = 3600;
    m.filePath = QStringLiteral("/home/u/run.csv");
    m.userName = QStringLiteral("ann");
    m.launch = QStringLiteral("/opt/tolvi/tolvi -d");
    m.versionMajor = 1;
    m.versionMinor = 4;
    m.versionRevision = 17;
    m.gasConstant = QStringLiteral("8.3");
    m.kelvinOffset = QStringLiteral("not a number");

    const QStringList lines = MetadataLines(m, info, QStringLiteral(","), english);
    const QStringList expected = {
        QString(), QStringLiteral("#%$Meta%"),
        QStringLiteral("#Retrieved:,\"") + lines[2].section(QLatin1Char('"'), 1, 1) + QStringLiteral("\""),
        QStringLiteral("#Timezone:,\"Z-1\""),
        QStringLiteral("#File:,\"/home/u/run.csv\""),
        QStringLiteral("#User:,\"ann\""),
        QStringLiteral("#Launch:,\"/opt/tolvi/tolvi -d\""),
        QStringLiteral("#SW:,\"001.004.017\""),
        QStringLiteral("#ID:,\"1796389500\""),
        QStringLiteral("#COUNT:,\"42\""),
        QString(), QStringLiteral("#%$MGM3%"),
        QStringLiteral("#P=,\"101.325\""),
        QStringLiteral("#M=,\"30.01\""),
        QStringLiteral("#R=,\"8.3\""),
        QStringLiteral("#K=,\"273.15\""),
        QString(), QStringLiteral("#%$INST%"),
        QStringLiteral("#FW:,\"V2.31\""),
        QStringLiteral("#SN:,\"123F\""),
        QStringLiteral("#MAN:,\"06/05/2020\""),
        QStringLiteral("#SER:,\"02/01/2024\""),
        QStringLiteral("#CAL1:,\"1.5 (10ppm @ 20.5°C in 30sec)\""),
        QStringLiteral("#CAL2:,\"0.25\""),
        QStringLiteral("#RTC:,\"06 Dec 2026 00:00:00\""),
        QStringLiteral("#RTCE:,\"+0001.5000 days\""),
        QStringLiteral("#FIRST=,\"Never\""),
        QStringLiteral("#FISRTCOUNT=,\"Unknown\""),
    };
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(lines[2].contains(QStringLiteral("2026")));

    m.utcOffsetSeconds = -19800;
    EXPECT_EQ(MetadataLines(m, info, QStringLiteral(";"), german)[3], QStringLiteral("#Timezone:;\"Z5,5\""));
    m.utcOffsetSeconds = 0;
    EXPECT_EQ(MetadataLines(m, info, QStringLiteral(","), english)[3], QStringLiteral("#Timezone:,\"Z0\""));
}
