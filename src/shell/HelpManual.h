#pragma once
#include <QString>

// The session-log line of an attempt to open the user manual (Help, F1).
// The shell's result number (above 32 opened, 2 file not found) followed
// directly by the text, as the log has always shown it.
QString HelpOpenedLogLine(bool opened);

// What Help (F1) says when the manual is not where it is looked for, or the
// desktop has nothing that opens it; empty when it was opened.
QString ManualProblemMessage(const QString& manualPath, bool exists, bool opened);
