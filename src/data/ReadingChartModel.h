#pragma once
#include "data/DownloadFilter.h"
#include "instrument/SlotRecord.h"

#include <QList>
#include <QPointF>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

struct DownloadTable;
struct InstrumentInfo;
struct FirmwareFlags;

// What the chart takes from a finished download, copied out of the table and
// the instrument record by the thread that owns them: the slots that carry a
// sample time (slots never read and empty slots have none), and the alarm.
struct ChartSource {
    std::vector<SlotRecord> slots;       // table order
    // Each slot's time in milliseconds since 1970 UTC, from its time stamp:
    // converting thousands of local date-times back costs tens of milliseconds.
    std::vector<qint64> times;
    QString serialNumber;
    // The instrument's identity as a report gives it; zero dates and an
    // unknown calibration state where the source does not record them.
    QString firmware;
    QDateTime calibrated, serviced;
    std::optional<bool> calibrationValid;
    bool alarmEnabled = false;
    bool alarmOver = true;               // the alarm sounds over the level (else under it)
    float alarmPpm = 0;
    // mg/m^3 per ppm when the instrument converts with its own fixed factor;
    // unset when the conversion follows each sample's temperature.
    std::optional<double> fixedMgmPerPpm;

    static ChartSource of(const DownloadTable& table, const InstrumentInfo& info, const FirmwareFlags& flags);
    // The same, moving the slots out of a table that is not needed any more
    // (a large archive is not held twice).
    static ChartSource taking(DownloadTable&& table, const InstrumentInfo& info, const FirmwareFlags& flags);
};

enum class ConcentrationUnit { Ppm, MgPerCubicMetre };

struct ChartRange {
    double min = 0;
    double max = 1;
};

// The chart as numbers: x is the sample time in milliseconds since 1970 UTC,
// y the concentration in the chart's unit, or degrees Celsius and %rh on the
// second axis. Every series is in time order.
struct ReadingChart {
    ConcentrationUnit unit = ConcentrationUnit::Ppm;
    QList<QPointF> concentration;        // slots with a reading
    QList<QPointF> temperature;          // empty unless the second axis is shown
    QList<QPointF> humidity;
    std::optional<double> alarmLevel;    // in the chart's unit
    QString alarmName;                   // the legend entry of the alarm line
    int slotsShown = 0;                  // slots the filter kept that have a time
    // "158 samples", or "150 of 158 samples have a reading" when some have none.
    QString countText;
    ChartRange time;
    ChartRange concentrationRange;
    ChartRange climateRange;
    bool climateShown = false;
    QString title;
    QString concentrationTitle;
    QString climateTitle;
    // A point this long after the one before it starts a new line segment:
    // a few of the samples' usual spacing, so no line is drawn across a time
    // without samples. 0: every series is one line.
    double gapMs = 0;

    // A series cut where its points lie further apart than gapMs: the lines
    // a view draws, each in time order.
    QList<QList<QPointF>> segments(const QList<QPointF>& series) const;
};

// The chart of the Download page, without widgets: the downloaded readings
// that the last tested filter keeps, in ppm or in mg/m^3 (offered where the
// chosen format writes an mg/m^3 column), the temperature and humidity on a
// second axis when asked for, and the instrument's alarm level as a line.
// Every change rebuilds the chart and moves the revision on, so a view
// redraws only when something changed.
class ReadingChartModel {
public:
    ReadingChartModel();

    // A download completed (the filter follows with setFilter).
    void setSource(ChartSource source);
    // The table was emptied (cancelled download, erase): nothing to draw.
    void clear();
    // The filter as tested or reset; the chart keeps its own copy.
    void setFilter(DownloadFilter filter);
    // The unit the user chose; mg/m^3 applies only where it is offered.
    void setRequestedUnit(ConcentrationUnit unit);
    void setClimateShown(bool shown);

    bool hasData() const { return !source_.slots.empty(); }
    // Whether the chosen format writes an mg/m^3 column (every layout but the plot script).
    bool mgmOffered() const;
    const ReadingChart& chart() const { return chart_; }
    // What the chart is drawn from: the report takes the same selection.
    const ChartSource& source() const { return source_; }
    const DownloadFilter& filter() const { return filter_; }
    int revision() const { return revision_; }

private:
    void rebuild();

    ChartSource source_;
    DownloadFilter filter_;
    ConcentrationUnit requestedUnit_ = ConcentrationUnit::Ppm;
    bool climateShown_ = false;
    ReadingChart chart_;
    int revision_ = 0;
};

QString UnitText(ConcentrationUnit unit);
