#pragma once
#include <QString>

// The user manual that Help (F1) opens, and the session-log line of the attempt.
QString ManualPath(const QString& appFolder);
// The shell's result number (above 32 opened, 2 file not found) followed
// directly by the text, as the log has always shown it.
QString HelpOpenedLogLine(bool opened);
