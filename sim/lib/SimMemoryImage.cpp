#include "SimMemoryImage.h"

#include "shell/Bits.h"

namespace {

void Put(QByteArray& image, int address, std::initializer_list<int> bytes)
{
    for (int b : bytes)
        image[address++] = static_cast<char>(b & 0xFF);
}

void PutDate(QByteArray& image, int address, const QDate& date)
{
    if (date.isValid())
        Put(image, address, {ToBcd(date.day()), ToBcd(date.month()), ToBcd(date.year() - 2000)});
    else
        Put(image, address, {0xFF, 0xFF, 0xFF});
}

void PutText(QByteArray& image, int from, int end, const QString& text)
{
    const QByteArray latin = text.toLatin1();
    for (int a = from; a < end; ++a)
        image[a] = a - from < latin.size() ? latin[a - from] : ' ';
}

// Slopes and offsets of the four limits as the sensor maker ships them.
const QByteArray DefaultLimitTable = QByteArray::fromHex("0000FA0001F40003E80009C4000A000F00140019");

} // namespace

QByteArray SimMemory::BuildEeprom(const SimScenario& s, const SimFirmwareBand& band)
{
    QByteArray e(EepromSize, char(0xFF));
    const SimCalibration& c = s.calibration;
    Put(e, 0x0000, {ToBcd(c.timeToPeakTenths % 100), ToBcd(c.timeToPeakTenths / 100)});
    Put(e, 0x0002, {c.peakGainMantissa & 0xFF, c.peakGainMantissa >> 8, c.peakGainExponent, c.calibrated ? 0x44 : 0x43,
                       c.peakValue >> 16, c.peakValue >> 8, c.peakValue});
    Put(e, 0x0009, {s.usage & 0xFF, (s.usage >> 8) & 0xFF, 0x07});
    // The ten samples the instrument keeps: thousandths of a ppm, then degrees Celsius.
    for (int k = 0; k < 10; ++k) {
        const int conc = 250 + 125 * k;
        Put(e, 0x000C + 2 * k, {conc >> 8, conc});
        Put(e, 0x0033 + k, {19 + k % 4});
    }
    Put(e, 0x0020, {0x32});                  // pump time 5.0 s
    Put(e, 0x0021, {s.mode, s.limit, 0x00}); // mode, limit, offset mode "Fine"
    Put(e, 0x0024, {0x00, 0x00, 0x01, 0x00}); // time mode, delta mode, area period flag, manual reset
    Put(e, 0x0028, {c.temperature, c.areaGainMantissa >> 8, c.areaGainMantissa & 0xFF, c.areaGainExponent,
                       0x00, 0x00, 0x00, 0x00, c.areaValue >> 16, c.areaValue >> 8, c.areaValue});
    Put(e, 0x002C, {0x00, 0x00});             // not in fake mode
    Put(e, 0x002E, {0x00, 0x00});             // control switches
    Put(e, 0x0040, {0x01, 0x00});             // offset +0.000
    Put(e, 0x0042, {0x01, 0x00, 0x32, 0x01, 0xFB, 0xFF}); // valve timed 5.0 s, pump timed -0.5 s, time zero
    Put(e, 0x0048, {0x00, 0x00, 0x05, 0x64}); // alarm off, 5 s, 1.00 ppm
    Put(e, 0x004C, {0x00, 0x00, 0x00, 0x00}); // GTN gate, trigger time, jump, data dump off
    Put(e, 0x0050, {0x00, 0x00, 0x00});       // zero error
    Put(e, 0x0053, {0x00, s.shortSensor ? 0xFF : 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x01}); // ATE, short, -, -, A2T, -, over
    Put(e, 0x0071, {s.mgmFactorStep ? 0x01 : 0x00, s.mgmFactorStep.value_or(0)});
    const QByteArray limits = s.limitTable.size() == LimitTableLength ? s.limitTable : DefaultLimitTable;
    e.replace(LimitTableCopy, LimitTableLength, limits);
    int check = 0;
    for (char b : limits)
        check += quint8(b);
    Put(e, LimitTableCopy + LimitTableLength, {check});
    PutScheduleCopy(e, BuildScheduleBlock(s.schedule), s.schedule.enabled);
    PutDate(e, 0x0100, s.manufactured);
    PutDate(e, 0x0103, s.calibrated);
    PutDate(e, 0x0106, s.serviced);
    Put(e, 0x0109, {s.serialType, int(s.serial >> 16), int(s.serial >> 8), int(s.serial)});
    PutDate(e, 0x010D, s.fourthDate);
    PutText(e, 0x0110, 0x0120, QStringLiteral("Karvex"));
    PutRecords(e, qMin<int>(s.slots.size(), SlotCapacity(s)), s.recordOffset);
    Put(e, ChipBlock, {s.framChipsOriginal, s.framChipsFitted, s.framMap, s.framErrors});
    if (s.parkSensor)
        Put(e, 0x01F0, {0x52, 0x31});
    else
        Put(e, 0x01F0, {0x00, 0x00});
    Put(e, 0x01F3, {s.remoteSave ? 0xFF : 0x00});
    Put(e, 0x01F5, {0x2C, 0x01, 0x58, 0x02}); // area period 30 s to 60 s
    Put(e, 0x0200, {(s.memoryFullStop != band.memoryFullInverted) ? 0xFF : 0x00});

    if (s.eepromImage.size() == EepromSize)
        e = s.eepromImage;
    for (auto it = s.eepromOverrides.begin(); it != s.eepromOverrides.end(); ++it)
        for (int i = 0; i < it.value().size() && it.key() + i < EepromSize; ++i)
            e[it.key() + i] = it.value()[i];
    return e;
}

void SimMemory::PutScheduleCopy(QByteArray& eeprom, const QByteArray& block, bool enabled)
{
    eeprom.replace(ScheduleCopy, block.size(), block);
    Put(eeprom, ScheduleCopy + 11, {enabled ? 0x01 : 0x00});
}

void SimMemory::PutRecords(QByteArray& eeprom, int used, int offset)
{
    Put(eeprom, Records, {used >> 8, used, offset >> 8, offset});
}

int SimMemory::SlotCapacity(const SimScenario& s)
{
    return qMin(MaxSimSlots, s.capacity.value_or(s.framChipsFitted * SlotsPerChip));
}

QByteArray SimMemory::BuildFlash(const SimScenario& s)
{
    QByteArray f(FlashSize, char(0xFF));
    PutText(f, FirmwareBlock1, FirmwareBlock1End, s.firmware);
    PutText(f, FirmwareBlock2, LimitTable, s.firmwareLong);
    f.replace(LimitTable, 20, s.limitTable.size() == 20 ? s.limitTable : DefaultLimitTable);
    if (!s.flashImage.isEmpty())
        f.replace(0, qMin(s.flashImage.size(), FlashSize), s.flashImage.left(FlashSize));
    return f;
}

QByteArray SimMemory::BuildScheduleBlock(const SimSchedule& s)
{
    if (s.block.size() == 11)
        return s.block;
    const int length = s.lengthMinutes + 1;
    QByteArray b(11, '\0');
    Put(b, 0, {s.config, s.weekMask, s.frequency, s.startMinutes >> 8, s.startMinutes, length >> 8, length,
                  0xFF, 0xFF, s.counter >> 8, s.counter});
    return b;
}
