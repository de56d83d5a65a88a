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

// The protocol variants a firmware version switches on (also for slots
// archived under an earlier firmware).
inline FirmwareFlags FirmwareFlagsFor(double version)
{
    FirmwareFlags flags;
    if (version <= 1.99) {
        flags.FwOldSlotStatus = version >= 1.30;
        flags.FwNewSlotStatus = version >= 1.44;
        flags.FwFirstInSchedule = version >= 1.47;
        flags.FwMemoryFullInverted = version >= 1.61;
    } else {
        flags.FwNewSlotStatus = version >= 2.16;
        flags.FwFirstInSchedule = version >= 2.19;
        flags.FwMemoryFullInverted = version >= 2.26;
    }
    flags.FwRemoteQuirk = version < 2.29 && flags.FwFirstInSchedule;
    return flags;
}
