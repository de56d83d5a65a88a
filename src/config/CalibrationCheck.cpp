#include "config/CalibrationCheck.h"

#include "instrument/InstrumentInfo.h"
#include "instrument/Measurement.h"
#include "instrument/NumberText.h"
#include "shell/TextFile.h"

namespace {

// Values no read can leave in a field: each marks a calibration block that
// was not read.
constexpr int16_t NotRead = -1;
constexpr float TimeNotRead = -1;

// The progress bar's percentage once `steps` of the check's steps are done.
int StepsDoneProgress(int steps)
{
    return steps * 100 / CalibrationCheckModel::LastStep;
}

} // namespace

CalibrationReading ReadCalibrationForCheck(InstrumentLink& link, Services& services)
{
    InstrumentInfo own;
    own.PeakGainExponent = NotRead;
    own.TimeToPeak = TimeNotRead;
    own.AreaGainExponent = NotRead;
    const bool calibrated = tolviM::GetCalibration(link, services, own);

    CalibrationReading reading;
    if (own.PeakGainExponent == NotRead)
        return reading;   // the first block, with the calibrated marker, was not read
    if (!calibrated) {
        reading.state = CalibrationReading::State::NotCalibrated;
        return reading;
    }
    if (own.TimeToPeak == TimeNotRead || own.AreaGainExponent == NotRead)
        return reading;   // calibrated, but part of its record is unknown
    reading.state = CalibrationReading::State::Calibrated;
    reading.spanPpm = own.PeakValue;
    reading.temperature = own.CalTemperature;
    reading.timeToPeak = own.TimeToPeak;
    reading.linearGain = own.PeakGain;
    reading.integralGain = own.AreaGain;
    reading.modeText = tolviM::GetModeString(link, services);
    reading.limitText = tolviM::GetLimitString(link, services);
    return reading;
}

CalibrationCheckModel::CalibrationCheckModel(QString company, QString title)
    : company_(std::move(company)), title_(std::move(title))
{
    // The window opens on step 0 under the plain caption.
    caption_ = company_ + QStringLiteral(" - ") + title_;
    append(stepTitle(0));
}

QString CalibrationCheckModel::stepTitle(int step)
{
    switch (step) {
    case 1: return QStringLiteral("Checking instrument calibration gain & settings.") + CrLf;
    case 2: return QStringLiteral("Sensor short is OK?");
    case 3: return QStringLiteral("Running pump; running valve.");
    case 4: return QStringLiteral("Calculating mean & stdDev.");
    default: return QStringLiteral("Press 'Next' to continue.");
    }
}

QString CalibrationCheckModel::outputText() const
{
    QString text;
    for (const Run& run : output_)
        text += run.text;
    return text;
}

bool CalibrationCheckModel::next()
{
    step_ = (step_ + 1) % (LastStep + 1);
    return runStep();
}

bool CalibrationCheckModel::redo()
{
    return runStep();
}

bool CalibrationCheckModel::runStep()
{
    caption_ = company_ + QStringLiteral(" - ") + title_ + QStringLiteral(" (%1/%2)").arg(step_).arg(LastStep);
    output_.clear();
    append(stepTitle(step_));
    awaiting_ = step_ == 1;
    // The bar counts the steps done: a step that waits for its read is not done yet.
    progress_ = StepsDoneProgress(awaiting_ ? step_ - 1 : step_);
    return awaiting_;
}

void CalibrationCheckModel::calibrationRead(const CalibrationReading& reading)
{
    if (!awaiting_ || step_ != 1)
        return;
    awaiting_ = false;
    progress_ = StepsDoneProgress(step_);
    using State = CalibrationReading::State;
    switch (reading.state) {
    case State::ReadFailed:
        append(QStringLiteral("Failed to read calibration!") + CrLf, true);
        break;
    case State::NotCalibrated:
        append(QStringLiteral("Instrument has not been calibrated!") + CrLf, true);
        break;
    case State::Calibrated:
        append(QStringLiteral("Calibrated at ") + tolviM::SingleText(reading.spanPpm) + QStringLiteral("ppm") + CrLf
            + QStringLiteral("Calibrated at ") + tolviM::SingleText(reading.temperature) + QStringLiteral("oC") + CrLf
            + QStringLiteral("Calibrated at ") + tolviM::SingleText(reading.timeToPeak) + QStringLiteral("sec") + CrLf
            + QStringLiteral("Linear Gain = ") + tolviM::SingleText(reading.linearGain) + CrLf
            + QStringLiteral("Integral Gain = ") + tolviM::SingleText(reading.integralGain) + CrLf
            + reading.modeText + reading.limitText);
        break;
    }
}

void CalibrationCheckModel::append(const QString& text, bool red)
{
    if (text.isEmpty())
        return;
    if (!output_.isEmpty() && output_.last().red == red)
        output_.last().text += text;
    else
        output_.append(Run{text, red});
}
