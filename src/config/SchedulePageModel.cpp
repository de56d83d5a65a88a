#include "SchedulePageModel.h"

#include "instrument/InstrumentInfo.h"
#include "instrument/Schedule.h"
#include "shell/Picture.h"
#include "shell/Prompts.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int ContradictionBalloonMs = 30000;
const QTime AllDayStart(0, 0, 0);
const QTime AllDayLength(23, 59, 0);

// A picker's time of day in whole minutes, rounded as the drawing does.
double MinutesOf(const QTime& time)
{
    return std::nearbyint(QTime(0, 0).secsTo(time) / 60.0);
}
}

void SchedulePageModel::take(const InstrumentInfo& info)
{
    take(ScheduleRecord::of(info));
}

void SchedulePageModel::refresh(const Reading& reading, Prompts& prompts, const QString& appCaption)
{
    // The advanced view for the time of the refresh, so that putting the
    // frequency in does not apply the simple view's all-day rule.
    const bool wasSimple = view_ == View::Simple;
    view_ = View::Advanced;
    // The controls follow the record here; that is no edit.
    const bool unsent = unsent_;

    setStart(record_.StartTime.time());
    setLength(record_.Duration.time());

    if (record_.Frequency > FrequencyMax)
        record_.Frequency = FrequencyMax;
    setFrequency(record_.Frequency);

    for (int bit = 0; bit < WeekMasks::Days; ++bit)
        setWeekday(bit, (record_.WeekMask >> bit) & 1);

    if (record_.Counter < 0)
        record_.Counter = 0;
    if (record_.CounterEnabled) {
        counterChecked_ = true;
        clickCounter();   // which turns the counter off again
        counterControlsEnabled_ = true;
        setCounter(record_.Counter);
        counterLabel_ = QString::number(record_.Counter);
    } else {
        counterChecked_ = false;
        counterControlsEnabled_ = false;
        setCounter(record_.Counter);
        counterLabel_ = QStringLiteral("-");
    }

    if (MemoryFullContradiction(record_)) {
        prompts.balloon(ScheduleTexts::Contradiction, appCaption, Prompts::Icon::Information, ContradictionBalloonMs);
        record_.StopOnFull = true;
        record_.SingleShot = false;
        record_.ContinueOnFull = false;
        record_.Config = (record_.Config & ScheduleRecord::ConfigKept) | ScheduleRecord::ConfigUntilFull;
    }
    chooseMemoryFull(MemoryFullOptionOf(record_));

    if (reading.parkSensor)
        parkAvailable_ = *reading.parkSensor;
    setParkSensor(record_.ShortBetweenSamples);

    record_.ScheduleEnabled = reading.scheduleEnabled;
    record_.ScheduleRunning = reading.scheduleRunning;
    schedulePanel_ = ScheduleStateText(reading.scheduleEnabled, reading.scheduleRunning);

    if (wasSimple)
        view_ = View::Simple;
    unsent_ = unsent;
}

void SchedulePageModel::scheduleSwitched(bool enabled, bool running)
{
    record_.ScheduleEnabled = enabled;
    record_.ScheduleRunning = running;
    schedulePanel_ = ScheduleStateText(enabled, running);
}

QString SchedulePageModel::frequencyLabel() const
{
    if (frequency_ == 0)
        return QStringLiteral("Continuous");
    return FormatNumber(frequency_, QStringLiteral("#0")) + QStringLiteral(" minutes");
}

uint8_t SchedulePageModel::weekMaskOfBoxes() const
{
    uint8_t mask = 0;
    for (int bit = 0; bit < WeekMasks::Days; ++bit)
        if (weekdays_[size_t(bit)])
            mask |= uint8_t(1 << bit);
    return mask;
}

WeekdayColour SchedulePageModel::weekdayColour(bool ticked)
{
    return ticked ? WeekdayColour{128, 255, 0} : WeekdayColour{255, 128, 0};
}

SchedulePreview SchedulePageModel::preview(double left, double right) const
{
    const double scale = (right - left) / MinutesPerDay;
    SchedulePreview p;
    p.firstLeft = left + MinutesOf(start_) * scale;
    p.firstWidth = MinutesOf(length_) * scale;
    p.secondLeft = left;
    const double overflow = p.firstLeft + p.firstWidth - right;
    if (overflow > 0) {
        p.secondWidth = overflow;
        p.firstWidth -= overflow;
    }
    return p;
}

