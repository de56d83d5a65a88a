#pragma once

// Addresses of the instrument's EEPROM that the procedures read and write.
namespace EepromMap {

// Usage counter / sensor cycles (16 bits, low byte first) and the cycle pointer after it.
constexpr int Cycles = 0x0009;
constexpr int CyclePointer = 0x000B;
// Two bytes that read "QX" or "QY" while the instrument runs in its fake (demonstration) mode.
constexpr int FakeMode = 0x002C;
// Control switches word: bit 0 key lock, bit 12 automatic switch-off blocked.
constexpr int ControlSwitches = 0x002E;
// 0xFF arms the data-dump mode (the PC link is off after the next power cycle), 0x00 disarms it.
constexpr int DataDump = 0x004F;

}
