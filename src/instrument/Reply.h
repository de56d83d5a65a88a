#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <cstdint>

// Reading the instrument's replies. A reply is held as length character +
// payload + two checksum characters; positions count from 1 at the length
// character. Ordinary replies echo the command letter and 4-digit address at
// positions 2-6 and carry data byte k at positions 7+2k and 8+2k.
namespace tolviM {

// The characters at positions position..position+count-1 (fewer, or none,
// where the reply is shorter).
QByteArray ReplyText(const QByteArray& reply, int position, int count);

// The leading hexadecimal digits of text read as one unsigned number; text
// without a leading hexadecimal digit reads as 0 (as a short reply does).
uint32_t HexUnsigned(QByteArrayView text);
// Four hexadecimal characters as a signed 16-bit value (8000..FFFF are -32768..-1).
int16_t HexSigned16(QByteArrayView text);
// The characters of a BCD byte read as a decimal number as far as they are
// decimal digits: "12" is 12, "1A" is 1, "FF" is 0.
int BcdValue(QByteArrayView text);

// Data byte k (from 0) of an ordinary reply, 0..255.
int DataByte(const QByteArray& reply, int k);
// Data byte k of an ordinary reply read as BCD.
int DataBcd(const QByteArray& reply, int k);

// A date from day, month and full year with calendar normalisation: month 0
// is December of the year before, day 0 the last day of the month before,
// values past the end roll forward. Local time, midnight.
QDate NormalisedDate(int year, int month, int day);
// The same with a time of day (hours, minutes, seconds roll over likewise).
QDateTime NormalisedDateTime(int year, int month, int day, int hour, int minute, int second);
}
