#pragma once
#include "instrument/RetryBudget.h"

#include <optional>

class InstrumentLink;
class SessionLog;

// Starting, stopping and pausing the instrument's sampling schedule, and its
// state: the requests "A02" (start), "A03" (stop), "A04" (state) and "A05"
// (pause).
namespace tolviM {

// The schedule's state bits: bit 0 enabled, bit 1 running.
namespace ScheduleState {
constexpr int Enabled = 1;
constexpr int Running = 2;
constexpr int Bits = Enabled | Running;
}

// Reads the schedule's state ("A04"), repeated within the budget; the state
// bits, or nothing when no good reply came.
std::optional<int> ReadScheduleState(InstrumentLink& link, SessionLog& log, RetryBudget& budget);

enum class ScheduleCommand { Start, Stop };
// Starts ("A02") or stops ("A03") the schedule, repeated within the budget;
// true when the instrument acknowledged it.
bool ScheduleControl(InstrumentLink& link, SessionLog& log, RetryBudget& budget, ScheduleCommand command);

// Pauses a running schedule for seconds (0 ends the pause), repeated within
// the budget, each request waiting timeoutSeconds (by default the link's
// short reply timeout); true when the instrument acknowledged it.
bool PauseSchedule(InstrumentLink& link, RetryBudget& budget, int seconds);
bool PauseSchedule(InstrumentLink& link, RetryBudget& budget, int seconds, double timeoutSeconds);
// Ends the pause (a pause of 0 seconds).
bool ResumeSchedule(InstrumentLink& link, RetryBudget& budget);
bool ResumeSchedule(InstrumentLink& link, RetryBudget& budget, double timeoutSeconds);

// Asks how long the schedule stays paused, once (the reply is not read).
void AskSchedulePause(InstrumentLink& link);

}
