#pragma once
#include <QLocale>
#include <QString>

struct SlotRecord;
struct InstrumentInfo;
struct FirmwareFlags;

// ppm -> mg/m^3 by the ideal-gas rule at 101.325 kPa for a molar mass of
// 30.01 g/mol at the sample's own temperature. The gas name (the instrument's
// serial number is passed) does not change the result.
float ConvertToMGM(const QString& gasName, float ppm, float celsius);

// The conversion's four constants.
namespace MgmConstants {
constexpr double Pressure = 101.325;     // kPa
constexpr double MolarMass = 30.01;      // g/mol
constexpr double GasConstant = 8.314472; // J/(mol K)
constexpr double KelvinOffset = 273.15;  // from degrees Celsius
}

// The mg/m^3 value kept with a downloaded slot: -1 without a reading; the
// instrument's own factor (n/512) when its firmware reports slot status and
// it has a fixed factor; else ConvertToMGM.
float StoredSlotMGM(const SlotRecord& slot, const FirmwareFlags& flags, const InstrumentInfo& info);

// The four numeric columns of a data row: " " + reading "000.000", temperature
// "00.00", humidity "00.00", mg/m^3 "000.000", joined by sep. Without a reading
// the reading and mg/m^3 fields are eight spaces, so columns keep their width.
QString FormatReadings(const SlotRecord& slot, const QString& sep, const QLocale& locale);

// The notes column. style 0: words joined by ":" ("Scheduled:Low battery power");
// any other style: the code form "[limit][mode][FLAGS]". The separator is not
// used: notes are one field whatever the file's separator.
QString FormatComments(const SlotRecord& slot, const QString& sep, int style, const FirmwareFlags& flags);
