#pragma once

// Addresses of the instrument's EEPROM that the procedures read and write.
namespace EepromMap {

// Pump and valve settings.
constexpr int PumpRunTime = 0x0020;        // tenths of a second
constexpr int ValveBlock = 0x0042;         // valve mode, valve delay, valve run time, pump mode, pump delay, sample start
constexpr int ValveBlockSavedBytes = 5;    // the bytes the sensor refresh saves and writes back (0x0042-0x0046)

// Measurement details shown by the service functions.
constexpr int OffsetMode = 0x0023;         // 0 fine, other normal
constexpr int AreaIgnoresNegatives = 0x0026; // 0: the area leaves negative values out
constexpr int Offset = 0x0040;             // sign byte (0 negative), thousandths of a ppm
constexpr int GtnTrigger = 0x004D;         // trigger time in tenths, then the jump (0 peak mode, other area mode)
constexpr int ZeroError = 0x0050;          // sign byte (0 positive), 16-bit value high byte first
constexpr int AreaPeriod = 0x01F5;         // start and end, 16-bit each, low byte first, tenths of a second

}
