#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>

class InstrumentLink;
struct InstrumentInfo;
struct Services;

// Who the connected instrument is: serial number, firmware string, dates
// and usage counter. Each returns its neutral value (empty text, the zero
// date, 0) when the instrument does not answer properly.
namespace tolviM {

QString GetSerialNumber(InstrumentLink& link, Services& services);
// Selector 0 manufacture, 1 calibration, 2 service, 3 the fourth date (other
// values read the manufacture date). With timeOfDay the three bytes are read
// as hours, minutes and seconds instead of day, month and year.
QDateTime GetSomeDate(InstrumentLink& link, Services& services, int selector, bool timeOfDay = false);
// These also store the date into the record.
QDateTime GetManDate(InstrumentLink& link, Services& services, InstrumentInfo& info);
QDateTime GetCalDate(InstrumentLink& link, Services& services, InstrumentInfo& info);
QDateTime GetSerDate(InstrumentLink& link, Services& services, InstrumentInfo& info);
// The short form reads the first block of the string; the long form the second as well.
QString GetFirmwareID(InstrumentLink& link, Services& services, bool longForm = false);
int16_t GetUsage(InstrumentLink& link, Services& services);

// The serial-number text of a reply to the 4-byte read at 0x0109: type byte
// 04 appends "F", 05 appends "G", FF gives "Unknown", any other the number alone.
QString SerialNumberText(const QByteArray& reply);
// The same text from the type byte and the 24-bit number.
QString SerialNumberText(int typeByte, uint32_t number);
// Keeps the printable bytes (32..126), trims blanks and collapses inner runs of blanks.
QString CleanFirmwareText(const QByteArray& bytes);

}
