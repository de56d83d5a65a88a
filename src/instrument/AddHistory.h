#pragma once
#include <QString>

struct Services;

// Appends one line to the instrument's history file (folder + "/history.txt"):
// the current UTC seconds, a TAB and the text, ended CR LF. The file is
// created when missing. Without a record folder nothing is written (the
// line would otherwise land in whatever folder a relative path resolves to);
// that is logged. Returns false when nothing was written.
bool AddHistory(Services& services, const QString& folder, const QString& text);
