#pragma once
#include "link/ExchangeOutcome.h"

#include <QByteArray>
#include <functional>
#include <optional>

class InstrumentLink;
class SessionLog;

// Reading and writing the instrument's EEPROM byte by byte ("G" reads, "B"
// writes). Every EEPROM access of the program goes through these calls.
namespace tolviM {

// How much of a read's reply must agree with the request.
enum class ReadCheck {
    Echo,           // the length character and the echo of letter and address
    LengthOnly,     // any good reply long enough to carry the bytes
};

// The retries of a read that is asked once only.
inline constexpr int OnlyOnce = 0;

// Reads count bytes at address: the request is repeated while no good reply
// comes, retries more times at most. The bytes, or nothing (a reply too
// short for them is logged).
std::optional<QByteArray> ReadEeprom(InstrumentLink& link, SessionLog& log, int address, int count, int retries,
    ReadCheck check = ReadCheck::Echo);

// Writes the bytes given as hexadecimal text (e.g. "1E00") at address,
// repeated like the read; true when the instrument echoed the write.
bool WriteEeprom(InstrumentLink& link, SessionLog& log, int address, const QByteArray& hexBytes, int retries);

// The write request as a person types it at the service terminal, e.g.
// "B00201E" for the byte 0x1E at 0x0020.
QByteArray EepromWriteText(int address, const QByteArray& hexBytes);

// The byte the program writes for an on/off setting: "FF" or "00" (as hexadecimal text).
QByteArray FlagByte(bool on);

// One exchange of a request payload, however it reaches the instrument (the
// link itself, or the service terminal that also keeps a transcript).
using PayloadExchange = std::function<ExchangeOutcome(const QByteArray& payload)>;
// The block reader: reads count bytes at address through exchange, asking
// again while the reply is missing, does not echo letter and address, or
// does not carry exactly the bytes asked for in hexadecimal digits; retries
// more times at most. The bytes, or nothing.
std::optional<QByteArray> ReadEepromBlock(const PayloadExchange& exchange, int address, int count, int retries);
// The same over the link, each request waiting the link's reply timeout.
std::optional<QByteArray> ReadEepromBlock(InstrumentLink& link, int address, int count, int retries);

}
