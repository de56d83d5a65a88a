#include "PlotScript.h"

#include "data/DataFileLayout.h"
#include "instrument/SlotRecord.h"
#include "shell/Picture.h"

#include <QFileInfo>

PlotFileNames PlotFileNamesFor(const QString& chosenPath)
{
    const QFileInfo script(chosenPath);
    const QString fileName = script.fileName();
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? fileName.left(dot) : fileName;
    QString dataName = base + QStringLiteral(".dat");
    if (dataName == fileName) // a script saved as "name.dat"
        dataName = fileName + QStringLiteral(".dat");
    PlotFileNames names;
    names.scriptPath = chosenPath;
    names.dataFileName = dataName;
    names.dataPath = script.dir().filePath(dataName);
    names.chartFileName = base + QStringLiteral(".png");
    return names;
}

QStringList PlotScriptLines(const PlotFileNames& names, const QString& serialNumber, const QDateTime& localNow,
    const QString& windowTitle, const QLocale& locale)
{
    const QString q = QStringLiteral("\"");
    const QString data = q + names.dataFileName + q;
    return {
        QStringLiteral("# gnuplot script .:. v1 .:. ") + FormatDate(localNow, QString(), locale),
        QStringLiteral("set term png size 1024,600 font \"Arial\" 12"),
        QStringLiteral("set output ") + q + names.chartFileName + q,
        QStringLiteral("set xdata time"),
        QStringLiteral("set timefmt \"%d-%b-%Y,%H:%M:%S\""),
        QStringLiteral("set datafile missing \"?\""),
        QStringLiteral("set format x  \"%d%b\\n%H:%M\""),
        QStringLiteral("set format y  \"% 7.3f\""),
        QStringLiteral("set yrange [0:*]"),
        QStringLiteral("set xlabel  \"\""),
        QStringLiteral("set ylabel  \"Concentration / ppm\""),
        QStringLiteral("set title ") + q + QStringLiteral("Data Downloaded from ") + serialNumber + QStringLiteral(".") + q,
        QStringLiteral("set timestamp ") + q + QStringLiteral("Downloaded on ")
            + FormatDate(localNow, QStringLiteral("dd-mmm-yyyy, HH:NN:SS"), locale)
            + QStringLiteral(" .:. Plotted on %d-%b-%Y, %H:%M:%S .:. ") + windowTitle + q
            + QStringLiteral(" top norotate font \"Arial, 6\""),
        QStringLiteral("set bmargin -20"),
        QStringLiteral("set xtics axis nomirror rotate by -30"),
        QStringLiteral("set ytics nomirror"),
        QStringLiteral("set mytics 2"),
        QStringLiteral("set key outside bottom center horizontal box"),
        QStringLiteral("set grid xtics ytics"),
        QStringLiteral("plot ") + data + QStringLiteral(" using 1:($2) title \"Manual Sample\" with points pt 7 lc 1, ")
            + data + QStringLiteral(" using 1:($3) title \"Scheduled Sample\" with steps ls 2, ")
            + data + QStringLiteral(" using 1:($3) title \"\" with points pt 7 lc 2, ")
            + data + QStringLiteral(" using 1:($4) title \"First in Schedule\" with points pt 6 lc 3 ps 1.5"),
    };
}

QString PlotDataHeader()
{
    return QStringLiteral("# TimeStamp    Manual(OrRemote)    Scheduled    FirstInSchedule    # All in ppm");
}

QString PlotDataLine(const SlotRecord& slot)
{
    const QLocale plotNotation = QLocale::c();
    const QString time = FormatDate(SampleTimeOf(slot), QStringLiteral("dd-mmm-yyyy,hh:nn:ss"), plotNotation);
    const QString r = ShortestSingleText(slot.Reading, plotNotation);
    const QString none = QStringLiteral("?");
    QStringList fields{time};
    if (slot.Reading < 0)
        fields << none << none << none << QStringLiteral("# Not sampled");
    else if (slot.Scheduled && slot.FirstInSchedule)
        fields << none << r << r << QStringLiteral("# First schedule sample");
    else if (slot.Scheduled)
        fields << none << r << none << QStringLiteral("# Schedule sample");
    else
        fields << r << none << none << QStringLiteral("# Manual sample");
    return fields.join(QLatin1Char('\t'));
}
