#pragma once
#include <QString>
#include <exception>
#include <new>
#include <stdexcept>

class SessionLog;
class Prompts;

// The numbers the common error text gives each kind of failure.
namespace ErrorNumber {
enum : int {
    InvalidProcedureCall = 5,   // any other unexpected failure
    Overflow = 6,
    OutOfMemory = 7,
    SubscriptOutOfRange = 9,
    PathFileAccessError = 75,
};
} // namespace ErrorNumber

// Where an unexpected failure happened, for the common error text.
struct ErrorSite {
    const char* procedure;    // e.g. "GetFRAMSlot"
    const char* unit;         // e.g. "tolviM" or "frmMain"
    bool isForm = false;      // "Form" for windows, "Module" for modules
};

// "Error <n> (<description>) on line <line> in procedure <name> of Form|Module <unit>."
QString ErrorText(int number, const QString& description, int line, const ErrorSite& site);

// The same for a failure of a file as a whole, which has no line:
// "Error <n> (<description>) in file <path> in procedure <name> of Form|Module <unit>."
QString FileErrorText(int number, const QString& description, const QString& path, const ErrorSite& site);

// The common error path: builds the text, logs it at level 255 and shows it in
// a message box. Procedures call this from their catch block and then return
// the neutral result they had reached.
void ReportError(SessionLog& log, Prompts& prompts, const ErrorSite& site, int number,
    const QString& description, int line = 0);
// The common error path for a failure of the file at path as a whole.
void ReportFileError(SessionLog& log, Prompts& prompts, const ErrorSite& site, int number,
    const QString& description, const QString& path);

// The boundary of a procedure or a window action: runs body and reports an
// unexpected failure through the common error path, numbered by its kind.
// False when body failed; the caller then returns what it had reached.
template <typename Body>
bool GuardBoundary(SessionLog& log, Prompts& prompts, const ErrorSite& site, Body&& body)
{
    auto report = [&](int number, const char* what) {
        ReportError(log, prompts, site, number, QString::fromLocal8Bit(what));
    };
    try {
        body();
        return true;
    } catch (const std::out_of_range& e) {
        report(ErrorNumber::SubscriptOutOfRange, e.what());
    } catch (const std::overflow_error& e) {
        report(ErrorNumber::Overflow, e.what());
    } catch (const std::bad_alloc& e) {
        report(ErrorNumber::OutOfMemory, e.what());
    } catch (const std::exception& e) {
        report(ErrorNumber::InvalidProcedureCall, e.what());
    }
    return false;
}
