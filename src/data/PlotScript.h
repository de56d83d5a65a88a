#pragma once
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

struct SlotRecord;

// The file names of a plot-script save, derived from the path the user chose.
// The data file sits beside the script, named after it with ".dat": the file
// name's extension is replaced, or ".dat" appended when the name has none, so
// the data file never replaces the script.
struct PlotFileNames {
    QString scriptPath;
    QString dataPath;
    QString dataFileName;     // as the script refers to it
    QString chartFileName;    // the PNG the script draws
};
PlotFileNames PlotFileNamesFor(const QString& chosenPath);

// The script: a PNG chart of concentration over time with three series
// (manual or remote, scheduled, first in schedule), reading the data file by
// its bare name, so it is run in its own folder.
QStringList PlotScriptLines(const PlotFileNames& names, const QString& serialNumber, const QDateTime& localNow,
    const QString& windowTitle, const QLocale& locale);

// The data file: a header line, then per record its time as the script's time
// format reads it, and the reading in the column of its series with "?"
// (missing) in the others, TAB-separated. Written in the plotting program's own
// notation (English month names, "." decimals) whatever the user's locale.
QString PlotDataHeader();
QString PlotDataLine(const SlotRecord& slot);
