#include "config/SettingsRefresh.h"

#include "instrument/Clock.h"
#include "instrument/ClockError.h"
#include "instrument/EepromAccess.h"
#include "instrument/EepromMap.h"
#include "instrument/Measurement.h"
#include "instrument/Procedure.h"
#include "instrument/PumpValveAlarm.h"
#include "instrument/Schedule.h"
#include "shell/Operation.h"

namespace {

// The bytes "QX" and "QY" at 0x002C mark the fake mode.
bool IsFakeModeMarker(const QByteArray& bytes)
{
    return bytes == "QX" || bytes == "QY";
}

}

std::optional<bool> ReadDataDumpState(SettingsContext& c)
{
    const auto bytes = tolviM::ReadEeprom(c.link, c.services.log, EepromMap::DataDumpMode, 1, tolviM::OnlyOnce);
    if (!bytes)
        return std::nullopt;
    return bytes->at(0) != 0;
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

        if (const auto cycles = tolviM::ReadEeprom(link, services.log, EepromMap::UsageCounter, 3, tolviM::OnlyOnce)) {
            const auto byte = [&](int k) { return int(uint8_t(cycles->at(k))); };
            r.cycles = int(int16_t(byte(1) << 8 | byte(0)));
            r.cyclePointer = byte(2);
        }
        if (const auto marker = tolviM::ReadEeprom(link, services.log, EepromMap::FakeModeMarker, 2, tolviM::OnlyOnce))
            r.fakeMode = IsFakeModeMarker(*marker);
        r.dataDump = ReadDataDumpState(c);
    });
    r.info = c.info;
    return r;
}
