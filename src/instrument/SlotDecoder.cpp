#include "instrument/SlotDecoder.h"

#include "instrument/Reply.h"
#include "link/FirmwareFlags.h"
#include "shell/SessionLog.h"
#include "shell/TimeConv.h"

namespace tolviM {

namespace {

class SlotBytes {
public:
    explicit SlotBytes(QByteArrayView hex) : hex_(hex) {}
    int byte(int k) const { return int(HexUnsigned(chars(k, 1))); }
    int16_t signed16(int k) const { return HexSigned16(chars(k, 2)); }
    int32_t signed32(int k) const { return int32_t(HexUnsigned(chars(k, 4))); }

private:
    QByteArrayView chars(int k, int count) const
    {
        const qsizetype from = qMin<qsizetype>(2 * k, hex_.size());
        return hex_.sliced(from, qMin<qsizetype>(2 * count, hex_.size() - from));
    }
    QByteArrayView hex_;
};

void ApplyStatusRules(SlotRecord& slot, const FirmwareFlags& flags)
{
    if (flags.FwNewSlotStatus) {
        slot.Status = slot.Bit7;
        slot.Bit7 = false;
        if (slot.Status) {
            slot.Offset = false;
            slot.Ready = slot.Bit0;
            slot.NotReady = !slot.Bit0;
        }
        if (flags.FwFirstInSchedule && slot.Remote && slot.Scheduled) {
            slot.FirstInSchedule = true;
            slot.Remote = false;
        }
    } else if (flags.FwOldSlotStatus) {
        slot.Status = slot.Bit7;
        slot.Bit7 = false;
        if (slot.Status) {
            slot.Gate = false;
            slot.Ready = slot.Offset;
            slot.NotReady = !slot.Offset;
            if (slot.NotReady)
                slot.Settling = slot.Bit0;
        }
    }
    if (flags.FwRemoteQuirk && slot.Remote && !slot.Scheduled)
        slot.Remote = false;
}

}

SlotRecord DecodeSlot(QByteArrayView rawHex, const FirmwareFlags& flags)
{
    SlotRecord slot;
    const SlotBytes bytes(rawHex);
    slot.RawHex = QString::fromLatin1(rawHex.data(), rawHex.size());

    slot.Flags = uint8_t(bytes.byte(0));
    slot.TimeStamp = bytes.signed32(1);
    slot.PeakReading = float(bytes.signed16(5) / 1000.0);
    slot.TimedReading = float(bytes.signed16(7) / 1000.0);
    slot.AreaReading = float(bytes.signed16(9) / 1000.0);
    const int modeByte = bytes.byte(11);
    slot.Limit = uint8_t(modeByte >> 4);
    slot.SampleMode = uint8_t((modeByte >> 2) & 3);
    slot.TenthsValue = float((((modeByte & 3) << 8) | bytes.byte(12)) / 10.0);
    // Temperature: bits 15-2 of the word; the two low bits belong to the humidity.
    const int16_t temperatureWord = int16_t(uint16_t((bytes.byte(13) << 8 | bytes.byte(14)) & 0xFFFC));
    slot.Temperature = float(temperatureWord / 400.0);
    slot.Humidity = float((((bytes.byte(14) & 3) << 8) | bytes.byte(15)) / 10.0);

    const int f = slot.Flags;
    slot.Bit7 = f & 0x80;
    slot.Uncalibrated = f & 0x40;
    slot.LowBattery = !(f & 0x20);
    slot.Remote = f & 0x10;
    slot.Scheduled = f & 0x08;
    slot.Gate = f & 0x04;
    slot.Offset = f & 0x02;
    slot.Bit0 = f & 0x01;
    slot.Status = false;
    ApplyStatusRules(slot, flags);

    if (slot.TimeStamp < EarliestSlotTime)
        slot.TimeStamp = EarliestSlotTime;
    slot.SampleTime = UTC2VB(slot.TimeStamp);

    if (slot.Status && slot.NotReady) {
        slot.SavedPeakReading = slot.PeakReading;
        slot.PeakReading = -0.001f;
    }
    if (slot.Limit == 4) {
        slot.PeakReading *= 10;
        slot.TimedReading *= 10;
        slot.AreaReading *= 10;
    }
    switch (slot.SampleMode) {
    case 0: slot.Reading = slot.TimedReading; break;
    case 1: slot.Reading = slot.PeakReading; break;
    case 2: slot.Reading = slot.AreaReading; break;
    default: slot.Reading = -1; break;
    }
    // mg/m^3 at standard pressure: 101.325 kPa x 30.01 g/mol over R x T.
    slot.ReadingMGM = slot.Reading < 0
        ? -1.0f
        : float(slot.Reading * 3040.76325 / ((slot.Temperature + 273.15) * 8.314472));
    return slot;
}

SlotRecord DecodeReceivedSlot(QByteArrayView rawHex, FirmwareFlags& flags, SessionLog& log)
{
    SlotRecord slot = DecodeSlot(rawHex, flags);
    if (flags.FwOldSlotStatus)
        flags.FwNewSlotStatus = true;
    if (slot.SampleMode == 3)
        log.debugMessage(QStringLiteral("Unknown sampling mode in slot"), SessionLog::Warning);
    return slot;
}

}
