#include "config/SettingsRefresh.h"

#include "instrument/Clock.h"
#include "instrument/ClockError.h"
#include "instrument/EepromMap.h"
#include "instrument/Measurement.h"
#include "instrument/Procedure.h"
#include "instrument/PumpValveAlarm.h"
#include "instrument/Reply.h"
#include "instrument/RetriedRead.h"
#include "instrument/Schedule.h"
#include "shell/Operation.h"

namespace {

// One exchange, no repeat: the page's own reads give up at the first failure.
std::optional<QByteArray> ReadOnce(SettingsContext& c, int address, int count)
{
    tolviM::RetryBudget once{0};
    return tolviM::RetriedRead(c.link, c.services.log, once, tolviM::MemoryRead('G', address, count));
}

// The bytes "QX" and "QY" at 0x002C mark the fake mode.
bool IsFakeModeMarker(const QByteArray& reply)
{
    const QByteArray data = tolviM::ReplyText(reply, 7, 4);
    return data == "5158" || data == "5159";
}

}

std::optional<bool> ReadDataDumpState(SettingsContext& c)
{
    const auto reply = ReadOnce(c, EepromMap::DataDumpMode, 1);
    if (!reply)
        return std::nullopt;
    return tolviM::DataByte(*reply, 0) != 0;
}

SettingsReading UpdateSettingsPage(SettingsContext& c)
{
    SettingsReading r;
    tolviM::Guarded(c.services, "UpdateSettingsPage", [&] {
        InstrumentLink& link = c.link;
        Services& services = c.services;
        InstrumentInfo& info = c.info;

        tolviM::GetRTCDetails(link, services, info);
        r.clockErrorDays = ClockErrorDays(info);
        c.observer.statusText(2, ClockErrorText(r.clockErrorDays));
        WarnOfClockError(services, info, r.clockErrorDays);

        tolviM::GetPNVDetails(link, services, info);
        r.mode = tolviM::GetModeString(link, services);
        r.limit = tolviM::GetLimitString(link, services);
        r.gate = tolviM::GetGateString(link, services);
        r.mgmFactor = tolviM::GetMGMFactor(link, services);
        r.saveAll = tolviM::GetRFSFlag(link, services);
        r.switches = tolviM::ReadControlSwitches(link, services);
        tolviM::GetAlarm(link, services, info);
        tolviM::GetCalibration(link, services, info);

        if (const auto cycles = ReadOnce(c, EepromMap::UsageCounter, 3)) {
            r.cycles = int(int16_t(tolviM::DataByte(*cycles, 1) << 8 | tolviM::DataByte(*cycles, 0)));
            r.cyclePointer = tolviM::DataByte(*cycles, 2);
        }
        if (const auto marker = ReadOnce(c, EepromMap::FakeModeMarker, 2))
            r.fakeMode = IsFakeModeMarker(*marker);
        r.dataDump = ReadDataDumpState(c);
    });
    r.info = c.info;
    return r;
}
