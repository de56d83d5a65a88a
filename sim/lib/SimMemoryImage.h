#pragma once
#include "SimFirmware.h"
#include "SimScenario.h"
#include "SimSlots.h"

#include <QByteArray>

// The instrument's two byte spaces as a scenario fills them.
namespace SimMemory {
constexpr int EepromSize = 1024;
constexpr int FlashSize = 0x200;
constexpr int FirmwareBlock1 = 0x0030, FirmwareBlock1End = 0x0078;
constexpr int FirmwareBlock2 = 0x0098, LimitTable = 0x0101;
constexpr int ChipBlock = 0x01E9;
constexpr int ScheduleCopy = 0x0060;       // 11 bytes, then the enabled byte
constexpr int LimitTableCopy = 0x0078;     // LimitTableLength bytes, then their check byte
constexpr int LimitTableLength = 20;
constexpr int Records = 0x01E5;            // slots used, then the oldest slot's offset: 16 bits each
constexpr int SlotsPerChip = 2048;

// The 1024-byte EEPROM: every named field from the scenario, unnamed bytes
// erased (0xFF), then the scenario's saved image and overrides.
QByteArray BuildEeprom(const SimScenario& scenario, const SimFirmwareBand& band);
// The flash: the firmware string blocks and the limit table.
QByteArray BuildFlash(const SimScenario& scenario);
// The schedule block (11 bytes) as "A00" returns it.
QByteArray BuildScheduleBlock(const SimSchedule& schedule);
// The copies the instrument keeps in its EEPROM of its schedule block and
// state and of its sample-memory use.
void PutScheduleCopy(QByteArray& eeprom, const QByteArray& block, bool enabled);
void PutRecords(QByteArray& eeprom, int used, int offset);
// The slots the scenario's sample memory holds.
int SlotCapacity(const SimScenario& scenario);
}
