#include "RecordFiles.h"

#include "LegacyValues.h"
#include "instrument/InstrumentInfo.h"
#include "instrument/NumberText.h"
#include "shell/Bits.h"
#include "shell/Picture.h"
#include "shell/TimeConv.h"


namespace {

QString dateText(const QDateTime& value) { return FormatDate(value); }

// "Always", "Never" or "Timed" by the record's mode flags, else the raw mode
// byte marked as another mode.
QString modeText(bool always, bool never, bool timed, int rawMode)
{
    if (always)
        return QStringLiteral("Always");
    if (never)
        return QStringLiteral("Never");
    if (timed)
        return QStringLiteral("Timed");
    return QString::number(rawMode) + QStringLiteral("; Other");
}

// "k=0x" + the three slope bytes + ":" + the two offset bytes of limit k.
QString limitLine(const InstrumentInfo& info, int k)
{
    QString line = QString::number(k) + QStringLiteral("=0x");
    for (int i = 3 * k - 2; i <= 3 * k; ++i)
        line += HexL(info.FlashLimits[i], 2);
    line += QLatin1Char(':');
    for (int i = 11 + 2 * k; i <= 12 + 2 * k; ++i)
        line += HexL(info.FlashLimits[i], 2);
    return line;
}

} // namespace

QStringList InitialFileLines(const InstrumentInfo& info, const LegacyValues& legacy, const QDateTime& nowGmt)
{
    QStringList lines{
        QStringLiteral("; ==============================="),
        QStringLiteral("; === Initial Connection Info ==="),
        QStringLiteral("; ==============================="),
        QStringLiteral(";") + QString(32, QLatin1Char(' ')),
        QString(),
        QStringLiteral("[Default]"),
        QStringLiteral("FirstSeen=") + dateText(nowGmt) + QStringLiteral(" GMT"),
        QStringLiteral("Counter=") + QString::number(info.UsageCounter),
        QStringLiteral("String=") + info.DescriptiveString,
        // The clock reading as a local date value, marked " GMT" as it always was.
        QStringLiteral("RTCSetting=") + dateText(UTC2VB(info.RTCSeconds)) + QStringLiteral(" GMT"),
        QString(),
        QStringLiteral("[Dates]"),
        QStringLiteral("Man=") + dateText(info.Manufactured),
        QStringLiteral("Ser=") + dateText(info.Serviced),
        QStringLiteral("Cal=") + dateText(info.Calibrated),
        QString(),
        QStringLiteral("[LimitBank]"),
    };
    for (int k = 1; k <= 4; ++k)
        lines << limitLine(info, k);
    lines << QStringLiteral("A=N/A") << QStringLiteral("B=N/A") << QStringLiteral("C=N/A") << QStringLiteral("D=N/A")
          << QString() << QStringLiteral("[Firmware]") << QStringLiteral("ID=") + info.FirmwareID << QString()
          << QStringLiteral("[Setup]")
          << QStringLiteral("Mode=") + QString::number(info.Mode)
          << QStringLiteral("Limit=") + QString::number(info.Limit)
          << QStringLiteral("Calibrated=") + tolviM::BooleanText(info.CalibrationValid)
          << QStringLiteral("PeakCal=") + tolviM::SingleText(info.PeakValue)
          << QStringLiteral("AreaCal=") + tolviM::SingleText(info.AreaValue)
          << QStringLiteral("PumpMode=") + modeText(info.PumpAlways, info.PumpNever, info.PumpTimed, info.PumpMode)
          << QStringLiteral("PumpTime=") + tolviM::SingleText(info.PumpTime)
          << QStringLiteral("PumpDelta=") + tolviM::SingleText(info.PumpDelta)
          << QStringLiteral("ValveMode=") + modeText(info.ValveAlways, info.ValveNever, info.ValveTimed, info.ValveMode)
          << QStringLiteral("ValveTime=") + tolviM::SingleText(info.ValveTime)
          << QStringLiteral("ValveDelta=") + tolviM::SingleText(info.ValveDelta)
          << QString()
          << QStringLiteral("[OldReg]")
          << QStringLiteral("FirstConnected=") + legacy.firstConnected
          << QStringLiteral("LastConnected=") + legacy.lastConnected
          << QStringLiteral("Firmware=") + legacy.firmware
          << QStringLiteral("Counter=") + legacy.counter
          << QStringLiteral("FRAMReset=") + legacy.framResets
          << QStringLiteral("MGM:P=") + legacy.mgmP
          << QStringLiteral("MGM:M=") + legacy.mgmM
          << QStringLiteral("MGM:R=") + legacy.mgmR
          << QStringLiteral("MGM:K=") + legacy.mgmK;
    return lines;
}

QStringList SettingsFileLines(const LegacyValues& legacy)
{
    return {
        QStringLiteral("; ==========================="),
        QStringLiteral("; === Instrument Settings ==="),
        QStringLiteral("; ==========================="),
        QStringLiteral(";") + QString(28, QLatin1Char(' ')),
        QString(),
        QStringLiteral("; Do not edit below this line."),
        QStringLiteral("[FRAM]"),
        QStringLiteral("x=") + legacy.settingsFramResets,
        QString(),
        QStringLiteral("[RTC]"),
        QStringLiteral("x=") + legacy.settingRtc,
        QString(),
        QStringLiteral("; END"),
    };
}

QStringList HistoryHeadTexts(const QString& serialNumber)
{
    return {
        QStringLiteral("Instrument ") + serialNumber + QStringLiteral(" History."),
        QStringLiteral("initial.txt and settings.txt files created"),
        QStringLiteral("==="),
    };
}

QStringList ConnectionBlockTexts(const InstrumentInfo& info, const QString& softwareVersion, const QDateTime& nowGmt)
{
    const QString tab = QStringLiteral("\t");
    return {
        QStringLiteral("Connected at ") + dateText(nowGmt) + QStringLiteral(" GMT"),
        tab + QStringLiteral(": S/W          = ") + softwareVersion,
        tab + QStringLiteral(": F/W          = ") + info.FirmwareID,
        tab + QStringLiteral(": Manufactured = ") + dateText(info.Manufactured),
        tab + QStringLiteral(": Service      = ") + dateText(info.Serviced),
        tab + QStringLiteral(": Calibrated   = ") + dateText(info.Calibrated),
        tab + QStringLiteral(": Counter      = ") + QString::number(info.UsageCounter),
        tab + QStringLiteral(": Chipmap      = ") + Bin(info.FRAMMap),
        QString(),
    };
}
