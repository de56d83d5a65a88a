#include "config/SettingsActions.h"

#include "instrument/AddHistory.h"
#include "instrument/Clock.h"
#include "instrument/ClockError.h"
#include "instrument/EepromAccess.h"
#include "instrument/EepromMap.h"
#include "instrument/NumberText.h"
#include "instrument/Procedure.h"
#include "instrument/PumpValveAlarm.h"
#include "instrument/Schedule.h"
#include "instrument/StaleState.h"
#include "link/InstrumentLink.h"
#include "shell/Bits.h"
#include "shell/Operation.h"
#include "shell/Prompts.h"
#include "shell/SystemInfo.h"

#include <cmath>

namespace {

bool PasswordOk(SettingsContext& c)
{
    return LoginOK(c.services, c.passwordDialog);
}

void Message(SettingsContext& c, const QString& text)
{
    c.observer.statusText(1, text);
}

void History(SettingsContext& c, const QString& text)
{
    AddHistory(c.services, c.info.RecordFolder, text);
}

QString SwitchesText(uint16_t word)
{
    return QStringLiteral("%1").arg(word, 16, 2, QLatin1Char('0'));
}

// A change the instrument did not confirm: logged and told, never recorded as made.
void NotTaken(SettingsContext& c, const QString& text)
{
    c.services.log.debugMessage(text, SessionLog::Problem);
    c.services.prompts.message(Prompts::Icon::Exclamation, text);
}

void SetRunFlags(uint8_t mode, bool& always, bool& timed, bool& never)
{
    if (mode > uint8_t(RunMode::Always))
        return;
    always = mode == uint8_t(RunMode::Always);
    timed = mode == uint8_t(RunMode::Timed);
    never = mode == uint8_t(RunMode::Never);
}

void CopyInto(InstrumentInfo& info, const PumpValveSettings& s)
{
    info.PumpMode = s.pumpMode;
    SetRunFlags(s.pumpMode, info.PumpAlways, info.PumpTimed, info.PumpNever);
    info.PumpDelta = s.pumpDelta;
    info.PumpTime = s.pumpTime;
    info.ValveMode = s.valveMode;
    SetRunFlags(s.valveMode, info.ValveAlways, info.ValveTimed, info.ValveNever);
    info.ValveDelta = s.valveDelta;
    info.ValveTime = s.valveTime;
    info.SampleAtButtonPress = s.sampleAtButtonPress;
    info.SampleAtTimeZero = !s.sampleAtButtonPress;
    info.SampleStart = s.sampleAtButtonPress ? 0x00 : 0xFF;
}

// Writes the switches word read with one bit flipped; the history records
// the new word only when the instrument took it.
std::optional<uint16_t> FlipSwitch(SettingsContext& c, uint16_t word, uint16_t bit)
{
    const uint16_t flipped = uint16_t(word ^ bit);
    if (!tolviM::SetControlSwitches(c.link, c.services, flipped))
        return std::nullopt;
    History(c, QStringLiteral("::: Flag settings changed by ") + GetUserName() + QStringLiteral(" to 0b")
            + SwitchesText(flipped));
    return flipped;
}

}

SettingsReading ReloadPumpValve(SettingsContext& c)
{
    tolviM::GetPNVDetails(c.link, c.services, c.info);
    return UpdateSettingsPage(c);
}

PumpValveResult UsePumpValveSettings(SettingsContext& c, const PumpValveSettings& settings)
{
    PumpValveResult result;
    if (!PasswordOk(c))
        return result;
    CopyInto(c.info, settings);
    const bool sent = tolviM::SetPNVDetails(c.link, c.services, c.info);
    result.reading = UpdateSettingsPage(c);
    result.outcome = sent ? SettingsOutcome::Done : SettingsOutcome::Failed;
    Message(c, sent ? SettingsMessages::PumpValveSent : SettingsMessages::PumpValveNotSent);
    return result;
}

SettingsOutcome UseAlarmSettings(SettingsContext& c, const AlarmSettings& settings)
{
    if (!PasswordOk(c))
        return SettingsOutcome::Refused;
    c.info.AlarmEnabled = settings.enabled;
    c.info.AlarmOver = settings.over;
    c.info.AlarmDuration = settings.duration;
    c.info.AlarmSetting = settings.level;
    const bool sent = tolviM::SetAlarm(c.link, c.services, c.info);
    Message(c, sent ? SettingsMessages::AlarmSent : SettingsMessages::AlarmNotSent);
    return sent ? SettingsOutcome::Done : SettingsOutcome::Failed;
}

KeyLockResult ToggleKeyLock(SettingsContext& c)
{
    KeyLockResult result;
    if (!PasswordOk(c))
        return result;
    // Without the other bits of the word a write would clear them.
    const auto word = tolviM::ReadControlSwitches(c.link, c.services);
    const auto written = word ? FlipSwitch(c, *word, ControlSwitchBits::KeyLock) : std::nullopt;
    if (!written) {
        result.outcome = SettingsOutcome::Failed;
        NotTaken(c, SettingsMessages::KeyLockNotChanged);
        return result;
    }
    result = KeyLockResult{SettingsOutcome::Done, written};
    c.services.prompts.message(Prompts::Icon::Information,
        (*written & ControlSwitchBits::KeyLock) ? SettingsMessages::KeyLockEnabled : SettingsMessages::KeyLockDisabled);
    return result;
}

