#pragma once
#include "shell/ErrorReport.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

#include <QString>
#include <exception>
#include <new>
#include <stdexcept>

namespace tolviM {

// Runs a procedure's body and reports an unexpected failure through the
// common error path; the procedure then returns the result it had reached.
template <typename Body>
void Guarded(Services& services, const char* procedure, Body&& body)
{
    auto report = [&](int number, const char* what) {
        ReportError(services.log, services.prompts, ErrorSite{procedure, "tolviM"}, number,
            QString::fromLocal8Bit(what));
    };
    try {
        body();
    } catch (const std::out_of_range& e) {
        report(9, e.what());      // subscript out of range
    } catch (const std::overflow_error& e) {
        report(6, e.what());      // overflow
    } catch (const std::bad_alloc& e) {
        report(7, e.what());      // out of memory
    } catch (const std::exception& e) {
        report(5, e.what());      // invalid procedure call
    }
}

// A progress line of the session log.
inline void Progress(Services& services, const QString& text)
{
    services.log.debugMessage(text, SessionLog::Info);
}

}
