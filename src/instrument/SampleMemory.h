#pragma once
#include "instrument/RetryBudget.h"
#include "instrument/SlotRecord.h"
#include "link/ExchangeOutcome.h"

#include <QByteArray>
#include <cstdint>
#include <optional>

class InstrumentLink;
class QDeadlineTimer;
class SessionLog;
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

// The requests of a memory download. A download asks for a run of slots
// in one bulk read: the instrument streams them, the first as the read's
// reply; slots the stream left out are read singly.

// The bulk read of count slots from slot first ("J01"), repeated while no
// good reply comes and the budget lasts; the last exchange's outcome. The
// read was taken when the reply (as checked) is a slot message.
ExchangeOutcome RequestSlots(InstrumentLink& link, RetryBudget& budget, int first, int count);
// The next message of a running stream that passes the check (as checked);
// a damaged one is dropped (logged). Nothing after a gap of the link's
// stream gap without a good message, or once bound has passed.
std::optional<QByteArray> NextStreamedSlot(InstrumentLink& link, SessionLog& log, const QDeadlineTimer& bound);
// Stops a stream the instrument may still be sending ("C"); the reply is not read.
void StopStream(InstrumentLink& link);
// The single read of one slot, once, waiting timeoutSeconds for the reply.
ExchangeOutcome ReadSlot(InstrumentLink& link, int slot, double timeoutSeconds);

// A message carrying a slot: "GJ03", the slot number in four hexadecimal
// digits and the slot's 32 data digits.
bool IsSlotMessage(const QByteArray& message);
struct SlotMessage {
    QByteArray numberText;      // the slot number's four digits as sent
    std::optional<int> slot;    // the slot number, when those are hexadecimal
    QByteArray data;            // the 32 data digits; empty when the message is too short
};
SlotMessage ParseSlotMessage(const QByteArray& message);

// Erases count slots from the start of the memory ("J02"), repeated while no
// good reply comes and the budget lasts. answered: a good reply came;
// slotsLeft: the slots the instrument still holds, when the reply says so.
struct EraseReply {
    bool answered = false;
    std::optional<int> slotsLeft;
};
EraseReply EraseSlots(InstrumentLink& link, RetryBudget& budget, int count);

}
