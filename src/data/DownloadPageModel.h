#pragma once
#include "data/DownloadFilter.h"
#include "data/MemoryDownload.h"
#include "data/MemoryRangeSlider.h"
#include "data/ReadingChartModel.h"

#include <QLocale>
#include <QString>

struct DownloadTable;
class DataFileSettings;
class Prompts;

// The memory gauge of the Download page: three labels, the bar colour (green
// when empty, red when full) and the memory-use text of status panel 4.
struct MemoryGauge {
    struct Rgb { int red = 0, green = 255, blue = 0; };
    QString usedLabel = QStringLiteral("Used : 0");
    QString freeLabel = QStringLiteral("Free : 0");
    QString maxLabel = QStringLiteral("Max : 0");
    Rgb colour;
    QString memoryPanel;           // empty until a capacity is known
};

// "Date and Time in Single Column": ticked, clear, or greyed (disabled) for
// the layouts with their own time columns, remembering the value it had.
struct SingleColumnBox {
    enum Value { Clear = 0, Ticked = 1, Greyed = 2 };
    Value value = Ticked;
    bool enabled = true;
    Value kept = Ticked;           // the value before it was greyed
    bool singleColumn() const { return value == Ticked; }
};

// Which option frame the filter frame shows for the selected entry.
enum class FilterOptionFrame { AllData, Schedules, Dates, Concentrations };

// The UI-free state of the Download page that the window binds to: gauge,
// slider and portion buttons, the filter frame and its controls. Every change
// the page's controls make goes through here; the window redraws from it.
class DownloadPageModel {
public:
    explicit DownloadPageModel(const DataFileSettings& settings, QLocale locale = QLocale::system());

    MemoryGauge gauge;
    MemoryRangeSlider slider;
    DownloadFilter filter;
    SingleColumnBox singleColumnBox;
    bool filterFrameVisible = false;
    ReadingChartModel chart;       // redrawn after a download and by Test Filter
    // Why the readings downloaded last are not in the instrument's archive
    // (empty when they are): said again each time they are saved.
    QString notArchived;

    // Redraws the gauge and fits the slider to the instrument's memory
    // (after a connection, a refresh, an erase).
    void updateDownloadPage(int slotsUsed, int slotsTotal);

    // A download completed: dates from the first slot to now, bounds reset,
    // the stored format entry selected, the filter frame shown.
    void downloadCompleted(const DownloadSummary& download, const QDateTime& localNow);
    void downloadCompleted(const DownloadTable& table, const QDateTime& localNow)
    {
        downloadCompleted(DownloadSummary::of(table), localNow);
    }
    // A download ended: with slots read, the page and the chart (drawn from
    // `chart`) as after downloadCompleted, and why they were not archived;
    // cancelled or failed, no data to filter; refused before anything was
    // sent, the page as it was.
    void downloadEnded(DownloadOutcome outcome, const DownloadSummary& download, ChartSource chartSource,
        const QDateTime& localNow, const QString& whyNotArchived = QString());
    // A download was cancelled or the memory erased: no data to filter.
    void dataDropped()
    {
        filterFrameVisible = false;
        chart.clear();
        notArchived.clear();
    }
    // "Save Data" wrote the readings to path: what the user is to be told
    // besides the count (the readings are not in the archive), else empty.
    QString savedNotice(const QString& path) const;
    // An erase succeeded: no data to filter, the gauge redrawn, no selection
    // (both portion buttons back to "... Memory Portion" and disabled); a
    // portion erase also puts the thumb back on the first slot.
    void memoryErased(int slotsUsed, int slotsTotal, bool portion);
    // No instrument is connected any more: the gauge shows no figures (and
    // no memory-use text for the status bar), the slider is hidden and both
    // portion buttons are reset. Downloaded data stays for saving.
    void instrumentGone();

    // A click on the format list (index -1: no selection).
    void selectFormat(int index);
    FilterOptionFrame optionFrame() const;
    // A click on the single-column box; the choice is stored in user.txt.
    void setSingleColumn(bool ticked);
    QString boundALabel() const { return BoundLabel(filter.boundA, locale_); }
    QString boundBLabel() const { return BoundLabel(filter.boundB, locale_); }

    // "Test Filter": tells how many records a save would write, or that there is
    // nothing downloaded yet. Returns the count (-1 without data).
    int testFilter(const DownloadTable& table, Prompts& prompts, const QString& title);

    // Restores the single-column choice stored in user.txt (start-up).
    void restoreStoredChoices();

private:
    void setSingleColumnValue(SingleColumnBox::Value value);
    const DataFileSettings& settings_;
    QLocale locale_;
};
