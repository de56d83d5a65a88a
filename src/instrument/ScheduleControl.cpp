#include "instrument/ScheduleControl.h"

#include "instrument/Reply.h"
#include "instrument/RetriedRead.h"
#include "link/InstrumentLink.h"
#include "shell/Bits.h"

namespace tolviM {

namespace {
const QByteArray StateEcho = "%A00";
constexpr int StateReplyLength = 8;      // length character, "A00", the state byte, checksum
const QByteArray PauseEcho = "'A05";

QByteArray PauseRequest(int seconds)
{
    return QByteArray("A05") + HexL(seconds, 4).toLatin1();
}
}

std::optional<int> ReadScheduleState(InstrumentLink& link, SessionLog& log, RetryBudget& budget)
{
    const auto reply = RetriedRead(link, log, budget, ReadRequest{"A04", StateEcho, 1, StateReplyLength});
    if (!reply)
        return std::nullopt;
    return int(HexUnsigned(ReplyText(*reply, 5, 2))) & ScheduleState::Bits;
}

bool ScheduleControl(InstrumentLink& link, SessionLog& log, RetryBudget& budget, ScheduleCommand command)
{
    const QByteArray request = command == ScheduleCommand::Start ? "A02" : "A03";
    return RetriedRead(link, log, budget, ReadRequest{request, StateEcho, 1, 0}).has_value();
}

bool PauseSchedule(InstrumentLink& link, RetryBudget& budget, int seconds, double timeoutSeconds)
{
    const ExchangeOutcome outcome = RetriedExchange(link, budget, PauseRequest(seconds), timeoutSeconds);
    return outcome.replyOk() && outcome.checked.startsWith(PauseEcho);
}

bool PauseSchedule(InstrumentLink& link, RetryBudget& budget, int seconds)
{
    return PauseSchedule(link, budget, seconds, link.timing().shortReplyTimeoutSeconds);
}

bool ResumeSchedule(InstrumentLink& link, RetryBudget& budget)
{
    return PauseSchedule(link, budget, 0);
}

bool ResumeSchedule(InstrumentLink& link, RetryBudget& budget, double timeoutSeconds)
{
    return PauseSchedule(link, budget, 0, timeoutSeconds);
}

void AskSchedulePause(InstrumentLink& link)
{
    SendOnce(link, "A05");
}

}
