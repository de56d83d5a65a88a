#pragma once
#include "config/SettingsPageModel.h"
#include "config/SettingsRefresh.h"

#include <optional>

// The Settings page's actions on the instrument. Each is a synchronous
// procedure (the window runs it on its instrument thread, the command line
// and the tests call it directly); messages go to status panel 1 through
// the context's observer, boxes and questions through the prompts.

enum class SettingsOutcome {
    Done,        // the instrument was changed
    Unchanged,   // it already was as asked: nothing was written
    Refused,     // the password or a question said no: nothing was written
    Failed,      // the instrument did not take the change
};

// "Re-Load Settings": the pump and valve settings, then the page's refresh.
SettingsReading ReloadPumpValve(SettingsContext& context);

// "Use these Settings" of the pump and valve frame: password, the write (which
// asks first and resets the calibration), then the page's refresh (also after
// a failed write, so the page shows what the instrument holds).
struct PumpValveResult {
    SettingsOutcome outcome = SettingsOutcome::Refused;
    std::optional<SettingsReading> reading;
};
PumpValveResult UsePumpValveSettings(SettingsContext& context, const PumpValveSettings& settings);

// "Use these Settings" of the alarm frame.
SettingsOutcome UseAlarmSettings(SettingsContext& context, const AlarmSettings& settings);

// "Toggle Key Lock": flips bit 0 of the control switches. The history line
// is written only when the instrument took the new word.
struct KeyLockResult {
    SettingsOutcome outcome = SettingsOutcome::Refused;
    std::optional<uint16_t> switches;   // the word written
};
KeyLockResult ToggleKeyLock(SettingsContext& context);

// A check box that mirrors an instrument flag ("Disable Auto-off", "Save
// All"): the state it shows afterwards (put back when refused or not taken).
struct FlagBoxResult {
    SettingsOutcome outcome = SettingsOutcome::Refused;
    bool checked = false;
};
FlagBoxResult SetAutoOffBlocked(SettingsContext& context, bool checked);
FlagBoxResult SetSaveAll(SettingsContext& context, bool checked);

// "Enable Data Dump" (enabledNow false) or "Disable Data Dump" (true): asks,
// writes the data-dump byte, tells the user. enabled: the state the caption
// then shows.
struct DataDumpResult {
    SettingsOutcome outcome = SettingsOutcome::Refused;
    bool enabled = false;
};
DataDumpResult ToggleDataDump(SettingsContext& context, bool enabledNow);

// The key lock and the data-dump mode to a wanted state (the command line's
// way): the toggle runs only when the instrument is not already as asked.
SettingsOutcome SetKeyLock(SettingsContext& context, bool on);
SettingsOutcome SetDataDump(SettingsContext& context, bool on);

// "Set Clock to PC Time": asks first while the schedule runs, sets the clock,
// waits 5 seconds (a cancel cuts the wait short, then clears the request),
// reads the clock back and has the keep-alive compare the clocks at its next
// tick. The history line is written only when the clock read back agrees
// with the PC's.
SettingsOutcome SetClockToPcTime(SettingsContext& context);

// The texts the actions show.
namespace SettingsMessages {
inline const QString PumpValveSent = QStringLiteral("New Pump and Valve settings sent to instrument.");
inline const QString PumpValveNotSent = QStringLiteral("The Pump and Valve settings were not changed.");
inline const QString AlarmSent = QStringLiteral("New alarm settings sent to instrument.");
inline const QString AlarmNotSent = QStringLiteral("The alarm settings were not changed.");
inline const QString KeyLockEnabled = QStringLiteral("Instrument Key Lock has been enabled.");
inline const QString KeyLockDisabled = QStringLiteral("Instrument Key Lock has been disabled.");
inline const QString KeyLockNotChanged =
    QStringLiteral("The instrument did not confirm the new switch settings: its Key Lock was not changed.");
inline const QString FlagNotChanged =
    QStringLiteral("The instrument did not confirm the change: \"%1\" was not changed.");
inline const QString ClockSet = QStringLiteral("Instrument clock set to local PC time.");
inline const QString ClockNotSet =
    QStringLiteral("The instrument clock could not be set: it does not read the PC's time.");
inline const QString ClockQuestion = QStringLiteral(
    "Changing the instrument clock may stop the current schedule until you cycle the power on the instrument. "
    "Are you sure you want to continue?");
inline const QString DataDumpEnableQuestion = QStringLiteral(
    "This will disable the PC communication link on your instrument the next time you cycle its power and can "
    "only be re-enabled from the instrument. Are you sure you wish to continue?");
inline const QString DataDumpDisableQuestion = QStringLiteral(
    "This will re-enable the PC communication link on your instrument as long as you have not cycled the "
    "instrument power. Are you sure you wish to continue?");
inline const QString DataDumpEnabledBox = QStringLiteral(
    "Data Dump mode has been activated - you can now connect to the instrument with a serial terminal emulator at "
    "9600 baud, no parity, 8 data bits & 1 stop bit. \r\nSending the letter X to the instrument will download the "
    "entire contents of memory. To revert to the PC Communications consult your Operation Manual. ");
inline const QString DataDumpDisabledBox = QStringLiteral("Data Dump mode has been de-activated.");
inline const QString DataDumpActivated = QStringLiteral("Data Dump mode activated.");
inline const QString DataDumpDeactivated = QStringLiteral("Data Dump mode de-activated.");
}
