#pragma once
#include "config/ScheduleFile.h"
#include "shell/Prompts.h"

#include <QDateTime>
#include <QString>
#include <optional>

class SchedulePageModel;
struct Services;

// "Save Set-up to a File..." and "Load Set-up from a File...": the file
// dialogs' choices, and the writes and reads with their error reports.

// Both dialogs: all files or schedule files (preselected), extension
// "sch"; the save dialog proposes "SCH_" + ddhhmmss.
Prompts::FileChoice ScheduleSaveChoice(const QDateTime& localNow);
Prompts::FileChoice ScheduleOpenChoice();

// Writes the page's set-up; a failure is shown with the common error text.
bool SaveScheduleFile(const SchedulePageModel& page, Services& services, const QString& path);
// Reads and checks the whole file: its content, or nothing after the
// failure was shown with the common error text.
std::optional<ScheduleFileContent> ReadScheduleFile(Services& services, const QString& path);
// Reads and checks the whole file, then applies it to the page; a file that
// cannot be read or holds a bad value changes nothing and is shown with the
// common error text. The caller refreshes the page after a true.
bool LoadScheduleFile(SchedulePageModel& page, Services& services, const QString& path);

// What status panel 1 says after a save and after a load: the file, and
// that loaded values stand on the page only until they are sent (and, when
// the page held unsent changes, that the file's values replaced them).
QString ScheduleSavedText(const QString& path);
QString ScheduleLoadedText(const QString& path, bool replacedUnsent = false);
