#include "EventLogReport.h"

#include "KeyValueReport.h"
#include "instrument/Measurement.h"
#include "shell/Bits.h"
#include "shell/Picture.h"
#include "shell/TimeConv.h"

#include <cmath>

namespace EventLogReport {

namespace {

const char* const SectionNames[EventLogCount] = {"CALIBRATION_", "PUMP_", "VALVE_", "OFFSET_", "SCHEDULE_"};
const QString SignedTenths = QStringLiteral("+00.0;-00.0;\\ \\ 0.0");
const QString OffsetPicture = QStringLiteral("+0.000;-0.000;\\ \\-\\O\\F\\F\\-");

// The bytes of one record; a byte the record did not carry reads as 0.
class RecordBytes {
public:
    explicit RecordBytes(const QByteArray& bytes) : bytes_(bytes) {}
    int at(int k) const { return k < bytes_.size() ? static_cast<quint8>(bytes_[k]) : 0; }
    int word(int k) const { return MakeWord(quint8(at(k)), quint8(at(k + 1))); }
    int triple(int k) const { return word(k) * 256 + at(k + 2); }
    int signedByte(int k) const { return at(k) > 127 ? at(k) - 256 : at(k); }

private:
    QByteArray bytes_;
};

// One letter per bit from bit 7 down to bit 0: the set form where the bit is set.
QString BitLetters(int value, const QString& set, const QString& clear)
{
    QString letters;
    for (int bit = 7; bit >= 0; --bit)
        letters += BitTest(value, bit) ? set[7 - bit] : clear[7 - bit];
    return letters;
}

QString HoursMinutes(int minutes, const QLocale& locale)
{
    return Quoted(FormatDays(minutes / 1440.0, QStringLiteral("HH:NN"), locale));
}

QString ModeName(int mode)
{
    switch (mode) {
    case 0: return QStringLiteral("Never");
    case 1: return QStringLiteral("Timed");
    case 2: return QStringLiteral("Always");
    default: return QStringLiteral("?");
    }
}

void AddCalibration(KeyValueReport& report, const RecordBytes& b, const QLocale& locale)
{
    const int peakMantissa = b.word(4), areaMantissa = b.word(10);
    const double peakGain = std::ldexp(double(peakMantissa), -b.at(6));
    const double areaGain = std::ldexp(double(areaMantissa), -b.at(12));
    const double peakValue = b.triple(7);
    auto gainText = [&](int mantissa, int exponent) {
        return Quoted(FormatNumber(mantissa, QStringLiteral("00000"), locale) + QStringLiteral("/E")
            + FormatNumber(exponent, QStringLiteral("00"), locale));
    };
    report.entry(QStringLiteral("Status"), BitLetters(b.at(0), QStringLiteral("R-APMTNL"), QStringLiteral("________")))
        .entry(QStringLiteral("Value"), QString::number(b.at(0)))
        .entry(QStringLiteral("Temperature"), QString::number(b.at(1)) + QStringLiteral("°C"))
        .entry(QStringLiteral("PeakValue"), FormatNumber(peakValue, QStringLiteral("#au"), locale))
        .entry(QStringLiteral("TimeToPeak"),
            QLatin1Char(' ') + FormatNumber(tolviM::TimeToPeakSeconds(b.at(3), b.at(2)), QStringLiteral("#0.0 sec"), locale))
        .entry(QStringLiteral("PeakGain"), FormatNumber(peakGain, QStringLiteral("0.00000"), locale))
        .entry(QStringLiteral("PeakGainString"), gainText(peakMantissa, b.at(6)))
        .entry(QStringLiteral("AreaValue"), FormatNumber(b.triple(13), QStringLiteral("#au"), locale))
        .entry(QStringLiteral("AreaGain"), FormatNumber(areaGain, QStringLiteral("0.00000"), locale))
        .entry(QStringLiteral("AreaGainString"), gainText(areaMantissa, b.at(12)))
        .entry(QStringLiteral("TargetConc"), FormatNumber(peakValue / 4000 * peakGain, QStringLiteral("0.000 ppm"), locale));
}

void AddPumpOrValve(KeyValueReport& report, const RecordBytes& b, bool valve, const QLocale& locale)
{
    report.entry(QStringLiteral("Mode"), ModeName(b.at(0)))
        .entry(QStringLiteral("StartAt"), FormatNumber(b.signedByte(1) / 10.0, SignedTenths, locale) + QStringLiteral(" sec"))
        .entry(QStringLiteral("RunFor"), FormatNumber(b.at(2) / 10.0, SignedTenths, locale) + QStringLiteral(" sec"));
    if (valve)
        report.entry(QStringLiteral("ZeroAt"), b.at(3) == 0 ? QStringLiteral("Button Press") : QStringLiteral("Time Zero"));
}

void AddOffset(KeyValueReport& report, const RecordBytes& b, const QLocale& locale)
{
    const int thousandths = BitTest(b.at(0), 7) ? b.word(0) - 65536 : b.word(0);
    report.entry(QStringLiteral("Value"), FormatNumber(thousandths / 1000.0, OffsetPicture, locale));
}

void AddSchedule(KeyValueReport& report, const RecordBytes& b, const QLocale& locale)
{
    // The loop-counter bit is bit 0; the week mask runs from bit 6 (Monday) to bit 0 (Sunday).
    const QString configSet = QStringLiteral("-------L"), configClear = QStringLiteral("_______l");
    const QString daysSet = QStringLiteral("-MTWTFSS"), daysClear = QStringLiteral("_mtwtfss");
    auto withBits = [](int value, const QString& letters) { return Bin(value) + QLatin1Char(' ') + letters; };
    report.entry(QStringLiteral("Config"), withBits(b.at(0), BitLetters(b.at(0), configSet, configClear)))
        .entry(QStringLiteral("WeekmaskStart"), withBits(b.at(1), BitLetters(b.at(1), daysSet, daysClear)))
        .entry(QStringLiteral("WeekmaskEnd"), withBits(b.at(7), BitLetters(b.at(7), daysSet, daysClear)))
        .entry(QStringLiteral("Start"), HoursMinutes(b.word(3), locale))
        .entry(QStringLiteral("Length"), HoursMinutes(b.word(5) - 1, locale))
        .entry(QStringLiteral("Frequency"), QString::number(b.at(2)) + QStringLiteral(" min"))
        .entry(QStringLiteral("LoopCount"), QString::number(b.word(8)));
}

}

void AddRecord(KeyValueReport& report, EventLogKind kind, int index, const tolviM::EventLogEntry& entry,
    const QLocale& locale)
{
    report.section(QLatin1String(SectionNames[int(kind)]) + QString::number(index));
    if (entry.timeStamp <= 0) {
        report.entry(QStringLiteral("Empty"), TrueFalse(true)).endSection();
        return;
    }
    report.entry(QStringLiteral("Empty"), TrueFalse(false))
        .entry(QStringLiteral("Date"),
            Quoted(FormatDate(UTC2VB(entry.timeStamp), QStringLiteral("DD-MMM-YYYY HH:NN:SS"), locale)));
    const RecordBytes bytes(entry.bytes);
    switch (kind) {
    case EventLogKind::Calibration: AddCalibration(report, bytes, locale); break;
    case EventLogKind::Pump: AddPumpOrValve(report, bytes, false, locale); break;
    case EventLogKind::Valve: AddPumpOrValve(report, bytes, true, locale); break;
    case EventLogKind::Offset: AddOffset(report, bytes, locale); break;
    case EventLogKind::Schedule: AddSchedule(report, bytes, locale); break;
    }
    report.endSection();
}

QStringList Read(InstrumentLink& link, Services& services, const QLocale& locale)
{
    KeyValueReport report(QStringLiteral("FRAM Event Log"));
    for (int log = 0; log < EventLogCount; ++log) {
        for (int index = 0; index < EventLogEntries; ++index) {
            const auto entry = tolviM::GetFRAMEventLog(link, services, log, index);
            if (!entry)
                break;
            AddRecord(report, EventLogKind(log), index, *entry, locale);
            if (entry->timeStamp <= 0)
                break;
        }
    }
    return report.lines();
}

}
