#pragma once
#include <QLocale>
#include <QStringList>
#include <array>
#include <cstdint>

struct FirmwareFlags;

// The technical file's reports of the instrument's EEPROM image.
namespace EepromReport {
using Image = std::array<uint8_t, 1024>;

// "eeprom_hex.txt": a header, a rule, 16 bytes a line, an empty line.
QStringList HexDump(const Image& image);

// "eeprom.txt": the image decoded into its sections and keys.
QStringList Settings(const Image& image, const FirmwareFlags& flags, const QLocale& locale);

// "eeprom.csv": the ten samples the instrument keeps in its EEPROM.
QStringList SavedSamples(const Image& image, const QString& sep, const QLocale& locale);
}
