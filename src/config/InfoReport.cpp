#include "config/InfoReport.h"

#include "instrument/EepromAccess.h"
#include "instrument/EepromMap.h"
#include "instrument/NumberText.h"
#include "shell/ErrorReport.h"
#include "shell/Operation.h"
#include "shell/Prompts.h"
#include "shell/Services.h"
#include "shell/SessionLog.h"
#include "shell/SystemInfo.h"
#include "shell/TextFile.h"

#include <QFile>

namespace {

constexpr int FileAccessError = 75;   // "Path/File access error"

// A 16-bit value stored low byte first; 0x8000 and above count as negative.
int signed16LowFirst(const QByteArray& bytes, int k)
{
    const int value = static_cast<uint8_t>(bytes.at(k)) + 256 * static_cast<uint8_t>(bytes.at(k + 1));
    return value >= 0x8000 ? value - 0x10000 : value;
}

// A number of tenths in seconds, in its shortest decimal form.
QString tenthsText(int tenths)
{
    return tolviM::DoubleText(tenths / 10.0);
}

} // namespace

InfoReportReadings ReadInfoReport(InstrumentLink& link, Services& services, OperationObserver& observer,
    CancelToken& cancel)
{
    InfoReportReadings r;
    r.areaPeriod = tolviM::ReadEeprom(link, services.log, EepromMap::AreaPeriod, 4, tolviM::OnlyOnce, tolviM::ReadCheck::LengthOnly);
    if (r.areaPeriod) {
        if (const auto negatives = tolviM::ReadEeprom(link, services.log, EepromMap::AreaIgnoresNegatives, 1, tolviM::OnlyOnce, tolviM::ReadCheck::LengthOnly))
            r.areaIgnoresNegatives = static_cast<uint8_t>(negatives->at(0));
    }
    r.gtn = tolviM::ReadEeprom(link, services.log, EepromMap::GtnTrigger, 2, tolviM::OnlyOnce, tolviM::ReadCheck::LengthOnly);

    constexpr int total = EventLogCount * EventLogEntries;
    for (int log = 0; log < EventLogCount; ++log) {
        for (int index = 0; index < EventLogEntries; ++index) {
            if (cancel.isRequested()) {
                services.log.debugMessage(QStringLiteral("Reading the event logs cancelled."), SessionLog::Note);
                r.cancelled = true;
                break;
            }
            const int done = log * EventLogEntries + index;
            observer.statusText(1, ReadingEventLogsText + QStringLiteral(" %1%").arg(done * 100 / total));
            observer.progress(done * 100 / total);
            auto entry = tolviM::GetFRAMEventLog(link, services, log, index);
            if (entry && entry->timeStamp > 0)
                r.logs[size_t(log)][size_t(index)] = std::move(entry);
        }
        if (r.cancelled)
            break;
    }
    observer.progress(-1);
    observer.statusText(1, QString());
    return r;
}

QString AreaPeriodLine(const QByteArray& areaBytes, std::optional<int> ignoresNegatives)
{
    return QStringLiteral("Area runs from ") + tenthsText(signed16LowFirst(areaBytes, 0)) + QStringLiteral(" s to ")
        + tenthsText(signed16LowFirst(areaBytes, 2)) + QStringLiteral(" s")
        + (ignoresNegatives == 0 ? QStringLiteral(" ignoring negatives") : QString()) + QLatin1Char('.');
}

QStringList InfoReportLines(const InfoReportReadings& r)
{
    QStringList lines{QStringLiteral("Settings and Event logs."), QString(), QString()};
    lines << (r.areaPeriod ? AreaPeriodLine(*r.areaPeriod, r.areaIgnoresNegatives)
                           : QStringLiteral("Could not retrieve Area period."));
    if (r.gtn) {
        lines << QStringLiteral("GTN triggers @ ") + tenthsText(static_cast<uint8_t>(r.gtn->at(0)))
                + QStringLiteral(" s & jumps to ")
                + (r.gtn->at(1) == 0 ? QStringLiteral("Peak Mode.") : QStringLiteral("Area Mode."))
              << QString();
    }
    lines << QString() << QStringLiteral("On-board event logs...") << QString();
    for (int log = 0; log < EventLogCount; ++log) {
        for (int index = 0; index < EventLogEntries; ++index) {
            if (const auto& entry = r.logs[size_t(log)][size_t(index)])
                lines << EventLogEntryLines(EventLogKind(log), index, *entry);
        }
        // Two empty lines after every log, with entries or without.
        lines << QString() << QString();
    }
    return lines;
}

QByteArray InfoReportText(const InfoReportReadings& readings)
{
    QByteArray text;
    for (const QString& line : InfoReportLines(readings))
        text += line.toUtf8() + "\r\n";
    return text;
}

QString ShowMoreInfo(InstrumentLink& link, Services& services, OperationObserver& observer, CancelToken& cancel)
{
    const InfoReportReadings readings = ReadInfoReport(link, services, observer, cancel);
    if (readings.cancelled)
        return {};
    const QString placeholder = TemporaryFileName();
    const QString path = placeholder.isEmpty() ? QString() : placeholder.chopped(3) + QStringLiteral("txt");
    const bool written = !path.isEmpty() && WriteFileAtomically(path, InfoReportText(readings));
    if (!placeholder.isEmpty())
        QFile::remove(placeholder);
    if (!written) {
        ReportError(services.log, services.prompts, ErrorSite{"btnSettingsReadInfo_Click", "frmMain", true},
            FileAccessError, QStringLiteral("Path/File access error: the report could not be written to ")
                + (path.isEmpty() ? TemporaryFolder() : path));
        return {};
    }
    services.log.debugMessage(QStringLiteral("Information report written to ") + path, SessionLog::Detail);
    if (!services.prompts.openPath(path, Prompts::OpenVerb::Edit))
        services.prompts.message(Prompts::Icon::Information,
            QStringLiteral("No text editor could open the report; it is in ") + path);
    return path;
}

bool InfoReportCancelGesture(const QString& panel1Text, CancelToken& cancel, Services& services)
{
    if (!panel1Text.startsWith(ReadingEventLogsText))
        return false;
    cancel.request();
    services.log.debugMessage(QStringLiteral("Information report cancelled by user..."), SessionLog::Info);
    return true;
}
