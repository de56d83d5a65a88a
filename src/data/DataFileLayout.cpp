#include "DataFileLayout.h"

#include "data/ReadingFormat.h"
#include "instrument/SlotRecord.h"
#include "shell/Bits.h"
#include "shell/Picture.h"
#include "shell/TimeConv.h"

#include <QStringList>
#include <charconv>

namespace {
const QString kQuad = QStringLiteral("    ");

QString valueOrBlank(float value, const QString& picture, int blankWidth, const QLocale& locale)
{
    if (value < 0)
        return QString(blankWidth, QLatin1Char(' '));
    return QLatin1Char(' ') + FormatNumber(value, picture, locale);
}

QString sampleModeName(const SlotRecord& slot, const FirmwareFlags& flags)
{
    if (flags.FwNewSlotStatus && slot.Status && slot.Ready)
        return QStringLiteral(" Max.");
    switch (slot.SampleMode) {
    case 0: return QStringLiteral(" Time");
    case 1: return QStringLiteral(" Peak");
    case 2: return QStringLiteral(" Area");
    default: return QStringLiteral(" [NA]");
    }
}

// Scheduled, remote, gate, offset, uncalibrated, battery: one letter each.
QString flagLetters(const SlotRecord& slot, const FirmwareFlags& flags)
{
    QString letters = slot.Scheduled ? QStringLiteral(" S") : QStringLiteral(" _");
    if (flags.FwFirstInSchedule && slot.FirstInSchedule && slot.Scheduled)
        letters += QLatin1Char('f');
    else
        letters += slot.Remote ? QLatin1Char('R') : QLatin1Char('_');
    if (flags.FwOldSlotStatus && slot.Status)
        letters += QLatin1Char('-');
    else
        letters += slot.Gate ? QLatin1Char('G') : QLatin1Char('_');
    if (flags.FwNewSlotStatus && !flags.FwOldSlotStatus && slot.Status && slot.NotReady)
        letters += QLatin1Char('-');
    else
        letters += slot.Offset ? QLatin1Char('O') : QLatin1Char('_');
    letters += slot.Uncalibrated ? QLatin1Char('C') : QLatin1Char('_');
    letters += slot.LowBattery ? QLatin1Char('B') : QLatin1Char('_');
    return letters;
}

// The two status columns: error and background on firmware with slot status,
// else the adjusted and deleted bits.
QStringList statusColumns(const SlotRecord& slot, const FirmwareFlags& flags, const QLocale& locale)
{
    const QString nine(9, QLatin1Char(' '));
    if (flags.FwNewSlotStatus) {
        if (!slot.Status)
            return {QStringLiteral(" No      "), nine};
        if (slot.Ready)
            return {QStringLiteral(" Timeout "), nine};
        return {QStringLiteral(" Settling"), (slot.Settling ? QStringLiteral(" +") : QStringLiteral(" -"))
                + FormatNumber(slot.SavedPeakReading, QStringLiteral("000.000"), locale)};
    }
    return {slot.Bit0 ? QStringLiteral(" Adjusted") : QStringLiteral(" ________"),
        slot.Bit7 ? QStringLiteral(" Yes") : QStringLiteral(" ___")};
}
}

QDateTime SampleTimeOf(const SlotRecord& slot)
{
    return slot.SampleTime.isValid() ? slot.SampleTime : ZeroDate();
}

QString ShortestSingleText(float value, const QLocale& locale)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    QString text = QString::fromLatin1(buffer, static_cast<qsizetype>(result.ptr - buffer));
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    return text;
}

