#pragma once
#include "instrument/EepromMap.h"
#include "shell/TimeConv.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>

// Everything the program knows about the connected instrument. The main
// window model keeps one and passes it by reference to the instrument
// procedures, which fill the fields they read. Reals are single precision:
// the record files write them as singles.
struct InstrumentInfo {
    // --- Connection (set by connection control at every link) ---
    QString ConnectionStamp;           // UTC seconds of the moment the link was made, decimal text
    QString SerialNumber;              // GetSerialNumber text, e.g. "123F"; names the record folder
    QString FirmwareID;                // short firmware string
    double FirmwareVersion = 0.0;      // number after the first "V" of FirmwareID, e.g. 2.31
    QString DescriptiveString = QStringLiteral("?");
    QString RecordFolder;              // DataFolder + "/" + SerialNumber
    int Port = 0;                      // serial port number the link uses, 0 for none
    bool UseNetwork = false;           // link runs over the network bridge

    // --- Identity and dates ---
    QDateTime Manufactured = ZeroDate();
    QDateTime Calibrated = ZeroDate();
    QDateTime Serviced = ZeroDate();
    int16_t UsageCounter = 0;

    // --- Measurement configuration and calibration ---
    uint8_t Mode = 0;                  // 0 timed, 1 peak, 2 area
    uint8_t Limit = 0;                 // 1..4
    int32_t MGMFactor = 0;             // fixed factor step n (factor n/512), -1 dynamic conversion
    bool MGMFixed = false;             // MGMFactor != -1
    bool CalibrationValid = false;
    float PeakValue = 0;               // after GetCalibration: calibration concentration, ppm
    float CalTemperature = 0;          // degrees Celsius
    float TimeToPeak = 0;              // seconds
    float PeakGain = 0;                // mantissa / 2^exponent
    int32_t PeakGainMantissa = 0;
    int16_t PeakGainExponent = 0;
    float AreaValue = 0;               // after GetCalibration: calibration concentration, ppm
    float AreaGain = 0;
    int32_t AreaGainMantissa = 0;
    int16_t AreaGainExponent = 0;
    std::array<uint8_t, 257> FlashLimits{}; // limit table in elements 1..20

    // --- Sample memory ---
    uint8_t FRAMChips = 0;             // chips fitted now
    uint8_t FRAMMap = 0;               // one bit per chip
    uint8_t FRAMChipsOriginal = 0;     // chips fitted originally
    uint8_t FRAMErrors = 0;            // instrument's FRAM error count
    int32_t SlotsTotal = 0;            // capacity in slots
    int32_t SlotsUsed = 0;             // slots holding data

    // --- Clock ---
    int16_t RTCYear = 0;               // 2000 + year byte
    uint8_t RTCMonth = 0;
    uint8_t RTCDay = 0;
    uint8_t RTCWeekday = 0;
    uint8_t RTCHour = 0;
    uint8_t RTCMinute = 0;
    uint8_t RTCSecond = 0;
    int32_t RTCSeconds = 0;            // clock reading as seconds since 1970, the clock taken as UTC
    QDateTime RTCLocal = ZeroDate(); // clock reading in local time
    QDateTime PCTime = ZeroDate();   // PC local time when the clock reply arrived
    float RTCDelay = 0;                // seconds the clock exchange took

    // --- Schedule ---
    bool ScheduleEnabled = false;      // state bit 0
    bool ScheduleRunning = false;      // state bit 1
    uint8_t Config = 0;                // configuration byte; bit 0 = loop counter in use
    bool SingleShot = false;
    bool CounterEnabled = false;
    bool ContinueOnFull = false;
    bool StopOnFull = true;            // always !ContinueOnFull
    bool ShortBetweenSamples = false;
    QDateTime StartTime = ZeroDate(); // time of day; local after a read
    QDateTime Duration = ZeroDate();  // sampling window length as a time of day
    uint8_t Frequency = 0;             // minutes between samples, 0 = continuous
    uint8_t WeekMask = 0;              // one bit per day
    int32_t Counter = 0;               // loop counter (16 bits on the instrument)

    // --- Pump, valve, alarm ---
    uint8_t PumpMode = 0;              // 0 never, 1 timed, 2 always
    bool PumpAlways = false;
    bool PumpTimed = false;
    bool PumpNever = false;
    float PumpDelta = 0;               // seconds, -12.8..12.7
    float PumpTime = 0;                // seconds, 0..25.5
    uint8_t ValveMode = 0;
    bool ValveAlways = false;
    bool ValveTimed = false;
    bool ValveNever = false;
    float ValveDelta = 0;
    float ValveTime = 0;
    uint8_t SampleStart = 0;           // 0 button press, other time zero
    bool SampleAtTimeZero = false;
    bool SampleAtButtonPress = false;
    bool AlarmEnabled = false;
    bool AlarmOver = false;            // triggers over the level (else under)
    uint8_t AlarmDuration = 0;         // seconds, 0 = constant alarm
    float AlarmSetting = 0;            // level, ppm, 0..2.55

    // --- EEPROM copy ---
    std::array<uint8_t, EepromMap::Size> EEPROMImage{}; // one byte per EEPROM address; 0xFF where a block read failed
};