FlagBoxResult SetAutoOffBlocked(SettingsContext& c, bool checked)
{
    if (!PasswordOk(c))
        return FlagBoxResult{SettingsOutcome::Refused, !checked};
    const auto word = tolviM::ReadControlSwitches(c.link, c.services);
    if (!word) {
        NotTaken(c, SettingsMessages::FlagNotChanged.arg(QStringLiteral("Disable Auto-off")));
        return FlagBoxResult{SettingsOutcome::Failed, !checked};
    }
    const bool current = (*word & ControlSwitchBits::AutoOffBlocked) != 0;
    if (current == checked)
        return FlagBoxResult{SettingsOutcome::Unchanged, checked};
    if (!FlipSwitch(c, *word, ControlSwitchBits::AutoOffBlocked)) {
        NotTaken(c, SettingsMessages::FlagNotChanged.arg(QStringLiteral("Disable Auto-off")));
        return FlagBoxResult{SettingsOutcome::Failed, current};
    }
    return FlagBoxResult{SettingsOutcome::Done, checked};
}

FlagBoxResult SetSaveAll(SettingsContext& c, bool checked)
{
    if (!PasswordOk(c))
        return FlagBoxResult{SettingsOutcome::Refused, !checked};
    const bool flag = tolviM::GetRFSFlag(c.link, c.services);
    if (flag == checked)
        return FlagBoxResult{SettingsOutcome::Unchanged, checked};
    const bool readBack = tolviM::SetRFSFlag(c.link, c.services, !flag);
    if (readBack != !flag) {
        NotTaken(c, SettingsMessages::FlagNotChanged.arg(QStringLiteral("Save All")));
        return FlagBoxResult{SettingsOutcome::Failed, readBack};
    }
    History(c, QStringLiteral("::: Remote FRAM Save flasg was toggled by ") + GetUserName() + QStringLiteral(" to be ")
            + tolviM::BooleanText(!flag));
    return FlagBoxResult{SettingsOutcome::Done, readBack};
}

SettingsOutcome SetKeyLock(SettingsContext& c, bool on)
{
    const auto word = tolviM::ReadControlSwitches(c.link, c.services);
    if (word && bool(*word & ControlSwitchBits::KeyLock) == on)
        return SettingsOutcome::Unchanged;
    return ToggleKeyLock(c).outcome;
}

SettingsOutcome SetDataDump(SettingsContext& c, bool on)
{
    const auto state = ReadDataDumpState(c);
    if (state && *state == on)
        return SettingsOutcome::Unchanged;
    return ToggleDataDump(c, !on).outcome;
}

DataDumpResult ToggleDataDump(SettingsContext& c, bool enabledNow)
{
    DataDumpResult result{SettingsOutcome::Refused, enabledNow};
    if (!PasswordOk(c))
        return result;
    const bool enable = !enabledNow;
    // Switching it on cuts the instrument off from the PC at its next power
    // cycle: a warning that Enter answers No.
    const Prompts::Answer answer = enable
        ? c.services.prompts.askYesNo(SettingsMessages::DataDumpEnableQuestion, {}, Prompts::Icon::Exclamation,
              Prompts::Answer::No)
        : c.services.prompts.askYesNo(SettingsMessages::DataDumpDisableQuestion);
    if (answer != Prompts::Answer::Yes)
        return result;
    const QByteArray flag = tolviM::FlagByte(enable);
    if (!tolviM::WriteEeprom(c.link, c.services.log, EepromMap::DataDumpMode, flag, 0)) {
        c.services.log.debugMessage(QStringLiteral("The instrument did not confirm ")
                + QString::fromLatin1(tolviM::EepromWriteText(EepromMap::DataDumpMode, flag)),
            SessionLog::Problem);
        result.outcome = SettingsOutcome::Failed;
        return result;
    }
    c.services.log.debugMessage(enable ? QStringLiteral("Data Dump Mode enabled.") : QStringLiteral("Data Dump Mode disabled."),
        SessionLog::Info);
    c.services.prompts.message(Prompts::Icon::Information,
        enable ? SettingsMessages::DataDumpEnabledBox : SettingsMessages::DataDumpDisabledBox);
    Message(c, enable ? SettingsMessages::DataDumpActivated : SettingsMessages::DataDumpDeactivated);
    History(c, (enable ? QStringLiteral("::: Data Dump mode enabled by ") : QStringLiteral("::: Data Dump mode disabled by "))
            + GetUserName());
    return DataDumpResult{SettingsOutcome::Done, enable};
}

SettingsOutcome SetClockToPcTime(SettingsContext& c)
{
    if (c.info.ScheduleRunning && c.services.prompts.askYesNo(SettingsMessages::ClockQuestion) != Prompts::Answer::Yes)
        return SettingsOutcome::Refused;
    tolviM::SetRTCDetails(c.link, c.services);
    c.link.WaitFor(c.link.timing().clockSettleSeconds);   // the instrument takes the new setting
    if (c.cancel && c.cancel->isRequested()) {
        // A cancel cuts the wait short; the clock is still read back.
        c.services.log.debugMessage(QStringLiteral("Wait for the instrument clock cut short"), SessionLog::Info);
        c.cancel->reset();
    }
    const QDateTime before = c.info.PCTime;
    tolviM::GetRTCDetails(c.link, c.services, c.info);
    const bool readBack = c.info.PCTime != before;
    const bool agrees = readBack && std::fabs(ClockErrorDays(c.info)) < ClockErrorBalloonDays;
    // The reading just taken is the clock error everywhere it shows; only a
    // clock that did not answer leaves it unknown.
    c.observer.statusText(2, readBack ? ClockErrorText(ClockErrorDays(c.info)) : ClockErrorUnknownText);
    MarkStateStale(c.link);
    if (!agrees) {
        NotTaken(c, SettingsMessages::ClockNotSet);
        return SettingsOutcome::Failed;
    }
    Message(c, SettingsMessages::ClockSet);
    History(c, QStringLiteral("::: Instrument clock set by ") + GetUserName());
    return SettingsOutcome::Done;
}
