#pragma once
#include <QString>

struct Services;
struct InstrumentInfo;
class InstrumentLink;
class OperationObserver;
class CancelToken;

// The sensor refresh ("Refresh Sensor"): saves the instrument's pump and
// valve settings, sets a short fixed pump and valve run time, puts the
// instrument into its TEST mode, triggers a number of sampling cycles, leaves
// TEST mode and writes the saved settings back.
//
// Leaving TEST mode and each of the two restore writes are repeated until
// the instrument answers, but only a bounded number of times (the link
// timing's TEST-mode attempts, each followed by its pause): an instrument
// switched off during the refresh ends the procedure after about a minute
// per step, and the user is told plainly what may be left undone, with the
// saved bytes in the session log and the instrument's history.

struct SensorRefreshContext {
    Services& services;
    InstrumentLink& link;           // follows `cancel` during the procedure, except while leaving TEST mode and restoring
    InstrumentInfo& info;           // its record folder takes the history lines of an unfinished restore
    OperationObserver& observer;    // status panel 1 and the progress through the cycles
    CancelToken& cancel;            // polled between cycles
    QString scheduleStatus;         // status panel 3 as shown ("Schedule: Disabled")
};

enum class SensorRefreshOutcome {
    ScheduleNotDisabled,    // refused before anything was sent
    NotConfirmed,           // No or Cancel: nothing was sent
    BadParameters,          // a "Refresh" value out of range, reported; nothing was sent
    NotSaved,               // the pump and valve settings could not be read: the instrument is unchanged
    NotRefreshed,           // the overwrite or the test start failed; TEST mode left and settings restored
    Cancelled,              // stopped between cycles; TEST mode left and settings restored
    Refreshed,              // every cycle ran; TEST mode left and settings restored
    RestoreIncomplete,      // the instrument stopped answering: it may still be in TEST mode or keep the refresh's settings
};

SensorRefreshOutcome RefreshSensor(SensorRefreshContext& context);

// The status panel texts of the refresh.
inline const QString RefreshingText = QStringLiteral("Refreshing the sensor...");
QString RefreshCycleText(int cycle, int cycles);   // "Refreshing the sensor... [Cycle 3 of 10]"

// The status bar's cancel gesture during the cycles: requests the cancel
// (the refresh stops after the running cycle) and returns true; false for
// any other panel text.
bool SensorRefreshCancelGesture(const QString& panel1Text, CancelToken& cancel, Services& services);
