#pragma once

// The instrument's memory map: the EEPROM addresses (0x0000-0x03FF, read with
// "G", written with "B") and the flash ranges (read with "E") that the
// instrument procedures use. Sizes are in bytes.
namespace EepromMap {
constexpr int Size = 1024;

constexpr int TimeToPeak = 0x0000;            // 2: BCD tenths of a second, low byte first
constexpr int CalibrationBlockA = 0x0002;     // 7: peak gain, calibrated marker, peak value
constexpr int CalibratedMarker = 0x0005;      // in block A: 0x44 calibrated, 0x43 written to uncalibrate
constexpr int UsageCounter = 0x0009;          // 2: low byte first; also the sensor cycles
constexpr int CyclePointer = 0x000B;          // 1: the sensor-cycle pointer (the last saved sample)
constexpr int SavedConcentrations = 0x000C;   // SavedSamples words: the last saved readings
constexpr int SavedSamples = 10;              // how many readings the two saved tables hold
constexpr int PumpTime = 0x0020;              // 1: tenths of a second
constexpr int SamplingMode = 0x0021;          // 1
constexpr int Limit = 0x0022;                 // 1
constexpr int OffsetMode = 0x0023;            // 1: "Fine" or "Normal"
constexpr int TimeMode = 0x0024;
constexpr int DeltaMode = 0x0025;
constexpr int AreaIgnoresNegatives = 0x0026;  // 1: 0 = the area leaves negative values out
constexpr int ManualReset = 0x0027;
constexpr int CalibrationBlockB = 0x0028;     // 11: temperature, area gain, area value
constexpr int FakeModeMarker = 0x002C;        // 2
constexpr int ControlSwitches = 0x002E;       // 2: the word of ControlSwitchBits
constexpr int SavedTemperatures = 0x0033;     // SavedSamples bytes
constexpr int OffsetSetting = 0x0040;         // 2: sign byte (0 negative), then OffsetSize
constexpr int OffsetSize = 0x0041;            // 1: thousandths of a ppm (after the sign byte)
constexpr int PumpValveBlock = 0x0042;        // 6: valve mode, delay, run time, pump mode, delay, sample start
constexpr int PumpValveSavedBytes = 5;        // what the sensor refresh saves and writes back (0x0042-0x0046)
constexpr int AlarmBlock = 0x0048;            // 4: enabled, (unused), duration, level
constexpr int AlarmEnabled = AlarmBlock;      // 1
constexpr int AlarmDuration = 0x004A;         // 1
constexpr int AlarmLevel = 0x004B;            // 1
constexpr int GtnGate = 0x004C;               // 1
constexpr int GtnTrigger = 0x004D;            // 2: trigger time and jump
constexpr int GtnJump = 0x004E;               // 1: 0 jumps to peak mode, other to area mode
constexpr int DataDumpMode = 0x004F;          // 1: 0xFF on, 0x00 off
constexpr int ZeroError = 0x0050;             // 3
constexpr int AteMode = 0x0053;
constexpr int ShortSensorBetweenSamples = 0x0054; // 1
constexpr int A2tGate = 0x0057;               // 1
constexpr int AlarmDirection = 0x0059;        // 1
constexpr int ScheduleCopy = 0x0060;          // 11: the schedule block as "A00" returns it
constexpr int ScheduleEnabled = 0x006B;       // 1: 0 = the schedule is not enabled
constexpr int MgFactor = 0x0071;              // 2: mg/m^3 factor (fixed flag, step)
constexpr int LimitTableCopy = 0x0078;        // LimitTableLength: the flash limit table, byte for byte
constexpr int LimitTableLength = 20;
constexpr int LimitTableCheck = 0x008C;       // 1: the table's check byte (its bytes summed, modulo 256)
constexpr int ManufactureDate = 0x0100;       // 3
constexpr int CalibrationDate = 0x0103;       // 3
constexpr int ServiceDate = 0x0106;           // 3
constexpr int SerialNumber = 0x0109;          // 4: type byte and serial number
constexpr int FourthDate = 0x010D;            // 3
constexpr int Brand = 0x0110;                 // BrandLength characters
constexpr int BrandLength = 16;
constexpr int FakeSnl = 0x01B3;
constexpr int ExtendedKeysMarker = 0x01B4;    // 2: "XK"
constexpr int FramRecords = 0x01E5;           // 2: slots in use
constexpr int FramRecordOffset = 0x01E7;      // 2: the slot where the oldest sample sits
constexpr int FramChipBlock = 0x01E9;         // 4: original count, fitted count, map, error count
constexpr int ParkSensorMarker = 0x01F0;      // 2: 0x52 0x31 when the park sensor is available
constexpr int RemoteFramSave = 0x01F3;        // 1
constexpr int AreaPeriod = 0x01F5;            // 4: area start and end, 16-bit each, low byte first, tenths
constexpr int AreaPeriodEnd = 0x01F7;         // 2: the period's end, low byte first
constexpr int PumpBurnEnable = 0x01F9;
constexpr int PumpBurnCounter = 0x01FB;
constexpr int PumpBurnOnTime = 0x01FC;
constexpr int PumpBurnOffTime = 0x01FD;
constexpr int EepromZapMarker = 0x01FE;       // 2: "IE"
constexpr int MemoryFull = 0x0200;            // 1: stop or go on when the sample memory is full
constexpr int WiMac = 0x0226;
constexpr int WiRegister = 0x022C;

// Event log n (0 to 4) is read at EventLogBase + n, the entry index in
// place of the length.
constexpr int EventLogBase = 0x1000;
} // namespace EepromMap

// The bits of the control-switches word at EepromMap::ControlSwitches.
namespace ControlSwitchBits {
constexpr unsigned KeyLock = 0x0001;
// The instrument's Q, Z and N modes, set from its own menus.
constexpr unsigned QMode = 0x0002;
constexpr unsigned ZMode = 0x0004;
constexpr unsigned NMode = 0x0008;
constexpr unsigned AutoOffBlocked = 0x1000;   // the automatic switch-off is blocked
}

// Flash ranges, read with "E": [begin, end).
namespace FlashMap {
struct Range {
    int begin;
    int end;
};
constexpr Range FirmwareTextFirst{0x0030, 0x0078};
constexpr Range FirmwareTextSecond{0x0098, 0x0100};   // read in 6-byte blocks, so through 0x0103
constexpr int LimitTable = 0x0101;                     // 20 bytes through 0x0114
} // namespace FlashMap
