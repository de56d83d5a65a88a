#include "instrument/Measurement.h"
#include "instrument/EepromMap.h"

#include "instrument/InstrumentInfo.h"
#include "instrument/NumberText.h"
#include "instrument/Procedure.h"
#include "instrument/Reply.h"
#include "instrument/RetriedRead.h"
#include "link/InstrumentLink.h"
#include "shell/Bits.h"
#include "shell/Picture.h"

#include <cmath>

namespace tolviM {

QString ModeName(int mode)
{
    switch (mode) {
    case 0: return QStringLiteral("Timed Sample");
    case 1: return QStringLiteral("Peak Detection");
    case 2: return QStringLiteral("Area Calculation");
    default: return QStringLiteral("Unknown Mode");
    }
}

QString LimitName(int limit)
{
    switch (limit) {
    case 1: return QStringLiteral("QRA");
    case 2: return QStringLiteral("QRB");
    case 3: return QStringLiteral("QRA+");
    case 4: return QStringLiteral("QRA++");
    default: return QStringLiteral("Unknown Limit!");
    }
}

// One byte read with its own budget; nothing when the read fails.
static std::optional<int> ReadOneByte(InstrumentLink& link, Services& services, ReadRequest request)
{
    RetryBudget budget;
    const auto reply = RetriedRead(link, services.log, budget, request);
    if (!reply)
        return std::nullopt;
    return DataByte(*reply, 0);
}

uint8_t GetMode(InstrumentLink& link, Services& services)
{
    uint8_t result = 0;
    Guarded(services, "GetMode", [&] {
        Progress(services, QStringLiteral("Getting the HHU Mode"));
        const auto mode = ReadOneByte(link, services, MemoryRead('G', EepromMap::SamplingMode, 1));
        if (!mode)
            return;
        result = uint8_t(*mode);
        static const char* const names[] = {"Time", "Peak", "Area"};
        Progress(services, *mode <= 2 ? QStringLiteral("%1 (%2)").arg(QLatin1String(names[*mode])).arg(*mode)
                                      : QStringLiteral("%1 : Unknown").arg(*mode));
    });
    return result;
}

uint8_t GetLimit(InstrumentLink& link, Services& services)
{
    uint8_t result = 0;
    Guarded(services, "GetLimit", [&] {
        Progress(services, QStringLiteral("Getting the HHU Limit"));
        const auto limit = ReadOneByte(link, services, MemoryRead('G', EepromMap::Limit, 1));
        if (!limit)
            return;
        result = uint8_t(*limit);
        Progress(services, QString::number(*limit));
    });
    return result;
}

QString GetModeString(InstrumentLink& link, Services& services)
{
    QString result;
    Guarded(services, "GetModeString", [&] {
        const auto mode = ReadOneByte(link, services, EchoCheckedRead('G', EepromMap::SamplingMode, 1));
        if (!mode)
            return;
        result = ModeName(*mode);
        Progress(services, QStringLiteral("Mode is ") + result);
    });
    return result;
}

QString GetLimitString(InstrumentLink& link, Services& services)
{
    QString result;
    Guarded(services, "GetLimitString", [&] {
        const auto limit = ReadOneByte(link, services, EchoCheckedRead('G', EepromMap::Limit, 1));
        if (!limit)
            return;
        result = LimitName(*limit);
        Progress(services, QStringLiteral("Limit is ") + result);
    });
    return result;
}

QString GetGateString(InstrumentLink& link, Services& services)
{
    QString result;
    Guarded(services, "GetGateString", [&] {
        RetryBudget budget;
        const auto gtn = RetriedRead(link, services.log, budget, EchoCheckedRead('G', EepromMap::GtnGate, 1));
        if (!gtn)
            return;
        result = DataByte(*gtn, 0) == 0 ? QStringLiteral("GTN unused") : QStringLiteral("GTN in use");
        const auto a2t = RetriedRead(link, services.log, budget, EchoCheckedRead('G', EepromMap::A2tGate, 1));
        if (!a2t)
            return;
        result += DataByte(*a2t, 0) == 0 ? QStringLiteral(" A2T unused") : QStringLiteral(" A2T in use");
        Progress(services, QStringLiteral("Gate is ") + result);
    });
    return result;
}

int32_t GetMGMFactor(InstrumentLink& link, Services& services)
{
    int32_t result = 0;
    Guarded(services, "GetMGMFactor", [&] {
        Progress(services, QStringLiteral("Getting the HHU mg/M^3 Factor"));
        RetryBudget budget;
        const auto reply = RetriedRead(link, services.log, budget, MemoryRead('G', EepromMap::MgFactor, 2));
        if (!reply)
            return;
        if (DataByte(*reply, 0) != 0) {
            result = DataByte(*reply, 1) + 532;
            Progress(services, QStringLiteral("Fixed at ") + DoubleText(result / 512.0));
        } else {
            Progress(services, QStringLiteral("Dynamic conversion"));
            result = -1;
        }
    });
    return result;
}

float TimeToPeakSeconds(int byte0, int byte1)
{
    // The digits of byte 1 then byte 0, read as a decimal number as far as they are digits.
    const QByteArray digits = HexL(byte1, 2).toLatin1() + HexL(byte0, 2).toLatin1();
    return float(BcdValue(digits) / 10.0);
}

CalibrationTargets CalibrationConcentrations(float peakGain, float peakValue, float areaGain, float areaValue)
{
    CalibrationTargets targets;
    targets.madeInLimit4 = peakGain * peakValue / 4000 < 1.0f;
    if (targets.madeInLimit4) {
        targets.peakPpm = peakGain * peakValue / 400;
        targets.areaPpm = areaGain * areaValue / 100;
    } else {
        targets.peakPpm = peakGain * peakValue / 4000;
        targets.areaPpm = areaGain * areaValue / 1000;
    }
    return targets;
}

static QString GainText(float gain, int32_t mantissa, int16_t exponent)
{
    return SingleText(gain) + QStringLiteral(" ( 0x") + HexL(mantissa, 4) + QStringLiteral(" / 2 ^ 0x")
        + HexL(exponent, 2) + QStringLiteral(" )");
}

static void LogCalibration(Services& services, const InstrumentInfo& info, const CalibrationTargets& targets)
{
    Progress(services, QStringLiteral("Temperature was about ") + SingleText(info.CalTemperature) + QStringLiteral("oC"));
    if (targets.madeInLimit4) {
        Progress(services, QStringLiteral("Target concentration was about ")
                + FormatNumber(targets.peakPpm, QStringLiteral("##0.0")) + QStringLiteral("ppm (in Limit 4?)"));
    } else {
        const double ppm = info.PeakValue * info.PeakGainMantissa / std::pow(2.0, info.PeakGainExponent + 2) / 1000;
        Progress(services, QStringLiteral("Target concentration was about ") + FormatNumber(ppm, QStringLiteral("0.000"))
                + QStringLiteral("ppm"));
    }
    Progress(services, QStringLiteral("Peak was ") + FormatNumber(info.PeakValue / 4.0, QStringLiteral("0"))
            + QStringLiteral("au @ ") + SingleText(info.TimeToPeak) + QStringLiteral("s"));
    Progress(services, QStringLiteral("Peak gain is ")
            + GainText(info.PeakGain, info.PeakGainMantissa, info.PeakGainExponent));
    Progress(services, QStringLiteral("Area was ") + SingleText(info.AreaValue) + QStringLiteral("au"));
    Progress(services, QStringLiteral("Area gain is ")
            + GainText(info.AreaGain, info.AreaGainMantissa, info.AreaGainExponent));
}

static uint32_t Bytes24(const QByteArray& reply, int first)
{
    return uint32_t(DataByte(reply, first)) << 16 | uint32_t(DataByte(reply, first + 1)) << 8
        | uint32_t(DataByte(reply, first + 2));
}

bool GetCalibration(InstrumentLink& link, Services& services, InstrumentInfo& info)
{
    bool result = false;
    Guarded(services, "GetCalibration", [&] {
        Progress(services, QStringLiteral("Getting the HHU calibration settings"));
        RetryBudget budget;
        const auto blockA = RetriedRead(link, services.log, budget, MemoryRead('G', EepromMap::CalibrationBlockA, 7));
        if (!blockA)
            return;
        info.CalibrationValid = DataByte(*blockA, EepromMap::CalibratedMarker - EepromMap::CalibrationBlockA) == 0x44;
        result = info.CalibrationValid;
        info.PeakGainMantissa = DataByte(*blockA, 1) * 256 + DataByte(*blockA, 0);
        info.PeakGainExponent = int16_t(DataByte(*blockA, 2));
        info.PeakGain = float(info.PeakGainMantissa / std::pow(2.0, info.PeakGainExponent));
        info.PeakValue = float(Bytes24(*blockA, 4));

        const auto timeToPeak = RetriedRead(link, services.log, budget, MemoryRead('G', EepromMap::TimeToPeak, 2));
        if (!timeToPeak)
            return;
        info.TimeToPeak = TimeToPeakSeconds(DataByte(*timeToPeak, 0), DataByte(*timeToPeak, 1));

        const auto blockB = RetriedRead(link, services.log, budget, MemoryRead('G', EepromMap::CalibrationBlockB, 11));
        if (!blockB)
            return;
        info.CalTemperature = float(DataByte(*blockB, 0));
        info.AreaGainMantissa = DataByte(*blockB, 1) * 256 + DataByte(*blockB, 2);
        info.AreaGainExponent = int16_t(DataByte(*blockB, 3));
        info.AreaValue = float(Bytes24(*blockB, 8));
        info.AreaGain = float(info.AreaGainMantissa / std::pow(2.0, info.AreaGainExponent));

        if (!info.CalibrationValid) {
            services.log.debugMessage(QStringLiteral("Not calibrated!"), SessionLog::Warning);
            return;
        }
        const CalibrationTargets targets =
            CalibrationConcentrations(info.PeakGain, info.PeakValue, info.AreaGain, info.AreaValue);
        LogCalibration(services, info, targets);
        info.PeakValue = targets.peakPpm;
        info.AreaValue = targets.areaPpm;
    });
    return result;
}

int GetFlashLimits(InstrumentLink& link, Services& services, InstrumentInfo& info)
{
    Guarded(services, "GetFlashLimits", [&] {
        Progress(services, QStringLiteral("Getting HHU Limits (FLASH)\t[LoRes Assumed?]"));
        struct Block { int address, count, firstElement; };
        static constexpr Block blocks[] = {{FlashMap::LimitTable, 6, 1},
            {FlashMap::LimitTable + 6, 6, 7}, {FlashMap::LimitTable + 12, 8, 13}};
        RetryBudget budget;
        for (const Block& block : blocks) {
            const auto reply = RetriedRead(link, services.log, budget, MemoryRead('E', block.address, block.count));
            if (!reply)
                return;
            for (int k = 0; k < block.count; ++k)
                info.FlashLimits[size_t(block.firstElement + k)] = uint8_t(DataByte(*reply, k));
        }
        for (int k = 1; k <= 4; ++k) {
            const double slope = LimitSlope(info.FlashLimits, k);
            const double offset = LimitOffset(info.FlashLimits, k);
            Progress(services, QStringLiteral("LIMIT %1 : SLOPE  = ").arg(k) + FormatNumber(slope, QStringLiteral("0.000"))
                    + QStringLiteral(" ppb/s"));
            Progress(services, QStringLiteral("        : OFFSET = ") + FormatNumber(offset, QStringLiteral("0.000"))
                    + QStringLiteral(" ppm"));
            Progress(services, QString(9, QLatin1Char(' ')));
        }
    });
    return 0;
}

double LimitSlope(const std::array<uint8_t, 257>& b, int k)
{
    // The first slope byte is weighted 256, as the instrument's own tools read it.
    return (b[size_t(3 * k - 2)] * 256 + (b[size_t(3 * k - 1)] * 256 + b[size_t(3 * k)])) * 0.25;
}

double LimitOffset(const std::array<uint8_t, 257>& b, int k)
{
    return (b[size_t(11 + 2 * k)] * 256 + b[size_t(12 + 2 * k)]) / 1000.0;
}

}
