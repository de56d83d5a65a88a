#pragma once
#include <QString>
#include <array>
#include <cstdint>

class InstrumentLink;
struct InstrumentInfo;
struct Services;

// How the instrument measures: sampling mode, limit, gates, calibration,
// the flash limit table and the fixed mg/m^3 factor.
namespace tolviM {

uint8_t GetMode(InstrumentLink& link, Services& services);       // 0 on failure
uint8_t GetLimit(InstrumentLink& link, Services& services);      // 0 on failure
QString GetModeString(InstrumentLink& link, Services& services); // empty on failure
QString GetLimitString(InstrumentLink& link, Services& services);
// Both gate states; the GTN part alone when the second read fails.
QString GetGateString(InstrumentLink& link, Services& services);
// Fixed factor step n (factor n/512 mg/m^3 per ppm), -1 for dynamic conversion, 0 on failure.
int32_t GetMGMFactor(InstrumentLink& link, Services& services);
// Fills the calibration fields; returns CalibrationValid (false when the
// first read fails, the marker already read when a later one fails).
bool GetCalibration(InstrumentLink& link, Services& services, InstrumentInfo& info);
// Fills FlashLimits 1..20 and logs slope and offset of every limit. Always 0.
int GetFlashLimits(InstrumentLink& link, Services& services, InstrumentInfo& info);
// Slope (ppb/s) and offset (ppm) of limit k (1..4) in the flash limit table.
double LimitSlope(const std::array<uint8_t, 257>& table, int k);
double LimitOffset(const std::array<uint8_t, 257>& table, int k);

QString ModeName(int mode);      // "Timed Sample", "Peak Detection", "Area Calculation", "Unknown Mode"
QString LimitName(int limit);    // "QRA", "QRB", "QRA+", "QRA++", "Unknown Limit!"
// Time to peak in seconds from its two BCD bytes (stored low byte first, in tenths).
float TimeToPeakSeconds(int byte0, int byte1);
// The concentrations of a calibration record, from its raw peak and area
// values, and which divisors apply: a ratio PeakGain x PeakValue / 4000
// below 1 means the calibration was made in limit 4.
struct CalibrationTargets {
    bool madeInLimit4 = false;
    float peakPpm = 0;
    float areaPpm = 0;
};
CalibrationTargets CalibrationConcentrations(float peakGain, float peakValue, float areaGain, float areaValue);

}
