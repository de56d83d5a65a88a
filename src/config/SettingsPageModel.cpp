#include "config/SettingsPageModel.h"

#include "config/SettingsRefresh.h"
#include "instrument/ClockError.h"
#include "instrument/EepromMap.h"
#include "instrument/NumberText.h"
#include "shell/Picture.h"
#include "shell/Prompts.h"
#include "shell/TextFile.h"

#include <algorithm>
#include <cmath>

namespace {

int Tenths(float seconds, int min, int max)
{
    return std::clamp(int(std::nearbyint(double(seconds) * 10)), min, max);
}

QDate InRange(const QDateTime& value)
{
    return std::clamp(value.date(), SettingsRanges::FirstDate, SettingsRanges::LastDate);
}

}

QString SettingsPageModel::tenthsText(int tenths) const
{
    return FormatNumber(tenths / 10.0, QStringLiteral("0.0"), locale_) + QStringLiteral(" s");
}

void SettingsPageModel::selectRunMode(Unit u, RunMode mode)
{
    RunControls& c = unit(u);
    c.selected = mode;
    c.mode = uint8_t(mode);
    const bool timed = mode == RunMode::Timed;
    c.controlsEnabled = timed;
    c.deltaLabel = timed ? tenthsText(c.delta) : SettingsTexts::NotShown;
    c.timeLabel = timed ? tenthsText(c.time) : SettingsTexts::NotShown;
    c.timedBarVisible = timed;
    c.fillerVisible = mode == RunMode::Always;
}

void SettingsPageModel::setDelta(Unit u, int tenths)
{
    RunControls& c = unit(u);
    c.delta = std::clamp(tenths, SettingsRanges::DeltaMin, SettingsRanges::DeltaMax);
    c.deltaLabel = tenthsText(c.delta);
}

void SettingsPageModel::setRunTime(Unit u, int tenths)
{
    RunControls& c = unit(u);
    c.time = std::clamp(tenths, SettingsRanges::RunTimeMin, SettingsRanges::RunTimeMax);
    c.timeLabel = tenthsText(c.time);
}

void SettingsPageModel::selectSampleAtButtonPress(Prompts& prompts, const QString& title)
{
    prompts.message(Prompts::Icon::Exclamation, SettingsTexts::ButtonPressWarning, title);
    sampleAtButtonPress = true;
}

void SettingsPageModel::setAlarmDuration(int seconds)
{
    alarmDuration = std::clamp(seconds, SettingsRanges::DurationMin, SettingsRanges::DurationMax);
    alarmDurationLabel = alarmDuration == 0 ? SettingsTexts::ContinuousAlarm
                                            : FormatNumber(alarmDuration, QStringLiteral("##0 s"), locale_);
}

void SettingsPageModel::setAlarmLevel(int hundredths)
{
    alarmLevel = std::clamp(hundredths, SettingsRanges::LevelMin, SettingsRanges::LevelMax);
    alarmLevelLabel = FormatNumber(alarmLevel / 100.0, QStringLiteral("0.00 ppm"), locale_);
}

std::optional<bool> SettingsPageModel::keyLocked() const
{
    if (!switches)
        return std::nullopt;
    return (*switches & ControlSwitchBits::KeyLock) != 0;
}

PumpValveDiagram SettingsPageModel::diagram() const
{
    PumpValveDiagram d;
    auto bar = [](const RunControls& c) {
        return PumpValveDiagram::Bar{c.timedBarVisible, c.delta, c.delta + c.time};
    };
    d.pump = bar(pump);
    d.valve = bar(valve);
    d.pumpFiller = pump.fillerVisible;
    d.valveFiller = valve.fillerVisible;
    // The button is pressed before time zero when a timed pump or valve starts early.
    d.buttonPress = 0;
    for (const RunControls* c : {&pump, &valve})
        if (c->selected == RunMode::Timed)
            d.buttonPress = std::min(d.buttonPress, c->delta);
    return d;
}

PumpValveSettings SettingsPageModel::pumpValveSettings() const
{
    return PumpValveSettings{pump.mode, valve.mode, float(pump.delta / 10.0), float(pump.time / 10.0),
        float(valve.delta / 10.0), float(valve.time / 10.0), sampleAtButtonPress};
}

AlarmSettings SettingsPageModel::alarmSettings() const
{
    return AlarmSettings{alarmEnabled, alarmDriveHigh, uint8_t(alarmDuration), float(alarmLevel / 100.0)};
}

