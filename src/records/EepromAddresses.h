#pragma once

// EEPROM locations that the technical file's EEPROM report reads from the
// instrument's 1024-byte image. A word is high byte first unless noted.
namespace EepromAddress {
constexpr int TimeToPeak = 0x0000;          // 2 bytes, BCD tenths of a second, low byte first
constexpr int CalibrationA = 0x0002;        // peak gain mantissa (low first), exponent, marker, peak value
constexpr int CalibratedMarker = 0x0005;    // 0x44 when calibrated
constexpr int UsageCounter = 0x0009;        // 2 bytes, low byte first
constexpr int SavedIndex = 0x000B;          // the last saved sample
constexpr int SavedConcentrations = 0x000C; // ten words
constexpr int PumpTime = 0x0020;            // tenths of a second
constexpr int SamplingMode = 0x0021;
constexpr int Limit = 0x0022;
constexpr int OffsetMode = 0x0023;          // 0 fine display, other normal
constexpr int TimeMode = 0x0024;
constexpr int DeltaMode = 0x0025;
constexpr int AreaNegatives = 0x0026;       // 0 the area ignores negative values
constexpr int ManualReset = 0x0027;
constexpr int CalibrationB = 0x0028;        // temperature, area gain mantissa, exponent, ..., area value
constexpr int FakeModeMarker = 0x002C;      // 2 letters
constexpr int ControlSwitches = 0x002E;     // word: key lock bit 0, automatic switch-off bit 12
constexpr int SavedTemperatures = 0x0033;   // ten bytes
constexpr int OffsetSign = 0x0040;          // 0 negative, other positive
constexpr int OffsetSize = 0x0041;          // thousandths of a ppm
constexpr int PumpValveBlock = 0x0042;      // valve mode, delta, time; pump mode, delta; sample start
constexpr int AlarmBlock = 0x0048;          // enabled, -, duration, level in hundredths of a ppm
constexpr int GtnGate = 0x004C;
constexpr int GtnTriggerTime = 0x004D;
constexpr int GtnJump = 0x004E;             // 0 jumps to peak mode, other to area mode
constexpr int ZeroErrorSign = 0x0050;       // 0 positive, other negative; then a word
constexpr int AteMode = 0x0053;
constexpr int ShortSensor = 0x0054;
constexpr int A2tGate = 0x0057;
constexpr int AlarmDirection = 0x0059;      // 0 under the level, other over
constexpr int MgmFactor = 0x0071;           // fixed flag, step
constexpr int ManufactureDate = 0x0100;     // BCD day, month, year - 2000
constexpr int CalibrationDate = 0x0103;
constexpr int ServiceDate = 0x0106;
constexpr int SerialNumber = 0x0109;        // type byte, then 3 bytes
constexpr int AuxDate = 0x010D;
constexpr int Brand = 0x0110;               // 16 characters
constexpr int BrandLength = 16;
constexpr int ExtendedKeysMarker = 0x01B4;  // "XK"
constexpr int FramChipBlock = 0x01E9;       // original count, fitted count, map, error count
constexpr int ParkSensorMarker = 0x01F0;    // "R1"
constexpr int RemoteFramSave = 0x01F3;
constexpr int AreaPeriodStart = 0x01F5;     // word, low byte first
constexpr int AreaPeriodEnd = 0x01F7;       // word, low byte first
constexpr int EepromZapMarker = 0x01FE;     // "IE"
constexpr int MemoryFull = 0x0200;
constexpr int SavedSamples = 10;
}
