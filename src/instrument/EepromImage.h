#pragma once
#include <QByteArray>
#include <cstdint>
#include <functional>
#include <optional>

class InstrumentLink;
struct InstrumentInfo;
struct Services;

// The instrument's five on-board event logs (log numbers 0 to 4), each of
// EventLogEntries entries.
enum class EventLogKind { Calibration = 0, Pump = 1, Valve = 2, Offset = 3, Schedule = 4 };
constexpr int EventLogCount = 5;
constexpr int EventLogEntries = 8;   // entries 0 to 7 of every log

// Bulk reads for the reports: the whole EEPROM and the on-board event logs.
namespace tolviM {

// Copies the instrument's 1024 EEPROM bytes into EEPROMImage, 16 at a time,
// with the schedule paused. A block that is not read becomes 0xFF; the
// schedule is always un-paused at the end. `blockDone` hears of every block
// (the bytes asked for so far and in all), for a progress bar.
void FillEEPROM(InstrumentLink& link, Services& services, InstrumentInfo& info,
    const std::function<void(int done, int total)>& blockDone = {});

// One entry of an event log: its time stamp (seconds since 1970 UTC) and bytes.
struct EventLogEntry {
    int32_t timeStamp = 0;
    QByteArray bytes;
};

// Reads entry index of event log logNumber (at most three requests); nothing
// when the instrument does not answer it consistently (logged).
std::optional<EventLogEntry> GetFRAMEventLog(InstrumentLink& link, Services& services, int logNumber, int index);

// The entry a reply carries, given the 7 request characters it must echo:
// nothing when the echo differs or the length character disagrees with the
// reply's length. reply is length character + payload + checksum.
enum class EventLogProblem { None, WrongEcho, WrongLength };
EventLogProblem CheckEventLogReply(const QByteArray& reply, const QByteArray& request);
EventLogEntry DecodeEventLogReply(const QByteArray& reply);

}
