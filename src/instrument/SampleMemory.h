#pragma once
#include "instrument/SlotRecord.h"

#include <cstdint>
#include <optional>

class InstrumentLink;
struct InstrumentInfo;
struct Services;

// The instrument's sample memory (FRAM): its chips, capacity and fill
// level, and single slots.
namespace tolviM {

// Slots per fitted chip, the capacity assumed when the instrument does not
// report its own.
constexpr int SlotsPerChip = 2048;

// Fills the FRAM fields of info. When the instrument reports chip errors it
// resets its chip block, counts the connection in the record folder's
// settings file and warns the user (after five such connections in a row,
// to contact the agent); a connection without errors resets that count.
// Returns FRAMChips, 0 when a read fails.
uint8_t GetFRAMDetails(InstrumentLink& link, Services& services, InstrumentInfo& info);

// Reads and decodes slot number slot (from 1) with one retry budget; a
// reply for another slot is asked for again. Nothing when the read fails.
std::optional<SlotRecord> ReadFRAMSlot(InstrumentLink& link, Services& services, int32_t slot);
// The same, with the empty record when the read fails.
SlotRecord GetFRAMSlot(InstrumentLink& link, Services& services, int32_t slot);

}
