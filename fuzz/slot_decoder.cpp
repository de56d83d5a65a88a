// The slot decoder under every combination of firmware band flags. The
// first input byte holds the flags (one bit each), the rest is the slot's
// hexadecimal text as received (of any length and content).
#include "FuzzCheck.h"

#include "instrument/SlotDecoder.h"
#include "link/FirmwareFlags.h"
#include "shell/SessionLog.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    FirmwareFlags flags;
    flags.FwOldSlotStatus = data[0] & 0x01;
    flags.FwNewSlotStatus = data[0] & 0x02;
    flags.FwFirstInSchedule = data[0] & 0x04;
    flags.FwMemoryFullInverted = data[0] & 0x08;
    flags.FwRemoteQuirk = data[0] & 0x10;
    const QByteArrayView hex(reinterpret_cast<const char*>(data) + 1, qsizetype(size) - 1);

    SessionLog log;
    const SlotRecord slot = tolviM::DecodeReceivedSlot(hex, flags, log);
    Fuzz::Check(slot.TimeStamp >= tolviM::EarliestSlotTime, "the time stamp is floored at 2008");
    Fuzz::Check(slot.SampleMode <= 3 && slot.Limit <= 15, "mode and limit come from their bits");
    Fuzz::Check(std::isfinite(slot.Reading) && std::isfinite(slot.ReadingMGM) && std::isfinite(slot.Temperature)
            && std::isfinite(slot.Humidity),
        "readings are finite numbers");
    Fuzz::Check(slot.RawHex.size() == hex.size(), "the raw text is kept as received");
    return 0;
}
