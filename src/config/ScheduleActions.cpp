#include "ScheduleActions.h"

#include "instrument/EepromMap.h"
#include "instrument/InstrumentInfo.h"
#include "instrument/EepromAccess.h"
#include "instrument/RetryBudget.h"
#include "instrument/Schedule.h"
#include "instrument/ScheduleControl.h"
#include "instrument/StaleState.h"
#include "link/InstrumentLink.h"
#include "shell/Operation.h"
#include "shell/Prompts.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

#include <QDateTime>

namespace {
constexpr int SwitchRetries = 2;         // each state command is tried three times at most
constexpr int SwitchedBalloonMs = 5000;
const QByteArray ParkSensorBytes = QByteArray::fromHex("5231");

// The schedule's state: bit 0 enabled, bit 1 running.
enum State { Idle = 0, Enabled = 1, RunningNotEnabled = 2, EnabledAndRunning = 3 };

std::optional<int> ReadState(InstrumentLink& link, SessionLog& log)
{
    tolviM::RetryBudget budget{SwitchRetries};
    return tolviM::ReadScheduleState(link, log, budget);
}
}

std::optional<bool> ProbeParkSensor(InstrumentLink& link, SessionLog& log)
{
    // Any good reply counts; its bytes decide.
    const auto bytes = tolviM::ReadEeprom(link, log, EepromMap::ParkSensorMarker, 2, 0, tolviM::ReadCheck::LengthOnly);
    if (!bytes)
        return std::nullopt;
    return *bytes == ParkSensorBytes;
}

SchedulePageModel::Reading ReadForSchedulePage(InstrumentLink& link, SessionLog& log, const InstrumentInfo& info)
{
    SchedulePageModel::Reading reading;
    reading.parkSensor = ProbeParkSensor(link, log);
    reading.scheduleEnabled = info.ScheduleEnabled;
    reading.scheduleRunning = info.ScheduleRunning;
    return reading;
}

void UpdateSchedulePage(SchedulePageModel& page, InstrumentLink& link, Services& services, const InstrumentInfo& info)
{
    page.take(info);
    RefreshSchedulePage(page, link, services, info);
}

void RefreshSchedulePage(SchedulePageModel& page, InstrumentLink& link, Services& services, const InstrumentInfo& info)
{
    page.refresh(ReadForSchedulePage(link, services.log, info), services.prompts, services.appCaption);
}

ScheduleSendOutcome SendSchedule(ScheduleContext& c, const ScheduleRecord& outgoing)
{
    if (!LoginOK(c.services, c.passwordDialog))
        return ScheduleSendOutcome::NotAllowed;
    if (c.services.prompts.askYesNo(ScheduleMessages::SendQuestion, c.services.appCaption, Prompts::Icon::Question)
        != Prompts::Answer::Yes)
        return ScheduleSendOutcome::NotAllowed;
    outgoing.applyTo(c.info);
    const bool sent = tolviM::SetScheduleDetails(c.link, c.services, c.info);
    // Read back either way: the record then holds what the instrument has.
    tolviM::GetScheduleDetails(c.link, c.services, c.info);
    MarkStateStale(c.link);
    c.observer.statusText(1, sent ? ScheduleMessages::Sent : ScheduleMessages::NotSent);
    return sent ? ScheduleSendOutcome::Sent : ScheduleSendOutcome::Failed;
}

ScheduleSwitchResult SwitchSchedule(ScheduleContext& c, ScheduleSwitch want, bool balloon)
{
    SessionLog& log = c.services.log;
    ScheduleSwitchResult result;
    const std::optional<int> state = ReadState(c.link, log);
    if (!state)
        return result;
    result.state = *state;

    std::optional<tolviM::ScheduleCommand> command;
    switch (result.state) {
    case Idle:
        if (want != ScheduleSwitch::Stop)
            command = tolviM::ScheduleCommand::Start;
        break;
    case Enabled:
        if (want != ScheduleSwitch::Start)
            command = tolviM::ScheduleCommand::Stop;
        break;
    case RunningNotEnabled:
        // Nothing is sent, and nothing was toggled.
        log.debugMessage(ScheduleMessages::RunningNotEnabled, SessionLog::Info);
        c.observer.statusText(1, ScheduleMessages::RunningNotEnabled);
        result.outcome = ScheduleSwitchOutcome::RunningNotEnabled;
        return result;
    case EnabledAndRunning:
        if (want == ScheduleSwitch::Start)
            break;
        if (c.services.prompts.askYesNo(ScheduleMessages::StopQuestion, c.services.appCaption, Prompts::Icon::Question)
            != Prompts::Answer::Yes) {
            result.outcome = ScheduleSwitchOutcome::Declined;
            return result;
        }
        command = tolviM::ScheduleCommand::Stop;
        break;
    }
    if (!command) {
        log.debugMessage(QStringLiteral("Schedule already %1; nothing sent")
                             .arg(want == ScheduleSwitch::Start ? QStringLiteral("enabled") : QStringLiteral("disabled")),
            SessionLog::Info);
        result.outcome = ScheduleSwitchOutcome::Unchanged;
        return result;
    }
    tolviM::RetryBudget budget{SwitchRetries};
    if (!tolviM::ScheduleControl(c.link, log, budget, *command))
        return result;

    log.debugMessage(QStringLiteral("Schedule status toggled"), SessionLog::Info);
    const QString said = *command == tolviM::ScheduleCommand::Start ? ScheduleMessages::Started : ScheduleMessages::Stopped;
    c.observer.statusText(1, said);
    // The new state as the instrument reports it, not a guess.
    if (const std::optional<int> after = ReadState(c.link, log)) {
        result.stateAfter = *after;
        c.info.ScheduleEnabled = result.enabledAfter();
        c.info.ScheduleRunning = result.runningAfter();
        c.observer.statusText(3, ScheduleStateText(c.info.ScheduleEnabled, c.info.ScheduleRunning));
    } else {
        c.observer.statusText(3, QStringLiteral("Schedule: ???"));
    }
    if (balloon)
        c.services.prompts.balloon(said, c.services.appCaption, Prompts::Icon::Information, SwitchedBalloonMs);
    MarkStateStale(c.link);
    result.outcome = ScheduleSwitchOutcome::Switched;
    return result;
}
