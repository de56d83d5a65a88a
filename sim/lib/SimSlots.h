#pragma once
#include "SimFirmware.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The most sample slots an instrument holds: slot numbers are four
// hexadecimal digits.
constexpr int MaxSimSlots = 0xFFFF;

// What kind of sample a slot holds; decides the flag bits of slot byte 0.
enum class SimSlotKind {
    Manual,          // taken at the key press
    Scheduled,       // taken by the schedule
    FirstInSchedule, // the first sample of a schedule run
    Remote,          // started from a remote device
    NoReading,       // the sensor was not ready: no value
    LowBattery,      // taken with a low battery
    Uncalibrated,    // taken while the instrument was uncalibrated
    Limit4,          // a manual sample in limit 4, whatever the slot's limit says
};

QString SimSlotKindName(SimSlotKind kind);
std::optional<SimSlotKind> SimSlotKindFromName(const QString& name);

// One sample as a scenario describes it.
struct SimSlotEntry {
    SimSlotKind kind = SimSlotKind::Manual;
    qint64 time = 0;            // seconds since 1970 UTC
    double ppm = 0;             // the reading of the sample mode
    int mode = 1;               // 0 timed, 1 peak, 2 area, 3 unknown
    int limit = 1;              // 1 to 4; in limit 4 the stored values are a tenth of the reading
    double temperature = 21.0;  // degrees Celsius
    double humidity = 45.0;     // %rh
    double tenths = 0;          // the tenths value (0 to 102.3)
    QByteArray raw;             // when 16 bytes, stored as they are instead of encoding the fields
};

// The 16 bytes an instrument of the given band stores for the sample.
QByteArray EncodeSlot(const SimSlotEntry& slot, const SimFirmwareBand& band);

// A run of generated samples: count samples from start, interval seconds
// apart, kinds taken in turn from kinds (Manual when empty), modes likewise,
// values from a small deterministic generator seeded with seed.
struct SimSlotRun {
    int count = 0;
    qint64 start = 0;
    int interval = 600;
    QList<SimSlotKind> kinds;
    QList<int> modes;
    QList<int> limits;
    unsigned seed = 1;
};
QList<SimSlotEntry> GenerateSlots(const SimSlotRun& run);
