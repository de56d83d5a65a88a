#include "DownloadFilter.h"

#include "instrument/DownloadTable.h"
#include "shell/SessionLog.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {
// The earliest date the From pickers accept.
const QDateTime kPickerMinimum(QDate(1601, 1, 1), QTime(0, 0));

QString removedBy(DataFormats::Selection selection)
{
    switch (selection) {
    case DataFormats::Selection::Schedule: return QStringLiteral(" slots removed by Schedule Filter");
    case DataFormats::Selection::DateRange: return QStringLiteral(" slots removed by Time Filter");
    case DataFormats::Selection::Concentration: return QStringLiteral(" slots removed by Concentration Filter");
    case DataFormats::Selection::All: break;
    }
    return {};
}
}

void DownloadFilter::selectDefaultFormatIfNone()
{
    if (formatIndex < 0 || formatIndex >= DataFormats::Count)
        formatIndex = 0;
}

void DownloadFilter::normaliseBounds()
{
    if (boundA > boundB)
        std::swap(boundA, boundB);
}

bool DownloadFilter::keeps(const SlotRecord& slot) const
{
    switch (DataFormats::selection(format())) {
    case DataFormats::Selection::Schedule:
        return slot.Scheduled == onlyScheduled;
    case DataFormats::Selection::DateRange:
        return from <= slot.SampleTime && slot.SampleTime <= to;
    case DataFormats::Selection::Concentration: {
        // The bars hold thousandths; the comparison is made in single precision.
        const float a = static_cast<float>(boundA) / 1000.0f;
        const float b = static_cast<float>(boundB) / 1000.0f;
        const float c = slot.Reading;
        const bool between = a <= c && c <= b;
        switch (rule) {
        case ConcentrationRule::Between: return between;
        case ConcentrationRule::Outside: return !between;
        case ConcentrationRule::EqualToA: return c == a;
        }
        return false;
    }
    case DataFormats::Selection::All:
        return true;
    }
    return true;
}

DownloadSummary DownloadSummary::of(const DownloadTable& table)
{
    for (int i = 1; i <= table.count(); ++i) {
        if (table.isRead(i))
            return DownloadSummary{table[i].SampleTime};
    }
    return {};
}

void DownloadFilter::resetAfterDownload(const DownloadSummary& download, const QDateTime& localNow)
{
    if (download.firstSampleTime.isValid() && download.firstSampleTime > kPickerMinimum)
        from = download.firstSampleTime;
    to = localNow;
    boundA = 1000;
    boundB = 500;
    rule = ConcentrationRule::Between;
}

namespace {
constexpr double BarStepsPerPpm = 1000;
}

double BoundPpm(int barValue)
{
    return barValue / BarStepsPerPpm;
}

int BoundBarValue(double ppm)
{
    return std::clamp(int(std::lround(ppm * BarStepsPerPpm)), 0, DownloadFilter::BoundMaximum);
}

SaveList BuildSaveList(const DownloadTable& table, DownloadFilter& filter, SessionLog& log)
{
    filter.normaliseBounds();
    filter.selectDefaultFormatIfNone();
    SaveList list;
    list.records.reserve(static_cast<size_t>(table.count()));
    for (int i = 1; i <= table.count(); ++i) {
        if (table.isRead(i) && filter.keeps(table[i]))
            list.records.push_back(&table[i]);
    }
    const auto selection = DataFormats::selection(filter.format());
    if (selection == DataFormats::Selection::All)
        log.debugMessage(QStringLiteral("Not filtering any data"), SessionLog::Info);
    else
        log.debugMessage(QString::number(table.readCount() - list.count()) + removedBy(selection), SessionLog::Info);
    return list;
}

int CountFilteredRecords(const DownloadTable& table, DownloadFilter& filter)
{
    filter.normaliseBounds();
    filter.selectDefaultFormatIfNone();
    int kept = 0;
    for (int i = 1; i <= table.count(); ++i)
        kept += table.isRead(i) && filter.keeps(table[i]) ? 1 : 0;
    return kept;
}
