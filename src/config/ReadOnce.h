#pragma once
#include <QByteArray>
#include <optional>

class InstrumentLink;
class SessionLog;

// One exchange reading count EEPROM bytes at address: the bytes of a good
// reply long enough to carry them (its echo is not compared), or nothing.
// The service reports read their settings this way, without retries.
std::optional<QByteArray> ReadEepromOnce(InstrumentLink& link, SessionLog& log, int address, int count);
