#pragma once
#include "config/SchedulePageModel.h"
#include "config/ScheduleRecord.h"
#include "shell/Password.h"

#include <optional>

struct Services;
struct InstrumentInfo;
class InstrumentLink;
class OperationObserver;
class SessionLog;

// The Schedule page's work with the instrument: the refresh's park-sensor
// probe, "Use These Settings", and starting or stopping the schedule. Run on the
// instrument's thread (the window) or directly (command line, tests).
struct ScheduleContext {
    Services& services;
    InstrumentLink& link;
    InstrumentInfo& info;
    OperationObserver& observer;
    PasswordDialogRunner passwordDialog;   // empty: the dialog runs through the prompts
};

// Whether the instrument can park its sensor: one "G01F002" read, no retry;
// nothing when no good reply came.
std::optional<bool> ProbeParkSensor(InstrumentLink& link, SessionLog& log);
// What the page's refresh reads from the instrument and its record.
SchedulePageModel::Reading ReadForSchedulePage(InstrumentLink& link, SessionLog& log, const InstrumentInfo& info);
// Takes the record's schedule into the page and refreshes it, on one thread
// (after connecting, after a reload, after the clock was set).
void UpdateSchedulePage(SchedulePageModel& page, InstrumentLink& link, Services& services, const InstrumentInfo& info);
// After a file was applied to the page: the refresh, with the probe.
void RefreshSchedulePage(SchedulePageModel& page, InstrumentLink& link, Services& services, const InstrumentInfo& info);

enum class ScheduleSendOutcome {
    Sent,          // written and read back into info
    NotAllowed,    // password refused or question answered No: nothing sent
    Failed,        // the instrument did not take it (read back all the same)
};
// "Use These Settings": password, question, the outgoing record into info,
// SetScheduleDetails, GetScheduleDetails, status panel 1.
ScheduleSendOutcome SendSchedule(ScheduleContext& context, const ScheduleRecord& outgoing);

enum class ScheduleSwitch { Toggle, Start, Stop };
enum class ScheduleSwitchOutcome {
    Switched,            // "A02" or "A03" was answered
    Unchanged,           // already as asked (start or stop only): nothing sent
    RunningNotEnabled,   // state 2: logged, nothing sent
    Declined,            // the question to stop a running schedule was answered No
    Failed,              // a command was not answered with "%A00"
};
struct ScheduleSwitchResult {
    ScheduleSwitchOutcome outcome = ScheduleSwitchOutcome::Failed;
    int state = -1;      // the state read with "A04" (bit 0 enabled, bit 1 running)
    // After a switch, the state read again; unset when that read failed.
    std::optional<int> stateAfter;
    bool enabledAfter() const { return stateAfter && (*stateAfter & 1) != 0; }
    bool runningAfter() const { return stateAfter && (*stateAfter & 2) != 0; }
};
// "Start Schedule"/"Stop Schedule" (Toggle), or the one direction asked for: "A04",
// then "A02", "A03", a warning or a question by state. A switch says what
// it did in status panel 1 ("Schedule started.") and reads the state again
// for panel 3 and the record; `balloon` says it in a tray balloon too.
ScheduleSwitchResult SwitchSchedule(ScheduleContext& context, ScheduleSwitch want, bool balloon);

namespace ScheduleMessages {
inline const QString Sent = QStringLiteral("New schedule sent to instrument.");
inline const QString NotSent = QStringLiteral("The new schedule could not be sent to the instrument.");
inline const QString Started = QStringLiteral("Schedule started.");
inline const QString Stopped = QStringLiteral("Schedule stopped.");
inline const QString RunningNotEnabled = QStringLiteral("Schedule is running but not enabled!");
inline const QString SendQuestion = QStringLiteral(
    "Changing the schedule settings may stop the current schedule - your new schedule will take effect when you "
    "restart the instrument. Are you sure you want to continue?");
inline const QString StopQuestion =
    QStringLiteral("The current schedule is running - are you sure you want to disable it?");
}
