#pragma once
#include <QString>

// What the About box and "tolvi-cli --version" say about this build:
// program and version, build date, the Qt it runs on (and was built with
// when they differ), and the data folder in use. One fact a line.
QString AboutText(const QString& programName, const QString& dataFolder);

// The user manual that F1 opens: "Tolvi-M Download Software Manual.pdf" in
// the program's own folder, else in the shared data folder of an installed
// program (<prefix>/share/tolvi beside <prefix>/bin). The first path when
// neither exists, so the failure names the documented place.
QString ManualPath(const QString& appFolder);
