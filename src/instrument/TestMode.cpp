#include "instrument/TestMode.h"

#include "instrument/RetriedRead.h"
#include "link/Frame.h"
#include "link/InstrumentLink.h"

namespace tolviM {

namespace {
// Composed, written, not awaited.
void SendUnanswered(InstrumentLink& link, const QByteArray& payload)
{
    link.SendMessage(ComposeMessage(payload), false, 0);
}
}

void EnterTestMode(InstrumentLink& link)
{
    SendUnanswered(link, "L");
    SendUnanswered(link, "D5C31A7F2");
}

bool StartTest(InstrumentLink& link, SessionLog& log)
{
    RetryBudget budget;
    return RetriedRead(link, log, budget, ReadRequest{"O", "'O"}).has_value();
}

void StartSamplingCycle(InstrumentLink& link)
{
    SendUnanswered(link, "P");
}

bool LeaveTestMode(InstrumentLink& link, SessionLog& log)
{
    RetryBudget once{0};
    return RetriedRead(link, log, once, ReadRequest{"C", "7S"}).has_value();
}

void EndSensorRefresh(InstrumentLink& link)
{
    SendUnanswered(link, "U");
}

}
