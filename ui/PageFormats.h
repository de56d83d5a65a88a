#pragma once
#include <QString>

// How the pages show dates and times, one format everywhere (the
// instrument's dates on the Settings and Configure pages, the Download
// page's filter).
namespace PageFormats {
inline const QString Date = QStringLiteral("dd-MMM-yyyy");
inline const QString Time = QStringLiteral("HH:mm:ss");
}
