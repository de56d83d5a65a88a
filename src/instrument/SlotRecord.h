#pragma once
#include "shell/TimeConv.h"

#include <QDateTime>
#include <QString>
#include <cstdint>

// One decoded sample slot of the instrument's memory (16 bytes on the
// instrument). A default record is the "empty" record a failed read gives.
struct SlotRecord {
    uint8_t Flags = 0;                 // slot byte 0 as read
    bool Bit7 = false;                 // cleared when moved to Status
    bool Uncalibrated = false;
    bool LowBattery = false;           // bit 5 inverted
    bool Remote = false;
    bool Scheduled = false;
    bool Gate = false;
    bool Offset = false;
    bool Bit0 = false;
    bool Status = false;               // slot carries status (firmware with status bits)
    bool Ready = false;
    bool NotReady = false;
    float SavedPeakReading = 0;        // peak value before a not-ready slot replaced it
    bool Settling = false;             // old status band only
    bool FirstInSchedule = false;
    uint8_t Limit = 0;
    uint8_t SampleMode = 0;            // 0 timed, 1 peak, 2 area, 3 unknown
    int32_t TimeStamp = 0;             // seconds since 1970 UTC, floored at 1 January 2008
    QDateTime SampleTime;              // TimeStamp as local date-time; null in the empty record
    float Reading = 0;                 // ppm of the sample mode; negative = no reading
    float ReadingMGM = 0;              // mg/m^3, -1 when there is no reading
    float PeakReading = 0;
    float TenthsValue = 0;
    float TimedReading = 0;
    float AreaReading = 0;
    float Temperature = 0;             // degrees Celsius
    float Humidity = 0;                // %rh
    QString RawHex;                    // the slot's 32 hexadecimal characters as received
};