void SettingsPageModel::applyMode(Unit u, int mode)
{
    if (mode >= 0 && mode <= 2) {
        selectRunMode(u, RunMode(mode));
        return;
    }
    // An unknown mode leaves the options as they are; it is sent back as read.
    unit(u).mode = uint8_t(mode);
}

void SettingsPageModel::apply(const SettingsReading& r, Prompts& prompts, const QString& title)
{
    const InstrumentInfo& info = r.info;
    clockPanel = ClockErrorText(r.clockErrorDays);

    setDelta(Unit::Pump, Tenths(info.PumpDelta, SettingsRanges::DeltaMin, SettingsRanges::DeltaMax));
    setRunTime(Unit::Pump, Tenths(info.PumpTime, SettingsRanges::RunTimeMin, SettingsRanges::RunTimeMax));
    setDelta(Unit::Valve, Tenths(info.ValveDelta, SettingsRanges::DeltaMin, SettingsRanges::DeltaMax));
    setRunTime(Unit::Valve, Tenths(info.ValveTime, SettingsRanges::RunTimeMin, SettingsRanges::RunTimeMax));
    applyMode(Unit::Pump, info.PumpMode);
    applyMode(Unit::Valve, info.ValveMode);

    if (info.SampleStart == 0)
        selectSampleAtButtonPress(prompts, title);
    else
        selectSampleAtTimeZero();

    // A text whose read failed leaves its label as it was.
    for (auto [text, label] : {std::pair{&r.mode, &modeText}, {&r.limit, &limitText}, {&r.gate, &gateText}})
        if (!text->isEmpty())
            *label = *text;
    if (r.mgmFactor != 0)
        std::tie(mgmCaption, mgmTooltip) = mgmTexts(r.mgmFactor, locale_);

    saveAll = r.saveAll;
    if (r.switches) {
        switches = r.switches;
        autoOffBlocked = (*r.switches & ControlSwitchBits::AutoOffBlocked) != 0;
    }

    alarmEnabled = info.AlarmEnabled;
    alarmDriveHigh = info.AlarmOver;
    setAlarmDuration(info.AlarmDuration);
    setAlarmLevel(int(std::nearbyint(double(info.AlarmSetting) * 100)));

    manufactured = InRange(info.Manufactured);
    serviced = InRange(info.Serviced);
    calibrated = InRange(info.Calibrated);

    calibrationSummary = calibrationText(info);
    if (r.cycles && r.cyclePointer)
        calibrationSummary += QStringLiteral("Cycles %1 : Pointer %2").arg(*r.cycles).arg(*r.cyclePointer);
    if (r.fakeMode)
        calibrationSummary += QStringLiteral(" : Fake Mode");
    if (r.dataDump)
        dataDumpEnabled = *r.dataDump;
}

QString SettingsPageModel::calibrationText(const InstrumentInfo& info) const
{
    if (!info.CalibrationValid)
        return CrLf + QStringLiteral("Instrument is not calibrated!");
    auto number = [this](double value, const char* picture) {
        return FormatNumber(value, QString::fromLatin1(picture), locale_);
    };
    auto gain = [&](const char* name, int mantissa, int exponent, float factor) {
        return QString::fromLatin1(name) + number(mantissa, "00000") + QStringLiteral(" E ") + number(exponent, "000")
            + QStringLiteral(" = x ") + number(factor, "0.000000") + CrLf;
    };
    return number(info.PeakValue, "000.000 ppm") + QStringLiteral("@") + number(info.CalTemperature, "0oC")
        + QStringLiteral(", ") + number(info.TimeToPeak, "000.0 s") + CrLf
        + gain("Normal:", info.PeakGainMantissa, info.PeakGainExponent, info.PeakGain)
        + gain("Area:", info.AreaGainMantissa, info.AreaGainExponent, info.AreaGain);
}

std::pair<QString, QString> SettingsPageModel::mgmTexts(int32_t factor, const QLocale& locale)
{
    if (factor == -1)
        return {QStringLiteral("Dynamic"), QStringLiteral("mg/M^3 Conversion changes with temperature")};
    return {QStringLiteral("Fixed (c=") + FormatNumber(factor, QStringLiteral("000"), locale) + QStringLiteral(")"),
        QStringLiteral("mg/M^3 Conversion is fixed at ") + tolviM::DoubleText(factor / 512.0)};
}
