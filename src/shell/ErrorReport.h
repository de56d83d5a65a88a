#pragma once
#include <QString>

class SessionLog;
class Prompts;

// Where an unexpected failure happened, for the common error text.
struct ErrorSite {
    const char* procedure;    // e.g. "GetFRAMSlot"
    const char* unit;         // e.g. "tolviM" or "frmMain"
    bool isForm = false;      // "Form" for windows, "Module" for modules
};

// "Error <n> (<description>) on line <line> in procedure <name> of Form|Module <unit>."
QString ErrorText(int number, const QString& description, int line, const ErrorSite& site);

// The common error path: builds the text, logs it at level 255 and shows it in
// a message box. Procedures call this from their catch block and then return
// the neutral result they had reached.
void ReportError(SessionLog& log, Prompts& prompts, const ErrorSite& site, int number,
    const QString& description, int line = 0);
