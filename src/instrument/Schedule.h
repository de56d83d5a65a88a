#pragma once
#include <QByteArray>
#include <QString>
#include <QTime>

class InstrumentLink;
struct InstrumentInfo;
struct Services;

// The instrument's sampling schedule and the remote "save all" flag.
namespace tolviM {

// Reads block, memory-full and short-sensor bytes and the schedule state
// into info (one retry budget for the four reads). StartTime comes back as
// a local time of day. Returns ScheduleEnabled; false when a read fails
// (the fields read so far stay).
bool GetScheduleDetails(InstrumentLink& link, Services& services, InstrumentInfo& info);

// Writes the schedule held in info: memory-full byte, schedule block,
// short-sensor byte, then starts or stops it; records the change in the
// instrument's history. Config becomes 0 or 1 (loop counter in use) and
// StartTime the UTC time of day sent. A counter that does not fit the
// instrument's 16 bits is refused with a message before anything is sent.
// True when every step was answered correctly.
bool SetScheduleDetails(InstrumentLink& link, Services& services, InstrumentInfo& info);

// The remote FRAM save flag; false on failure.
bool GetRFSFlag(InstrumentLink& link, Services& services);
// Writes the flag and returns the value read back.
bool SetRFSFlag(InstrumentLink& link, Services& services, bool on);

// The UTC time of day of a local time of day, with today's offset.
QTime LocalToUtcTimeOfDay(const QTime& local);
// The local time of day of a UTC start given in minutes after midnight, with today's offset.
QTime UtcMinutesToLocalTimeOfDay(int minutes);

// The "A01" request that writes a schedule block.
struct ScheduleBlock {
    int config = 0;
    int weekMask = 0;
    int frequency = 0;
    int startMinutes = 0;    // UTC minutes after midnight
    int lengthField = 0;     // window length in minutes plus 1
    int counter = 0;         // the low 16 bits are sent
};
QByteArray ScheduleWritePayload(const ScheduleBlock& block);

}

// The status bar's schedule panel: "Schedule: Running", "Schedule: Enabled"
// or "Schedule: Disabled".
QString ScheduleStateText(bool enabled, bool running);
