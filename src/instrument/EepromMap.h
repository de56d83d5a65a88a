#pragma once

// Addresses of the instrument's EEPROM that the procedures read and write.
namespace EepromMap {
// Two bytes that read 0x52 0x31 on instruments that can park their sensor
// between scheduled samples.
constexpr int ParkSensorId = 0x01F0;
}
