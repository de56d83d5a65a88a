#include "instrument/PumpValveAlarm.h"
#include "instrument/EepromMap.h"

#include "instrument/EepromMap.h"
#include "instrument/InstrumentInfo.h"
#include "instrument/Measurement.h"
#include "instrument/NumberText.h"
#include "instrument/Procedure.h"
#include "instrument/Reply.h"
#include "instrument/EepromAccess.h"
#include "instrument/RetriedRead.h"
#include "link/InstrumentLink.h"
#include "instrument/AddHistory.h"
#include "shell/Bits.h"
#include "shell/Prompts.h"
#include "shell/SystemInfo.h"

#include <cmath>

namespace tolviM {

namespace {

const QString RecalibrateWarning =
    QStringLiteral("You must recalibrate the instrument after altering its Pump or Valve settings.");

void SetModeFlags(int mode, bool& always, bool& timed, bool& never)
{
    if (mode < 0 || mode > 2)
        return;   // an unknown mode leaves the flags as they were
    always = mode == 2;
    timed = mode == 1;
    never = mode == 0;
}

QByteArray HexByte(int value)
{
    return HexL(value & 0xFF, 2).toLatin1();
}

void RefuseOutOfRange(Services& services, const QString& what)
{
    services.prompts.message(Prompts::Icon::Exclamation,
        what + QStringLiteral(" The settings were not sent to the instrument."));
}

void AddHistoryLines(Services& services, const InstrumentInfo& info, const QStringList& lines)
{
    for (const QString& line : lines)
        AddHistory(services, info.RecordFolder, line);
}

// The bytes a pump-and-valve write sends, or nothing when a value does not fit.
struct PumpValveBytes {
    int pumpTime, pumpDelta, valveTime, valveDelta;
};

std::optional<PumpValveBytes> EncodePumpValve(Services& services, const InstrumentInfo& info)
{
    const auto pumpTime = ScaledInRange(info.PumpTime, 10, 0, 255);
    const auto valveTime = ScaledInRange(info.ValveTime, 10, 0, 255);
    const auto pumpDelta = ScaledInRange(info.PumpDelta, 10, -128, 127);
    const auto valveDelta = ScaledInRange(info.ValveDelta, 10, -128, 127);
    if (!pumpTime || !valveTime) {
        RefuseOutOfRange(services, QStringLiteral("Pump and valve run times must lie between 0 and 25.5 seconds."));
        return std::nullopt;
    }
    if (!pumpDelta || !valveDelta) {
        RefuseOutOfRange(services, QStringLiteral("Pump and valve start times must lie between -12.8 and 12.7 seconds."));
        return std::nullopt;
    }
    return PumpValveBytes{*pumpTime, *pumpDelta, *valveTime, *valveDelta};
}

}

float DeltaSeconds(int byte)
{
    const int tenths = byte > 127 ? byte - 256 : byte;
    return float(tenths / 10.0);
}

std::optional<int> ScaledInRange(float value, int scale, int min, int max)
{
    const double scaled = std::nearbyint(double(value) * scale);
    if (!(scaled >= min && scaled <= max))
        return std::nullopt;
    return int(scaled);
}

bool GetPNVDetails(InstrumentLink& link, Services& services, InstrumentInfo& info)
{
    bool result = false;
    Guarded(services, "GetPNVDetails", [&] {
        Progress(services, QStringLiteral("Getting HHU Pump & Valve settings"));
        RetryBudget budget;
        const auto block = RetriedRead(link, services.log, budget, MemoryRead('G', EepromMap::PumpValveBlock, 6));
        if (!block)
            return;
        info.ValveMode = uint8_t(DataByte(*block, 0));
        SetModeFlags(info.ValveMode, info.ValveAlways, info.ValveTimed, info.ValveNever);
        info.ValveDelta = DeltaSeconds(DataByte(*block, 1));
        info.ValveTime = float(DataByte(*block, 2) / 10.0);
        info.PumpMode = uint8_t(DataByte(*block, 3));
        SetModeFlags(info.PumpMode, info.PumpAlways, info.PumpTimed, info.PumpNever);
        info.PumpDelta = DeltaSeconds(DataByte(*block, 4));
        info.SampleStart = uint8_t(DataByte(*block, 5));
        info.SampleAtTimeZero = info.SampleStart != 0;
        info.SampleAtButtonPress = info.SampleStart == 0;

        const auto pumpTime = RetriedRead(link, services.log, budget, MemoryRead('G', EepromMap::PumpTime, 1));
        if (!pumpTime)
            return;
        info.PumpTime = float(DataByte(*pumpTime, 0) / 10.0);

        Progress(services, QStringLiteral("Pump is in mode %1 at ").arg(info.PumpMode) + SingleText(info.PumpDelta)
                + QStringLiteral("s for ") + SingleText(info.PumpTime) + QStringLiteral("s"));
        Progress(services, QStringLiteral("Valve is in mode %1 at ").arg(info.ValveMode) + SingleText(info.ValveDelta)
                + QStringLiteral("s for ") + SingleText(info.ValveTime) + QStringLiteral("s"));
        result = true;
    });
    return result;
}

bool SetPNVDetails(InstrumentLink& link, Services& services, InstrumentInfo& info)
{
    bool result = false;
    Guarded(services, "SetPNVDetails", [&] {
        const auto bytes = EncodePumpValve(services, info);
        if (!bytes)
            return;
        if (services.prompts.askYesNo(RecalibrateWarning + QStringLiteral(" Are you sure you wish to continue?"))
            != Prompts::Answer::Yes)
            return;

        RetryBudget budget;
        if (!RetriedRead(link, services.log, budget, MemoryWrite(EepromMap::PumpTime, HexByte(bytes->pumpTime))))
            return;
        info.SampleStart = info.SampleAtButtonPress ? 0x00 : 0xFF;
        const QByteArray block = HexByte(info.ValveMode) + HexByte(bytes->valveDelta) + HexByte(bytes->valveTime)
            + HexByte(info.PumpMode) + HexByte(bytes->pumpDelta) + HexByte(info.SampleStart);
        const bool blockWritten =
            RetriedRead(link, services.log, budget, MemoryWrite(EepromMap::PumpValveBlock, block)).has_value();

        // The old calibration no longer holds, whether or not the block was taken.
        services.prompts.message(Prompts::Icon::Information,
            RecalibrateWarning + QStringLiteral(" The instrument will now be set to the un-calibrated state."));
        RetriedSend(link, budget, MemoryWrite(EepromMap::CalibratedMarker, "43").payload);
        GetCalibration(link, services, info);
        if (!blockWritten)
            return;
        AddHistoryLines(services, info,
            {QStringLiteral("::: Pump and Valve settings changed by ") + GetUserName(), QStringLiteral(":"),
                QStringLiteral(":  Pump.Mode  = %1").arg(info.PumpMode),
                QStringLiteral(":  Pump.Delta = ") + SingleText(info.PumpDelta),
                QStringLiteral(":  Pump.Time  = ") + SingleText(info.PumpTime),
                QStringLiteral(": Valve.Mode  = %1").arg(info.ValveMode),
                QStringLiteral(": Valve.Delta = ") + SingleText(info.ValveDelta),
                QStringLiteral(": Valve.Time  = ") + SingleText(info.ValveTime),
                info.SampleAtButtonPress ? QStringLiteral(": Sample starts at Button Press.")
                                         : QStringLiteral(": Sample starts at Time Zero."),
                QStringLiteral(": Calibration reset by software."), QStringLiteral(":")});
        result = true;
    });
    return result;
}

bool GetAlarm(InstrumentLink& link, Services& services, InstrumentInfo& info)
{
    bool result = false;
    Guarded(services, "GetAlarm", [&] {
        Progress(services, QStringLiteral("Getting HHU Alarm settings"));
        RetryBudget budget;
        const auto block = RetriedRead(link, services.log, budget, MemoryRead('G', EepromMap::AlarmBlock, 4));
        if (!block)
            return;
        info.AlarmEnabled = DataByte(*block, 0) != 0;
        info.AlarmDuration = uint8_t(DataByte(*block, 2));
        info.AlarmSetting = float(DataByte(*block, 3) / 100.0);
        result = info.AlarmEnabled;

        const auto direction = RetriedRead(link, services.log, budget, MemoryRead('G', EepromMap::AlarmDirection, 1));
        if (!direction)
            return;
        info.AlarmOver = DataByte(*direction, 0) != 0;
        if (info.AlarmEnabled)
            Progress(services, (info.AlarmOver ? QStringLiteral("Alarm set if gt ") : QStringLiteral("Alarm set if lt "))
                    + SingleText(info.AlarmSetting) + QStringLiteral("ppm for %1s").arg(info.AlarmDuration));
        else
            Progress(services, QStringLiteral("Alarm is not enabled"));
    });
    return result;
}

bool SetAlarm(InstrumentLink& link, Services& services, InstrumentInfo& info)
{
    bool result = false;
    Guarded(services, "SetAlarm", [&] {
        const auto level = ScaledInRange(info.AlarmSetting, 100, 0, 255);
        if (!level) {
            RefuseOutOfRange(services, QStringLiteral("The alarm level must lie between 0 and 2.55 ppm."));
            return;
        }
        RetryBudget budget;
        const QList<ReadRequest> writes = {MemoryWrite(EepromMap::AlarmEnabled, FlagByte(info.AlarmEnabled)),
            MemoryWrite(EepromMap::AlarmDuration, HexByte(info.AlarmDuration)), MemoryWrite(EepromMap::AlarmLevel, HexByte(*level)),
            MemoryWrite(EepromMap::AlarmDirection, FlagByte(info.AlarmOver))};
        for (const ReadRequest& write : writes) {
            if (!RetriedRead(link, services.log, budget, write))
                return;
        }
        AddHistoryLines(services, info,
            {QStringLiteral("::: Alarm settings changed by ") + GetUserName(), QStringLiteral(":"),
                QStringLiteral(": Enabled  = ") + BooleanText(info.AlarmEnabled),
                QStringLiteral(": Duration = %1").arg(info.AlarmDuration),
                QStringLiteral(": Level    = ") + SingleText(info.AlarmSetting),
                info.AlarmOver ? QStringLiteral(": Triggers if  over level") : QStringLiteral(": Triggers if under level"),
                QStringLiteral(":")});
        result = true;
    });
    return result;
}

int16_t GetControlSwitches(InstrumentLink& link, Services& services)
{
    return int16_t(ReadControlSwitches(link, services).value_or(0));
}

std::optional<uint16_t> ReadControlSwitches(InstrumentLink& link, Services& services)
{
    std::optional<uint16_t> result;
    Guarded(services, "GetControlSwitches", [&] {
        RetryBudget budget;
        const auto reply = RetriedRead(link, services.log, budget, MemoryRead('G', EepromMap::ControlSwitches, 2));
        if (!reply)
            return;
        result = uint16_t(HexSigned16(ReplyText(*reply, 7, 4)));
        // The word's own 16 bits: a set bit 15 must not turn it into a short negative number.
        Progress(services, QStringLiteral("Switches are 0x002e : ") + Bin(*result) + QStringLiteral(" 0x002F"));
    });
    return result;
}

bool SetControlSwitches(InstrumentLink& link, Services& services, int word)
{
    bool result = false;
    Guarded(services, "SetControlSwitches", [&] {
        if (word < -32768 || word > 65535) {
            RefuseOutOfRange(services, QStringLiteral("The control switches value %1 does not fit in 16 bits.").arg(word));
            return;
        }
        RetryBudget budget;
        result = RetriedRead(link, services.log, budget, MemoryWrite(EepromMap::ControlSwitches, HexL(word & 0xFFFF, 4).toLatin1()))
                     .has_value();
    });
    return result;
}

}
