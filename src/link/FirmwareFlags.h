#pragma once

// Behaviour switches set from the instrument's firmware version at every
// connection and read by the decoders of sample slots and schedule state.
// Owned by the link session (InstrumentLink); tests set them directly.
struct FirmwareFlags {
    bool FwOldSlotStatus = false;
    bool FwNewSlotStatus = false;
    bool FwFirstInSchedule = false;
    bool FwMemoryFullInverted = false;
    bool FwRemoteQuirk = false;
};
