#pragma once
#include "instrument/EepromImage.h"

#include <QLocale>
#include <QStringList>

class InstrumentLink;
class KeyValueReport;
struct Services;

namespace tolviM {
struct EventLogEntry;
}

// "events.txt": the instrument's five on-board event logs (calibrations,
// pump, valve, offset and schedule settings), one section per record.
namespace EventLogReport {

// The section of one record: "[PUMP_3]" and its keys; a record without a
// time stamp is written with "Empty=True" alone.
void AddRecord(KeyValueReport& report, EventLogKind kind, int index, const tolviM::EventLogEntry& entry,
    const QLocale& locale);

// Reads every log record after record, each until its first empty record or
// until the instrument answers no further one, and returns the file's lines.
QStringList Read(InstrumentLink& link, Services& services, const QLocale& locale);
}
