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

double ClockErrorDays(const InstrumentInfo& info)
{
    // Both readings are whole seconds of wall-clock time; the PC's reading
    // carries milliseconds that would turn an exact match into a tiny error.
    return std::round(info.RTCLocal.msecsTo(info.PCTime) / 1000.0) / 86400.0;
}

QString ClockErrorText(double days)
{
    const QString head = QStringLiteral("Clock Error: ");
    if (days == 0)
        return head + QStringLiteral("None");
    const QString sign = days < 0 ? QStringLiteral("-") : QStringLiteral("+");
    return head + sign + FormatDays(std::fabs(days), QStringLiteral("hh:mm:ss"));
}

QString ScheduleStateText(const InstrumentInfo& info)
{
    if (info.ScheduleEnabled && info.ScheduleRunning)
        return QStringLiteral("Schedule: Running");
    if (info.ScheduleEnabled)
        return QStringLiteral("Schedule: Enabled");
    return QStringLiteral("Schedule: Disabled");
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
    if (outcome.idleSeconds <= PingAfterIdleSeconds) {
        if (outcome.idleSeconds > IdleLogSeconds)
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
        if (std::fabs(error) >= ClockErrorBalloonDays)
            c.services.prompts.balloon(QStringLiteral("Instrument clock has an error of more than 2 minutes (")
                    + FormatDate(info.RTCLocal, QStringLiteral("dd-MMM-YYYY HH:NN:SS"))
                    + QStringLiteral("). It's recommended that you check you PC clock and adjust the instrument "
                                     "clock to match."),
                c.services.appCaption, Prompts::Icon::Information, 20000);
    } else {
        outcome.kind = KeepAliveOutcome::Kind::Lost;
    }
    log.debugMessage(QStringLiteral("PING Complete"), SessionLog::Detail);
    return outcome;
}
