#include "SlotFixtures.h"
#include "data/ReadingFormat.h"
#include "instrument/InstrumentInfo.h"
#include "link/FirmwareFlags.h"

#include <gtest/gtest.h>

using namespace fixtures;

TEST(ConvertToMGM, FollowsTheSampleTemperature)
{
    EXPECT_NEAR(ConvertToMGM(QStringLiteral("123F"), 1.0f, 25.0f), 1.2266, 0.00005);
    EXPECT_NEAR(ConvertToMGM(QStringLiteral("123F"), 10.0f, 0.0f), 13.39, 0.005);
    EXPECT_EQ(ConvertToMGM(QStringLiteral("123F"), 0.0f, -30.0f), 0.0f);
    EXPECT_EQ(ConvertToMGM(QStringLiteral("any"), 2.0f, 20.0f), ConvertToMGM(QString(), 2.0f, 20.0f));
}

TEST(StoredSlotMGM, FactorOnlyWithSlotStatusFirmwareAndAFixedFactor)
{
    InstrumentInfo fixedFactor;
    fixedFactor.MGMFactor = 1024;
    fixedFactor.MGMFixed = true;
    InstrumentInfo dynamic;
    dynamic.MGMFactor = -1;
    FirmwareFlags withStatus;
    withStatus.FwNewSlotStatus = true;
    const FirmwareFlags withoutStatus;

    SlotRecord hot = slot(2.5f);
    hot.Temperature = 40.0f;
    const float converted = ConvertToMGM(QString(), 2.5f, 40.0f);

    struct Case { const char* name; float reading; const FirmwareFlags& flags; const InstrumentInfo& info; float expected; };
    const Case cases[] = {
        {"factor 1024/512 x 2.5", 2.5f, withStatus, fixedFactor, 5.0f},
        {"no status band: conversion", 2.5f, withoutStatus, fixedFactor, converted},
        {"no factor: conversion", 2.5f, withStatus, dynamic, converted},
        {"no reading beats the factor", -1.0f, withStatus, fixedFactor, -1.0f},
        {"no reading with conversion", -0.001f, withoutStatus, dynamic, -1.0f},
    };
    for (const Case& c : cases) {
        hot.Reading = c.reading;
        EXPECT_FLOAT_EQ(StoredSlotMGM(hot, c.flags, c.info), c.expected) << c.name;
    }
}

TEST(FormatReadings, FieldsKeepTheirWidthInEitherLocale)
{
    SlotRecord s = slot(12.3456f);
    s.ReadingMGM = 15.2f;
    SlotRecord none = slot(-1.0f);
    SlotRecord empty;
    SlotRecord cold = slot(0.5f);
    cold.Temperature = -5.25f;
    cold.ReadingMGM = 0.625f;

    struct Case { const SlotRecord& slot; const char* sep; const QLocale& locale; const char* expected; };
    const Case cases[] = {
        {s, ";", english, " 012.346; 21.50; 40.00; 015.200"},
        {s, ";", german, " 012,346; 21,50; 40,00; 015,200"},
        {none, ",", english, "        , 21.50, 40.00,        "},
        {empty, ",", english, " 000.000, 00.00, 00.00, 000.000"},
        {cold, "\t", english, " 000.500\t -05.25\t 40.00\t 000.625"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatReadings(c.slot, QString::fromLatin1(c.sep), c.locale), QString::fromLatin1(c.expected)) << c.expected;
}

TEST(FormatComments, WordsAndCodes)
{
    FirmwareFlags firstBand;
    firstBand.FwFirstInSchedule = true;
    const FirmwareFlags oldBand;

    SlotRecord lowBattery = scheduled(1.0f);
    lowBattery.LowBattery = true;
    SlotRecord noReading = slot(-1.0f);
    SlotRecord remoteUnready = slot(1.0f);
    remoteUnready.Remote = true;
    remoteUnready.Uncalibrated = true;
    remoteUnready.Status = true;
    remoteUnready.NotReady = true;
    SlotRecord firstRun = scheduled(1.0f, true);
    SlotRecord coded = slot(1.0f);
    coded.Limit = 1;
    coded.SampleMode = 0;
    coded.Flags = 0xA8;
    SlotRecord empty;

    struct Case { const SlotRecord& slot; int style; const FirmwareFlags& flags; const char* expected; };
    const Case cases[] = {
        {lowBattery, 0, oldBand, "Scheduled:Low battery power"},
        {noReading, 0, oldBand, "No Reading:Manual"},
        {remoteUnready, 0, oldBand, "Remote:Uncalibrated:Not ready to sample"},
        {firstRun, 0, firstBand, "First Scheduled"},
        {firstRun, 0, oldBand, "Scheduled"},
        {empty, 0, oldBand, "Manual"},
        {coded, 1, oldBand, "[1][0][A8]"},
        {empty, 2, oldBand, "[0][0][00]"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatComments(c.slot, QStringLiteral(","), c.style, c.flags), QString::fromLatin1(c.expected)) << c.expected;
}
