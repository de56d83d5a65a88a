#include "EepromReport.h"

#include "KeyValueReport.h"
#include "instrument/EepromMap.h"
#include "instrument/Identity.h"
#include "instrument/Measurement.h"
#include "instrument/Reply.h"
#include "link/FirmwareFlags.h"
#include "shell/Bits.h"
#include "shell/Picture.h"

#include <cmath>

namespace EepromReport {

namespace {

constexpr int BytesPerLine = 16;

// Reads the image by address; words are high byte first unless said otherwise.
class ImageReader {
public:
    explicit ImageReader(const Image& image) : image_(image) {}
    int at(int address) const { return image_[size_t(address)]; }
    bool set(int address) const { return at(address) != 0; }
    int word(int high, int low) const { return MakeWord(quint8(at(high)), quint8(at(low))); }
    int word(int address) const { return word(address, address + 1); }
    int triple(int address) const { return word(address) * 256 + at(address + 2); }
    int signedTenths(int address) const { return at(address) > 127 ? at(address) - 256 : at(address); }
    // The two letters of a marker, e.g. "XK".
    QString letters(int address) const { return QString(QLatin1Char(char(at(address)))) + QLatin1Char(char(at(address + 1))); }
    QString hex(int address, int count) const
    {
        QString text;
        for (int k = 0; k < count; ++k)
            text += HexL(at(address + k), 2);
        return text;
    }
    QDate date(int address) const
    {
        auto bcd = [&](int k) { return tolviM::BcdValue(HexL(at(address + k), 2).toLatin1()); };
        return tolviM::NormalisedDate(2000 + bcd(2), bcd(1), bcd(0));
    }

private:
    const Image& image_;
};

// "Key=True ; XY" when the two bytes hold the marker's letters, else "Key=False".
void AddMarker(KeyValueReport& report, const ImageReader& r, const QString& key, int address, const QString& marker)
{
    const bool present = r.letters(address) == marker;
    report.line(key + QLatin1Char('=') + TrueFalse(present) + (present ? QStringLiteral(" ; ") + marker : QString()));
}

QString ModeWord(int mode)
{
    switch (mode) {
    case 0: return QStringLiteral("Never");
    case 1: return QStringLiteral("Timed");
    case 2: return QStringLiteral("Always");
    default: return QStringLiteral("Unknown");
    }
}

QString Number(double value, const QString& picture, const QLocale& locale) { return FormatNumber(value, picture, locale); }

void AddIdentity(KeyValueReport& report, const ImageReader& r, const QLocale& locale)
{
    const QString datePicture = QStringLiteral("DD-MMM-YYYY");
    auto date = [&](int address) { return FormatDate(QDateTime(r.date(address), QTime(0, 0)), datePicture, locale); };
    QString brand;
    for (int k = 0; k < EepromMap::BrandLength; ++k)
        brand += QLatin1Char(char(r.at(EepromMap::Brand + k)));
    brand = brand.trimmed();
    const bool brandUnset = brand.isEmpty() || brand.startsWith(QLatin1Char('~'));
    report.comment(QStringLiteral("Instrument identification")).section(QStringLiteral("ID"))
        .entry(QStringLiteral("SerialNumber"), tolviM::SerialNumberText(r.at(EepromMap::SerialNumber),
            uint32_t(r.triple(EepromMap::SerialNumber + 1))))
        .entry(QStringLiteral("Manufactured"), date(EepromMap::ManufactureDate))
        .entry(QStringLiteral("Serviced"), date(EepromMap::ServiceDate))
        .entry(QStringLiteral("Calibrated"), date(EepromMap::CalibrationDate))
        .entry(QStringLiteral("Brand"), brandUnset ? QStringLiteral("Unset") : Quoted(brand))
        .entry(QStringLiteral("Counter"),
            QString::number(r.word(EepromMap::UsageCounter + 1, EepromMap::UsageCounter)))
        .endSection();
}

void AddCalibration(KeyValueReport& report, const ImageReader& r, const QLocale& locale)
{
    const int a = EepromMap::CalibrationBlockA, b = EepromMap::CalibrationBlockB;
    const int peakMantissa = r.word(a + 1, a), peakExponent = r.at(a + 2);
    const int areaMantissa = r.word(b + 1), areaExponent = r.at(b + 3);
    const double peakGain = std::ldexp(double(peakMantissa), -peakExponent);
    const double areaGain = std::ldexp(double(areaMantissa), -areaExponent);
    const tolviM::CalibrationTargets targets = tolviM::CalibrationConcentrations(
        float(peakGain), float(r.triple(a + 4)), float(areaGain), float(r.triple(b + 8)));
    const QString gainPicture = QStringLiteral("0.00000");
    report.comment(QStringLiteral("Instrument calibration")).section(QStringLiteral("Calibration"))
        .entry(QStringLiteral("Correct"), TrueFalse(r.at(EepromMap::CalibratedMarker) == 0x44))
        .entry(QStringLiteral("Concentration"), Number(targets.peakPpm, QStringLiteral("0.000"), locale))
        .entry(QStringLiteral("Temperature"), QString::number(r.at(b)))
        .entry(QStringLiteral("TimeToPeak"),
            Number(tolviM::TimeToPeakSeconds(r.at(EepromMap::TimeToPeak), r.at(EepromMap::TimeToPeak + 1)),
                QStringLiteral("0.0"), locale))
        .entry(QStringLiteral("Gain"), Number(peakGain, gainPicture, locale))
        .entry(QStringLiteral("Man"), QString::number(peakMantissa))
        .entry(QStringLiteral("Rot"), QString::number(peakExponent))
        .entry(QStringLiteral("AreaGain"), Number(areaGain, gainPicture, locale))
        .entry(QStringLiteral("AreaMan"), QString::number(areaMantissa))
        .entry(QStringLiteral("AreaRot"), QString::number(areaExponent))
        .endSection();
}

void AddFlags(KeyValueReport& report, const ImageReader& r)
{
    const unsigned switches = unsigned(r.word(EepromMap::ControlSwitches));
    auto flag = [switches](unsigned bit) { return TrueFalse((switches & bit) != 0); };
    report.comment(QStringLiteral("Instrument flags @ 0x002E & 0x002F")).section(QStringLiteral("Flags"))
        .entry(QStringLiteral("AutoOff"), flag(ControlSwitchBits::AutoOffBlocked))
        .entry(QStringLiteral("KeyLock"), flag(ControlSwitchBits::KeyLock))
        .entry(QStringLiteral("QMode"), flag(ControlSwitchBits::QMode))
        .entry(QStringLiteral("ZMode"), flag(ControlSwitchBits::ZMode))
        .entry(QStringLiteral("NMode"), flag(ControlSwitchBits::NMode))
        .endSection();
    report.comment(QStringLiteral("Other switches")).section(QStringLiteral("Flags2"));
    const QString fake = r.letters(EepromMap::FakeModeMarker);
    if (r.word(EepromMap::FakeModeMarker) == 0)
        report.entry(QStringLiteral("FakeMode"), TrueFalse(false));
    else if (fake == QLatin1String("QX") || fake == QLatin1String("QY") || fake == QLatin1String("QZ"))
        report.entry(QStringLiteral("FakeMode"), TrueFalse(true) + QStringLiteral(" ; ") + fake);
    else
        report.entry(QStringLiteral("FakeMode"),
            TrueFalse(false) + QStringLiteral(" ; 0x") + r.hex(EepromMap::FakeModeMarker, 2));
    AddMarker(report, r, QStringLiteral("ExtKeys"), EepromMap::ExtendedKeysMarker, QStringLiteral("XK"));
    AddMarker(report, r, QStringLiteral("EEZapPrimed"), EepromMap::EepromZapMarker, QStringLiteral("IE"));
    AddMarker(report, r, QStringLiteral("RL1Fitted"), EepromMap::ParkSensorMarker, QStringLiteral("R1"));
    report.endSection();
}

void AddConf(KeyValueReport& report, const ImageReader& r, const FirmwareFlags& flags, const QLocale& locale)
{
    // The memory-full byte's sense is reversed on firmware that inverts it.
    const bool continueOnFull = (r.at(EepromMap::MemoryFull) == 0) != flags.FwMemoryFullInverted;
    const int alarm = EepromMap::AlarmBlock;
    report.comment(QStringLiteral("CONF Menu settings")).section(QStringLiteral("Conf"))
        .entry(QStringLiteral("ScheduleEnabled"), TrueFalse(r.set(EepromMap::ScheduleEnabled)))
        .entry(QStringLiteral("StopOnFull"), TrueFalse(!continueOnFull))
        .entry(QStringLiteral("ShortBetweenSamples"), TrueFalse(r.set(EepromMap::ShortSensorBetweenSamples)))
        .entry(QStringLiteral("AlarmEnabled"), TrueFalse(r.set(alarm)))
        .entry(QStringLiteral("AlarmSetting"), Number(r.at(alarm + 3) / 100.0, QStringLiteral("0.00"), locale))
        .entry(QStringLiteral("AlarmDuration"), QString::number(r.at(alarm + 2)))
        .entry(QStringLiteral("AlarmLogic"), r.set(EepromMap::AlarmDirection) ? QStringLiteral("GT") : QStringLiteral("LT"))
        .entry(QStringLiteral("Mode"), tolviM::ModeName(r.at(EepromMap::SamplingMode)))
        .entry(QStringLiteral("Limit"), QString::number(r.at(EepromMap::Limit)))
        .entry(QStringLiteral("AreaLoTime"), QString::number(r.word(EepromMap::AreaPeriod + 1, EepromMap::AreaPeriod)))
        .entry(QStringLiteral("AreaHiTime"), QString::number(r.word(EepromMap::AreaPeriodEnd + 1, EepromMap::AreaPeriodEnd)))
        .entry(QStringLiteral("IntergrateNegatives"), TrueFalse(r.set(EepromMap::AreaIgnoresNegatives)))
        .entry(QStringLiteral("NegativeGateEnable"), TrueFalse(r.set(EepromMap::GtnGate)))
        .entry(QStringLiteral("NegativeGateTime"), QString::number(r.at(EepromMap::GtnTrigger)))
        .entry(QStringLiteral("NegativeGateMode"), r.set(EepromMap::GtnJump) ? QStringLiteral("Area") : QStringLiteral("Peak"))
        .entry(QStringLiteral("SwapIf_Area>Time"), TrueFalse(r.set(EepromMap::A2tGate)))
        .endSection();
}

void AddOper(KeyValueReport& report, const ImageReader& r, const QLocale& locale)
{
    const int pv = EepromMap::PumpValveBlock;
    const QString tenths = QStringLiteral("0.0");
    const int mgm = EepromMap::MgFactor;
    const int offset = r.at(EepromMap::OffsetSize);
    report.comment(QStringLiteral("OPER Menu settings")).section(QStringLiteral("Oper"))
        .entry(QStringLiteral("PumpMode"), ModeWord(r.at(pv + 3)))
        .entry(QStringLiteral("PumpStart"), Number(r.signedTenths(pv + 4) / 10.0, tenths, locale))
        .entry(QStringLiteral("PumpRun"), Number(r.at(EepromMap::PumpTime) / 10.0, tenths, locale))
        .entry(QStringLiteral("ValveMode"), ModeWord(r.at(pv)))
        .entry(QStringLiteral("ValveStart"), Number(r.signedTenths(pv + 1) / 10.0, tenths, locale))
        .entry(QStringLiteral("ValveRun"), Number(r.at(pv + 2) / 10.0, tenths, locale))
        .entry(QStringLiteral("SampleAt"), r.set(pv + 5) ? QStringLiteral("TimeZero") : QStringLiteral("ButtonPress"))
        // The offset mode byte is 0 for the fine display.
        .entry(QStringLiteral("FineDisplay"), TrueFalse(!r.set(EepromMap::OffsetMode)))
        .entry(QStringLiteral("Offset"), offset == 0 ? QStringLiteral("None")
                : (r.set(EepromMap::OffsetSetting) ? QStringLiteral("+") : QStringLiteral("-"))
                    + Number(offset / 1000.0, QStringLiteral("0.000"), locale))
        .entry(QStringLiteral("RemoteFRAMSave"), TrueFalse(r.set(EepromMap::RemoteFramSave)))
        .entry(QStringLiteral("mgm_Factor"), r.set(mgm) ? QString::number((r.at(mgm + 1) + 532) / 512.0, 'g', 10)
                                                       : QStringLiteral("Dynamic"))
        .line(QStringLiteral(";CommsMode=RS232"))
        .line(QStringLiteral(";DataMode=False"))
        .endSection();
}

void AddLimits(KeyValueReport& report, const ImageReader& r, const QLocale& locale)
{
    // The copy is laid out as the flash table, which counts its bytes from 1.
    std::array<uint8_t, 257> table{};
    for (int k = 0; k < EepromMap::LimitTableLength; ++k)
        table[size_t(k + 1)] = uint8_t(r.at(EepromMap::LimitTableCopy + k));
    report.comment(QStringLiteral("Instrument Limits")).section(QStringLiteral("Limits"));
    const char* const names[] = {"A", "B", "C", "D"};
    for (int k = 1; k <= 4; ++k) {
        const QLatin1String name(names[k - 1]);
        report.entry(QStringLiteral("Limit%1_Slope").arg(name), Number(tolviM::LimitSlope(table, k), QStringLiteral("0.000"), locale))
            .entry(QStringLiteral("Limit%1_Offst").arg(name), Number(tolviM::LimitOffset(table, k), QStringLiteral("0.000"), locale));
    }
    report.entry(QStringLiteral("XSum"), QStringLiteral("0x") + r.hex(EepromMap::LimitTableCheck, 1)).endSection();
}

// The schedule block kept in the EEPROM, laid out as "A00" returns it.
void AddSchedule(KeyValueReport& report, const ImageReader& r, const QLocale& locale)
{
    const int block = EepromMap::ScheduleCopy;
    auto hoursMinutes = [&](int minutes) { return Quoted(FormatDays(minutes / 1440.0, QStringLiteral("HH:NN"), locale)); };
    report.comment(QStringLiteral("Schedule setup")).section(QStringLiteral("Schedule"))
        .entry(QStringLiteral("WeekMask"), QStringLiteral("0b") + Bin(r.at(block + 1)))
        .entry(QStringLiteral("Frequency"), QString::number(r.at(block + 2)))
        .entry(QStringLiteral("Start"), hoursMinutes(r.word(block + 3)))
        .entry(QStringLiteral("Length"), hoursMinutes(r.word(block + 5) - 1))
        .entry(QStringLiteral("Counter"), QString::number(r.word(block + 9)))
        .entry(QStringLiteral("CounterEnabled"), TrueFalse(BitTest(r.at(block), 0)))
        .endSection();
}

void AddSaved(KeyValueReport& report, const ImageReader& r, const QLocale& locale)
{
    report.comment(QStringLiteral("Saved Samples")).section(QStringLiteral("Saved"))
        .entry(QStringLiteral("Index"), QString::number(r.at(EepromMap::CyclePointer)));
    for (int k = 0; k < EepromMap::SavedSamples; ++k) {
        report.entry(QStringLiteral("Conc%1").arg(k),
                  Number(r.word(EepromMap::SavedConcentrations + 2 * k) / 1000.0, QStringLiteral("0.000"), locale))
            .entry(QStringLiteral("Temp%1").arg(k), QString::number(r.at(EepromMap::SavedTemperatures + k)));
    }
    report.endSection();
}

void AddFramAndMisc(KeyValueReport& report, const ImageReader& r)
{
    const int chips = EepromMap::FramChipBlock;
    report.comment(QStringLiteral("FRAM Chip contol...")).section(QStringLiteral("FRAM"))
        .entry(QStringLiteral("Discovered"), QString::number(r.at(chips + 1)))
        .entry(QStringLiteral("Map"), QStringLiteral("0b") + Bin(r.at(chips + 2)))
        .entry(QStringLiteral("ErrorCount"), QString::number(r.at(chips + 3)))
        .entry(QStringLiteral("Factory"), QString::number(r.at(chips)))
        .entry(QStringLiteral("Records"), QString::number(r.word(EepromMap::FramRecords)))
        .entry(QStringLiteral("Offset"), QString::number(r.word(EepromMap::FramRecordOffset)))
        .endSection();
    const int zero = EepromMap::ZeroError;
    const int aux = EepromMap::FourthDate;
    report.comment(QStringLiteral("Everything Else...")).section(QStringLiteral("Misc"))
        .entry(QStringLiteral("MAX132Zero"),
            (r.set(zero) ? QStringLiteral("-") : QStringLiteral("+")) + QString::number(r.word(zero + 1)))
        .entry(QStringLiteral("ManualReset"), QStringLiteral("0x") + r.hex(EepromMap::ManualReset, 1))
        .line(QStringLiteral(";TimeMode=0x0024"))
        .line(QStringLiteral(";DeltaMode=0x0025"))
        .line(QStringLiteral(";ManualReset=0x0027"))
        .line(QStringLiteral(";ATEMode=0x0053"))
        .entry(QStringLiteral("AUXDate"),
            r.hex(aux, 1) + QStringLiteral("--") + r.hex(aux + 1, 1) + QStringLiteral("--") + r.hex(aux + 2, 1))
        .line(QStringLiteral("PumpBurnEnable=0x01F9:A"))
        .line(QStringLiteral("PumpBurnCounter=0x01FB"))
        .line(QStringLiteral("PumpBurnOnTime=0x01FC"))
        .line(QStringLiteral("PumpBurnOffTime=0x01FD"))
        .line(QStringLiteral("wiMAC=0x0226:B"))
        .line(QStringLiteral("wiRegister=0x022C"))
        .endSection();
}

}

QStringList HexDump(const Image& image)
{
    QStringList lines{QStringLiteral(" Address| 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F |"),
        QStringLiteral("--------+-------------------------------------------------+")};
    for (int address = 0; address < int(image.size()); address += BytesPerLine) {
        QString line = QStringLiteral(" 0x") + HexL(address, 4) + QStringLiteral(" | ");
        for (int k = 0; k < BytesPerLine; ++k)
            line += HexL(image[size_t(address + k)], 2) + QLatin1Char(' ');
        lines << line + QLatin1Char('|');
    }
    lines << QString();
    return lines;
}

QStringList Settings(const Image& image, const FirmwareFlags& flags, const QLocale& locale)
{
    const ImageReader reader(image);
    KeyValueReport report(QStringLiteral("EEPROM Settings"));
    AddIdentity(report, reader, locale);
    AddCalibration(report, reader, locale);
    AddFlags(report, reader);
    AddConf(report, reader, flags, locale);
    AddOper(report, reader, locale);
    AddLimits(report, reader, locale);
    AddSchedule(report, reader, locale);
    AddSaved(report, reader, locale);
    AddFramAndMisc(report, reader);
    return report.lines();
}

QStringList SavedSamples(const Image& image, const QString& sep, const QLocale& locale)
{
    const ImageReader r(image);
    QStringList lines{QStringLiteral("Slot") + sep + QStringLiteral(" Reading") + sep + QStringLiteral(" Temp")};
    for (int k = 0; k < EepromMap::SavedSamples; ++k) {
        lines << QString::number(k) + sep
                + FormatNumber(r.word(EepromMap::SavedConcentrations + 2 * k) / 1000.0, QStringLiteral(" ##0.000"), locale)
                + sep + FormatNumber(r.at(EepromMap::SavedTemperatures + k), QStringLiteral(" #0"), locale);
    }
    return lines;
}

}
