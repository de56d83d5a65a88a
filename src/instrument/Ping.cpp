#include "instrument/Ping.h"

#include "link/Frame.h"
#include "link/InstrumentLink.h"

bool PingInstrument(InstrumentLink& link)
{
    const ExchangeOutcome outcome = link.SendMessage(ComposeMessage("S"), true, link.timing().replyTimeoutSeconds);
    return outcome.replyOk() && outcome.received.startsWith("7S");
}
