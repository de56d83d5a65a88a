#include "SimSlots.h"

#include <algorithm>
#include <cmath>

namespace {

struct KindName {
    SimSlotKind kind;
    const char* name;
};
constexpr KindName KindNames[] = {
    {SimSlotKind::Manual, "manual"},
    {SimSlotKind::Scheduled, "scheduled"},
    {SimSlotKind::FirstInSchedule, "firstInSchedule"},
    {SimSlotKind::Remote, "remote"},
    {SimSlotKind::NoReading, "noReading"},
    {SimSlotKind::LowBattery, "lowBattery"},
    {SimSlotKind::Uncalibrated, "uncalibrated"},
    {SimSlotKind::Limit4, "limit4"},
};

// A reading as the signed 16-bit thousandths the instrument stores.
quint16 StoredValue(double ppm, int limit)
{
    const double scaled = (limit == 4 ? ppm / 10.0 : ppm) * 1000.0;
    return static_cast<quint16>(static_cast<qint16>(std::clamp(std::lround(scaled), -32768L, 32767L)));
}

void PutWord(QByteArray& bytes, int at, quint16 word)
{
    bytes[at] = static_cast<char>(word >> 8);
    bytes[at + 1] = static_cast<char>(word & 0xFF);
}

quint8 FlagsFor(SimSlotKind kind, const SimFirmwareBand& band)
{
    constexpr quint8 StatusPresent = 0x80, Uncalibrated = 0x40, BatteryGood = 0x20, Remote = 0x10,
                     Scheduled = 0x08;
    quint8 flags = BatteryGood;
    bool ready = true;
    switch (kind) {
    case SimSlotKind::Manual: break;
    case SimSlotKind::Scheduled: flags |= Scheduled; break;
    case SimSlotKind::FirstInSchedule:
        flags |= Scheduled;
        if (band.firstInSchedule)
            flags |= Remote;
        break;
    case SimSlotKind::Remote: flags |= Remote; break;
    case SimSlotKind::NoReading: ready = false; break;
    case SimSlotKind::LowBattery: flags &= ~BatteryGood; break;
    case SimSlotKind::Uncalibrated: flags |= Uncalibrated; break;
    case SimSlotKind::Limit4: break;
    }
    if (band.statusBit) {
        flags |= StatusPresent;
        if (band.newStatus)
            flags |= ready ? 0x01 : 0x00;
        else
            flags |= ready ? 0x02 : 0x01; // old band: ready bit 1, settling bit 0
    }
    return flags;
}

} // namespace

QString SimSlotKindName(SimSlotKind kind)
{
    for (const auto& k : KindNames)
        if (k.kind == kind)
            return QString::fromLatin1(k.name);
    return {};
}

std::optional<SimSlotKind> SimSlotKindFromName(const QString& name)
{
    for (const auto& k : KindNames)
        if (name.compare(QLatin1String(k.name), Qt::CaseInsensitive) == 0)
            return k.kind;
    return std::nullopt;
}

QByteArray EncodeSlot(const SimSlotEntry& slot, const SimFirmwareBand& band)
{
    if (slot.raw.size() == 16)
        return slot.raw;
    const int limit = slot.kind == SimSlotKind::Limit4 ? 4 : slot.limit;
    QByteArray bytes(16, '\0');
    bytes[0] = static_cast<char>(FlagsFor(slot.kind, band));
    const auto time = static_cast<quint32>(slot.time);
    for (int i = 0; i < 4; ++i)
        bytes[1 + i] = static_cast<char>((time >> (24 - 8 * i)) & 0xFF);

    // The three values: the sample mode's value is the reading, the others
    // follow it as a real sensor's would. "No reading" stores -0.001 in all.
    const bool noValue = slot.kind == SimSlotKind::NoReading;
    double values[3] = {slot.ppm * 0.92, slot.ppm * 0.97, slot.ppm * 1.07}; // timed, peak, area
    if (slot.mode >= 0 && slot.mode <= 2)
        values[slot.mode] = slot.ppm;
    quint16 stored[3];
    for (int i = 0; i < 3; ++i)
        stored[i] = noValue ? 0xFFFF : StoredValue(values[i], limit);
    PutWord(bytes, 5, stored[1]); // peak
    PutWord(bytes, 7, stored[0]); // timed
    PutWord(bytes, 9, stored[2]); // area

    const int tenths = std::clamp(static_cast<int>(std::lround(slot.tenths * 10)), 0, 1023);
    bytes[11] = static_cast<char>(((limit & 0x0F) << 4) | ((slot.mode & 0x03) << 2) | (tenths >> 8));
    bytes[12] = static_cast<char>(tenths & 0xFF);

    const auto temperature = static_cast<quint16>(static_cast<qint16>(
        std::clamp(std::lround(slot.temperature * 400), -32768L, 32767L)) & ~0x3);
    const int humidity = std::clamp(static_cast<int>(std::lround(slot.humidity * 10)), 0, 1023);
    bytes[13] = static_cast<char>(temperature >> 8);
    bytes[14] = static_cast<char>((temperature & 0xFC) | (humidity >> 8));
    bytes[15] = static_cast<char>(humidity & 0xFF);
    return bytes;
}

QList<SimSlotEntry> GenerateSlots(const SimSlotRun& run)
{
    QList<SimSlotEntry> slots;
    slots.reserve(run.count);
    quint32 state = run.seed ? run.seed : 1;
    auto next = [&state]() { // a small linear congruential generator: same seed, same memory
        state = state * 1664525u + 1013904223u;
        return (state >> 8) / double(1u << 24);
    };
    for (int i = 0; i < run.count; ++i) {
        SimSlotEntry s;
        s.kind = run.kinds.isEmpty() ? SimSlotKind::Manual : run.kinds[i % run.kinds.size()];
        s.mode = run.modes.isEmpty() ? 1 : run.modes[i % run.modes.size()];
        s.limit = run.limits.isEmpty() ? 1 : run.limits[i % run.limits.size()];
        s.time = run.start + qint64(i) * run.interval;
        const double base = 0.05 + 1.5 * next() * next();
        const bool limit4 = s.limit == 4 || s.kind == SimSlotKind::Limit4;
        s.ppm = std::round((limit4 ? base * 40 : base) * 1000) / 1000;
        s.temperature = std::round((18.0 + 8.0 * next()) * 4) / 4;
        s.humidity = std::round((35.0 + 30.0 * next()) * 10) / 10;
        s.tenths = std::round(100.0 * next()) / 10;
        slots.append(s);
    }
    return slots;
}
