#pragma once
#include <cstdint>
#include <optional>

class InstrumentLink;
struct InstrumentInfo;
struct Services;

// Pump and valve timing, the concentration alarm and the control switches.
namespace tolviM {

// Reads the pump-and-valve block and the pump time into info; true when both reads succeed.
bool GetPNVDetails(InstrumentLink& link, Services& services, InstrumentInfo& info);
// Asks the user first (the change invalidates the calibration), writes pump
// time and block, marks the instrument uncalibrated, reads the calibration
// back and records the change. Values the instrument's byte fields cannot
// hold are refused with a message before anything is sent. True when the
// block write was answered correctly.
bool SetPNVDetails(InstrumentLink& link, Services& services, InstrumentInfo& info);
// Reads the alarm block and direction; returns AlarmEnabled (false when the first read fails).
bool GetAlarm(InstrumentLink& link, Services& services, InstrumentInfo& info);
// Writes enable, duration, level and direction, stopping at the first
// failure, and records the change. A level over 2.55 ppm is refused with a
// message before anything is sent. True when all four writes were answered.
bool SetAlarm(InstrumentLink& link, Services& services, InstrumentInfo& info);
// The switches word (bit 0 key lock, bit 12 automatic switch-off blocked) as
// a signed 16-bit value; 0 on failure.
int16_t GetControlSwitches(InstrumentLink& link, Services& services);
// The same word as its 16 bits, or nothing when the read failed: what a
// caller that writes the word back with one bit changed must use, so that a
// failed read never turns into a write of the other bits as 0.
std::optional<uint16_t> ReadControlSwitches(InstrumentLink& link, Services& services);
// Writes the word (its 16 bits, whether given signed or unsigned); a value
// outside -32768..65535 is refused with a message. True on a correct answer.
bool SetControlSwitches(InstrumentLink& link, Services& services, int word);

// A signed delta byte (two's complement tenths of a second) in seconds.
float DeltaSeconds(int byte);
// Tenths of a value (seconds or ppm x 10, hundredths for the alarm level:
// pass scale 100) rounded to the nearest whole number, ties to even, when
// it lies in min..max; nothing otherwise.
std::optional<int> ScaledInRange(float value, int scale, int min, int max);

}