void SchedulePageModel::toggleView()
{
    view_ = view_ == View::Simple ? View::Advanced : View::Simple;
}

void SchedulePageModel::setFrequency(int minutes)
{
    frequency_ = std::clamp(minutes, 0, FrequencyMax);
    edited();
    // The simple view always describes an all-day, every-day schedule.
    if (view_ == View::Simple) {
        setStart(AllDayStart);
        setLength(AllDayLength);
        applyPreset(WeekMasks::AllWeek);
    }
}

void SchedulePageModel::setStart(const QTime& time)
{
    start_ = time.isValid() ? time : QTime(0, 0);
    edited();
}

void SchedulePageModel::setLength(const QTime& time)
{
    length_ = time.isValid() ? time : QTime(0, 0);
    edited();
}

void SchedulePageModel::applyPreset(uint8_t mask)
{
    for (int bit = 0; bit < WeekMasks::Days; ++bit)
        setWeekday(bit, (mask >> bit) & 1);
}

void SchedulePageModel::setWeekday(int bit, bool ticked)
{
    if (bit >= 0 && bit < WeekMasks::Days)
        weekdays_[size_t(bit)] = ticked;
    edited();
}

void SchedulePageModel::clickCounter()
{
    counterChecked_ = false;
    counterControlsEnabled_ = false;
    counterLabel_ = QStringLiteral("-");
    record_.CounterEnabled = false;
    record_.Config &= ScheduleRecord::ConfigCounterOff;
}

void SchedulePageModel::setCounter(int value)
{
    // The control shows 0 to 256; a larger count is shown as 256 but kept.
    counterValue_ = std::clamp(value, 0, CounterMax);
    edited();
    if (counterValue_ == value)
        record_.Counter = value;
}

void SchedulePageModel::chooseMemoryFull(MemoryFullOption option)
{
    option_ = option;
    edited();
    const uint8_t kept = record_.Config & ScheduleRecord::ConfigKept;
    switch (option) {
    case MemoryFullOption::RunOnce:
        // Recorded for the history; the memory-full byte keeps what it held.
        record_.SingleShot = true;
        return;
    case MemoryFullOption::Overwrite:
        record_.Config = kept | ScheduleRecord::ConfigOverwrite;
        break;
    case MemoryFullOption::UntilFull:
        record_.Config = kept | ScheduleRecord::ConfigUntilFull;
        break;
    }
    record_.SingleShot = false;
    record_.ContinueOnFull = option == MemoryFullOption::Overwrite;
    record_.StopOnFull = option == MemoryFullOption::UntilFull;
}

void SchedulePageModel::setParkSensor(bool on)
{
    record_.ShortBetweenSamples = on;
    edited();
}

void SchedulePageModel::setComment(const QString& text)
{
    // One line in the file: a line break would start a line of its own.
    QString flat = text;
    flat.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    flat.replace(QLatin1Char('\r'), QLatin1Char(' '));
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    comment_ = flat;
}

ScheduleRecord SchedulePageModel::recordToSend(const QDate& today) const
{
    ScheduleRecord r = record_;
    r.WeekMask = weekMaskOfBoxes();
    r.StartTime = QDateTime(today, start_);
    r.Duration = QDateTime(today, length_);
    r.Frequency = uint8_t(frequency_);
    return r;
}

ScheduleFileValues SchedulePageModel::fileValues() const
{
    return ScheduleFileValues{start_, length_, frequency_, weekMaskOfBoxes(), record_.Config, comment_};
}

void SchedulePageModel::applyFile(const ScheduleFileContent& file)
{
    if (file.start)
        record_.StartTime = QDateTime(ZeroDate().date(), *file.start);
    if (file.length)
        record_.Duration = QDateTime(ZeroDate().date(), *file.length);
    if (file.frequency)
        record_.Frequency = uint8_t(*file.frequency);
    if (file.weekMask)
        record_.WeekMask = uint8_t(*file.weekMask);
    if (file.config)
        record_.Config = uint8_t(*file.config);
    if (file.comment)
        setComment(*file.comment);
    edited();
}
