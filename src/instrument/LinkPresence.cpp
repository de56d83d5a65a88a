#include "LinkPresence.h"

#include "link/InstrumentLink.h"
#include "shell/Prompts.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

bool InstrumentConnected(InstrumentLink& link, Services& services)
{
    if (link.isOpen())
        return true;
    services.log.debugMessage(NoInstrumentText, SessionLog::Warning);
    services.prompts.message(Prompts::Icon::Exclamation, NoInstrumentText, services.appCaption);
    return false;
}
