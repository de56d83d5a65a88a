#pragma once
#include <QByteArray>
#include <QDateTime>

class InstrumentLink;
struct InstrumentInfo;
struct Services;

// The instrument's battery-backed clock, which runs in UTC.
namespace tolviM {

// Reads the clock into the RTC fields of info and returns how many seconds
// the exchange took (0 when the read fails, the fields then unchanged).
// Warns when a clock that was being set reads all zeros, and clears the
// per-user "SettingRTC" mark of this instrument.
float GetRTCDetails(InstrumentLink& link, Services& services, InstrumentInfo& info);
// Sets the clock to the PC's UTC time; the reply is not examined.
void SetRTCDetails(InstrumentLink& link, Services& services);

// The request that sets the clock to a UTC date-time: "K" + yy mm dd 0w hh mm ss
// with the weekday 1 for Monday to 7 for Sunday.
QByteArray ClockSetPayload(const QDateTime& utc);

// The per-user settings section of one instrument.
QString InstrumentSection(const QString& serialNumber);

}
