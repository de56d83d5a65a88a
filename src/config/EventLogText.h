#pragma once
#include "instrument/EepromImage.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace tolviM {
struct EventLogEntry;
}

// The instrument's five on-board event logs as the information report shows
// them: a header line per entry, then detail lines that begin with a TAB.

// The bytes an entry of each log must carry to be shown.
int EventLogEntryBytes(EventLogKind kind);

// The lines of one entry (header first); empty when the entry carries
// fewer bytes than its log's entries hold.
QStringList EventLogEntryLines(EventLogKind kind, int entryNumber, const tolviM::EventLogEntry& entry);

// Calibration status flags, bit 7 first: "R-APMTNL" for the bits set, "_" for the clear ones.
QString CalibrationFlagsText(uint8_t flags);
// A schedule configuration byte, bit 0 first: "L"/"l", then "-"/"_" for bits 1 to 7.
QString ScheduleConfigurationText(uint8_t configuration);
// A week mask, bit 0 first: "SSFTWTM-", lower case or "_" for the clear bits.
QString WeekMaskText(uint8_t mask);
// A pump or valve mode: "Never", "Timed", "Always" or "?" + the value as three digits + "?".
QString PumpValveModeText(uint8_t mode);
