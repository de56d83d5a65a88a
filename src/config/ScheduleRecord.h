#pragma once
#include "shell/TimeConv.h"

#include <QDateTime>
#include <cstdint>

struct InstrumentInfo;

// The memory-full options of the schedule, in the order the page lists them.
enum class MemoryFullOption { RunOnce, Overwrite, UntilFull };

// The schedule fields of the instrument record that the Schedule page edits
// (a copy kept by the page, so that the keep-alive's reads of the instrument
// do not overwrite edits not yet sent), plus the state it shows.
struct ScheduleRecord {
    // Configuration byte bits the page uses besides bit 0 (loop counter in use).
    static constexpr uint8_t ConfigCounter = 0x01;
    static constexpr uint8_t ConfigUntilFull = 0x10;
    static constexpr uint8_t ConfigOverwrite = 0x20;
    static constexpr uint8_t ConfigKept = 0x40;          // left as it is by the option handling
    static constexpr uint8_t ConfigCounterOff = 0xB0;    // what clearing the loop counter keeps

    uint8_t Config = 0;
    bool SingleShot = false;
    bool CounterEnabled = false;
    bool ContinueOnFull = false;
    bool StopOnFull = true;
    bool ShortBetweenSamples = false;
    QDateTime StartTime = ZeroDate();    // time of day, local
    QDateTime Duration = ZeroDate();     // window length as a time of day
    uint8_t Frequency = 0;
    uint8_t WeekMask = 0;
    int32_t Counter = 0;
    bool ScheduleEnabled = false;
    bool ScheduleRunning = false;

    static ScheduleRecord of(const InstrumentInfo& info);
    // Writes the editable fields into info; the schedule state stays the
    // instrument's (it decides whether the send starts or stops the schedule).
    void applyTo(InstrumentInfo& info) const;
};

// The option a record selects: "Run only once" when SingleShot, else "Repeat
// (Until Full)" when StopOnFull, else "Repeat (Overwrite)" when
// ContinueOnFull; none set (a contradiction) counts as "Repeat (Until Full)".
MemoryFullOption MemoryFullOptionOf(const ScheduleRecord& record);
bool MemoryFullContradiction(const ScheduleRecord& record);
