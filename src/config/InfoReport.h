#pragma once
#include "config/EventLogText.h"
#include "instrument/EepromImage.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

struct Services;
class InstrumentLink;
class OperationObserver;
class CancelToken;

// "Show More Info": a few special measurement settings and the instrument's
// five on-board event logs as a plain-text report. Nothing on the
// instrument changes.

// What the report is made from: the raw bytes of each read that succeeded.
struct InfoReportReadings {
    std::optional<QByteArray> areaPeriod;       // 4 bytes at 0x01F5
    std::optional<int> areaIgnoresNegatives;    // the byte at 0x0026 (read only after the area period)
    std::optional<QByteArray> gtn;              // 2 bytes at 0x004D
    // Entries read with a time stamp above 0; the others stay empty.
    std::array<std::array<std::optional<tolviM::EventLogEntry>, EventLogEntries>, EventLogCount> logs;
    bool cancelled = false;                     // the reading stopped before the last entry
};

// Reads everything the report shows; every read is one exchange. Progress
// goes to status panel 1; a cancel stops before the next event log entry.
InfoReportReadings ReadInfoReport(InstrumentLink& link, Services& services, OperationObserver& observer,
    CancelToken& cancel);

// The report's lines (without line ends); written with CR LF after every line.
QStringList InfoReportLines(const InfoReportReadings& readings);
// The lines joined as the report file holds them.
QByteArray InfoReportText(const InfoReportReadings& readings);

// "Area runs from 30 s to 60 s ignoring negatives." from the four area
// bytes and the negatives byte (when read).
QString AreaPeriodLine(const QByteArray& areaBytes, std::optional<int> ignoresNegatives);

// Reads the report, writes it to a fresh ".txt" file in the temporary
// folder and opens it for editing. Returns the file's path; empty when the
// reading was cancelled or the file could not be written (reported through
// the error path).
QString ShowMoreInfo(InstrumentLink& link, Services& services, OperationObserver& observer, CancelToken& cancel);

// Status panel 1 while the event logs are read (the cancel gesture's cue).
inline const QString ReadingEventLogsText = QStringLiteral("Reading the event logs...");

// The status bar's cancel gesture while the event logs are read: requests
// the cancel and returns true; false for any other panel text.
bool InfoReportCancelGesture(const QString& panel1Text, CancelToken& cancel, Services& services);
