#include "InstrumentIdentity.h"

#include "instrument/ClockError.h"
#include "instrument/InstrumentInfo.h"
#include "shell/Picture.h"
#include "shell/TimeConv.h"

namespace {
const QString NotRead = QStringLiteral("Not read");
const QString Unknown = QStringLiteral("Unknown");

// A date of the record; the zero date is what a failed read leaves.
QString DateText(const QDateTime& date, const QLocale& locale)
{
    if (!date.isValid() || date == ZeroDate())
        return Unknown;
    return FormatDate(date, QStringLiteral("dd-MMM-YYYY"), locale);
}

QString MemoryText(const InstrumentInfo& info, const QLocale& locale)
{
    if (info.SlotsTotal <= 0)
        return Unknown;
    return QStringLiteral("%1 of %2 slots used (%3)")
        .arg(info.SlotsUsed)
        .arg(info.SlotsTotal)
        .arg(FormatNumber(double(info.SlotsUsed) / info.SlotsTotal, QStringLiteral("0%"), locale));
}

QString ClockText(const InstrumentInfo& info)
{
    // Without a clock reading the record holds the zero date.
    if (info.RTCLocal == ZeroDate() || info.PCTime == ZeroDate())
        return Unknown;
    return ClockErrorValueText(ClockErrorDays(info));
}

QString TextOr(const QString& text, const QString& fallback) { return text.isEmpty() ? fallback : text; }
} // namespace

QList<IdentityRow> InstrumentIdentityRows(const InstrumentInfo& info, bool stateRead, const QLocale& locale)
{
    return {
        {QStringLiteral("Serial number"), TextOr(info.SerialNumber, Unknown)},
        {QStringLiteral("Firmware"), TextOr(info.FirmwareID, Unknown)},
        {QStringLiteral("Manufactured"), DateText(info.Manufactured, locale)},
        {QStringLiteral("Calibrated"), DateText(info.Calibrated, locale)},
        {QStringLiteral("Serviced"), DateText(info.Serviced, locale)},
        {QStringLiteral("Usage counter"), QString::number(info.UsageCounter)},
        {QStringLiteral("Memory"), stateRead ? MemoryText(info, locale) : NotRead},
        {QStringLiteral("Clock error"), stateRead ? ClockText(info) : NotRead},
    };
}

QString InstrumentIdentityText(const QList<IdentityRow>& rows)
{
    QStringList lines;
    for (const IdentityRow& row : rows)
        lines << row.name + QStringLiteral(": ") + row.value;
    return lines.join(QLatin1Char('\n'));
}
