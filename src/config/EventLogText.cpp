#include "config/EventLogText.h"

#include "instrument/EepromImage.h"
#include "instrument/Reply.h"
#include "shell/Bits.h"
#include "shell/Picture.h"
#include "shell/TimeConv.h"

#include <cmath>

namespace {

constexpr int MinutesPerDay = 1440;
const QString Tab = QStringLiteral("\t");
// Seconds signed, with a blank where the sign would be for zero.
const QString SignedTenthsPicture = QStringLiteral("+00.0;-00.0;\\ \\ 0.0");
// Thousandths signed; a zero offset shows two blanks and "-OFF-".
const QString OffsetPicture = QStringLiteral("+0.000;-0.000;\\ \\-\\O\\F\\F\\-");

// The bytes of an entry; a byte read beyond them is not asked for (the
// entry's length is checked first).
class EntryBytes {
public:
    explicit EntryBytes(const QByteArray& bytes) : bytes_(bytes) {}
    int at(int k) const { return static_cast<uint8_t>(bytes_.at(k)); }
    int word(int k) const { return MakeWord(quint8(at(k)), quint8(at(k + 1))); }
    int value24(int k) const { return word(k) * 256 + at(k + 2); }
    // A signed byte: bit 7 set means the value minus 256.
    int signedByte(int k) const { return at(k) >= 0x80 ? at(k) - 256 : at(k); }
    QByteArray hex(int k, int count) const { return bytes_.mid(k, count).toHex().toUpper(); }

private:
    const QByteArray& bytes_;
};

QString kindName(EventLogKind kind)
{
    switch (kind) {
    case EventLogKind::Calibration: return QStringLiteral("Calibration");
    case EventLogKind::Pump: return QStringLiteral("Pump");
    case EventLogKind::Valve: return QStringLiteral("Valve");
    case EventLogKind::Offset: return QStringLiteral("Offset");
    case EventLogKind::Schedule: return QStringLiteral("Schedule");
    }
    return {};
}

// Eight characters for the bits of a byte in the given order: the set
// character where the bit is set, the clear one where it is not.
QString bitPattern(uint8_t value, const int (&bits)[8], const char* set, const char* clear)
{
    QString text;
    for (int i = 0; i < 8; ++i)
        text += QLatin1Char(BitTest(value, bits[i]) ? set[i] : clear[i]);
    return text;
}
constexpr int HighBitFirst[8] = {7, 6, 5, 4, 3, 2, 1, 0};
constexpr int LowBitFirst[8] = {0, 1, 2, 3, 4, 5, 6, 7};

QString gainText(double gain, int mantissa, int exponent)
{
    return FormatNumber(gain, QStringLiteral("0.00000")) + QStringLiteral(" or ")
        + FormatNumber(mantissa, QStringLiteral("00000")) + QStringLiteral("/E")
        + FormatNumber(exponent, QStringLiteral("00"));
}

QStringList calibrationLines(const EntryBytes& b)
{
    const int flags = b.at(0);
    const double peakGain = b.word(4) / std::pow(2.0, b.at(6));
    const double areaGain = b.word(10) / std::pow(2.0, b.at(12));
    const int peakValue = b.value24(7);
    // The peak time is stored as four decimal digits (tenths of a second).
    const int peakTenths = tolviM::BcdValue(b.hex(2, 2));
    QStringList lines{
        QStringLiteral("Temperature : ") + FormatNumber(b.at(1), QStringLiteral("#0")) + QStringLiteral("°C"),
        QStringLiteral("Target was  : ") + FormatNumber(peakValue / 4000.0 * peakGain, QStringLiteral("0.000 ppm")),
    };
    if (flags != 0)
        lines << QStringLiteral("Error in calibration") << QStringLiteral("Status      : ") + CalibrationFlagsText(uint8_t(flags));
    lines << QStringLiteral("Peak Value  : ") + FormatNumber(peakValue, QStringLiteral("#au")) + QStringLiteral(" at ")
            + FormatNumber(peakTenths / 10.0, QStringLiteral("#0.0 sec"))
          << QStringLiteral("Peak Gain   : ") + gainText(peakGain, b.word(4), b.at(6))
          << QStringLiteral("Area Value  : ") + FormatNumber(b.value24(13), QStringLiteral("#au"))
          << QStringLiteral("Area Gain   : ") + gainText(areaGain, b.word(10), b.at(12));
    return lines;
}

QString timingLine(const QString& device, const EntryBytes& b)
{
    return device + QStringLiteral(" is in mode '") + PumpValveModeText(uint8_t(b.at(0))) + QStringLiteral("', starts at ")
        + FormatNumber(b.signedByte(1) / 10.0, SignedTenthsPicture) + QStringLiteral(" seconds and runs for ")
        + FormatNumber(b.at(2) / 10.0, SignedTenthsPicture) + QStringLiteral(" seconds.");
}

QString minutesText(int minutes)
{
    return FormatDays(double(minutes) / MinutesPerDay, QStringLiteral("HH:NN"));
}

QStringList scheduleLines(const EntryBytes& b)
{
    const auto withBits = [](const QString& pattern, int value) {
        return pattern + QStringLiteral(" (0b") + Bin(value) + QLatin1Char(')');
    };
    return {
        QStringLiteral("Configuration is ") + withBits(ScheduleConfigurationText(uint8_t(b.at(0))), b.at(0)),
        QStringLiteral("Starting Weekmask is ") + withBits(WeekMaskText(uint8_t(b.at(1))), b.at(1)),
        QStringLiteral("Ending Weekmask is ") + withBits(WeekMaskText(uint8_t(b.at(7))), b.at(7)),
        QStringLiteral("Schedule starts at ") + minutesText(b.word(3)) + QStringLiteral(", runs for ")
            + minutesText(b.word(5) - 1) + QStringLiteral(" and samples every ") + QString::number(b.at(2))
            + QStringLiteral("minutes."),
        QStringLiteral("Schedule Loop Counter is ") + QString::number(b.word(8)),
    };
}

} // namespace

