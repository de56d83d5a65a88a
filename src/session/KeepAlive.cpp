#include "KeepAlive.h"

#include "ConnectionControl.h"
#include "instrument/Clock.h"
#include "instrument/InstrumentInfo.h"
#include "instrument/SampleMemory.h"
#include "instrument/Schedule.h"
#include "link/InstrumentLink.h"
#include "shell/Picture.h"
#include "shell/Prompts.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

#include <cmath>
#include <limits>

double IdleSeconds(const QDateTime& lastCommsAt, const QDateTime& now)
{
    if (!lastCommsAt.isValid())
        return std::numeric_limits<double>::infinity();
    return lastCommsAt.msecsTo(now) / 1000.0;
}

QString ScheduleStateText(const InstrumentInfo& info)
{
    return ScheduleStateText(info.ScheduleEnabled, info.ScheduleRunning);
}

QString MemoryUsedText(const InstrumentInfo& info)
{
    if (info.SlotsTotal == 0)
        return {};
    return QStringLiteral("Memory Used:") + FormatNumber(double(info.SlotsUsed) / info.SlotsTotal, QStringLiteral("0%"));
}

KeepAliveOutcome KeepAliveTick(ConnectionContext& c, const QDateTime& now)
{
    KeepAliveOutcome outcome;
    SessionLog& log = c.services.log;
    outcome.idleSeconds = IdleSeconds(c.link.lastCommsAt(), now);
    const ProtocolTiming& timing = c.link.timing();
    if (outcome.idleSeconds <= timing.keepAlivePingAfterIdleSeconds) {
        if (outcome.idleSeconds > timing.keepAliveIdleLogSeconds)
            log.debugMessage(QStringLiteral("Comms Idle for ") + FormatNumber(outcome.idleSeconds, QStringLiteral("00"))
                    + QStringLiteral(" seconds"),
                SessionLog::Info);
        return outcome;
    }

    log.debugMessage(QStringLiteral("PING Triggered"), SessionLog::Detail);
    if (PingInstrument(c.link)) {
        outcome.kind = KeepAliveOutcome::Kind::Answered;
        InstrumentInfo& info = c.info;
        tolviM::GetFRAMDetails(c.link, c.services, info);
        outcome.memoryText = MemoryUsedText(info);
        tolviM::GetScheduleDetails(c.link, c.services, info);
        outcome.scheduleText = ScheduleStateText(info);
        tolviM::GetRTCDetails(c.link, c.services, info);
        const double error = ClockErrorDays(info);
        outcome.clockText = ClockErrorText(error);
        WarnOfClockError(c.services, info, error);
    } else {
        outcome.kind = KeepAliveOutcome::Kind::Lost;
    }
    log.debugMessage(QStringLiteral("PING Complete"), SessionLog::Detail);
    return outcome;
}
