#pragma once
#include "shell/Prompts.h"

#include <QDateTime>
#include <QLocale>

class PerUserSettings;

// The save-file dialog of "Save Data": its type list, the preselected type,
// the proposed "Karvex_" name. The chosen type (counted from 1) is both the
// field separator of a delimited file and the "Delimiter" that user.txt keeps.
namespace SaveDialogChoice {

// Dialog type number (1..4) -> field separator: ",", ";", TAB, " ".
// Any other number gives "," (the plot script's dialog has two types only;
// its data file is always TAB-separated).
QString separatorFor(int typeNumber);

// Dialog type number -> the file name extension it implies: "csv" for the
// comma and semicolon types, "txt" for tab and space.
QString extensionFor(int typeNumber);

// The type to preselect from the stored "Delimiter" text: a stored 1..4 is
// kept; anything else (the "0" of "never chosen", a damaged entry) follows the
// locale: 1 (comma) or 2 (semicolon).
int preselectedType(const QString& storedDelimiter, const QLocale& locale);

// "Karvex_" + yymmddhhmmss of the given local time.
QString proposedName(const QDateTime& localNow);

Prompts::FileChoice delimitedFile(const QString& storedDelimiter, const QLocale& locale, const QDateTime& localNow);
Prompts::FileChoice plotScript(const QDateTime& localNow);
// "Save as PNG" of the Download page's chart.
Prompts::FileChoice chartImage(const QDateTime& localNow);

// The folder the last save went to (per-user settings, "Save"/"Folder"),
// where the next dialog opens; empty when none is kept or it is gone.
QString lastFolder(const PerUserSettings& perUser);
void rememberFolder(PerUserSettings& perUser, const QString& savedFilePath);

// The dialog answers with a 0-based filter; the stored number counts from 1.
inline int typeNumberOf(const Prompts::FileChosen& chosen) { return chosen.filterIndex + 1; }
}
