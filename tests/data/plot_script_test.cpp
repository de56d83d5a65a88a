#include "SlotFixtures.h"
#include "data/PlotScript.h"

#include <gtest/gtest.h>

using namespace fixtures;

TEST(PlotFileNames, DataFileNeverReplacesTheScript)
{
    struct Case { const char* chosen; const char* data; const char* dataName; const char* chart; };
    const Case cases[] = {
        {"/data/run1.plt", "/data/run1.dat", "run1.dat", "run1.png"},
        {"/data/run1", "/data/run1.dat", "run1.dat", "run1.png"},           // no extension: appended
        {"/data/v1.2/run1", "/data/v1.2/run1.dat", "run1.dat", "run1.png"}, // "." only in a folder name
        {"/data/run.1.plt", "/data/run.1.dat", "run.1.dat", "run.1.png"},
        {"/data/run1.dat", "/data/run1.dat.dat", "run1.dat.dat", "run1.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.chosen);
        const PlotFileNames names = PlotFileNamesFor(QString::fromLatin1(c.chosen));
        EXPECT_EQ(names.scriptPath, QString::fromLatin1(c.chosen));
        EXPECT_EQ(names.dataPath, QString::fromLatin1(c.data)) << c.chosen;
        EXPECT_EQ(names.dataFileName, QString::fromLatin1(c.dataName)) << c.chosen;
        EXPECT_EQ(names.chartFileName, QString::fromLatin1(c.chart)) << c.chosen;
        EXPECT_NE(names.dataPath, names.scriptPath) << c.chosen;
    }
}

TEST(PlotScript, LinesNameTheChartAndTheDataFile)
{
    const PlotFileNames names = PlotFileNamesFor(QStringLiteral("/data/run1.plt"));
    const QDateTime now(QDate(2026, 12, 4), QTime(13, 5, 9));
    const QStringList lines = PlotScriptLines(names, QStringLiteral("123F"), now, QStringLiteral("Tolvi"), english);
    ASSERT_EQ(lines.size(), 20);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("# gnuplot script .:. v1 .:. ")));
    const QStringList fixed = {
        QStringLiteral("set term png size 1024,600 font \"Arial\" 12"),
        QStringLiteral("set output \"run1.png\""),
        QStringLiteral("set xdata time"),
        QStringLiteral("set timefmt \"%d-%b-%Y,%H:%M:%S\""),
        QStringLiteral("set datafile missing \"?\""),
        QStringLiteral("set format x  \"%d%b\\n%H:%M\""),
        QStringLiteral("set format y  \"% 7.3f\""),
        QStringLiteral("set yrange [0:*]"),
        QStringLiteral("set xlabel  \"\""),
        QStringLiteral("set ylabel  \"Concentration / ppm\""),
        QStringLiteral("set title \"Data Downloaded from 123F.\""),
        QStringLiteral("set timestamp \"Downloaded on 04-Dec-2026, 13:05:09 .:. Plotted on %d-%b-%Y, %H:%M:%S .:. Tolvi\""
                       " top norotate font \"Arial, 6\""),
        QStringLiteral("set bmargin -20"),
        QStringLiteral("set xtics axis nomirror rotate by -30"),
        QStringLiteral("set ytics nomirror"),
        QStringLiteral("set mytics 2"),
        QStringLiteral("set key outside bottom center horizontal box"),
        QStringLiteral("set grid xtics ytics"),
        QStringLiteral("plot \"run1.dat\" using 1:($2) title \"Manual Sample\" with points pt 7 lc 1, "
                       "\"run1.dat\" using 1:($3) title \"Scheduled Sample\" with steps ls 2, "
                       "\"run1.dat\" using 1:($3) title \"\" with points pt 7 lc 2, "
                       "\"run1.dat\" using 1:($4) title \"First in Schedule\" with points pt 6 lc 3 ps 1.5"),
    };
    EXPECT_EQ(lines.mid(1), fixed);
}

TEST(PlotScript, DataLinesBySeriesInThePlotNotation)
{
    const QDateTime september(QDate(2026, 9, 4), QTime(13, 5, 0));
    SlotRecord manual = slot(1.5f, september);
    SlotRecord none = slot(-1.0f, september);
    SlotRecord inSchedule = scheduled(0.25f);
    inSchedule.SampleTime = september;
    SlotRecord first = scheduled(2.0f, true);
    first.SampleTime = september;
    SlotRecord tenth = slot(0.1f, september);
    struct Case { const SlotRecord& slot; const char* line; };
    const Case cases[] = {
        {manual, "04-Sep-2026,13:05:00\t1.5\t?\t?\t# Manual sample"},
        {none, "04-Sep-2026,13:05:00\t?\t?\t?\t# Not sampled"},
        {inSchedule, "04-Sep-2026,13:05:00\t?\t0.25\t?\t# Schedule sample"},
        {first, "04-Sep-2026,13:05:00\t?\t2\t2\t# First schedule sample"},
        {tenth, "04-Sep-2026,13:05:00\t0.1\t?\t?\t# Manual sample"},
    };
    // English month names and "." decimals whatever the user's locale: the
    // plotting program reads no other.
    const QLocale before;
    for (const QLocale& userLocale : {english, german}) {
        QLocale::setDefault(userLocale);
        for (const Case& c : cases)
            EXPECT_EQ(PlotDataLine(c.slot), QString::fromLatin1(c.line)) << c.line;
    }
    QLocale::setDefault(before);
    EXPECT_EQ(PlotDataHeader(), QStringLiteral("# TimeStamp    Manual(OrRemote)    Scheduled    FirstInSchedule    # All in ppm"));
}
