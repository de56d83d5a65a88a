#pragma once
#include "instrument/Ping.h"
#include "link/FirmwareFlags.h"
#include "records/InstrumentRecords.h"

#include <QDateTime>
#include <QString>
#include <functional>

class InstrumentLink;
struct DownloadTable;
struct InstrumentInfo;
struct Services;

// What connection control works on: the shared services, the open link,
// the main window's instrument record and downloaded slots.
struct ConnectionContext {
    Services& services;
    InstrumentLink& link;
    InstrumentInfo& info;
    DownloadTable& downloads;
    bool terminalDebug = false;                  // the debug terminal drives the link
    std::function<QDateTime()> utcNow = [] { return QDateTime::currentDateTimeUtc(); };
};

// The newest firmware; an older instrument gets the upgrade notice.
constexpr double LatestFirmwareVersion = 1.68;

// The version number in a firmware string: up to 5 characters after its
// first "V" (from its start when it has none), blanks trimmed, read as a
// decimal number ("HHU V2.31 ..." gives 2.31; 0 when no number stands there).
double FirmwareVersionOf(const QString& firmwareId);

// Firmware versions with a known fault, each with the note the session log
// gets at connection.
struct FirmwareFault {
    double version;
    const char* note;
};
inline constexpr FirmwareFault FirmwareFaults[] = {
    {1.08, "This firmware has a bug in the Read FRAM command."},
    {1.09, "This firmware has a bug in the Read FRAM command."},
    {1.15, "This firmware has a bug in the Schedule command."},
};
// The note for a faulty version; null for any other.
const char* KnownFirmwareFault(double version);

// "Connected to " + serial number + " (" + firmware string + ")".
QString ConnectionLabelText(const InstrumentInfo& info);

struct ConnectionReport {
    bool completed = false;        // false when an unexpected failure cut the steps short
    QString label;                 // the connection label and status text
    bool upgradeNotice = false;    // firmware older than LatestFirmwareVersion
    RecordStepResult records;
};

// Everything that follows a link's first answer: reads the instrument in
// order (identity, dates, usage, limit, mode, pump and valve, calibration,
// limit table, and outside terminal debug mode the clock, sample memory and
// schedule), writes its records, checks the firmware version, sets the
// firmware flags, reads the mg/m^3 factor where the firmware has one, logs
// known firmware faults and builds the connection label.
ConnectionReport ConnectionControl(ConnectionContext& context);
