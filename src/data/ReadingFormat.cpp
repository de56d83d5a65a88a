#include "ReadingFormat.h"

#include "instrument/InstrumentInfo.h"
#include "instrument/SlotRecord.h"
#include "link/FirmwareFlags.h"
#include "shell/Bits.h"
#include "shell/Picture.h"

namespace {
constexpr double kPressureTimesMolarMass = 3040.76325; // 101.325 kPa x 30.01 g/mol
constexpr double kGasConstant = MgmConstants::GasConstant;
constexpr double kKelvinOffset = MgmConstants::KelvinOffset;
const QString kNoReadingField = QStringLiteral("        ");
}

float ConvertToMGM(const QString& gasName, float ppm, float celsius)
{
    (void)gasName;
    return static_cast<float>(ppm * kPressureTimesMolarMass / ((celsius + kKelvinOffset) * kGasConstant));
}

float StoredSlotMGM(const SlotRecord& slot, const FirmwareFlags& flags, const InstrumentInfo& info)
{
    if (slot.Reading < 0)
        return -1.0f;
    if (flags.FwNewSlotStatus && info.MGMFixed)
        return static_cast<float>(info.MGMFactor / 512.0 * slot.Reading);
    return ConvertToMGM(info.SerialNumber, slot.Reading, slot.Temperature);
}

QString FormatReadings(const SlotRecord& slot, const QString& sep, const QLocale& locale)
{
    const QString space = QStringLiteral(" ");
    const QString climate = sep + space + FormatNumber(slot.Temperature, QStringLiteral("00.00"), locale) + sep
        + space + FormatNumber(slot.Humidity, QStringLiteral("00.00"), locale) + sep;
    if (slot.Reading < 0)
        return kNoReadingField + climate + kNoReadingField;
    return space + FormatNumber(slot.Reading, QStringLiteral("000.000"), locale) + climate + space
        + FormatNumber(slot.ReadingMGM, QStringLiteral("000.000"), locale);
}

QString FormatComments(const SlotRecord& slot, const QString& sep, int style, const FirmwareFlags& flags)
{
    (void)sep;
    if (style != 0) {
        return QStringLiteral("[%1][%2][%3]").arg(slot.Limit).arg(slot.SampleMode).arg(HexL(slot.Flags, 2));
    }
    QStringList parts;
    if (slot.Reading < 0)
        parts << QStringLiteral("No Reading");
    if (slot.Scheduled && slot.FirstInSchedule && flags.FwFirstInSchedule)
        parts << QStringLiteral("First Scheduled");
    else if (slot.Scheduled)
        parts << QStringLiteral("Scheduled");
    else if (slot.Remote)
        parts << QStringLiteral("Remote");
    else
        parts << QStringLiteral("Manual");
    if (slot.Uncalibrated)
        parts << QStringLiteral("Uncalibrated");
    if (slot.LowBattery)
        parts << QStringLiteral("Low battery power");
    if (slot.Status && slot.NotReady)
        parts << QStringLiteral("Not ready to sample");
    return parts.join(QLatin1Char(':'));
}
