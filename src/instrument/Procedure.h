#pragma once
#include "shell/ErrorReport.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

#include <QString>

namespace tolviM {

// Runs a procedure's body and reports an unexpected failure through the
// common error path; the procedure then returns the result it had reached.
template <typename Body>
void Guarded(Services& services, const char* procedure, Body&& body)
{
    GuardBoundary(services.log, services.prompts, ErrorSite{procedure, "tolviM"}, std::forward<Body>(body));
}

// A progress line of the session log.
inline void Progress(Services& services, const QString& text)
{
    services.log.debugMessage(text, SessionLog::Info);
}

}
