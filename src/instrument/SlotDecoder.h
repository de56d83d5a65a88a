#pragma once
#include "instrument/SlotRecord.h"

#include <QByteArrayView>

struct FirmwareFlags;
class SessionLog;

namespace tolviM {

// The earliest time stamp a slot may carry: 1 January 2008 00:00:00 UTC.
constexpr int32_t EarliestSlotTime = 1199145600;

// Decodes the 32 hexadecimal characters of one sample slot under the given
// firmware band flags: flag bits, time stamp (floored at 2008), the three
// readings (x10 in limit 4), limit, mode, temperature and humidity, the
// status rules of the band, the reading of the sample mode and its mg/m^3
// value. A slot whose status says "not ready" keeps its peak value in
// SavedPeakReading and reports no peak reading.
SlotRecord DecodeSlot(QByteArrayView rawHex, const FirmwareFlags& flags);

// What every reader of slots does with one received slot: decodes it, logs
// an unknown sampling mode, and moves a connection on the old status band
// to the new band for the slots that follow.
SlotRecord DecodeReceivedSlot(QByteArrayView rawHex, FirmwareFlags& flags, SessionLog& log);

}
