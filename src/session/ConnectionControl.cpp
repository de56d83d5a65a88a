#include "ConnectionControl.h"

#include "instrument/Clock.h"
#include "instrument/DownloadTable.h"
#include "instrument/Identity.h"
#include "instrument/InstrumentInfo.h"
#include "instrument/Measurement.h"
#include "instrument/PumpValveAlarm.h"
#include "instrument/SampleMemory.h"
#include "instrument/Schedule.h"
#include "link/InstrumentLink.h"
#include "instrument/AddHistory.h"
#include "shell/ErrorReport.h"
#include "shell/Picture.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"

#include <QDir>

namespace {

void readIdentity(ConnectionContext& c)
{
    InstrumentInfo& info = c.info;
    info.SerialNumber = tolviM::GetSerialNumber(c.link, c.services);
    // The record folder is known from here on, so the sample-memory read
    // below keeps its error count in this instrument's own settings file.
    if (!info.SerialNumber.isEmpty())
        info.RecordFolder = RecordFolderFor(c.services.paths.dataFolder, info.SerialNumber);
    info.FirmwareID = tolviM::GetFirmwareID(c.link, c.services);
    info.FirmwareVersion = FirmwareVersionOf(info.FirmwareID);
    tolviM::GetManDate(c.link, c.services, info);
    tolviM::GetCalDate(c.link, c.services, info);
    tolviM::GetSerDate(c.link, c.services, info);
    info.UsageCounter = tolviM::GetUsage(c.link, c.services);
}

void readConfiguration(ConnectionContext& c)
{
    InstrumentInfo& info = c.info;
    info.Limit = tolviM::GetLimit(c.link, c.services);
    info.Mode = tolviM::GetMode(c.link, c.services);
    tolviM::GetPNVDetails(c.link, c.services, info);
    tolviM::GetCalibration(c.link, c.services, info);
    tolviM::GetFlashLimits(c.link, c.services, info);
    if (!c.terminalDebug) {
        tolviM::GetRTCDetails(c.link, c.services, info);
        tolviM::GetFRAMDetails(c.link, c.services, info);
        tolviM::GetScheduleDetails(c.link, c.services, info);
    }
}

void checkVersion(ConnectionContext& c, ConnectionReport& report)
{
    const double version = c.info.FirmwareVersion;
    report.upgradeNotice = version < LatestFirmwareVersion;
    if (report.upgradeNotice)
        c.services.log.debugMessage(QStringLiteral("Firmware upgrade is available : ")
                + FormatNumber(LatestFirmwareVersion, QStringLiteral("V0.00")),
            SessionLog::Detail);

    c.link.firmwareFlags() = FirmwareFlagsFor(version);
    if (c.link.firmwareFlags().FwNewSlotStatus) {
        c.info.MGMFactor = tolviM::GetMGMFactor(c.link, c.services);
        c.info.MGMFixed = c.info.MGMFactor != -1;
    }

    if (const char* fault = KnownFirmwareFault(version))
        c.services.log.debugMessage(QString::fromLatin1(fault), SessionLog::Detail);
}

void finishConnection(ConnectionContext& c)
{
    if (c.terminalDebug) {
        if (!c.info.RecordFolder.isEmpty())
            AddHistory(c.services, c.info.RecordFolder, QStringLiteral("Connecting in Terminal Mode."));
        return;
    }
    c.downloads.clear();
    // The sample-memory details were read a moment ago; reading them again
    // would record the error count that first read has just cleared as 0.
    tolviM::GetScheduleDetails(c.link, c.services, c.info);
}

} // namespace

double FirmwareVersionOf(const QString& firmwareId)
{
    const qsizetype v = firmwareId.indexOf(QLatin1Char('V'));
    const QString text = firmwareId.mid(v < 0 ? 0 : v + 1, 5).trimmed();
    // The leading decimal number of the text, as far as it reads as one.
    qsizetype end = 0;
    bool point = false;
    while (end < text.size() && (text[end].isDigit() || (!point && text[end] == QLatin1Char('.')))) {
        point = point || text[end] == QLatin1Char('.');
        ++end;
    }
    return text.left(end).toDouble();
}

const char* KnownFirmwareFault(double version)
{
    for (const FirmwareFault& fault : FirmwareFaults)
        if (fault.version == version)
            return fault.note;
    return nullptr;
}

QString ConnectionLabelText(const InstrumentInfo& info)
{
    return QStringLiteral("Connected to ") + info.SerialNumber + QStringLiteral(" (") + info.FirmwareID
        + QLatin1Char(')');
}

ConnectionReport ConnectionControl(ConnectionContext& c)
{
    ConnectionReport report;
    GuardBoundary(c.services.log, c.services.prompts, ErrorSite{"ConnectionControl", "frmMain", true}, [&] {
        c.info.ConnectionStamp = QString::number(c.utcNow().toSecsSinceEpoch());
        c.info.DescriptiveString = QStringLiteral("?");
        readIdentity(c);
        readConfiguration(c);
        report.records = WriteConnectionRecords(c.services, c.info, c.utcNow());
        if (!report.records.folder.isEmpty())
            c.info.RecordFolder = report.records.folder;
        checkVersion(c, report);
        report.label = ConnectionLabelText(c.info);
        finishConnection(c);
        report.completed = true;
    });
    return report;
}