int EventLogEntryBytes(EventLogKind kind)
{
    switch (kind) {
    case EventLogKind::Calibration: return 16;
    case EventLogKind::Pump: return 3;
    case EventLogKind::Valve: return 4;
    case EventLogKind::Offset: return 2;
    case EventLogKind::Schedule: return 10;
    }
    return 0;
}

QStringList EventLogEntryLines(EventLogKind kind, int entryNumber, const tolviM::EventLogEntry& entry)
{
    if (entry.bytes.size() < EventLogEntryBytes(kind))
        return {};
    const EntryBytes b(entry.bytes);
    QStringList details;
    switch (kind) {
    case EventLogKind::Calibration:
        details = calibrationLines(b);
        break;
    case EventLogKind::Pump:
        details << timingLine(QStringLiteral("Pump"), b);
        break;
    case EventLogKind::Valve:
        details << timingLine(QStringLiteral("Valve"), b)
                << QStringLiteral("Sample starts at '")
                + (b.at(3) == 0 ? QStringLiteral("Button Press") : QStringLiteral("Time Zero")) + QStringLiteral("'.");
        break;
    case EventLogKind::Offset: {
        const int thousandths = b.at(0) >= 0x80 ? b.word(0) - 65536 : b.word(0);
        details << QStringLiteral("Offset is ") + FormatNumber(thousandths / 1000.0, OffsetPicture);
        break;
    }
    case EventLogKind::Schedule:
        details = scheduleLines(b);
        break;
    }
    QStringList lines{QStringLiteral("* ") + kindName(kind) + QStringLiteral(" settings at ")
        + FormatDate(UTC2VB(entry.timeStamp), QStringLiteral("DD-MMM-YYYY HH:NN:SS")) + QStringLiteral(", log number ")
        + QString::number(entryNumber)};
    for (const QString& detail : details)
        lines << Tab + detail;
    return lines;
}

QString CalibrationFlagsText(uint8_t flags)
{
    return bitPattern(flags, HighBitFirst, "R-APMTNL", "________");
}

QString ScheduleConfigurationText(uint8_t configuration)
{
    return bitPattern(configuration, LowBitFirst, "L-------", "l_______");
}

QString WeekMaskText(uint8_t mask)
{
    return bitPattern(mask, LowBitFirst, "SSFTWTM-", "ssftwtm_");
}

QString PumpValveModeText(uint8_t mode)
{
    switch (mode) {
    case 0: return QStringLiteral("Never");
    case 1: return QStringLiteral("Timed");
    case 2: return QStringLiteral("Always");
    default: return QLatin1Char('?') + FormatNumber(mode, QStringLiteral("000")) + QLatin1Char('?');
    }
}
