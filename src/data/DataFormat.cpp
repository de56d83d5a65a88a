#include "DataFormat.h"

namespace {
struct Entry {
    const char* caption;
    const char* cliName;
    DataFormats::Layout layout;
    DataFormats::Selection selection;
    const char* datePicture;
    const char* logSuffix;
};

using L = DataFormats::Layout;
using S = DataFormats::Selection;

constexpr Entry kEntries[DataFormats::Count] = {
    {"All (DD - MMM - YYYY)", "dd-mmm-yyyy", L::Dated, S::All, "DD-MMM-YYYY", " via DD-MMM-YYYY Filter"},
    {"All (DD / MM / YY)", "dd/mm/yy", L::Dated, S::All, "DD/MM/YY", " via DD/MM/YY Filter"},
    {"All (MM / DD / YY)", "mm/dd/yy", L::Dated, S::All, "MM/DD/YY", " via MM/DD/YY Filter"},
    {"All (UTC)", "utc", L::Utc, S::All, "", " via UTC Filter"},
    {"By Schedule", "by-schedule", L::Dated, S::Schedule, "DD-MMM-YYYY", " via DD-MMM-YYYY Filter"},
    {"By Date Range", "by-date", L::Dated, S::DateRange, "DD-MMM-YYYY", " via DD-MMM-YYYY Filter"},
    {"By Concentration Range", "by-concentration", L::Dated, S::Concentration, "DD-MMM-YYYY",
        " via DD-MMM-YYYY Filter"},
    {"Comprehensive", "comprehensive", L::Comprehensive, S::All, "", " via Comprehensive Filter"},
    {"As gnuplot script!", "gnuplot", L::PlotScript, S::All, "", ""},
};

const Entry& entry(DataFormat format) { return kEntries[static_cast<int>(format)]; }
}

DataFormat DataFormats::fromIndex(int index)
{
    return (index >= 0 && index < Count) ? static_cast<DataFormat>(index) : DataFormat::AllDayMonthName;
}

QString DataFormats::caption(DataFormat format) { return QString::fromLatin1(entry(format).caption); }
QString DataFormats::cliName(DataFormat format) { return QString::fromLatin1(entry(format).cliName); }

std::optional<DataFormat> DataFormats::parse(const QString& nameOrIndex)
{
    const QString wanted = nameOrIndex.trimmed().toLower();
    bool isNumber = false;
    const int index = wanted.toInt(&isNumber);
    if (isNumber)
        return (index >= 0 && index < Count) ? std::optional(static_cast<DataFormat>(index)) : std::nullopt;
    for (int i = 0; i < Count; ++i) {
        if (wanted == QLatin1String(kEntries[i].cliName))
            return static_cast<DataFormat>(i);
    }
    return std::nullopt;
}

DataFormats::Layout DataFormats::layout(DataFormat format) { return entry(format).layout; }
DataFormats::Selection DataFormats::selection(DataFormat format) { return entry(format).selection; }
QString DataFormats::datePicture(DataFormat format) { return QString::fromLatin1(entry(format).datePicture); }
QString DataFormats::savedLogSuffix(DataFormat format) { return QString::fromLatin1(entry(format).logSuffix); }

bool DataFormats::greysSingleColumnBox(DataFormat format)
{
    return format == DataFormat::AllUtc || format == DataFormat::Comprehensive;
}