QString DataFileLayout::header() const
{
    QStringList fields;
    switch (DataFormats::layout(format)) {
    case DataFormats::Layout::Utc:
        fields << QStringLiteral("UTC");
        break;
    case DataFormats::Layout::Comprehensive:
        fields << QStringLiteral("Slot") << QStringLiteral("        UTC") << QStringLiteral("      GMT")
               << QStringLiteral("       lDate") << QStringLiteral("    lTime") << kQuad
               << QStringLiteral("    Conc") << QStringLiteral("  Temp") << QStringLiteral("  Humi")
               << QStringLiteral("      MGM") << kQuad << QStringLiteral("    Peak") << QStringLiteral("    Time")
               << QStringLiteral("    Area") << QStringLiteral(" T2Pk") << kQuad << QStringLiteral(" Lt")
               << QStringLiteral(" Mode") << kQuad << QStringLiteral("      Flags")
               << QStringLiteral(" SchedRemoteGateOffsetCalibrationBattery") << QString();
        if (flags.FwNewSlotStatus)
            fields << QStringLiteral(" Error   ") << QStringLiteral(" Backg'nd") << QStringLiteral(" Received");
        else
            fields << QStringLiteral(" Temperature") << QStringLiteral(" Deleted") << QStringLiteral(" Received");
        return fields.join(sep);
    default:
        if (singleColumn)
            fields << QStringLiteral("Date & Time");
        else
            fields << QStringLiteral("Date") << QStringLiteral("Time");
        break;
    }
    fields << QStringLiteral("Reading/ppm") << QStringLiteral("Temperature/oC") << QStringLiteral("Humidity/%rh")
           << QStringLiteral("Reading/mg.m^-3") << QStringLiteral("Notes");
    return fields.join(sep);
}

QString DataFileLayout::row(const SlotRecord& slot, int number) const
{
    switch (DataFormats::layout(format)) {
    case DataFormats::Layout::Utc: return utcRow(slot);
    case DataFormats::Layout::Comprehensive: return comprehensiveRow(slot, number);
    default: return datedRow(slot);
    }
}

QString DataFileLayout::datedRow(const SlotRecord& slot) const
{
    const QString date = FormatDate(SampleTimeOf(slot), DataFormats::datePicture(format), locale);
    const QString time = FormatDate(SampleTimeOf(slot), QStringLiteral("hh:mm:ss"), locale);
    return date + (singleColumn ? QStringLiteral(" ") : sep) + time + sep + FormatReadings(slot, sep, locale) + sep
        + FormatComments(slot, sep, 0, flags);
}

QString DataFileLayout::utcRow(const SlotRecord& slot) const
{
    return QString::number(slot.TimeStamp) + sep + FormatReadings(slot, sep, locale) + sep
        + FormatComments(slot, sep, 0, flags);
}

QString DataFileLayout::comprehensiveRow(const SlotRecord& slot, int number) const
{
    const QString space = QStringLiteral(" ");
    const QDateTime utc = QDateTime::fromSecsSinceEpoch(slot.TimeStamp, Qt::UTC);
    QStringList fields;
    fields << FormatNumber(number, QStringLiteral("0000"), locale)
           << space + FormatNumber(slot.TimeStamp, QStringLiteral("0000000000"), locale)
           << space + FormatDate(utc, QStringLiteral("hh:mm:ss"), locale)
           << space + FormatDate(SampleTimeOf(slot), QStringLiteral("dd-MMM-YYYY"), locale)
           << space + FormatDate(SampleTimeOf(slot), QStringLiteral("hh:mm:ss"), locale) << kQuad
           << space + FormatReadings(slot, sep, locale) << kQuad
           << valueOrBlank(slot.PeakReading, QStringLiteral("000.000"), 8, locale)
           << valueOrBlank(slot.TimedReading, QStringLiteral("000.000"), 8, locale)
           << valueOrBlank(slot.AreaReading, QStringLiteral("000.000"), 8, locale)
           << (slot.PeakReading >= 0 ? space + FormatNumber(slot.TenthsValue, QStringLiteral("00.0"), locale)
                                     : QString(5, QLatin1Char(' ')))
           << kQuad << space + FormatNumber(slot.Limit, QStringLiteral(" 0"), locale)
           << sampleModeName(slot, flags) << kQuad << QStringLiteral(" 0b") + Bin(slot.Flags)
           << flagLetters(slot, flags) << QString(33, QLatin1Char(' ')) << statusColumns(slot, flags, locale)
           << space + slot.RawHex;
    return fields.join(sep);
}
