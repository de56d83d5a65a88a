#pragma once
#include "data/DataFormat.h"

#include <QDateTime>
#include <QString>
#include <vector>

struct SlotRecord;
struct DownloadTable;
class SessionLog;

// What the filter frame takes from a finished download, copied out of the
// table by the thread that owns it.
struct DownloadSummary {
    QDateTime firstSampleTime;      // the first slot read's time; invalid without one

    static DownloadSummary of(const DownloadTable& table);
};

// The settings of the filter frame that decide which downloaded slots a save
// writes: the chosen format entry, the schedule box, the date range and the
// two concentration bounds with their rule.
struct DownloadFilter {
    enum class ConcentrationRule { Between, Outside, EqualToA };

    static constexpr int BoundMaximum = 10000;   // bars count in 0.001 ppm

    int formatIndex = 0;            // list index; outside 0..8 means "no selection"
    bool onlyScheduled = false;     // "Only include Scheduled samples."
    QDateTime from;                 // date picker + time picker, both ends included
    QDateTime to;
    int boundA = 1000;              // left bar
    int boundB = 500;               // right bar
    ConcentrationRule rule = ConcentrationRule::Between;

    DataFormat format() const { return DataFormats::fromIndex(formatIndex); }
    // A list without a selection takes entry 0.
    void selectDefaultFormatIfNone();
    // Puts the smaller bound in the left bar; run before every test and save.
    void normaliseBounds();
    // Whether the selected entry keeps this slot (bounds as they stand).
    bool keeps(const SlotRecord& slot) const;

    // The reset a completed download makes: From = the first slot's time when it
    // is later than the pickers' earliest date, To = now, bars 1000 and 500, rule A <= C <= B.
    void resetAfterDownload(const DownloadSummary& download, const QDateTime& localNow);
    void resetAfterDownload(const DownloadTable& table, const QDateTime& localNow)
    {
        resetAfterDownload(DownloadSummary::of(table), localNow);
    }
};

// A concentration bar's value in ppm (value / 1000), and the bar value of a
// typed ppm (rounded to the bar's 0.001 ppm steps, within the bar's range).
double BoundPpm(int barValue);
int BoundBarValue(double ppm);

// The records one save writes, in table order.
struct SaveList {
    std::vector<const SlotRecord*> records;
    int count() const { return static_cast<int>(records.size()); }
};

// Normalises the bounds, then selects the slots of the table the filter keeps
// and logs how many were removed (or "Not filtering any data"). Slots that
// could not be read are never selected (nor counted as removed).
SaveList BuildSaveList(const DownloadTable& table, DownloadFilter& filter, SessionLog& log);

// "Test Filter": the number of records a save with the same settings writes.
// Normalises the bounds like the save.
int CountFilteredRecords(const DownloadTable& table, DownloadFilter& filter);
