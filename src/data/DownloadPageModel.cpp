#include "DownloadPageModel.h"

#include "data/DataFileSettings.h"
#include "data/MemoryDownload.h"
#include "instrument/DownloadTable.h"
#include "shell/Picture.h"
#include "shell/Prompts.h"

#include <QDir>
#include <algorithm>
#include <cmath>

DownloadPageModel::DownloadPageModel(const DataFileSettings& settings, QLocale locale)
    : settings_(settings), locale_(std::move(locale))
{
}

void DownloadPageModel::updateDownloadPage(int slotsUsed, int slotsTotal)
{
    const int free = slotsTotal - slotsUsed;
    gauge.usedLabel = QStringLiteral("Used : ") + QString::number(slotsUsed);
    gauge.freeLabel = QStringLiteral("Free : ") + QString::number(free);
    gauge.maxLabel = QStringLiteral("Max : ") + QString::number(slotsTotal);
    if (slotsTotal != 0) {
        const double freeShare = double(free) / slotsTotal;
        const auto toByte = [](double v) { return std::clamp(static_cast<int>(std::lround(v * 255)), 0, 255); };
        gauge.colour = {toByte(1 - freeShare), toByte(freeShare), 0};
        gauge.memoryPanel = QStringLiteral("Memory Used:")
            + FormatNumber(double(slotsUsed) / slotsTotal, QStringLiteral("0%"), locale_);
    }
    slider.fitTo(slotsUsed);
}

void DownloadPageModel::downloadEnded(DownloadOutcome outcome, const DownloadSummary& download,
    ChartSource chartSource, const QDateTime& localNow, const QString& whyNotArchived)
{
    switch (outcome) {
    case DownloadOutcome::Completed:
    case DownloadOutcome::Incomplete:
        notArchived = whyNotArchived;
        chart.setSource(std::move(chartSource));
        downloadCompleted(download, localNow);
        break;
    case DownloadOutcome::Cancelled:
    case DownloadOutcome::Failed:
        dataDropped();
        break;
    case DownloadOutcome::EmptyMemory:
    case DownloadOutcome::NoInstrument:
    case DownloadOutcome::NothingToDownload:
        break;   // nothing was sent: the table is as it was
    }
}

QString DownloadPageModel::savedNotice(const QString& path) const
{
    return notArchived.isEmpty() ? QString() : NotArchivedText(QDir::toNativeSeparators(path), notArchived);
}

void DownloadPageModel::downloadCompleted(const DownloadSummary& download, const QDateTime& localNow)
{
    filter.resetAfterDownload(download, localNow);
    selectFormat(settings_.filter());
    filterFrameVisible = true;
    chart.setFilter(filter);
}

void DownloadPageModel::memoryErased(int slotsUsed, int slotsTotal, bool portion)
{
    if (portion)
        slider.value = 1;
    // The selection named slots that now hold other samples, or none.
    slider.dropSelection();
    dataDropped();
    updateDownloadPage(slotsUsed, slotsTotal);
}

void DownloadPageModel::instrumentGone()
{
    gauge = MemoryGauge{};
    slider.fitTo(0);
}

void DownloadPageModel::selectFormat(int index)
{
    filter.formatIndex = index;
    filter.selectDefaultFormatIfNone();
    if (DataFormats::greysSingleColumnBox(filter.format())) {
        if (singleColumnBox.value != SingleColumnBox::Greyed)
            singleColumnBox.kept = singleColumnBox.value;
        singleColumnBox.enabled = false;
        setSingleColumnValue(SingleColumnBox::Greyed);
    } else {
        singleColumnBox.enabled = true;
        if (singleColumnBox.value == SingleColumnBox::Greyed)
            setSingleColumnValue(singleColumnBox.kept);
    }
}

FilterOptionFrame DownloadPageModel::optionFrame() const
{
    switch (DataFormats::selection(filter.format())) {
    case DataFormats::Selection::Schedule: return FilterOptionFrame::Schedules;
    case DataFormats::Selection::DateRange: return FilterOptionFrame::Dates;
    case DataFormats::Selection::Concentration: return FilterOptionFrame::Concentrations;
    case DataFormats::Selection::All: break;
    }
    return FilterOptionFrame::AllData;
}

void DownloadPageModel::setSingleColumn(bool ticked)
{
    if (singleColumnBox.enabled)
        setSingleColumnValue(ticked ? SingleColumnBox::Ticked : SingleColumnBox::Clear);
}

// Every change of the box's value, by the user or by the list, stores the
// choice; a greyed box counts as "not single column".
void DownloadPageModel::setSingleColumnValue(SingleColumnBox::Value value)
{
    if (singleColumnBox.value == value)
        return;
    singleColumnBox.value = value;
    settings_.setCombineDateAndTime(value == SingleColumnBox::Ticked);
}

int DownloadPageModel::testFilter(const DownloadTable& table, Prompts& prompts, const QString& title)
{
    if (table.count() < 1) {
        prompts.askOkCancel(QStringLiteral("You need to download some data before you can apply any filters to it!"),
            title, Prompts::Icon::Exclamation);
        return -1;
    }
    const int count = CountFilteredRecords(table, filter);
    prompts.message(Prompts::Icon::Information,
        QStringLiteral("Using this filter will return ") + QString::number(count) + QStringLiteral(" records."), title);
    chart.setFilter(filter);
    return count;
}

void DownloadPageModel::restoreStoredChoices()
{
    const auto stored = settings_.combineDateAndTime() ? SingleColumnBox::Ticked : SingleColumnBox::Clear;
    singleColumnBox.value = stored;
    singleColumnBox.kept = stored;
    filter.formatIndex = settings_.filter();
}
