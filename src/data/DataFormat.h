#pragma once
#include <QString>
#include <optional>

// The entries of the data-format list of the Download page. The index is what
// the list shows, what "Filter" in user.txt stores and what the command line's
// --format accepts; the entry decides which slots are written and the layout.
enum class DataFormat : int {
    AllDayMonthName = 0,   // "All (DD - MMM - YYYY)"
    AllDayMonthYear = 1,   // "All (DD / MM / YY)"
    AllMonthDayYear = 2,   // "All (MM / DD / YY)"
    AllUtc = 3,            // "All (UTC)"
    BySchedule = 4,
    ByDateRange = 5,
    ByConcentration = 6,
    Comprehensive = 7,
    PlotScript = 8,
};

namespace DataFormats {
constexpr int Count = 9;

enum class Layout { Dated, Utc, Comprehensive, PlotScript };
enum class Selection { All, Schedule, DateRange, Concentration };

// An index outside 0..8 (the list has no selection) counts as entry 0.
DataFormat fromIndex(int index);
QString caption(DataFormat format);
// The command line's name of the entry ("dd-mmm-yyyy", "utc", "gnuplot", ...).
QString cliName(DataFormat format);
// A command-line name or a decimal index; nullopt when it is neither.
std::optional<DataFormat> parse(const QString& nameOrIndex);

Layout layout(DataFormat format);
Selection selection(DataFormat format);
// The date picture of a dated layout ("DD-MMM-YYYY", "DD/MM/YY", "MM/DD/YY").
QString datePicture(DataFormat format);
// The suffix of the "results saved to" log line; empty for the plot script.
QString savedLogSuffix(DataFormat format);
// UTC and Comprehensive have their own time columns: the single-column box is greyed.
bool greysSingleColumnBox(DataFormat format);
}
