#include "ConfigRig.h"
#include "QtPrinters.h"
#include "config/CalibrationCheck.h"

#include <gtest/gtest.h>

namespace {
using OutputRun = CalibrationCheckModel::Run;
using State = CalibrationReading::State;
const QString Checking = QStringLiteral("Checking instrument calibration gain & settings.\r\n");
}

TEST(CalibrationCheck, NextWalksThroughTheFiveStepsAndBackToTheFirst)
{
    CalibrationCheckModel model(QStringLiteral("Karvex"), QStringLiteral("Tolvi"));
    EXPECT_EQ(model.step(), 0);
    EXPECT_EQ(model.caption(), QStringLiteral("Karvex - Tolvi"));
    EXPECT_EQ(model.outputText(), QStringLiteral("Press 'Next' to continue."));

    // The bar counts the steps done; step 1 is not done while it waits for its read.
    struct Step { int step; bool needsRead; const char* text; int progress; };
    const Step steps[] = {
        {1, true, "Checking instrument calibration gain & settings.\r\n", 0},
        {2, false, "Sensor short is OK?", 50},
        {3, false, "Running pump; running valve.", 75},
        {4, false, "Calculating mean & stdDev.", 100},
        {0, false, "Press 'Next' to continue.", 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.step);
        EXPECT_EQ(model.next(), s.needsRead);
        EXPECT_EQ(model.step(), s.step);
        EXPECT_EQ(model.caption(), QStringLiteral("Karvex - Tolvi (%1/4)").arg(s.step));
        EXPECT_EQ(model.outputText(), QString::fromLatin1(s.text));
        EXPECT_EQ(model.progress(), s.progress);
    }
    // "Redo Test" runs the same step again.
    EXPECT_FALSE(model.redo());
    EXPECT_EQ(model.step(), 0);
}

TEST(CalibrationCheck, CalibrationStepShowsWhatWasRead)
{
    CalibrationReading calibrated;
    calibrated.state = State::Calibrated;
    calibrated.spanPpm = 10;
    calibrated.temperature = 21;
    calibrated.timeToPeak = 12.3f;
    calibrated.linearGain = 1;
    calibrated.integralGain = 0.5f;
    calibrated.modeText = QStringLiteral("Peak Detection");
    calibrated.limitText = QStringLiteral("QRA");
    CalibrationReading uncalibrated;
    uncalibrated.state = State::NotCalibrated;

    struct Case {
        const char* name;
        CalibrationReading reading;
        QList<OutputRun> output;
    };
    const Case cases[] = {
        {"read failed", {}, {{Checking}, {QStringLiteral("Failed to read calibration!\r\n"), true}}},
        {"not calibrated", uncalibrated, {{Checking}, {QStringLiteral("Instrument has not been calibrated!\r\n"), true}}},
        {"calibrated", calibrated,
            {{Checking + QStringLiteral("Calibrated at 10ppm\r\nCalibrated at 21oC\r\nCalibrated at 12.3sec\r\n"
                                        "Linear Gain = 1\r\nIntegral Gain = 0.5\r\nPeak DetectionQRA")}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CalibrationCheckModel model(QStringLiteral("Karvex"), QStringLiteral("Tolvi"));
        ASSERT_TRUE(model.next());
        EXPECT_TRUE(model.awaitingCalibration());
        EXPECT_EQ(model.progress(), 0);
        model.calibrationRead(c.reading);
        EXPECT_FALSE(model.awaitingCalibration());
        EXPECT_EQ(model.progress(), 25) << "step 1 of 4 is done";
        EXPECT_EQ(model.output(), c.output);
        // The window stays usable: the step can be run again.
        EXPECT_TRUE(model.redo());
        EXPECT_EQ(model.outputText(), Checking);
    }
}

TEST(CalibrationCheck, ALateReadDoesNotLandOnAnotherStep)
{
    CalibrationCheckModel model(QStringLiteral("Karvex"), QStringLiteral("Tolvi"));
    ASSERT_TRUE(model.next());
    model.next();
    model.calibrationRead(CalibrationReading{});
    EXPECT_EQ(model.outputText(), QStringLiteral("Sensor short is OK?"));
}

TEST(CalibrationCheck, ReadFromTheInstrument)
{
    struct Case {
        const char* name;
        std::function<void(SimScenario&)> setUp;
        State state;
    };
    const Case cases[] = {
        {"calibrated", [](SimScenario&) {}, State::Calibrated},
        {"not calibrated", [](SimScenario& s) { s.calibration.calibrated = false; }, State::NotCalibrated},
        // Every answer to the first block is damaged: rejected at once, retried, given up.
        {"first block unreadable", [](SimScenario& s) { s.faults.corruptReply = {SimFaultRule::on("G0002")}; },
            State::ReadFailed},
        {"area block unreadable", [](SimScenario& s) { s.faults.corruptReply = {SimFaultRule::on("G0028")}; },
            State::ReadFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConfigRig rig;
        SimScenario scenario;
        c.setUp(scenario);
        ASSERT_TRUE(rig.start(scenario));
        const CalibrationReading reading = ReadCalibrationForCheck(rig.link, rig.services);
        EXPECT_EQ(reading.state, c.state);
        // The connected instrument's record is not touched.
        EXPECT_FALSE(rig.info.CalibrationValid);
        if (c.state != State::Calibrated)
            continue;
        EXPECT_EQ(reading.spanPpm, 10.0f);
        EXPECT_EQ(reading.temperature, 21.0f);
        EXPECT_EQ(reading.timeToPeak, 12.3f);
        EXPECT_EQ(reading.linearGain, 1.0f);
        EXPECT_EQ(reading.integralGain, 1.0f);
        EXPECT_EQ(reading.modeText, QStringLiteral("Peak Detection"));
        EXPECT_EQ(reading.limitText, QStringLiteral("QRA"));
    }
}
