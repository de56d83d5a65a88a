#include "ScheduleRecord.h"

#include "instrument/InstrumentInfo.h"

ScheduleRecord ScheduleRecord::of(const InstrumentInfo& info)
{
    ScheduleRecord r;
    r.Config = info.Config;
    r.SingleShot = info.SingleShot;
    r.CounterEnabled = info.CounterEnabled;
    r.ContinueOnFull = info.ContinueOnFull;
    r.StopOnFull = info.StopOnFull;
    r.ShortBetweenSamples = info.ShortBetweenSamples;
    r.StartTime = info.StartTime;
    r.Duration = info.Duration;
    r.Frequency = info.Frequency;
    r.WeekMask = info.WeekMask;
    r.Counter = info.Counter;
    r.ScheduleEnabled = info.ScheduleEnabled;
    r.ScheduleRunning = info.ScheduleRunning;
    return r;
}

void ScheduleRecord::applyTo(InstrumentInfo& info) const
{
    info.Config = Config;
    info.SingleShot = SingleShot;
    info.CounterEnabled = CounterEnabled;
    info.ContinueOnFull = ContinueOnFull;
    info.StopOnFull = StopOnFull;
    info.ShortBetweenSamples = ShortBetweenSamples;
    info.StartTime = StartTime;
    info.Duration = Duration;
    info.Frequency = Frequency;
    info.WeekMask = WeekMask;
    info.Counter = Counter;
}

bool MemoryFullContradiction(const ScheduleRecord& record)
{
    return !record.SingleShot && !record.StopOnFull && !record.ContinueOnFull;
}

MemoryFullOption MemoryFullOptionOf(const ScheduleRecord& record)
{
    if (record.SingleShot)
        return MemoryFullOption::RunOnce;
    if (record.StopOnFull || !record.ContinueOnFull)
        return MemoryFullOption::UntilFull;
    return MemoryFullOption::Overwrite;
}
